#include "capture/audio_encoder.h"

#include <gtest/gtest.h>
#include <speex/speex.h>

#include <cstring>
#include <string>
#include <vector>

#include "capture_fixture.h"

namespace vantaro::capture {
namespace {

std::vector<int16_t> Tone(size_t count) {
  std::vector<int16_t> s(count);
  for (size_t i = 0; i < count; ++i) s[i] = static_cast<int16_t>((i * 977) % 20000 - 10000);
  return s;
}

TEST(EncodeAudioBuffer, HeaderHoldsTheTabledFieldsAndFramesFollowIt) {
  std::vector<int16_t> samples = Tone(960);
  std::vector<uint8_t> out;
  const size_t size = EncodeAudioBuffer(&CreateSpeexFrameEncoder, samples.data(), 1920, &out);
  ASSERT_EQ(size, out.size());
  ASSERT_GT(size, kSpeexHeaderSize);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.data()), 8), "Speex   ");
  // The library's version text, zero-padded to 20 bytes.
  const std::string version(reinterpret_cast<const char*>(out.data() + 8));
  EXPECT_FALSE(version.empty());
  EXPECT_LT(version.size(), 20u);
  const int32_t expected[] = {1, 80, 8000, 0, 4, 1, -1, 160, 0, 0, 0};
  for (size_t i = 0; i < sizeof(expected) / sizeof(expected[0]); ++i) {
    EXPECT_EQ(ReadLe32(out.data() + 28 + 4 * i), expected[i]) << "field at " << 28 + 4 * i;
  }
  // Quality 8 narrowband frames have one fixed length: six of them follow the header, and the
  // first reserved field gives that length.
  const int32_t frameBytes = ReadLe32(out.data() + 72);
  EXPECT_GT(frameBytes, 0);
  EXPECT_EQ(ReadLe32(out.data() + 76), 0);
  EXPECT_EQ(size, kSpeexHeaderSize + 6 * static_cast<size_t>(frameBytes));

  // Each frame decodes alone, cut out by the length the header gives, as the device does.
  void* decoder = speex_decoder_init(&speex_nb_mode);
  SpeexBits bits;
  speex_bits_init(&bits);
  float decoded[160];
  for (int frame = 0; frame < 6; ++frame) {
    speex_bits_read_from(
        &bits, reinterpret_cast<char*>(out.data() + kSpeexHeaderSize + frame * frameBytes),
        frameBytes);
    EXPECT_EQ(speex_decode(decoder, &bits, decoded), 0) << "frame " << frame;
  }
  speex_bits_destroy(&bits);
  speex_decoder_destroy(decoder);
}

// Records the samples it is given and returns frames of a chosen length.
class RecordingFrameEncoder : public NarrowbandFrameEncoder {
 public:
  RecordingFrameEncoder(size_t frameBytes, std::vector<std::vector<float>>* frames)
      : frameBytes_(frameBytes), frames_(frames) {}
  size_t EncodeFrame(const float* samples, std::vector<uint8_t>* out) override {
    frames_->emplace_back(samples, samples + kSamplesPerFrame);
    out->insert(out->end(), frameBytes_, static_cast<uint8_t>(frames_->size()));
    return frameBytes_;
  }
  void WriteHeader(int32_t lastFrameBytes, uint8_t* out) override {
    std::memset(out, 0, kSpeexHeaderSize);
    out[72] = static_cast<uint8_t>(lastFrameBytes);
  }

 private:
  size_t frameBytes_;
  std::vector<std::vector<float>>* frames_;
};

struct FrameCase {
  size_t byteCount;
  size_t frameBytes;
  size_t frames;
};

// Frame count, silence after the recorded bytes, and an output that grows with the frames: six
// frames of 300 bytes (more than any fixed 400-byte output) all arrive whole.
TEST(EncodeAudioBuffer, FramesCoverTheBytesAndLongFramesNeverOverrun) {
  const FrameCase cases[] = {{1920, 38, 6}, {1920, 300, 6}, {1000, 38, 4}, {2, 38, 1}, {0, 38, 0}};
  for (const FrameCase& c : cases) {
    std::vector<std::vector<float>> frames;
    NarrowbandEncoderFactory factory = [&] {
      return std::make_unique<RecordingFrameEncoder>(c.frameBytes, &frames);
    };
    std::vector<int16_t> samples(960, 7);
    std::vector<uint8_t> out;
    const size_t size = EncodeAudioBuffer(factory, samples.data(), c.byteCount, &out);
    EXPECT_EQ(frames.size(), c.frames) << c.byteCount;
    EXPECT_EQ(size, kSpeexHeaderSize + c.frames * c.frameBytes) << c.byteCount;
    EXPECT_EQ(out[72], c.frames > 0 ? c.frameBytes & 0xff : 0) << c.byteCount;
    if (!frames.empty()) {
      const size_t recorded = c.byteCount / 2 - (frames.size() - 1) * kSamplesPerFrame;
      for (size_t i = 0; i < kSamplesPerFrame; ++i) {
        EXPECT_EQ(frames.back()[i], i < recorded ? 7.0f : 0.0f) << c.byteCount << " at " << i;
      }
    }
  }
}

}  // namespace
}  // namespace vantaro::capture
