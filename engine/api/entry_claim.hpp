// The library serves one caller thread at a time.  Its state is process-wide
// (one session for both builds, the zones, the host binding) and the engine
// takes no lock, so every exported entry first claims the library for its
// thread:
//
//   ZEL_EXPORT UI32 ZEL_C(groebner)(...) try {
//     ZEL_ENTRY_CLAIM;
//     ...
//   } ZEL_ENTRY_CATCH("groebner")
//
// (a binding entry writes ZEL_BINDING_ENTRY_CLAIM(kv)).  Claims nest: entries
// call entries and the binding calls the C interface on the same thread.
// The outermost entry gives the library back when it returns, and when it
// fails, once its catch block (entry_guard.hpp) has passed the failure on.
//
// A host may leave an entry without running any destructor or catch block of
// ours: a host written in C unwinds its call by longjmp, from its raise and
// from its interrupt check.  So nothing here waits for those to run:
// - before a raise the holder gives the whole claim back
//   (leave_for_host_unwind), and around the host's interrupt check it lends
//   it (HostCallLoan): another thread may then come in;
// - the holder thread itself finds a claim whose outermost entry is gone
//   (its frame lies below the new entry's on the stack) and takes it over;
// - an outermost claim that finds the last entry left that way first gives
//   back what the skipped guards would have (restore_entry_state of each
//   build), and every outermost claim starts with no raise, no host check
//   and no host callback in flight.
//
// An entry called while another thread holds the library ends with "the
// library serves one thread at a time" and touches nothing of the holder's:
// not the fatal path's clean-up (the GMP functions are the holder's), not the
// host the holder bound.  A binding entry raises on its own host; an entry of
// the C interface ends as a C caller's fatal error does: the message on the
// error stream, and the process ends with status 1 (std::_Exit: the exit
// handlers would free what the holder is working on).
//
// An entry called from inside a host callback of a running call (the host's
// print, on the holder thread) may only read: one that would change the
// session under the running call (a reset, a new request, new polynomials)
// is refused with a message.
//
// The holder is pthread_self() in an atomic word, not a thread_local: a
// library loaded by dlopen gets its thread-local block from malloc on first
// use, which under a memory limit fails and aborts the process.  Helper
// threads of a request (the worker team, the zone prefaulter) call no entry.
#pragma once

#include <cstdint>

#include "engine/host_interface.h"

namespace zel {

// Claims the library for the calling thread, or refuses the call as said
// above; `entry` is the exported name, kv the host of a binding entry (null
// for the C interface).
class EntryClaim {
 public:
  explicit EntryClaim(const char* entry, HostKernel kv = nullptr);
  // For Zel_stop_immediately, which any thread may call: one more level when
  // the library is already this thread's; no claim otherwise (not even of a
  // free library: the caller's next entry would be refused while it lasts).
  struct IfHeld {};
  explicit EntryClaim(IfHeld);
  // On a normal return the claim is given back here; an entry left by an
  // exception keeps it until its catch block ends (EntryClaimInCatch).
  ~EntryClaim();
  bool held() const { return held_; }
  EntryClaim(const EntryClaim&) = delete;
  EntryClaim& operator=(const EntryClaim&) = delete;

 private:
  bool held_;
  int exceptions_at_claim_;
  uint64_t serial_;
};

// First thing in an entry's catch block.  A raise that already gave the
// claim back, or a refused claim, goes on to the caller untouched (the
// library is not this thread's, or not this entry's); otherwise the claim is
// given back when the block ends, however it ends.
class EntryClaimInCatch {
 public:
  EntryClaimInCatch();
  ~EntryClaimInCatch();
  EntryClaimInCatch(const EntryClaimInCatch&) = delete;
  EntryClaimInCatch& operator=(const EntryClaimInCatch&) = delete;

 private:
  uint64_t serial_;
};

// Right before a host call that does not return (a raise): when this thread
// holds the library, gives it back whole, and marks the entry as left by the
// host.  Nothing of ours runs on this thread afterwards, unless the host
// unwinds by exception through our guards (which then find the claim gone).
void leave_for_host_unwind();

// Around a host call that may return or unwind (the interrupt check): the
// library is lent for the call and taken back after it.  back() waits, without
// spinning, while another thread holds the library, and returns false when
// another thread used it meanwhile (the holder's request can then trust
// nothing it held).
class HostCallLoan {
 public:
  HostCallLoan();
  bool back();

 private:
  unsigned depth_;
  uint64_t serial_;
};

// Around the host's print and user information, which may call entries back:
// while one is open, an entry that would change the session is refused.
// Opened and closed by hand (a host that unwinds skips a destructor); an
// outermost claim forgets them all.
void open_host_callback();
void close_host_callback();
// True on the holder thread while a host callback is open.
bool host_callback_open();

}  // namespace zel

#define ZEL_ENTRY_CLAIM const zel::EntryClaim zel_entry_claim_(__func__)
#define ZEL_BINDING_ENTRY_CLAIM(kv) const zel::EntryClaim zel_entry_claim_(__func__, kv)
