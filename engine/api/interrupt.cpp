// Interrupt polling of one build.
#include "engine/api/interrupt.hpp"

#include "engine/api/entry_claim.hpp"
#include "engine/api/host.hpp"
#include "engine/api/stop_flag.hpp"
#include "engine/driver/stopped_request.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"
#ifdef ZEL_VARIANT_INT
#include "engine/coef/int_context.hpp"
#endif

namespace zel::ZEL_BUILD {

std::atomic<uint32_t> count_interrupt{0};
void (*interrupt_reset)() = zel::reset_engine_memory;

namespace {
// The host's version, once it gave one.
std::atomic<double> cached_version{0.0};
// Set while the host's interrupt check runs; stays set when it unwinds.
std::atomic<bool> host_check_running{false};
}

double MapleVersion() {
  double v = cached_version.load(std::memory_order_relaxed);
  if (v == 0.0) {
    v = current_host().version();
    // No host (0.0) is asked again next time: nothing to keep.
    if (v != 0.0) cached_version.store(v, std::memory_order_relaxed);
  }
  return v;
}

void forget_host_version() { cached_version.store(0.0, std::memory_order_relaxed); }

void checkInterrupt() {
  const double version = MapleVersion();
  if (version < 11.0) return;
  if (((count_interrupt.fetch_add(1, std::memory_order_relaxed) + 1) & 0xFFF) != 0) return;
#ifdef ZEL_VARIANT_INT
  // GMP has its caller's memory functions for the host call (the host's own
  // integers must not land in engine zones), the zone ones after it.  A host
  // that unwinds leaves them as the caller's: the context's guards, or the
  // next outermost entry, then leave the context for good.
  const uint32_t gmp_depth = int_context_depth();
  if (gmp_depth > 0) memo_reset_mp_set_memory_functions_safe();
#endif
  // The host's functions as they are now: while the library is lent,
  // another thread may bind its own.
  const HostServices host = current_host();
  // Inside a host callback the running call's frames lie under the host's:
  // its memory stays, and it ends at its next poll.
  const bool in_callback = host_callback_open();
  bool reset = false;
  if (version >= 13.0 && host.interrupt_pending()) {
    if (in_callback) {
      ZEL_C(stop_immediately_semaphore) = 1;
    } else {
      interrupt_reset();
      reset = true;
    }
  }
  host_check_running = true;
  // The check may unwind the call by longjmp: the library is free meanwhile.
  HostCallLoan loan;
  host.check_interrupt();
  const bool kept = loan.back();
  host_check_running = false;
#ifdef ZEL_VARIANT_INT
  // The call's depth comes back with the zone functions (another thread may
  // have left the context meanwhile).
  if (gmp_depth > 0) restore_int_context_depth(gmp_depth);
#endif
  if (!kept) Stderr("\nanother thread called the library during the host's interrupt check\n");
  if (reset || !kept) {
    // Nothing the call held can be trusted (the memory was reset, or another
    // thread had the session): it ends as an interrupted one, whatever the
    // check did; from a callback, at its next poll.
    ZEL_C(stop_immediately_semaphore) = 1;
    if (in_callback) return;
    if (!reset) interrupt_reset();
    throw RequestStopped{};
  }
}

void forget_host_check() { host_check_running = false; }

bool host_interrupt_in_flight() { return host_check_running.exchange(false); }

}  // namespace zel::ZEL_BUILD
