// Tests and rewrites on the monomial array of a polynomial.
//
// The arrays hold header-form monomials; a null entry is a missing monomial
// and is skipped.
#pragma once

#include <cstdint>

#include "engine/mono/expos_words.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct Dpol;

// Homogenises in place: every non-null monomial gets total degree D, the
// largest total degree among them, by raising its homogenising exponent
// (field n).  Returns D.  Fatal, before anything is changed, when some
// homogenising exponent would exceed 32767.
uint32_t homogenous_Dpol(uint32_t count, Expos** monomials);

// 1 when no monomial has a non-zero exponent in fields 0 .. k-1.
int is_eliminated(uint32_t count, Expos* const* monomials, uint32_t k);

// 1 when the leading monomial of some G[i] (i < count), its homogenising
// exponent taken as 0, divides the leading monomial of f (monomials_of_f[0]).
// Nothing is written.
int is_reducible(Expos* const* monomials_of_f, Dpol* const* G, uint32_t count);

// 0 when the leading monomial has positive exponents on two or more variables
// of the first block; otherwise 1 when its exponent of variable i is non-zero.
int is_pure_power_i(Expos* const* monomials, uint32_t i);

}  // namespace zel::ZEL_BUILD
