// The bridge through which the engine uses the server algorithms: the
// staircase and the zero-dimension test of a basis, normal forms and the
// Hilbert series.  It takes the engine's polynomials (affine exponents of
// the caller's variables; every coefficient lane modulo its own prime) and
// hands normal forms and Hilbert numerators to the server side when its
// polynomials hold them exactly (see README.md), computing them on the
// engine's side otherwise.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/driver/affine_monomials.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// 1 when every variable has a pure power among the leading monomials of
// basis[0 .. n-1] (or a leading monomial is 1), else 0.
uint32_t is_zerodim(Dpol* const* basis, uint32_t n);

// The monomials under the staircase of the leading monomials (the normal
// set); prints "Found dimension: %d\n".  A basis that is not
// zero-dimensional is fatal, with the first variable lacking a pure power.
std::vector<Exps> staircase(Dpol* const* basis, uint32_t nb, uint32_t* D);

// The multiply-adds (one per lane and reducer term) of the normal forms
// taken term by term on the engine's side since the process started: a
// count of their work that, unlike a clock, gives the same figure on every
// run.
extern uint64_t term_reduction_products;

// For each of the n polynomials: out[2k] = 1 (the multiplier) and out[2k+1]
// its normal form modulo basis[0 .. nb-1] (taken as a Groebner basis for the
// engine's order; no terms for 0).  With univariate = 1 each polynomial is
// first divided exactly by every divisor (fatal when one does not divide
// it), printing its degree before and after.  Divisors without that flag
// are refused.  Returns 2n.
uint32_t lib_normalForm(Dpol* const* polys, uint32_t n, Dpol* const* basis, uint32_t nb,
                        Dpol* const* divisors, uint32_t ndiv, uint32_t univariate, Dpol** out);

// The numerator of the Hilbert series of the monomial ideal of the given
// leading monomials, in n variables: coefficient of t^k at index k.
std::vector<int64_t> hilbert_numerator(std::vector<Exps> gens, uint32_t n);

// The numerator for the leading monomials of base[0 .. nb-1] (first terms),
// stored in result[0] as one polynomial, highest degree first, each term's
// monomial carrying its degree in the first exponent field.  Returns 1.
uint32_t lib_hilbert_compute(void* const* base, uint32_t nb, void** result);

// Gives back the server pools' blocks that no record in use lies in (the
// solving modes' copies of a basis); the memory reset calls it.
void release_server_memory();

}  // namespace zel::ZEL_BUILD
