// The engine on the headless backend with real files, for tests that look
// at the state directly rather than through a transcript.
#pragma once

#include <filesystem>
#include <memory>

#include "app/fom.h"
#include "base/runtime_error.h"
#include "platform/render/jpeg_loader.h"
#include "platform/script_files.h"
#include "platform/story_folder.h"
#include "tools/trace/recorders.h"
#include "ui/headless_backend.h"
#include "ui/mouse.h"

namespace yomite::testing {

class CountingFiles : public platform::Files {
 public:
  explicit CountingFiles(platform::Files& inner) : inner_(inner) {}
  int FreeFile() override { return inner_.FreeFile(); }
  void OpenForInput(const Text& path, int no) override {
    inner_.OpenForInput(path, no);
    ++opens;
  }
  bool Eof(int no) override { return inner_.Eof(no); }
  Text LineInput(int no) override { return inner_.LineInput(no); }
  void Close(int no) override { inner_.Close(no); }
  void SetBetweenBlocks(std::function<void()> f) override { inner_.SetBetweenBlocks(std::move(f)); }
  long opens = 0;

 private:
  platform::Files& inner_;
};

struct Engine {
  explicit Engine(const std::filesystem::path& dat, int screen_w = 1024, int screen_h = 768)
      : folder(dat.string()),
        dat_path(folder.dat_path()),
        w(backend, screen_w, screen_h),
        disk(folder),
        files(disk),
        pictures(folder),
        media(log),
        fom(w, Fom::Platform{files, pictures, media, dat_path}) {}

  // The start-up as every backend runs it; a run-time error is thrown
  // again for the test to look at.
  void Start() {
    backend.Start(w.Fom);
    if (const RuntimeError* error = backend.error()) throw *error;
  }
  void Resize(int width, int height) {
    backend.Resize(width, height);
    if (const RuntimeError* error = backend.error()) throw *error;
  }
  const GameState& s() const { return fom.state(); }

  platform::StoryFolder folder;
  Text dat_path;
  trace::EventLog log;
  ui::HeadlessBackend backend;
  MainWindow w;
  platform::ScriptFiles disk;
  CountingFiles files;
  platform::JpegPictureLoader pictures;
  trace::SimulatedMedia media;
  Fom fom;
  // Clicks go to the story directly, so a test sees their errors thrown.
  ui::MouseRouter mouse{w.Fom};
};

}  // namespace yomite::testing
