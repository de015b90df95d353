// Loops whose iterations are independent, cut into ranges that the worker
// team shares.
//
// The change of order runs thousands of small products, one after another;
// the team's helpers sleep between them, so that a loaded machine's other
// work keeps the processors.  A loop of less work than min_threaded_work
// runs on the calling thread alone.  Each iteration writes its own results
// only, so the results do not depend on how the loop was cut.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/f4/worker_team.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Ranges per thread: a helper the system put aside holds up the caller for
// one short range only, and the others take the rest.
constexpr uint32_t kRangesPerThread = 4;

// A term of the vectorised dot products costs about an eighth of a term of
// the elimination: their loops count work as dot terms / kDotTermsPerWork.
constexpr uint64_t kDotTermsPerWork = 8;

// Runs body(lo, hi) over ranges covering 0 .. n-1, with up to `threads`
// threads when `work` (in matrix terms) pays for them.
template <class Body>
void run_ranges(uint32_t threads, uint64_t work, uint32_t n, const Body& body) {
  const uint32_t t = std::min(threads_for(work, std::max(threads, 1u)), n);
  if (t <= 1) {
    if (n > 0) body(0u, n);
    return;
  }
  const uint32_t step = (n + t * kRangesPerThread - 1) / (t * kRangesPerThread);
  const uint32_t count = (n + step - 1) / step;
  worker_team().run(t, count, [&](uint32_t k) {
    const uint32_t lo = k * step;
    body(lo, std::min(n, lo + step));
  });
}

}  // namespace zel::ZEL_BUILD
