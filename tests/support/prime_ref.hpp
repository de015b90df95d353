// A slow, obviously right primality test for 32-bit numbers: deterministic
// Miller-Rabin with the bases 2, 7 and 61, which decide every n < 2^32.
#pragma once

#include <cstdint>

namespace zel_test {

inline uint64_t pow_mod_ref(uint64_t b, uint64_t e, uint64_t m) {
  uint64_t r = 1 % m;
  b %= m;
  for (; e; e >>= 1) {
    if (e & 1) r = static_cast<uint64_t>((unsigned __int128)r * b % m);
    b = static_cast<uint64_t>((unsigned __int128)b * b % m);
  }
  return r;
}

inline bool is_prime_ref(uint32_t n) {
  if (n < 2) return false;
  for (uint32_t p : {2u, 3u, 5u, 7u, 11u, 13u, 61u})
    if (n % p == 0) return n == p;
  uint32_t d = n - 1, s = 0;
  while (d % 2 == 0) d /= 2, ++s;
  for (uint64_t a : {2u, 7u, 61u}) {
    uint64_t x = pow_mod_ref(a, d, n);
    if (x == 1 || x == n - 1) continue;
    bool witness = true;
    for (uint32_t i = 1; i < s && witness; ++i) {
      x = static_cast<uint64_t>((unsigned __int128)x * x % n);
      if (x == n - 1) witness = false;
    }
    if (witness) return false;
  }
  return true;
}

}  // namespace zel_test
