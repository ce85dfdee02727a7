#include "desktop/area_scaler.h"

#include <algorithm>
#include <cstring>

#include "desktop/kernel_choice.h"

#if defined(__x86_64__) || defined(__SSE2__)
#include <emmintrin.h>
#define VANTARO_HAVE_SSE2 1
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VANTARO_AVX2_KERNELS 1
#endif

namespace vantaro::desktop {

namespace {

// The row sums are plain loops that the vectoriser widens; they are built twice, for AVX2 and for
// any x86-64, and chosen by the processor at run time. (Not with target_clones: MinGW has no
// ifunc resolver, and one way of choosing is easier to reason about than two.)
#if defined(__GNUC__)
#define VANTARO_INLINE_BODY inline __attribute__((always_inline))
#else
#define VANTARO_INLINE_BODY inline
#endif

// Rows are summed with weights of 1/256 into 16 bits (255 * 256 fits), then halved so that the
// column pass can multiply pairs as signed 16-bit values; columns use weights of 1/16384.
constexpr int32_t kRowOne = 256;
constexpr int32_t kColumnOne = 16384;
constexpr int kColumnShift = 21;  // 128 (the halved row scale) * 16384

VANTARO_INLINE_BODY void SumRowsBody(const uint8_t* const* rows, const int32_t* weights, int count,
                                    int n, uint16_t* __restrict out) {
  if (count == 1) {
    const uint8_t* r0 = rows[0];
    for (int i = 0; i < n; ++i) out[i] = static_cast<uint16_t>(r0[i] << 7);
    return;
  }
  const uint8_t* r0 = rows[0];
  const uint8_t* r1 = rows[1];
  uint16_t w0 = static_cast<uint16_t>(weights[0]);
  uint16_t w1 = static_cast<uint16_t>(weights[1]);
  if (count == 2 && w0 + w1 == kRowOne) {
    // w0 r0 + w1 r1 == 256 r1 + w0 (r0 - r1): one multiply instead of two, and in 16-bit
    // wrap-around arithmetic the same bits.
    for (int i = 0; i < n; ++i) {
      auto difference = static_cast<uint16_t>(r0[i] - r1[i]);
      auto sum = static_cast<uint16_t>((r1[i] << 8) + w0 * difference);
      out[i] = static_cast<uint16_t>((sum + 1) >> 1);
    }
    return;
  }
  if (count == 2) {
    for (int i = 0; i < n; ++i)
      out[i] = static_cast<uint16_t>(static_cast<uint16_t>(w0 * r0[i] + w1 * r1[i] + 1) >> 1);
    return;
  }
  if (count == 3) {
    const uint8_t* r2 = rows[2];
    uint16_t w2 = static_cast<uint16_t>(weights[2]);
    for (int i = 0; i < n; ++i)
      out[i] = static_cast<uint16_t>(
          static_cast<uint16_t>(w0 * r0[i] + w1 * r1[i] + w2 * r2[i] + 1) >> 1);
    return;
  }
  for (int i = 0; i < n; ++i) out[i] = static_cast<uint16_t>(w0 * r0[i] + w1 * r1[i]);
  for (int k = 2; k < count; ++k) {
    const uint8_t* rk = rows[k];
    uint16_t wk = static_cast<uint16_t>(weights[k]);
    if (k + 1 < count) {
      for (int i = 0; i < n; ++i) out[i] = static_cast<uint16_t>(out[i] + wk * rk[i]);
    } else {
      for (int i = 0; i < n; ++i)
        out[i] = static_cast<uint16_t>(static_cast<uint16_t>(out[i] + wk * rk[i] + 1) >> 1);
    }
  }
}

void SumRowsPortable(const uint8_t* const* rows, const int32_t* weights, int count, int n,
                     uint16_t* out) {
  SumRowsBody(rows, weights, count, n, out);
}

#if VANTARO_AVX2_KERNELS
__attribute__((target("avx2"))) void SumRowsAvx2(const uint8_t* const* rows,
                                                 const int32_t* weights, int count, int n,
                                                 uint16_t* out) {
  SumRowsBody(rows, weights, count, n, out);
}
#endif

void SumRows(const uint8_t* const* rows, const int32_t* weights, int count, int n,
             uint16_t* out) {
#if VANTARO_AVX2_KERNELS
  if (UseAvx2Kernels(Kernels::kBest)) return SumRowsAvx2(rows, weights, count, n, out);
#endif
  SumRowsPortable(rows, weights, count, n, out);
}

uint8_t ClampByte(int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

[[maybe_unused]] void SumColumnsScalar(const uint16_t* sums, const int* first,
                                       const int16_t* weights, int taps, int from, int to,
                                       uint8_t* out) {
  for (int x = from; x < to; ++x) {
    const uint16_t* p = sums + 4 * first[x];
    const int16_t* w = weights + static_cast<long>(x) * taps;
    for (int c = 0; c < 4; ++c) {
      int32_t acc = 1 << (kColumnShift - 1);
      for (int k = 0; k < taps; ++k) acc += w[k] * static_cast<int32_t>(p[4 * k + c]);
      out[4 * x + c] = ClampByte(acc >> kColumnShift);
    }
  }
}

#if VANTARO_HAVE_SSE2
// Weight0 * a + weight1 * b for the four channels of the neighbouring pixels a, b at `p`: their
// channels are interleaved so that one multiply-add does a pair of taps. `lanes` holds the two
// weights as one 32-bit word, four times.
inline __m128i TapPair(const uint16_t* p, const int32_t* lanes) {
  __m128i ab = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i mixed = _mm_unpacklo_epi16(ab, _mm_srli_si128(ab, 8));
  return _mm_madd_epi16(mixed, _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes)));
}

template <int kTaps>
inline __m128i OutputPixel(const uint16_t* sums, const int* first, const int32_t* lanes, int x,
                           int taps, __m128i round) {
  const uint16_t* p = sums + 4 * first[x];
  const int32_t* w = lanes + static_cast<long>(x) * taps * 2;
  __m128i acc = round;
  if constexpr (kTaps > 0) {
    for (int k = 0; k < kTaps; k += 2) acc = _mm_add_epi32(acc, TapPair(p + 4 * k, w + 2 * k));
  } else {
    for (int k = 0; k < taps; k += 2) acc = _mm_add_epi32(acc, TapPair(p + 4 * k, w + 2 * k));
  }
  return _mm_srai_epi32(acc, kColumnShift);
}

// Two output pixels per round, so that the packing to bytes fills a whole 64-bit store.
// Output pixels `from` .. `width` - 1; two per round, so that the packing to bytes fills a whole
// 64-bit store.
template <int kTaps>
void SumColumnsFixed(const uint16_t* sums, const int* first, const int32_t* lanes, int taps,
                     int from, int width, uint8_t* out) {
  const __m128i round = _mm_set1_epi32(1 << (kColumnShift - 1));
  int x = from;
  for (; x + 2 <= width; x += 2) {
    __m128i a = OutputPixel<kTaps>(sums, first, lanes, x, taps, round);
    __m128i b = OutputPixel<kTaps>(sums, first, lanes, x + 1, taps, round);
    __m128i v = _mm_packs_epi32(a, b);
    v = _mm_packus_epi16(v, v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * x), v);
  }
  for (; x < width; ++x) {
    __m128i v = OutputPixel<kTaps>(sums, first, lanes, x, taps, round);
    v = _mm_packs_epi32(v, v);
    v = _mm_packus_epi16(v, v);
    int32_t pixel = _mm_cvtsi128_si32(v);
    std::memcpy(out + 4 * x, &pixel, 4);
  }
}

void SumColumnsPortable(const uint16_t* sums, const int* first, const int32_t* lanes, int taps,
                        int from, int width, uint8_t* out) {
  if (taps == 2) return SumColumnsFixed<2>(sums, first, lanes, taps, from, width, out);
  if (taps == 4) return SumColumnsFixed<4>(sums, first, lanes, taps, from, width, out);
  SumColumnsFixed<0>(sums, first, lanes, taps, from, width, out);
}
#endif

#if VANTARO_AVX2_KERNELS
// The AVX2 column pass does the same sums as the 128-bit one, two pixels (or, with four taps, the
// two halves of one pixel) per 256-bit multiply-add, and stores four pixels at a time.
__attribute__((target("avx2"))) inline __m256i MixPairs(__m256i v) {
  return _mm256_unpacklo_epi16(v, _mm256_srli_si256(v, 8));
}

// Pixels x and x + 1 with two taps each: [sum x | sum x + 1].
__attribute__((target("avx2"))) inline __m256i TwoTapPixels(const uint16_t* sums, const int* first,
                                                            const int32_t* lanes, int x) {
  __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + 4 * first[x]));
  __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + 4 * first[x + 1]));
  __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1);
  __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes + 4 * x));
  return _mm256_madd_epi16(MixPairs(v), w);
}

// Pixels x and x + 1 with four taps each: [sum x | sum x + 1].
__attribute__((target("avx2"))) inline __m256i FourTapPixels(const uint16_t* sums, const int* first,
                                                             const int32_t* lanes, int x) {
  __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + 4 * first[x]));
  __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + 4 * first[x + 1]));
  __m256i wa = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes + 8 * x));
  __m256i wb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes + 8 * x + 8));
  __m256i ra = _mm256_madd_epi16(MixPairs(a), wa);  // [taps 0, 1 | taps 2, 3] of pixel x
  __m256i rb = _mm256_madd_epi16(MixPairs(b), wb);
  return _mm256_add_epi32(_mm256_permute2x128_si256(ra, rb, 0x20),
                          _mm256_permute2x128_si256(ra, rb, 0x31));
}

__attribute__((target("avx2"))) inline void StoreFour(__m256i first2, __m256i next2, uint8_t* out) {
  const __m256i round = _mm256_set1_epi32(1 << (kColumnShift - 1));
  __m256i a = _mm256_srai_epi32(_mm256_add_epi32(first2, round), kColumnShift);
  __m256i b = _mm256_srai_epi32(_mm256_add_epi32(next2, round), kColumnShift);
  // Packing keeps to 128-bit halves: pixels come out as x, x + 2 | x + 1, x + 3.
  __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_setzero_si256());
  bytes = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 3, 6, 7));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(bytes));
}

// `ahead` .. `ahead` + `aheadBytes` are the source rows that the next output row adds; asking
// for them a line per round while this row's columns are summed hides their first read.
template <int kTaps>
__attribute__((target("avx2"))) void SumColumnsAvx2(const uint16_t* sums, const int* first,
                                                    const int32_t* lanes, int width,
                                                    const uint8_t* ahead, long aheadBytes,
                                                    uint8_t* out) {
  int x = 0;
  long fetched = 0;
  for (; x + 4 <= width; x += 4) {
    if (fetched < aheadBytes) {
      _mm_prefetch(reinterpret_cast<const char*>(ahead + fetched), _MM_HINT_T0);
      fetched += 64;
    }
    if constexpr (kTaps == 2) {
      StoreFour(TwoTapPixels(sums, first, lanes, x), TwoTapPixels(sums, first, lanes, x + 2),
                out + 4 * x);
    } else {
      StoreFour(FourTapPixels(sums, first, lanes, x), FourTapPixels(sums, first, lanes, x + 2),
                out + 4 * x);
    }
  }
  SumColumnsFixed<kTaps>(sums, first, lanes, kTaps, x, width, out);
}
#endif

void SumColumns(const uint16_t* sums, const int* first, const int16_t* weights,
                const int32_t* lanes, int taps, int width, Kernels kernels, const uint8_t* ahead,
                long aheadBytes, uint8_t* out) {
#if VANTARO_AVX2_KERNELS
  if (UseAvx2Kernels(kernels) && taps == 2)
    return SumColumnsAvx2<2>(sums, first, lanes, width, ahead, aheadBytes, out);
  if (UseAvx2Kernels(kernels) && taps == 4)
    return SumColumnsAvx2<4>(sums, first, lanes, width, ahead, aheadBytes, out);
#else
  (void)kernels;
#endif
  (void)ahead;
  (void)aheadBytes;
#if VANTARO_HAVE_SSE2
  (void)weights;
  SumColumnsPortable(sums, first, lanes, taps, 0, width, out);
#else
  (void)lanes;
  SumColumnsScalar(sums, first, weights, taps, 0, width, out);
#endif
}

}  // namespace

std::vector<AreaTaps> ComputeAreaTaps(int source, int target, int32_t one) {
  std::vector<AreaTaps> taps(static_cast<size_t>(std::max(target, 0)));
  // Output pixel i covers [i * source, (i + 1) * source) in units of 1/target of a source pixel;
  // source pixel j covers [j * target, (j + 1) * target).
  for (int i = 0; i < target; ++i) {
    int64_t begin = int64_t{i} * source;
    int64_t end = begin + source;
    int firstPixel = static_cast<int>(begin / target);
    int lastPixel = static_cast<int>((end - 1) / target);
    AreaTaps& t = taps[i];
    t.first = firstPixel;
    int64_t assigned = 0;
    size_t largest = 0;
    for (int j = firstPixel; j <= lastPixel; ++j) {
      int64_t overlap =
          std::min(end, int64_t{j + 1} * target) - std::max(begin, int64_t{j} * target);
      auto w = static_cast<int32_t>((overlap * one + source / 2) / source);
      t.weights.push_back(w);
      assigned += w;
      if (w > t.weights[largest]) largest = t.weights.size() - 1;
    }
    // Rounding may leave the sum a little off; the largest share absorbs it.
    t.weights[largest] += static_cast<int32_t>(one - assigned);
  }
  return taps;
}

AreaScaler::AreaScaler(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight,
                       Kernels kernels)
    : kernels_(kernels),
      sourceWidth_(std::max(sourceWidth, 1)),
      sourceHeight_(std::max(sourceHeight, 1)),
      targetWidth_(std::max(targetWidth, 1)),
      targetHeight_(std::max(targetHeight, 1)) {
  rowTaps_ = ComputeAreaTaps(sourceHeight_, targetHeight_, kRowOne);
  std::vector<AreaTaps> columns = ComputeAreaTaps(sourceWidth_, targetWidth_, kColumnOne);
  size_t widest = 1;
  for (const AreaTaps& t : columns) widest = std::max(widest, t.weights.size());
  columnTaps_ = static_cast<int>((widest + 1) / 2 * 2);
  columnFirst_.resize(columns.size());
  columnWeights_.assign(columns.size() * columnTaps_, 0);
  for (size_t x = 0; x < columns.size(); ++x) {
    int first = std::min(columns[x].first, sourceWidth_ - columnTaps_);
    int offset = columns[x].first - first;
    if (first < 0) {  // a row narrower than the padded taps: keep the taps, pad the row instead
      offset += first;
      first = 0;
    }
    columnFirst_[x] = first;
    for (size_t k = 0; k < columns[x].weights.size(); ++k)
      columnWeights_[x * columnTaps_ + offset + k] = static_cast<int16_t>(columns[x].weights[k]);
  }
  // Each pair of taps as one 32-bit word (low weight first), four times: one vector load per pair.
  columnLanes_.resize(columnWeights_.size() * 2);
  for (size_t pair = 0; pair < columnWeights_.size() / 2; ++pair) {
    uint32_t word = static_cast<uint16_t>(columnWeights_[2 * pair]) |
                    static_cast<uint32_t>(static_cast<uint16_t>(columnWeights_[2 * pair + 1]))
                        << 16;
    for (size_t k = 0; k < 4; ++k) columnLanes_[4 * pair + k] = static_cast<int32_t>(word);
  }
  // Room for the padded taps of a row narrower than them; the extra sums stay zero.
  rowSums_.assign(static_cast<size_t>(std::max(sourceWidth_, columnTaps_)) * 4 + 8, 0);
}

void AreaScaler::ScaleRow(const uint8_t* source, long sourceStride, int row, uint8_t* out) {
  const AreaTaps& taps = rowTaps_[static_cast<size_t>(row)];
  int count = static_cast<int>(taps.weights.size());
  if (sourceWidth_ == targetWidth_ && count == 1) {
    std::memcpy(out, source + taps.first * sourceStride, static_cast<size_t>(targetWidth_) * 4);
    return;
  }
  const uint8_t* rows[64] = {};
  const uint8_t** rowPointers = rows;
  std::vector<const uint8_t*> many;
  if (count > 64) {
    many.resize(static_cast<size_t>(count));
    rowPointers = many.data();
  }
  for (int k = 0; k < count; ++k) rowPointers[k] = source + (taps.first + k) * sourceStride;
  SumRows(rowPointers, taps.weights.data(), count, sourceWidth_ * 4, rowSums_.data());
  // The rows of the next output row that this one did not read.
  const uint8_t* ahead = nullptr;
  long aheadBytes = 0;
  if (row + 1 < targetHeight_) {
    const AreaTaps& next = rowTaps_[static_cast<size_t>(row) + 1];
    int from = std::max(next.first, taps.first + count);
    int to = next.first + static_cast<int>(next.weights.size());
    if (to > from) {
      ahead = source + from * sourceStride;
      aheadBytes = (to - from - 1) * sourceStride + sourceWidth_ * 4;
    }
  }
  SumColumns(rowSums_.data(), columnFirst_.data(), columnWeights_.data(), columnLanes_.data(),
             columnTaps_, targetWidth_, kernels_, ahead, aheadBytes, out);
}

void AreaScaler::Scale(const uint8_t* source, long sourceStride, uint8_t* out, long outStride) {
  for (int row = 0; row < targetHeight_; ++row)
    ScaleRow(source, sourceStride, row, out + row * outStride);
}

}  // namespace vantaro::desktop
