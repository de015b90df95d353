// Integer build: a lifted polynomial checked against a batch (lift_check.hpp).
#include "engine/coef/lift_check.hpp"

#include <vector>

namespace zel::ZEL_BUILD {

bool lift_agrees(const INT* c, uint32_t t, Dom* const* residues, const uint32_t* primes,
                 uint32_t lanes, BatchResidues& batch) {
  if (t == 0) return true;
  // Coefficient k modulo every prime: column k of `mod`, one row per lane.
  std::vector<Dom> first(lanes), mod(lanes);
  std::vector<Dom*> first_lane(lanes), mod_lane(lanes);
  for (uint32_t l = 0; l < lanes; ++l) {
    first_lane[l] = &first[l];
    mod_lane[l] = &mod[l];
  }
  batch.put(c[0], first_lane.data(), 0);
  for (uint32_t k = 0; k < t; ++k) {
    batch.put(c[k], mod_lane.data(), 0);
    for (uint32_t l = 0; l < lanes; ++l) {
      const uint64_t p = primes[l];
      if (uint64_t(mod[l]) * residues[l][0] % p != uint64_t(first[l]) * residues[l][k] % p)
        return false;
    }
  }
  return true;
}

}  // namespace zel::ZEL_BUILD
