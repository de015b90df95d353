// Object pools and segmented index tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/mem/pool.hpp"
#include "engine/mem/relative_table.hpp"
#include "support/engine_memory.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;

namespace {

struct PoolTest : ::testing::Test {
  zel_test::TestHost host{0};
  void SetUp() override { zel_test::fresh_engine_memory(); }
  void TearDown() override { zel::reset_engine_memory(); }
};

TEST_F(PoolTest, RecordsComeInLinkedOrderFromZoneThree) {
  SKIP_IN_MEMDEBUG();
  uint64_t before = ct_obj_alloc;
  char* first = static_cast<char*>(pool_take(Crit_pool));
  EXPECT_EQ(ct_obj_alloc - before, 10000u * 56 + 8);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(first) % 8, 0u);
  // The chain lives in zone 3, not in the active zone.
  EXPECT_GE(first, garbage_zone[2].all_garbages[0]);
  EXPECT_LT(first, garbage_zone[2].bot_bignum_tas);
  EXPECT_EQ(garbage_zone[0].cur_garbages, 0u);
  // Nothing is written ahead of the records taken: the next one still holds
  // what the fresh zone page held.
  uint64_t ahead;
  std::memcpy(&ahead, first + 56, sizeof ahead);
  EXPECT_EQ(ahead, 0u);
  for (int i = 1; i < 10000; i++) {
    char* r = static_cast<char*>(pool_take(Crit_pool));
    ASSERT_EQ(r, first + 56 * i);
  }
  EXPECT_TRUE(pool_is_empty(Crit_pool));
  pool_take(Crit_pool);  // the 10001st refills
  EXPECT_EQ(ct_obj_alloc - before, 2 * (10000u * 56 + 8));
}

TEST_F(PoolTest, AReturnedRecordIsReusedFirst) {
  void* a = pool_take(List_Expos_pool);
  void* b = pool_take(List_Expos_pool);
  void* c = pool_take(List_Expos_pool);
  pool_give(List_Expos_pool, b);
  pool_give(List_Expos_pool, a);
  EXPECT_EQ(pool_take(List_Expos_pool), a);
  EXPECT_EQ(pool_take(List_Expos_pool), b);
  EXPECT_EQ(pool_take(List_Expos_pool), static_cast<char*>(c) + 16);
}

TEST_F(PoolTest, AResetForgetsThePools) {
  pool_take(Expos_pool);
  ASSERT_FALSE(pool_is_empty(Expos_pool));
  zel::reset_engine_memory();
  EXPECT_TRUE(pool_is_empty(Expos_pool));
  EXPECT_TRUE(pool_is_empty(Crit_pool));
  EXPECT_TRUE(pool_is_empty(List_Expos_pool));
}

TEST_F(PoolTest, GenerateLinksZeroAndOneRecords) {
  char* p = static_cast<char*>(generate(1, 24, "X"));
  void* link;
  std::memcpy(&link, p, sizeof link);
  EXPECT_EQ(link, nullptr);
  EXPECT_NE(generate(0, 24, "X"), nullptr);
}

struct TableTest : PoolTest {};

TEST_F(TableTest, SegmentsDoubleAndEntriesNeverMove) {
  RelativeTable<int32_t>& t = relative_Indexes;
  forget_relative(t);
  reset_relative_Indexes();
  ASSERT_EQ(t.current, 1u);
  set_relative_Indexes(0, 7);
  int32_t* e0 = at_relative(t, 0);
  set_relative_Indexes(1024, 8);
  EXPECT_EQ(t.current, 2u);
  EXPECT_EQ(t.size_relative[1], 2048u);
  EXPECT_EQ(at_relative(t, 1024), t.abs_ptr[1]);
  set_relative_Indexes(3072, 9);
  EXPECT_EQ(t.current, 3u);
  EXPECT_EQ(t.size_relative[2], 4096u);
  EXPECT_EQ(at_relative(t, 0), e0);
  EXPECT_EQ(get_relative_Indexes(0), 7);
  EXPECT_EQ(get_relative_Indexes(1024), 8);
  EXPECT_EQ(get_relative_Indexes(3072), 9);
}

TEST_F(TableTest, OneSetMayAddSeveralSegments) {
  RelativeTable<void*> t{"Expos"};
  reset_relative(t);
  int x;
  set_relative(t, 10000, static_cast<void*>(&x));
  ASSERT_EQ(t.current, 4u);
  EXPECT_EQ(t.size_relative[3], 8192u);
  EXPECT_EQ(at_relative(t, 10000), t.abs_ptr[3] + 2832);
  EXPECT_EQ(get_relative(t, 10000), &x);
}

TEST_F(TableTest, ContentsSurviveAResetOfTheTable) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(2);
  RelativeTable<uint8_t>& t = relative_CBoolean;
  forget_relative(t);
  reset_relative_CBoolean();
  std::vector<uint8_t> ref(20000);
  for (uint32_t i = 0; i < ref.size(); i++) {
    uint32_t v = uint32_t(rng());
    ref[i] = uint8_t(v);
    set_relative_CBoolean(i, v);  // keeps the low 8 bits
  }
  reset_relative_CBoolean();
  for (uint32_t i = 0; i < ref.size(); i++) ASSERT_EQ(get_relative_CBoolean(i), ref[i]);
}

TEST_F(TableTest, WideElementsAreCopiedWhole) {
  struct Row {
    uint64_t w[4];
  };
  RelativeTable<Row> t{"MatrixRow"};
  reset_relative(t);
  for (uint32_t i = 0; i < 5000; i++) set_relative(t, i, Row{{i, i + 1, i + 2, ~uint64_t(i)}});
  for (uint32_t i = 0; i < 5000; i += 7) {
    Row r = get_relative(t, i);
    ASSERT_EQ(r.w[0], i);
    ASSERT_EQ(r.w[3], ~uint64_t(i));
  }
  EXPECT_EQ(reinterpret_cast<uintptr_t>(t.abs_ptr[2]) % 16, 0u);
}

TEST_F(TableTest, FailuresNameTheTable) {
  RelativeTable<void*> t{"Expos"};
  EXPECT_RAISES(get_relative(t, 0), "Illegal access get_relative_ Expos\n");
  reset_relative(t);
  EXPECT_RAISES(get_relative(t, 1024), "Illegal access get_relative_ Expos\n");
  // Thirty-one segments is the most a table may have.
  t.current = 31;
  for (int k = 1; k < 31; k++) t.size_relative[k] = 0;
  EXPECT_RAISES(set_relative(t, 5000, static_cast<void*>(nullptr)),
                "Cannot extend Expos data type cur=31>=31\n");
}

}  // namespace
