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
// - packed, when the row spans fewer than 2^16 columns: one u32 per term,
//   the offset from the leading column in the high half and the coefficient
//   in the low half, so the kernel reads one stream instead of two (the
//   start of each pivot's data is usually a cache miss);
// - otherwise absolute columns beside the coefficients.
struct PivotCols {
  const Dom* coef = nullptr;  // terms 1 .. n (runs and absolute columns)
  const uint32_t* col = nullptr;
  const uint32_t* seg = nullptr;     // null unless the runs are long
  const uint32_t* packed = nullptr;  // null unless packed
  uint32_t n = 0;
  uint32_t nseg = 0;
  uint32_t lead = 0;
  uint32_t last = 0;  // column of the last term
};

// Average run length from which the runs are used.
inline constexpr uint32_t kLongRuns = 8;
// Offsets below this fit the packed layout.
inline constexpr uint32_t kPackedSpan = 1u << 16;

// acc[col[j]] += m * coef[j] for the pivot's terms after the leading one.
// Returns the column of the pivot's last term.
inline uint32_t Zel_lzw_basic_step_lin_d_multi(uint64_t* acc, uint32_t m, const PivotCols& pv) {
  const uint64_t mm = m;
  if (pv.packed) {
    const uint32_t* d = pv.packed;
    uint64_t* a = acc + pv.lead;
    const uint32_t n = pv.n;
    uint32_t j = 0;
    for (; j + 4 <= n; j += 4) {
      const uint32_t x0 = d[j], x1 = d[j + 1], x2 = d[j + 2], x3 = d[j + 3];
      a[x0 >> 16] += mm * (x0 & 0xFFFF);
      a[x1 >> 16] += mm * (x1 & 0xFFFF);
      a[x2 >> 16] += mm * (x2 & 0xFFFF);
      a[x3 >> 16] += mm * (x3 & 0xFFFF);
    }
    for (; j < n; ++j) a[d[j] >> 16] += mm * (d[j] & 0xFFFF);
    return pv.last;
  }
  const Dom* c = pv.coef;
  if (pv.seg) {
    const uint32_t* seg = pv.seg;
    for (uint32_t k = 0, ns = pv.nseg; k < ns; ++k) {
      uint64_t* a = acc + seg[2 * k];
      const uint32_t len = seg[2 * k + 1];
      for (uint32_t j = 0; j < len; ++j) a[j] += mm * c[j];
      c += len;
    }
    return pv.last;
  }
  const uint32_t* col = pv.col;
  const uint32_t n = pv.n;
  uint32_t j = 0;
  for (; j + 4 <= n; j += 4) {
    acc[col[j]] += mm * c[j];
    acc[col[j + 1]] += mm * c[j + 1];
    acc[col[j + 2]] += mm * c[j + 2];
    acc[col[j + 3]] += mm * c[j + 3];
  }
  for (; j < n; ++j) acc[col[j]] += mm * c[j];
  return pv.last;
}

}  // namespace zel::ZEL_BUILD
