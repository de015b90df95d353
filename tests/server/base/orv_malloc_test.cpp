// Each build's allocation hook starts on the shared default hook.
#include "server/base/orv_malloc.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

using namespace orv::ORV_BUILD;

TEST(ServerAllocHook, StartsOnTheDefaultHookAndAlignsBlocks) {
  EXPECT_EQ(ORV_C(Orv_malloc), &orv::internal_Orv_malloc);
  void* p = ORV_C(Orv_malloc)(24);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
  std::free(p);  // ordinary mode: the system allocator's block
}
