// The music check: a Standard MIDI File (or one in a RIFF RMID wrapper)
// passes; anything the media player could not take is named.
#include "tools/check/music.h"

#include <gtest/gtest.h>

#include "tests/check/check_support.h"

using namespace yomite::check;

namespace {

std::string Big32(uint32_t n) { return {char(n >> 24), char(n >> 16), char(n >> 8), char(n)}; }

std::string Header(int format, int tracks, int division = 480) {
  return "MThd" + Big32(6) + std::string{char(format >> 8), char(format)} +
         std::string{char(tracks >> 8), char(tracks)} +
         std::string{char(division >> 8), char(division)};
}

std::string Track() { return "MTrk" + Big32(4) + std::string("\0\xFF\x2F\0", 4); }

std::string Problem(const std::string& bytes) { return MidiProblem(bytes).value_or("fine"); }

TEST(Midi, AcceptsStandardFiles) {
  EXPECT_EQ(Problem(yomite::check::testing::MidiBytes()), "fine");
  EXPECT_EQ(Problem(Header(1, 2) + Track() + Track()), "fine");
  // Chunks of unknown type are skipped over.
  EXPECT_EQ(Problem(Header(1, 1) + "XFIH" + Big32(2) + "ab" + Track()), "fine");
  std::string smf = Header(0, 1) + Track();
  std::string riff = "RIFF" + std::string(4, '\0') + "RMID" + "data" +
                     std::string{char(smf.size()), 0, 0, 0} + smf;
  EXPECT_EQ(Problem(riff), "fine");
}

TEST(Midi, NamesWhatIsWrong) {
  EXPECT_NE(Problem("RIFF....WAVEfmt ").find("does not begin with a MIDI header"),
            std::string::npos);
  EXPECT_NE(Problem("").find("does not begin with a MIDI header"), std::string::npos);
  EXPECT_NE(Problem("MThd" + Big32(5) + std::string(6, '\0')).find("bad length"),
            std::string::npos);
  EXPECT_NE(Problem(Header(3, 1) + Track()).find("format 3"), std::string::npos);
  EXPECT_NE(Problem(Header(0, 2) + Track() + Track()).find("format 0"), std::string::npos);
  EXPECT_NE(Problem(Header(1, 0)).find("no track"), std::string::npos);
  EXPECT_NE(Problem(Header(1, 1, 0) + Track()).find("division"), std::string::npos);
  EXPECT_NE(Problem(Header(1, 2) + Track()).find("declares 2 tracks but holds 1"),
            std::string::npos);
  EXPECT_NE(Problem(Header(1, 1) + "MTrk" + Big32(100) + "x").find("past the end"),
            std::string::npos);
  EXPECT_NE(
      Problem(Header(1, 1) + std::string("\0\1\2\3", 4) + Big32(0) + Track()).find("no valid type"),
      std::string::npos);
  EXPECT_NE(Problem("RIFF" + std::string(4, '\0') + "RMID" + "LIST" + Big32(0)).find("no MIDI"),
            std::string::npos);
}

}  // namespace
