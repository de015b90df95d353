// Faulting in, on a thread of its own, the zone pages a step is about to
// take.
//
// The first write to a page of a zone costs a fault in which the system
// clears the page; for the memory that only grows through a computation
// (the new polynomials in zone 2, the monomial and pair pools in zone 3)
// those faults land on the calling thread in its serial parts.  When the
// computation has threads to spare, the pages the zones will probably take
// next (half of what each took over the last step, within its current
// block) are faulted in ahead by a helper thread with MADV_POPULATE_WRITE, which
// never changes their contents: a page the calling thread has started to
// fill keeps what it holds.
//
// A prefault must be joined before its range can go back to the system
// (restore and give back, memory reset); the destructor joins it.  The
// helper is kept in one slot per build, not in the object: a host that
// unwinds a call by longjmp skips the destructor, and the next entry joins
// it then (join_zone_prefault).  Without a thread to spare from the system
// the pages are simply not faulted in ahead.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

class ZonePrefault {
 public:
  ZonePrefault() = default;
  ZonePrefault(const ZonePrefault&) = delete;
  ZonePrefault& operator=(const ZonePrefault&) = delete;
  ~ZonePrefault() { join(); }

  // Starts faulting in the next pages of zones 2 and 3, half as many as
  // each took since the last call, and for zone 2 at least `zone2_bytes`
  // (at most kMaxAhead bytes each); joins the previous prefault first.
  void ahead(uint64_t zone2_bytes = 0);
  void join();

  static constexpr uint64_t kMaxAhead = uint64_t(16) << 20;

 private:
  struct Seen {
    const char* end = nullptr;  // end of the zone's current block
    const char* top = nullptr;  // its next free byte
  };
  Seen seen_[2];
};

// Joins the build's prefault helper, if one runs.
void join_zone_prefault();

}  // namespace zel::ZEL_BUILD
