#include "sparse/shifted_combination.hpp"

#include "engine/mem/cpu_features.hpp"

#if defined(__x86_64__) && defined(ZEL_VARIANT_INT)
#include <immintrin.h>
#define ZEL_SHIFTED_PAIR_VECTORS 1
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

#ifdef ZEL_SHIFTED_PAIR_VECTORS
// Eight residues to a register.  The zero-masked forms (all lanes): the
// plain ones start from an undefined register, which the compiler warns
// about.
namespace avx512 {
#define ZEL_LANES_TARGET __attribute__((target("avx512f")))
using V = __m512i;
constexpr int kWidth = 8;
ZEL_LANES_TARGET inline V load(const Dom* a) {
  return _mm512_maskz_cvtepu32_epi64(0xFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a)));
}
ZEL_LANES_TARGET inline void store(Dom* a, V t) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(a), _mm512_maskz_cvtepi64_epi32(0xFF, t));
}
ZEL_LANES_TARGET inline V splat(uint64_t v) { return _mm512_set1_epi64(static_cast<int64_t>(v)); }
ZEL_LANES_TARGET inline V add(V a, V b) { return _mm512_add_epi64(a, b); }
ZEL_LANES_TARGET inline V sub(V a, V b) { return _mm512_sub_epi64(a, b); }
ZEL_LANES_TARGET inline V mul32(V a, V b) { return _mm512_maskz_mul_epu32(0xFF, a, b); }
ZEL_LANES_TARGET inline V high32(V a) { return _mm512_maskz_srli_epi64(0xFF, a, 32); }
// Below p, r - p wraps above r.
ZEL_LANES_TARGET inline V below_p(V r, V P) { return _mm512_maskz_min_epu64(0xFF, r, sub(r, P)); }
#include "sparse/shifted_combination_lanes.hpp"
#undef ZEL_LANES_TARGET
}  // namespace avx512

// Four residues to a register.
namespace avx2 {
#define ZEL_LANES_TARGET __attribute__((target("avx2")))
using V = __m256i;
constexpr int kWidth = 4;
ZEL_LANES_TARGET inline V load(const Dom* a) {
  return _mm256_cvtepu32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)));
}
ZEL_LANES_TARGET inline void store(Dom* a, V t) {
  const V low = _mm256_permutevar8x32_epi32(t, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(a), _mm256_castsi256_si128(low));
}
ZEL_LANES_TARGET inline V splat(uint64_t v) { return _mm256_set1_epi64x(static_cast<int64_t>(v)); }
ZEL_LANES_TARGET inline V add(V a, V b) { return _mm256_add_epi64(a, b); }
ZEL_LANES_TARGET inline V sub(V a, V b) { return _mm256_sub_epi64(a, b); }
ZEL_LANES_TARGET inline V mul32(V a, V b) { return _mm256_mul_epu32(a, b); }
ZEL_LANES_TARGET inline V high32(V a) { return _mm256_srli_epi64(a, 32); }
// r < 2p < 2^33: the signed comparison is the unsigned one.
ZEL_LANES_TARGET inline V below_p(V r, V P) {
  return sub(r, _mm256_andnot_si256(_mm256_cmpgt_epi64(P, r), P));
}
#include "sparse/shifted_combination_lanes.hpp"
#undef ZEL_LANES_TARGET
}  // namespace avx2

using Kernel = void (*)(Dom*, const Dom*, const FixedFactor&, const FixedFactor&, int32_t,
                        uint32_t);

// Read once at load time.
const Kernel kKernel = [] {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && avx512_allowed()) return &avx512::pair;
  return __builtin_cpu_supports("avx2") ? &avx2::pair : &plain;
}();
using ScaledFn = void (*)(Dom*, const Dom*, size_t, const FixedFactor&, uint32_t);
const ScaledFn kScaled = [] {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && avx512_allowed()) return &avx512::scaled;
  return __builtin_cpu_supports("avx2") ? &avx2::scaled : &scaled_plain;
}();
using ShiftedFn = void (*)(Dom*, const Dom*, const Dom*, const FixedFactor&, const Dom*,
                          const FixedFactor&, size_t, uint32_t);
const ShiftedFn kShifted = [] {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && avx512_allowed()) return &avx512::shifted;
  return __builtin_cpu_supports("avx2") ? &avx2::shifted : &shifted_plain;
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
#ifdef ZEL_SHIFTED_PAIR_VECTORS
  if (__builtin_cpu_supports("avx2")) all.push_back(&avx2::pair);
  if (__builtin_cpu_supports("avx512f")) all.push_back(&avx512::pair);
#endif
  return all;
}

std::vector<ScaledKernel> add_scaled_kernels() {
  std::vector<ScaledKernel> all{&scaled_plain};
#ifdef ZEL_SHIFTED_PAIR_VECTORS
  if (__builtin_cpu_supports("avx2")) all.push_back(&avx2::scaled);
  if (__builtin_cpu_supports("avx512f")) all.push_back(&avx512::scaled);
#endif
  return all;
}

std::vector<ShiftedTwoScaledKernel> shifted_two_scaled_kernels() {
  std::vector<ShiftedTwoScaledKernel> all{&shifted_plain};
#ifdef ZEL_SHIFTED_PAIR_VECTORS
  if (__builtin_cpu_supports("avx2")) all.push_back(&avx2::shifted);
  if (__builtin_cpu_supports("avx512f")) all.push_back(&avx512::shifted);
#endif
  return all;
}

}  // namespace zel::ZEL_BUILD
