// The matrix of multiplication by the last variable on the normal set of a
// zero-dimensional reduced basis (degree order), solved by the sparse FGLM:
// the minimal polynomial of the last variable and, for each other variable
// x_j, x_j + R_j(x_last).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/driver/affine_monomials.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"
#include "sparse/univariate_modp.hpp"

namespace zel::ZEL_BUILD {

// A polynomial of a reduced, monic basis as the change of order reads it:
// its monomials, the leading one first, and per lane its coefficients
// (residues modulo that lane's prime).  The engine and the server side both
// hand their bases over in this form.
struct BasisPoly {
  uint32_t nvars = 0;
  std::vector<uint32_t> exps;               // term t: exps[t * nvars .. (t + 1) * nvars)
  std::vector<std::vector<uint32_t>> coef;  // coef[lane][term], unless lane_view is set
  // Or the lanes where they already are (the engine's polynomials of the
  // integer build, which outlive this record): lane_view[lane][term].
  std::vector<const uint32_t*> lane_view;

  size_t size() const { return nvars == 0 ? 0 : exps.size() / nvars; }
  uint32_t coefficient(uint32_t lane, size_t t) const {
    return lane_view.empty() ? coef[lane][t] : lane_view[lane][t];
  }
  Exps term(size_t t) const {
    return Exps(exps.begin() + long(t * nvars), exps.begin() + long((t + 1) * nvars));
  }
};

// One polynomial of the shape basis: x_var + sum c_i x_last^i when var is
// not the last variable, the minimal polynomial sum c_i x_last^i when it
// is.  powers: the exponents of x_last, highest first (the union of the
// lanes' non-zero positions); coef[lane][i] belongs to powers[i].
struct ShapePoly {
  uint32_t var = 0;
  std::vector<uint32_t> powers;
  std::vector<std::vector<uint32_t>> coef;
};

struct ChangeOrderRequest {
  uint32_t n = 0;                // variables; the last one is the target
  uint32_t D = 0;                // the normal set's size, or 0: count it here
  std::vector<uint32_t> primes;  // one per lane
  int32_t minpoly_only = 0;
  int32_t sqfr = 0;
  int32_t estimate = -1;  // the sparse FGLM's degree estimate
};

// The matrix of multiplication by the last variable on the normal set of
// G, solved by the sparse FGLM on every lane's prime.  Returns, entry j for
// variable j, x_j + R_j(x_last) for every variable x_j < x_last (R_j = 0:
// x_j alone), then the minimal polynomial; minpoly_only: the minimal
// polynomial alone.  A variable outside the normal set is a leading
// monomial, of a linear basis polynomial in a reduced basis for the degree
// order, and gets R_j from the others.
// A product x_last * b that is neither in the normal set nor a leading
// monomial gets its normal form, built from the basis on each prime.
// Every answer of the sparse FGLM's random projections is checked exactly
// before it is returned, on every lane: certified from the sequences the
// run computed when they have full linear complexity (see
// sequence_certificate.hpp), else on the matrix (see mult_map.hpp);
// minpoly_only and sqfr ask for the minimal polynomial alone and for
// square-free parts.  Failures (not zero-dimensional, no normal set of D
// monomials, a basis that is not reduced, no parametrisation by x_last,
// lanes that disagree, answers that could not be confirmed) are fatal.
std::vector<ShapePoly> change_order_by_matrix(const std::vector<BasisPoly>& G,
                                              const ChangeOrderRequest& request);

// A polynomial on the normal set: its monomials, highest first in the
// engine's order, and per lane their residues (coef[lane][term]; no
// monomial whose residue is 0 on every lane).
struct NormalSetPoly {
  std::vector<Exps> monomials;
  std::vector<std::vector<uint32_t>> coef;
};

// The normal form modulo G of f(x_last), f[l] its coefficients on lane l
// (lowest degree first, residues modulo primes[l]): the matrix of
// multiplication by x_last applied to 1 by Horner's rule, on each lane.
// The matrix is built as the change of order builds it, so its dense rows
// take the normal forms of the products they need once, and every step
// after that is a product by the matrix.  G must be a Groebner basis for
// the engine's order, zero-dimensional with a non-empty normal set,
// reduced, monic on every lane and with its terms in decreasing order;
// nothing otherwise (the caller reduces term by term).
std::optional<NormalSetPoly> last_variable_normal_form(const std::vector<BasisPoly>& G, uint32_t n,
                                                       const std::vector<ModPoly>& f,
                                                       const std::vector<uint32_t>& primes);

// The engine polynomials G[0 .. nb-1] in that form, every lane (viewed
// where they are when the lanes hold 32-bit residues: G must outlive it).
std::vector<BasisPoly> basis_of(Dpol* const* G, uint32_t nb);
// The shape polynomials as engine polynomials (fresh monomials, every lane)
// into result; returns their number.
uint32_t shape_to_dpols(const std::vector<ShapePoly>& shape, Dpol** result);

// The basis G[0 .. nb-1] (monic, leading monomial first; re-sorted here by
// degree) with a normal set of D monomials: change_order_by_matrix on the
// engine's primes, the results written into result as engine polynomials;
// returns their number (0 for nb = 0).
uint32_t build_last_matrix(Dpol** G, uint32_t nb, Dpol** result, uint32_t D,
                           int32_t minpoly_only = 0, int32_t sqfr = 0);

// Reads a dumped multiplication matrix (see the file layout in
// mult_matrix.cpp) and prints the minimal polynomial of the last variable
// modulo the first prime.  Every count and column is checked; a short or
// inconsistent file is fatal.  Returns 0.
int32_t rebuild_matrix(const char* file_name);

// Writes the sparse form of a multiplication matrix to a fresh file
// "/tmp/fmat<k>" (created exclusively, never through an existing name or
// link); returns the name used.  Rows: per row its (value, column) entries,
// values residues of the build's width.
struct DumpRow {
  std::vector<Dom> values;
  std::vector<uint32_t> columns;
};
std::string dump_matrix(const std::vector<DumpRow>& rows, uint32_t modulus);

// The matrix of multiplication by the last variable on the normal set of
// G, modulo the first lane's prime, written by dump_matrix; returns the
// file name.
std::string dump_last_matrix(const std::vector<BasisPoly>& G, uint32_t n, uint32_t prime);

}  // namespace zel::ZEL_BUILD
