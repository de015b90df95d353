// The engine's stop flag: set by the SIGINT handler of old hosts (and by
// tests), read by the long loops of the F4 step and the main loop.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Non-zero once a stop was requested; the computation then winds down and
// reports no result.  Written by a signal handler and read by
// stop_immediately from any thread, hence a lock-free atomic.
extern std::atomic<int> ZEL_C(stop_immediately_semaphore);
static_assert(std::atomic<int>::is_always_lock_free, "the stop flag is set by a signal handler");

// Polls the host for an interrupt (checkInterrupt) and returns the stop flag.
bool stop_requested();

// A stop ends the request it stopped, which leaves the flag set for its
// caller to read (stop_immediately, the binding's -2): stop_ended_request
// notes that, and the next request's start then clears the flag.  A stop
// that came between two requests stops the next one.
void stop_ended_request();
void start_unless_stopped_before();

}  // namespace zel::ZEL_BUILD
