// yomite: plays the story in the folder "dat" beside the program, full
// screen, with the mouse.
#include <SDL.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "app/fom.h"
#include "app/main_window.h"
#include "app/version.h"
#include "platform/disk_files.h"
#include "platform/mci/mci_interpreter.h"
#include "platform/render/jpeg_loader.h"
#include "platform/story_paths.h"
#include "ui/sdl/sdl_backend.h"

namespace {

constexpr const char* kUsage =
    "usage: yomite [--help | --version]\n"
    "Plays the story in the folder dat beside the program. The mouse does the rest:\n"
    "click to read on, right-click the text to skip ahead, End to quit.\n";

// The folder of the running program, whatever the current directory is.
yomite::Text ProgramFolder() {
  yomite::Text folder;
  if (char* base = SDL_GetBasePath()) {
    folder = yomite::FromUtf8(base);
    SDL_free(base);
  }
  return folder;
}

bool BenchStartup() {
  const char* v = std::getenv("YOMITE_BENCH_STARTUP");
  return v && std::strcmp(v, "1") == 0;
}

// Stamps for a start-up measurement: milliseconds since main began, and
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

}  // namespace

int main(int argc, char** argv) {
  auto main_start = std::chrono::steady_clock::now();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("yomite %s\n", yomite::kVersion);
      return 0;
    }
    std::fprintf(stderr, "yomite: unknown argument %s\n%s", argv[i], kUsage);
    return 2;
  }

  // A picture is 8 MB decoded and its file megabytes more. glibc would
  // raise its mapping threshold after the first such block is freed and
  // put the next ones on a heap it rarely gives back, so memory would grow
  // with every picture shown. A fixed threshold keeps each large block in
  // a mapping of its own, returned to the system when it is freed.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);

  using namespace yomite;
  std::string why;
  std::unique_ptr<ui::sdl::SdlBackend> backend = ui::sdl::SdlBackend::Create({}, &why);
  if (!backend) {
    std::fprintf(stderr, "yomite: cannot open the window: %s\n", why.c_str());
    return 1;
  }

  Text dat = platform::MakeDatPath(ProgramFolder());
  MainWindow w(*backend, backend->ScreenWidthPx(), backend->ScreenHeightPx());
  platform::DiskFiles files(dat);
  platform::JpegPictureLoader pictures(dat);
  // Without an audio device or a soundfont the story plays in silence. The
  // soundfont and the audio device cost more than the rest of the start-up
  // together, so the music starts once the first page is on the screen.
  platform::mci::MciOptions music;
  music.start_later = true;
  platform::mci::MciInterpreter media(music);
  Fom fom(w, Fom::Platform{files, pictures, media, dat});

  backend->CentreCaption(w.ClickMe);
  backend->error_location = [&fom]() -> std::string {
    ScriptLocation at = fom.Location();
    if (at.file.empty()) return {};
    return "in " + ToUtf8(at.file) + ", line " + std::to_string(at.line);
  };
  backend->on_first_wait = [&media] { media.StartPending(); };
  bool stamped = false;
  if (BenchStartup()) {
    backend->on_frame_presented = [&] {
      if (stamped || !HasProse(w.Lbl.Caption())) return;
      stamped = true;
      PrintStartupStamp(main_start);
    };
  }
  return backend->Run(w.Fom);
}
