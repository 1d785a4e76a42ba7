#include "tools/trace/trace_runner.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "app/fom.h"
#include "app/main_window.h"
#include "app/start_point.h"
#include "app/version.h"
#include "base/command_line.h"
#include "base/end_signals.h"
#include "base/printable.h"
#include "base/runtime_error.h"
#include "platform/render/jpeg_loader.h"
#include "platform/script_files.h"
#include "platform/story_folder.h"
#include "tools/trace/json.h"
#include "tools/trace/recorders.h"
#include "ui/headless_backend.h"
#include "ui/mouse.h"
#include "ui/timer.h"

namespace yomite::trace {
namespace {

constexpr const char* kUsage =
    "usage: yomite-trace [--screen WxH] [--controls] [--start=SCRIPT] [--flags=CHARS]\n"
    "                    [--day=N] [--visits=A,B] DATDIR [EVENTS]\n";
constexpr const char* kHelp =
    "Plays the story in DATDIR with no window and no sound device, driven by the\n"
    "events in EVENTS (standard input when absent or '-'), one per line, and\n"
    "prints the state as JSON after the start and after each event.\n"
    "\n"
    "  -s, --screen WxH  the screen size in pixels (default 1024x768)\n"
    "  -c, --controls    print every control's position and state\n"
    "  -h, --help        print this help and exit\n"
    "  -V, --version     print the version and exit\n"
    "\n";
constexpr const char* kHelpStatus =
    "\n"
    "Exit status: 0 when the events ran out or the story ended, 1 after a\n"
    "run-time error, 2 for a usage error or a bad event line, 3 when the\n"
    "transcript cannot be written, 128 + N when signal N (SIGTERM, SIGINT,\n"
    "SIGHUP) ended it (the transcript then ends with the last whole event).\n";
constexpr long kMaxRunTicks = 100000;

// A signal that asks the program to end (once main has caught them) ends
// the action being played at its next step, as in the player.
class TraceBackend : public ui::HeadlessBackend {
 public:
  bool EndRequested() override { return HeadlessBackend::EndRequested() || CaughtEndSignal() != 0; }
};

struct Size {
  int width;
  int height;
};

std::optional<Size> ParseSize(std::string_view s) {
  size_t x = s.find('x');
  if (x == std::string_view::npos) return std::nullopt;
  Size size{};
  auto a = std::from_chars(s.data(), s.data() + x, size.width);
  auto b = std::from_chars(s.data() + x + 1, s.data() + s.size(), size.height);
  if (a.ec != std::errc() || a.ptr != s.data() + x || b.ec != std::errc() ||
      b.ptr != s.data() + s.size() || size.width <= 0 || size.height <= 0 || size.width > 100000 ||
      size.height > 100000) {
    return std::nullopt;
  }
  return size;
}

// The longest event line read; a longer one is a bad event line, and is
// not held whole (a stream of /dev/zero has no line end).
constexpr size_t kMaxEventLineBytes = 4096;

// Reads a line up to kMaxEventLineBytes + 1 bytes, the rest of a longer
// one left unread. False at the end of the stream.
bool ReadEventLine(std::istream& in, std::string& line) {
  line.clear();
  for (int c; (c = in.get()) != std::char_traits<char>::eof();) {
    if (c == '\n') return true;
    line += static_cast<char>(c);
    if (line.size() > kMaxEventLineBytes) return true;
  }
  return !line.empty();
}

// What one event writes is bounded: a text field longer than
// kMaxTextChars characters is written cut there, with its full length in a
// member beside it ("caption_length"), and a log holds at most
// kMaxLogEntries entries.
constexpr size_t kMaxTextChars = 16384;
constexpr size_t kMaxLogEntries = 1000;

Text Cut(TextView text) {
  size_t n = std::min(text.size(), kMaxTextChars);
  // Not between the halves of a surrogate pair.
  if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] < 0xDC00) --n;
  return Text(text.substr(0, n));
}
std::string CutUtf8(const std::string& text) {
  return text.size() <= kMaxTextChars * 3 ? text : ToUtf8(Cut(FromUtf8(text)));
}

void BoundedString(JsonWriter& j, const std::string& key, TextView text) {
  j.Key(key).String(Cut(text));
  if (text.size() > kMaxTextChars) j.Key(key + "_length").Int(static_cast<long long>(text.size()));
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// Pictures decoded by the player's own decoder, so that a picture fails
// here exactly where it fails in the player. Nothing here shows the pixels:
// only the size is kept, and the pixels are freed at once.
class PictureSizes : public platform::PictureLoader {
 public:
  explicit PictureSizes(const platform::StoryFolder& folder) : decoder_(folder) {}
  platform::PicturePtr LoadPicture(const Text& path) override {
    platform::PicturePtr decoded = decoder_.LoadPicture(path);
    auto size = std::make_shared<platform::Picture>();
    size->width = decoded->width;
    size->height = decoded->height;
    size->scans = decoded->scans;  // the action budget counts each scan
    return size;
  }

 private:
  platform::JpegPictureLoader decoder_;
};

class Session {
 public:
  Session(Size screen, bool controls, std::string folder, std::ostream& out, std::ostream& err)
      : controls_(controls),
        out_(out),
        err_(err),
        folder_(std::move(folder)),
        w_(backend_, screen.width, screen.height),
        disk_(folder_),
        sizes_(folder_),
        files_(disk_, folder_, log_),
        pictures_(sizes_, folder_, log_),
        media_(log_),
        fom_(w_, Fom::Platform{files_, pictures_, media_, folder_.dat_path()}) {
    backend_.on_message_box = [this](const ui::HeadlessBackend::MessageBoxShown&) {
      log_.push_back("about");
    };
    // The log's "end" is the story's; an error is reported on its own.
    backend_.on_end = [this] {
      if (!backend_.error()) log_.push_back("end");
    };
    backend_.on_picture_box_changed = [this](ui::PictureBox& box, ui::PictureChange change) {
      if (&box != &w_.Img) return;
      if (change == ui::PictureChange::kPainted) log_.push_back("paint");
      if (change == ui::PictureChange::kCleared) log_.push_back("clear");
    };
    auto resize = w_.Fom.on_resize;
    w_.Fom.on_resize = [this, resize] {
      log_.push_back("layout");
      resize();
    };
  }

  void StartAt(StartPoint start) { fom_.StartAt(std::move(start)); }

  // Plays the story with the events of the stream, writing the state after
  // the start-up and after each event. Returns the exit status.
  int Play(std::istream& events, const std::string& events_name) {
    bool bad_line = false;
    long line_no = 0;
    auto next = [&]() -> std::optional<ui::HeadlessBackend::Event> {
      if (CaughtEndSignal()) return std::nullopt;
      for (std::string line; ReadEvent(events, line);) {
        ++line_no;
        if (line.size() > kMaxEventLineBytes) {
          err_ << "yomite-trace: " << Printable(events_name) << ":" << line_no
               << ": an event line longer than " << kMaxEventLineBytes << " bytes\n";
          bad_line = true;
          return std::nullopt;
        }
        while (!line.empty() &&
               (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
          line.pop_back();
        }
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        line = line.substr(first);
        std::function<void()> action = Parse(Words(line));
        if (!action) {
          err_ << "yomite-trace: " << Printable(events_name) << ":" << line_no
               << ": not an event: " << Printable(line) << "\n";
          bad_line = true;
          return std::nullopt;
        }
        return ui::HeadlessBackend::Event{line, action};
      }
      return std::nullopt;
    };
    // An event that a signal cut short is not written: the transcript ends
    // with the last event played whole.
    backend_.on_event_done = [this](const std::string& event) {
      if (!CaughtEndSignal()) Emit(event, backend_.error());
    };
    int status = backend_.Run(w_.Fom, next);
    out_.flush();
    if (!out_) {
      // A full disk must not pass for a story that played.
      err_ << "yomite-trace: the transcript could not be written\n";
      return 3;
    }
    if (int signal = CaughtEndSignal()) return 128 + signal;
    return bad_line ? 2 : status;
  }

  // ReadEventLine, while which the transcript is written up to the last
  // event: a signal then ends the program at once.
  static bool ReadEvent(std::istream& in, std::string& line) {
    EndAtOnceOnSignal idle;
    return ReadEventLine(in, line);
  }

  // Returns the action for an event line, or an empty function for an
  // invalid one.
  std::function<void()> Parse(const std::vector<std::string>& words) {
    if (words.empty()) return {};
    const std::string& verb = words[0];
    auto control = [&](size_t i) -> ui::Control* {
      if (i >= words.size()) return nullptr;
      static const std::map<std::string, int> names{{"lbl", 0}, {"clickme", 1}, {"clickcom", 2},
                                                    {"img", 3}, {"end", 4},     {"qst0", 5},
                                                    {"qst1", 6}};
      auto it = names.find(words[i]);
      return it == names.end() ? nullptr : &w_.ClickTarget(it->second);
    };
    auto number = [&](size_t i) -> std::optional<long> {
      if (i >= words.size()) return std::nullopt;
      long n = 0;
      auto r = std::from_chars(words[i].data(), words[i].data() + words[i].size(), n);
      if (r.ec != std::errc() || r.ptr != words[i].data() + words[i].size() || n < 0) {
        return std::nullopt;
      }
      return n;
    };

    if (verb == "click" || verb == "rclick" || verb == "mclick" || verb == "dblclick") {
      ui::Control* c = control(1);
      if (!c || words.size() != 2) return {};
      int button = verb == "rclick"   ? ui::kRightButton
                   : verb == "mclick" ? ui::kMiddleButton
                                      : ui::kLeftButton;
      if (verb == "dblclick") return [this, c] { backend_.mouse().DoubleClick(c); };
      return [this, c, button] { backend_.mouse().Click(c, button); };
    }
    if (verb == "down" || verb == "up") {
      ui::Control* c = control(1);
      auto b = number(2);
      if (!c || !b || words.size() != 3 || (*b != 1 && *b != 2 && *b != 4)) return {};
      int button = static_cast<int>(*b);
      if (verb == "down") return [this, c, button] { backend_.mouse().Press(c, button); };
      return [this, c, button] { backend_.mouse().Release(c, button); };
    }
    if (verb == "tick" && words.size() == 1) return [this] { backend_.Tick(w_.TimLbl); };
    if (verb == "ticks" && words.size() == 2 && number(1)) {
      long n = *number(1);
      return [this, n] { backend_.Tick(w_.TimLbl, n); };
    }
    if (verb == "run" && words.size() == 1) {
      return [this] { backend_.Tick(w_.TimLbl, kMaxRunTicks); };
    }
    if (verb == "bgm") {
      std::string mode;
      for (size_t i = 1; i < words.size(); ++i) mode += (i > 1 ? " " : "") + words[i];
      if (mode != "playing" && mode != "stopped" && mode != "paused" && mode != "not ready") {
        return {};
      }
      return [this, mode] { media_.SetMode(FromUtf8(mode)); };
    }
    if (verb == "bgmtick" && words.size() == 1) return [this] { backend_.Tick(w_.BgmTim); };
    if (verb == "resize" && words.size() == 2) {
      auto size = ParseSize(words[1]);
      if (!size) return {};
      return [this, size] { backend_.Resize(size->width, size->height); };
    }
    if (verb == "key" && words.size() == 2) {
      static const std::map<std::string, std::pair<ui::Key, bool>> keys{
          {"tab", {ui::Key::kTab, false}},
          {"shift+tab", {ui::Key::kTab, true}},
          {"space", {ui::Key::kSpace, false}},
          {"return", {ui::Key::kReturn, false}}};
      auto it = keys.find(words[1]);
      if (it == keys.end()) return {};
      const ui::Key key = it->second.first;
      const bool shift = it->second.second;
      return [this, key, shift] { backend_.keyboard().Type(key, shift); };
    }
    if (verb == "close" && words.size() == 1) return [this] { backend_.Close(); };
    return {};
  }

 private:
  void Emit(const std::string& event, const RuntimeError* error) {
    const GameState& s = fom_.state();
    JsonWriter j;
    j.BeginObject();
    BoundedString(j, "event", FromUtf8(event));
    j.Key("log").BeginArray();
    for (size_t i = 0; i < log_.size() && i < kMaxLogEntries; ++i) j.String(CutUtf8(log_[i]));
    if (log_.size() > kMaxLogEntries) {
      j.String("... " + std::to_string(log_.size() - kMaxLogEntries) + " more");
    }
    j.EndArray();
    log_.clear();
    BoundedString(j, "caption", w_.Lbl.Caption());
    j.Key("lbl_enabled").Bool(w_.Lbl.Enabled());
    j.Key("clickme").Bool(w_.ClickMe.Visible());
    j.Key("clickme_back").String(ui::ToHex(w_.ClickMe.BackColor()));
    j.Key("clickcom").Bool(w_.ClickCom.Visible());
    j.Key("qst").BeginArray().Bool(w_.QstCom(0).Visible()).Bool(w_.QstCom(1).Visible()).EndArray();
    j.Key("timer").Bool(w_.TimLbl.Enabled());
    j.Key("qst_mode").Bool(s.QstMode == kTrue);
    j.Key("auto_next").Bool(s.AutoNext == kTrue);
    j.Key("line_cnt").Int(s.LineCnt);
    BoundedString(j, "cur_line", s.CurLine);
    BoundedString(j, "next_line", s.NextLine);
    j.Key("day").Int(s.DayCnt);
    j.Key("visits").BeginArray().Int(s.Visits[0]).Int(s.Visits[1]).EndArray();
    j.Key("qst_idx").Int(s.QstIdx);
    j.Key("flags").BeginArray();
    for (int i = 0; i < kFlagCount; ++i) {
      if (s.Flags[i] == kTrue) j.Int(i);
    }
    j.EndArray();
    j.Key("img");
    if (w_.Img.Paintings().empty()) {
      j.Null();
    } else {
      j.String(Cut(w_.Img.Paintings().back().source));
    }
    // Written once the keyboard has been used, so transcripts of the mouse
    // alone stay as they were.
    if (w_.Fom.FocusCues()) {
      j.Key("focus");
      if (const ui::Control* f = w_.Fom.Focused()) {
        j.String(f->name());
      } else {
        j.Null();
      }
    }
    if (controls_) EmitControls(j);
    if (error) {
      ScriptLocation where = fom_.Location();
      j.Key("error").BeginObject();
      j.Key("number").Int(error->number());
      j.Key("message").String(CutUtf8(error->message()));
      if (where.file.empty()) {
        j.Key("file").Null();
        j.Key("line").Null();
      } else {
        j.Key("file").String(Cut(where.file));
        j.Key("line").Int(where.line);
      }
      j.EndObject();
      err_ << "yomite-trace: run-time error " << error->number() << ": "
           << Printable(CutUtf8(error->message()));
      if (!where.file.empty()) {
        err_ << " (" << Printable(Cut(where.file)) << ", line " << where.line << ")";
      }
      err_ << "\n";
    }
    j.EndObject();
    out_ << j.str() << '\n';
    out_.flush();
  }

  void EmitControls(JsonWriter& j) {
    j.Key("controls").BeginObject();
    for (ui::Control* c : w_.Fom.controls()) {
      j.Key(c->name()).BeginObject();
      if (c->kind() == ui::ControlKind::kTimer) {
        auto* t = static_cast<ui::Timer*>(c);
        j.Key("enabled").Bool(t->Enabled());
        j.Key("interval").Int(t->Interval());
        j.EndObject();
        continue;
      }
      // Units go through pixels and back; round away the last bits.
      auto units = [](double v) { return std::round(v * 1e9) / 1e9; };
      j.Key("left").Number(units(c->Left()));
      j.Key("top").Number(units(c->Top()));
      j.Key("width").Number(units(c->Width()));
      j.Key("height").Number(units(c->Height()));
      j.Key("visible").Bool(c->Visible());
      j.Key("enabled").Bool(c->Enabled());
      BoundedString(j, "caption", c->Caption());
      j.Key("back").String(ui::ToHex(c->BackColor()));
      j.Key("fore").String(ui::ToHex(c->ForeColor()));
      j.Key("font_size").Int(c->FontSize() ? c->FontSize() : w_.Fom.DefaultFontSize());
      if (c->kind() == ui::ControlKind::kPictureBox) {
        auto* box = static_cast<ui::PictureBox*>(c);
        j.Key("scale_width").Int(box->ScaleWidth());
        j.Key("scale_height").Int(box->ScaleHeight());
        j.Key("picture");
        if (box->Picture()) {
          j.String(box->PictureSource());
        } else {
          j.Null();
        }
      }
      j.EndObject();
    }
    j.EndObject();
  }

  bool controls_;
  std::ostream& out_;
  std::ostream& err_;
  EventLog log_;
  platform::StoryFolder folder_;
  TraceBackend backend_;
  MainWindow w_;
  platform::ScriptFiles disk_;
  PictureSizes sizes_;
  LoggingFiles files_;
  LoggingPictures pictures_;
  SimulatedMedia media_;
  Fom fom_;
};

}  // namespace

int RunTrace(const std::vector<std::string>& args, std::istream& default_events, std::ostream& out,
             std::ostream& err) {
  enum { kScreen, kControls };
  std::vector<OptionSpec> specs{{"screen", 's', true, kScreen},
                                {"controls", 'c', false, kControls}};
  for (const OptionSpec& o : StartOptionSpecs()) specs.push_back(o);
  const CommandLine command_line = ParseProgramCommandLine(args, specs, 2);
  const std::string help = std::string(kHelp) + kStartOptionsHelp + kHelpStatus;
  if (auto answered = AnswerCommonOptions({"yomite-trace", kVersion, kUsage, help.c_str()},
                                          command_line, out, err)) {
    return *answered;
  }
  std::string start_error;
  std::optional<StartPoint> start = ReadStartPoint(command_line, &start_error);
  if (!start_error.empty()) {
    err << "yomite-trace: " << start_error << "\n" << kUsage;
    return 2;
  }
  Size screen{1024, 768};
  bool controls = false;
  for (const ParsedOption& o : command_line.options) {
    if (o.id == kScreen) {
      auto size = ParseSize(o.value);
      if (!size) {
        err << "yomite-trace: bad screen size '" << o.value << "' (expected WxH, e.g. 1024x768)\n"
            << kUsage;
        return 2;
      }
      screen = *size;
    } else if (o.id == kControls) {
      controls = true;
    }
  }
  const std::vector<std::string>& positional = command_line.operands;
  if (positional.empty()) {
    err << "yomite-trace: no story folder given\n" << kUsage;
    return 2;
  }
  std::ifstream file;
  std::istream* events = &default_events;
  std::string events_name = "<stdin>";
  if (positional.size() == 2 && positional[1] != "-") {
    // A folder or a device is no list of events (/dev/zero never ends).
    struct stat st;
    if (::stat(positional[1].c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) {
      err << "yomite-trace: '" << Printable(positional[1])
          << "' is not a file or a pipe of events\n";
      return 2;
    }
    file.open(positional[1]);
    if (!file) {
      err << "yomite-trace: cannot read events from '" << Printable(positional[1]) << "'\n";
      return 2;
    }
    events = &file;
    events_name = positional[1];
  }

  // The folder is used by its bytes, whatever their encoding.
  auto session = std::make_unique<Session>(screen, controls, positional[0], out, err);
  if (start) session->StartAt(std::move(*start));
  return session->Play(*events, events_name);
}

}  // namespace yomite::trace
