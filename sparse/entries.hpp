// The exported entries of the sparse change of order, and where store mode
// leaves its results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "engine/variant.hpp"
#include "sparse/descriptor.hpp"
#include "sparse/univariate_modp.hpp"

namespace zel::ZEL_BUILD {

// The dense rows as the FGLM entry receives them: a table of aligned rows of
// symmetric residues (prime-field build), one contiguous block of residues
// in [0, p) (integer build).
using FglmRowsArg = std::conditional_t<kIntegerBuild, uint32_t*, int16_t**>;
// Contiguous rows of residues in [0, p), the scalar Wiedemann entries' form.
using PlainRowsArg = std::conditional_t<kIntegerBuild, uint32_t*, uint16_t*>;

// Store-mode results of the last run of the FGLM entry: one row of D+1
// residues per variable (polynomial in the last variable, lowest degree
// first; the degrees go to the caller's table).  Kept until the next run.
struct FglmResults {
  int32_t nvars = 0, width = 0;
  std::vector<Dom> coeffs;
  const Dom* row(int32_t j) const { return coeffs.data() + static_cast<size_t>(j) * width; }
  // The sequences the answers were read from, so that the caller can
  // certify them: sequence[i] is the coordinate of the monomial 1 after i
  // products (every term computed); variable_sequences[j] that of variable
  // j's coordinate after 0 .. D products (full path only; empty for a
  // variable without a coordinate).
  std::vector<Dom> sequence;
  std::vector<std::vector<Dom>> variable_sequences;
  // least_generator(sequence, 2D) when the full path computed it (empty
  // otherwise), for the certificate.
  ModPoly generator;
};
const FglmResults& last_fglm_results();
// Store mode: the sequences of the run, kept with its results.
void keep_fglm_sequences(std::vector<Dom> sequence,
                         std::vector<std::vector<Dom>> variable_sequences,
                         ModPoly generator = {});

}  // namespace zel::ZEL_BUILD

// Runs the sparse FGLM on the matrix T of multiplication by the last
// variable (see fglm.hpp for the meaning of the arguments).  Returns the
// degree of the minimal polynomial, 0 in session mode, or -1 when no
// minimal polynomial was found (nothing printed or stored).
ZEL_EXPORT int32_t ZEL_C(w_fglm)(int32_t D, int32_t* sparse, int32_t* nosp, int32_t nvars,
                                 int32_t* coords, zel::ZEL_BUILD::FglmRowsArg rows,
                                 int32_t version, int32_t* degrees, uint32_t* prime,
                                 int32_t verbose, int32_t print, char** names, int32_t sqfr,
                                 int32_t minpoly_only, int32_t estimate, int32_t proc,
                                 int32_t bk);

// Scalar Wiedemann on T given by copy pairs and contiguous dense rows; the
// minimal polynomial (lowest degree first, 32-bit values) overwrites the
// start of the dense rows.  Returns its degree, or -1 when it does not fit.
ZEL_EXPORT int32_t ZEL_C(w_minpoly2)(uint32_t* prime, int32_t D, int32_t* sparse, int32_t* nosp,
                                     zel::ZEL_BUILD::PlainRowsArg rows, int32_t sqfr);

// The same with copy rows in single-index form (y[i] = x[i+1]) and the prime
// given by value; prime-field build only: the integer build's entry does
// nothing and returns 0.
ZEL_EXPORT int32_t ZEL_C(w_minpoly)(uint32_t p, int32_t D, int32_t* shifts, int32_t* nosp,
                                    zel::ZEL_BUILD::PlainRowsArg rows);
