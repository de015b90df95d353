// The first-prime trace of the elimination and the bad primes of a batch.
//
// The integer build computes a basis modulo a batch of primes at once, one
// residue lane per prime.  The first batch records, for every row of lane 0
// that the elimination reduces, whether it reduced to zero ("*") or became a
// pivot ("+" and its width, ncols + 1 - lead, which names its pivot column).
// Later batches replay that string: a row recorded as zero is skipped with
// no arithmetic, and a row whose pivot falls elsewhere marks lane 0's prime
// as departing from the trace.  Inside a batch lane 0 is the reference of
// the other lanes: a lane whose row reduces differently is a bad prime.
//
// How the multi-modular control uses it, per batch of primes:
//   simul_write = first batch ? 1 : 0;
//   verify_zero_rows = batch right after a first batch ? 1 : 0;
//   ZEL_C(reset_simulation)();      // rewinds the trace, clears the report
//   ... run the computation on ZEL_C(vectorize) lanes ...
//   if (batch_unusable()) drop every lane of the batch;
//   else drop each lane l with lane_is_bad(l), combine the others.
// A bad lane is never fatal: the engine stops computing it (its coefficient
// arrays then share lane 0's, whose values mean nothing modulo its prime)
// and the rest of the batch goes on.  Lane 0 carries the shape of the
// computation, so when lane 0 is bad the whole batch is unusable; when
// every batch after the first departs from the trace, the first batch's
// lane 0 was the bad prime and the computation must start again with a
// fresh first batch.
//
// The prime-field build has a single prime and nothing to replay: its reset
// entry does nothing and no lane is ever bad.
#pragma once

#include <cstdint>

#include "engine/coef/residue.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Why a lane's prime was found bad in the current batch.
enum class BadPrime : uint8_t {
  none = 0,
  divides_lead,   // the prime divides the leading coefficient of an input
  lane_differs,   // a row of this lane reduced differently from lane 0
  trace_differs,  // lane 0 in a replaying batch: a row departed from the trace
};

#ifdef ZEL_VARIANT_INT

// The trace: at most MAXI_SIMUL characters and a terminating 0, taken with
// zmalloc at the first write and kept for the life of the process.  Every
// batch that writes it sets MAXI_SIMUL to its request's zel_max_index (at
// its reset), growing the buffer when that is larger than it.
extern char* simul_string;
extern uint32_t MAXI_SIMUL;
// Where the next write or read happens.
extern uint32_t simul_string_index;
// 1 while a batch writes the trace (the first batch), 0 while it replays it.
extern uint32_t simul_write;
// Set by the control for a replaying batch: the rows the trace records as
// zero are still checked, in lane 0, by reducing a random combination of
// them by the step's pivots; a combination that does not vanish is a
// departure from the trace.  A first batch whose lane-0 prime wrongly
// zeroed a row is caught this way, since the batch's lane 0 is another
// prime.
extern uint32_t verify_zero_rows;

// Appends s, followed by the decimal u when u is not 0, to the trace.  Fatal
// "Array <simul> is too small (increase this value)\n" when the trace is
// full; "Cannot allocate simul_string\n" when it cannot be made.
void simul_out(const char* s, uint32_t u);

// What the trace says of the next row: 0 for a zero row, the recorded width
// for a pivot row, 1 when there is nothing to go by (want_ignore_simulin set,
// or the trace is exhausted).  Lanes other than lane 0 get the last value
// read, without moving.
uint32_t next_syz_non_zero();
// Whether the last read of lane 0 met the end of the trace.
bool trace_exhausted();

// Rewinds the trace (clearing it when simul_write is set) and clears the
// bad-prime report of the batch.
void ZEL_C(reset_simulation)();

// Bad-prime report of the current batch, lane by lane.
void mark_bad_prime(uint32_t lane, BadPrime why);
BadPrime bad_prime_of_lane(uint32_t lane);
inline bool lane_is_bad(uint32_t lane) { return bad_prime_of_lane(lane) != BadPrime::none; }
// Number of bad lanes.
uint32_t bad_prime_count();
// Lane 0 is bad: nothing of the batch may be combined.
inline bool batch_unusable() { return lane_is_bad(0); }

// Input normalisation of a batch (the main loop, before anything else):
// every lane whose prime divides the leading coefficient of an input (its
// residue is 0) is reported bad (BadPrime::divides_lead) and its arrays in
// every input are made to share lane 0's; the live lanes of every input are
// made monic.  Returns false, changing nothing, when lane 0's prime is one of
// them: the batch is then unusable.
bool monic_input_lanes(Dpol** input, uint32_t n);

#else

// Rewinds the trace: nothing to do with a single prime.
inline void ZEL_C(reset_simulation)() {}
inline bool lane_is_bad(uint32_t) { return false; }
inline bool batch_unusable() { return false; }
// Makes every input monic.
inline bool monic_input_lanes(Dpol** input, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) monic_lanes_d(lanes(input[i]), 1, input[i]->n);
  return true;
}

#endif

}  // namespace zel::ZEL_BUILD
