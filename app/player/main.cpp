// yomite: plays a story full screen, with the mouse: the folder named on the
// command line, or the folder "dat" beside the program, or the one installed.
#include <SDL.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>

#include "app/fom.h"
#include "app/main_window.h"
#include "app/player/story_search.h"
#include "app/start_point.h"
#include "app/version.h"
#include "base/command_line.h"
#include "base/last_resort.h"
#include "base/printable.h"
#include "platform/mci/mci_interpreter.h"
#include "platform/render/jpeg_loader.h"
#include "platform/script_files.h"
#include "platform/story_folder.h"
#include "ui/sdl/sdl_backend.h"

namespace {

constexpr const char* kUsage =
    "usage: yomite [--start=SCRIPT] [--flags=CHARS] [--day=N] [--visits=A,B] [STORY]\n";
constexpr const char* kHelp =
    "Plays a story full screen. The mouse does the rest: click the text to read\n"
    "on, right-click it to skip ahead, click the picture for the About box, End\n"
    "(top left) quits.\n"
    "\n"
    "STORY is a folder holding the story's folder dat, or the dat folder itself.\n"
    "Without it the story is looked for, in this order, in:\n"
    "  the folder dat beside the program\n"
    "  $XDG_DATA_HOME/yomite/dat (default ~/.local/share/yomite/dat)\n"
    "  yomite/dat in each folder of $XDG_DATA_DIRS (default /usr/local/share:/usr/share)\n"
    "  yomite/dat in the data folder of the prefix yomite is installed in\n"
    "The first folder that holds opn.dat is played.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "  -V, --version  print the version and exit\n"
    "\n";
constexpr const char* kHelpStatus =
    "\n"
    "Exit status: 0 when the player quits, 1 for a run-time error of the story,\n"
    "no story found or no display to show the window on, 2 for a usage error.\n";

// The folder of the running program, whatever the current directory is.
std::string ProgramFolder() {
  std::string folder;
  if (char* base = SDL_GetBasePath()) {
    folder = base;
    SDL_free(base);
  }
  return folder;
}

#ifdef YOMITE_STARTUP_STAMP
bool BenchStartup() {
  const char* v = std::getenv("YOMITE_BENCH_STARTUP");
  return v && std::strcmp(v, "1") == 0;
}

// Stamps for a start-up measurement (a benchmark build only:
// -DYOMITE_STARTUP_STAMP=ON): milliseconds since main began, and
// the wall clock in microseconds for a caller that noted when it started us.
void PrintStartupStamp(std::chrono::steady_clock::time_point main_start) {
  double since_main =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - main_start)
          .count();
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  long long wall_us = (long long)now.tv_sec * 1000000 + now.tv_nsec / 1000;
  std::fprintf(stderr, "yomite: first prose frame %.1f ms after main, at %lld us\n", since_main,
               wall_us);
}

bool HasProse(const yomite::Text& caption) {
  return caption.find_first_not_of(u" \r\n") != yomite::Text::npos;
}
#endif

int Play(int argc, char** argv, std::chrono::steady_clock::time_point main_start) {
  using namespace yomite;
  const CommandLine line = ParseProgramCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                                   StartOptionSpecs(), 1);
  const std::string help = std::string(kHelp) + kStartOptionsHelp + kHelpStatus;
  if (auto answered = AnswerCommonOptions({"yomite", kVersion, kUsage, help.c_str()}, line,
                                          std::cout, std::cerr)) {
    return *answered;
  }
  std::string start_error;
  std::optional<StartPoint> start = ReadStartPoint(line, &start_error);
  if (!start_error.empty()) {
    std::fprintf(stderr, "yomite: %s\n%s", start_error.c_str(), kUsage);
    return 2;
  }

  player::StoryPlaces places;
  if (!line.operands.empty()) places.argument = line.operands[0];
  places.program_folder = ProgramFolder();
  places.getenv = [](const char* name) -> const char* { return std::getenv(name); };
  places.bindir = YOMITE_INSTALL_BINDIR;
  places.datadir = YOMITE_INSTALL_DATADIR;
  places.configured_datadir = YOMITE_INSTALL_FULL_DATADIR;
  player::StorySearch story = player::FindStory(places);
  if (story.dat.empty()) {
    std::fprintf(stderr, "yomite: %s", player::NotFoundMessage(story).c_str());
    return 1;
  }

  // A picture is 8 MB decoded and its file megabytes more. glibc would
  // raise its mapping threshold after the first such block is freed and
  // put the next ones on a heap it rarely gives back, so memory would grow
  // with every picture shown. A fixed threshold keeps each large block in
  // a mapping of its own, returned to the system when it is freed.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);

  std::string why;
  std::unique_ptr<ui::sdl::SdlBackend> backend = ui::sdl::SdlBackend::Create({}, &why);
  if (!backend) {
    std::fprintf(stderr, "yomite: cannot open the window: %s\n", why.c_str());
    return 1;
  }

  // The folder is used by its bytes, whatever their encoding.
  platform::StoryFolder dat(story.dat);
  MainWindow w(*backend, backend->ScreenWidthPx(), backend->ScreenHeightPx());
  platform::ScriptFiles files(dat);
  platform::JpegPictureLoader pictures(dat);
  // Without an audio device or a soundfont the story plays in silence. The
  // soundfont and the audio device cost more than the rest of the start-up
  // together, so the music starts once the first page is on the screen.
  platform::mci::MciOptions music;
  music.start_later = true;
  music.story = &dat;
  platform::mci::MciInterpreter media(music);
  Fom fom(w, Fom::Platform{files, pictures, media, dat.dat_path()});
  if (start) fom.StartAt(std::move(*start));

  backend->CentreCaption(w.ClickMe);
  backend->error_location = [&fom]() -> std::string {
    ScriptLocation at = fom.Location();
    if (at.file.empty()) return {};
    return "in " + Printable(at.file) + ", line " + std::to_string(at.line);
  };
  backend->on_first_wait = [&media] { media.StartPending(); };
#ifdef YOMITE_STARTUP_STAMP
  bool stamped = false;
  if (BenchStartup()) {
    backend->on_frame_presented = [&] {
      if (stamped || !HasProse(w.Lbl.Caption())) return;
      stamped = true;
      PrintStartupStamp(main_start);
    };
  }
#else
  (void)main_start;
#endif
  return backend->Run(w.Fom);
}

// The error box of a failure outside the story's handlers; nothing more
// when there is no display to show it on.
void ShowErrorBox(const yomite::RuntimeError& error) {
  std::string line = "Run-time error " + std::to_string(error.number()) + ": " + error.message();
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "yomite", line.c_str(), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  auto main_start = std::chrono::steady_clock::now();
  return yomite::RunToEnd(
      "yomite", [&] { return Play(argc, argv, main_start); }, ShowErrorBox);
}
