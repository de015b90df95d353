// A stop request ends the request it interrupts with nothing.
//
// The stop flag (engine/api/stop_flag.hpp: the SIGINT handler of old hosts,
// a host's interrupt check) makes the F4 steps end early, and what they
// hand back then is partial: a basis short of polynomials, rows left
// unreduced.  Nothing may be built on it: a change of order would call the
// system not zero-dimensional, the integer build would hand out images as
// coefficients.  So the driver, once it sees the stop between two steps on
// the request's thread, unwinds the request as a RequestStopped up to the
// compute entry.  There the request gives back what it made, hands out no
// result (count 0) and writes "interrupted"; the flag stays set until the
// next request starts, for stop_immediately and the binding (its compute
// then returns -2) to read.
// A stop that comes after the last poll (during a change of order, which
// polls nothing) ends the request the same way when the entry looks at
// the flag a last time.
#pragma once

#include <cstdint>

#include "engine/api/stop_flag.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct RequestStopped {};

// Polls the host and the stop flag (stop_requested); throws RequestStopped
// when a stop was requested.  On the request's thread, between steps
// (never inside a parallel region).
void unwind_if_stopped();

// Writes "interrupted" through the message sink.
void say_interrupted();

// Runs `compute`, the computation of a request, and returns its count.  A
// stop seen on the way, or set by its end, gives 0 instead: `forget` gives
// back what the computation made, and "interrupted" is written.
template <class Compute, class Forget>
uint32_t count_unless_stopped(Compute compute, Forget forget) {
  try {
    const uint32_t count = compute();
    unwind_if_stopped();
    return count;
  } catch (const RequestStopped&) {
    forget();
    say_interrupted();
    stop_ended_request();
    return 0;
  }
}
template <class Compute>
uint32_t count_unless_stopped(Compute compute) {
  return count_unless_stopped(compute, [] {});
}

}  // namespace zel::ZEL_BUILD
