// Decoding and stretching the story's pictures: figures per call, to hold
// against one frame (16.7 ms at 60 Hz).
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <random>
#include <stdexcept>

#include "base/runtime_error.h"
#include "platform/render/jpeg_loader.h"
#include "platform/render/stretch.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/story_builder.h"

using namespace yomite;

namespace {

// Smooth shapes with grain, so the encoder has about as much to say as for
// a photograph or a painted scene.
std::string PhotoLikeJpeg(int width, int height, bool progressive) {
  std::mt19937 random(width * 31 + height);
  std::vector<unsigned char> rgb;
  rgb.reserve(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double base = 128 + 70 * std::sin(x / 53.0) * std::cos(y / 31.0);
      for (int c = 0; c < 3; ++c) {
        int v = static_cast<int>(base + 40 * std::sin((x + y) / (17.0 + 9 * c))) +
                static_cast<int>(random() % 25) - 12;
        rgb.push_back(static_cast<unsigned char>(std::clamp(v, 0, 255)));
      }
    }
  }
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  if (tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 85,
                  progressive ? TJFLAG_PROGRESSIVE : 0) != 0) {
    throw std::runtime_error(tjGetErrorStr2(handle));
  }
  std::string bytes(reinterpret_cast<char*>(jpeg), size);
  tjFree(jpeg);
  tjDestroy(handle);
  return bytes;
}

void BM_DecodeJpeg(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const std::string jpeg = PhotoLikeJpeg(width, height, state.range(2) != 0);
  for (auto _ : state) {
    platform::Picture picture = platform::DecodeJpeg(jpeg, "bench.jpg");
    benchmark::DoNotOptimize(picture.pixels.data());
  }
  state.counters["jpeg_kB"] = static_cast<double>(jpeg.size()) / 1024;
  state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(width) * height / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DecodeJpeg)
    ->ArgNames({"w", "h", "progressive"})
    ->Args({640, 480, 0})
    ->Args({640, 480, 1})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Unit(benchmark::kMillisecond);

// A progressive picture of one colour, its last scan (a few bytes: the
// coefficients it refines are all zero) repeated until the stream holds
// scans in all: every scan is a pass over the whole picture. At the limit
// it decodes; one more is refused before the passes are made.
void BM_DecodeRepeatedScans(benchmark::State& state) {
  const int scans = static_cast<int>(state.range(0));
  const testing::Pixels flat(size_t{1920} * 1080, 0x336699);
  const std::string plain =
      testing::EncodeRgb(flat, 1920, 1080, {.subsampling = TJSAMP_420, .progressive = true});
  const std::string jpeg = testing::RepeatLastScan(plain, scans - testing::CountScans(plain));
  bool refused = false;
  for (auto _ : state) {
    try {
      platform::Picture picture = platform::DecodeJpeg(jpeg, "bench.jpg");
      benchmark::DoNotOptimize(picture.pixels.data());
    } catch (const RuntimeError&) {
      refused = true;
    }
  }
  state.counters["jpeg_kB"] = static_cast<double>(jpeg.size()) / 1024;
  state.counters["refused"] = refused ? 1 : 0;
}
BENCHMARK(BM_DecodeRepeatedScans)
    ->ArgName("scans")
    ->Arg(platform::kMaxPictureScans)
    ->Arg(20'000)
    ->Unit(benchmark::kMillisecond);

// The same through the loader: name resolution and reading the file too.
void BM_LoadPictureFile(benchmark::State& state) {
  auto folder = testing::FreshFolder("bench-render");
  testing::WriteFile(folder / "scene.jpg", PhotoLikeJpeg(1920, 1080, false));
  const platform::StoryFolder story(folder.string());
  platform::JpegPictureLoader loader(story);
  for (auto _ : state) {
    platform::PicturePtr picture = loader.LoadPicture(story.dat_path() + u"Scene.jpg");
    benchmark::DoNotOptimize(picture.get());
  }
}
BENCHMARK(BM_LoadPictureFile)->Unit(benchmark::kMillisecond);

void BM_Stretch(benchmark::State& state) {
  const int sw = static_cast<int>(state.range(0)), sh = static_cast<int>(state.range(1));
  const int dw = static_cast<int>(state.range(2)), dh = static_cast<int>(state.range(3));
  std::mt19937 random(5);
  platform::Picture src{sw, sh, {}};
  src.pixels.resize(static_cast<size_t>(sw) * sh);
  for (uint32_t& p : src.pixels) p = random() & 0xFFFFFF;
  std::vector<uint32_t> dst(static_cast<size_t>(dw) * dh);
  for (auto _ : state) {
    render::StretchPixels({src.pixels.data(), sw, sh, sw}, {dst.data(), dw, dh, dw});
    benchmark::DoNotOptimize(dst.data());
  }
  state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(dw) * dh / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Stretch)
    ->ArgNames({"sw", "sh", "dw", "dh"})
    ->Args({1920, 1080, 1080, 540})
    ->Args({640, 480, 1080, 540})
    ->Args({640, 480, 1920, 1080})
    ->Args({1920, 1080, 1920, 1080})
    ->Args({1920, 1080, 300, 300})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
