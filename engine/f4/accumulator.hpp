// Dense accumulators of the elimination: the current lane and its prime,
// reduction of accumulated sums, expansion of a coded row and collection of
// an accumulator back into a coefficient array and an offset list.
//
// An accumulator for a row has `width` entries, entry j standing for column
// lead + j.  Integer build: three 32-bit words per entry holding the unsigned
// 96-bit sum w0 + w1*2^32 + w2*2^64 of products of 32-bit residues, so sums
// of up to 2^32 products never overflow.  Prime-field build: one 64-bit word
// (16-bit residues).  Once an entry is reduced its residue stands in the low
// word (w0) and the entry reads as that residue.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "engine/f4/row_code.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct Acc96 {
  uint32_t w0, w1, w2;
};

using AccEntry = std::conditional_t<kIntegerBuild, Acc96, uint64_t>;

// The lane the elimination works on, its prime, and (integer build) the
// prime's reciprocal for the two-word reduction.  Switch them together with
// set_current_lane.
extern uint32_t context_vectorize;
extern uint32_t ZEL_C(Prime);
#ifdef ZEL_VARIANT_INT
extern uint32_t Prime_inv;
#endif

// floor((2^64 - 1) / p) - 2^32 for a prime 2^31 < p < 2^32, computed as
// ((2^32 - p) * 2^32) div p.
inline uint32_t prime_inverse(uint32_t p) {
  return uint32_t(((uint64_t(1) << 32) - p) * (uint64_t(1) << 32) / p);
}

// Makes `lane` the current lane with prime p.
void set_current_lane(uint32_t lane, uint32_t p);
// Makes `lane` the current lane with its prime from the prime table.
void select_lane(uint32_t lane);

// (hi * 2^32 + lo) mod p for hi < p, p > 2^31, v = prime_inverse(p).
// The quotient estimate from the reciprocal is off by at most one, except in
// rare cases, so one masked correction and one unlikely subtraction give the
// exact remainder without a division (the reciprocal method for a divisor
// with its top bit set).
inline uint32_t gmp_normal2(uint32_t hi, uint32_t lo, uint32_t p, uint32_t v) {
  // <q1, q0> = v * hi + <hi, lo>; only q1 mod 2^32 is needed, so the 64-bit
  // sum may wrap.
  const uint64_t qq = uint64_t(v) * hi + ((uint64_t(hi) << 32) | lo);
  const uint32_t q1 = uint32_t(qq >> 32) + 1;
  const uint32_t q0 = uint32_t(qq);
  uint32_t r = lo - q1 * p;
  r += p & (0u - uint32_t(r > q0));
  if (__builtin_expect(r >= p, 0)) r -= p;
  return r;
}

// Residue of a 96-bit accumulator entry modulo p (integer build).
inline uint32_t reduce96(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t p,
                         uint32_t v) {
  uint32_t t;
  if (w2 == 0) {
    t = w1 >= p ? w1 - p : w1;
  } else {
    // The top word only exceeds p after 2^31 additions; keep the two-word
    // step's precondition anyway rather than return a wrong residue.
    if (__builtin_expect(w2 >= p, 0)) w2 -= p;
    t = gmp_normal2(w2, w1, p, v);
  }
  return gmp_normal2(t, w0, p, v);
}

// Adds a product (below 2^64) into an accumulator entry.
inline void acc_add(Acc96& e, uint64_t x) {
  uint64_t lo;
  std::memcpy(&lo, &e.w0, 8);
  const uint64_t s = lo + x;
  e.w2 += s < x;
  std::memcpy(&e.w0, &s, 8);
}
inline void acc_add(uint64_t& e, uint64_t x) { e += x; }

// Reading and writing entries: reduce_entry gives the residue modulo the
// current prime, reduced_value reads an entry already reduced, set_reduced
// stores a residue so that the entry reads as that residue.
#ifdef ZEL_VARIANT_INT
inline Dom reduce_entry(const Acc96& e) {
  return reduce96(e.w0, e.w1, e.w2, ZEL_C(Prime), Prime_inv);
}
inline Dom reduced_value(const Acc96& e) { return e.w0; }
inline void set_reduced(Acc96& e, Dom r) { e = Acc96{r, 0, 0}; }
#else
inline Dom reduce_entry(uint64_t e) { return Dom(e % ZEL_C(Prime)); }
inline Dom reduced_value(uint64_t e) { return Dom(e); }
inline void set_reduced(uint64_t& e, Dom r) { e = r; }
#endif

// Expands lane `context_vectorize` of `row` into `acc`: clears the row's
// `width` entries, then places coefficient 0 at entry 0 and every further
// coefficient at its decoded offset.  A lane reduced to zero (null array)
// leaves the cleared window.
void decompress_lzw(AccEntry* acc, const CodedRow* row);

// Collection of an accumulator of n entries back into a row.  Each function
// takes room for n coefficients in the current zone, trims it to the number
// kept (so no other allocation of the zone may come between), stores the
// array through `coeffs`, writes the kept entries' offsets into `offsets`
// (room for n) and returns the number kept.

// Entries already reduced; keeps every non-zero one.
uint32_t ZEL_C(size_compact_row)(Dom** coeffs, const AccEntry* acc, uint32_t n,
                                 uint32_t* offsets);

// Entries unreduced: each is reduced modulo the current prime and written
// back; keeps every non-zero one.
uint32_t ZEL_C(size_compact_row_long_Dom)(Dom** coeffs, AccEntry* acc,
                                          uint32_t n, uint32_t* offsets);

// Entries unreduced, reduced and written back as above; keeps exactly the
// entries at the npattern increasing offsets of `pattern` (zero or not).  A
// non-zero residue off the pattern is fatal.  Used to hold further lanes to
// the shape the first lane gave a row.
uint32_t ZEL_C(size_compact_row2_long_Dom)(const uint32_t* pattern,
                                           uint32_t npattern, Dom** coeffs,
                                           AccEntry* acc, uint32_t n,
                                           uint32_t* offsets);

#ifdef ZEL_VARIANT_INT
// Entries already reduced; keeps every non-zero one and also a zero entry at
// offset pattern[k], k being the number kept so far (while k < npattern).
// Every zero so kept writes a warning on the error stream.
uint32_t Zel_int_size_compact_row_adaptative(Dom** coeffs, const AccEntry* acc,
                                             uint32_t n, uint32_t* offsets,
                                             const uint32_t* pattern,
                                             uint32_t npattern);
#endif

}  // namespace zel::ZEL_BUILD
