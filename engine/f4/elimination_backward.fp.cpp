// The backward pass of the prime-field elimination on several threads.
//
// The new rows, sorted by increasing lead, are finished from the last one
// down: each is reduced by every later row and stored in its final form.
// The threads take the rows in that order, one at a time.  A final row has
// zeros at the leads of all the other new rows, so the multiple of a later
// row that a row needs does not depend on the other reductions: the
// reductions commute, and a row reduces first by the later rows already
// stored, then by the ones still in work as they are stored.  A row waits
// only for rows taken before it, and the earliest row in work waits for
// none, so the pass always moves on.  The reductions a row undergoes are
// the ones of the pass on one thread, so the results are the same.
//
// A row is published as a pivot as soon as its coefficients and columns
// are laid out; its gap code follows.  It is stored in its thread's own
// memory (the zone heap serves the calling thread only); when every row is
// done the calling thread copies the coefficients and codes into the zone,
// where the rows live on.

#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

#include "engine/api/stop_flag.hpp"
#include "engine/f4/elimination_fp.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

namespace {

bool is_ready(const uint8_t* ready, int32_t q) {
  return __atomic_load_n(&ready[q], __ATOMIC_ACQUIRE) != 0;
}

// acc minus the multiple of the pivot that clears column c; returns the last
// column touched (0 when none).
uint32_t clear_column(const FpElim& e, uint64_t* acc, uint32_t c, const PivotCols& pv) {
  const uint32_t r = e.mod(acc[c]);
  acc[c] = 0;
  return r ? Zel_lzw_basic_step_lin_d_multi(acc, uint32_t(e.mod.p) - r, pv) : 0;
}

// Reduces the row at pos (in acc, last column hi) by the rows pos+1 ..
// last, those not stored yet once they are; `waiting` is scratch.  Returns
// the last column touched.
uint32_t reduce_by_later(const FpElim& e, const uint32_t* lead_at, const uint8_t* ready,
                         uint64_t* acc, uint32_t hi, int32_t pos, int32_t last,
                         std::vector<int32_t>& waiting) {
  uint32_t h = hi;
  auto apply = [&](int32_t q) {
    h = std::max(h, clear_column(e, acc, lead_at[q], e.piv[e.newidx[q]]));
  };
  waiting.clear();
  int32_t q = pos + 1;
  for (uint32_t spins = 0;;) {
    // The columns up to h: a reduction may move h on.
    for (; q <= last && lead_at[q] <= h; ++q) {
      if (!acc[lead_at[q]]) continue;
      if (is_ready(ready, q))
        apply(q);
      else
        waiting.push_back(q);
    }
    if (waiting.empty()) return h;
    size_t left = 0;
    for (const int32_t w : waiting)
      if (is_ready(ready, w))
        apply(w);
      else
        waiting[left++] = w;
    if (left < waiting.size())
      spins = 0;
    else if (++spins >= 64)
      std::this_thread::yield();
    else
      _mm_pause();
    waiting.resize(left);
  }
}

// Reduces and clears acc[lead .. hi] into coefficients in the slot's memory
// and offsets in its scratch; returns the count kept.
uint32_t collect_into(const FpElim& e, uint64_t* acc, uint32_t lead, uint32_t hi,
                      BackwardSlot& slot, Dom** out) {
  const uint32_t n = hi - lead + 1;
  Dom* c = static_cast<Dom*>(slot.mem.take(uint64_t(n) * sizeof(Dom)));
  const uint32_t kept = reduce_nonzero(e, acc + lead, n, c, slot.offsets.data());
  slot.mem.trim_last(c, uint64_t(kept) * sizeof(Dom));
  *out = c;
  return kept;
}

// The gap code of the row at idx from the slot's offsets (kept terms), in
// the slot's memory.  Returns its bytes.
uint32_t code_in_slot(FpElim& e, uint32_t idx, uint32_t kept, BackwardSlot& slot) {
  CodedRow* row = e.rows[idx];
  uint8_t* code = static_cast<uint8_t*>(slot.mem.take(gap_code_room(kept)));
  uint32_t ncodes = 0;
  const uint32_t nbytes = kept < 2 ? 0 : encode_gaps(code, slot.offsets.data(), kept, &ncodes);
  slot.mem.trim_last(code, nbytes);
  row->code = code;
  row->ncodes = ncodes;
  row->kind = CODE_LZW;
  row->width = e.ncols + 1 - row->lead;
  return nbytes;
}

}  // namespace

void backward_threads(FpElim& e, const uint32_t* lead_at, uint32_t nthreads) {
  const int32_t count = int32_t(e.nnew);
  if (count < 2) return;
  for (int32_t pos = 0; pos < count - 1; ++pos)
    if (e.rows[e.newidx[pos]]->kind != CODE_LZW) Fatal("code <> CODE_LZW");
  // The rows keep their forward-pass form.
  if (stop_requested()) return;

  StepBuffers& buf = step_buffers();
  buf.accumulators(nthreads);
  buf.backward_slots(nthreads, uint64_t(e.ncols) + 1);
  std::vector<uint64_t*> acc(nthreads);
  for (uint32_t t = 0; t < nthreads; ++t) acc[t] = buf.acc[t].take(uint64_t(e.ncols) + 1);

  // ready[q]: row q is final.  The last row is final as it stands.
  std::vector<uint8_t> ready(size_t(count), 0);
  ready[size_t(count) - 1] = 1;
  std::vector<uint32_t> terms(static_cast<size_t>(count)), bytes(static_cast<size_t>(count));
  std::atomic<int32_t> next{count - 2};
  std::exception_ptr error;
  std::atomic<bool> failed{false};
  std::vector<std::vector<int32_t>> waiting(nthreads);
  worker_team().run(nthreads, nthreads, [&](uint32_t t) {
    for (;;) {
      const int32_t pos = next.fetch_sub(1, std::memory_order_relaxed);
      if (pos < 0) return;
      const uint32_t idx = e.newidx[pos];
      if (!failed.load(std::memory_order_relaxed)) {
        try {
          CodedRow* row = e.rows[idx];
          const uint32_t lead = row->lead;
          uint32_t hi = expand_row(acc[t], row);
          hi = reduce_by_later(e, lead_at, ready.data(), acc[t], hi, pos, count - 1, waiting[t]);
          BackwardSlot& slot = buf.backward[t];
          Dom* c = nullptr;
          const uint32_t kept = collect_into(e, acc[t], lead, hi, slot, &c);
          make_pivot(e.piv[idx], lead, slot.offsets.data() + 1, kept - 1, c + 1, &slot.mem);
          __atomic_store_n(&ready[size_t(pos)], uint8_t(1), __ATOMIC_RELEASE);
          row->coeffs[0] = c;
          terms[size_t(pos)] = kept;
          bytes[size_t(pos)] = code_in_slot(e, idx, kept, slot);
          continue;
        } catch (...) {
          // The rows that wait for this one go on; the error is raised once
          // all are done.
          if (!failed.exchange(true)) error = std::current_exception();
        }
      }
      __atomic_store_n(&ready[size_t(pos)], uint8_t(1), __ATOMIC_RELEASE);
    }
  });
  // A failed row may leave its accumulator dirty: not given back, it is
  // cleared at its next use.
  if (error) std::rethrow_exception(error);
  for (uint32_t t = 0; t < nthreads; ++t) buf.acc[t].give_back();

  // Into the zone, where the rows outlive this pass.
  for (int32_t pos = count - 2; pos >= 0; --pos) {
    CodedRow* row = e.rows[e.newidx[pos]];
    const uint64_t nc = uint64_t(terms[size_t(pos)]) * sizeof(Dom);
    Dom* c = static_cast<Dom*>(alloc(nc));
    std::memcpy(c, row->coeffs[0], nc);
    row->coeffs[0] = c;
    uint8_t* code = static_cast<uint8_t*>(alloc(bytes[size_t(pos)]));
    std::memcpy(code, row->code, bytes[size_t(pos)]);
    row->code = code;
  }
}

}  // namespace zel::ZEL_BUILD
