#include "sparse/modarith.hpp"

#include <cstdio>
#include <initializer_list>

#include "sparse/descriptor.hpp"

namespace zel::ZEL_BUILD {

namespace {

uint64_t pow_mod(uint64_t a, uint64_t e, uint64_t m) {
  uint64_t r = 1;
  for (a %= m; e > 0; e >>= 1, a = a * a % m)
    if (e & 1) r = r * a % m;
  return r;
}

// Miller-Rabin to the bases 2, 7 and 61, which no composite below
// 4759123141 > 2^32 passes: exact for every 32-bit value, and cheap enough
// for an entry that runs once per prime (trial division up to 2^16 is not).
bool is_prime(uint32_t p) {
  if (p < 2) return false;
  for (uint32_t small : {2u, 3u, 5u, 7u, 61u})
    if (p % small == 0) return p == small;
  uint32_t d = p - 1, s = 0;
  for (; d % 2 == 0; d /= 2) ++s;
  for (uint64_t base : {2u, 7u, 61u}) {
    uint64_t x = pow_mod(base, d, p);
    if (x == 1 || x == p - 1) continue;
    bool witness = true;
    for (uint32_t i = 1; i < s && witness; ++i) {
      x = x * x % p;
      witness = x != p - 1;
    }
    if (witness) return false;
  }
  return true;
}

}  // namespace

bool prime_ok(uint32_t p) { return (kIntegerBuild || p <= 65521u) && is_prime(p); }

Dom INV_2args(Dom a, uint32_t p) {
  uint32_t r1 = a % p;
  if (r1 == 0) {
    std::fprintf(stderr, "Le facteur %u -> %u a ete trouve !\n", 0u, p);
    ZEL_C(modulo_ok) = 0;
    return 0;
  }
  // Extended Euclid on (p, a), keeping only a's Bezout coefficient: its
  // values stay within p in absolute value, so no reduction until the end.
  uint32_t r0 = p;
  int64_t t0 = 0, t1 = 1;
  while (r1 != 0) {
    const uint32_t q = r0 / r1;
    const uint32_t r2 = r0 - q * r1;
    const int64_t t2 = t0 - static_cast<int64_t>(q) * t1;
    r0 = r1;
    r1 = r2;
    t0 = t1;
    t1 = t2;
  }
  return static_cast<Dom>(t0 < 0 ? t0 + static_cast<int64_t>(p) : t0);
}

}  // namespace zel::ZEL_BUILD
