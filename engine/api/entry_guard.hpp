// No C++ exception may leave a C entry: a C caller cannot catch it and the
// process would abort with no word of what failed.  Entries that run code
// which can throw (containers, strings) are written as function-try-blocks:
//
//   ZEL_EXPORT UI32 ZEL_C(groebner)(...) try {
//     ...
//   } ZEL_ENTRY_CATCH("groebner")
//
// and report the exception through the build's fatal path.  The name is the
// C interface's name without its prefix, or a whole exported name ("zel_..."
// of the binding).  The body starts with the entry's claim of the library
// (entry_claim.hpp), which the catch block gives back.
// tests/engine/api/entry_guard_test.int.cpp finds every exported entry that is
// not written so.
#pragma once

#include "engine/api/entry_claim.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Inside a catch block: names the entry and the exception, then Fatal.
[[noreturn]] void entry_exception(const char* entry);

// The same for an entry of the host binding, through which the host itself
// may unwind with exceptions of its own: those go on to the host; the
// library's own memory failures take the fatal path.
[[noreturn]] void binding_entry_exception(const char* entry);

}  // namespace zel::ZEL_BUILD

#define ZEL_ENTRY_CATCH(entry)              \
  catch (...) {                             \
    const zel::EntryClaimInCatch claim_;    \
    zel::ZEL_BUILD::entry_exception(entry); \
  }

#define ZEL_BINDING_ENTRY_CATCH(entry)              \
  catch (...) {                                     \
    const zel::EntryClaimInCatch claim_;            \
    zel::ZEL_BUILD::binding_entry_exception(entry); \
  }
