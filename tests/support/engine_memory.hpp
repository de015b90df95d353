// Puts the engine's memory of the build under test in a fresh session state:
// everything reset, zone tables allocated.
#pragma once

#include "engine/mem/raw_block.hpp"
#include "engine/mem/zone.hpp"

// Tests of the block layout (addresses, slots, kept blocks) mean nothing when
// every allocation is its own malloc.
#ifdef ZEL_MEMDEBUG
#define SKIP_IN_MEMDEBUG() GTEST_SKIP() << "ZEL_MEMDEBUG: no zone blocks"
#else
#define SKIP_IN_MEMDEBUG() (void)0
#endif

namespace zel_test {

inline void fresh_engine_memory() {
  zel::reset_engine_memory();
  zel::ZEL_BUILD::init_zone_tables();
}

}  // namespace zel_test
