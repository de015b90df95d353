#include "engine/api/stop_flag.hpp"

#include "engine/api/interrupt.hpp"

namespace zel::ZEL_BUILD {

std::atomic<int> ZEL_C(stop_immediately_semaphore){0};

bool stop_requested() {
  checkInterrupt();
  return ZEL_C(stop_immediately_semaphore) != 0;
}

}  // namespace zel::ZEL_BUILD
