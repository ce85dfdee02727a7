// The libspeex side of the audio encoding.

#include <speex/speex.h>
#include <speex/speex_header.h>

#include <cstring>

#include "capture/audio_encoder.h"

namespace vantaro::capture {

namespace {

void PutLe32(uint8_t* at, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

class SpeexFrameEncoder : public NarrowbandFrameEncoder {
 public:
  SpeexFrameEncoder() {
    speex_bits_init(&bits_);
    state_ = speex_encoder_init(&speex_nb_mode);
    int quality = kSpeexQuality;
    speex_encoder_ctl(state_, SPEEX_SET_QUALITY, &quality);
  }
  ~SpeexFrameEncoder() override {
    speex_bits_destroy(&bits_);
    speex_encoder_destroy(state_);
  }
  SpeexFrameEncoder(const SpeexFrameEncoder&) = delete;
  SpeexFrameEncoder& operator=(const SpeexFrameEncoder&) = delete;

  size_t EncodeFrame(const float* samples, std::vector<uint8_t>* out) override {
    float in[kSamplesPerFrame];
    std::memcpy(in, samples, sizeof(in));
    speex_bits_reset(&bits_);
    speex_encode(state_, in, &bits_);
    // The whole frame is written, however long the library makes it: the output grows.
    const int length = speex_bits_nbytes(&bits_);
    if (length <= 0) return 0;
    const size_t at = out->size();
    out->resize(at + static_cast<size_t>(length));
    const int written = speex_bits_write(&bits_, reinterpret_cast<char*>(out->data() + at), length);
    out->resize(at + static_cast<size_t>(written > 0 ? written : 0));
    return out->size() - at;
  }

  void WriteHeader(int32_t lastFrameBytes, uint8_t* out) override {
    SpeexHeader h;
    std::memset(&h, 0, sizeof(h));
    speex_init_header(&h, 8000, 1, &speex_nb_mode);
    std::memset(out, 0, kSpeexHeaderSize);
    std::memcpy(out, h.speex_string, SPEEX_HEADER_STRING_LENGTH);
    std::memcpy(out + 8, h.speex_version, SPEEX_HEADER_VERSION_LENGTH);
    const int32_t fields[] = {h.speex_version_id,
                              static_cast<int32_t>(kSpeexHeaderSize),
                              h.rate,
                              h.mode,
                              h.mode_bitstream_version,
                              h.nb_channels,
                              h.bitrate,
                              h.frame_size,
                              h.vbr,
                              h.frames_per_packet,
                              h.extra_headers,
                              lastFrameBytes,
                              0};
    for (size_t i = 0; i < sizeof(fields) / sizeof(fields[0]); ++i) {
      PutLe32(out + 28 + 4 * i, fields[i]);
    }
  }

 private:
  SpeexBits bits_;
  void* state_ = nullptr;
};

}  // namespace

std::unique_ptr<NarrowbandFrameEncoder> CreateSpeexFrameEncoder() {
  return std::make_unique<SpeexFrameEncoder>();
}

}  // namespace vantaro::capture
