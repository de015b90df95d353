// The one-thread-at-a-time claim of the exported entries.  One holder serves
// the whole process (both builds share the session's memory and the host), so
// this file is compiled once.
#include "engine/api/entry_claim.hpp"

#include <pthread.h>
#include <time.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/futex.h>
#include <sys/syscall.h>
#endif

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <type_traits>

#include "engine/api/host.hpp"

// What each build's guards give back on unwinding (entry_state.cpp).
namespace zel::int_build {
void save_entry_state();
void restore_entry_state();
void forget_host_check();
}  // namespace zel::int_build
namespace zel::fp_build {
void save_entry_state();
void restore_entry_state();
void forget_host_check();
}  // namespace zel::fp_build

namespace zel {

namespace {

static_assert(std::is_integral_v<pthread_t>, "the holder is kept in an atomic word");

// The thread inside the library (0: none).
std::atomic<pthread_t> holder{0};
// Bumped at every give-back: a thread that waits for the library sleeps on it.
std::atomic<uint32_t> give_backs{0};

// Read and written by the holder only.
unsigned depth = 0;        // how deep its entries nest
uint64_t serial = 0;       // which outermost claim this is
unsigned callbacks = 0;    // host callbacks open (print, user information)
bool refused_here = false; // a claim refused inside a callback, not yet unwound
// Set while the holder has passed control to a host call that may not
// return; an outermost claim that finds it set gives back what the skipped
// guards would have.
std::atomic<bool> left_to_host{false};
// The verbosity at the outermost claim (the printing entries switch it for
// their life).
int32_t verbosity_at_claim = 0;

bool held_here() {
  return pthread_equal(holder.load(std::memory_order_acquire), pthread_self()) != 0;
}

void release_whole() {
  depth = 0;
  holder.store(0, std::memory_order_release);
  give_backs.fetch_add(1, std::memory_order_release);
#ifdef __linux__
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(&give_backs), FUTEX_WAKE_PRIVATE, INT_MAX,
          nullptr, nullptr, 0);
#endif
}

void give_back() {
  if (--depth == 0) release_whole();
}

// Until the library is given back (seen != give_backs), without spinning.
void wait_for_give_back(uint32_t seen) {
#ifdef __linux__
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(&give_backs), FUTEX_WAIT_PRIVATE, seen, nullptr,
          nullptr, 0);
#else
  if (give_backs.load(std::memory_order_acquire) == seen) {
    const timespec ms{0, 1000000};
    nanosleep(&ms, nullptr);
  }
#endif
}

// The start of an outermost claim (depth 1 already).
void begin_outermost() {
  ++serial;
  if (left_to_host.exchange(false)) {
    // The last outermost entry was left by the host's unwinding: its guards
    // may never have run.
    int_build::restore_entry_state();
    fp_build::restore_entry_state();
    Zel_verb_info = verbosity_at_claim;
  }
  forget_host_raise();
  int_build::forget_host_check();
  fp_build::forget_host_check();
  callbacks = 0;
  refused_here = false;
  verbosity_at_claim = Zel_verb_info;
  int_build::save_entry_state();
  fp_build::save_entry_state();
}

// The exported name without its build's prefix.
const char* short_name(const char* entry) {
  for (const char* p : {"Zel_int_", "zel_int_", "Zel_", "zel_"})
    if (std::strncmp(entry, p, std::strlen(p)) == 0) return entry + std::strlen(p);
  return entry;
}

// Entries that change nothing a running call holds: the only ones a host
// callback may call.
bool only_reads(const char* entry) {
  static const char* const kReaders[] = {
      "internal_version", "internal_report", "cpu",    "my_cpu",    "my_time",
      "nb_terms",         "size_poly",       "Output", "Stderr",    "Infos",
      "Fatal",            "want_full_lift",  "scheduler", "attendre1", "recompute",
      "memory_state",     "modulo_ok"};
  const char* name = short_name(entry);
  for (const char* r : kReaders)
    if (std::strcmp(name, r) == 0) return true;
  return false;
}

// Ends a call refused on a thread that does not hold the library.
[[noreturn]] void refuse_other_thread(const char* entry, HostKernel kv) {
  char text[256];
  std::snprintf(text, sizeof text, "%s: the library serves one thread at a time\n", entry);
  // The caller's own host, never the holder's: a binding entry raises on the
  // host that called it.  MapleRaiseError ends the process when the raise
  // returns.
  if (kv != nullptr) MapleRaiseError(kv, text);
  std::fputs(text, stderr);
  std::fflush(stderr);
  std::_Exit(1);
}

// Ends a call made from inside a host callback that would change what the
// running call holds.  A binding entry raises on its host, which unwinds
// that nested call only (the running call keeps the library); an entry of
// the C interface takes the fatal path, which ends the running call too.
[[noreturn]] void refuse_in_callback(const char* entry, HostKernel kv) {
  char text[320];
  std::snprintf(text, sizeof text,
                "%s: called from a host callback while a call runs; only entries that read "
                "may be called there\n",
                entry);
  if (kv == nullptr) error_Maple(text);
  refused_here = true;
  MapleRaiseError(kv, text);
}

}  // namespace

EntryClaim::EntryClaim(const char* entry, HostKernel kv)
    : held_(true), exceptions_at_claim_(std::uncaught_exceptions()), serial_(0) {
  const pthread_t self = pthread_self();
  pthread_t expected = 0;
  if (holder.compare_exchange_strong(expected, self, std::memory_order_acquire)) {
    depth = 1;
    begin_outermost();
  } else if (!pthread_equal(expected, self)) {
    refuse_other_thread(entry, kv);
  } else if (callbacks > 0) {
    if (!only_reads(entry)) refuse_in_callback(entry, kv);
    ++depth;
  } else if (kv != nullptr) {
    // Only a host calls a binding entry: with no callback of ours open, the
    // entry that holds the library was left by the host's unwinding.
    left_to_host.store(true, std::memory_order_relaxed);
    depth = 1;
    begin_outermost();
  } else {
    ++depth;
  }
  serial_ = serial;
}

EntryClaim::EntryClaim(IfHeld)
    : held_(false), exceptions_at_claim_(std::uncaught_exceptions()), serial_(0) {
  if (held_here()) {
    ++depth;
    held_ = true;
    serial_ = serial;
  }
}

EntryClaim::~EntryClaim() {
  if (held_ && std::uncaught_exceptions() == exceptions_at_claim_ && held_here() &&
      serial == serial_)
    give_back();
}

EntryClaimInCatch::EntryClaimInCatch() : serial_(0) {
  if (!held_here()) throw;
  if (refused_here) {
    // This entry's claim was refused: the level below is the running call's.
    refused_here = false;
    throw;
  }
  serial_ = serial;
}

EntryClaimInCatch::~EntryClaimInCatch() {
  if (held_here() && serial == serial_) give_back();
}

void leave_for_host_unwind() {
  if (!held_here()) return;
  left_to_host.store(true, std::memory_order_relaxed);
  release_whole();
}

HostCallLoan::HostCallLoan() : depth_(0), serial_(0) {
  if (!held_here()) return;
  depth_ = depth;
  serial_ = serial;
  left_to_host.store(true, std::memory_order_relaxed);
  release_whole();
}

bool HostCallLoan::back() {
  if (depth_ == 0) return true;
  const pthread_t self = pthread_self();
  for (;;) {
    const uint32_t seen = give_backs.load(std::memory_order_acquire);
    pthread_t expected = 0;
    if (holder.compare_exchange_strong(expected, self, std::memory_order_acquire)) break;
    wait_for_give_back(seen);
  }
  depth = depth_;
  if (serial == serial_) {
    left_to_host.store(false, std::memory_order_relaxed);
    return true;
  }
  // Another thread came in meanwhile, and at its start gave back what our
  // guards would have: they must not give it back again when the call
  // unwinds, so the next outermost claim restores that state once more.  The
  // call's own claims stay valid, so that it can end.
  serial = serial_;
  left_to_host.store(true, std::memory_order_relaxed);
  return false;
}

void open_host_callback() {
  if (held_here()) ++callbacks;
}

bool host_callback_open() { return held_here() && callbacks > 0; }

void close_host_callback() {
  if (held_here() && callbacks > 0 && --callbacks == 0) refused_here = false;
}

}  // namespace zel
