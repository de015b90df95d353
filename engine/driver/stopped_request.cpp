// The end of a stopped request (see stopped_request.hpp).
#include "engine/driver/stopped_request.hpp"

#include "engine/api/stop_flag.hpp"
#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

void unwind_if_stopped() {
  if (stop_requested()) throw RequestStopped{};
}

void say_interrupted() { Stderr("\ninterrupted\n"); }

}  // namespace zel::ZEL_BUILD
