// The engine's stop flag: set by the SIGINT handler of old hosts (and by
// tests), read by the long loops of the F4 step and the main loop.
#pragma once

#include <csignal>
#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Non-zero once a stop was requested (written by a signal handler, hence
// volatile sig_atomic_t); the computation then winds down and
// reports no result.
extern volatile std::sig_atomic_t ZEL_C(stop_immediately_semaphore);

// Polls the host for an interrupt (checkInterrupt) and returns the stop flag.
bool stop_requested();

}  // namespace zel::ZEL_BUILD
