// The engine's stop flag: set by the SIGINT handler of old hosts (and by
// tests), read by the long loops of the F4 step and the main loop.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Non-zero once a stop was requested; the computation then winds down and
// reports no result.
extern int32_t ZEL_C(stop_immediately_semaphore);

// Polls the host for an interrupt (checkInterrupt) and returns the stop flag.
bool stop_requested();

}  // namespace zel::ZEL_BUILD
