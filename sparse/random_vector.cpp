#include <cstdlib>

#include "sparse/fglm.hpp"

namespace zel::ZEL_BUILD {

void choose_random(Coord* x, int32_t D) {
  const uint32_t p = current_prime();
  // In the prime-field build a value from 32768 up lands in the 16-bit slot
  // as v - 65536: another residue, as good a random start.
  for (int32_t i = 0; i < D; ++i) x[i] = static_cast<Coord>(static_cast<uint32_t>(random()) % p);
}

void choose_random_unsigned(Dom* x, int32_t D) {
  const uint32_t p = current_prime();
  for (int32_t i = 0; i < D; ++i) x[i] = static_cast<Dom>(static_cast<uint32_t>(random()) % p);
}

}  // namespace zel::ZEL_BUILD
