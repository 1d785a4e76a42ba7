// Bad input, as a player meets it: each row builds its own data folder,
// plays it as the player would and states the outcome, either the story
// playing on or the run-time error with its number, message and place.
// None may crash or hang.
//
// Each malformed-line class has one row here; tests/engine_test.cpp
// (MalformedLine) has every variant of each.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sstream>

#include "base/runtime_error.h"
#include "tests/matrix/matrix_player.h"
#include "tests/support/story_builder.h"

namespace fs = std::filesystem;
using namespace yomite;
using namespace yomite::testing;
using namespace std::string_literals;

namespace {

// Pictures made here with TurboJPEG.

enum class Kind { kBaseline, kProgressive, kGrey, kCmyk };

constexpr int kPictureW = 64;
constexpr int kPictureH = 48;

// A picture of four quadrants: red, green, blue and white.
std::string MakeJpeg(Kind kind) {
  const int channels = kind == Kind::kGrey ? 1 : kind == Kind::kCmyk ? 4 : 3;
  std::vector<unsigned char> px(size_t(kPictureW) * kPictureH * channels);
  for (int y = 0; y < kPictureH; ++y) {
    for (int x = 0; x < kPictureW; ++x) {
      const int q = (y >= kPictureH / 2) * 2 + (x >= kPictureW / 2);
      static const unsigned char kRgb[4][3] = {
          {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
      unsigned char* p = &px[(size_t(y) * kPictureW + x) * channels];
      if (kind == Kind::kGrey) {
        p[0] = static_cast<unsigned char>(q * 80);
      } else if (kind == Kind::kCmyk) {
        // Inverted inks as Adobe stores them: 255 is no ink.
        for (int i = 0; i < 3; ++i) p[i] = kRgb[q][i];
        p[3] = 255;
      } else {
        for (int i = 0; i < 3; ++i) p[i] = kRgb[q][i];
      }
    }
  }
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int format = kind == Kind::kGrey ? TJPF_GRAY : kind == Kind::kCmyk ? TJPF_CMYK : TJPF_RGB;
  const int sampling = kind == Kind::kGrey ? TJSAMP_GRAY : TJSAMP_444;
  const int flags = kind == Kind::kProgressive ? TJFLAG_PROGRESSIVE : 0;
  const int rc =
      tjCompress2(tj, px.data(), kPictureW, 0, kPictureH, format, &out, &size, sampling, 95, flags);
  std::string bytes = rc == 0 ? std::string(reinterpret_cast<char*>(out), size) : std::string();
  tjFree(out);
  tjDestroy(tj);
  if (rc != 0) ADD_FAILURE() << "tjCompress2 failed";
  return bytes;
}

// Rewrites the size in the first frame header.
std::string WithDeclaredSize(std::string jpeg, int width, int height) {
  for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
    const auto m = static_cast<unsigned char>(jpeg[i + 1]);
    if (jpeg[i] == '\xFF' && (m == 0xC0 || m == 0xC2)) {
      jpeg[i + 5] = static_cast<char>(height >> 8);
      jpeg[i + 6] = static_cast<char>(height & 0xFF);
      jpeg[i + 7] = static_cast<char>(width >> 8);
      jpeg[i + 8] = static_cast<char>(width & 0xFF);
      return jpeg;
    }
  }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::string Sjis(const std::string& utf8) { return ScriptBytes(utf8); }

// What a row expects.
struct Outcome {
  int error = 0;        // 0: the story plays on
  std::string message;  // the whole message of the error
  std::string file;     // where it happened; empty when no script was open
  long line = 0;
};

Outcome Plays() { return {}; }
Outcome Fails(int number, std::string message, std::string file = {}, long line = 0) {
  return {number, std::move(message), std::move(file), line};
}

struct Row {
  using Make = std::function<void(const fs::path& dat)>;
  using Step = std::function<void(Player&)>;
  Row(const char* name, Make make, Step play, Outcome expect, Step then = {},
      bool unprivileged = false)
      : name(name),
        make(std::move(make)),
        play(std::move(play)),
        expect(std::move(expect)),
        then(std::move(then)),
        unprivileged(unprivileged) {}

  const char* name;
  Make make;
  Step play;  // after start-up; may be empty
  Outcome expect;
  Step then;          // more checks when it plays on
  bool unprivileged;  // run as a user the file modes apply to
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

// Plays a row and reports what happened.
Outcome PlayRow(const Row& row, const fs::path& dat, std::unique_ptr<Player>& p) {
  p = std::make_unique<Player>(dat);
  try {
    p->Start();
    if (row.play) row.play(*p);
    return Plays();
  } catch (const RuntimeError& e) {
    ScriptLocation at = p->fom.Location();
    return {e.number(), e.message(), ToUtf8(at.file), at.line};
  }
}

// The same in a child process that has given up root, so that file modes
// apply; nullopt (with the reason) when that is not possible here.
std::optional<Outcome> RunUnprivileged(const Row& row, const fs::path& dat, std::string& why) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) {
    why = "pipe failed";
    return std::nullopt;
  }
  pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    std::string report;
    const uid_t nobody = 65534;
    if (setgid(nobody) != 0 || setuid(nobody) != 0) {
      report = std::string("Scannot give up root here: ") + std::strerror(errno);
    } else if (access((dat / "opn.dat").c_str(), R_OK) != 0) {
      // A temp folder inside one that only root may enter.
      report = "S" + dat.string() + " is out of an unprivileged user's reach";
    } else {
      std::unique_ptr<Player> p;
      Outcome o = PlayRow(row, dat, p);
      report = "R" + std::to_string(o.error) + "\n" + o.message + "\n" + o.file + "\n" +
               std::to_string(o.line);
    }
    ssize_t ignored = write(pipe_fds[1], report.data(), report.size());
    (void)ignored;
    _exit(0);
  }
  close(pipe_fds[1]);
  std::string report;
  char buf[4096];
  for (ssize_t n; (n = read(pipe_fds[0], buf, sizeof buf)) > 0;) report.append(buf, size_t(n));
  close(pipe_fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (report.empty() || report[0] == 'S') {
    why = report.empty() ? "the unprivileged run gave no report" : report.substr(1);
    return std::nullopt;
  }
  Outcome o;
  std::istringstream in(report.substr(1));
  std::string number, line;
  std::getline(in, number);
  std::getline(in, o.message);
  std::getline(in, o.file);
  std::getline(in, line);
  o.error = std::stoi(number);
  o.line = std::stol(line);
  return o;
}

std::string Lines(std::initializer_list<const char*> lines) {
  std::string bytes;
  for (const char* l : lines) bytes += Sjis(l) + "\r\n";
  return bytes;
}

void Opn(const fs::path& dat, const std::string& bytes) { WriteFile(dat / "opn.dat", bytes); }

void Click(Player& p) { p.mouse.Click(&p.w.Lbl, ui::kLeftButton); }

void RunOn(Player& p) {
  p.backend.Tick(p.w.TimLbl, 1000);
  p.Rethrow();
}

// The picture area shows picture p.jpg at its size.
void ShowsPicture(Player& p, const char* source = "p.jpg") {
  ASSERT_FALSE(p.w.Img.Paintings().empty());
  const auto& painting = p.w.Img.Paintings().back();
  EXPECT_EQ(ToUtf8(painting.source), source);
  ASSERT_TRUE(painting.picture);
  EXPECT_EQ(painting.picture->width, kPictureW);
  EXPECT_EQ(painting.picture->height, kPictureH);
}

// The colour of the decoded picture in the middle of each quadrant, each
// channel within tolerance (JPEG is lossy).
void QuadrantsAre(Player& p, std::array<uint32_t, 4> expected) {
  const auto& pic = *p.w.Img.Paintings().back().picture;
  ASSERT_EQ(pic.pixels.size(), size_t(pic.width) * pic.height);
  for (int q = 0; q < 4; ++q) {
    const int x = (q & 1) ? pic.width * 3 / 4 : pic.width / 4;
    const int y = (q & 2) ? pic.height * 3 / 4 : pic.height / 4;
    const uint32_t got = pic.pixels[size_t(y) * pic.width + x];
    for (int shift : {16, 8, 0}) {
      const int a = (got >> shift) & 0xFF, b = (expected[q] >> shift) & 0xFF;
      EXPECT_NEAR(a, b, 12) << "quadrant " << q << " pixel " << std::hex << got;
    }
    EXPECT_EQ(got >> 24, 0u);
  }
}

// After the end nothing runs: no timer, click or music tick reaches the
// story, and it has closed its script and its music.
void NothingRunsAfterTheEnd(Player& p) {
  ASSERT_TRUE(p.w.Fom.Ended());
  EXPECT_EQ(p.files.open_now, 0) << "the script was left open";
  ASSERT_FALSE(p.media_log.empty());
  EXPECT_EQ(p.media_log.back(), "mci close MIDI notify") << "the music was not closed last";
  const long reads = p.files.reads, opens = p.files.opens;
  const size_t media = p.media_log.size();
  const Text caption = p.w.Lbl.Caption();
  const GameState before = p.s();
  p.w.TimLbl.Tick();
  p.w.BgmTim.Tick();
  p.mouse.Click(&p.w.Lbl, ui::kLeftButton);
  p.mouse.Click(&p.w.Lbl, ui::kRightButton);
  p.mouse.Click(&p.w.ClickMe, ui::kLeftButton);
  p.mouse.Click(&p.w.QstCom(0), ui::kLeftButton);
  p.mouse.Click(&p.w.Img, ui::kLeftButton);
  EXPECT_EQ(p.files.reads, reads);
  EXPECT_EQ(p.files.opens, opens);
  EXPECT_EQ(p.media_log.size(), media);
  EXPECT_EQ(p.w.Lbl.Caption(), caption);
  EXPECT_EQ(p.s().CurLine, before.CurLine);
  EXPECT_EQ(p.s().DayCnt, before.DayCnt);
  EXPECT_TRUE(p.backend.message_boxes().empty());
}

const std::string kCutMessage = "Invalid procedure call or argument: cut of length -1";

std::vector<Row> Rows() {
  std::vector<Row> rows;
  auto add = [&](Row r) { rows.push_back(std::move(r)); };

  // --- Malformed lines: one of each class.
  add({"LineTooShortForItsCut",
       [](auto& d) {
         Opn(d, Lines({"一", ">img"}));
       },
       Click, Fails(5, kCutMessage, "opn.dat", 2)});
  add({"EmptyFlag",
       [](auto& d) { Opn(d, Lines({">on>"})); },
       {},
       Fails(5, "Invalid procedure call or argument: empty flag", "opn.dat", 1)});
  add({"FlagOutOfRange",
       [](auto& d) { Opn(d, Lines({">off>澪"})); },
       {},
       Fails(9, "Subscript out of range: flag character 澪 (U+6FAA) has number -8103", "opn.dat",
             1)});
  add({"MissingScript",
       [](auto& d) {
         Opn(d, Lines({"一", ">ive>nowhere"}));
       },
       Click, Fails(53, "File not found: nowhere.dat", "opn.dat", 2)});
  add({"MissingPicture",
       [](auto& d) { Opn(d, Lines({">img>nowhere"})); },
       {},
       Fails(53, "File not found: nowhere.jpg", "opn.dat", 1)});

  // --- Folders and files.
  add({"NoDatFolder",
       [](auto& d) { fs::remove_all(d); },
       {},
       Fails(53, "File not found: opn.dat")});
  add({"NoOpeningScript",
       [](auto& d) {
         WriteFile(d / "0_0.dat", Lines({"一"}));
         WriteFile(d / "opn.dat.bak", Lines({"一"}));
         WriteFile(d / "opn", Lines({"一"}));
       },
       {},
       Fails(53, "File not found: opn.dat")});
  add({"OpeningScriptIsAFolder",
       [](auto& d) { fs::create_directory(d / "opn.dat"); },
       {},
       Fails(75, "Path/File access error: opn.dat is a folder")});
  add({"PictureIsAFolder",
       [](auto& d) {
         fs::create_directory(d / "p.jpg");
         Opn(d, Lines({">img>p"}));
       },
       {},
       Fails(75, "Path/File access error: p.jpg is a folder", "opn.dat", 1)});
  add({"UnreadableScript",
       [](auto& d) {
         // The unprivileged user must reach the folder.
         fs::permissions(d, fs::perms::all);
         fs::permissions(d.parent_path(), fs::perms::others_exec, fs::perm_options::add);
         Opn(d, Lines({"一", ">ive>locked"}));
         WriteFile(d / "locked.dat", Lines({"二"}));
         fs::permissions(d / "locked.dat", fs::perms::none);
       },
       Click,
       Fails(70, "Permission denied: locked.dat", "opn.dat", 2),
       {},
       true});

  // --- Script contents.
  add({"EmptyScript",
       [](auto& d) { Opn(d, ""); },
       {},
       Plays(),
       [](Player& p) {
         EXPECT_EQ(p.w.Lbl.Caption(), u"");
         EXPECT_EQ(p.s().QstMode, kTrue);
         EXPECT_TRUE(p.w.QstCom(0).Visible() && p.w.QstCom(1).Visible());
       }});
  add({"TenMegabyteLine",
       [](auto& d) {
         std::string line;
         line.reserve(10 << 20);
         for (int i = 0; i < (5 << 20); ++i) line += "\x82\xA0";  // あ
         Opn(d, line + "\r\n" + Sjis("次"));
       },
       {},
       Plays(),
       [](Player& p) {
         ASSERT_EQ(p.w.Lbl.Caption().size(), size_t(5) << 20);
         EXPECT_EQ(p.w.Lbl.Caption().find_first_not_of(u'あ'), Text::npos);
         RunOn(p);
         EXPECT_TRUE(p.w.Lbl.Caption().ends_with(u"あ\r\n次"));
         EXPECT_EQ(p.s().QstMode, kTrue);
       }});
  add({"NulBytesInLines", [](auto& d) { Opn(d, "a\0b\r\n>on>\0\r\n>i\0ve>x\r\n\0"s); }, RunOn,
       Plays(),
       [](Player& p) {
         EXPECT_EQ(p.s().Flags[0], kTrue) << "NUL is the flag of number 0";
         EXPECT_EQ(p.w.Lbl.Caption(), u"a\0b\r\n>i\0ve>x\r\n\0"s)
             << "a NUL inside a keyword hides it";
       }});
  add({"TruncatedShiftJis", [](auto& d) { Opn(d, Sjis("あ") + "\x82\r\n" + Sjis("い") + "\x82"); },
       RunOn, Plays(),
       [](Player& p) {
         EXPECT_EQ(p.w.Lbl.Caption(), u"あ〓\r\nい〓") << "a lead byte with no trail byte";
       }});
  add({"InvalidShiftJis",
       [](auto& d) { Opn(d, "\xA0\xFD\xFE\xFF|\x85\x40|\x81\x7F|" + Sjis("澪")); },
       {},
       Plays(),
       [](Player& p) { EXPECT_EQ(p.w.Lbl.Caption(), u"〓〓〓〓|〓@|〓\x7F|澪"); }});
  add({"InvalidByteAsFlag",
       [](auto& d) { Opn(d, ">on>\xFF\r\n"); },
       {},
       Fails(9, "Subscript out of range: flag character 〓 (U+3013) has number -32340", "opn.dat",
             1)});

  // --- Pictures.
  add({"PictureIsText",
       [](auto& d) {
         WriteFile(d / "p.jpg", "this is a text file\r\n");
         Opn(d, Lines({">img>p"}));
       },
       {},
       Fails(481, "Invalid picture: p.jpg", "opn.dat", 1)});
  add({"PictureCutInItsHeader",
       [](auto& d) {
         WriteFile(d / "p.jpg", MakeJpeg(Kind::kBaseline).substr(0, 100));
         Opn(d, Lines({">img>p"}));
       },
       {},
       Fails(481, "Invalid picture: p.jpg", "opn.dat", 1)});
  add({"PictureCutInItsData",
       [](auto& d) {
         // Half of the entropy-coded data after the scan header is kept.
         std::string jpeg = MakeJpeg(Kind::kBaseline);
         const size_t sos = jpeg.find("\xFF\xDA");
         ASSERT_NE(sos, std::string::npos);
         const size_t data = sos + 2 + ((uint8_t(jpeg[sos + 2]) << 8) | uint8_t(jpeg[sos + 3]));
         WriteFile(d / "p.jpg", jpeg.substr(0, data + (jpeg.size() - data) / 2));
         Opn(d, Lines({">img>p", "絵"}));
       },
       {},
       Plays(),
       [](Player& p) {
         ShowsPicture(p);
         EXPECT_EQ(p.w.Lbl.Caption(), u"絵");
         // What the data held is there: the top rows come first.
         const auto& pic = *p.w.Img.Paintings().back().picture;
         const uint32_t top_left = pic.pixels[size_t(kPictureH / 8) * pic.width + kPictureW / 4];
         EXPECT_GT((top_left >> 16) & 0xFF, 230u) << std::hex << top_left;
         EXPECT_LT(top_left & 0xFFFF, 0x1A1Au) << std::hex << top_left;
       }});
  add({"ProgressivePicture",
       [](auto& d) {
         WriteFile(d / "p.jpg", MakeJpeg(Kind::kProgressive));
         Opn(d, Lines({">img>p", "絵"}));
       },
       {},
       Plays(),
       [](Player& p) {
         ShowsPicture(p);
         QuadrantsAre(p, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
       }});
  add({"GreyPicture",
       [](auto& d) {
         WriteFile(d / "p.jpg", MakeJpeg(Kind::kGrey));
         Opn(d, Lines({">img>p", "絵"}));
       },
       {},
       Plays(),
       [](Player& p) {
         ShowsPicture(p);
         QuadrantsAre(p, {0x000000, 0x505050, 0xA0A0A0, 0xF0F0F0});
       }});
  add({"CmykPicture",
       [](auto& d) {
         WriteFile(d / "p.jpg", MakeJpeg(Kind::kCmyk));
         Opn(d, Lines({">on>k", ">oimg>p>sw>k", "絵"}));
         fs::copy_file(d / "p.jpg", d / "3.jpg");
       },
       {},
       Plays(),
       [](Player& p) {
         ShowsPicture(p, "3.jpg");
         QuadrantsAre(p, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
       }});
  // The decoder refuses a picture it cannot hold before it takes any memory
  // for the pixels (30000 x 30000 would be 3.6 GB).
  for (auto [name, side] :
       {std::pair{"PictureOf30000By30000", 30000}, std::pair{"PictureOf16000By16000", 16000}}) {
    const int s = side;
    add({name,
         [s](auto& d) {
           WriteFile(d / "p.jpg", WithDeclaredSize(MakeJpeg(Kind::kBaseline), s, s));
           Opn(d, Lines({">img>p", "絵"}));
         },
         {},
         Fails(481,
               "Invalid picture: p.jpg is too large (" + std::to_string(s) + " x " +
                   std::to_string(s) + " pixels; at most 16384 on a side and 50 million in all)",
               "opn.dat", 1)});
  }

  // --- Endless stories.
  add({"JumpCycleWithoutProse",
       [](auto& d) {
         Opn(d, Lines({">ive>a"}));
         WriteFile(d / "a.dat", Lines({">on>x", ">ive>b"}));
         WriteFile(d / "b.dat", Lines({">off>x", ">ive>a"}));
       },
       {},
       Fails(28,
             "Out of stack space: more than 100000 scripts opened without showing a line of text",
             "a.dat", 2)});
  add({"FastForwardThroughAProseCycle",
       [](auto& d) {
         Opn(d, Lines({">ive>a"}));
         WriteFile(d / "a.dat", Lines({"一", ">p", ">ive>b"}));
         WriteFile(d / "b.dat", Lines({"二", "三", ">ive>a"}));
       },
       [](Player& p) { p.mouse.Click(&p.w.Lbl, ui::kRightButton); }, Plays(),
       [](Player& p) {
         EXPECT_GE(p.files.opens, ActionBudget::kLimits.opens / 2) << "the loop ended early";
         // The right click's own click step follows the bound: the game
         // goes on from wherever the loop stopped.
         const long reads = p.files.reads;
         Click(p);
         EXPECT_GT(p.files.reads, reads);
         EXPECT_EQ(p.s().QstMode, kFalse);
       }});

  // --- A close request in the middle of a handler.
  add({"CloseDuringAFastForward",
       [](auto& d) {
         std::string s;
         for (int i = 0; i < 40; ++i) s += Sjis("行" + std::to_string(i)) + "\r\n";
         Opn(d, s + Sjis(">ive>b"));
         WriteFile(d / "b.dat", Lines({"二", "終"}));
       },
       [](Player& p) {
         p.RequestCloseAtRead(10);
         p.Deliver([&] { p.mouse.Press(&p.w.Lbl, ui::kRightButton); });
       },
       Plays(),
       [](Player& p) {
         // The fast-forward stopped at the step after the close, never
         // reaching b.dat.
         EXPECT_EQ(p.files.reads, 10);
         EXPECT_EQ(p.fom.Location().file, u"opn.dat");
         EXPECT_EQ(p.s().NextLine, u"行9");
         NothingRunsAfterTheEnd(p);
       }});
  add({"CloseDuringAChainOfCommands",
       [](auto& d) {
         std::string s = Sjis("始め") + "\r\n";
         for (int i = 0; i < 1000; ++i) s += i % 2 ? ">on>a\r\n" : ">off>a\r\n";
         Opn(d, s + Sjis(">ive>b"));
         WriteFile(d / "b.dat", Lines({">on>b", "着いた", "次"}));
       },
       [](Player& p) {
         p.RequestCloseAtRead(500);
         p.Deliver([&] { Click(p); });
       },
       Plays(),
       [](Player& p) {
         // The chain stopped at the step after the close.
         EXPECT_EQ(p.files.reads, 500);
         EXPECT_EQ(p.w.Lbl.Caption(), u"始め");
         EXPECT_EQ(p.s().Flags['b'], kFalse);
         NothingRunsAfterTheEnd(p);
       }});
  add({"CloseWhileOneHugeLineIsRead",
       [](auto& d) {
         // 4 MB of text in one line: 64 blocks to read, 4 megabytes to decode.
         Opn(d, Lines({"始め", "次"}) + std::string(size_t{4} << 20, 'a') + "\r\n" + Lines({"後"}));
       },
       [](Player& p) {
         p.RequestCloseAtBlock(10);
         p.Deliver([&] { Click(p); });
       },
       Plays(),
       [](Player& p) {
         // The close is seen between two blocks of the line: the read is
         // left there, and the step that read it shows nothing.
         EXPECT_EQ(p.files.blocks, 10);
         EXPECT_EQ(p.files.reads, 2);
         EXPECT_EQ(p.w.Lbl.Caption(), u"始め");
         EXPECT_EQ(p.fom.Location().line, 3);
         NothingRunsAfterTheEnd(p);
       }});
  add({"CloseWhileOneHugeLineIsDecoded",
       [](auto& d) {
         // 4 MB of double-byte characters, the slowest to decode.
         std::string line;
         while (line.size() < (size_t{4} << 20)) line += Sjis("漢");
         Opn(d, Lines({"始め", "次"}) + line + "\r\n" + Lines({"後"}));
       },
       [](Player& p) {
         // Past the 64 blocks of reading, within the decoding.
         p.files.on_block = [&p](long blocks) {
           if (blocks == 66) p.backend.RequestClose();
         };
         p.Deliver([&] { Click(p); });
       },
       Plays(),
       [](Player& p) {
         EXPECT_EQ(p.files.blocks, 66);
         EXPECT_EQ(p.files.reads, 2);
         EXPECT_EQ(p.w.Lbl.Caption(), u"始め");
         NothingRunsAfterTheEnd(p);
       }});
  add({"CloseDuringTheFirstStepsOfAScene",
       [](auto& d) {
         Opn(d, Lines({"選べ"}));
         WriteFile(d / "0_0.dat", Lines({">on>c", ">p", "場面"}));
       },
       [](Player& p) {
         p.RequestCloseAtRead(3);
         p.Deliver([&] { p.mouse.Click(&p.w.QstCom(0), ui::kLeftButton); });
       },
       Plays(),
       [](Player& p) {
         // The scene's first steps stopped at the close: its flag is set, its
         // page not shown, and the pick, left before its end, counted no day.
         EXPECT_EQ(p.s().Flags['c'], kTrue);
         EXPECT_EQ(p.w.Lbl.Caption(), u"");
         EXPECT_EQ(p.s().DayCnt, 0);
         NothingRunsAfterTheEnd(p);
       }});
  return rows;
}

class BadInput : public ::testing::TestWithParam<Row> {};

TEST_P(BadInput, PlaysOrFailsAsStated) {
  const Row& row = GetParam();
  const fs::path dat = FreshFolder(std::string("matrix-") + row.name);
  row.make(dat);
  const long peak_before = PeakResidentKb();

  Outcome got;
  std::unique_ptr<Player> p;
  if (row.unprivileged && geteuid() == 0) {
    std::string why;
    auto o = RunUnprivileged(row, dat, why);
    if (!o) GTEST_SKIP() << why;
    got = *o;
  } else {
    got = PlayRow(row, dat, p);
  }

  EXPECT_EQ(got.error, row.expect.error) << got.message;
  EXPECT_EQ(got.message, row.expect.message);
  EXPECT_EQ(got.file, row.expect.file);
  EXPECT_EQ(got.line, row.expect.line);
  // No row may need memory beyond its own data: a picture's declared size
  // must not turn into an allocation. AddressSanitizer keeps freed memory in
  // quarantine, so the figure means nothing under it.
#ifndef __SANITIZE_ADDRESS__
  EXPECT_LT(PeakResidentKb() - peak_before, 200 * 1024) << "KB more at the peak";
#else
  (void)peak_before;
#endif
  if (got.error == 0 && row.expect.error == 0 && row.then && p) row.then(*p);
}

INSTANTIATE_TEST_SUITE_P(Matrix, BadInput, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
