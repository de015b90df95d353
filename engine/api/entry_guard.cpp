#include "engine/api/entry_guard.hpp"

#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <system_error>

#include "engine/api/host.hpp"
#include "engine/api/interrupt.hpp"
#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

void entry_exception(const char* entry) {
  // A fatal error raised through the host, or the user's interrupt, unwinds
  // to the host as it is.
  if (host_raise_in_flight() || host_interrupt_in_flight()) throw;
  // Entries of the C interface pass their short name; the others (the
  // binding's, the GMP hooks) their whole exported name.
  const bool whole = std::strncmp(entry, "Zel_", 4) == 0 || std::strncmp(entry, "zel_", 4) == 0;
  const char* prefix = whole ? "" : ZEL_PREFIX;
  try {
    throw;
  } catch (const std::bad_alloc&) {
    Fatal("%s%s: not enough memory\n", prefix, entry);
  } catch (const std::length_error&) {
    Fatal("%s%s: not enough memory (a table would be too long)\n", prefix, entry);
  } catch (const std::system_error& e) {
    // A thread or another resource of the system refused.
    Fatal("%s%s: out of resources: %s\n", prefix, entry, e.what());
  } catch (const std::exception& e) {
    Fatal("%s%s: internal error: %s\n", prefix, entry, e.what());
  } catch (...) {
    Fatal("%s%s: internal error\n", prefix, entry);
  }
}

void binding_entry_exception(const char* entry) {
  // The host's own error goes on to the host; reading the flag clears it, so
  // that a later entry's failure is not taken for a raise.
  if (host_raise_in_flight()) throw;
  try {
    throw;
  } catch (const std::bad_alloc&) {
    entry_exception(entry);
  } catch (const std::length_error&) {
    entry_exception(entry);
  }
}

}  // namespace zel::ZEL_BUILD
