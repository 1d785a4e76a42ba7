// Showing a story picture as an >img line does in the player: the file is
// read and decoded, the engine clears the picture area and paints the
// picture stretched over it, and the window's buffer of the area follows;
// then the frame takes it as a texture. The screen is 1920x1080, so the
// picture area is 1080x540.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <random>
#include <stdexcept>

#include "app/fom.h"
#include "base/runtime_error.h"
#include "platform/render/jpeg_loader.h"
#include "platform/script_files.h"
#include "platform/story_folder.h"
#include "tests/support/story_builder.h"
#include "tools/trace/recorders.h"
#include "ui/headless_backend.h"
#include "ui/sdl/picture_buffers.h"

using namespace yomite;

namespace {

// Smooth shapes with grain, so the encoder has about as much to say as for
// a painted scene: the decoder's work grows with what the file holds.
std::string SceneJpeg(int width, int height) {
  std::mt19937 random(width * 31 + height);
  std::vector<unsigned char> rgb;
  rgb.reserve(size_t(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double base = 128 + 70 * std::sin(x / 53.0) * std::cos(y / 31.0);
      for (int c = 0; c < 3; ++c) {
        int v = int(base + 40 * std::sin((x + y) / (17.0 + 9 * c))) + int(random() % 25) - 12;
        rgb.push_back(static_cast<unsigned char>(std::clamp(v, 0, 255)));
      }
    }
  }
  tjhandle tj = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  if (tjCompress2(tj, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 85, 0)) {
    throw std::runtime_error(tjGetErrorStr2(tj));
  }
  std::string bytes(reinterpret_cast<char*>(jpeg), size);
  tjFree(jpeg);
  tjDestroy(tj);
  return bytes;
}

// The headless window with the SDL backend's picture buffers behind it.
class BufferedBackend : public ui::HeadlessBackend {
 public:
  void PictureBoxChanged(ui::PictureBox& box, ui::PictureChange change) override {
    buffers.Changed(box, change);
  }
  ui::sdl::PictureBuffers buffers;
};

struct Player {
  explicit Player(const std::filesystem::path& dat)
      : folder(dat.string()),
        w(backend, 1920, 1080),
        files(folder),
        pictures(folder),
        media(log),
        fom(w, Fom::Platform{files, pictures, media, folder.dat_path()}) {
    backend.Start(w.Fom);
  }
  platform::StoryFolder folder;
  trace::EventLog log;
  BufferedBackend backend;
  MainWindow w;
  platform::ScriptFiles files;
  platform::JpegPictureLoader pictures;
  trace::SimulatedMedia media;
  Fom fom;
};

std::filesystem::path SceneFolder(int width, int height) {
  auto dat = testing::FreshFolder("bench-picture-" + std::to_string(width));
  testing::WriteFile(dat / "scene.jpg", SceneJpeg(width, height));
  // The story waits on its first page while the pictures are shown.
  testing::WriteFile(dat / "opn.dat", "page\r\n");
  return dat;
}

void CheckArea(benchmark::State& state, Player& p) {
  if (const RuntimeError* error = p.backend.error()) {
    state.SkipWithError(error->message().c_str());
  } else if (p.w.Img.ScaleWidth() != 1080 || p.w.Img.ScaleHeight() != 540) {
    state.SkipWithError("the picture area is not 1080x540 on a 1920x1080 screen");
  }
}

// The >img line's work: file, decode, clear, stretched paint into the buffer.
void BM_ShowPicture(benchmark::State& state) {
  const int width = int(state.range(0)), height = int(state.range(1));
  Player p(SceneFolder(width, height));
  CheckArea(state, p);
  for (auto _ : state) {
    p.fom.ShowPicture(u"scene");
    benchmark::DoNotOptimize(p.backend.buffers.For(p.w.Img).pixels().data());
  }
  state.counters["area_w"] = p.w.Img.ScaleWidth();
  state.counters["area_h"] = p.w.Img.ScaleHeight();
}
BENCHMARK(BM_ShowPicture)
    ->ArgNames({"w", "h"})
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);

// The same, then into a frame: the area's texture uploaded and copied onto
// a 1920x1080 frame of a software renderer, as under Xvfb with no GPU.
void BM_ShowPictureInFrame(benchmark::State& state) {
  const int width = int(state.range(0)), height = int(state.range(1));
  Player p(SceneFolder(width, height));
  CheckArea(state, p);
  SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormat(0, 1920, 1080, 32, SDL_PIXELFORMAT_RGB888);
  SDL_Renderer* renderer = frame ? SDL_CreateSoftwareRenderer(frame) : nullptr;
  if (!renderer) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  SDL_Rect area{0, 0, p.w.Img.ScaleWidth(), p.w.Img.ScaleHeight()};
  for (auto _ : state) {
    p.fom.ShowPicture(u"scene");
    SDL_Texture* texture = p.backend.buffers.For(p.w.Img).Texture(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, &area);
    SDL_RenderPresent(renderer);
    benchmark::DoNotOptimize(frame->pixels);
  }
  p.backend.buffers.DropTextures();
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(frame);
}
BENCHMARK(BM_ShowPictureInFrame)
    ->ArgNames({"w", "h"})
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
