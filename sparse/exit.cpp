#include "sparse/exit.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "engine/api/host.hpp"
#include "engine/mem/messages.hpp"
#include "sparse/messages.hpp"

namespace zel::ZEL_BUILD {

bool exits_raise_fatal = false;

void sparse_exit(int status) {
  std::fflush(stdout);
  std::fflush(err_stream());
  if (exits_raise_fatal) {
    exits_raise_fatal = false;
    Fatal("The sparse change of order failed (status %d)\n", status);
  }
  std::exit(status);
}

void interface_error(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::vfprintf(err_stream(), format, ap);
  va_end(ap);
  sparse_exit(3);
}

void sparse_entry_exception(const char* entry) {
  // A fatal error raised through the host unwinds to the host as it is.
  if (host_raise_in_flight()) throw;
  try {
    throw;
  } catch (const std::exception& e) {
    interface_error("%s%s: not enough memory (%s)\n", ZEL_PREFIX, entry, e.what());
  } catch (...) {
    interface_error("%s%s: internal error\n", ZEL_PREFIX, entry);
  }
}

}  // namespace zel::ZEL_BUILD
