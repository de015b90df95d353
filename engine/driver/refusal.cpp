// Refusals of the solving modes (see refusal.hpp).
#include "engine/driver/refusal.hpp"

#include <cstdarg>
#include <cstdio>

namespace zel::ZEL_BUILD {

// Set by the loop over batches around a pass's computation, on the
// request's thread, where every refusal is raised.
bool refusals_unwind = false;

void Refuse(const char* format, ...) {
  char buf[kMessageBuffer];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(buf, sizeof buf, format, ap);
  va_end(ap);
  if (refusals_unwind) throw Refusal{buf};
  Fatal("%s", buf);
}

RefusalsUnwind::RefusalsUnwind() : saved_(refusals_unwind) { refusals_unwind = true; }

RefusalsUnwind::~RefusalsUnwind() { refusals_unwind = saved_; }

}  // namespace zel::ZEL_BUILD
