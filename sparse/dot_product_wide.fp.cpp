// The prime-field build's FGLM dot product on the widest vectors the
// processor has (chosen at load time): 16 or 32 signed 16-bit entries per
// multiply-add into 32-bit lanes, each lane widened to 64 bits before it is
// added up, as in the 128-bit kernel, so the total is exact and its residue
// the same.
#include <vector>

#include "sparse/dot_product.hpp"
#include "engine/mem/cpu_features.hpp"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zel::ZEL_BUILD {

namespace {

#if defined(__x86_64__)
// acc += the eight 32-bit lanes of v sign-extended to 64 bits.
__attribute__((target("avx2"))) inline __m256i add_widened(__m256i acc, __m256i v) {
  acc = _mm256_add_epi64(acc, _mm256_cvtepi32_epi64(_mm256_castsi256_si128(v)));
  return _mm256_add_epi64(acc, _mm256_cvtepi32_epi64(_mm256_extracti128_si256(v, 1)));
}

__attribute__((target("avx2"))) int64_t total_avx2(const int16_t* row, const int16_t* x,
                                                   uint32_t n) {
  __m256i acc0 = _mm256_setzero_si256(), acc1 = acc0;
  uint32_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const auto* r = reinterpret_cast<const __m256i*>(row + i);
    const auto* v = reinterpret_cast<const __m256i*>(x + i);
    acc0 = add_widened(acc0, _mm256_madd_epi16(_mm256_loadu_si256(r), _mm256_loadu_si256(v)));
    acc1 = add_widened(acc1, _mm256_madd_epi16(_mm256_loadu_si256(r + 1), _mm256_loadu_si256(v + 1)));
  }
  for (; i + 16 <= n; i += 16)
    acc0 = add_widened(acc0, _mm256_madd_epi16(
                                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i)),
                                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i))));
  alignas(32) int64_t lanes[4];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), _mm256_add_epi64(acc0, acc1));
  int64_t t = lanes[0] + lanes[1] + lanes[2] + lanes[3];
  for (; i < n; ++i) t += static_cast<int32_t>(row[i]) * x[i];
  return t;
}

// The 512-bit form; the last block is read under a mask.  The zero-masked
// conversions (all lanes): the plain ones start from an undefined register,
// which the compiler warns about.
__attribute__((target("avx512f,avx512bw"))) inline __m512i add_widened(__m512i acc, __m512i v) {
  for (int half = 0; half < 2; ++half)
    acc = _mm512_add_epi64(
        acc, _mm512_maskz_cvtepi32_epi64(0xFF, half ? _mm512_maskz_extracti64x4_epi64(0xF, v, 1)
                                                    : _mm512_maskz_extracti64x4_epi64(0xF, v, 0)));
  return acc;
}

__attribute__((target("avx512f,avx512bw"))) int64_t total_avx512(const int16_t* row,
                                                                 const int16_t* x, uint32_t n) {
  __m512i acc0 = _mm512_setzero_si512(), acc1 = acc0;
  uint32_t i = 0;
  for (; i + 64 <= n; i += 64) {
    acc0 = add_widened(acc0, _mm512_madd_epi16(_mm512_loadu_si512(row + i), _mm512_loadu_si512(x + i)));
    acc1 = add_widened(acc1, _mm512_madd_epi16(_mm512_loadu_si512(row + i + 32),
                                               _mm512_loadu_si512(x + i + 32)));
  }
  for (; i < n; i += 32) {
    const __mmask32 m = n - i >= 32 ? ~__mmask32(0) : (__mmask32(1) << (n - i)) - 1;
    acc0 = add_widened(acc0, _mm512_madd_epi16(_mm512_maskz_loadu_epi16(m, row + i),
                                               _mm512_maskz_loadu_epi16(m, x + i)));
  }
  alignas(64) int64_t lanes[8];
  _mm512_store_si512(lanes, _mm512_add_epi64(acc0, acc1));
  int64_t t = 0;
  for (int64_t l : lanes) t += l;
  return t;
}
#endif

int16_t by_sse(const int16_t* row, const int16_t* x, uint32_t n, uint32_t p) {
  return dot_product_dense_sse_prefetch(row, x, n, p);
}

#if defined(__x86_64__)
int16_t by_avx2(const int16_t* row, const int16_t* x, uint32_t n, uint32_t p) {
  return fold_symmetric(total_avx2(row, x, n), p);
}
int16_t by_avx512(const int16_t* row, const int16_t* x, uint32_t n, uint32_t p) {
  return fold_symmetric(total_avx512(row, x, n), p);
}
#endif

using Kernel = int16_t (*)(const int16_t*, const int16_t*, uint32_t, uint32_t);

// Read once at load time.
const Kernel kKernel = [] {
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512bw") && avx512_allowed()) return &by_avx512;
  if (__builtin_cpu_supports("avx2")) return &by_avx2;
#endif
  return &by_sse;
}();

}  // namespace

int16_t dot_product_dense_wide(const int16_t* row, const int16_t* x, uint32_t n, uint32_t p) {
  return kKernel(row, x, n, p);
}

std::vector<int16_t (*)(const int16_t*, const int16_t*, uint32_t, uint32_t)>
dot_product_dense_wide_kernels() {
  std::vector<Kernel> all{&by_sse};
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2")) all.push_back(&by_avx2);
  if (__builtin_cpu_supports("avx512bw")) all.push_back(&by_avx512);
#endif
  return all;
}

}  // namespace zel::ZEL_BUILD
