// The zone heap under random use of all three zones: allocations of every
// size (some large enough to grow the blocks), nested marks on each zone,
// swaps, and blocks passing from one zone to another.  Every allocation that
// is still live must keep its contents: no two live allocations overlap.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "engine/mem/zone.hpp"
#include "support/engine_memory.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;

namespace {

struct Live {
  unsigned char* p;
  uint64_t size;
  unsigned char fill;
};

// What the test knows of one zone (by its number, wherever it is swapped).
struct ZoneModel {
  std::vector<Live> live;
  std::vector<std::pair<HeapMark, size_t>> marks;  // mark, live count at save
};

bool intact(const Live& a) {
  for (uint64_t i = 0; i < a.size; i += 1 + a.size / 64)
    if (a.p[i] != a.fill) return false;
  return a.p[a.size - 1] == a.fill;
}

TEST(ZoneModelTest, LiveAllocationsNeverOverlapAcrossZonesMarksAndGrowth) {
  SEED_TRACE();
  zel_test::TestHost host{0};
  zel_test::fresh_engine_memory();
  const uint64_t saved_size = zone_memory_allocated;
  zone_memory_allocated = 0;
  auto rng = zel_test::make_rng(41);
  ZoneModel zones[3];
  int active = 0;  // the zone in garbage_zone[0]: 0, 1 after swap_zone, 2 after swap_zone3
  unsigned char next_fill = 1;
  uint64_t grow_to = 4096;
  // Which zone last held each block in a slot in use, to see blocks change
  // hands.
  std::map<char*, int> owner;
  [[maybe_unused]] long moves = 0;  // counted without ZEL_MEMDEBUG only

  for (long step = 0; step < zel_test::iterations(20000); ++step) {
    ZoneModel& z = zones[active];
    const uint64_t r = rng() % 100;
    if (r < 60) {
      uint64_t size = 1 + rng() % (rng() % 8 ? 300 : 6000);
      if (rng() % 500 == 0) size = grow_to += 4096;  // raises the block size
      auto* p = static_cast<unsigned char*>(rng() % 2 ? alloc64(size) : alloc_internal(size));
      std::memset(p, next_fill, size);
#ifndef ZEL_MEMDEBUG
      const GarbageZone& g = garbage_zone[0];
      char* block = g.all_garbages[g.cur_garbages - 1];
      auto [it, fresh] = owner.emplace(block, active);
      if (!fresh && it->second != active) moves++;
      it->second = active;
#endif
      z.live.push_back({p, size, next_fill});
      next_fill = next_fill == 255 ? 1 : next_fill + 1;
    } else if (r < 72) {
      HeapMark m;
      save_GC_state(m);
      z.marks.push_back({m, z.live.size()});
    } else if (r < 84) {
      if (z.marks.empty()) continue;
      restore_GC_state(z.marks.back().first);
      z.live.resize(z.marks.back().second);
      z.marks.pop_back();
    } else {
      // Bring zone 2 or 3 in, or go back to zone 1.
      if (active == 1) swap_zone();
      if (active == 2) swap_zone3();
      active = int(rng() % 3);
      if (active == 1) swap_zone();
      if (active == 2) swap_zone3();
      ASSERT_EQ(garbage_zone[0].cur_id_garbage, active + 1);
    }
    if (step % 97 == 0) {
      for (const ZoneModel& m : zones)
        for (const Live& a : m.live) ASSERT_TRUE(intact(a)) << "step " << step;
    }
  }
  for (const ZoneModel& m : zones)
    for (const Live& a : m.live) ASSERT_TRUE(intact(a));
#ifndef ZEL_MEMDEBUG
  EXPECT_GT(moves, 0) << "no block went from one zone to another";
#endif
  if (active == 1) swap_zone();
  if (active == 2) swap_zone3();
  zel::reset_engine_memory();
  zone_memory_allocated = saved_size;
}

}  // namespace
