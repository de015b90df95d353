// Each build's part of a memory reset, callable from either build: a reset of
// one build always resets both.
#pragma once

namespace zel::int_build {
// Empties the integer build's zones, pools, segmented tables and allocator
// state and restarts the serial numbers of polynomial records (the blocks
// themselves are given back by the raw layer afterwards).
void forget_build_memory();
}  // namespace zel::int_build

namespace zel::fp_build {
// The same for the prime-field build.
void forget_build_memory();
}  // namespace zel::fp_build
