// Slow, obviously right arithmetic to check the engine's residues against.
#pragma once

#include <cstdint>

namespace zel_test {

inline uint64_t mulmod(uint64_t a, uint64_t b, uint64_t m) {
  return uint64_t((unsigned __int128)a * b % m);
}

inline uint64_t powmod(uint64_t a, uint64_t e, uint64_t m) {
  uint64_t r = 1 % m;
  a %= m;
  for (; e; e >>= 1, a = mulmod(a, a, m))
    if (e & 1) r = mulmod(r, a, m);
  return r;
}

// Deterministic Miller-Rabin for 64-bit numbers (these twelve bases suffice).
inline bool is_prime(uint64_t n) {
  if (n < 2) return false;
  for (uint64_t q : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37}) {
    if (n % q == 0) return n == q;
  }
  uint64_t d = n - 1;
  int s = 0;
  while ((d & 1) == 0) d >>= 1, s++;
  for (uint64_t a : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37}) {
    uint64_t x = powmod(a, d, n);
    if (x == 1 || x == n - 1) continue;
    bool composite = true;
    for (int i = 1; i < s && composite; i++) {
      x = mulmod(x, x, n);
      if (x == n - 1) composite = false;
    }
    if (composite) return false;
  }
  return true;
}

// Trial division: the slowest check there is.
inline bool is_prime_by_division(uint64_t n) {
  if (n < 2) return false;
  for (uint64_t d = 2; d * d <= n; d++)
    if (n % d == 0) return false;
  return true;
}

}  // namespace zel_test
