// The backward pass of the prime-field elimination on several threads.
//
// The new rows, sorted by increasing lead, are finished from the last one
// down: each is reduced by every later row and stored in its final form.
// The threads take the rows in that order, one at a time, and each reduces
// its row column by column, waiting where it meets the lead of a later row
// not stored yet.  A row waits only for rows taken before it, and the row
// taken first among those in work waits for none, so the pass always moves
// on.  The reductions a row undergoes are the ones the pass on one thread
// makes, and the later rows it uses are already final, so the results are
// the same.
//
// A row is stored in its thread's own memory (the zone heap serves the
// calling thread only); when every row is done the calling thread copies
// the coefficients and codes into the zone, where the rows live on.

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <vector>

#include "engine/api/stop_flag.hpp"
#include "engine/f4/elimination_fp.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Reduces and clears acc[lead .. hi] into the slot's offsets and
// coefficients; returns the count kept.
uint32_t collect_into(const FpElim& e, uint64_t* acc, uint32_t lead, uint32_t hi,
                      BackwardSlot& slot) {
  uint32_t kept = 0;
  uint64_t* a = acc + lead;
  for (uint32_t j = 0, n = hi - lead + 1; j < n; ++j) {
    if (!a[j]) continue;
    const uint32_t r = e.mod(a[j]);
    a[j] = 0;
    if (r) {
      slot.coefs[kept] = Dom(r);
      slot.offsets[kept++] = j;
    }
  }
  return kept;
}

// Stores the row at idx (kept terms collected in the slot) in the slot's
// memory: coefficients, gap code and pivot.  Returns the code's bytes.
uint32_t store_in_slot(FpElim& e, uint32_t idx, uint32_t kept, BackwardSlot& slot) {
  CodedRow* row = e.rows[idx];
  Dom* c = static_cast<Dom*>(slot.mem.take(uint64_t(kept) * sizeof(Dom)));
  std::memcpy(c, slot.coefs.data(), uint64_t(kept) * sizeof(Dom));
  const uint64_t room = gap_code_room(kept);
  uint8_t* code = static_cast<uint8_t*>(slot.mem.take(room));
  uint32_t ncodes = 0;
  const uint32_t nbytes = kept < 2 ? 0 : encode_gaps(code, slot.offsets.data(), kept, &ncodes);
  slot.mem.trim_last(code, nbytes);
  row->coeffs[0] = c;
  row->code = code;
  row->ncodes = ncodes;
  row->kind = CODE_LZW;
  row->width = e.ncols + 1 - row->lead;
  make_pivot(e.piv[idx], row->lead, slot.offsets.data() + 1, kept - 1, c + 1, &slot.mem);
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
  worker_team().run(nthreads, nthreads, [&](uint32_t t) {
    for (;;) {
      const int32_t pos = next.fetch_sub(1, std::memory_order_relaxed);
      if (pos < 0) return;
      const uint32_t idx = e.newidx[pos];
      if (!failed.load(std::memory_order_relaxed)) {
        try {
          const CodedRow* row = e.rows[idx];
          uint32_t hi = expand_row(acc[t], row);
          backward_reduce(e, lead_at, acc[t], row->lead, &hi, pos, count - 1, ready.data());
          const uint32_t lead = row->lead;
          terms[size_t(pos)] = collect_into(e, acc[t], lead, hi, buf.backward[t]);
          bytes[size_t(pos)] = store_in_slot(e, idx, terms[size_t(pos)], buf.backward[t]);
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
