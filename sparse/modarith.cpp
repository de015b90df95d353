#include "sparse/modarith.hpp"

#include <cstdio>
#include <initializer_list>

#include "engine/coef/primes.hpp"
#include "sparse/descriptor.hpp"

namespace zel::ZEL_BUILD {

bool prime_ok(uint32_t p) { return (kIntegerBuild || p <= 65521u) && is_prime32(p); }

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
