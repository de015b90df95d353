// Interrupt polling of one build.
#include "engine/api/interrupt.hpp"

#include "engine/api/host.hpp"
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

namespace {
// Puts the caller's GMP functions back for the host call and the zone ones
// after it, even when the host unwinds by an exception (the context's own
// guards then leave it for good).  The context's depth is left alone.
struct GmpOutside {
#ifdef ZEL_VARIANT_INT
  const bool inside = int_context_active();
  GmpOutside() {
    if (inside) memo_reset_mp_set_memory_functions_safe();
  }
  ~GmpOutside() {
    if (inside) memo_mp_set_memory_functions(bignum_alloc, bignum_realloc, bignum_free);
  }
#endif
};
}  // namespace

void checkInterrupt() {
  const double version = MapleVersion();
  if (version < 11.0) return;
  if (((count_interrupt.fetch_add(1, std::memory_order_relaxed) + 1) & 0xFFF) != 0) return;
  [[maybe_unused]] GmpOutside outside;
  const HostServices& host = current_host();
  host_check_running = true;
  if (version >= 13.0 && host.interrupt_pending()) {
    interrupt_reset();
    host.check_interrupt();
  }
  host.check_interrupt();
  host_check_running = false;
}

bool host_interrupt_in_flight() { return host_check_running.exchange(false); }

}  // namespace zel::ZEL_BUILD
