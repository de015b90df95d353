// The C interface's memory reset serves both builds, so it is compiled once.
#include "engine/api/binding.hpp"
#include "engine/api/session.hpp"
#include "engine/mem/raw_block.hpp"

namespace zel::int_build {
bool session_is_set_up();
void forget_session_state(bool asked_here, bool had_session);
void release_server_memory();
void release_fglm_buffers();
}  // namespace zel::int_build
namespace zel::fp_build {
bool session_is_set_up();
void forget_session_state(bool asked_here, bool had_session);
void release_server_memory();
void release_fglm_buffers();
}  // namespace zel::fp_build

namespace zel {
namespace {

void reset_both_builds(bool asked_by_integer_build) {
  const bool int_had = int_build::session_is_set_up();
  const bool fp_had = fp_build::session_is_set_up();
  reset_engine_memory();
  // The binding's export zone came from the blocks just freed.
  Zel_int_zone = nullptr;
  int_build::forget_session_state(asked_by_integer_build, int_had);
  fp_build::forget_session_state(!asked_by_integer_build, fp_had);
  // What the solving modes keep between requests outside the zones: the
  // server's copies of a basis and the change of order's solve matrix.
  int_build::release_server_memory();
  fp_build::release_server_memory();
  int_build::release_fglm_buffers();
  fp_build::release_fglm_buffers();
}

}  // namespace
}  // namespace zel

namespace zel::int_build {
void reset_session_memory() { reset_both_builds(true); }
}  // namespace zel::int_build

namespace zel::fp_build {
void reset_session_memory() { reset_both_builds(false); }
}  // namespace zel::fp_build
