#include "sparse/messages.hpp"

#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

FILE* err_stream() { return ZEL_C(stderr) != nullptr ? ZEL_C(stderr) : stderr; }

}  // namespace zel::ZEL_BUILD
