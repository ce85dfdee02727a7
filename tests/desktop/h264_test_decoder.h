#pragma once
// Decodes H.264 Annex B frames with libavcodec, for checking what the server sends.

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>
#include <string>
#include <vector>

namespace vantaro::testing {

struct DecodedPicture {
  int width = 0;
  int height = 0;
  bool key = false;
  std::vector<uint8_t> y, u, v;  // packed planes
};

class H264TestDecoder {
 public:
  H264TestDecoder() {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    context_ = avcodec_alloc_context3(codec);
    context_->thread_count = 1;
    context_->flags |= AV_CODEC_FLAG_LOW_DELAY;
    if (avcodec_open2(context_, codec, nullptr) < 0) {
      avcodec_free_context(&context_);
    }
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
  }
  ~H264TestDecoder() {
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&context_);
  }
  H264TestDecoder(const H264TestDecoder&) = delete;
  H264TestDecoder& operator=(const H264TestDecoder&) = delete;

  bool ok() const { return context_ != nullptr; }

  // Feeds one frame's bytes; appends every picture that comes out. False on a decoding error.
  bool Decode(const uint8_t* data, size_t size, std::vector<DecodedPicture>* out) {
    std::vector<uint8_t> padded(data, data + size);
    padded.resize(size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    packet_->data = padded.data();
    packet_->size = static_cast<int>(size);
    int rc = avcodec_send_packet(context_, packet_);
    packet_->data = nullptr;
    packet_->size = 0;
    if (rc < 0) return false;
    return Drain(out);
  }
  bool Decode(const std::string& bytes, std::vector<DecodedPicture>* out) {
    return Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
  }
  // Pictures still held back by the decoder.
  bool Flush(std::vector<DecodedPicture>* out) {
    if (avcodec_send_packet(context_, nullptr) < 0) return false;
    return Drain(out);
  }

 private:
  bool Drain(std::vector<DecodedPicture>* out) {
    while (true) {
      int rc = avcodec_receive_frame(context_, frame_);
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
      if (rc < 0) return false;
      DecodedPicture p;
      p.width = frame_->width;
      p.height = frame_->height;
      p.key = frame_->key_frame != 0;
      Copy(frame_->data[0], frame_->linesize[0], p.width, p.height, &p.y);
      Copy(frame_->data[1], frame_->linesize[1], p.width / 2, p.height / 2, &p.u);
      Copy(frame_->data[2], frame_->linesize[2], p.width / 2, p.height / 2, &p.v);
      out->push_back(std::move(p));
      av_frame_unref(frame_);
    }
  }
  static void Copy(const uint8_t* src, int stride, int w, int h, std::vector<uint8_t>* dst) {
    dst->resize(static_cast<size_t>(w) * h);
    for (int r = 0; r < h; ++r)
      std::copy(src + static_cast<long>(r) * stride, src + static_cast<long>(r) * stride + w,
                dst->data() + static_cast<size_t>(r) * w);
  }

  AVCodecContext* context_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
};

// Types of the NAL units of an Annex B block, in order (7 SPS, 8 PPS, 5 IDR slice, ...).
inline std::vector<int> NalTypes(const uint8_t* data, size_t size) {
  std::vector<int> types;
  for (size_t i = 0; i + 3 < size; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
      types.push_back(data[i + 3] & 0x1f);
      i += 3;
    }
  }
  return types;
}

}  // namespace vantaro::testing
