// Residues modulo the build's primes.
#include "engine/coef/residue.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Each build calls one of the two.
[[maybe_unused]] uint32_t inv_integer(uint64_t a, uint64_t p) {
  if (a == 0) Fatal("non inversible pour p=%lu!\n", (unsigned long)p);
  if (p % a == 0) return 1;
  // Extended Euclid on (p, a), keeping a's Bezout coefficient in [0, p).
  uint64_t r0 = p, r1 = a, t0 = 0, t1 = 1;
  while (r1 != 0) {
    uint64_t q = r0 / r1;
    uint64_t qt = q % p * t1 % p;
    uint64_t t = t0 >= qt ? t0 - qt : t0 + p - qt;
    t0 = t1;
    t1 = t;
    uint64_t r = r0 - q * r1;
    r0 = r1;
    r1 = r;
  }
  return uint32_t(t0);
}

[[maybe_unused]] uint32_t inv_field(uint32_t a, uint32_t p) {
  if (a == 0) Fatal("non inversible !%s", "\n");
  // inv(a) = inv(p mod a) * (p - p / a) mod p, unrolled.
  uint32_t r = 1;
  while (a != 1) {
    r = r * (p - p / a) % p;
    a = p % a;
    if (a == 0) Fatal("non inversible !%s", "\n");  // p was not a prime
  }
  return r;
}

}  // namespace

Dom inv_Dom(Dom a, uint32_t p) {
  if constexpr (kIntegerBuild) {
    return Dom(inv_integer(uint64_t(a) % p, p));
  } else {
    return Dom(inv_field(uint32_t(a) % p, p));
  }
}

void monic_lanes_d(Dom* const* lanes, uint32_t nlanes, uint32_t nterms) {
  if (nterms == 0) return;
  for (uint32_t l = 0; l < nlanes; l++) {
    Dom lead = lanes[l][0];
    if (lead == 1) continue;  // this lane only: the others are looked at too
    const uint32_t p = ZEL_C(Primes)[l];
    scale_lane_d(lanes[l], nterms, inv_Dom(lead, p), p);
  }
}

void vect_set_one(uint32_t* v) {
  for (uint32_t l = 0; l < ZEL_C(vectorize); l++) v[l] = 1;
}

void vect_set(uint32_t* d, const uint32_t* s) {
  for (uint32_t l = 0; l < ZEL_C(vectorize); l++) d[l] = s[l];
}

void vect_inv(uint32_t* v) {
  for (uint32_t l = 0; l < ZEL_C(vectorize); l++) v[l] = inv_Dom(Dom(v[l]), ZEL_C(Primes)[l]);
}

int find_property(const uint32_t* vs, int32_t n) {
  const uint32_t v = ZEL_C(vectorize);
  for (int32_t i = 0; i < n; i++)
    for (uint32_t l = 0; l < v; l++)
      if (vs[uint64_t(i) * v + l] != 1 || ZEL_C(Primes)[l] == 2) return 0;
  return 1;
}

}  // namespace zel::ZEL_BUILD
