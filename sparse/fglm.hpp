// The sparse FGLM driver and the scalar Wiedemann method on the matrix held
// by the descriptor, with their small helpers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "sparse/descriptor.hpp"

namespace zel::ZEL_BUILD {

// Gives back the buffers the driver keeps between runs on the calling
// thread (the engine runs it on the caller's thread only).
void release_fglm_buffers();

// One run of the sparse FGLM.  Returns the degree of the minimal polynomial
// (0 in block-session mode), or -1 when the Pade step found no polynomial:
// then nothing is printed or stored (entry nvars-1 of the degree table
// becomes -1 in store mode).
//   coords:   nvars coordinates; entry nvars-1 is read for the minimal
//             polynomial, entry j < nvars-1 for variable j (negative: none).
//   out_rows: store mode, nvars rows of D+1 residues; null in print mode.
//   degrees:  store mode, receives each stored polynomial's degree.
//   names:    print mode, the nvars variable names; null in store mode.
//   estimate: degree bound of the minimal-polynomial-only path (1..D-1,
//             else D); proc >= 1 with block size bk: session mode.
int32_t fglm_sparse(int32_t D, int32_t verbose, int32_t nvars, const int32_t* coords,
                    Dom* const* out_rows, int32_t* degrees, const char* const* names,
                    int32_t sqfr, int32_t minpoly_only, int32_t estimate, int32_t proc,
                    int32_t bk);

// Scalar Wiedemann: the minimal polynomial of u.T^i.b, i < 2D, for two random
// vectors, through apply2 (copy pairs) or apply (single-index copy rows).
// Returns its degree; out (when not null) receives its coefficients, lowest
// degree first, as 32-bit values (monic; square-free when sqfr is set).
// `verbose_form` writes the lines of the pair-form entry.
struct MinpolyOut {
  std::vector<Dom> coeffs;  // deg+1 coefficients, lowest first
  int32_t degree = -1;
};
MinpolyOut minpoly_sparse2(int32_t D, int32_t sqfr);
MinpolyOut minpoly_sparse(int32_t D);

// x[i] := random() mod p for i < D (the rest of x is left alone).
void choose_random(Coord* x, int32_t D);
void choose_random_unsigned(Dom* x, int32_t D);

// Writes P (count n coefficients, highest exponent first) on the standard
// output in the printed-answer format, the variable being w_lvars or "x".
void display_poly(const Dom* P, int32_t n);

// One line of the block-session file: "[" the count residues of v (the
// session's projection of one Krylov vector) separated by ",", "]\n".
void write_session(FILE* f, const uint32_t* v, int32_t count);

}  // namespace zel::ZEL_BUILD
