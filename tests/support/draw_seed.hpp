// ZEL_DRAW_SEED as a test wants it (null: unset), the draw of primes
// started again from it; both restored when the scope ends.
#pragma once

#include <cstdlib>
#include <string>

#include "engine/coef/prime_draw.hpp"

namespace zel_test {

class DrawSeed {
 public:
  explicit DrawSeed(const char* seed) {
    const char* old = std::getenv("ZEL_DRAW_SEED");
    had_ = old != nullptr;
    if (had_) saved_ = old;
    put(seed);
  }
  ~DrawSeed() { put(had_ ? saved_.c_str() : nullptr); }
  DrawSeed(const DrawSeed&) = delete;
  DrawSeed& operator=(const DrawSeed&) = delete;

 private:
  static void put(const char* seed) {
    if (seed != nullptr)
      setenv("ZEL_DRAW_SEED", seed, 1);
    else
      unsetenv("ZEL_DRAW_SEED");
    zel::ZEL_BUILD::reseed_prime_draw();
  }
  std::string saved_;
  bool had_ = false;
};

}  // namespace zel_test
