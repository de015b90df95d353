// The forward pass of the prime-field elimination, on one thread or many.
//
// Forward: rows to be reduced are taken in batches of units, a unit being a
// block of up to kLanes or kWideLanes consecutive rows swept together
// (reduce_block) or, in aggressive mode and on matrices too wide for the
// blocks' memory, a single row.  The units of a batch are reduced in parallel, each row
// against the pivots found before the batch (the pivot table is only read in
// the region); then, in batch order on the calling thread, each row is
// head-reduced further by the pivots its batch-mates have just taken, takes
// its column and is stored (finish_row).  A row's final leading column
// depends only on the rows before it, so the new rows are the ones a
// row-by-row pass finds.  One thread takes one unit per batch.  Blocks on
// several threads go without batches instead (forward_overlapped).
//
// Every fatal error happens on the calling thread, outside the parallel
// parts, and no part waits at a barrier: the parallel parts run on the
// worker team (worker_team.hpp), whose threads take tasks while there are
// any and sleep between parts, so fewer threads than asked only run slower.
// Out of memory in a part (a drained row's entries) is raised by the team on
// the calling thread.

#include <algorithm>
#include <vector>

#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/elimination_fp.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

uint32_t block_rows_choice = 0;

namespace {

// Memory the forward pass may hold in accumulators at once.
constexpr uint64_t kMaxForwardBytes = uint64_t(256) << 20;
// Largest number of rows per thread in a batch of single rows.
constexpr uint64_t kRowsPerThread = 8;

// How the forward pass cuts its batches.
struct ForwardShape {
  bool blocks;         // units are blocks of rows (else single rows)
  uint32_t unit_rows;  // rows per unit
  uint32_t units;      // units per batch
};

// Wide blocks stream each pivot once for twice the rows.  On several
// threads they also make the units of work twice as coarse, and put twice
// the rows in flight, each sweeping past the pivots stored after it
// started; there they pay off only with at least kWideBlocksPerThread wide
// blocks per thread, and on matrices of at least kWideColumns columns,
// where even narrow blocks' lanes (64 bytes a column) outgrow a core's own
// cache.
constexpr uint32_t kWideBlocksPerThread = 4;
constexpr uint32_t kWideColumns = 16384;

// Rows per block: kWideLanes where they pay off and their memory fits,
// kLanes otherwise.
uint32_t block_rows(const FpElim& e, uint32_t nthreads) {
  if (block_rows_choice) return block_rows_choice;
  const uint64_t columns = uint64_t(e.ncols) + 2;
  if (columns * kWideLanes * sizeof(uint32_t) * nthreads > kMaxForwardBytes) return kLanes;
  if (nthreads == 1) return e.nreduce > kLanes ? kWideLanes : kLanes;
  const bool wide = e.ncols >= kWideColumns &&
                    e.nreduce >= uint64_t(kWideLanes) * kWideBlocksPerThread * nthreads;
  return wide ? kWideLanes : kLanes;
}

// Blocks of rows, one per thread and batch, unless their memory is too
// much or the pass is aggressive.  Aggressive mode decides skips batch by
// batch, so it keeps batches of one row per thread (one row, on one thread:
// exactly the row-by-row pass).  Single rows otherwise go by up to
// kRowsPerThread per thread: each batch costs a parallel region and a wait
// for its slowest row, so larger batches pay off.
ForwardShape forward_shape(const FpElim& e, uint32_t nthreads) {
  const uint64_t columns = uint64_t(e.ncols) + 2;
  if (!ZEL_C(want_aggressive) && columns * kLanes * sizeof(uint32_t) * nthreads <= kMaxForwardBytes)
    return {true, block_rows(e, nthreads), nthreads};
  if (ZEL_C(want_aggressive) || nthreads == 1) return {false, 1, nthreads};
  const uint64_t fit = kMaxForwardBytes / (columns * sizeof(uint64_t) * nthreads);
  return {false, 1, nthreads * uint32_t(std::clamp<uint64_t>(fit, 1, kRowsPerThread))};
}

// The accumulators of the units in use, taken on first use from the step
// buffers (kept between steps) and given back, all zero, at the end.  Block
// units finish their rows through accumulator 0.
struct ForwardMemory {
  StepBuffers& buf = step_buffers();
  uint32_t ncols;
  std::vector<uint64_t*> acc;
  std::vector<uint32_t*> lanes;
  ForwardMemory(const ForwardShape& f, uint32_t nc) : ncols(nc) {
    acc.assign(f.blocks ? 1 : f.units, nullptr);
    lanes.assign(f.blocks ? f.units : 0, nullptr);
    buf.accumulators(acc.size());
    buf.lane_blocks(lanes.size());
  }
  void ensure(const ForwardShape& f, uint32_t used) {
    for (uint32_t u = 0; u < (f.blocks ? 1 : used); ++u)
      if (!acc[u]) acc[u] = buf.acc[u].take(uint64_t(ncols) + 1);
    for (uint32_t u = 0; f.blocks && u < used; ++u)
      if (!lanes[u])
        lanes[u] = f.unit_rows == kWideLanes ? take_lanes<kWideLanes>(buf.lanes[u], ncols)
                                             : take_lanes<kLanes>(buf.lanes[u], ncols);
  }
  // Every accumulator taken is all zero again.  Not called when an error
  // ends the pass: the accumulators are then cleared at their next use.
  void give_back() {
    for (size_t u = 0; u < acc.size(); ++u)
      if (acc[u]) buf.acc[u].give_back();
    for (size_t u = 0; u < lanes.size(); ++u)
      if (lanes[u]) buf.lanes[u].give_back();
  }
};

// Reduces the count rows idx[..] in one block of L lanes and drains them.
template <uint32_t L>
void sweep_unit(const FpElim& e, const uint32_t* idx, uint32_t count, uint32_t* lanes, BlockRow* r,
                std::vector<uint64_t>* out) {
  for (uint32_t k = 0; k < count; ++k) r[k] = start_lane<L>(e, idx[k], lanes, k);
  reduce_block<L>(e, lanes, r, count);
  drain_lanes<L>(lanes, r, count, out);
}

// Reduces the rows batch[..] (row indices in order) and stores them.
void reduce_batch(FpElim& e, const ForwardShape& f, ForwardMemory& mem,
                  const std::vector<uint32_t>& batch, std::vector<BlockRow>& state,
                  std::vector<std::vector<uint64_t>>& entries, uint32_t nthreads) {
  const uint32_t n = uint32_t(batch.size());
  const uint32_t used = (n + f.unit_rows - 1) / f.unit_rows;
  mem.ensure(f, used);
  // Rows differ widely in cost: handing units out one at a time keeps every
  // thread busy until the batch is done.
  worker_team().run(nthreads, used, [&](uint32_t u) {
    const uint32_t first = u * f.unit_rows;
    BlockRow* r = &state[first];
    if (!f.blocks) {
      r[0] = reduce_one_row(e, batch[first], mem.acc[u]);
      return;
    }
    const uint32_t count = std::min(f.unit_rows, n - first);
    if (f.unit_rows == kWideLanes)
      sweep_unit<kWideLanes>(e, &batch[first], count, mem.lanes[u], r, &entries[first]);
    else
      sweep_unit<kLanes>(e, &batch[first], count, mem.lanes[u], r, &entries[first]);
  });
  for (uint32_t j = 0; j < n; ++j) {
    BlockRow& r = state[j];
    if (f.blocks) {
      place_entries(entries[j], mem.acc[0]);
      r.acc = mem.acc[0];
    }
    finish_row(e, r);
  }
}

}  // namespace

void forward_pass(FpElim& e, uint32_t nthreads) {
  const ForwardShape f = forward_shape(e, nthreads);
  if (f.blocks && nthreads > 1) {
    // Blocks skip no row (that is aggressive mode's): every row to be
    // reduced goes, in order.
    std::vector<uint32_t> rows;
    rows.reserve(e.nreduce);
    for (uint32_t i = 0; i < e.nrows; ++i)
      if (e.rows[i]->to_reduce) rows.push_back(i);
    forward_overlapped(e, rows, nthreads, f.unit_rows);
    return;
  }
  ForwardMemory mem(f, e.ncols);
  const uint32_t nb = f.units * f.unit_rows;
  std::vector<BlockRow> state(nb);
  std::vector<std::vector<uint64_t>> entries(f.blocks ? nb : 0);  // drained rows
  std::vector<uint32_t> batch;
  batch.reserve(nb);
  uint32_t counted = 0, batches = 0;
  for (uint32_t i = 0; i < e.nrows; ++i) {
    if (e.rows[i]->to_reduce && !e.agg.skip_row()) {
      batch.push_back(i);
      // One thread shows its progress every 64 rows, several every 64
      // batches.
      if (nthreads == 1 && ZEL_C(want_state_percent) && (++e.progress & 63) == 0)
        show_progress(e, e.progress);
    }
    if (e.rows[i]->to_reduce) ++counted;
    if (!batch.empty() && (batch.size() == nb || i + 1 == e.nrows)) {
      reduce_batch(e, f, mem, batch, state, entries, nthreads);
      batch.clear();
      if (nthreads > 1 && ZEL_C(want_state_percent) && (++batches & 63) == 0)
        show_progress(e, counted);
    }
  }
  if (!batch.empty()) Fatal("il reste %u polynomes\n", uint32_t(batch.size()));
  mem.give_back();
}

}  // namespace zel::ZEL_BUILD
