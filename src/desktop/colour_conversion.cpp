#include "desktop/colour_conversion.h"

#include "desktop/kernel_choice.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VANTARO_AVX2_KERNELS 1
#endif

namespace vantaro::desktop {

namespace {

// The portable rows, left to the loop vectoriser. The sums stay within 16 bits (Y: 0..56228;
// U, V: -28432..28688), which lets the compiler use 16-bit lanes; the results match the 32-bit
// equations exactly.
void LumaRow(const uint8_t* __restrict p, int from, int width, uint8_t* __restrict y) {
  for (int x = from; x < width; ++x) {
    uint16_t b = p[4 * x];
    uint16_t g = p[4 * x + 1];
    uint16_t r = p[4 * x + 2];
    uint16_t sum = static_cast<uint16_t>(66 * r + 129 * g + 25 * b + 128);
    y[x] = static_cast<uint8_t>((sum >> 8) + 16);
  }
}

void ChromaRow(const uint8_t* __restrict p, int from, int pairs, uint8_t* __restrict u,
               uint8_t* __restrict v) {
  for (int i = from; i < pairs; ++i) {
    const uint8_t* q = p + 8 * i + 4;  // the odd column of the pair
    int16_t b = q[0];
    int16_t g = q[1];
    int16_t r = q[2];
    int16_t su = static_cast<int16_t>(-38 * r - 74 * g + 112 * b + 128);
    int16_t sv = static_cast<int16_t>(112 * r - 94 * g - 18 * b + 128);
    u[i] = static_cast<uint8_t>((su >> 8) + 128);
    v[i] = static_cast<uint8_t>((sv >> 8) + 128);
  }
}

#if VANTARO_AVX2_KERNELS
// Two 16-bit coefficients for the two halves of every 32-bit lane.
constexpr int32_t WordPair(int low, int high) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                              (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}

// The AVX2 rows split every pixel into its words (blue, red) and (green, unused) and let one
// multiply-add per pair form the equations' sums in 32-bit lanes, so they are the equations
// themselves, not an approximation. The offsets after the shift are folded in before it: for
// any integer s, (s + 256 k) >> 8 == (s >> 8) + k, and with them every sum is positive.
__attribute__((target("avx2"))) inline __m256i Luma8(__m256i pixels) {
  const __m256i lowBytes = _mm256_set1_epi32(0x00ff00ff);
  __m256i blueRed = _mm256_and_si256(pixels, lowBytes);
  __m256i green = _mm256_srli_epi16(pixels, 8);
  __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(blueRed, _mm256_set1_epi32(WordPair(25, 66))),
                                 _mm256_madd_epi16(green, _mm256_set1_epi32(WordPair(129, 0))));
  return _mm256_srli_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(128 + (16 << 8))), 8);
}

__attribute__((target("avx2"))) void LumaRowAvx2(const uint8_t* p, int width, uint8_t* y) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 4 * x));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 4 * x + 32));
    // Packing works within 128-bit halves; the permute puts the pixels back in order.
    __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(Luma8(a), Luma8(b)), 0xD8);
    __m128i bytes =
        _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x), bytes);
  }
  LumaRow(p, x, width, y);
}

__attribute__((target("avx2"))) void ChromaRowAvx2(const uint8_t* p, int pairs, uint8_t* u,
                                                   uint8_t* v) {
  const __m256i lowBytes = _mm256_set1_epi32(0x00ff00ff);
  const __m256i offset = _mm256_set1_epi32(128 + (128 << 8));
  // After the packs below the bytes are U 0 4 1 5, V 0 4 1 5, U 2 6 3 7, V 2 6 3 7.
  const __m128i order = _mm_setr_epi8(0, 2, 8, 10, 1, 3, 9, 11, 4, 6, 12, 14, 5, 7, 13, 15);
  int i = 0;
  for (; i + 8 <= pairs; i += 8) {
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 8 * i));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 8 * i + 32));
    // The odd pixels of both: 1, 9, 3, 11 | 5, 13, 7, 15 (pairs 0, 4, 1, 5 | 2, 6, 3, 7).
    __m256i odd = _mm256_blend_epi32(_mm256_srli_epi64(a, 32), b, 0xAA);
    __m256i blueRed = _mm256_and_si256(odd, lowBytes);
    __m256i green = _mm256_srli_epi16(odd, 8);
    __m256i su = _mm256_add_epi32(_mm256_madd_epi16(blueRed, _mm256_set1_epi32(WordPair(112, -38))),
                                  _mm256_madd_epi16(green, _mm256_set1_epi32(WordPair(-74, 0))));
    __m256i sv = _mm256_add_epi32(_mm256_madd_epi16(blueRed, _mm256_set1_epi32(WordPair(-18, 112))),
                                  _mm256_madd_epi16(green, _mm256_set1_epi32(WordPair(-94, 0))));
    su = _mm256_srli_epi32(_mm256_add_epi32(su, offset), 8);
    sv = _mm256_srli_epi32(_mm256_add_epi32(sv, offset), 8);
    __m256i words = _mm256_packs_epi32(su, sv);
    __m128i bytes =
        _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
    bytes = _mm_shuffle_epi8(bytes, order);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u + i), bytes);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(v + i), _mm_srli_si128(bytes, 8));
  }
  ChromaRow(p, i, pairs, u, v);
}
#endif

}  // namespace

void ConvertRowToI420(const uint8_t* bgrx, int width, uint8_t* y, uint8_t* u, uint8_t* v,
                      Kernels kernels) {
  bool chroma = u != nullptr && v != nullptr;
#if VANTARO_AVX2_KERNELS
  if (UseAvx2Kernels(kernels)) {
    LumaRowAvx2(bgrx, width, y);
    if (chroma) ChromaRowAvx2(bgrx, width / 2, u, v);
    return;
  }
#endif
  LumaRow(bgrx, 0, width, y);
  if (chroma) ChromaRow(bgrx, 0, width / 2, u, v);
}

bool ConvertToI420(const uint8_t* bgrx, int stride, int width, int height, const I420Planes& out,
                   Kernels kernels) {
  if (width < 2 || height < 2 || width % 2 != 0 || height % 2 != 0) return false;
  for (int row = 0; row < height; ++row) {
    bool chroma = row % 2 == 0;
    ConvertRowToI420(bgrx + static_cast<long>(row) * stride, width,
                     out.y + static_cast<long>(row) * out.strideY,
                     chroma ? out.u + static_cast<long>(row / 2) * out.strideU : nullptr,
                     chroma ? out.v + static_cast<long>(row / 2) * out.strideV : nullptr, kernels);
  }
  return true;
}

}  // namespace vantaro::desktop
