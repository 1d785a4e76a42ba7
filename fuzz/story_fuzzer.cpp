// Plays a whole story made from the input on the headless backend with
// real files, driven by player events, the way yomite-trace plays one.
//
// The input is up to four parts, each separated from the next by a line
// "@@@@" between two LFs:
//   the bytes of opn.dat
//   the bytes of b.dat, which is also every other script the engine opens
//     by itself (end, bad and the scenes 0_0 to 1_8)
//   the bytes of p.jpg, which is also 3.jpg (decoded as the player does)
//   the events, one byte each (see RunEvent)
// The folder also holds a folder d.dat and a folder d.jpg.
//
// A run-time error ends the input as it ends the program; the backend's
// guard catches it as it does in the player. Besides not
// crashing, the engine must keep its state in range, keep at most one
// script open, never read past the end of a script or from a closed one,
// and change nothing on a step while the choice menu is open.
#include <turbojpeg.h>

#include <cstdint>
#include <string>

#include "app/fom.h"
#include "base/runtime_error.h"
#include "fuzz/fuzz_check.h"
#include "platform/render/jpeg_loader.h"
#include "platform/script_files.h"
#include "platform/story_folder.h"
#include "tools/trace/recorders.h"
#include "ui/headless_backend.h"
#include "ui/mouse.h"

namespace fs = std::filesystem;
using namespace yomite;

namespace {

// Thrown when an input has used up its share of file work: the engine's
// own bounds (100,000 openings or steps) are far too slow for fuzzing.
// The window's guard turns whatever a handler throws into a run-time error,
// so the input also remembers that it ran out, and that error is no fault.
struct OutOfBudget {};
bool ran_out = false;

[[noreturn]] void RunOut() {
  ran_out = true;
  throw OutOfBudget{};
}

// The disk files, counted and bounded, and watched for misuse.
class BoundedFiles : public platform::Files {
 public:
  explicit BoundedFiles(platform::Files& inner) : inner_(inner) {}
  int FreeFile() override { return inner_.FreeFile(); }
  void OpenForInput(const Text& path, int no) override {
    if (++opens_ > kMaxOpens) RunOut();
    inner_.OpenForInput(path, no);
    FUZZ_CHECK(open_no_ == 0);  // whoever leaves a script closes it first
    open_no_ = no;
  }
  bool Eof(int no) override {
    FUZZ_CHECK(no == open_no_);
    return inner_.Eof(no);
  }
  Text LineInput(int no) override {
    if (++reads_ > kMaxReads) RunOut();
    FUZZ_CHECK(no == open_no_);
    return inner_.LineInput(no);
  }
  void Close(int no) override {
    inner_.Close(no);
    if (no == open_no_) open_no_ = 0;
  }
  void SetBetweenBlocks(std::function<void()> f) override { inner_.SetBetweenBlocks(std::move(f)); }

 private:
  static constexpr long kMaxOpens = 300;
  static constexpr long kMaxReads = 20000;
  platform::Files& inner_;
  long opens_ = 0;
  long reads_ = 0;
  int open_no_ = 0;
};

// The player's picture decoder. Pictures that decode slowly for their size
// only slow the search down: they end the input.
class BoundedPictures : public platform::PictureLoader {
 public:
  explicit BoundedPictures(const platform::StoryFolder& folder) : folder_(folder), inner_(folder) {}
  platform::PicturePtr LoadPicture(const Text& path) override {
    static tjhandle tj = tjInitDecompress();
    std::string bytes;
    try {
      bytes = folder_.ReadWhole(path, platform::kMaxPictureFileBytes, err::kInvalidPicture);
    } catch (const RuntimeError&) {
      return inner_.LoadPicture(path);  // the loader reports it as the player would
    }
    int width = 0, height = 0, sampling = 0, colours = 0;
    if (tjDecompressHeader3(tj, reinterpret_cast<const unsigned char*>(bytes.data()),
                            static_cast<unsigned long>(bytes.size()), &width, &height, &sampling,
                            &colours) == 0 &&
        int64_t{width} * height > 1'000'000 && width <= platform::kMaxPictureSide &&
        height <= platform::kMaxPictureSide &&
        int64_t{width} * height <= platform::kMaxPicturePixels) {
      RunOut();
    }
    platform::PicturePtr picture = inner_.LoadPicture(path);
    FUZZ_CHECK(picture && picture->width > 0 && picture->height > 0);
    FUZZ_CHECK(picture->pixels.empty() ||
               picture->pixels.size() == size_t(picture->width) * size_t(picture->height));
    return picture;
  }

 private:
  const platform::StoryFolder& folder_;
  platform::JpegPictureLoader inner_;
};

struct Player {
  explicit Player(const platform::StoryFolder& folder)
      : w(backend, 1024, 768),
        disk(folder),
        files(disk),
        pictures(folder),
        media(log),
        fom(w, Fom::Platform{files, pictures, media, folder.dat_path()}) {}

  ui::Control* ControlOf(int i) { return &w.ClickTarget(i % MainWindow::kClickTargets); }

  // One event as the backend delivers it: the low four bits choose what,
  // the high four bits a control or a count.
  void RunEvent(uint8_t byte) {
    const int what = byte & 0x0F;
    const int arg = byte >> 4;
    ui::Control* c = ControlOf(arg);
    ui::MouseRouter& mouse = backend.mouse();
    switch (what) {
      case 8:
        backend.Tick(w.TimLbl);
        return;
      case 9:
        backend.Tick(w.TimLbl, arg * 4 + 1);
        return;
      case 10:  // run the text on until it waits (bounded, like yomite-trace's run)
        backend.Tick(w.TimLbl, 1000);
        return;
      case 12:
        backend.Tick(w.BgmTim);
        return;
      case 13: {
        static const int kSizes[][2] = {{1024, 768}, {681, 486}, {1920, 1080}, {1, 1},
                                        {100000, 3}, {640, 480}, {3, 100000},  {1366, 768}};
        backend.Resize(kSizes[arg % 8][0], kSizes[arg % 8][1]);
        return;
      }
      case 15:
        backend.Close();
        return;
      default:
        backend.Deliver([&] { Input(what, arg, c, mouse); });
    }
  }

  // The events that are mouse input and the music's state.
  void Input(int what, int arg, ui::Control* c, ui::MouseRouter& mouse) {
    switch (what) {
      case 0:
        return mouse.Click(c, ui::kLeftButton);
      case 1:
        return mouse.Click(c, ui::kRightButton);
      case 2:
        return mouse.Click(c, ui::kMiddleButton);
      case 3:
        return mouse.DoubleClick(c);
      case 4:
        return mouse.Press(c, arg & 8 ? ui::kRightButton : ui::kLeftButton);
      case 5:
        return mouse.Release(c, arg & 8 ? ui::kRightButton : ui::kLeftButton);
      case 6:
        return mouse.Press(c, ui::kMiddleButton);
      case 7:
        return mouse.Release(c, ui::kMiddleButton);
      case 11: {
        static const char16_t* const kModes[] = {u"playing", u"stopped", u"paused", u"not ready"};
        media.SetMode(kModes[arg % 4]);
        return;
      }
      case 14:
        return mouse.Click(&w.Lbl, ui::kRightButton);  // the fast-forward, often
      default:
        return;
    }
  }

  void CheckState() {
    const GameState& s = fom.state();
    FUZZ_CHECK(s.LineCnt <= 11);
    FUZZ_CHECK(s.QstMode == kTrue || s.QstMode == kFalse);
    FUZZ_CHECK(s.AutoNext == kTrue || s.AutoNext == kFalse);
    FUZZ_CHECK(s.DayCnt >= 0 && s.Visits[0] >= 0 && s.Visits[1] >= 0);
    FUZZ_CHECK(s.QstIdx == 0 || s.QstIdx == 1);
  }

  void CheckFlags() {
    const GameState& s = fom.state();
    for (int i = 0; i < kFlagCount; ++i) {
      FUZZ_CHECK(s.Flags[i] == kTrue || s.Flags[i] == kFalse);
      // Only single-byte characters name valid flags.
      FUZZ_CHECK(i <= 255 || s.Flags[i] == kFalse);
    }
  }

  trace::EventLog log;
  ui::HeadlessBackend backend;
  MainWindow w;
  platform::ScriptFiles disk;
  BoundedFiles files;
  BoundedPictures pictures;
  trace::SimulatedMedia media;
  Fom fom;
};

bool ExpectedError(int number) {
  switch (number) {
    case err::kInvalidCall:     // a cut of negative length, an empty flag
    case err::kSubscript:       // a flag character out of range
    case err::kOutOfStack:      // an endless chain of jumps
    case err::kFileNotFound:    // a missing script or picture
    case err::kPathAccess:      // a folder where a file should be
    case err::kInvalidPicture:  // a picture that does not decode
    case err::kOutOfMemory:     // a picture too large to decode
      return true;
    default:  // 52, 57, 62 and the rest would be faults of the engine itself
      return false;
  }
}

const fs::path& StoryFolder() {
  static const fs::path& dat = []() -> const fs::path& {
    const fs::path& d = fuzz::ScratchFolder("story");
    // Every script the engine names by itself leads to b.dat.
    std::vector<std::string> names{"end", "bad"};
    for (int i = 0; i < 2; ++i) {
      for (int v = 0; v <= 8; ++v) names.push_back(std::to_string(i) + "_" + std::to_string(v));
    }
    fuzz::WriteBytes(d / "b.dat", "");
    for (const std::string& n : names) fs::create_symlink("b.dat", d / (n + ".dat"));
    fuzz::WriteBytes(d / "p.jpg", "");
    fs::create_symlink("p.jpg", d / "3.jpg");
    fs::create_directory(d / "d.dat");
    fs::create_directory(d / "d.jpg");
    return d;
  }();
  return dat;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path& dat = StoryFolder();
  auto parts =
      fuzz::SplitParts(std::string_view(reinterpret_cast<const char*>(data), size), "\n@@@@\n", 4);
  parts.resize(4);
  fuzz::WriteBytes(dat / "opn.dat", parts[0]);
  fuzz::WriteBytes(dat / "b.dat", parts[1]);
  fuzz::WriteBytes(dat / "p.jpg", parts[2]);
  const std::string_view events = parts[3].substr(0, 256);

  const platform::StoryFolder folder(dat.string());
  ran_out = false;
  Player p(folder);
  try {
    p.backend.Start(p.w.Fom);
    if (!p.backend.error()) p.CheckState();
    for (char e : events) {
      if (p.w.Fom.Ended()) break;
      const uint8_t byte = static_cast<uint8_t>(e);
      // While the choice menu is open a step changes nothing.
      const int what = byte & 0x0F;
      const bool steps_only = what == 8 || what == 9 || what == 10 ||
                              ((what == 0 || what == 1) && (byte >> 4) % 7 <= 1);
      if (steps_only && p.fom.state().QstMode == kTrue) {
        const GameState& s = p.fom.state();
        const Text cur = s.CurLine, next = s.NextLine, caption = p.w.Lbl.Caption();
        const uint8_t line_cnt = s.LineCnt;
        const Boolean auto_next = s.AutoNext;
        p.RunEvent(byte);
        if (p.backend.error()) break;
        FUZZ_CHECK(s.QstMode == kTrue);
        FUZZ_CHECK(s.CurLine == cur && s.NextLine == next && p.w.Lbl.Caption() == caption);
        FUZZ_CHECK(s.LineCnt == line_cnt && s.AutoNext == auto_next);
      } else {
        p.RunEvent(byte);
        if (p.backend.error()) break;
      }
      p.CheckState();
    }
    const RuntimeError* e = p.backend.error();
    if (e && !ran_out) FUZZ_CHECK(ExpectedError(e->number()));
    p.CheckFlags();
  } catch (const OutOfBudget&) {
  }
  return 0;
}
