// The interpreter as the music module uses it, on SDL's dummy audio driver,
// and every way the music can fail to start without stopping the program.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "platform/mci/mci_errors.h"
#include "platform/mci/mci_interpreter.h"
#include "platform/mci/soundfont_search.h"
#include "platform/midi/standard_midi_file.h"
#include "tests/mci/midi_builder.h"
#include "tests/mci/test_env.h"

namespace yomite::platform::mci {
namespace {

using mci_testing::ScopedEnv;
using mci_testing::ScratchDir;
using mci_testing::TestPiece;
using mci_testing::WriteFile;

// The reply buffer of the music module: 16 blanks, 15 of them declared.
struct ModeReply {
  char16_t buffer[16];
  ModeReply() { std::fill(std::begin(buffer), std::end(buffer), u' '); }
  Text text() const { return Text(buffer, std::find(buffer, buffer + 16, u'\0') - buffer); }
  bool untouched() const {
    return std::all_of(std::begin(buffer), std::end(buffer), [](char16_t c) { return c == u' '; });
  }
};

struct Harness {
  explicit Harness(std::optional<std::vector<std::string>> soundfonts = std::nullopt,
                   bool start_later = false) {
    MciOptions options;
    options.soundfonts = std::move(soundfonts);
    options.start_later = start_later;
    options.report_silence = [this](const std::string& line) { lines.push_back(line); };
    mci = std::make_unique<MciInterpreter>(std::move(options));
  }
  uint32_t Send(const Text& command) { return mci->SendString(command, nullptr, 0); }
  uint32_t Query(const Text& command, ModeReply& reply) {
    return mci->SendString(command, reply.buffer, 15);
  }
  Text Ask(const Text& command) {
    ModeReply reply;
    uint32_t code = Query(command, reply);
    EXPECT_EQ(code, kOk) << ToUtf8(command);
    return reply.text();
  }
  Text OpenCommand(const std::string& path) {
    return u"open \"" + FromUtf8(path) + u"\" alias MIDI";
  }

  std::vector<std::string> lines;
  std::unique_ptr<MciInterpreter> mci;
};

TEST(MciInterpreter, CarriesOutTheMusicModulesConversation) {
  ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
  ScratchDir dir;
  WriteFile(dir.File("bgm.mid"), TestPiece::Bytes());
  Harness h;

  EXPECT_EQ(h.Send(u"close MIDI notify"), kErrInvalidDeviceName);  // nothing open yet
  ASSERT_EQ(h.Send(h.OpenCommand(dir.File("bgm.mid"))), kOk) << ::testing::PrintToString(h.lines);

  ModeReply reply;
  ASSERT_EQ(h.Query(u"status MIDI mode", reply), kOk);
  EXPECT_EQ(reply.text(), u"stopped");
  EXPECT_TRUE(std::all_of(reply.buffer + 8, reply.buffer + 16, [](char16_t c) {
    return c == u' ';
  })) << "wrote past the NUL";
  EXPECT_EQ(h.Ask(u"status MIDI length"), u"1500");
  EXPECT_EQ(h.Ask(u"status MIDI position"), u"0");
  EXPECT_EQ(h.Ask(u"status MIDI ready"), u"true");

  EXPECT_EQ(h.Send(u"play MIDI notify"), kOk);
  EXPECT_EQ(h.Ask(u"status MIDI mode"), u"playing");
  EXPECT_EQ(h.Ask(u"STATUS midi MODE"), u"playing");  // names and keywords in any case
  EXPECT_EQ(h.Send(u"seek MIDI to start"), kOk);
  EXPECT_EQ(h.Ask(u"status MIDI mode"), u"stopped");
  EXPECT_EQ(h.Ask(u"status MIDI position"), u"0");
  EXPECT_EQ(h.Send(u"play MIDI from 0"), kOk);
  EXPECT_EQ(h.Ask(u"status MIDI mode"), u"playing");
  EXPECT_EQ(h.Send(u"pause MIDI"), kOk);
  EXPECT_EQ(h.Ask(u"status MIDI mode"), u"paused");
  EXPECT_EQ(h.Send(u"resume MIDI"), kOk);
  EXPECT_EQ(h.Ask(u"status MIDI mode"), u"playing");
  EXPECT_EQ(h.Send(u"seek MIDI to 1000"), kOk);
  EXPECT_EQ(h.Ask(u"status MIDI position"), u"1000");
  EXPECT_EQ(h.Send(u"seek MIDI to end"), kOk);
  EXPECT_EQ(h.Ask(u"status MIDI position"), u"1500");
  EXPECT_EQ(h.Send(u"stop MIDI wait"), kOk);

  // Out of range, wrong names, and what the one sequencer cannot do.
  EXPECT_EQ(h.Send(u"play MIDI from 1501"), kErrOutOfRange);
  EXPECT_EQ(h.Send(u"play MIDI from 1000 to 500"), kErrOutOfRange);
  EXPECT_EQ(h.Send(u"seek MIDI to 9999"), kErrOutOfRange);
  EXPECT_EQ(h.Send(u"play MIDI sideways"), kErrUnrecognizedKeyword);
  EXPECT_EQ(h.Send(u"play BGM sideways"), kErrInvalidDeviceName);  // the device comes first
  EXPECT_EQ(h.Send(u"record MIDI"), kErrUnsupportedFunction);
  EXPECT_EQ(h.Send(u"status MIDI mode"), kErrParamOverflow);  // a query needs a buffer
  ModeReply unknown;
  EXPECT_EQ(h.Query(u"status BGM mode", unknown), kErrInvalidDeviceName);
  EXPECT_TRUE(unknown.untouched());
  EXPECT_EQ(h.Send(h.OpenCommand(dir.File("bgm.mid"))), kErrDuplicateAlias);
  EXPECT_EQ(h.Send(u"open \"" + FromUtf8(dir.File("bgm.mid")) + u"\" alias midi"),
            kErrDuplicateAlias);
  EXPECT_EQ(h.Send(u"open \"" + FromUtf8(dir.File("bgm.mid")) + u"\" alias other"),
            kErrSeqPortInUse);
  EXPECT_EQ(h.Ask(u"status MIDI mode"), u"stopped");  // the failed opens left it alone

  EXPECT_EQ(h.Send(u"close MIDI notify"), kOk);
  ModeReply closed;
  EXPECT_EQ(h.Query(u"status MIDI mode", closed), kErrInvalidDeviceName);
  EXPECT_TRUE(closed.untouched());
  EXPECT_EQ(h.Send(u"close MIDI notify"), kErrInvalidDeviceName);

  // Open again after close, under an alias given in another case.
  ASSERT_EQ(h.Send(u"open \"" + FromUtf8(dir.File("bgm.mid")) + u"\" type sequencer alias Midi"),
            kOk);
  EXPECT_EQ(h.Ask(u"status MIDI mode"), u"stopped");
  EXPECT_EQ(h.Send(u"close all"), kOk);
  EXPECT_EQ(h.Send(u"status midi mode"), kErrInvalidDeviceName);
  EXPECT_TRUE(h.lines.empty()) << h.lines.front();
}

// The longest piece the reader takes, a little under a day: its length and
// positions in milliseconds, exact to the millisecond past 2^32 frames.
TEST(MciInterpreter, ADayLongPieceKeepsItsPositionsInMilliseconds) {
  ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
  ScratchDir dir;
  // 5,100 quarters of 16.777215 s: 85,563,796.5 ms.
  mci_testing::TrackBuilder track;
  track.Tempo(0, 0xFFFFFF).Event(0, {0xC0, 0}).EndOfTrack(5100);
  WriteFile(dir.File("bgm.mid"), mci_testing::BuildMidiFile(0, 1, {track}));
  Harness h;
  const uint32_t opened = h.Send(h.OpenCommand(dir.File("bgm.mid")));
  if (opened == kErrSeqNoMidiPresent) GTEST_SKIP() << h.lines.front();
  ASSERT_EQ(opened, kOk) << ::testing::PrintToString(h.lines);
  EXPECT_EQ(h.Ask(u"status MIDI length"), u"85563796");
  for (const char16_t* at : {u"85563000", u"4294968", u"85563796"}) {
    EXPECT_EQ(h.Send(u"seek MIDI to " + Text(at)), kOk);
    EXPECT_EQ(h.Ask(u"status MIDI position"), at);
  }
  EXPECT_EQ(h.Send(u"seek MIDI to 85563797"), kErrOutOfRange);
  EXPECT_EQ(h.Send(u"play MIDI from 85563700"), kOk);
  EXPECT_EQ(h.Ask(u"status MIDI mode"), u"playing");
}

TEST(MciInterpreter, FindsTheFileWhateverTheCaseOfItsName) {
  ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
  ScratchDir dir;
  WriteFile(dir.File("BGM.MID"), TestPiece::Bytes());
  Harness h;
  EXPECT_EQ(h.Send(h.OpenCommand(dir.File("bgm.mid"))), kOk);
  EXPECT_EQ(h.Send(u"open \"" + FromUtf8(dir.File("bgm.mid")) + u"\" type waveaudio alias W"),
            kErrCannotLoadDriver);
}

struct SilentCase {
  const char* name;
  uint32_t error;
  const char* says;  // a part of the one line
  std::function<void(const ScratchDir&)> prepare;
  std::function<std::optional<std::vector<std::string>>(const ScratchDir&)> soundfonts =
      [](const ScratchDir&) { return std::nullopt; };
  const char* sdl_soundfonts = nullptr;
  const char* audio_driver = "dummy";
};

void WritePiece(const ScratchDir& dir) { WriteFile(dir.File("bgm.mid"), TestPiece::Bytes()); }

std::vector<SilentCase> SilentCases() {
  return {
      {"missing file", kErrFileNotFound, "was not found", [](const ScratchDir&) {}},
      {"a folder named bgm.mid", kErrFileNotFound, "is a folder",
       [](const ScratchDir& d) { std::filesystem::create_directory(d.File("bgm.mid")); }},
      // Only a regular file is opened: a FIFO would block the open for ever.
      {"a FIFO named bgm.mid", kErrFileNotFound, "is a FIFO",
       [](const ScratchDir& d) { ASSERT_EQ(::mkfifo(d.File("bgm.mid").c_str(), 0600), 0); }},
      {"text file named bgm.mid", kErrInvalidFile, "is not a MIDI file",
       [](const ScratchDir& d) {
         WriteFile(d.File("bgm.mid"), {'M', 'u', 's', 'i', 'c', ' ', 'h', 'e', 'r', 'e', '\n'});
       }},
      {"empty file", kErrInvalidFile, "is not a MIDI file",
       [](const ScratchDir& d) { WriteFile(d.File("bgm.mid"), {}); }},
      {"truncated MIDI", kErrInvalidFile, "truncated",
       [](const ScratchDir& d) {
         std::vector<uint8_t> bytes = TestPiece::Bytes();
         bytes.resize(bytes.size() * 2 / 3);
         WriteFile(d.File("bgm.mid"), bytes);
       }},
      {"no soundfont where we are told to look", kErrSeqNoMidiPresent, "none.sf2", WritePiece,
       [](const ScratchDir& d) { return std::vector<std::string>{d.File("none.sf2")}; }},
      {"a soundfont that is not one", kErrSeqNoMidiPresent, "no General MIDI soundfont",
       [](const ScratchDir& d) {
         WritePiece(d);
         WriteFile(d.File("fake.sf2"), {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
       },
       [](const ScratchDir& d) { return std::vector<std::string>{d.File("fake.sf2")}; }},
      {"a soundfont cut off after its header", kErrSeqNoMidiPresent, "could be loaded",
       [](const ScratchDir& d) {
         WritePiece(d);
         WriteFile(d.File("cut.sf2"), {'R', 'I', 'F', 'F', 0, 0, 1, 0, 's', 'f', 'b', 'k'});
       },
       [](const ScratchDir& d) { return std::vector<std::string>{d.File("cut.sf2")}; }},
      // A soundfont is a file like any other: a FIFO would block the
      // program, a sparse giant would be read header by header.
      {"a FIFO named as the soundfont", kErrSeqNoMidiPresent, "gm.sf2 is a FIFO",
       [](const ScratchDir& d) {
         WritePiece(d);
         ASSERT_EQ(::mkfifo(d.File("gm.sf2").c_str(), 0600), 0);
       },
       [](const ScratchDir& d) { return std::vector<std::string>{d.File("gm.sf2")}; }},
      {"a folder named as the soundfont", kErrSeqNoMidiPresent, "gm.sf2 is a folder",
       [](const ScratchDir& d) {
         WritePiece(d);
         std::filesystem::create_directory(d.File("gm.sf2"));
       },
       [](const ScratchDir& d) { return std::vector<std::string>{d.File("gm.sf2")}; }},
      {"a soundfont over 1 GB", kErrSeqNoMidiPresent, "gm.sf2 is larger than 1024 MB",
       [](const ScratchDir& d) {
         WritePiece(d);
         WriteFile(d.File("gm.sf2"), {'R', 'I', 'F', 'F', 0, 0, 0, 0x40, 's', 'f', 'b', 'k'});
         std::filesystem::resize_file(d.File("gm.sf2"), kMaxSoundFontBytes + 1);
       },
       [](const ScratchDir& d) { return std::vector<std::string>{d.File("gm.sf2")}; }},
      {"SDL_SOUNDFONTS names nothing", kErrSeqNoMidiPresent, "/nowhere/gm.sf2", WritePiece,
       [](const ScratchDir&) { return std::nullopt; }, "/nowhere/gm.sf2"},
  };
}

// Started at once, "open" fails with the case's code. Started later, what
// can be known without loading the soundfont still fails the open; the
// rest fails when the start comes, and the device is gone the same way.
TEST(MciInterpreter, EveryFailureLeavesSilenceOneLineAndNoStoppedMode) {
  for (bool later : {false, true}) {
    for (const SilentCase& c : SilentCases()) {
      SCOPED_TRACE(std::string(c.name) + (later ? ", started later" : ""));
      ScopedEnv driver("SDL_AUDIODRIVER", c.audio_driver);
      ScopedEnv soundfonts("SDL_SOUNDFONTS", c.sdl_soundfonts);
      ScratchDir dir;
      c.prepare(dir);
      Harness h(c.soundfonts(dir), later);
      EXPECT_EQ(h.Send(u"close MIDI notify"), kErrInvalidDeviceName);
      uint32_t opened = h.Send(h.OpenCommand(dir.File("bgm.mid")));
      if (later && opened == kOk) {
        EXPECT_EQ(c.error, kErrSeqNoMidiPresent);
        EXPECT_TRUE(h.lines.empty());
        EXPECT_EQ(h.Send(u"play MIDI notify"), kOk);
        h.mci->StartPending();
      } else {
        EXPECT_EQ(opened, c.error);
      }
      ASSERT_EQ(h.lines.size(), 1u);
      EXPECT_EQ(h.lines[0].rfind("yomite: music is silent: ", 0), 0u) << h.lines[0];
      EXPECT_NE(h.lines[0].find(c.says), std::string::npos) << h.lines[0];
      EXPECT_EQ(h.lines[0].find('\n'), std::string::npos);

      EXPECT_EQ(h.Send(u"play MIDI notify"), kErrInvalidDeviceName);
      for (int tick = 0; tick < 3; ++tick) {
        ModeReply reply;
        EXPECT_NE(h.Query(u"status MIDI mode", reply), kOk);
        EXPECT_TRUE(reply.untouched());
      }
      EXPECT_EQ(h.Send(u"seek MIDI to start"), kErrInvalidDeviceName);
      EXPECT_EQ(h.Send(u"play MIDI from 0"), kErrInvalidDeviceName);
      EXPECT_EQ(h.Send(u"close MIDI notify"), kErrInvalidDeviceName);
      h.mci->StartPending();
      EXPECT_EQ(h.lines.size(), 1u);  // the later failures say nothing more
    }
  }
}

// Without an audio device the music is one line, but the device obeys
// every command and stands still, waiting for a device to appear.
TEST(MciInterpreter, NoAudioDeviceIsOneLineAndTheDeviceStillObeys) {
  for (bool later : {false, true}) {
    SCOPED_TRACE(later ? "started later" : "started at once");
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-audio-driver");
    ScratchDir dir;
    WritePiece(dir);
    Harness h(std::nullopt, later);
    const uint32_t opened = h.Send(h.OpenCommand(dir.File("bgm.mid")));
    if (opened == kErrSeqNoMidiPresent) GTEST_SKIP() << h.lines.front();
    ASSERT_EQ(opened, kOk);
    h.mci->StartPending();
    ASSERT_EQ(h.lines.size(), 1u);
    EXPECT_EQ(h.lines[0].rfind("yomite: music is silent: no audio output", 0), 0u) << h.lines[0];
    EXPECT_EQ(h.Send(u"play MIDI notify"), kOk);
    EXPECT_EQ(h.Ask(u"status MIDI mode"), u"playing");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(h.Ask(u"status MIDI position"), u"0");
    EXPECT_EQ(h.Send(u"seek MIDI to 700"), kOk);
    EXPECT_EQ(h.Ask(u"status MIDI position"), u"700");
    EXPECT_EQ(h.Send(u"close MIDI notify"), kOk);
    EXPECT_EQ(h.lines.size(), 1u);
  }
}

// The player shows its first page before it loads the soundfont: until the
// start, the device answers as it would, plays nothing and keeps its place.
TEST(MciInterpreter, AStartLeftForLaterKeepsEveryCommandsEffect) {
  ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
  ScratchDir dir;
  WritePiece(dir);
  Harness h(std::nullopt, /*start_later=*/true);
  ASSERT_EQ(h.Send(h.OpenCommand(dir.File("bgm.mid"))), kOk);
  EXPECT_EQ(h.Ask(u"status MIDI length"), u"1500");
  EXPECT_EQ(h.Send(u"play MIDI notify"), kOk);
  EXPECT_EQ(h.Ask(u"status MIDI mode"), u"playing");
  EXPECT_EQ(h.Send(u"seek MIDI to 500"), kOk);
  EXPECT_EQ(h.Send(u"play MIDI"), kOk);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(h.Ask(u"status MIDI position"), u"500");  // nothing plays yet

  h.mci->StartPending();
  EXPECT_TRUE(h.lines.empty()) << h.lines.front();
  EXPECT_EQ(h.Ask(u"status MIDI mode"), u"playing");
  // The dummy driver pulls audio in real time: the piece goes on from 500
  // and ends at 1500 as it would have.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (h.Ask(u"status MIDI mode") == u"playing" && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(h.Ask(u"status MIDI mode"), u"stopped");
  EXPECT_EQ(h.Ask(u"status MIDI position"), u"1500");
  h.mci->StartPending();  // a second call has nothing left to do
  EXPECT_EQ(h.Send(u"close MIDI notify"), kOk);

  // Closed before its start: nothing is left to start.
  ASSERT_EQ(h.Send(h.OpenCommand(dir.File("bgm.mid"))), kOk);
  EXPECT_EQ(h.Send(u"close MIDI notify"), kOk);
  h.mci->StartPending();
  EXPECT_EQ(h.Send(u"status MIDI mode"), kErrInvalidDeviceName);
  EXPECT_TRUE(h.lines.empty());
}

TEST(MciInterpreter, WritesItsOneLineToStandardErrorAndNothingElse) {
  ScratchDir dir;
  WritePiece(dir);
  // Opens the piece with the soundfonts given and returns the status code
  // and all that reached standard error.
  auto open = [&](std::optional<std::vector<std::string>> soundfonts) {
    MciOptions options;
    options.soundfonts = std::move(soundfonts);
    MciInterpreter mci(options);
    ::testing::internal::CaptureStderr();
    uint32_t code =
        mci.SendString(u"open \"" + FromUtf8(dir.File("bgm.mid")) + u"\" alias MIDI", nullptr, 0);
    return std::make_pair(code, ::testing::internal::GetCapturedStderr());
  };
  {
    // No soundfont: the whole of standard error is our line.
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    auto [code, err] = open(std::vector<std::string>{dir.File("none.sf2")});
    EXPECT_EQ(code, kErrSeqNoMidiPresent);
    EXPECT_EQ(err, "yomite: music is silent: no General MIDI soundfont found (looked in " +
                       dir.File("none.sf2") + ")\n");
  }
  {
    // A damaged soundfont: FluidSynth's and its loader's own complaints
    // (GLib's "CRITICAL" lines among them) stay off the terminal.
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    WriteFile(dir.File("cut.sf2"), {'R', 'I', 'F', 'F', 0, 0, 1, 0, 's', 'f', 'b', 'k'});
    auto [code, err] = open(std::vector<std::string>{dir.File("cut.sf2")});
    EXPECT_EQ(code, kErrSeqNoMidiPresent);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(err.rfind("yomite: music is silent: no General MIDI soundfont could be loaded (" +
                            dir.File("cut.sf2"),
                        0),
              0u)
        << err;
  }
  {
    // The machine's own audio: on a machine without a sound card the audio
    // libraries' complaints must not reach standard error, only our line.
    ScopedEnv driver("SDL_AUDIODRIVER", nullptr);
    ScopedEnv server("PULSE_SERVER", "unix:/nonexistent/pulse");
    auto [code, err] = open(std::nullopt);
    // A device or not, the music is open; without one, our line is all.
    EXPECT_EQ(code, kOk);
    if (!err.empty()) {
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
      EXPECT_EQ(err.rfind("yomite: music is silent: no audio output", 0), 0u) << err;
    }
  }
}

// The worst music the reader lets through, played as the music module
// plays it on the device's own audio thread: the drop is said once, and
// closing does not wait for the flood.
TEST(MciInterpreter, AFloodOfNotesIsReportedOnceAndClosesAtOnce) {
  ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
  ScratchDir dir;
  WriteFile(dir.File("bgm.mid"), mci_testing::NoteFlood(platform::midi::kMaxMidiEvents - 1, 0));
  Harness h;
  const uint32_t opened = h.Send(h.OpenCommand(dir.File("bgm.mid")));
  if (opened == kErrSeqNoMidiPresent) GTEST_SKIP() << h.lines.front();
  ASSERT_EQ(opened, kOk) << ::testing::PrintToString(h.lines);
  ASSERT_EQ(h.Send(u"play MIDI notify"), kOk);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  int restarts = 0;
  while (std::chrono::steady_clock::now() < until) {
    if (h.Ask(u"status MIDI mode") == u"stopped") {
      ++restarts;
      h.Send(u"seek MIDI to start");
      h.Send(u"play MIDI from 0");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_GT(restarts, 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(h.Send(u"close MIDI notify"), kOk);
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::printf("closing the flood took %.1f ms after %d restarts\n", took.count(), restarts);
  RecordProperty("close_ms", std::to_string(took.count()));
  EXPECT_LT(took, std::chrono::seconds(1));
  ASSERT_EQ(h.lines.size(), 1u) << ::testing::PrintToString(h.lines);
  EXPECT_EQ(h.lines[0],
            "yomite: music plays without some of its events: more than 512 fell due within 256 "
            "frames");
}

}  // namespace
}  // namespace yomite::platform::mci
