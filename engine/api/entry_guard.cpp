#include "engine/api/entry_guard.hpp"

#include <exception>
#include <new>
#include <stdexcept>

#include "engine/api/host.hpp"
#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

void entry_exception(const char* entry) {
  // A fatal error raised through the host unwinds to the host as it is.
  if (host_raise_in_flight()) throw;
  const char* prefix = kIntegerBuild ? "Zel_int_" : "Zel_";
  try {
    throw;
  } catch (const std::bad_alloc&) {
    Fatal("%s%s: not enough memory\n", prefix, entry);
  } catch (const std::length_error&) {
    Fatal("%s%s: not enough memory (a table would be too long)\n", prefix, entry);
  } catch (const std::exception& e) {
    Fatal("%s%s: internal error: %s\n", prefix, entry, e.what());
  } catch (...) {
    Fatal("%s%s: internal error\n", prefix, entry);
  }
}

}  // namespace zel::ZEL_BUILD
