// Integer build: lifting a polynomial whose coefficients share one large
// denominator before the size bound of the plain reconstruction allows it.
//
// The plain rule wants numerator and denominator each below the square root
// of the modulus, so a polynomial whose coefficients are n_j / d over one
// denominator d of B bits waits for a modulus of about 2B bits even when its
// numerators are much smaller.  Here one coefficient is reconstructed by its
// remainder sequence's largest quotient, which only needs |n| d well below
// the modulus, and every coefficient must then be a small multiple of 1/d:
// x_j d mod M within M / 2^kEarlyMarginBits of 0.  A wrong image passes each
// of these tests with probability about 2^-kEarlyMarginBits; the loop also
// checks what lifted this way against a later batch of primes.
#pragma once

#include <cstdint>

#include "engine/coef/int_arith.hpp"

namespace zel::ZEL_BUILD {

inline constexpr uint32_t kEarlyMarginBits = 96;

// slots[0..t) hold images modulo M (in the current zone).  When they lift,
// slots get the coefficients over the common denominator L of their reduced
// fractions (numerator_j * L / d_j, as primpart_upgrade leaves them), *extra
// (when given) L, and the result is 1; otherwise slots are left as they are
// and the result is 0.
int lift_over_one_denominator(INT* extra, INT* slots, uint32_t t, const INT& M);

}  // namespace zel::ZEL_BUILD
