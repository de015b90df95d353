// The additive monomial hash.
#include "engine/mono/expos_hash.hpp"

namespace zel::ZEL_BUILD {

uint32_t zel_hash_prime = 5666677;

uint32_t hash_Expos(const ExposW* m) {
  const uint64_t p = zel_hash_prime;
  uint64_t h = 0;
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k) {
    // Field 4k is the most significant digit of word k's four: reverse the
    // fields so that the word reads as one base-2^64 digit.
    uint64_t x = get_word(m, k);
    x = (x >> 32) | (x << 32);
    x = ((x >> 16) & 0x0000FFFF0000FFFFULL) | ((x & 0x0000FFFF0000FFFFULL) << 16);
    // h < 2^32, so each step stays below 2^64.
    h = ((h << 32) | (x >> 32)) % p;
    h = ((h << 32) | (x & 0xFFFFFFFFu)) % p;
  }
  return uint32_t(h);
}

void set_hash(uint32_t count, Expos** monomials) {
  for (uint32_t i = 0; i < count; ++i)
    if (Expos* m = monomials[i]) put_hash(m, hash_Expos(words_of(m)));
}

}  // namespace zel::ZEL_BUILD
