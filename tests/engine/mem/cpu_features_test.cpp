// The switch that leaves the AVX-512 kernels out (run with and without it
// by the suite).
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/mem/cpu_features.hpp"

using namespace zel::ZEL_BUILD;

namespace {

TEST(CpuFeatures, AnyValueOfTheSwitchLeavesAvx512Out) {
  const char* off = std::getenv("ZEL_NO_AVX512");
  EXPECT_EQ(avx512_allowed(), off == nullptr || *off == '\0');
}

}  // namespace
