// The raw block layer, big-memory mode and the sharing table.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <unistd.h>
#include <vector>

#include "engine/mem/raw_block.hpp"
#include "engine/mem/xmalloc.hpp"
#include "engine/mem/zone.hpp"
#include "support/engine_memory.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;

namespace {

uintptr_t addr(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// Resident memory of the process in KiB.
long resident_kib() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct RawTest : ::testing::Test {
  zel_test::TestHost host{0};
  void SetUp() override { zel_test::fresh_engine_memory(); }
  void TearDown() override { zel::reset_engine_memory(); }
};

TEST_F(RawTest, CarvedPiecesAreAlignedAndShareBuffers) {
  uint64_t before = zel::Zel_malloc_recorded();
  std::vector<char*> ps;
  for (int i = 0; i < 100; i++) ps.push_back(static_cast<char*>(zel::Zel_malloc(1 + i * 7)));
  for (char* p : ps) EXPECT_EQ(addr(p) % 16, 0u);
  // One 1,000,000-byte buffer holds them all.
  EXPECT_LE(zel::Zel_malloc_recorded() - before, 1u);
  for (size_t i = 1; i < ps.size(); i++) EXPECT_GE(ps[i] - ps[i - 1], 1 + int(i - 1) * 7);
}

TEST_F(RawTest, EveryFreshBlockIsRecordedAndFreedByTheReset) {
  zel::reset_engine_memory();
  for (int i = 0; i < 1500; i++) ASSERT_NE(zel::Zel_malloc(1000000), nullptr);
  EXPECT_EQ(zel::Zel_malloc_recorded(), 1500u);
  zel::Zel_malloc_reset();
  EXPECT_EQ(zel::Zel_malloc_recorded(), 0u);
}

TEST_F(RawTest, AResetForgetsTheCarveBuffer) {
  zel::Zel_malloc(100);
  zel::reset_engine_memory();
  // The next small request must open a new (recorded) buffer instead of
  // carving from the freed one.
  zel::Zel_malloc(100);
  EXPECT_EQ(zel::Zel_malloc_recorded(), 1u);
}

TEST_F(RawTest, AllocatorStatisticsCountCategories) {
  XmallocState& s = xmalloc_state;
  double before3 = s.malloc_demand[3];
  uint32_t count = s.count_Zel_xmalloc;
  void* p = xmalloc_spec(10240, 3);
  EXPECT_NE(p, nullptr);
  EXPECT_EQ(s.malloc_demand[3] - before3, 10.0);
  EXPECT_EQ(s.count_Zel_xmalloc, count + 1);
  xmalloc_spec(1024, -2);  // a category outside the table is only counted
  xmalloc_spec(1024, 12);
}

// Big-memory mode: arrays are carved first-fit from 102,100,000-byte chunks.
struct BigMemoryTest : RawTest {
  XmallocState saved;
  void SetUp() override {
    saved = xmalloc_state;
    zel::reset_engine_memory();
    xmalloc_state.init_Zel_xmalloc = false;  // read ORVBIGMEM again
    setenv("ORVBIGMEM", "1", 1);
  }
  void TearDown() override {
    unsetenv("ORVBIGMEM");
    zel::reset_engine_memory();
    xmalloc_state = saved;
  }
};

TEST_F(BigMemoryTest, ChunksAreChosenFirstFit) {
  zel::Zel_verb_info = 4;
  char* a = static_cast<char*>(xmalloc(60000000));
  EXPECT_EQ(zel_test::captured().printed, "Use Big Memory !\n");
  char* b = static_cast<char*>(xmalloc(60000000));
  char* c = static_cast<char*>(xmalloc(40000000));
  EXPECT_EQ(xmalloc_state.cur_big_memory, 2u);
  EXPECT_EQ(c, a + 60000000);
  EXPECT_NE(b, a + 60000000);
  EXPECT_EQ(xmalloc_state.size_big_memory[0], 2100000u);
  EXPECT_EQ(addr(xmalloc(3)) % 16, 0u);
  EXPECT_EQ(addr(xmalloc(5)) % 16, 0u);
}

TEST_F(BigMemoryTest, TooBigIsFatal) {
  EXPECT_RAISES(xmalloc(102100001), "102100001 is too big (limit is 102100000)\n");
}

TEST_F(BigMemoryTest, AResetForgetsTheChunks) {
  char* a = static_cast<char*>(xmalloc(1000));
  (void)a;
  zel::reset_engine_memory();
  EXPECT_EQ(xmalloc_state.cur_big_memory, 0u);
  // A fresh chunk, not the freed one.
  char* b = static_cast<char*>(xmalloc(1000));
  EXPECT_EQ(xmalloc_state.cur_big_memory, 1u);
  EXPECT_EQ(xmalloc_state.size_big_memory[0], 102100000u - 1008);
  b[999] = 1;
}

TEST_F(RawTest, ABlockInUseIsNeverHandedToTheOtherBuild) {
  SKIP_IN_MEMDEBUG();
  alloc_internal(5000);
  int32_t n = zel::pseudo_share_memory_cur;
  ASSERT_GE(n, 1);
  zel::SharedBlock& e = zel::pseudo_share_memory[n - 1];
  EXPECT_EQ(e.int_made, kIntegerBuild ? 1 : 0);
  EXPECT_EQ(e.fp_made, kIntegerBuild ? 0 : 1);
  // Pretend the other build made it: still listed in our zones, so not free.
  std::swap(e.int_made, e.fp_made);
  char* listed = garbage_zone[0].all_garbages[0];
  HeapMark m;
  save_GC_state(m);
  for (int i = 0; i < 3; i++) {
    char* p = static_cast<char*>(alloc_internal(5000));
    EXPECT_NE(p, listed);
  }
  // Once released (its build's zones emptied), it may be taken over.
  e.released = 1;
  zone_memory_allocated = e.size - 8;
  restore_GC_state(m);
  garbage_zone[0].max_garbages = garbage_zone[0].cur_garbages;
  alloc_internal(5000);
  EXPECT_EQ(garbage_zone[0].all_garbages[garbage_zone[0].cur_garbages - 1], listed);
}

TEST_F(RawTest, ResetCyclesKeepMemoryFlat) {
  auto cycle = [] {
    zel_test::fresh_engine_memory();
    for (int i = 0; i < 50; i++) alloc64(20000 + i);
    {
      InZone3 z3;
      for (int i = 0; i < 20; i++) alloc64(5000);
    }
    xmalloc(300000);
    zel::Zel_malloc(1000);
  };
  for (int i = 0; i < 50; i++) cycle();
  uint64_t recorded = zel::Zel_malloc_recorded();
  uint64_t committed = zel::arena_committed_bytes();
  long rss = resident_kib();
  for (int i = 0; i < 2000; i++) {
    cycle();
    ASSERT_EQ(zel::Zel_malloc_recorded(), recorded);
    ASSERT_EQ(zel::arena_committed_bytes(), committed);
  }
#if !defined(__SANITIZE_ADDRESS__)
  // The sanitizer's quarantine keeps freed memory; a plain build must not grow
  // (each cycle touches about 1.5 MB, so a leak would show as gigabytes).
  EXPECT_LT(resident_kib() - rss, 16 * 1024);
#else
  (void)rss;
#endif
}

TEST(RawDeath, DeletingAnObjectEndsTheProcess) {
  EXPECT_EXIT(Orv_delete_operator(), ::testing::ExitedWithCode(4), "NYA Orv_delete_operator\n");
}

}  // namespace
