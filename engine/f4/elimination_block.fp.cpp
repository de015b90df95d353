// Forward reduction of a block of rows in one sweep over the columns.
//
// Reducing one row at a time streams every pivot it meets from memory; on
// large matrices the pivots' columns no longer fit the caches and each row
// pays for all of them again.  A block of up to L rows (kLanes or kWideLanes)
// is swept column by column instead, its accumulators interleaved: a pivot
// is fetched once and added to every row of the block that needs it, each
// term touching the lines of one column for all of them.
//
// Each row of the block sees exactly the pivots usable for its own index,
// in column order, as the one-row head and tail reductions would: the same
// pivots with the same multipliers, so the same residues.
#include <algorithm>
#include <vector>

#include "engine/f4/elimination_fp.hpp"

namespace zel::ZEL_BUILD {

template <uint32_t L>
uint32_t* take_lanes(ZeroedAccumulator& mem, uint32_t ncols) {
  // Columns 0 .. ncols and room to align the start to a column's lines.
  const uint64_t line = L * sizeof(uint32_t);
  const uint64_t bytes = (uint64_t(ncols) + 1) * line + line;
  uint64_t* p = mem.take(bytes / sizeof(uint64_t));
  return reinterpret_cast<uint32_t*>((reinterpret_cast<uintptr_t>(p) + line - 1) & ~uintptr_t(line - 1));
}

template <uint32_t L>
uint32_t expand_lane(uint32_t* lanes, uint32_t k, const CodedRow* row) {
  const Dom* c = row->coeffs[0];
  uint32_t* a = lanes + uint64_t(row->lead) * L + k;
  a[0] = c[0];
  ++c;
  const uint32_t last = walk_gap_code(
      row->code, row->ncodes, [&](uint32_t pos) { a[uint64_t(pos) * L] = *c++; },
      [&](uint32_t first, uint32_t n) {
        uint32_t* d = a + uint64_t(first) * L;
        for (uint32_t j = 0; j < n; ++j) d[uint64_t(j) * L] = c[j];
        c += n;
      });
  return row->lead + last;
}

template <uint32_t L>
BlockRow start_lane(const FpElim& e, uint32_t idx, uint32_t* lanes, uint32_t k) {
  const CodedRow* row = e.rows[idx];
  BlockRow r;
  r.idx = idx;
  r.lead = row->lead;
  r.alive = row->coeffs[0] != nullptr;
  if (r.alive) r.hi = expand_lane<L>(lanes, k, row);
  return r;
}

template <uint32_t L>
void drain_lanes(uint32_t* lanes, const BlockRow* b, uint32_t n, std::vector<uint64_t>* out) {
  uint32_t c = UINT32_MAX, h = 0;
  for (uint32_t k = 0; k < n; ++k) {
    out[k].clear();
    if (!b[k].alive) continue;
    c = std::min(c, b[k].lead);
    h = std::max(h, b[k].hi);
  }
  // One pass over the columns: the lanes of a column are together.
  for (; c <= h; ++c) {
    uint32_t* a = lanes + uint64_t(c) * L;
    if (lanes_zero<L>(a)) continue;
    for (uint32_t k = 0; k < n; ++k) {
      if (!a[k]) continue;
      out[k].push_back(uint64_t(c) << 32 | a[k]);
      a[k] = 0;
    }
  }
}

void place_entries(const std::vector<uint64_t>& entries, uint64_t* acc) {
  for (uint64_t x : entries) acc[x >> 32] = uint32_t(x);
}

namespace {

// reduce_block; Shared: other threads' stores may add pivots meanwhile, so
// the table is read with acquire order (a pivot read is complete).  Plain
// reads otherwise, which leave the compiler free to schedule the sweep.
// The sweep starts at the first leading column still sought; rows already
// led are only tail-reduced.  HeadOnly: it ends once every row has its
// leading column (their tails are left as they are).
template <uint32_t L, bool Shared, bool HeadOnly = false>
void sweep_block(const FpElim& e, uint32_t* lanes, BlockRow* b, uint32_t n) {
  uint32_t c = UINT32_MAX, h = 0;
  uint32_t unled = 0;  // rows still looking for their leading column
  for (uint32_t k = 0; k < n; ++k) {
    if (!b[k].alive) continue;
    h = std::max(h, b[k].hi);
    if (b[k].led) continue;
    c = std::min(c, b[k].lead);
    ++unled;
  }
  // The widest multiply-add this processor runs (tests may pick another).
  const AddPivotLanes<L> add_pivot = chosen_lane_kernel<L>();
  const uint32_t p = uint32_t(e.mod.p);
  LaneMultipliers<L> m{};
  m.wrap = uint32_t((uint64_t(1) << 32) % p);
  // Kept in registers: acquiring reads of the pivot table would otherwise
  // make every column read them again from `e`.
  const FastMod mod = e.mod;
  const int32_t* const pivots = e.pivots;
  const PivotCols* const piv = e.piv;
  auto pivot_at = [pivots](uint32_t col) {
    return Shared ? __atomic_load_n(&pivots[col], __ATOMIC_ACQUIRE) : pivots[col];
  };
  for (; c <= h && !(HeadOnly && unled == 0); ++c) {
    if (c + 8 <= h) {
      const int32_t ahead = pivot_at(c + 8);
      if (ahead >= 0) FpElim::prefetch_pivot(piv[ahead]);
    }
    uint32_t* a = lanes + uint64_t(c) * L;
    const int32_t pv = pivot_at(c);
    // Columns without a pivot only matter to rows still without a leading
    // column; sparse rows leave many columns zero in every lane.
    if ((pv < 0 && unled == 0) || lanes_zero<L>(a)) continue;
    bool any = false;
    for (uint32_t k = 0; k < n; ++k) {
      if (!a[k]) continue;
      BlockRow& r = b[k];
      if (pv >= 0 && uint32_t(pv) < r.idx) {
        const uint32_t x = mod(a[k]);
        a[k] = 0;
        if (x) {
          m.m[k] = p - x;
          any = true;
        }
      } else if (!r.led) {
        // Entries passed before the leading one are left reduced (zero).
        const uint32_t x = mod(a[k]);
        a[k] = x;
        if (x) {
          r.led = true;
          r.lead = c;
          --unled;
        }
      }
    }
    if (!any) continue;
    const uint32_t last = add_pivot(lanes, m, piv[pv]);
    for (uint32_t k = 0; k < n; ++k) {
      if (!m.m[k]) continue;
      b[k].hi = std::max(b[k].hi, last);
      m.m[k] = 0;
    }
    h = std::max(h, last);
  }
  for (uint32_t k = 0; k < n; ++k) b[k].alive = b[k].alive && b[k].led;
}

}  // namespace

template <uint32_t L>
void reduce_block(const FpElim& e, uint32_t* lanes, BlockRow* b, uint32_t n) {
  sweep_block<L, false>(e, lanes, b, n);
}

template <uint32_t L>
void reduce_block_shared(const FpElim& e, uint32_t* lanes, BlockRow* b, uint32_t n) {
  sweep_block<L, true>(e, lanes, b, n);
}

template <uint32_t L>
void catch_up_block(const FpElim& e, uint32_t* lanes, BlockRow* b, uint32_t n) {
  for (uint32_t round = 0; round < kCatchUpRounds; ++round) {
    bool any = false;
    for (uint32_t k = 0; k < n; ++k) {
      BlockRow& r = b[k];
      if (!r.alive) continue;
      const int32_t pv = __atomic_load_n(&e.pivots[r.lead], __ATOMIC_ACQUIRE);
      if (pv < 0 || uint32_t(pv) >= r.idx) continue;
      r.led = false;  // its head reduction goes on from r.lead
      any = true;
    }
    if (!any) return;
    sweep_block<L, true, true>(e, lanes, b, n);
  }
}

// Both block widths.
#define ZEL_BLOCK_WIDTH(L)                                                                    \
  template uint32_t* take_lanes<L>(ZeroedAccumulator&, uint32_t);                             \
  template uint32_t expand_lane<L>(uint32_t*, uint32_t, const CodedRow*);                     \
  template BlockRow start_lane<L>(const FpElim&, uint32_t, uint32_t*, uint32_t);              \
  template void reduce_block<L>(const FpElim&, uint32_t*, BlockRow*, uint32_t);               \
  template void reduce_block_shared<L>(const FpElim&, uint32_t*, BlockRow*, uint32_t);        \
  template void catch_up_block<L>(const FpElim&, uint32_t*, BlockRow*, uint32_t);             \
  template void drain_lanes<L>(uint32_t*, const BlockRow*, uint32_t, std::vector<uint64_t>*);
ZEL_BLOCK_WIDTH(kLanes)
ZEL_BLOCK_WIDTH(kWideLanes)
#undef ZEL_BLOCK_WIDTH

}  // namespace zel::ZEL_BUILD
