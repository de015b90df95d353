// Interrupt polling of one build.
#include "engine/api/interrupt.hpp"

#include "engine/api/host.hpp"
#include "engine/mem/raw_block.hpp"

namespace zel::ZEL_BUILD {

uint32_t count_interrupt = 0;
void (*gmp_leave)() = nullptr;
void (*gmp_enter)() = nullptr;
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
// Re-enters the GMP context even when the host unwinds by an exception.
struct GmpOutside {
  GmpOutside() {
    if (kIntegerBuild && gmp_leave) gmp_leave();
  }
  ~GmpOutside() {
    if (kIntegerBuild && gmp_enter) gmp_enter();
  }
};
}  // namespace

void checkInterrupt() {
  const double version = MapleVersion();
  if (version < 11.0) return;
  if ((++count_interrupt & 0xFFF) != 0) return;
  GmpOutside outside;
  const HostServices& host = current_host();
  if (version >= 13.0 && host.interrupt_pending()) {
    interrupt_reset();
    host.check_interrupt();
  }
  host.check_interrupt();
}

}  // namespace zel::ZEL_BUILD
