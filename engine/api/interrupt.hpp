// Interrupt polling and the host's version, per build.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Polls counted by checkInterrupt (only a thread inside the library polls).
extern std::atomic<uint32_t> count_interrupt;

// The host's version, cached once the host gives a non-zero one; 0.0 when
// there is no host to ask (C callers).
double MapleVersion();

// Long loops call this, on the request's thread, outside parallel regions.
// Hosts older than 11.0 are not polled (their SIGINT handler sets the stop
// flag instead); otherwise every 4096th call asks the host, which unwinds
// the call when the user interrupted (by longjmp, for a host written in C:
// the library is lent for the check, entry_claim.hpp).  From version 13.0
// on, a pending interrupt first resets the engine's memory (every handle and
// zone pointer becomes invalid); should the check then return, the request
// ends as an interrupted one (RequestStopped, with the stop flag set), as it
// does when another thread used the library during the check.  Inside a
// host callback the memory is kept and only the stop flag is set.  The
// integer build gives GMP back its caller's memory functions around the
// host call: the host's own integers must not land in engine zones.
void checkInterrupt();
// An outermost claim starts with no host check in flight.
void forget_host_check();
// Inside a catch block: true when the exception in flight is the host's
// interrupt check unwinding (it must go on to the host), false otherwise.
bool host_interrupt_in_flight();
// The memory reset done before unwinding on a pending interrupt; the C
// interface installs its own (which also forgets its handles).
extern void (*interrupt_reset)();

// Test hook: forgets the cached version.
void forget_host_version();

}  // namespace zel::ZEL_BUILD
