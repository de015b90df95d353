// Residues modulo the build's primes: inversion, monic lanes, vectors of one
// residue per lane.
#pragma once

#include <cstdint>

#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// The inverse of a modulo the prime p.  Fatal for a = 0 ("non inversible pour
// p=%lu!\n" in the integer build, "non inversible !\n" in the prime-field
// build).  a is reduced modulo p first.
Dom inv_Dom(Dom a, uint32_t p);

// Multiplies the n coefficients (residues) of one lane by u modulo p in
// place.  u = p - 1 is a negation; any other residue u multiplies by
// Shoup's method (u' = floor(u 2^32 / p): c u - floor(c u' / 2^32) p lies
// in [0, 2p)), without a division per coefficient.
template <class D>
inline void scale_lane_d(D* c, uint32_t n, D u, uint32_t p) {
  if (u == D(p - 1)) {
    for (uint32_t i = 0; i < n; i++) c[i] = c[i] ? D(p - c[i]) : D(0);
    return;
  }
  if (uint32_t(u) >= p) {
    for (uint32_t i = 0; i < n; i++) c[i] = D(uint64_t(c[i]) * u % p);
    return;
  }
  const uint32_t w = uint32_t(u), shoup = uint32_t((uint64_t(w) << 32) / p);
  for (uint32_t i = 0; i < n; i++) {
    const uint32_t x = uint32_t(c[i]) < p ? uint32_t(c[i]) : uint32_t(c[i]) % p;
    const uint64_t q = (uint64_t(x) * shoup) >> 32;
    const uint64_t r = uint64_t(x) * w - q * p;
    c[i] = D(r >= p ? r - p : r);
  }
}

// Makes each of `nlanes` coefficient arrays monic on its own (lane l modulo
// ZEL_C(Primes)[l]); a lane whose leading coefficient (index 0) is already 1
// is left as it is, the others are still normalised.  Changes the arrays in
// place; a zero leading coefficient is fatal (inversion of 0).
void monic_lanes_d(Dom* const* lanes, uint32_t nlanes, uint32_t nterms);

// Residue vectors: ZEL_C(vectorize) lanes of 32-bit entries.
void vect_set_one(uint32_t* v);                  // every lane 1
void vect_set(uint32_t* d, const uint32_t* s);   // copies every lane
void vect_inv(uint32_t* v);                      // lane l := its inverse mod prime l
// vs holds n vectors one after the other: 1 when n < 1, or when every lane of
// every vector is 1 and no lane's prime is 2; 0 otherwise.
int find_property(const uint32_t* vs, int32_t n);

}  // namespace zel::ZEL_BUILD
