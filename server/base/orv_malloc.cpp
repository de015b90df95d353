// The build's allocation hook.
#include "server/base/orv_malloc.hpp"

namespace orv::ORV_BUILD {

Orv_malloc_hook ORV_C(Orv_malloc) = internal_Orv_malloc;

}  // namespace orv::ORV_BUILD
