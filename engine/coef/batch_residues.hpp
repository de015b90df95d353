// Integer build: integers modulo every prime of a batch at once.
//
// A coefficient of w 32-bit words c = sum_j c_j 2^(32 j) is, modulo p,
// sum_j c_j (2^(32 j) mod p): with the powers of 2^32 modulo each prime
// tabled once per batch, every prime costs two products of 32-bit operands
// per word (Shoup's method keeps each term in [0, 2p)), the same for all the
// lanes side by side, and a few more to reduce the 64-bit sum at the end.
// The residues may come out multiplied by one factor per prime, which makes
// a polynomial monic on the way (see scale_to_one).
//
// The table has at most kChunkWords rows: a longer integer is taken in
// chunks of that many words from the top, each prime's residue so far
// multiplied by 2^(32 kChunkWords) mod p before the next chunk's sum is
// added.  The table then stays linear in the batch (the first batch of an
// integer of w words has about 2 w primes, and a table of w rows would grow
// with w^2), and one group's rows stay in the cache across the chunks.
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

  // c modulo prime l, times the factor of prime l, into lane[l][k] for
  // every l (non-negative residues, as INT_to_Dom).
  void put(const INT& c, Dom* const* lane, uint32_t k);

  // The factors become the inverses of lane[l][k], which turns to 1: the
  // residues put next are divided by it (a zero is fatal, as inv_Dom).
  void scale_to_one(Dom* const* lane, uint32_t k);
  // The factors become 1 again.
  void unscaled();

  // Entries per word of the tables: the primes rounded up to whole groups.
  static constexpr uint32_t kGroup = 8;
  // Rows of the table at most.
  static constexpr uint32_t kChunkWords = 64;

  // Entries of the tables of powers (each with its companion).
  size_t table_entries() const { return power_.size(); }

  // The forms of the sums this processor can run, the plain loop first and
  // the one put takes by default last (AVX-512, unless ZEL_NO_AVX512 is
  // set, then AVX2).  All give the same residues; for the tests.
  static uint32_t form_count();
  void use_form(uint32_t k);

 private:
  // Tables for integers of up to `words` 32-bit words (kChunkWords rows at
  // most, and the multiplier of a chunk once there are that many).
  void cover(uint32_t words);
  void set_factor(uint32_t l, uint32_t w);

  uint32_t count_;
  uint32_t width_;  // count rounded up to whole groups
  uint32_t words_ = 0;  // rows of the table
  uint32_t form_;
  // Per prime (width entries, zeros past the primes): p, 2^32 mod p, the
  // factor and 2^(32 kChunkWords) mod p, each with its Shoup companion
  // floor(x 2^32 / p); the companion of 1 reduces a 32-bit value.
  std::vector<uint32_t> primes_, wrap_, wrap_shoup_, one_shoup_, factor_, factor_shoup_;
  std::vector<uint32_t> chunk_wrap_, chunk_wrap_shoup_;
  // Entry j * width + l: 2^(32 j) mod p_l and its companion.
  std::vector<uint32_t> power_, shoup_;
  std::vector<uint32_t> digits_;  // the 32-bit words of the integer at hand
  std::vector<uint32_t> out_;     // the residues of the integer at hand
};

}  // namespace zel::ZEL_BUILD
