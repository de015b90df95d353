#include "sparse/exit.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "sparse/messages.hpp"

namespace zel::ZEL_BUILD {

void sparse_exit(int status) {
  std::fflush(stdout);
  std::fflush(err_stream());
  std::exit(status);
}

void interface_error(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::vfprintf(err_stream(), format, ap);
  va_end(ap);
  sparse_exit(3);
}

}  // namespace zel::ZEL_BUILD
