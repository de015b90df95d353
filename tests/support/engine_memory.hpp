// Puts the engine's memory of the build under test in a fresh session state:
// everything reset, zone tables allocated.
#pragma once

#include "engine/mem/raw_block.hpp"
#include "engine/mem/zone.hpp"

namespace zel_test {

inline void fresh_engine_memory() {
  zel::reset_engine_memory();
  zel::ZEL_BUILD::init_zone_tables();
}

}  // namespace zel_test
