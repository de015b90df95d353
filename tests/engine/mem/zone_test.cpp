// Zones, marks and the block arena.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include <unistd.h>

#include "engine/mem/raw_block.hpp"
#include "engine/mem/relative_table.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mem/zone_prefault.hpp"
#include "support/engine_memory.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;

namespace {

struct ZoneTest : ::testing::Test {
  zel_test::TestHost host{0};
  void SetUp() override {
    zel_test::fresh_engine_memory();
    zone_memory_allocated = 0;  // block sizes as in a fresh process
  }
  void TearDown() override { zel::reset_engine_memory(); }
};

uintptr_t addr(const void* p) { return reinterpret_cast<uintptr_t>(p); }

TEST_F(ZoneTest, FirstAllocationSizesTheBlocksAndIsAligned) {
  SKIP_IN_MEMDEBUG();
  zone_memory_allocated = 0;  // as at process start
  zel_test::captured() = {};
  zel::Zel_verb_info = 4;
  void* p = alloc64(20);
  EXPECT_EQ(addr(p) % 16, 0u);
  // alloc64(20) asks for 20 + 4 + 16 = 40 bytes; the block gets 64 more.
  EXPECT_EQ(zone_memory_allocated, 104u);
  EXPECT_EQ(zel_test::captured().printed, "INCREASE HEAP 104\n");

  // After a reset a smaller request opens a block of the old size silently.
  zel_test::fresh_engine_memory();
  zel_test::captured() = {};
  alloc64(16);
  EXPECT_EQ(zone_memory_allocated, 104u);
  EXPECT_EQ(zel_test::captured().printed, "");
}

TEST_F(ZoneTest, Alloc64ConsumesPaddedSizes) {
  SKIP_IN_MEMDEBUG();
  alloc64(1 << 16);  // blocks large enough for the rest
  alloc64(100);      // opens a second block with room to spare
  char* before = garbage_zone[0].bignum_tas;
  alloc64(20);
  EXPECT_EQ(garbage_zone[0].bignum_tas - before, 40);
  before = garbage_zone[0].bignum_tas;
  alloc64(16);
  EXPECT_EQ(garbage_zone[0].bignum_tas - before, 32);
}

TEST_F(ZoneTest, RequestEqualToTheRestOpensAnotherBlock) {
  SKIP_IN_MEMDEBUG();
  alloc_internal(4000);  // block size 4064
  GarbageZone& z = garbage_zone[0];
  uint64_t left = uint64_t(z.bot_bignum_tas - z.bignum_tas);
  uint32_t slots = z.cur_garbages;
  char* p = static_cast<char*>(alloc_internal(left));
  EXPECT_EQ(z.cur_garbages, slots + 1);
  EXPECT_EQ(p, z.all_garbages[z.cur_garbages - 1]);
}

// The heart of the zone heap: after a restore, the same requests get the
// same addresses from the kept blocks, and no new block is taken.
TEST_F(ZoneTest, RestoreReusesKeptBlocksAtTheSameAddresses) {
  SKIP_IN_MEMDEBUG();
  SEED_TRACE();
  auto rng = zel_test::make_rng(1);
  alloc_internal(1 << 15);  // fixes the block size at 32832 bytes
  std::vector<uint64_t> sizes;
  for (int i = 0; i < 400; i++) sizes.push_back(64 + rng() % 2000);

  HeapMark m;
  save_GC_state(m);
  std::vector<void*> first;
  for (uint64_t s : sizes) first.push_back(alloc64(s));
  const uint32_t slots = garbage_zone[0].cur_garbages;
  ASSERT_GE(slots - m.cur_garbages, 10u) << "the requests should span several blocks";
  const uint64_t committed = zel::arena_committed_bytes();

  for (int round = 0; round < 3; round++) {
    restore_GC_state(m);
    for (size_t i = 0; i < sizes.size(); i++) {
      void* p = alloc64(sizes[i]);
      ASSERT_EQ(p, first[i]) << "request " << i << " round " << round;
    }
    EXPECT_EQ(garbage_zone[0].cur_garbages, slots);
    EXPECT_EQ(zel::arena_committed_bytes(), committed);
  }
}

TEST_F(ZoneTest, BlocksComeAtIncreasingAddressesAcrossBuildsAndZones) {
  SKIP_IN_MEMDEBUG();
  alloc_internal(300000);
  std::vector<char*> blocks;
  for (int i = 0; i < 20; i++) {
    if (i % 3 == 1) swap_zone3();
    alloc_internal(300000);
    blocks.push_back(garbage_zone[0].all_garbages[garbage_zone[0].cur_garbages - 1]);
    if (i % 3 == 1) swap_zone3();
  }
  for (size_t i = 1; i < blocks.size(); i++) EXPECT_GT(blocks[i], blocks[i - 1]);
}

TEST_F(ZoneTest, KeptBlockOfAnotherZoneMovesToZoneOne) {
  SKIP_IN_MEMDEBUG();
  alloc_internal(10000);  // block size 10064
  HeapMark m2;
  swap_zone();
  save_GC_state(m2);
  for (int i = 0; i < 5; i++) alloc_internal(9000);  // five blocks in zone 2
  restore_GC_state(m2);
  uint32_t kept2 = garbage_zone[0].max_garbages - garbage_zone[0].cur_garbages;
  swap_zone();
  ASSERT_EQ(kept2, 5u);
  char* last_kept = garbage_zone[1].all_garbages[garbage_zone[1].max_garbages - 1];
  // Zone 1's current block is full and lies below every zone-2 block: the
  // last kept block of zone 2 is taken instead of a new block.
  uint64_t committed = zel::arena_committed_bytes();
  void* p = alloc_internal(9000);
  EXPECT_EQ(p, last_kept);
  EXPECT_EQ(zel::arena_committed_bytes(), committed);
  EXPECT_EQ(garbage_zone[1].max_garbages - garbage_zone[1].cur_garbages, 4u);
}

TEST_F(ZoneTest, SwapsExchangeZonesAndTheirNumbers) {
  alloc64(100);
  EXPECT_EQ(garbage_zone[0].cur_id_garbage, 1);
  swap_zone3();
  EXPECT_EQ(garbage_zone[0].cur_id_garbage, 3);
  void* p3 = alloc64(100);
  swap_zone3();
  EXPECT_EQ(garbage_zone[2].cur_id_garbage, 3);
  EXPECT_EQ(garbage_zone[2].bignum_tas - static_cast<char*>(p3) > 0, true);
  {
    InZone2 in2;
    EXPECT_EQ(garbage_zone[0].cur_id_garbage, 2);
  }
  EXPECT_EQ(garbage_zone[0].cur_id_garbage, 1);
}

TEST_F(ZoneTest, MarksOfZonesTwoAndThree) {
  alloc64(1000);
  HeapMark m1, m2, m3;
  save_orv_state_z3(m3);
  save_orv_state2(m1, m2);
  char* t1 = garbage_zone[0].bignum_tas;
  swap_zone();
  alloc64(100);
  swap_zone();
  swap_zone3();
  alloc64(100);
  swap_zone3();
  alloc64(100);
  restore_orv_state_z3(m3);
  restore_orv_state2(m1, m2);
  EXPECT_EQ(garbage_zone[0].bignum_tas, t1);
  EXPECT_EQ(garbage_zone[1].bignum_tas, m2.bignum_tas);
  EXPECT_EQ(garbage_zone[2].bignum_tas, m3.bignum_tas);
  swap_zone();
  alloc64(100);
  swap_zone();
  restore_orv_state_z2(m2);
  EXPECT_EQ(garbage_zone[1].bignum_tas, m2.bignum_tas);
}

// A scope that ends after a memory reset, as a request's do when it unwinds
// after an interrupt reset the memory, gives nothing back: the blocks of
// its mark are taken again, at the same addresses, by the zones of the next
// session, and zone 1 must not hand out what zone 3 holds.
TEST_F(ZoneTest, AMarkFromBeforeAMemoryResetRestoresNothing) {
  zone_memory_allocated = 1 << 16;
  alloc64(100);
  HeapMark before_reset;
  save_GC_state(before_reset);
  zel_test::fresh_engine_memory();
  restore_GC_state(before_reset);
  unsigned char* held;
  {
    InZone3 z3;
    held = static_cast<unsigned char*>(alloc64(30000));
  }
  std::memset(held, 0x33, 30000);
  std::memset(alloc64(1000), 0x11, 1000);
  for (int i = 0; i < 30000; i++) ASSERT_EQ(held[i], 0x33) << i;
}

TEST_F(ZoneTest, RestoreDestroyZeroesTheRestOfTheBlock) {
  alloc64(4000);
  HeapMark m;
  save_GC_state(m);
  char* p = static_cast<char*>(alloc64(200));
  std::memset(p, 0xAB, 200);
  restore_destroy_orv_state(m);
  for (char* q = m.bignum_tas; q < m.bot_bignum_tas; q++) ASSERT_EQ(*q, 0);
}

// Free pages go back to the system: what lies before the mark is kept,
// the blocks after it stay the zone's and serve the same requests again,
// reading zero.
TEST_F(ZoneTest, FreePagesGoBackWhileTheBlocksStayTheZones) {
  SKIP_IN_MEMDEBUG();
  alloc_internal(1 << 20);
  char* live = static_cast<char*>(alloc64(5000));
  std::memset(live, 0x5A, 5000);
  HeapMark m;
  save_GC_state(m);
  std::vector<char*> dead;
  for (int i = 0; i < 30; i++) {
    dead.push_back(static_cast<char*>(alloc64(200000)));
    std::memset(dead.back(), 0xAB, 200000);
  }
  const uint32_t slots = garbage_zone[0].cur_garbages;
  const uint64_t committed = zel::arena_committed_bytes();
  restore_GC_state(m);
  give_back_free_zone_pages();
  for (int i = 0; i < 5000; i++) ASSERT_EQ(live[i], 0x5A) << i;
  const uintptr_t ps = uintptr_t(sysconf(_SC_PAGESIZE));
  for (char* d : dead) {
    char* p = static_cast<char*>(alloc64(200000));
    ASSERT_EQ(p, d);
    // Whole pages inside the request read zero (the rest may share a page
    // with the memory before the mark).
    for (uintptr_t q = (addr(p) + ps - 1) & ~(ps - 1); q + ps <= addr(p) + 200000; q += 512)
      ASSERT_EQ(*reinterpret_cast<char*>(q), 0);
  }
  EXPECT_EQ(garbage_zone[0].cur_garbages, slots);
  EXPECT_EQ(zel::arena_committed_bytes(), committed);
}

TEST_F(ZoneTest, PagesBetweenTwoMarksGoBackAndTheirNeighboursStay) {
  SKIP_IN_MEMDEBUG();
  alloc_internal(1 << 20);
  char* before = static_cast<char*>(alloc64(5000));
  std::memset(before, 0x5A, 5000);
  HeapMark from, to;
  save_GC_state(from);
  std::vector<char*> dead;
  for (int i = 0; i < 12; i++) {  // across several blocks
    dead.push_back(static_cast<char*>(alloc64(200000)));
    std::memset(dead.back(), 0xAB, 200000);
  }
  save_GC_state(to);
  char* after = static_cast<char*>(alloc64(5000));
  std::memset(after, 0x6B, 5000);
  give_back_zone_pages(from, to);
  for (int i = 0; i < 5000; i++) {
    ASSERT_EQ(before[i], 0x5A) << i;
    ASSERT_EQ(after[i], 0x6B) << i;
  }
  const uintptr_t ps = uintptr_t(sysconf(_SC_PAGESIZE));
  for (char* d : dead)
    for (uintptr_t q = (addr(d) + ps - 1) & ~(ps - 1); q + ps <= addr(d) + 200000; q += 512)
      ASSERT_EQ(*reinterpret_cast<char*>(q), 0);
}

TEST_F(ZoneTest, ReallocaShrinksTheLastAllocation) {
  SKIP_IN_MEMDEBUG();
  alloc64(4000);
  alloc_internal(40);
  char* end = garbage_zone[0].bignum_tas;
  ASSERT_EQ(addr(end) % 8, 0u);
  realloca(nullptr, 10, 40);
  EXPECT_EQ(end - garbage_zone[0].bignum_tas, 24);
  EXPECT_RAISES(realloca(nullptr, 41, 40), "Aie dans realloc ou erreur impossible ![n=41,m=40]\n");
}

// A kept block that would need a slot past the end of the table is given up
// instead of being written there.
TEST_F(ZoneTest, KeptBlocksNeverOverrunTheTable) {
  SKIP_IN_MEMDEBUG();
  zel::reset_engine_memory();
  uint32_t saved = dynamic_max_garbages;
  dynamic_max_garbages = 8;
  init_zone_tables();
  dynamic_max_garbages = saved;
  GarbageZone& z = garbage_zone[0];
  ASSERT_EQ(z.limit_garbages, 8u);
  alloc_internal(1000);  // block size 1064
  HeapMark m;
  save_GC_state(m);
  for (int i = 0; i < 6; i++) alloc_internal(1000);
  EXPECT_EQ(z.max_garbages, 7u);
  restore_GC_state(m);
  // Requests larger than the kept blocks force new blocks while kept ones
  // wait; the table must stay within its 8 slots.
  EXPECT_RAISES(
      {
        for (int i = 0; i < 20; i++) {
          alloc_internal(2000 + i);
          ASSERT_LE(z.max_garbages, z.limit_garbages);
        }
      },
      "Limit for allocations (1-->8): in update_all_garbages [NEW_MSG] !\n");
  EXPECT_LE(z.max_garbages, z.limit_garbages);
}

// An allocation refused for want of blocks leaves the zone sound: the same
// request fails again rather than getting memory past the current block.
TEST_F(ZoneTest, ARefusedAllocationIsRefusedAgain) {
  SKIP_IN_MEMDEBUG();
  GarbageZone& z = garbage_zone[0];
  alloc_internal(1000);  // block size 1064
  const uint32_t limit = z.limit_garbages;
  z.limit_garbages = z.cur_garbages;  // no block more
  EXPECT_RAISES(alloc_internal(5000), "Not enough memory in alloc (5064,1) NEW!\n");
  EXPECT_RAISES(alloc_internal(5000), "Not enough memory in alloc (5000,1)!\n");
  EXPECT_RAISES(alloc_internal(50), "Not enough memory in alloc (50,1)!\n");
  z.limit_garbages = limit;
  char* p = static_cast<char*>(alloc_internal(5000));
  EXPECT_GE(z.bot_bignum_tas - p, 5000);
}

TEST_F(ZoneTest, AllocatingWithoutTablesIsFatal) {
  zel::reset_engine_memory();
  EXPECT_RAISES(alloc64(10), "var all_garbages not set !\n");
}

TEST_F(ZoneTest, EnlargedTablesKeepTheirBlocks) {
  alloc_internal(1000);
  for (int i = 0; i < 5; i++) alloc_internal(1000);
  std::vector<char*> blocks(garbage_zone[0].all_garbages,
                            garbage_zone[0].all_garbages + garbage_zone[0].cur_garbages);
  uint32_t saved = dynamic_max_garbages;
  enlarge_zone_tables(2 * saved);
  EXPECT_EQ(garbage_zone[2].limit_garbages, 2 * saved);
  for (size_t i = 0; i < blocks.size(); i++) EXPECT_EQ(garbage_zone[0].all_garbages[i], blocks[i]);
  enlarge_zone_tables(saved);  // smaller: kept as it is
  EXPECT_EQ(dynamic_max_garbages, 2 * saved);
  zel::reset_engine_memory();
  dynamic_max_garbages = saved;
}

TEST(ZoneHelpers, VectorSizesAndAllocaCheck) {
  EXPECT_EQ(align_vector_size(5), 8u);
  EXPECT_EQ(align_vector_size(4), kIntegerBuild ? 4u : 8u);
  EXPECT_EQ(align_vector_size(9), kIntegerBuild ? 12u : 16u);
  EXPECT_EQ(align_vector_size(0), 0u);
  EXPECT_EQ(ZEL_C(align_vector_size)(9), align_vector_size(9));
  testing::internal::CaptureStderr();
  EXPECT_EQ(chk_alloca_size(1000000), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  testing::internal::CaptureStderr();
  EXPECT_EQ(chk_alloca_size(1000001), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "*** alloca 1000001\n");
}

}  // namespace

namespace {

// Whatever the allocation scheme, a restore gives back exactly what was
// allocated after the mark, also across nested marks.
TEST_F(ZoneTest, NestedMarksGiveBackInOrder) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(6);
  alloc64(5000);
  HeapMark outer, inner;
  save_GC_state(outer);
  std::vector<char*> kept;
  for (int i = 0; i < 50; i++) {
    char* p = static_cast<char*>(alloc64(1 + rng() % 3000));
    *p = char(i);
    kept.push_back(p);
  }
  save_GC_state(inner);
  for (int i = 0; i < 200; i++) std::memset(alloc64(64 + rng() % 4000), 0xEE, 64);
  restore_GC_state(inner);
  for (int i = 0; i < 50; i++) ASSERT_EQ(*kept[i], char(i));
  restore_GC_state(outer);
  EXPECT_EQ(garbage_zone[0].cur_garbages, outer.cur_garbages);
  EXPECT_EQ(garbage_zone[0].bignum_tas, outer.bignum_tas);
}

}  // namespace

namespace {

// Sizes beyond 32 bits are carried whole, not wrapped to small blocks.
TEST_F(ZoneTest, RequestsBeyondFourGigabytesDoNotWrap) {
  SKIP_IN_MEMDEBUG();
  const uint64_t big = (uint64_t(1) << 32) + 40;
  char* p = static_cast<char*>(alloc64(big));
  EXPECT_EQ(zone_memory_allocated, big + 16 + 64);
  p[big - 1] = 1;  // the last byte is ours (only that page is touched)
  EXPECT_GE(uint64_t(garbage_zone[0].bot_bignum_tas - p), big);
  zel::reset_engine_memory();
  zone_memory_allocated = 0;
}

TEST_F(ZoneTest, SegmentLengthsBeyondThirtyTwoBitsDoNotWrap) {
  RelativeTable<uint8_t> t{"CBoolean"};
  // Pretend segments 0..21 exist (never touched): they hold 1024 * (2^22 - 1)
  // elements, so index 2^32 - 1 lies in segment 22 of 2^32 elements.
  for (uint32_t k = 0; k < 22; k++) t.size_relative[k] = uint64_t(1024) << k;
  t.current = 22;
  set_relative(t, 0xFFFFFFFFu, uint8_t(9));
  EXPECT_EQ(t.current, 23u);
  EXPECT_EQ(t.size_relative[22], uint64_t(1) << 32);
  EXPECT_EQ(t.abs_ptr[22][1023], 9);
  EXPECT_EQ(get_relative(t, 0xFFFFFFFFu), 9);
  zel::reset_engine_memory();
  zone_memory_allocated = 0;
}

}  // namespace

// Faulting zone pages in ahead, while the zones go on filling them, changes
// no byte of what they hold.
TEST_F(ZoneTest, PrefaultKeepsWhatTheZonesHold) {
  SKIP_IN_MEMDEBUG();
  alloc64(uint64_t(8) << 20);  // blocks of 8 MB
  std::vector<std::pair<unsigned char*, uint64_t>> written;
  uint32_t pattern = 0;
  auto fill = [&](bool zone2, uint64_t bytes) {
    if (zone2) swap_zone(); else swap_zone3();
    auto* p = static_cast<unsigned char*>(alloc64(bytes));
    if (zone2) swap_zone(); else swap_zone3();
    for (uint64_t i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(++pattern * 131);
    written.emplace_back(p, bytes);
  };
  ZonePrefault prefault;
  prefault.ahead();
  for (int round = 0; round < 6; ++round) {
    fill(true, 300000 + 70000 * round);
    fill(false, 90000);
    prefault.ahead(round == 3 ? uint64_t(1) << 20 : 0);
  }
  fill(true, 500000);  // while the last prefault runs
  prefault.join();
  pattern = 0;
  for (const auto& [p, bytes] : written)
    for (uint64_t i = 0; i < bytes; ++i)
      ASSERT_EQ(p[i], static_cast<unsigned char>(++pattern * 131));
}
