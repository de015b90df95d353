// Orderings of polynomial arrays, homogenisation of input monomials, the
// term sort of one polynomial and small searches over polynomial arrays.
//
// The array sorts are Shell sorts (gaps n/2, n/4 .. 1) that never swap equal
// elements: ties are common (equal leading monomials in the reducer table,
// equal degrees) and their final order is part of the result, since the
// reducer search tries reducers in table order.
#pragma once

#include <cstdint>

#include "engine/mono/expos_words.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Sorts by leading monomial, largest first, comparing exponent vectors
// lexicographically with variable 0 most significant (not the monomial
// order).  This is the order of the reducer table.
void resort_Dpol(Dpol** v, int32_t n);

// Sorts by total degree of the leading monomial (homogenising variable
// included), smallest first.
void sort_totaldeg_Dpol(Dpol** v, int32_t n);

// Sorts p's terms by comp5_Expos, largest first, moving each term's
// coefficient in every lane with its monomial.  Monomials in header form.
void force_sort_Dpol(Dpol* p);

// Homogenises input monomials (word form; null entries skipped): each gets
// the largest total degree D among them by raising its homogenising exponent.
// Hashes are not touched.  Fatal, before anything changes, when an exponent
// would pass 32767.
void renormalize_input(ExposW** monomials, uint32_t n);

// The first G[i], in array order, whose leading monomial divides m; null when
// none does.
Dpol* is_reducible_by_G(const ExposW* m, Dpol* const* G, uint32_t n);

// Shortens p to the leading run of terms that share its leading monomial's
// exponents on the first block of variables, and returns p; null (p
// untouched) when the first block is empty, p has no term or one, or its
// leading monomial has no first-block variable; null too when that run is the
// leading term alone (p then keeps one term).
Dpol* coeff_Dpol(Dpol* p);


}  // namespace zel::ZEL_BUILD
