// Polynomials between the engine and the server side.  The engine hands
// over its monomials as they are (a 64-bit header word, then one 16-bit
// exponent field per variable) with their coefficients lane by lane; the
// server builds its own polynomials from them, and writes its
// lexicographic results back the same way.
//
// Integer build: bases over BigDexp x VGF (one VGF residue per engine lane),
// results over BigLexp x VGF.  Prime-field build: bases over DRLDRL x GFC
// (one block, 8-bit exponents), results over BigLexp x GFC.
#pragma once

#include <cstdint>

#include "server/base/orv_variant.hpp"
#include "server/poly/dmp_names.hpp"

namespace orv::ORV_BUILD {

#ifdef ZEL_VARIANT_INT
using ServerBasisList = sList_DMP__BigDexp__VGF;
using ServerLexList = sList_DMP__BigLexp__VGF;
using ServerLex = DmpNode<ExpBigLexp, CoefVGF>;
#else
using sDMP__BigLexp__GFC = DmpNode<ExpBigLexp, CoefGFC>;
using sList_DMP__BigLexp__GFC = DmpList<ExpBigLexp, CoefGFC>;
using ServerBasisList = sList_DMP__DRLDRL__GFC;
using ServerLexList = sList_DMP__BigLexp__GFC;
using ServerLex = sDMP__BigLexp__GFC;
#endif

// The lexicographic polynomial x_var + sum coef[i] x_last^powers[i] (or,
// when var is the last variable, the univariate sum alone), powers
// decreasing; coefs[i] points at its per-lane residues.  In front of list.
ServerLexList* cons_shape_polynomial(ServerLexList* list, uint32_t var, const uint32_t* powers,
                                     const uint32_t* const* coefs, uint32_t terms);

}  // namespace orv::ORV_BUILD

#ifdef ZEL_VARIANT_INT
// Declares n variables (the first block's length b) to the server's
// polynomial packages; returns 1.
ORV_EXPORT uint32_t Orv_set_vars_VGF(uint32_t n, uint32_t b);
// Residues modulo primes[0 .. lanes-1], one per engine lane.
ORV_EXPORT void Orv_set_Coeffs_VGF(uint32_t lanes, const uint32_t* primes);
// A polynomial of t terms: monomials[i] is an engine monomial, lane k's
// coefficient of term i is coefs[k][i].  Equal monomials are added, zero
// terms dropped.  Returns the list with the polynomial in front.
ORV_EXPORT orv::int_build::ServerBasisList* Orv_receive_Poly_multi_VGF(
    orv::int_build::ServerBasisList* list, const uint64_t* const* monomials,
    const uint32_t* const* coefs, uint32_t t, uint32_t lanes);
// Writes the first t terms of the list's first polynomial (exponents into
// the fields after each monomial's header word, coefficients lane by lane),
// releases that polynomial and returns the rest of the list.
ORV_EXPORT orv::int_build::ServerLexList* Orv_send_Poly_multi_lex_VGF(
    orv::int_build::ServerLexList* list, uint64_t* const* monomials, uint32_t* const* coefs,
    uint32_t t, uint32_t lanes);
// The number of terms of the list's first polynomial (0 for an empty list).
ORV_EXPORT uint32_t Orv_size_Poly_VGF(const orv::int_build::ServerLexList* list);
#else
ORV_EXPORT uint32_t Orv_set_vars_GFC(uint32_t n, uint32_t b);
// The modulus primes[0]; the prime-field side has one lane.
ORV_EXPORT void Orv_set_Coeffs_GFC(uint32_t lanes, const uint32_t* primes);
ORV_EXPORT orv::fp_build::ServerBasisList* Orv_receive_Poly_GFC(
    orv::fp_build::ServerBasisList* list, const uint64_t* const* monomials, const uint32_t* coefs,
    uint32_t t);
ORV_EXPORT orv::fp_build::ServerLexList* Orv_send_Poly_lex_GFC(orv::fp_build::ServerLexList* list,
                                                               uint64_t* const* monomials,
                                                               uint32_t* coefs, uint32_t t);
ORV_EXPORT uint32_t Orv_size_Poly_GFC(const orv::fp_build::ServerLexList* list);
#endif
