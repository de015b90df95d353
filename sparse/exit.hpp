// The one way this layer ends the process: status 3 for an interface error,
// 4 for a singular block matrix or a failed self-test, 5 for an operation the
// integer build does not provide.  Tests run these paths in a child process.
#pragma once

#include "engine/api/entry_claim.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

[[noreturn]] void sparse_exit(int status);

// Set while the engine's solving modes run this layer: an exit then becomes
// the engine's fatal error (raised to the caller, the session stays usable).
extern bool exits_raise_fatal;

// Writes the message on the engine's error stream, then ends with status 3.
[[noreturn]] void interface_error(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// Inside a catch block of an entry of this layer: a C++ exception (a table
// too large for memory) ends the entry like any other failure of this layer.
[[noreturn]] void sparse_entry_exception(const char* entry);

}  // namespace zel::ZEL_BUILD

// Closes an entry written as a function-try-block whose body starts with
// ZEL_ENTRY_CLAIM (see engine/api/entry_guard.hpp): no exception leaves this
// layer's C entries.
#define ZEL_SPARSE_ENTRY_CATCH(entry)              \
  catch (...) {                                    \
    const zel::EntryClaimInCatch claim_;           \
    zel::ZEL_BUILD::sparse_entry_exception(entry); \
  }
