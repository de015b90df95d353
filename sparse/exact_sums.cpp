#include "sparse/exact_sums.hpp"

#include "engine/mem/cpu_features.hpp"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zel::ZEL_BUILD {

namespace {

// One product into one entry: a wrap shows as the new sum below the product.
inline void add_product(uint64_t& sum, uint64_t& wraps, uint64_t product) {
  sum += product;
  wraps += sum < product;
}

#if defined(__x86_64__)
// Eight entries per step.
__attribute__((target("avx512f"))) void add_two_scaled_avx512(uint64_t* sums, uint64_t* wraps,
                                                              const uint32_t* a, uint64_t x,
                                                              const uint32_t* b, uint64_t y,
                                                              uint32_t n) {
  const __m512i one = _mm512_set1_epi64(1), xv = _mm512_set1_epi64(int64_t(x)),
                yv = _mm512_set1_epi64(int64_t(y));
  uint32_t j = 0;
  for (; j + 8 <= n; j += 8) {
    // The zero-masked forms (all lanes): the plain ones start from an
    // undefined register, which the compiler warns about.
    const __m512i av =
        _mm512_maskz_cvtepu32_epi64(0xFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + j)));
    const __m512i bv =
        _mm512_maskz_cvtepu32_epi64(0xFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + j)));
    const __m512i p1 = _mm512_maskz_mul_epu32(0xFF, av, xv);
    const __m512i p2 = _mm512_maskz_mul_epu32(0xFF, bv, yv);
    __m512i s = _mm512_loadu_si512(sums + j), w = _mm512_loadu_si512(wraps + j);
    s = _mm512_add_epi64(s, p1);
    w = _mm512_mask_add_epi64(w, _mm512_cmplt_epu64_mask(s, p1), w, one);
    s = _mm512_add_epi64(s, p2);
    w = _mm512_mask_add_epi64(w, _mm512_cmplt_epu64_mask(s, p2), w, one);
    _mm512_storeu_si512(sums + j, s);
    _mm512_storeu_si512(wraps + j, w);
  }
  add_two_scaled_plain(sums + j, wraps + j, a + j, x, b + j, y, n - j);
}

// Read once at load time.
const bool kHasAvx512 = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") != 0 && avx512_allowed();
}();
#endif

}  // namespace

void add_two_scaled_plain(uint64_t* sums, uint64_t* wraps, const uint32_t* a, uint64_t x,
                          const uint32_t* b, uint64_t y, uint32_t n) {
  for (uint32_t j = 0; j < n; ++j) {
    add_product(sums[j], wraps[j], a[j] * x);
    add_product(sums[j], wraps[j], b[j] * y);
  }
}

void add_two_scaled(uint64_t* sums, uint64_t* wraps, const uint32_t* a, uint64_t x,
                    const uint32_t* b, uint64_t y, uint32_t n) {
#if defined(__x86_64__)
  if (kHasAvx512) return add_two_scaled_avx512(sums, wraps, a, x, b, y, n);
#endif
  add_two_scaled_plain(sums, wraps, a, x, b, y, n);
}

}  // namespace zel::ZEL_BUILD
