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

}  // namespace zel::ZEL_BUILD
