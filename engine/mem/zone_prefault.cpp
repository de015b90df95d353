// Zone pages faulted in ahead on a helper thread.
#include "engine/mem/zone_prefault.hpp"

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include "engine/mem/zone.hpp"

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace zel::ZEL_BUILD {

namespace {

struct Range {
  char* from = nullptr;
  char* to = nullptr;
};

// Bytes faulted in per call.  A call holds the process's address map for
// reading while it runs, and a calling thread that maps or unmaps memory
// meanwhile (a remap, a heap that grows or shrinks) waits for it to end:
// whole ranges of megabytes made it wait tens of milliseconds.
constexpr uintptr_t kPopulateChunk = uintptr_t(1) << 20;

// The running helper and the ranges it faults in (read by it until joined).
struct Helper {
  pthread_t thread;
  bool running = false;
  Range ranges[2];
};
Helper helper;

void* populate(void* arg) {
  const Range* ranges = static_cast<const Range*>(arg);
  const uintptr_t ps = uintptr_t(sysconf(_SC_PAGESIZE));
  for (int k = 0; k < 2; ++k) {
    const Range& r = ranges[k];
    if (r.from == nullptr) continue;
    // Whole pages, none past the range: the block's end need not be
    // aligned.  A system without the advice faults the pages as before.
    const uintptr_t a = reinterpret_cast<uintptr_t>(r.from) & ~(ps - 1);
    const uintptr_t b = reinterpret_cast<uintptr_t>(r.to) & ~(ps - 1);
    for (uintptr_t c = a; c < b; c += kPopulateChunk)
      madvise(reinterpret_cast<void*>(c), std::min(kPopulateChunk, b - c), MADV_POPULATE_WRITE);
  }
  return nullptr;
}

}  // namespace

void join_zone_prefault() {
  if (!helper.running) return;
  pthread_join(helper.thread, nullptr);
  helper.running = false;
}

void ZonePrefault::join() { join_zone_prefault(); }

void ZonePrefault::ahead(uint64_t zone2_bytes) {
  join();
  Range ranges[2];
  for (int k = 0; k < 2; ++k) {
    const GarbageZone& z = garbage_zone[k + 1];
    Seen& s = seen_[k];
    // The growth since the last call, when the zone stayed in one block.
    uint64_t grown = 0;
    if (z.bot_bignum_tas == s.end && s.top != nullptr && z.bignum_tas > s.top)
      grown = uint64_t(z.bignum_tas - s.top);
    s.end = z.bot_bignum_tas;
    s.top = z.bignum_tas;
    // Half of it: steps shrink as often as they grow, and a page faulted in
    // but not taken would add to the peak.
    grown /= 2;
    if (k == 0) grown = std::max(grown, zone2_bytes);
    if (grown == 0 || z.bignum_tas == nullptr) continue;
    const uint64_t room = uint64_t(z.bot_bignum_tas - z.bignum_tas);
    ranges[k] = {z.bignum_tas, z.bignum_tas + std::min({grown, room, kMaxAhead})};
  }
  if (ranges[0].from == nullptr && ranges[1].from == nullptr) return;
  helper.ranges[0] = ranges[0];
  helper.ranges[1] = ranges[1];
  helper.running = pthread_create(&helper.thread, nullptr, populate, helper.ranges) == 0;
}

}  // namespace zel::ZEL_BUILD
