// Interrupt polling through the host.
#include <gtest/gtest.h>

#include "engine/api/interrupt.hpp"
#include "engine/api/stop_flag.hpp"
#include "engine/driver/stopped_request.hpp"
#include "engine/mem/zone.hpp"
#include "support/engine_memory.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::captured;

namespace {

struct InterruptTest : ::testing::Test {
  zel_test::TestHost host{0};
  void SetUp() override {
    forget_host_version();
    count_interrupt = 0;
  }
  void TearDown() override { forget_host_version(); }
};

TEST_F(InterruptTest, OldHostsAndCCallersAreNotPolled) {
  for (double v : {0.0, 10.9}) {
    forget_host_version();
    captured().version = v;
    for (int i = 0; i < 10000; i++) checkInterrupt();
    EXPECT_EQ(captured().interrupts_checked, 0);
  }
}

TEST_F(InterruptTest, EveryFourThousandNinetySixthCallAsksTheHost) {
  captured().version = 12.0;
  for (int i = 0; i < 3 * 4096 + 5; i++) checkInterrupt();
  EXPECT_EQ(captured().interrupts_checked, 3);
  EXPECT_EQ(MapleVersion(), 12.0);
}

// A host whose check returns after the memory reset (the interrupt was
// taken back meanwhile) still sees the request end, as an interrupted one:
// nothing it held is left.
TEST_F(InterruptTest, APendingInterruptResetsMemoryFirst) {
  zel_test::fresh_engine_memory();
  alloc64(100);
  captured().version = 13.0;
  captured().interrupt_pending = true;
  EXPECT_THROW(
      for (int i = 0; i < 4096; i++) checkInterrupt(), RequestStopped);
  EXPECT_FALSE(zone_tables_ready());
  EXPECT_EQ(captured().interrupts_checked, 1);
  EXPECT_EQ(ZEL_C(stop_immediately_semaphore), 1);
  ZEL_C(stop_immediately_semaphore) = 0;
  // An older host with a pending interrupt keeps its memory.
  zel_test::fresh_engine_memory();
  forget_host_version();
  captured().version = 12.5;
  for (int i = 0; i < 4096; i++) checkInterrupt();
  EXPECT_TRUE(zone_tables_ready());
  zel::reset_engine_memory();
}

}  // namespace
