// Integer build: the INT context, in which GMP takes its memory from the
// engine's zone heap.
//
// While the context is active GMP's memory functions are the zone
// allocator's: allocate = alloc64 in the CURRENT zone 1, reallocate = a new
// block there with the old contents copied (the old block stays), free =
// nothing.  Every integer made then disappears when its zone mark is
// restored or the memory is reset.  Outside the context GMP uses whatever
// functions the process had, so a C caller's own integers never land in
// engine zones.
//
// Entering is counted: the outermost enter saves the caller's functions
// (mp_get_memory_functions) and installs the zone ones, the matching exit
// puts the caller's back.  Every engine entry that makes integers holds an
// IntContext for its whole body, so GMP is the caller's again on every
// return.  A fatal error leaves the context before it is raised
// (fatal_cleanup of messages.hpp); the guards that unwind afterwards find it
// left and do nothing.
#pragma once

#ifndef ZEL_VARIANT_INT
#error "the INT context exists in the integer build only"
#endif

#include <cstddef>
#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// GMP memory functions as mp_set_memory_functions takes them.
using GmpAlloc = void* (*)(size_t);
using GmpRealloc = void* (*)(void*, size_t, size_t);
using GmpFree = void (*)(void*, size_t);

// The zone allocator handed to GMP.  bignum_alloc: `size` bytes from zone 1
// (alloc64).  bignum_realloc: a new block of new_size bytes from zone 1 with
// the first min(old_size, new_size) bytes of the old one copied; the old
// block stays where it is.  bignum_free: nothing (a mark restore gives it
// back).
void* bignum_alloc(size_t size);
void* bignum_realloc(void* old, size_t old_size, size_t new_size);
void bignum_free(void* ptr, size_t size);

// Enters / leaves the INT context (counted; see above).  Leaving more often
// than entering does nothing.
void ZEL_C(enter_INT)();
void ZEL_C(exit_INT)();
// True while the context is active.
bool int_context_active();
// Fatal ("%s needs the INT context\n") unless the context is active: an
// integer made on the caller's allocator and then slid or freed in a zone
// would corrupt one heap or the other.
void require_int_context(const char* who);

// Holds the INT context for a scope; leaves it on return and on unwinding.
struct IntContext {
  IntContext() { ZEL_C(enter_INT)(); }
  ~IntContext() { ZEL_C(exit_INT)(); }
  IntContext(const IntContext&) = delete;
  IntContext& operator=(const IntContext&) = delete;
};

// Leaves the context whatever its depth, putting the caller's functions back
// (the fatal path; also safe when the context is not active).
void leave_int_context_all();
// The context's depth, and the depth an entry found, put back when the host
// left that entry without its guards (the caller's own Zel_int_enter kept).
uint32_t int_context_depth();
void restore_int_context_depth(uint32_t d);

// The switch of GMP's functions under its old names.  The first set (flag
// clear) saves GMP's current functions; reset puts the saved ones back and
// clears the flag; the safe form resets only when the flag is set.
void memo_mp_set_memory_functions(GmpAlloc a, GmpRealloc r, GmpFree f);
void memo_reset_mp_set_memory_functions();
void memo_reset_mp_set_memory_functions_safe();

// Always fatal: "pas fait: safe_exit_INT\n".
[[noreturn]] void ZEL_C(safe_exit_INT)();

// Rebuilds the lift context (init_Lift_INT of chinese.hpp) when the number of
// primes differs from its last run; returns that number.  Does not enter the
// INT context: callers hold their own IntContext.
uint32_t ZEL_C(init_INT)();

}  // namespace zel::ZEL_BUILD
