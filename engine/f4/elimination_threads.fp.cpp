// Threaded forward and backward passes of the prime-field elimination.
//
// Forward: rows to be reduced are taken in batches of up to eight rows per
// thread (one per thread in aggressive mode).  A batch is reduced in
// parallel, each row against the pivots found before the batch
// (the pivot table is only read in the region); then, in batch order on the
// calling thread, each row is head-reduced further by the pivots its
// batch-mates have just taken, takes its column and is stored.  A row's final
// leading column depends only on the rows before it, so the new rows are the
// ones the sequential pass finds.
//
// Backward: stages of nb_threads new rows, from the end.  In parallel each
// row of a stage is reduced by the rows after the stage (final already);
// then the calling thread reduces the stage's rows by each other from the
// last one down, and stores them.  Every allocation and every possible fatal
// error happens on the calling thread, outside the parallel parts, and no
// part waits at a barrier: the parallel parts run on the worker team
// (worker_team.hpp), whose threads take tasks while there are any and sleep
// between parts, so fewer threads than asked only run slower.

#include <algorithm>
#include <vector>

#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/elimination_fp.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Largest number of rows per thread in a forward batch.
constexpr uint64_t kRowsPerThread = 8;

struct Slot {
  uint64_t* acc = nullptr;  // ncols + 1 entries, all zero between rows
  uint32_t lead = 0, hi = 0;
  bool alive = false;
};

// Accumulators of the slots in use, taken on first use from the step
// buffers (kept between steps) and given back, all zero, at the end.
struct Slots {
  std::vector<Slot> slot;
  StepBuffers& buf;
  uint32_t ncols;
  Slots(uint32_t n, uint32_t nc) : slot(n), buf(step_buffers()), ncols(nc) {
    buf.accumulators(n);
  }
  void ensure(uint32_t used) {
    for (uint32_t s = 0; s < used; ++s)
      if (!slot[s].acc) slot[s].acc = buf.acc[s].take(uint64_t(ncols) + 1);
  }
  // Every slot's accumulator is all zero again.
  void give_back() {
    for (size_t s = 0; s < slot.size(); ++s)
      if (slot[s].acc) buf.acc[s].give_back();
  }
};

void reduce_batch(FpElim& e, Slots& slots, const std::vector<uint32_t>& batch, uint32_t nthreads) {
  const int32_t used = int32_t(batch.size());
  slots.ensure(uint32_t(used));
  // Rows differ widely in cost: handing them out one at a time keeps every
  // thread busy until the batch is done.
  worker_team().run(nthreads, uint32_t(used), [&](uint32_t s) {
    Slot& sl = slots.slot[s];
    const uint32_t idx = batch[s];
    const CodedRow* row = e.rows[idx];
    sl.lead = row->lead;
    sl.hi = 0;
    sl.alive = row->coeffs[0] != nullptr;
    if (!sl.alive) return;
    sl.hi = expand_row(sl.acc, row);
    sl.alive = reduction_tete_multi(e, sl.acc, &sl.lead, &sl.hi, idx);
    if (sl.alive) tail_reduce(e, sl.acc, sl.lead, &sl.hi, idx);
  });
  for (int32_t s = 0; s < used; ++s) {
    Slot& sl = slots.slot[s];
    const uint32_t idx = batch[s];
    CodedRow* row = e.rows[idx];
    // Batch-mates stored before this row may own its leading column now.
    if (sl.alive && e.usable(sl.lead, idx))
      sl.alive = reduction_tete_multi(e, sl.acc, &sl.lead, &sl.hi, idx);
    if (!sl.alive) {
      row->coeffs[0] = nullptr;
      ZEL_C(mark_useless)(0, row->serial);
      e.agg.on_zero();
      continue;
    }
    e.pivots[sl.lead] = int32_t(idx);
    ZEL_C(mark_useless)(1, row->serial);
    ZEL_C(compact_result1)(e, idx, sl.acc, sl.lead, sl.hi);
    e.newidx[e.nnew++] = idx;
    e.agg.on_kept();
  }
}

void backward_threads(FpElim& e, Slots& slots, const int32_t* pos_of_lead, uint32_t nb) {
  const int32_t count = int32_t(e.nnew);
  for (int32_t b = count - 2; b >= 0; b -= int32_t(nb)) {
    const int32_t low = std::max(b - int32_t(nb) + 1, 0);
    const int32_t used = b - low + 1;
    for (int32_t pos = b; pos >= low; --pos)
      if (e.rows[e.newidx[pos]]->kind != CODE_LZW) Fatal("code <> CODE_LZW");
    slots.ensure(uint32_t(used));
    worker_team().run(nb, uint32_t(used), [&](uint32_t t) {
      Slot& sl = slots.slot[t];
      const CodedRow* row = e.rows[e.newidx[b - int32_t(t)]];
      sl.hi = expand_row(sl.acc, row);
      backward_reduce(e, pos_of_lead, sl.acc, row->lead, &sl.hi, b, count - 1);
    });
    for (int32_t pos = b; pos >= low; --pos) {
      Slot& sl = slots.slot[b - pos];
      const CodedRow* row = e.rows[e.newidx[pos]];
      backward_reduce(e, pos_of_lead, sl.acc, row->lead, &sl.hi, pos, b);
      collect_backward(e, uint32_t(pos), sl.acc, sl.hi);
    }
  }
}

// Rows per thread in a batch: each batch costs a parallel region and a wait
// for its slowest row, so larger batches pay off; the accumulators they hold
// bound them (about 256 MiB).  Aggressive mode decides skips batch by batch,
// so it keeps batches of one row per thread.
uint32_t rows_per_thread(const FpElim& e, uint32_t nb) {
  if (ZEL_C(want_aggressive)) return 1;
  const uint64_t bytes = (uint64_t(e.ncols) + 1) * sizeof(uint64_t) * nb;
  const uint64_t fit = (uint64_t(256) << 20) / bytes;
  return uint32_t(std::clamp<uint64_t>(fit, 1, kRowsPerThread));
}

}  // namespace

void forward_threads(FpElim& e, uint32_t nthreads) {
  const uint32_t nb = nthreads * rows_per_thread(e, nthreads);
  Slots slots(std::max(nb, nthreads), e.ncols);
  std::vector<uint32_t> batch;
  batch.reserve(nb);
  uint32_t counted = 0, batches = 0;
  for (uint32_t i = 0; i < e.nrows; ++i) {
    if (e.rows[i]->to_reduce) {
      ++counted;
      if (!e.agg.skip_row()) batch.push_back(i);
    }
    if (!batch.empty() && (batch.size() == nb || i + 1 == e.nrows)) {
      reduce_batch(e, slots, batch, nthreads);
      batch.clear();
      if (ZEL_C(want_state_percent) && (++batches & 63) == 0) show_progress(e, counted);
    }
  }
  if (!batch.empty()) Fatal("il reste %u polynomes\n", uint32_t(batch.size()));
  if (e.nnew) {
    sort_rev_Dpol(e);
    std::fill(e.pivots, e.pivots + e.ncols + 1, -1);
    for (uint32_t k = 0; k < e.nnew; ++k) e.pivots[e.rows[e.newidx[k]]->lead] = int32_t(k);
    backward_threads(e, slots, e.pivots, nthreads);
  }
  slots.give_back();
}

}  // namespace zel::ZEL_BUILD
