// The one-thread-at-a-time claim of the exported entries.  One holder serves
// the whole process (both builds share the session's memory and the host), so
// this file is compiled once.
#include "engine/api/entry_claim.hpp"

#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <type_traits>

#include "engine/api/host.hpp"

namespace zel {

namespace {

static_assert(std::is_integral_v<pthread_t>, "the holder is kept in an atomic word");

// The thread inside the library (0: none), and how deep its entries nest.
// The depth is read and written by the holder only.
std::atomic<pthread_t> holder{0};
unsigned depth = 0;

// One more level for the calling thread; false when another thread holds the
// library.
bool try_claim() {
  const pthread_t self = pthread_self();
  pthread_t expected = 0;
  if (!holder.compare_exchange_strong(expected, self, std::memory_order_acquire)) {
    if (!pthread_equal(expected, self)) return false;
  }
  ++depth;
  return true;
}

void give_back() {
  if (--depth == 0) holder.store(0, std::memory_order_release);
}

[[noreturn]] void refuse(const char* entry, HostKernel kv) {
  char text[256];
  std::snprintf(text, sizeof text, "%s: the library serves one thread at a time\n", entry);
  if (kv != nullptr) {
    kv->raise_error(kv, text, nullptr, nullptr);
    default_host().raise(text);
  } else {
    current_host().raise(text);
  }
  // Nobody to unwind into.  std::exit would run the exit handlers while the
  // holder still works on what they free.
  std::fflush(nullptr);
  std::_Exit(1);
}

bool held_here() {
  return pthread_equal(holder.load(std::memory_order_relaxed), pthread_self()) != 0;
}

}  // namespace

EntryClaim::EntryClaim(const char* entry, HostKernel kv)
    : held_(true), exceptions_at_claim_(std::uncaught_exceptions()) {
  if (!try_claim()) refuse(entry, kv);
}

EntryClaim::EntryClaim(IfHeld)
    : held_(held_here() && try_claim()), exceptions_at_claim_(std::uncaught_exceptions()) {}

EntryClaim::~EntryClaim() {
  if (held_ && std::uncaught_exceptions() == exceptions_at_claim_) give_back();
}

EntryClaimInCatch::EntryClaimInCatch() {
  if (!held_here()) throw;
}

EntryClaimInCatch::~EntryClaimInCatch() { give_back(); }

}  // namespace zel
