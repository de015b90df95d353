// Seeds and iteration scale for randomised tests.
//
// Runs are repeatable by default; ZEL_TEST_SEED changes the seed and
// ZEL_TEST_SCALE multiplies iteration counts.  Put SEED_TRACE() in a test so a
// failure prints the seed it ran with.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

namespace zel_test {

inline uint64_t test_seed() {
  const char* s = std::getenv("ZEL_TEST_SEED");
  return s ? std::strtoull(s, nullptr, 10) : 20261207ULL;
}

inline long test_scale() {
  const char* s = std::getenv("ZEL_TEST_SCALE");
  long v = s ? std::strtol(s, nullptr, 10) : 1;
  return v > 0 ? v : 1;
}

// Iteration count n multiplied by the scale.
inline long iterations(long n) { return n * test_scale(); }

inline std::mt19937_64 make_rng(uint64_t salt = 0) {
  return std::mt19937_64(test_seed() ^ (salt * 0x9E3779B97F4A7C15ULL));
}

}  // namespace zel_test

#define SEED_TRACE() \
  SCOPED_TRACE("ZEL_TEST_SEED=" + std::to_string(zel_test::test_seed()))
