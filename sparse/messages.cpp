#include "sparse/messages.hpp"

namespace zel::ZEL_BUILD {

FILE* err_stream() { return stderr; }

}  // namespace zel::ZEL_BUILD
