// The matrix of multiplication by the last variable on the normal set of a
// zero-dimensional reduced basis (degree order), solved by the sparse FGLM:
// the minimal polynomial of the last variable and, for each other variable
// x_j in the normal set, x_j + R_j(x_last).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// The basis G[0 .. nb-1] (monic, leading monomial first; re-sorted here by
// degree) with a normal set of D monomials.  Writes into result, in variable
// order, x_j + R_j(x_last) for every variable x_j < x_last whose monomial is
// in the normal set, then the minimal polynomial; returns their number (0
// for nb = 0).  A variable outside the normal set (x_j is a leading
// monomial) gets no polynomial, and a line says so.  Every lane of the prime
// vector is solved on its own prime; the result terms are the union of the
// lanes' non-zero positions.  minpoly_only: the minimal polynomial alone.
// A product x_last * b that is neither in the normal set nor a leading
// monomial gets its normal form, built from the basis on each prime.
// Failures (no normal set of D monomials, a basis that is not reduced, no
// minimal polynomial, lanes that disagree) are fatal.
uint32_t build_last_matrix(Dpol** G, uint32_t nb, Dpol** result, uint32_t D,
                           int32_t minpoly_only = 0, int32_t sqfr = 0);

// Reads a dumped multiplication matrix (see the file layout in
// mult_matrix.cpp) and prints the minimal polynomial of the last variable
// modulo the first prime.  Every count and column is checked; a short or
// inconsistent file is fatal.  Returns 0.
int32_t rebuild_matrix(const char* file_name);

// Writes the sparse form of a multiplication matrix to a fresh file
// "/tmp/fmat<k>" (created exclusively, never through an existing name or
// link); returns the name used.  Rows: per row its (value, column) entries.
struct DumpRow {
  std::vector<uint16_t> values;
  std::vector<uint32_t> columns;
};
std::string dump_matrix(const std::vector<DumpRow>& rows, uint32_t modulus);

}  // namespace zel::ZEL_BUILD
