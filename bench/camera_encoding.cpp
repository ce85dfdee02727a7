// The camera's per-frame cost (colour conversion + H.264 encoding) at 640 x 480 and 1280 x 720,
// with a fresh encoder per frame against one persistent encoder that makes every frame an IDR
// frame, on two pictures: the synthetic camera's colour bars, and a textured picture (a gradient
// under noise) that is harder to compress, closer to a real camera's. Then the microphone's cost:
// one 1,920-byte buffer through a new Speex encoder, as every buffer is encoded.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "capture/audio_encoder.h"
#include "capture/camera_encoder.h"
#include "capture/rgb24_to_i420.h"
#include "capture/test_pattern.h"

namespace {

using namespace vantaro::capture;

std::vector<uint8_t> Picture(int w, int h, bool textured) {
  std::vector<uint8_t> p(static_cast<size_t>(w) * h * 3);
  if (!textured) {
    uint32_t noise = 0;
    PaintSmpteBars(p.data(), static_cast<size_t>(w) * 3, w, h, &noise);
    return p;
  }
  std::mt19937 random(1);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 3; ++c) {
        int v = (x * 255 / w + y * 255 / h) / 2 + c * 20 + static_cast<int>(random() % 33) - 16;
        p[(static_cast<size_t>(y) * w + x) * 3 + c] = static_cast<uint8_t>(std::clamp(v, 0, 255));
      }
    }
  }
  return p;
}

// range(0) x range(1): size; range(2): 0 fresh encoder, 1 persistent all-IDR; range(3): textured.
void CameraFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  CameraEncoder encoder(state.range(2) == 0 ? CameraEncoding::kFreshPerFrame
                                            : CameraEncoding::kPersistentAllIdr);
  const std::vector<uint8_t> bgr = Picture(w, h, state.range(3) != 0);
  std::vector<uint8_t> i420(static_cast<size_t>(w) * h * 3 / 2);
  int64_t bytes = 0;
  for (auto _ : state) {
    ConvertRgb24ToI420(bgr.data(), static_cast<size_t>(w) * 3, w, h, false, i420.data());
    int32_t size = encoder.Encode(i420.data(), i420.size(), w, h);
    if (size <= 0) state.SkipWithError("no frame");
    bytes += size;
    benchmark::DoNotOptimize(encoder.frameData());
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["frame_bytes"] = static_cast<double>(bytes) / state.iterations();
}
BENCHMARK(CameraFrame)
    ->ArgNames({"w", "h", "persistent", "textured"})
    ->ArgsProduct({{640}, {480}, {0, 1}, {0, 1}})
    ->ArgsProduct({{1280}, {720}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void CameraConversion(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  const std::vector<uint8_t> bgr = Picture(w, h, true);
  std::vector<uint8_t> i420(static_cast<size_t>(w) * h * 3 / 2);
  for (auto _ : state) {
    ConvertRgb24ToI420(bgr.data(), static_cast<size_t>(w) * 3, w, h, false, i420.data());
    benchmark::DoNotOptimize(i420.data());
  }
}
BENCHMARK(CameraConversion)->Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMicrosecond);

void MicrophoneBuffer(benchmark::State& state) {
  std::vector<int16_t> samples(960);
  FillSine(samples.data(), samples.size(), 0, 1000.0, 16384.0, 44100);
  std::vector<uint8_t> out;
  for (auto _ : state) {
    EncodeAudioBuffer(&CreateSpeexFrameEncoder, samples.data(), 1920, &out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(MicrophoneBuffer)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
