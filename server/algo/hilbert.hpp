// The Hilbert-series package: the numerator of the Hilbert series of the
// ideal of leading monomials of a basis (any dimension).
//
// The generators of that monomial ideal are staircase elements (`cogen`,
// word = total degree); the numerator is a list of `univarpoly` terms led by
// a head term whose fields mean nothing, then one term per non-zero
// coefficient by increasing degree.  The caller releases the numerator with
// Orv_int_kill_all_Hilb_Poly / Orv_kill_all_Hilb_Poly; the staircase
// elements never leave the computation.
#pragma once

#include <cstdint>
#include <vector>

#include "server/poly/algo_records.hpp"

namespace orv::ORV_BUILD {

#ifdef ZEL_VARIANT_INT
using HilbertBasis = List_DMP__BigDexp__VGF;
#else
using HilbertBasis = List_DMP__DRLDRL__GFC;
#endif

// The numerator for the leading monomials of the list's polynomials
// (numbered or plain; zero polynomials are skipped), in the variables
// declared to the build's degree-ordered pairing.
univarpoly* ORV_C(start_Hilbert)(HilbertBasis basis);

// The same from monomials given as rows of nvars() 16-bit exponents.
univarpoly* hilbert_of_monomials(const std::vector<std::vector<uint16_t>>& monomials);

// The coefficients of a numerator list, index = degree.
std::vector<int64_t> numerator_coefficients(const univarpoly* numerator);

}  // namespace orv::ORV_BUILD
