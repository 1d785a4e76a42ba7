// The engine as the player puts it together (real files, the player's
// picture decoder) on the headless backend, with counters and a hook on every line read, so a test
// can make a request of the window system in the middle of a handler.
#pragma once

#include <filesystem>
#include <functional>

#include "app/fom.h"
#include "base/runtime_error.h"
#include "platform/render/jpeg_loader.h"
#include "platform/script_files.h"
#include "platform/story_folder.h"
#include "tools/trace/recorders.h"
#include "ui/headless_backend.h"
#include "ui/mouse.h"

namespace yomite::testing {

class WatchedFiles : public platform::Files {
 public:
  explicit WatchedFiles(platform::Files& inner) : inner_(inner) {}
  int FreeFile() override { return inner_.FreeFile(); }
  void OpenForInput(const Text& path, int no) override {
    inner_.OpenForInput(path, no);
    ++opens;
    ++open_now;
  }
  bool Eof(int no) override { return inner_.Eof(no); }
  Text LineInput(int no) override {
    Text line = inner_.LineInput(no);
    ++reads;
    if (on_read) on_read(reads);
    return line;
  }
  void Close(int no) override {
    inner_.Close(no);
    --open_now;
  }
  void SetBetweenBlocks(std::function<void()> f) override {
    if (!f) {
      inner_.SetBetweenBlocks(nullptr);
      return;
    }
    inner_.SetBetweenBlocks([this, f = std::move(f)] {
      ++blocks;
      if (on_block) on_block(blocks);
      f();
    });
  }

  long opens = 0;
  long reads = 0;
  long open_now = 0;
  // Calls of the hook while one long line is read and decoded.
  long blocks = 0;
  std::function<void(long reads)> on_read;
  std::function<void(long blocks)> on_block;

 private:
  platform::Files& inner_;
};

struct Player {
  explicit Player(const std::filesystem::path& dat)
      : folder(dat.string()),
        dat_path(folder.dat_path()),
        w(backend, 1024, 768),
        disk(folder),
        files(disk),
        pictures(folder),
        media(media_log),
        fom(w, Fom::Platform{files, pictures, media, dat_path}) {}

  // The start-up as every backend runs it; a run-time error is thrown
  // again for the row to report.
  void Start() {
    backend.Start(w.Fom);
    Rethrow();
  }

  // Runs one event, then the close the window system was asked for while
  // it ran: on one thread a request can only be handled after the handler
  // that was running when it came has returned.
  void Deliver(const std::function<void()>& event) {
    backend.Deliver(event);
    Rethrow();
  }
  void RequestCloseAtRead(long n) {
    files.on_read = [this, n](long reads) {
      if (reads == n) backend.RequestClose();
    };
  }
  void RequestCloseAtBlock(long n) {
    files.on_block = [this, n](long blocks) {
      if (blocks == n) backend.RequestClose();
    };
  }
  void Rethrow() const {
    if (const RuntimeError* error = backend.error()) throw *error;
  }

  const GameState& s() const { return fom.state(); }

  platform::StoryFolder folder;
  Text dat_path;
  trace::EventLog media_log;
  ui::HeadlessBackend backend;
  MainWindow w;
  platform::ScriptFiles disk;
  WatchedFiles files;
  platform::JpegPictureLoader pictures;
  trace::SimulatedMedia media;
  Fom fom;
  // Clicks outside Deliver go to the story directly.
  ui::MouseRouter mouse{w.Fom};
};

}  // namespace yomite::testing
