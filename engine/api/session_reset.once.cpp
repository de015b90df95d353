// The C interface's memory reset serves both builds, so it is compiled once.
#include "engine/api/binding.hpp"
#include "engine/api/session.hpp"
#include "engine/mem/raw_block.hpp"

namespace zel::int_build {
void forget_session_state();
}
namespace zel::fp_build {
void forget_session_state();
}

namespace zel::int_build {

void reset_session_memory() {
  zel::reset_engine_memory();
  // The binding's export zone came from the blocks just freed.
  zel::Zel_int_zone = nullptr;
  zel::int_build::forget_session_state();
  zel::fp_build::forget_session_state();
}

}  // namespace zel::int_build

namespace zel::fp_build {
void reset_session_memory() { zel::int_build::reset_session_memory(); }
}  // namespace zel::fp_build
