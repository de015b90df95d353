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
// An entry called while another thread holds the library ends with "the
// library serves one thread at a time" and touches nothing of the holder's:
// not the fatal path's clean-up (the GMP functions are the holder's), not the
// host the holder bound.  A binding entry raises on its own host; any other
// entry raises through the current host, and when that raise returns (a C
// caller) the process ends with status 1 at once: the exit handlers would
// free what the holder is working on.
//
// The holder is pthread_self() in an atomic word, not a thread_local: a
// library loaded by dlopen gets its thread-local block from malloc on first
// use, which under a memory limit fails and aborts the process.  Helper
// threads of a request (the worker team, the zone prefaulter) call no entry.
#pragma once

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
};

// First thing in an entry's catch block.  A refused claim's raise goes on to
// the caller untouched (the library is not this thread's); otherwise the
// claim is given back when the block ends, however it ends.
class EntryClaimInCatch {
 public:
  EntryClaimInCatch();
  ~EntryClaimInCatch();
  EntryClaimInCatch(const EntryClaimInCatch&) = delete;
  EntryClaimInCatch& operator=(const EntryClaimInCatch&) = delete;
};

}  // namespace zel

#define ZEL_ENTRY_CLAIM const zel::EntryClaim zel_entry_claim_(__func__)
#define ZEL_BINDING_ENTRY_CLAIM(kv) const zel::EntryClaim zel_entry_claim_(__func__, kv)
