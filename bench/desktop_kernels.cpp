// The per-frame kernels of the desktop stream at the stream's two usual sizes, next to a plain
// copy of the same bytes (the memory-bandwidth floor).

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "desktop/area_scaler.h"
#include "desktop/colour_conversion.h"
#include "desktop/frame_composer.h"

namespace {

using namespace vantaro::desktop;

constexpr int kScreenW = 1920;
constexpr int kScreenH = 1080;

std::vector<uint8_t> RandomPicture(int w, int h) {
  std::vector<uint8_t> p(static_cast<size_t>(w) * h * 4);
  std::mt19937 random(1);
  for (auto& b : p) b = static_cast<uint8_t>(random());
  return p;
}

void Memcpy(benchmark::State& state) {
  size_t bytes = static_cast<size_t>(state.range(0)) * state.range(1) * 4;
  std::vector<uint8_t> a(bytes, 1), b(bytes);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void Convert(benchmark::State& state) {
  int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  std::vector<uint8_t> picture = RandomPicture(w, h);
  std::vector<uint8_t> y(w * h), u(w * h / 4), v(w * h / 4);
  I420Planes planes{y.data(), u.data(), v.data(), w, w / 2, w / 2};
  for (auto _ : state) {
    ConvertToI420(picture.data(), w * 4, w, h, planes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * w * h * 4);
}

void AreaScale(benchmark::State& state) {
  int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  std::vector<uint8_t> screen = RandomPicture(kScreenW, kScreenH);
  std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
  AreaScaler scaler(kScreenW, kScreenH, w, h);
  for (auto _ : state) {
    scaler.Scale(screen.data(), kScreenW * 4, out.data(), w * 4);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * w * h * 4);
}

// Scale, cursor and conversion together, row by row, as the stream runs them.
void Compose(benchmark::State& state) {
  int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  std::vector<uint8_t> screen = RandomPicture(kScreenW, kScreenH);
  vantaro::platform::ScreenFrame frame;
  frame.pixels = screen.data();
  frame.width = kScreenW;
  frame.height = kScreenH;
  frame.stride = kScreenW * 4;
  frame.cursor.visible = true;
  frame.cursor.x = 900;
  frame.cursor.y = 500;
  frame.cursor.width = 24;
  frame.cursor.height = 24;
  frame.cursor.argb.assign(24 * 24, 0x80808080);
  std::vector<uint8_t> y(w * h), u(w * h / 4), v(w * h / 4);
  I420Planes planes{y.data(), u.data(), v.data(), w, w / 2, w / 2};
  FrameComposer composer({w, h});
  for (auto _ : state) {
    composer.Compose(frame, planes);
    benchmark::ClobberMemory();
  }
}

}  // namespace

#define SIZES Args({1280, 720})->Args({1066, 600})->Unit(benchmark::kMicrosecond)
BENCHMARK(Memcpy)->SIZES;
BENCHMARK(Convert)->SIZES;
BENCHMARK(AreaScale)->SIZES;
BENCHMARK(Compose)->SIZES;
BENCHMARK_MAIN();
