// Sizing shared by the open-addressing maps of the monomial layer.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Smallest power of two, as its logarithm, with room for n entries at most
// half full; at least 2^10 entries.
inline uint32_t log2_room(uint64_t n) {
  uint32_t k = 10;
  while ((uint64_t(1) << k) < 2 * n) ++k;
  return k;
}

}  // namespace zel::ZEL_BUILD
