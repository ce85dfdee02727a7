#include "desktop/video_encoder.h"

#include <cstdint>
#include <cstdio>
// The library's header needs the fixed-width integer types first.
#include <x264.h>

namespace vantaro::desktop {

struct VideoEncoderContext::Library {
  x264_param_t params;
  x264_t* encoder = nullptr;
  x264_picture_t picture;
  x264_picture_t outputPicture;
  x264_nal_t* nals = nullptr;
};

namespace {

bool FillParams(x264_param_t* params, int32_t width, int32_t height) {
  if (x264_param_default_preset(params, "veryfast", "zerolatency") < 0) return false;
  params->i_threads = 1;
  params->i_width = width;
  params->i_height = height;
  params->i_csp = X264_CSP_I420;
  params->rc.i_rc_method = X264_RC_CRF;
  params->rc.f_rf_constant = 25.0f;
  params->rc.f_rf_constant_max = 35.0f;
  params->i_fps_num = 25;
  params->i_fps_den = 1;
  params->i_keyint_max = 25;
  params->b_intra_refresh = 1;
  params->b_repeat_headers = 1;
  params->b_annexb = 1;
  // The library's informational lines (at open and close of every encoder) would flood standard
  // error; warnings and errors still show. This does not touch the bit stream.
  params->i_log_level = X264_LOG_WARNING;
  return x264_param_apply_profile(params, "baseline") == 0;
}

}  // namespace

VideoEncoderContext::VideoEncoderContext() : lib_(std::make_unique<Library>()) {}

VideoEncoderContext::~VideoEncoderContext() { CloseVideoEncoder(); }

bool VideoEncoderContext::OpenVideoEncoder(int32_t width, int32_t height, PictureSupply supply) {
  CloseVideoEncoder();
  if (width < 2 || height < 2 || width % 2 != 0 || height % 2 != 0) {
    std::fprintf(stderr, "video encoder: refusing odd or empty size %dx%d\n", width, height);
    return false;
  }
  if (!FillParams(&lib_->params, width, height)) {
    std::fprintf(stderr, "video encoder: the library rejected the settings\n");
    return false;
  }
  lib_->encoder = x264_encoder_open(&lib_->params);
  if (lib_->encoder == nullptr) {
    std::fprintf(stderr, "video encoder: could not open an encoder for %dx%d\n", width, height);
    return false;
  }
  x264_picture_init(&lib_->picture);
  x264_picture_init(&lib_->outputPicture);
  if (supply == PictureSupply::kLibraryPlanes) {
    if (x264_picture_alloc(&lib_->picture, X264_CSP_I420, width, height) < 0) {
      std::fprintf(stderr, "video encoder: out of memory for a %dx%d picture\n", width, height);
      x264_encoder_close(lib_->encoder);
      lib_->encoder = nullptr;
      return false;
    }
    pictureAllocated_ = true;
  } else {
    lib_->picture.img.i_csp = X264_CSP_I420;
    lib_->picture.img.i_plane = 3;
    lib_->picture.img.i_stride[0] = width;
    lib_->picture.img.i_stride[1] = width / 2;
    lib_->picture.img.i_stride[2] = width / 2;
  }
  width_ = width;
  height_ = height;
  supply_ = supply;
  bufferSet_ = false;
  return true;
}

bool VideoEncoderContext::isOpen() const { return lib_->encoder != nullptr; }

uint8_t* VideoEncoderContext::plane(int index) {
  if (!pictureAllocated_ || index < 0 || index > 2) return nullptr;
  return lib_->picture.img.plane[index];
}

int VideoEncoderContext::stride(int index) const {
  if (!isOpen() || index < 0 || index > 2) return 0;
  return lib_->picture.img.i_stride[index];
}

bool VideoEncoderContext::SetCallerBuffer(const uint8_t* i420, size_t size) {
  if (!isOpen() || supply_ != PictureSupply::kCallerBuffer || i420 == nullptr) return false;
  size_t luma = static_cast<size_t>(width_) * height_;
  if (size < luma + luma / 2) return false;
  // The library only reads the input planes; its structure has no const pointers.
  auto* base = const_cast<uint8_t*>(i420);
  lib_->picture.img.plane[0] = base;
  lib_->picture.img.plane[1] = base + luma;
  lib_->picture.img.plane[2] = base + luma + luma / 4;
  bufferSet_ = true;
  return true;
}

int32_t VideoEncoderContext::EncodeVideoPicture(int64_t pts, bool forceIdr) {
  frame_ = nullptr;
  frameSize_ = 0;
  if (!isOpen() || (supply_ == PictureSupply::kCallerBuffer && !bufferSet_)) return 0;
  lib_->picture.i_type = forceIdr ? X264_TYPE_IDR : X264_TYPE_AUTO;
  lib_->picture.i_qpplus1 = 0;
  lib_->picture.i_pts = pts;
  int nalCount = 0;
  int size = x264_encoder_encode(lib_->encoder, &lib_->nals, &nalCount, &lib_->picture,
                                 &lib_->outputPicture);
  if (supply_ == PictureSupply::kCallerBuffer) bufferSet_ = false;
  if (size <= 0 || nalCount <= 0 || lib_->nals == nullptr) return size < 0 ? size : 0;
  // The library lays the payloads of one call out back to back, so the frame is one block.
  frame_ = lib_->nals[0].p_payload;
  frameSize_ = size;
  return size;
}

void VideoEncoderContext::CloseVideoEncoder() {
  if (pictureAllocated_) {
    x264_picture_clean(&lib_->picture);
    pictureAllocated_ = false;
  }
  if (lib_->encoder != nullptr) {
    x264_encoder_close(lib_->encoder);
    lib_->encoder = nullptr;
  }
  frame_ = nullptr;
  frameSize_ = 0;
  bufferSet_ = false;
}

}  // namespace vantaro::desktop
