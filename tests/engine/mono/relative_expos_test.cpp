// The segmented table of monomial pointers.
#include "engine/mono/relative_expos.hpp"

#include <gtest/gtest.h>

#include "support/engine_memory.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;

namespace {

struct RelativeExpos : ::testing::Test {
  zel_test::TestHost host{0};
  void SetUp() override { zel_test::fresh_engine_memory(); }
  void TearDown() override { zel::reset_engine_memory(); }
  static ExposW* tag(uintptr_t i) { return reinterpret_cast<ExposW*>(i * 16); }
};

TEST_F(RelativeExpos, GrowsBySeveralSegmentsAndKeepsItsEntries) {
  reset_relative_Expos();
  ASSERT_EQ(relative_Expos.current, 1u);
  set_relative_Expos(0, tag(1));
  ExposW** first = at_relative(relative_Expos, 0);
  EXPECT_RAISES(get_relative_Expos(1024), "Illegal access get_relative_ Expos\n");
  // One set adds segments 1, 2 and 3 (2048, 4096, 8192 entries).
  set_relative_Expos(10000, tag(2));
  ASSERT_EQ(relative_Expos.current, 4u);
  EXPECT_EQ(at_relative(relative_Expos, 10000), relative_Expos.abs_ptr[3] + 2832);
  EXPECT_EQ(at_relative(relative_Expos, 0), first);
  // A reset of the table keeps what the earlier step wrote.
  reset_relative_Expos();
  EXPECT_EQ(get_relative_Expos(0), tag(1));
  EXPECT_EQ(get_relative_Expos(10000), tag(2));
}

TEST_F(RelativeExpos, AMemoryResetForgetsTheSegments) {
  reset_relative_Expos();
  set_relative_Expos(5000, tag(3));
  zel_test::fresh_engine_memory();
  EXPECT_EQ(relative_Expos.current, 0u);
  reset_relative_Expos();  // a fresh segment in the new zones
  set_relative_Expos(7, tag(4));
  EXPECT_EQ(get_relative_Expos(7), tag(4));
  EXPECT_EQ(relative_Expos.current, 1u);
}

}  // namespace
