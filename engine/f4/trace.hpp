// The first-prime trace of the elimination.  Only the integer build, which
// replays the first batch's pivots on later batches of primes, keeps one;
// the prime-field build has a single prime and nothing to replay, so its
// reset entry does nothing.
#pragma once

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

#ifdef ZEL_VARIANT_FP
// Rewinds the trace: nothing to do with a single prime.
inline void ZEL_C(reset_simulation)() {}
#endif

}  // namespace zel::ZEL_BUILD
