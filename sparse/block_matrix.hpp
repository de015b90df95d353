// Small square matrices of residues for the block-Hankel combination: bk x bk
// blocks (bk the number of processes of a block session), row-major, entry
// (i, j) at i*bk + j.  The caller owns every matrix; no operation keeps one.
//
// Prime-field build: signed residues in [-(p-1)/2, (p-1)/2], p read through
// `modulo` (Zel_init_BlockHankel points it at the session's prime); every
// operation takes its inputs in that range and leaves its results in it.
// Integer build: residues in [0, p); only the product and the entry inverse
// work there, the rest ends the process with status 5 (operation not
// provided) as the block method is the prime-field build's.
#pragma once

#include <cstdint>

#include "sparse/descriptor.hpp"

namespace zel::ZEL_BUILD {

using MatEntry = Coord;

// R := A.B; R distinct from A and B.
void mult_MatDom1s(const MatEntry* A, const MatEntry* B, MatEntry* R, int32_t bk);
// R := A + B entry by entry; R may be A or B.
void add_MatDom1(const MatEntry* A, const MatEntry* B, MatEntry* R, int32_t bk);
// B := A + B.
void add_MatDom1_d(const MatEntry* A, MatEntry* B, int32_t bk);
// M := -M.
void neg_MatDom1(MatEntry* M, int32_t bk);
// M := I.
void identity_MatDom1(MatEntry* M, int32_t bk);

// a^-1 mod p for a in [0, p), in [0, p).  Zero has no inverse: the message
// "Le facteur 0 -> p a ete trouve !" is written and 0 returned.
Dom inv_Dom1(Dom a, uint32_t p);
// The inverse of a residue given in the signed representation (any value is
// reduced first), in the build's representation.
int32_t inv_Dom1s(int32_t a, uint32_t p);

// B := A^-1 (A unchanged, B distinct from A), by Gauss-Jordan elimination
// that exchanges rows as long as a zero pivot has rows below it.  A singular
// A ends the process with status 4: "Singular matrix: 1st column is 0!"
// (bk < 1, or column 0 is zero) or "Singular matrix" (no pivot left in a
// later column).  Each exchange writes "Swap row %d and %d" on stderr.
void inv_MatDom1s(const MatEntry* A, MatEntry* B, int32_t bk);

// Prints M on the standard output: [[1,-2],[3,4]]: and a newline.
void display_MatDom1(const MatEntry* M, int32_t bk);

// Integer build: the entry conversion its inverse lacks; writes
// "NYA coerce_Dom1 in blockhankel" and ends the process with status 5.
[[noreturn]] void coerce_Dom1();

}  // namespace zel::ZEL_BUILD
