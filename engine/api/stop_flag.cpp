#include "engine/api/stop_flag.hpp"

#include "engine/api/interrupt.hpp"

namespace zel::ZEL_BUILD {

std::atomic<int> ZEL_C(stop_immediately_semaphore){0};

namespace {
bool stop_taken = false;  // the flag's stop ended a request
}

void stop_ended_request() { stop_taken = true; }

void start_unless_stopped_before() {
  if (stop_taken) ZEL_C(stop_immediately_semaphore) = 0;
  stop_taken = false;
}

bool stop_requested() {
  checkInterrupt();
  return ZEL_C(stop_immediately_semaphore) != 0;
}

}  // namespace zel::ZEL_BUILD
