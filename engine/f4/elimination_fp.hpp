// Pieces of the prime-field elimination shared by the forward and backward
// passes on one thread or many (elimination_threads.fp.cpp).  Internal to
// engine/f4.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/f4/elimination.hpp"
#include "engine/f4/fp_kernels.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"

namespace zel::ZEL_BUILD {

// A zmalloc'd scratch array given back when the scope ends, also when a
// fatal error or an interrupt unwinds the step.
template <class T>
struct Scratch {
  T* p = nullptr;
  Scratch() = default;
  explicit Scratch(uint64_t n, bool zero = false) { take(n, zero); }
  void take(uint64_t n, bool zero = false) {
    release();
    const uint64_t bytes = (n ? n : 1) * sizeof(T);
    p = static_cast<T*>(zmalloc(bytes));
    if (!p) Fatal("Cannot allocate memory !");
    if (zero) std::memset(static_cast<void*>(p), 0, bytes);
  }
  void release() {
    if (p) zfree(p);
    p = nullptr;
  }
  ~Scratch() { release(); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  T& operator[](uint64_t i) const { return p[i]; }
};

// State of the aggressive mode during one call.
struct Aggressive {
  uint32_t zeros = 0;     // consecutive zero rows
  bool skipping = false;  // in the skipping state
  uint32_t skip = 0;      // rows still to skip
  bool go_on = true;      // cleared: every later row is skipped

  // Whether the next row to be reduced is skipped (counting the skip down).
  bool skip_row() {
    if (!go_on) {
      ++aggressive_skipped_rows;
      return true;
    }
    if (skip > 0) {
      --skip;
      ++aggressive_skipped_rows;
      return true;
    }
    return false;
  }
  void on_zero();
  void on_kept();
};

// One elimination: the sorted rows, the pivot table, the new rows.
struct FpElim {
  CodedRow** rows;
  uint32_t nrows, ncols, nreduce;
  FastMod mod;
  int32_t* pivots;   // ncols + 1 entries, -1 or the owner's row index
  PivotCols* piv;    // per row index: the row's decoded columns, once a pivot
  uint32_t* newidx;  // row index of each new row, room for nreduce
  uint32_t nnew = 0;
  uint32_t* offsets;  // scratch of ncols + 1 offsets for the collection
  Aggressive agg;
  uint32_t progress = 0;

  FpElim(CodedRow** r, uint32_t nr, uint32_t nc, uint32_t nred, uint32_t prime)
      : rows(r), nrows(nr), ncols(nc), nreduce(nred), mod(prime) {}

  // Prefetches the data of pivots the row at column c is about to meet: the
  // record of the pivot of a non-zero entry 16 columns ahead, the start of
  // the data of one 8 columns ahead.  A pivot's data is usually far from
  // the previous one's, and the scan reaches it late.  Hints only.
  void prefetch_ahead(const uint64_t* acc, uint32_t c, uint32_t h) const {
    if (c + 16 <= h && acc[c + 16]) {
      const int32_t pv = pivots[c + 16];
      if (pv >= 0) __builtin_prefetch(&piv[pv]);
    }
    if (c + 8 <= h && acc[c + 8]) {
      const int32_t pv = pivots[c + 8];
      if (pv >= 0) prefetch_pivot(piv[pv]);
    }
  }

  // Prefetches the start of a pivot's data.  A hint only.
  static void prefetch_pivot(const PivotCols& p) {
    if (p.dense) {
      __builtin_prefetch(p.dense);
    } else {
      __builtin_prefetch(p.off ? static_cast<const void*>(p.off) : static_cast<const void*>(p.col));
      __builtin_prefetch(p.coef);
    }
  }

  // The usable pivot of column c for the row at index idx, or null.
  const PivotCols* usable(uint32_t c, uint32_t idx) const {
    const int32_t pv = pivots[c];
    return (pv >= 0 && uint32_t(pv) < idx) ? &piv[pv] : nullptr;
  }
};

// Head reduction of the row in acc (leading column *lead, last touched
// column *hi) by the usable pivots of its leading column, for the row at
// index idx.  Returns false (acc cleared) when the row reduces to zero; else
// *lead is a column without usable pivot and acc[*lead] its non-zero residue.
bool reduction_tete_multi(const FpElim& e, uint64_t* acc, uint32_t* lead, uint32_t* hi,
                          uint32_t idx);

// A row under forward reduction: its index, its leading and last columns,
// and once it is out of its block the accumulator holding it.  Before the
// reduction `lead` is the row's first column and `led` is false; after it,
// a row still alive has `led` set and `lead` at a column without usable
// pivot.  A row not alive (zero) has an all-zero accumulator.
struct BlockRow {
  uint64_t* acc = nullptr;
  uint32_t idx = 0;
  uint32_t lead = 0, hi = 0;
  bool alive = false;
  bool led = false;
};

// Blocks of L rows (kLanes or kWideLanes, fp_kernels.hpp) go through the
// functions below; elimination_block.fp.cpp compiles them for both widths.

// The interleaved accumulator of a block of L rows from `mem` (all zero),
// for columns up to ncols, aligned so that each column's lanes start a line.
template <uint32_t L>
uint32_t* take_lanes(ZeroedAccumulator& mem, uint32_t ncols);

// Expands the row into lane k of the interleaved accumulator (all zero
// there); returns the column of its last term.
template <uint32_t L>
uint32_t expand_lane(uint32_t* lanes, uint32_t k, const CodedRow* row);

// The block row for the row at index idx, expanded into lane k.
template <uint32_t L>
BlockRow start_lane(const FpElim& e, uint32_t idx, uint32_t* lanes, uint32_t k);

// Head and tail reduction of the rows b[0 .. n-1] (n <= L) held in lanes
// 0 .. n-1, in one sweep over the columns: each row against the pivots
// usable for its index, exactly as reduction_tete_multi and tail_reduce do
// (elimination_block.fp.cpp).  The pivot table must not change meanwhile.
template <uint32_t L>
void reduce_block(const FpElim& e, uint32_t* lanes, BlockRow* b, uint32_t n);

// reduce_block while the calling thread may store new pivots: a pivot
// stored meanwhile is used too, from the column where the sweep meets it.
template <uint32_t L>
void reduce_block_shared(const FpElim& e, uint32_t* lanes, BlockRow* b, uint32_t n);

// After reduce_block_shared: the rows whose leading column has since got a
// pivot usable for them (stored meanwhile by another block's rows) go on
// with their head reduction in their lanes, so that their store finds
// little left to do.  Pivots stored while it runs are checked again, up to
// kCatchUpRounds times; the store head-reduces by any still missed.
inline constexpr uint32_t kCatchUpRounds = 3;
template <uint32_t L>
void catch_up_block(const FpElim& e, uint32_t* lanes, BlockRow* b, uint32_t n);

// Moves the entries of the swept rows b[0 .. n-1] out of their lanes, as
// (column << 32 | value) in increasing columns into out[k] for row k,
// leaving the lanes all zero.  A swept row keeps non-zero entries only at
// columns without a pivot usable for it, so these lists are short.
template <uint32_t L>
void drain_lanes(uint32_t* lanes, const BlockRow* b, uint32_t n, std::vector<uint64_t>* out);

// Rows per block of the forward pass: kWideLanes, or kLanes (tests may set
// block_rows_choice to either; 0 lets the pass choose).
extern uint32_t block_rows_choice;

// Places the entries drained from a row into acc (all zero there).
void place_entries(const std::vector<uint64_t>& entries, uint64_t* acc);

// Head and tail reduction of the row at index idx alone, expanded into acc.
BlockRow reduce_one_row(const FpElim& e, uint32_t idx, uint64_t* acc);

// Ends the forward reduction of a reduced row (r.acc), in row order:
// head-reduces it further by the rows stored since its reduction began
// (its batch-mates, or in the overlapped pass any row its sweep missed),
// then stores it as a new pivot row or drops it as zero, publishing it to
// sweeps running meanwhile.  Leaves r.acc all zero.
void finish_row(FpElim& e, BlockRow& r);

// Reduces and clears the n entries a[..], keeping the non-zero residues in
// c[..] and their positions in offsets[..]; returns the count kept.
inline uint32_t reduce_nonzero(const FpElim& e, uint64_t* a, uint32_t n, Dom* c, uint32_t* offsets) {
  uint32_t kept = 0;
  for (uint32_t j = 0; j < n; ++j) {
    if (!a[j]) continue;
    const uint32_t r = e.mod(a[j]);
    a[j] = 0;
    if (r) {
      c[kept] = Dom(r);
      offsets[kept++] = j;
    }
  }
  return kept;
}

// Tail reduction: every entry right of lead that has a usable pivot is
// cleared by a multiple of it; the others are left to the collection.
void tail_reduce(const FpElim& e, uint64_t* acc, uint32_t lead, uint32_t* hi, uint32_t idx);

// Stores a kept row: collects acc[lead .. hi] (reducing every entry and
// clearing it) into a new lane-0 array, makes it monic, codes the offsets
// and fixes lead, width, kind.  Appends nothing.  Returns the term count.
uint32_t ZEL_C(compact_result1)(FpElim& e, uint32_t idx, uint64_t* acc, uint32_t lead, uint32_t hi);

// Backward reduction of `row` (expanded into acc, last column *hi) by the
// new rows whose position lies in (lo, up], lead_at[q] being the leading
// column of the row at position q.  Only reads those rows.
void backward_reduce(const FpElim& e, const uint32_t* lead_at, uint64_t* acc, uint32_t lead,
                     uint32_t* hi, int32_t lo, int32_t up);

// Lays out pivot pv (leading column lead) from the offsets off[0 .. n-1]
// of its terms after the leading one and their coefficients coef, in zone
// memory or, when `arena` is given, in the arena.
void make_pivot(PivotCols& pv, uint32_t lead, const uint32_t* off, uint32_t n, const Dom* coef,
                ChunkArena* arena);

// Collection of a backward-reduced row: reduces and clears acc[lead .. hi],
// keeps the non-zero entries as the row's new lane 0 and re-codes it.
void collect_backward(FpElim& e, uint32_t pos, uint64_t* acc, uint32_t hi);

// Decodes the columns of the rows owners[..] (reducers owning their leading
// column) into e.piv (zone memory), in threads.
void decode_pivots(FpElim& e, const std::vector<uint32_t>& owners, uint32_t threads);

// Writes "%.1f%%/" with 100 * done / nreduce on the error stream.
void show_progress(const FpElim& e, uint32_t done);

// Sorts the new rows (e.newidx) by increasing lead (ties: larger serial
// first).
void sort_rev_Dpol(FpElim& e);

// The forward pass with nthreads threads (1: all on the calling thread):
// fills e.newidx and e.nnew (elimination_threads.fp.cpp).
void forward_pass(FpElim& e, uint32_t nthreads);

// The forward pass of blocks of block_rows rows (kLanes or kWideLanes) on
// nthreads > 1 threads without batches, over the rows to be reduced
// rows[..] in order (elimination_overlap.fp.cpp).
void forward_overlapped(FpElim& e, const std::vector<uint32_t>& rows, uint32_t nthreads,
                        uint32_t block_rows);

// The threaded backward pass (nthreads > 1) over the new rows sorted by
// increasing lead, lead_at[q] the leading column of the row at position q
// (elimination_backward.fp.cpp).
void backward_threads(FpElim& e, const uint32_t* lead_at, uint32_t nthreads);

}  // namespace zel::ZEL_BUILD
