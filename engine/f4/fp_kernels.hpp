// Prime-field kernels of the elimination: residues of 64-bit sums, expansion
// of a coded row into a zero accumulator, and the multiply-add of a pivot row.
//
// An accumulator here is indexed by absolute column (entry c for column c),
// one u64 per column.  Between rows it is kept all-zero: a row is expanded
// without clearing, and its collection zeroes exactly the entries it read, so
// no pass ever clears columns a row never reached.
//
// Products of two residues below 2^16 stay below 2^32, so an entry can take
// 2^32 of them before it could overflow: far more than a matrix has rows.
// Sums are therefore only reduced when an entry becomes leading, meets a
// pivot, or is collected.
#pragma once

#include <cstdint>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "engine/f4/row_code.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// x mod p by a multiplication with a precomputed reciprocal: p < 2^16, so the
// quotient estimate floor(x * floor(2^64 / p) / 2^64) is at most one short.
struct FastMod {
  uint64_t p;
  uint64_t recip;
  explicit FastMod(uint32_t prime) : p(prime), recip(~uint64_t(0) / prime) {}
  inline uint32_t operator()(uint64_t x) const {
    const uint64_t q = uint64_t((unsigned __int128)x * recip >> 64);
    uint64_t r = x - q * p;
    if (r >= p) r -= p;
    return uint32_t(r);
  }
};

// Places lane 0 of `row` into acc (absolute columns, entries assumed zero):
// coefficient 0 at row->lead, the others at their decoded columns.  Returns
// the column of the last term.
inline uint32_t expand_row(uint64_t* acc, const CodedRow* row) {
  const Dom* c = row->coeffs[0];
  uint64_t* a = acc + row->lead;
  a[0] = c[0];
  ++c;
  const uint32_t last = walk_gap_code(
      row->code, row->ncodes, [&](uint32_t pos) { a[pos] = *c++; },
      [&](uint32_t first, uint32_t k) {
        uint64_t* d = a + first;
        for (uint32_t j = 0; j < k; ++j) d[j] = c[j];
        c += k;
      });
  return row->lead + last;
}

// A pivot row with its columns decoded once, in one of three layouts:
// - runs (seg[2k] the first column of run k, seg[2k+1] its length) when
//   the columns come in long runs, so the multiply-add streams over
//   consecutive entries;
// - short, when the row spans fewer than 2^16 columns: one u16 offset from
//   the leading column per term.  The coefficients are not copied: they are
//   read where the row keeps them, which for a reducer is the array of its
//   source polynomial, shared by every multiple of it in the matrix, so a
//   pivot streams two bytes of its own per term;
// - dense, when the terms fill at least half of the columns they span: the
//   coefficients spread over those columns with zeros between, so the
//   multiply-add streams without reading offsets (adding 0 changes nothing);
// - otherwise absolute columns beside the coefficients.
struct PivotCols {
  const Dom* coef = nullptr;         // terms 1 .. n, every layout but dense
  const Dom* dense = nullptr;        // null unless dense: `span` coefficients
                                     // of offsets 1 .. span, 0 where no term
  const uint16_t* off = nullptr;     // null unless short
  const uint32_t* col = nullptr;     // null unless absolute
  const uint32_t* seg = nullptr;     // null unless the runs are long
  uint32_t n = 0;
  uint32_t nseg = 0;
  uint32_t span = 0;  // dense: offset of the last term
  uint32_t lead = 0;
  uint32_t last = 0;  // column of the last term
};

// Average run length from which the runs are used.
inline constexpr uint32_t kLongRuns = 8;
// A pivot is dense when its span is at most this many times its terms.
inline constexpr uint32_t kDenseSpan = 2;
// Offsets below this fit the short layout.
inline constexpr uint32_t kShortSpan = 1u << 16;

// acc[col[j]] += m * coef[j] for the pivot's terms after the leading one.
// Returns the column of the pivot's last term.  Products of two residues
// below 2^16 fit 32 bits, so each term costs one 32-bit multiply, two
// 16-bit loads through walking pointers and one scattered add.
inline uint32_t Zel_lzw_basic_step_lin_d_multi(uint64_t* acc, uint32_t m, const PivotCols& pv) {
  if (pv.dense) {
    uint64_t* a = acc + pv.lead + 1;
    const Dom* d = pv.dense;
    for (uint32_t j = 0, n = pv.span; j < n; ++j) a[j] += uint32_t(m * d[j]);
    return pv.last;
  }
  const Dom* c = pv.coef;
  if (pv.off) {
    const uint16_t* o = pv.off;
    const uint16_t* const end = o + pv.n;
    uint64_t* a = acc + pv.lead;
    for (; o + 4 <= end; o += 4, c += 4) {
      a[o[0]] += uint32_t(m * c[0]);
      a[o[1]] += uint32_t(m * c[1]);
      a[o[2]] += uint32_t(m * c[2]);
      a[o[3]] += uint32_t(m * c[3]);
    }
    for (; o < end; ++o, ++c) a[*o] += uint32_t(m * *c);
    return pv.last;
  }
  if (pv.seg) {
    const uint32_t* seg = pv.seg;
    for (uint32_t k = 0, ns = pv.nseg; k < ns; ++k) {
      uint64_t* a = acc + seg[2 * k];
      const uint32_t len = seg[2 * k + 1];
      for (uint32_t j = 0; j < len; ++j) a[j] += uint32_t(m * c[j]);
      c += len;
    }
    return pv.last;
  }
  const uint32_t* col = pv.col;
  const uint32_t n = pv.n;
  uint32_t j = 0;
  for (; j + 4 <= n; j += 4) {
    acc[col[j]] += uint32_t(m * c[j]);
    acc[col[j + 1]] += uint32_t(m * c[j + 1]);
    acc[col[j + 2]] += uint32_t(m * c[j + 2]);
    acc[col[j + 3]] += uint32_t(m * c[j + 3]);
  }
  for (; j < n; ++j) acc[col[j]] += uint32_t(m * c[j]);
  return pv.last;
}

// Rows reduced together in the forward pass, in blocks of L rows: kLanes,
// or kWideLanes where there are rows enough.  Their accumulators are
// interleaved: entry c * L + k holds column c of the block's row k, so one
// pivot term updates the lines of one column for the whole block.  A block
// fetches each pivot it meets once for all its rows, so wider blocks stream
// the pivots fewer times in all.
//
// A lane entry is 32 bits wide, standing for its value modulo p: a sum that
// overflows is folded back by adding 2^32 mod p.  A product of two residues
// is at most (p - 1)^2 <= 2^32 - 2^18 + 4, so the folded sum, below the
// product, cannot overflow again.
inline constexpr uint32_t kLanes = 16;
inline constexpr uint32_t kWideLanes = 32;

// One multiplier per lane, each below 2^16; 0 leaves the lane unchanged.
template <uint32_t L>
struct LaneMultipliers {
  static_assert(L % 16 == 0, "lanes come in sixteens");
  alignas(32) uint16_t m[L];
  uint32_t wrap;  // 2^32 mod p
};

// a[k] += m[k] * d for the lanes of one column (a 16-byte aligned).
template <uint32_t L>
inline void add_lanes(uint32_t* a, const LaneMultipliers<L>& m, uint32_t d) {
#ifdef __SSE2__
  const __m128i dv = _mm_set1_epi16(int16_t(d));
  const __m128i sign = _mm_set1_epi32(int32_t(0x80000000u));
  const __m128i wrap = _mm_set1_epi32(int32_t(m.wrap));
  // x + a, and 2^32 mod p more where the sum wrapped (x > x + a unsigned).
  auto add = [&](__m128i* p, __m128i x) {
    const __m128i s = _mm_add_epi32(_mm_load_si128(p), x);
    const __m128i wrapped =
        _mm_cmpgt_epi32(_mm_xor_si128(x, sign), _mm_xor_si128(s, sign));
    _mm_store_si128(p, _mm_add_epi32(s, _mm_and_si128(wrapped, wrap)));
  };
  for (uint32_t k = 0; k < L; k += 8) {
    // Eight 16 x 16-bit products, as their low and high halves.
    const __m128i mk = _mm_load_si128(reinterpret_cast<const __m128i*>(m.m + k));
    const __m128i lo = _mm_mullo_epi16(mk, dv);
    const __m128i hi = _mm_mulhi_epu16(mk, dv);
    __m128i* p = reinterpret_cast<__m128i*>(a + k);
    add(p, _mm_unpacklo_epi16(lo, hi));
    add(p + 1, _mm_unpackhi_epi16(lo, hi));
  }
#else
  for (uint32_t k = 0; k < L; ++k) {
    const uint32_t x = uint32_t(m.m[k]) * d;
    const uint32_t s = a[k] + x;
    a[k] = s < x ? s + m.wrap : s;
  }
#endif
}

// Whether every lane of one column is zero (a 16-byte aligned).
template <uint32_t L>
inline bool lanes_zero(const uint32_t* a) {
#ifdef __SSE2__
  __m128i any = _mm_setzero_si128();
  for (uint32_t k = 0; k < L; k += 4)
    any = _mm_or_si128(any, _mm_load_si128(reinterpret_cast<const __m128i*>(a + k)));
  return _mm_movemask_epi8(_mm_cmpeq_epi32(any, _mm_setzero_si128())) == 0xFFFF;
#else
  uint32_t any = 0;
  for (uint32_t k = 0; k < L; ++k) any |= a[k];
  return any == 0;
#endif
}

namespace sse2 {
#include "engine/f4/fp_lane_walk.hpp"
}  // namespace sse2

// Adds m[k] times the pivot's terms after the leading one to lane k of the
// interleaved accumulator, for every lane.  Returns the column of the
// pivot's last term.
template <uint32_t L>
inline uint32_t add_pivot_lanes(uint32_t* lanes, const LaneMultipliers<L>& m,
                                const PivotCols& pv) {
  return sse2::walk_pivot_lanes<L>(lanes, pv, [&](uint32_t* a, uint32_t d) { add_lanes<L>(a, m, d); });
}

// add_pivot_lanes for one instruction set.
template <uint32_t L>
using AddPivotLanes = uint32_t (*)(uint32_t* lanes, const LaneMultipliers<L>& m,
                                   const PivotCols& pv);

// The versions of add_pivot_lanes this processor runs, widest first, and
// the name of each one's instruction set (fp_kernels_wide.fp.cpp); the last
// one, "base", is add_pivot_lanes itself.  One function per block width.
struct LaneKernel {
  const char* name;
  AddPivotLanes<kLanes> add;
  AddPivotLanes<kWideLanes> add_wide;
};
const std::vector<LaneKernel>& lane_kernels();

// Which of lane_kernels() the forward pass uses: 0, the widest, unless a
// test picks another (an index past the end means the base version).
extern uint32_t lane_kernel_choice;
// The version of add_pivot_lanes<L> lane_kernel_choice names.
template <uint32_t L>
AddPivotLanes<L> chosen_lane_kernel();

}  // namespace zel::ZEL_BUILD
