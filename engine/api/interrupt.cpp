// Interrupt polling of one build.
#include "engine/api/interrupt.hpp"

#include "engine/api/host.hpp"
#include "engine/mem/raw_block.hpp"
#ifdef ZEL_VARIANT_INT
#include "engine/coef/int_context.hpp"
#endif

namespace zel::ZEL_BUILD {

uint32_t count_interrupt = 0;
void (*interrupt_reset)() = zel::reset_engine_memory;

namespace {
double cached_version = 0.0;
}

double MapleVersion() {
  if (cached_version == 0.0) cached_version = current_host().version();
  return cached_version;
}

void forget_host_version() { cached_version = 0.0; }

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
  if ((++count_interrupt & 0xFFF) != 0) return;
  [[maybe_unused]] GmpOutside outside;
  const HostServices& host = current_host();
  if (version >= 13.0 && host.interrupt_pending()) {
    interrupt_reset();
    host.check_interrupt();
  }
  host.check_interrupt();
}

}  // namespace zel::ZEL_BUILD
