// The multiply-add of a pivot into the interleaved lanes of a block of rows
// with the wider vector instruction sets, chosen when the processor has them.
// Each lives in a target region of its own, so nothing else in the library
// is compiled for those sets.  Same sums as add_pivot_lanes (fp_kernels.hpp):
// 32-bit lanes, 2^32 mod p added where a sum wraps.
#include <algorithm>

#include "engine/f4/fp_kernels.hpp"

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define ZEL_WIDE_LANES 1
#include <immintrin.h>
#endif

namespace zel::ZEL_BUILD {

#ifdef ZEL_WIDE_LANES
static_assert(kLanes == 16, "the wide kernels hold 16 lanes");

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
#include "engine/f4/fp_lane_walk.hpp"

// Two registers of eight lanes.
struct AddColumn {
  __m256i m0, m1, wrap;
  void add(uint32_t* a, __m256i m, __m256i d) const {
    __m256i* p = reinterpret_cast<__m256i*>(a);
    const __m256i x = _mm256_mullo_epi32(m, d);
    const __m256i s = _mm256_add_epi32(_mm256_load_si256(p), x);
    // s >= x exactly where the sum did not wrap.
    const __m256i kept = _mm256_cmpeq_epi32(_mm256_max_epu32(s, x), s);
    _mm256_store_si256(p, _mm256_add_epi32(s, _mm256_andnot_si256(kept, wrap)));
  }
  void operator()(uint32_t* a, uint32_t d) const {
    const __m256i dv = _mm256_set1_epi32(int32_t(d));
    add(a, m0, dv);
    add(a + 8, m1, dv);
  }
};

uint32_t add_pivot_lanes(uint32_t* lanes, const LaneMultipliers& m, const PivotCols& pv) {
  const AddColumn col{
      _mm256_cvtepu16_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(m.m))),
      _mm256_cvtepu16_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(m.m + 8))),
      _mm256_set1_epi32(int32_t(m.wrap))};
  return walk_pivot_lanes(lanes, pv, col);
}
}  // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f")
namespace avx512 {
#include "engine/f4/fp_lane_walk.hpp"

// One register of sixteen lanes.
struct AddColumn {
  __m512i m, wrap;
  void operator()(uint32_t* a, uint32_t d) const {
    const __m512i x = _mm512_mullo_epi32(m, _mm512_set1_epi32(int32_t(d)));
    const __m512i s = _mm512_add_epi32(_mm512_load_si512(a), x);
    const __mmask16 wrapped = _mm512_cmplt_epu32_mask(s, x);
    _mm512_store_si512(a, _mm512_mask_add_epi32(s, wrapped, s, wrap));
  }
};

uint32_t add_pivot_lanes(uint32_t* lanes, const LaneMultipliers& m, const PivotCols& pv) {
  const AddColumn col{
      _mm512_maskz_cvtepu16_epi32(0xFFFF, _mm256_load_si256(reinterpret_cast<const __m256i*>(m.m))),
      _mm512_set1_epi32(int32_t(m.wrap))};
  return walk_pivot_lanes(lanes, pv, col);
}
}  // namespace avx512
#pragma GCC pop_options
#endif

const std::vector<LaneKernel>& lane_kernels() {
  static const std::vector<LaneKernel> kernels = [] {
    std::vector<LaneKernel> k;
#ifdef ZEL_WIDE_LANES
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) k.push_back({"avx512f", avx512::add_pivot_lanes});
    if (__builtin_cpu_supports("avx2")) k.push_back({"avx2", avx2::add_pivot_lanes});
#endif
    k.push_back({"base", add_pivot_lanes});
    return k;
  }();
  return kernels;
}

uint32_t lane_kernel_choice = 0;

AddPivotLanes chosen_lane_kernel() {
  const auto& k = lane_kernels();
  return k[std::min<size_t>(lane_kernel_choice, k.size() - 1)].add;
}

}  // namespace zel::ZEL_BUILD
