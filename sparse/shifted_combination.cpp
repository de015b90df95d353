#include "sparse/shifted_combination.hpp"

#include "engine/mem/cpu_features.hpp"

#if defined(__x86_64__) && defined(ZEL_VARIANT_INT)
#include <immintrin.h>
#define ZEL_SHIFTED_PAIR_AVX512 1
#endif

namespace zel::ZEL_BUILD {

namespace {

void plain(Dom* T, const Dom* S, const FixedFactor& m1, const FixedFactor& m0, int32_t top,
           uint32_t p) {
  for (int32_t j = 1; j <= top; ++j) T[j] = ADD(ADD(T[j], m1.times(S[j - 1]), p), m0.times(S[j]), p);
}

void scaled_plain(Dom* y, const Dom* x, size_t n, const FixedFactor& w, uint32_t p) {
  for (size_t i = 0; i < n; ++i) y[i] = ADD(y[i], w.times(x[i]), p);
}

void shifted_plain(Dom* T, const Dom* S, const Dom* X, const FixedFactor& a, const Dom* Y,
                   const FixedFactor& b, size_t n, uint32_t p) {
  for (size_t i = 0; i < n; ++i)
    T[i] = ADD(ADD(i > 0 ? S[i - 1] : Dom(0), a.times(X[i]), p), b.times(Y[i]), p);
}

#ifdef ZEL_SHIFTED_PAIR_AVX512
// r - p when r >= p, else r (r < 2p): below p, r - p wraps above r.  The
// zero-masked forms (all lanes): the plain ones start from an undefined
// register, which the compiler warns about.
__attribute__((target("avx512f"))) inline __m512i below_p(__m512i r, __m512i P) {
  return _mm512_maskz_min_epu64(0xFF, r, _mm512_sub_epi64(r, P));
}

// Shoup's product on eight residues zero-extended to 64 bits: every
// factor is below 2^32, so each product is one 32 x 32-bit multiplication.
__attribute__((target("avx512f"))) inline __m512i times(__m512i x, __m512i w, __m512i shoup,
                                                        __m512i P) {
  const __m512i q = _mm512_maskz_srli_epi64(0xFF, _mm512_maskz_mul_epu32(0xFF, x, shoup), 32);
  return below_p(_mm512_sub_epi64(_mm512_maskz_mul_epu32(0xFF, x, w),
                                  _mm512_maskz_mul_epu32(0xFF, q, P)),
                 P);
}

__attribute__((target("avx512f"))) inline __m512i load8(const Dom* a) {
  return _mm512_maskz_cvtepu32_epi64(0xFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a)));
}

__attribute__((target("avx512f"))) void avx512(Dom* T, const Dom* S, const FixedFactor& m1,
                                               const FixedFactor& m0, int32_t top, uint32_t p) {
  const __m512i P = _mm512_set1_epi64(p);
  const __m512i w1 = _mm512_set1_epi64(static_cast<int64_t>(m1.factor()));
  const __m512i s1 = _mm512_set1_epi64(static_cast<int64_t>(m1.shoup()));
  const __m512i w0 = _mm512_set1_epi64(static_cast<int64_t>(m0.factor()));
  const __m512i s0 = _mm512_set1_epi64(static_cast<int64_t>(m0.shoup()));
  int32_t j = 1;
  for (; j + 7 <= top; j += 8) {
    __m512i t = load8(T + j);
    t = below_p(_mm512_add_epi64(t, times(load8(S + j - 1), w1, s1, P)), P);
    t = below_p(_mm512_add_epi64(t, times(load8(S + j), w0, s0, P)), P);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(T + j), _mm512_maskz_cvtepi64_epi32(0xFF, t));
  }
  if (j <= top) plain(T + (j - 1), S + (j - 1), m1, m0, top - (j - 1), p);
}

__attribute__((target("avx512f"))) void scaled_avx512(Dom* y, const Dom* x, size_t n,
                                                      const FixedFactor& w, uint32_t p) {
  const __m512i P = _mm512_set1_epi64(p);
  const __m512i wv = _mm512_set1_epi64(static_cast<int64_t>(w.factor()));
  const __m512i sv = _mm512_set1_epi64(static_cast<int64_t>(w.shoup()));
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m512i t = below_p(_mm512_add_epi64(load8(y + i), times(load8(x + i), wv, sv, P)), P);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + i), _mm512_maskz_cvtepi64_epi32(0xFF, t));
  }
  scaled_plain(y + i, x + i, n - i, w, p);
}

__attribute__((target("avx512f"))) void shifted_avx512(Dom* T, const Dom* S, const Dom* X,
                                                       const FixedFactor& a, const Dom* Y,
                                                       const FixedFactor& b, size_t n, uint32_t p) {
  if (n == 0) return;
  const __m512i P = _mm512_set1_epi64(p);
  const __m512i wa = _mm512_set1_epi64(static_cast<int64_t>(a.factor()));
  const __m512i sa = _mm512_set1_epi64(static_cast<int64_t>(a.shoup()));
  const __m512i wb = _mm512_set1_epi64(static_cast<int64_t>(b.factor()));
  const __m512i sb = _mm512_set1_epi64(static_cast<int64_t>(b.shoup()));
  shifted_plain(T, S, X, a, Y, b, 1, p);
  size_t i = 1;
  for (; i + 8 <= n; i += 8) {
    __m512i t = below_p(_mm512_add_epi64(load8(S + i - 1), times(load8(X + i), wa, sa, P)), P);
    t = below_p(_mm512_add_epi64(t, times(load8(Y + i), wb, sb, P)), P);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(T + i), _mm512_maskz_cvtepi64_epi32(0xFF, t));
  }
  for (; i < n; ++i) T[i] = ADD(ADD(S[i - 1], a.times(X[i]), p), b.times(Y[i]), p);
}

using Kernel = void (*)(Dom*, const Dom*, const FixedFactor&, const FixedFactor&, int32_t,
                        uint32_t);

// Read once at load time.
const Kernel kKernel = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && avx512_allowed() ? &avx512 : &plain;
}();
using ScaledFn = void (*)(Dom*, const Dom*, size_t, const FixedFactor&, uint32_t);
const ScaledFn kScaled = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && avx512_allowed() ? &scaled_avx512 : &scaled_plain;
}();
using ShiftedFn = void (*)(Dom*, const Dom*, const Dom*, const FixedFactor&, const Dom*,
                          const FixedFactor&, size_t, uint32_t);
const ShiftedFn kShifted = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && avx512_allowed() ? &shifted_avx512 : &shifted_plain;
}();
#else
constexpr auto kKernel = &plain;
constexpr auto kScaled = &scaled_plain;
constexpr auto kShifted = &shifted_plain;
#endif

}  // namespace

void add_scaled(Dom* y, const Dom* x, size_t n, Dom w, uint32_t p) {
  kScaled(y, x, n, FixedFactor(w, p), p);
}

void shifted_two_scaled(Dom* T, const Dom* S, const Dom* X, Dom a, const Dom* Y, Dom b,
                        size_t n, uint32_t p) {
  kShifted(T, S, X, FixedFactor(a, p), Y, FixedFactor(b, p), n, p);
}

void add_shifted_pair(Dom* T, const Dom* S, const FixedFactor& m1, const FixedFactor& m0,
                      int32_t top, uint32_t p) {
  kKernel(T, S, m1, m0, top, p);
}

std::vector<ShiftedPairKernel> add_shifted_pair_kernels() {
  std::vector<ShiftedPairKernel> all{&plain};
#ifdef ZEL_SHIFTED_PAIR_AVX512
  if (__builtin_cpu_supports("avx512f")) all.push_back(&avx512);
#endif
  return all;
}

std::vector<ScaledKernel> add_scaled_kernels() {
  std::vector<ScaledKernel> all{&scaled_plain};
#ifdef ZEL_SHIFTED_PAIR_AVX512
  if (__builtin_cpu_supports("avx512f")) all.push_back(&scaled_avx512);
#endif
  return all;
}

std::vector<ShiftedTwoScaledKernel> shifted_two_scaled_kernels() {
  std::vector<ShiftedTwoScaledKernel> all{&shifted_plain};
#ifdef ZEL_SHIFTED_PAIR_AVX512
  if (__builtin_cpu_supports("avx512f")) all.push_back(&shifted_avx512);
#endif
  return all;
}

}  // namespace zel::ZEL_BUILD
