// Matrix rows back to polynomials, and the division of new polynomials by
// the common power of the homogenising variable.
//
// A row's term at offset i from its leading column has rank R - i in the
// step's code table (R = ncols - lead, the rank of its leading monomial);
// map entry k of the table names the slot of the monomial of rank k, so the
// terms come out in decreasing monomial order.  The polynomial takes the
// row's serial number (no new one is drawn), its header words (input mark,
// row mark) and its to_reduce as flag word.
#pragma once

#include <cstdint>

#include "engine/f4/row_code.hpp"
#include "engine/mono/code_table.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Polynomials that renorm_poly found divisible by the homogenising variable
// but left alone; the F4 step resets it before it passes its new
// polynomials through renorm_poly.
extern uint32_t nb_of_renormed;
// 0: renorm_poly only counts; non-zero: it divides.
extern uint32_t want_automatique;

// When every term of p is divisible by a power of the homogenising variable
// (variable nb_of_affine_variables), counts p (want_automatique = 0) or
// divides that power out of every term (fresh pool monomials with their
// hashes; the old ones are left as they are).
void renorm_poly(Dpol* p);

// A new polynomial (current zone) from a row in the gap code; R = ncols - lead.
Dpol* ZEL_C(clone_lzw_ALGO_Dpol)(const CodedRow* row, const Base_Exposants* codes, uint32_t R);

// The same in two halves, so that an elimination may collect a row's lanes
// straight into the polynomial it becomes: the record (current zone) for a
// row of m terms, its monomials and coefficients unset; then its monomials
// from the row's code and its lanes from the row's, where these are not
// already the record's own (the row's term count must be m).
Dpol* ZEL_C(row_record_Dpol)(const CodedRow* row, uint32_t m);
Dpol* ZEL_C(fill_lzw_ALGO_Dpol)(Dpol* p, const CodedRow* row, const Base_Exposants* codes,
                                uint32_t R);

// A new polynomial from a row whose lane k holds `width` coefficients densely
// (entry i for column lead + i): the positions where lane 0 (or, with two
// lanes or more, lane 0 or lane 1) is non-zero.  Lanes that disagree on a
// zero are fatal.
Dpol* ZEL_C(clone_ALGO_Dpol)(const CodedRow* row, const Base_Exposants* codes, uint32_t R);

// Hooks of the elimination: mark_useless does nothing, is_useful returns 1.
inline void ZEL_C(mark_useless)(uint32_t /*flag*/, uint32_t /*serial*/) {}
inline uint32_t ZEL_C(is_useful)() { return 1; }

}  // namespace zel::ZEL_BUILD
