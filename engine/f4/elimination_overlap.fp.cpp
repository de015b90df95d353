// The forward pass on several threads, without batches.
//
// The rows to be reduced go in blocks of L consecutive rows, handed out
// in order to whichever thread is free.  A thread sweeps its block against
// the pivots known as it reaches each column, rows stored meanwhile
// included, and leaves the block's rows drained; the calling thread stores
// the reduced blocks in order (finish_row) between blocks of its own.  No
// thread waits for a batch's slowest block: a thread runs ahead by at most
// kAheadPerThread blocks per thread before it waits for the stores.
//
// Results: the same new rows as the batched pass once the backward pass is
// done.  A row's sweep used some of the pivots before it (every reducer
// usable for it, and the new rows stored before the sweep reached their
// columns); finish_row head-reduces it by every pivot usable for it when it
// is stored, so its leading column is the one a row-by-row pass finds.  Its
// tail may keep entries at the leading columns of new rows its sweep
// missed; the backward pass clears those, as it does for the batch-mates of
// the batched pass.
//
// A pivot is published by its store with release order after its row and
// decoded columns are complete (finish_row), and read by the sweeps with
// acquire order (reduce_block_shared).  An error on any thread (out of
// memory while a block is drained or stored) ends every thread's work; the
// worker team then raises it on the calling thread.
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "engine/f4/elimination_fp.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/f4/worker_team.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Blocks a thread may have reduced ahead of the stores: enough that the
// calling thread's own blocks do not hold the others up, few enough that a
// row's sweep misses few of the pivots before it.
constexpr uint32_t kAheadPerThread = 2;

template <uint32_t L>
struct Overlap {
  FpElim& e;
  const std::vector<uint32_t>& rows;  // rows to be reduced, in order
  uint32_t nblocks;
  uint32_t window;  // blocks handed out and not yet stored, at most
  std::vector<BlockRow> state;                 // window slots of L rows
  std::vector<std::vector<uint64_t>> entries;  // the drained rows of each slot
  std::unique_ptr<std::atomic<uint32_t>[]> reduced;  // per slot: block + 1 once drained
  std::atomic<uint32_t> next{0};    // next block to hand out
  std::atomic<uint32_t> stored{0};  // blocks stored, in order
  std::atomic<bool> stop{false};    // an error ended the pass

  Overlap(FpElim& el, const std::vector<uint32_t>& r, uint32_t nthreads)
      : e(el), rows(r), nblocks(uint32_t((r.size() + L - 1) / L)),
        window(nthreads * kAheadPerThread), state(uint64_t(window) * L),
        entries(uint64_t(window) * L), reduced(new std::atomic<uint32_t>[window]) {
    for (uint32_t s = 0; s < window; ++s) reduced[s].store(0, std::memory_order_relaxed);
  }

  uint32_t rows_in(uint32_t b) const {
    return std::min<uint32_t>(L, uint32_t(rows.size()) - b * L);
  }

  enum : uint32_t { kNone = UINT32_MAX, kWait = UINT32_MAX - 1 };

  // The next block to reduce, kWait while the window is full, kNone when
  // every block is handed out (or the pass stops).
  uint32_t take() {
    uint32_t b = next.load(std::memory_order_relaxed);
    for (;;) {
      if (b >= nblocks || stop.load(std::memory_order_relaxed)) return kNone;
      // Acquire: the store of the slot's previous block is complete.
      if (b >= stored.load(std::memory_order_acquire) + window) return kWait;
      if (next.compare_exchange_weak(b, b + 1, std::memory_order_relaxed)) return b;
    }
  }

  void reduce(uint32_t b, uint32_t* lanes) {
    if (L > kLanes && rows_in(b) <= kLanes)
      sweep<kLanes>(b, lanes);
    else
      sweep<L>(b, lanes);
    reduced[b % window].store(b + 1, std::memory_order_release);
  }

  // Sweeps block b in lanes of width W.  A short last block goes at the
  // narrower width: it is swept last, while the other threads may idle,
  // and the wide sweep would cost it twice as much.  The lanes of width L
  // hold those of width W (all zero, aligned at least as well).
  template <uint32_t W>
  void sweep(uint32_t b, uint32_t* lanes) {
    const uint32_t slot = b % window, count = rows_in(b);
    BlockRow* r = &state[uint64_t(slot) * L];
    for (uint32_t k = 0; k < count; ++k) r[k] = start_lane<W>(e, rows[b * L + k], lanes, k);
    reduce_block_shared<W>(e, lanes, r, count);
    catch_up_block<W>(e, lanes, r, count);
    drain_lanes<W>(lanes, r, count, &entries[uint64_t(slot) * L]);
  }

  bool ready(uint32_t b) const {
    return reduced[b % window].load(std::memory_order_acquire) == b + 1;
  }

  // Stores block b's rows through acc (calling thread).
  void store(uint32_t b, uint64_t* acc) {
    const uint32_t slot = b % window;
    for (uint32_t k = 0; k < rows_in(b); ++k) {
      BlockRow& r = state[uint64_t(slot) * L + k];
      place_entries(entries[uint64_t(slot) * L + k], acc);
      r.acc = acc;
      finish_row(e, r);
    }
    stored.store(b + 1, std::memory_order_release);
  }
};

// Shows the progress where the batched pass would: after every 64 batches
// of one block of kLanes rows per thread, whatever the blocks' width.
struct Progress {
  uint32_t nthreads, nrows;
  uint32_t batches = 0, done = 0;  // rows counted so far
  // Rows up to `upto` are stored.
  void after(const FpElim& e, uint32_t upto) {
    if (!ZEL_C(want_state_percent)) return;
    const uint32_t nblocks = (nrows + kLanes - 1) / kLanes;
    for (; done < upto; done = std::min(done + kLanes, nrows)) {
      const uint32_t b = done / kLanes;  // the block of kLanes rows ending here
      if ((b + 1) % nthreads != 0 && b + 1 != nblocks) continue;
      if ((++batches & 63) == 0) show_progress(e, std::min<uint32_t>((b + 1) * kLanes, nrows));
    }
  }
};

template <uint32_t L>
void overlapped(FpElim& e, const std::vector<uint32_t>& rows, uint32_t nthreads) {
  Overlap<L> o(e, rows, nthreads);
  StepBuffers& buf = step_buffers();
  buf.accumulators(1);
  buf.lane_blocks(nthreads);
  uint64_t* acc = buf.acc[0].take(uint64_t(e.ncols) + 1);
  std::vector<uint32_t*> lanes(nthreads);
  for (uint32_t t = 0; t < nthreads; ++t) lanes[t] = take_lanes<L>(buf.lanes[t], e.ncols);
  Progress progress{nthreads, uint32_t(rows.size())};
  const std::thread::id caller = std::this_thread::get_id();
  // Task t reduces blocks in lanes t; on the calling thread it also stores
  // them, and it ends there once every block is stored.  A task on another
  // thread ends once every block is handed out, so the calling thread
  // always finds a task of its own while some thread waits for its stores.
  auto part = [&](uint32_t t) {
    const bool stores = std::this_thread::get_id() == caller;
    for (;;) {
      if (stores) {
        if (o.stop.load()) return;
        for (uint32_t b = o.stored.load(std::memory_order_relaxed); b < o.nblocks && o.ready(b);
             ++b) {
          o.store(b, acc);
          progress.after(e, std::min<uint32_t>((b + 1) * L, uint32_t(rows.size())));
        }
        if (o.stored.load(std::memory_order_relaxed) == o.nblocks) return;
      }
      const uint32_t b = o.take();
      if (b == Overlap<L>::kNone) {
        if (!stores || o.stop.load()) return;
      } else if (b != Overlap<L>::kWait) {
        o.reduce(b, lanes[t]);
        continue;
      }
      std::this_thread::yield();
    }
  };
  // A failed block is never stored or reduced, and would be waited for
  // forever: every thread stops, and the team raises the error on the
  // calling thread.  A failed store must not be done again either (its
  // first rows are published, other threads may be reading them).
  worker_team().run(nthreads, nthreads, [&](uint32_t t) {
    try {
      part(t);
    } catch (...) {
      o.stop.store(true);
      throw;
    }
  });
  // Blocks reduced by the other threads after the calling thread's task
  // ended, or while it had none.
  for (uint32_t b = o.stored.load(); b < o.nblocks; ++b) {
    o.store(b, acc);
    progress.after(e, std::min<uint32_t>((b + 1) * L, uint32_t(rows.size())));
  }
  buf.acc[0].give_back();
  for (uint32_t t = 0; t < nthreads; ++t) buf.lanes[t].give_back();
}

}  // namespace

void forward_overlapped(FpElim& e, const std::vector<uint32_t>& rows, uint32_t nthreads,
                        uint32_t block_rows) {
  if (rows.empty()) return;
  if (block_rows == kWideLanes)
    overlapped<kWideLanes>(e, rows, nthreads);
  else
    overlapped<kLanes>(e, rows, nthreads);
}

}  // namespace zel::ZEL_BUILD
