// The multiplication by the last variable t on the quotient algebra A, as a
// map of normal-form vectors modulo one prime, and what it settles exactly
// about the sparse FGLM's answers, which come from random projections and
// may lose factors (with probability about D/p, so often for small p):
//   f(t) lies in the ideal  <=>  f(M) sends the vector of 1 to zero;
//   x_j + R_j(t) lies in it <=>  R_j(M) 1 + NF(x_j) = 0.
// The dense fallback finds both without projections, by eliminating the
// Krylov vectors 1, M 1, M^2 1, ... (cubic in D).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/variant.hpp"
#include "sparse/aligned.hpp"
#include "sparse/descriptor.hpp"
#include "sparse/univariate_modp.hpp"

namespace zel::ZEL_BUILD {

using NfVector = std::vector<uint32_t>;  // D residues, one per normal-set column

// Rows as the change of order builds them: row c holds the normal form of
// t * b_c (b_c the monomial of column c), either a single 1 (a copy row) or
// dense residues; dense_count of the latter.  Kept transposed, so that each
// coordinate of t * v is one dot product with the sparse layer's kernel.
class MultiplicationMap {
 public:
  MultiplicationMap(uint32_t D, uint64_t p, uint32_t one_column, uint32_t dense_count);
  void add_copy_row(uint32_t row, uint32_t column) { copy_from_[column] = int64_t(row); }
  // Dense rows in order, at most dense_count of them; entries in [0, p).
  void add_dense_row(uint32_t row, const std::vector<uint32_t>& entries);

  uint32_t size() const { return D_; }
  uint64_t prime() const { return p_; }
  // The vector of the element 1.
  NfVector one() const;
  // The vector of t * v.
  NfVector times_t(const NfVector& v) const;

 private:
  uint32_t D_;
  uint64_t p_;
  uint32_t one_;
  uint32_t width_;                  // dense_count rounded up to the kernels' width
  std::vector<int64_t> copy_from_;  // per column: the copy row landing there, or -1
  std::vector<uint32_t> dense_rows_;
  // Column k's entries of the dense rows at k * width_, in the kernels'
  // form (symmetric residues in the prime-field build).
  sparse_detail::AlignedBuf<Coord> columns_;
};

bool is_zero(const NfVector& v);

// For every k: the normal form of f[k](t) + element k, element k given by
// its normal form plus[k] (none, or an empty vector: 0); coefficients of
// f[k] in [0, p).  One pass over the Krylov vectors 1, t, t^2, ... serves
// every k.
std::vector<NfVector> normal_forms_at_t(const MultiplicationMap& M, const std::vector<ModPoly>& f,
                                        const std::vector<NfVector>& plus = {});

// For every k: f[k](t) + element k lies in the ideal (its normal form above
// is zero).
bool in_ideal(const MultiplicationMap& M, const std::vector<ModPoly>& f,
              const std::vector<NfVector>& plus = {});

// The dense fallback: the minimal polynomial of t (monic), and for each
// target the polynomial Q of degree below it with Q(t) = the target, or
// nothing when the target is not a polynomial in t.
struct KrylovAnswer {
  ModPoly minpoly;
  std::vector<std::optional<ModPoly>> in_t;
};
KrylovAnswer krylov_solve(const MultiplicationMap& M, const std::vector<NfVector>& targets);

}  // namespace zel::ZEL_BUILD
