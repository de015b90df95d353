// Integer build: the INT context and the zone allocator handed to GMP.
#include "engine/api/entry_guard.hpp"
#include "engine/coef/int_context.hpp"

#include <gmp.h>

#include <algorithm>
#include <cstring>

#include "engine/call_zel.h"
#include "engine/coef/chinese.hpp"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

namespace {

// GMP's functions as they were before the first memo set.
bool memo_saved = false;
GmpAlloc saved_alloc = nullptr;
GmpRealloc saved_realloc = nullptr;
GmpFree saved_free = nullptr;

// Nesting depth of the INT context.
uint32_t depth = 0;

// Number of primes of the last lift context built by init_INT.
uint32_t last_init_primes = 0;

}  // namespace

void* bignum_alloc(size_t size) { return alloc64(size); }

// GMP also reallocates to shrink a block: copying old_size bytes then would
// read and write past the new one.
void* bignum_realloc(void* old, size_t old_size, size_t new_size) {
  void* p = alloc64(new_size);
  std::memcpy(p, old, std::min(old_size, new_size));
  return p;
}

void bignum_free(void*, size_t) {}

void memo_mp_set_memory_functions(GmpAlloc a, GmpRealloc r, GmpFree f) {
  if (!memo_saved) {
    mp_get_memory_functions(&saved_alloc, &saved_realloc, &saved_free);
    memo_saved = true;
  }
  mp_set_memory_functions(a, r, f);
}

void memo_reset_mp_set_memory_functions() {
  mp_set_memory_functions(saved_alloc, saved_realloc, saved_free);
  memo_saved = false;
}

void memo_reset_mp_set_memory_functions_safe() {
  if (memo_saved) memo_reset_mp_set_memory_functions();
}

void leave_int_context_all() {
  depth = 0;
  memo_reset_mp_set_memory_functions_safe();
}

void ZEL_C(enter_INT)() {
  if (depth++ == 0) {
    memo_mp_set_memory_functions(bignum_alloc, bignum_realloc, bignum_free);
    // A fatal error raised inside the context must hand GMP back first: a C
    // caller's process may go on allocating (its host can catch the error).
    fatal_cleanup = leave_int_context_all;
  }
}

void ZEL_C(exit_INT)() {
  if (depth == 0) return;
  if (--depth == 0) memo_reset_mp_set_memory_functions_safe();
}

bool int_context_active() { return depth > 0; }

uint32_t int_context_depth() { return depth; }

void restore_int_context_depth(uint32_t d) {
  leave_int_context_all();
  while (depth < d) ZEL_C(enter_INT)();
}

void require_int_context(const char* who) {
  if (depth == 0) Fatal("%s needs the INT context\n", who);
}

void ZEL_C(safe_exit_INT)() { Fatal("pas fait: safe_exit_INT\n"); }

uint32_t ZEL_C(init_INT)() {
  const uint32_t n = numberOfPrimes();
  if (n == last_init_primes && valid_number_of_primes == n) return n;
  init_Lift_INT();
  last_init_primes = n;
  return n;
}

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT void ZEL_C(enter)(void) try {
  ZEL_ENTRY_CLAIM;
  ZEL_C(enter_INT)();
} ZEL_ENTRY_CATCH("enter")
ZEL_EXPORT void ZEL_C(exit)(void) try {
  ZEL_ENTRY_CLAIM;
  ZEL_C(exit_INT)();
} ZEL_ENTRY_CATCH("exit")
