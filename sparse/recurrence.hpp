// From linearly recurrent sequences of residues to polynomials: the
// Berlekamp-Massey algorithm, Pade approximation by the degree-bounded
// extended Euclidean algorithm, the square-free part and the parametrisation
// solve.  Polynomials follow univariate.hpp; sequences hold residues in [0, p).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/variant.hpp"
#include "sparse/univariate_modp.hpp"

namespace zel::ZEL_BUILD {

// K := the connection polynomial of s[0..N-1] (K[0] = 1; K holds N+1
// entries, all written), *dK its degree.  Returns the linear complexity L:
// the minimal polynomial of the sequence is K reversed as a polynomial of
// formal degree L (X^L K(1/X)), which keeps its factors X.
int32_t berlekamp(const Dom* s, int32_t N, Dom* K, int32_t* dK);

// The least generator (monic, lowest degree first) of s[0 .. N-1] modulo p,
// by the Berlekamp-Massey algorithm on the vector kernels; its degree is
// the linear complexity, a root 0 included.  With `last_dual` given, N = 2D
// and the generator of degree D: when the last length change came at step
// N-2, the connection polynomial C before it (degree at most D-1) had
// sum_i C_i s_(n-i) = 0 for D-1 <= n < N-2 and the discrepancy b at N-2,
// so y_k = C_(D-1-k) / b is the y with H y = e_(D-1), H = (s_(i+k)),
// i, k < D: *last_dual receives it (D entries); otherwise it is emptied.
ModPoly least_generator(const std::vector<Dom>& s, size_t N, uint64_t p,
                        std::vector<Dom>* last_dual = nullptr);

// The minimal polynomial of s[0..2d-1] (A holds d+2 entries, cleared up to
// index d+1): A monic of degree L, L the linear complexity found with
// numerators of degree below d.  Returns L, also in *dA (-1 when the
// denominator has no constant term, i.e. 2d terms were not enough).
int32_t algo_AD_part1(const Dom* s, int32_t d, Dom* A, int32_t* dA);

// The denominators of the Pade approximants with numerator degree exactly d
// of S = s[0..2d] and of the reversed series, each scaled so that its
// numerator is monic.  Returns 1 with A, B (d+2 entries each, zero above
// their degrees up to d+1) set, or 0 when a remainder of degree d does not
// exist (the degree found is left in *dA or *dB).
int32_t algo_AD(const Dom* s, int32_t d, Dom* A, int32_t* dA, Dom* B, int32_t* dB);

// algo_AD's pair read off the least generator g of s[0..2d+1] when it has
// degree D = d+1 (the caller checks): g is then the minimal polynomial of t
// on the quotient algebra, whose Hankel matrix H = (s_(i+k)), i, k <= d, is
// invertible; rev_d(A) is the element y_0 with H y_0 = e_0 and B the
// element y_d with H y_d = e_d (both unique).  With q_j = sum_m g_(m+j+1)
// t^m (the dual basis of the t^j for the form h -> [t^d](h mod g)) and
// rho = sum_j s_j q_j, the form of s is h -> [t^d](rho h mod g), so y_d =
// rho^-1 (or least_generator's last_dual, given non-empty); and t y_k =
// y_(k-1) - g_k y_d (both sides have the same products with 1, t, ...,
// t^d) walks down to y_0.  At most one Euclidean run on degree D where
// algo_AD makes two on degree 2D.  Returns 1 with A, B, *dA, *dB as
// algo_AD sets them, or 0 (rho not invertible: g was not of degree D).
// The y_k are the rows of H^-1 (symmetric); when `rows` is given it
// receives them from y_d down to y_0, D x D: SOLVE's map for this pair
// (see SolveMatrix).
int32_t pade_pair_from_generator(const Dom* s, const ModPoly& g, const std::vector<Dom>& last_dual,
                                 int32_t d, Dom* A, int32_t* dA, Dom* B, int32_t* dB,
                                 std::vector<Dom>* rows = nullptr);

// P := a constant multiple of P / gcd(P, P'); returns its degree.
int32_t new_sqr_free(Dom* P, int32_t d);

// P := its monic square-free part; returns the degree and sets *flag to 1
// when it differs from d (never clears it).
int32_t sqr_free(Dom* P, int32_t d, int32_t* flag);

// The parametrisation solve: with D = d+1,
//   OUT = A[0]^-1 (rev_d(B T mod X^D) A - rev_d(rev_D(A) T mod X^D) rev_D(B)) mod X^D
// where T = rev_d(S2).  OUT holds D entries, *dOUT its degree.  A and B hold
// D+1 entries, zero above their degrees, and are unchanged on return; S2
// (D entries) is reversed in place.
void SOLVE(Dom* OUT, int32_t* dOUT, Dom* A, Dom* B, int32_t dB, Dom* S2, int32_t d);

// SOLVE for one pair A, B and several S2.  Its map S2 -> OUT is the matrix
//   G[i][k] = A[0]^-1 sum_{m <= min(i,k)} (A[i-m] B[k-m] - B[D-i+m] A[D-k+m]),
// (the four truncated products are triangular Toeplitz matrices), made
// once row by row: row i is row i-1 one place on plus two scaled vectors.
// Each solve is then one dot product a coefficient, D^2 products where
// SOLVE takes 2 D^2.  Fewer than three solves, a matrix too large to pay or
// A[0] = 0 go through SOLVE itself.
// Past this order the matrix (D^2 residues) is not made.
inline constexpr int32_t kSolveMatrixLimit = 2048;

class SolveMatrix {
 public:
  // A and B as SOLVE reads them (D+1 entries, zero above their degrees),
  // copied; `solves` the number of solves to come; `made` the matrix when
  // pade_pair_from_generator made it (read, not copied: it must outlive
  // this), or null.
  SolveMatrix(const Dom* A, const Dom* B, int32_t dB, int32_t d, int32_t solves,
              const std::vector<Dom>* made = nullptr);
  SolveMatrix(const SolveMatrix&) = delete;
  SolveMatrix& operator=(const SolveMatrix&) = delete;
  // SOLVE(OUT, dOUT, A, B, dB, S2, d) with S2 left as it is.
  void solve(Dom* OUT, int32_t* dOUT, const Dom* S2) const;
  // Whether the matrix is there: then the solves of several S2 read it
  // once (solve_all), and none writes a message.
  bool has_matrix() const { return G_ != nullptr; }
  // solve(OUT[v], &dOUT[v], S2[v]) for every v, with the matrix.
  void solve_all(const std::vector<Dom*>& OUT, int32_t* dOUT, const std::vector<const Dom*>& S2) const;

 private:
  int32_t d_, dB_;
  std::vector<Dom> A_, B_;  // for SOLVE itself
  std::vector<Dom> own_;    // the matrix when made here
  const Dom* G_ = nullptr;  // D x D by rows; null: SOLVE itself
};

}  // namespace zel::ZEL_BUILD
