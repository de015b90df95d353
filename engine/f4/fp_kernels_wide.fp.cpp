// The multiply-add of a pivot into the interleaved lanes of a block of rows
// with the wider vector instruction sets, chosen when the processor has them,
// for each block width.
// Each lives in a target region of its own, so nothing else in the library
// is compiled for those sets.  Same sums as add_pivot_lanes (fp_kernels.hpp):
// 32-bit lanes, 2^32 mod p added where a sum wraps.
#include <algorithm>

#include "engine/f4/fp_kernels.hpp"
#include "engine/mem/cpu_features.hpp"

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define ZEL_WIDE_LANES 1
#include <immintrin.h>
#endif

namespace zel::ZEL_BUILD {

#ifdef ZEL_WIDE_LANES
#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
#include "engine/f4/fp_lane_walk.hpp"

// L / 8 registers of eight lanes.
template <uint32_t L>
struct AddColumn {
  __m256i m[L / 8], wrap;
  void add(uint32_t* a, __m256i mk, __m256i d) const {
    __m256i* p = reinterpret_cast<__m256i*>(a);
    const __m256i x = _mm256_mullo_epi32(mk, d);
    const __m256i s = _mm256_add_epi32(_mm256_load_si256(p), x);
    // s >= x exactly where the sum did not wrap.
    const __m256i kept = _mm256_cmpeq_epi32(_mm256_max_epu32(s, x), s);
    _mm256_store_si256(p, _mm256_add_epi32(s, _mm256_andnot_si256(kept, wrap)));
  }
  void operator()(uint32_t* a, uint32_t d) const {
    const __m256i dv = _mm256_set1_epi32(int32_t(d));
    for (uint32_t r = 0; r < L / 8; ++r) add(a + 8 * r, m[r], dv);
  }
};

template <uint32_t L>
uint32_t add_pivot_lanes(uint32_t* lanes, const LaneMultipliers<L>& m, const PivotCols& pv) {
  AddColumn<L> col;
  for (uint32_t r = 0; r < L / 8; ++r)
    col.m[r] = _mm256_cvtepu16_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(m.m + 8 * r)));
  col.wrap = _mm256_set1_epi32(int32_t(m.wrap));
  return walk_pivot_lanes<L>(lanes, pv, col);
}
// Compiled here, for this instruction set.
template uint32_t add_pivot_lanes<kLanes>(uint32_t*, const LaneMultipliers<kLanes>&, const PivotCols&);
template uint32_t add_pivot_lanes<kWideLanes>(uint32_t*, const LaneMultipliers<kWideLanes>&,
                                              const PivotCols&);
}  // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f")
namespace avx512 {
#include "engine/f4/fp_lane_walk.hpp"

// L / 16 registers of sixteen lanes.
template <uint32_t L>
struct AddColumn {
  __m512i m[L / 16], wrap;
  void operator()(uint32_t* a, uint32_t d) const {
    const __m512i dv = _mm512_set1_epi32(int32_t(d));
    for (uint32_t r = 0; r < L / 16; ++r) {
      const __m512i x = _mm512_mullo_epi32(m[r], dv);
      const __m512i s = _mm512_add_epi32(_mm512_load_si512(a + 16 * r), x);
      const __mmask16 wrapped = _mm512_cmplt_epu32_mask(s, x);
      _mm512_store_si512(a + 16 * r, _mm512_mask_add_epi32(s, wrapped, s, wrap));
    }
  }
};

template <uint32_t L>
uint32_t add_pivot_lanes(uint32_t* lanes, const LaneMultipliers<L>& m, const PivotCols& pv) {
  AddColumn<L> col;
  for (uint32_t r = 0; r < L / 16; ++r)
    col.m[r] = _mm512_maskz_cvtepu16_epi32(
        0xFFFF, _mm256_load_si256(reinterpret_cast<const __m256i*>(m.m + 16 * r)));
  col.wrap = _mm512_set1_epi32(int32_t(m.wrap));
  return walk_pivot_lanes<L>(lanes, pv, col);
}
// Compiled here, for this instruction set.
template uint32_t add_pivot_lanes<kLanes>(uint32_t*, const LaneMultipliers<kLanes>&, const PivotCols&);
template uint32_t add_pivot_lanes<kWideLanes>(uint32_t*, const LaneMultipliers<kWideLanes>&,
                                              const PivotCols&);
}  // namespace avx512
#pragma GCC pop_options
#endif

const std::vector<LaneKernel>& lane_kernels() {
  static const std::vector<LaneKernel> kernels = [] {
    std::vector<LaneKernel> k;
#ifdef ZEL_WIDE_LANES
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && avx512_allowed())
      k.push_back({"avx512f", avx512::add_pivot_lanes<kLanes>, avx512::add_pivot_lanes<kWideLanes>});
    if (__builtin_cpu_supports("avx2"))
      k.push_back({"avx2", avx2::add_pivot_lanes<kLanes>, avx2::add_pivot_lanes<kWideLanes>});
#endif
    k.push_back({"base", add_pivot_lanes<kLanes>, add_pivot_lanes<kWideLanes>});
    return k;
  }();
  return kernels;
}

uint32_t lane_kernel_choice = 0;

template <uint32_t L>
AddPivotLanes<L> chosen_lane_kernel() {
  const LaneKernel& k = lane_kernels()[std::min<size_t>(lane_kernel_choice, lane_kernels().size() - 1)];
  if constexpr (L == kLanes) {
    return k.add;
  } else {
    static_assert(L == kWideLanes, "two block widths");
    return k.add_wide;
  }
}
template AddPivotLanes<kLanes> chosen_lane_kernel<kLanes>();
template AddPivotLanes<kWideLanes> chosen_lane_kernel<kWideLanes>();

}  // namespace zel::ZEL_BUILD
