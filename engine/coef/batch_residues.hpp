// Integer build: integers modulo every prime of a batch at once.
//
// A coefficient of w 32-bit words c = sum_j c_j 2^(32 j) is, modulo p,
// sum_j c_j (2^(32 j) mod p): with the powers of 2^32 modulo each prime
// tabled once per batch, every prime costs two products of 32-bit operands
// per word (Shoup's method keeps each term in [0, 2p)), the same for all the
// lanes side by side, and one reduction of the 64-bit sum at the end.
#pragma once

#ifndef ZEL_VARIANT_INT
#error "batch residues exist in the integer build only"
#endif

#include <cstdint>
#include <vector>

#include "engine/coef/int_arith.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

class BatchResidues {
 public:
  // The `count` primes, below 2^32.
  BatchResidues(const uint32_t* primes, uint32_t count);

  // c modulo prime l into lane[l][k] for every l, non-negative residues
  // (as INT_to_Dom).
  void put(const INT& c, Dom* const* lane, uint32_t k);

 private:
  // Tables for integers of up to `words` 32-bit words.
  void cover(uint32_t words);

  uint32_t count_;
  uint32_t width_;  // count rounded up to whole groups of lanes
  uint32_t words_ = 0;
  std::vector<uint32_t> primes_;   // width entries, zeros past the primes
  std::vector<uint64_t> barrett_;  // floor(2^64 / p) per prime
  // Entry j * width + l: 2^(32 j) mod p_l, and floor(that 2^32 / p_l).
  std::vector<uint32_t> power_, shoup_;
  std::vector<uint32_t> digits_;  // the 32-bit words of the integer at hand
  std::vector<uint64_t> sums_;    // per prime
};

}  // namespace zel::ZEL_BUILD
