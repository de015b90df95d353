// The additive monomial hash.
//
// The hash of a monomial is its fields f_0 .. f_{4B-1} read as a number in
// base 65536, f_0 most significant, reduced modulo p = `zel_hash_prime`.
// Being linear in the fields, h(a*b) = (h(a) + h(b)) mod p: the code table
// finds the slot of a product from its factors' hashes alone.
#pragma once

#include <cstdint>

#include "engine/mono/expos_words.hpp"

namespace zel::ZEL_BUILD {

// Number of slots of a code table and modulus of the hash; default 5666677.
// Only `set_hash_prime` (code_table.hpp) changes it.
extern uint32_t zel_hash_prime;

// Hash of a word-form monomial under the current `zel_hash_prime`.
uint32_t hash_Expos(const ExposW* m);

// (ha + hb) mod p for two hashes below p, p being `zel_hash_prime` unless
// given; added in 64 bits so that it cannot wrap for primes above 2^31.
inline uint32_t add_hash(uint64_t ha, uint64_t hb, uint64_t p) {
  const uint64_t s = ha + hb;
  return uint32_t(s < p ? s : s - p);
}
inline uint32_t add_hash(uint64_t ha, uint64_t hb) { return add_hash(ha, hb, zel_hash_prime); }

// Writes the hash of each of the count header-form monomials into its header
// (64-bit store).  Null entries are skipped.
void set_hash(uint32_t count, Expos** monomials);

}  // namespace zel::ZEL_BUILD
