#include <algorithm>
#include <vector>

#include "sparse/descriptor.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/modarith.hpp"
#include "sparse/recurrence.hpp"
#include "sparse/shifted_combination.hpp"
#include "sparse/univariate.hpp"

namespace zel::ZEL_BUILD {

void SOLVE(Dom* OUT, int32_t* dOUT, Dom* A, Dom* B, int32_t dB, Dom* S2, int32_t d) {
  const uint32_t p = current_prime();
  const int32_t D = d + 1;
  const Dom inv = INV_2args(A[0], p);
  std::vector<Dom> W1(D, 0), W2(D, 0);
  int32_t dW1, dW2, dW;

  const int32_t dT = reverse(S2, d);
  const int32_t dArev = reverse(A, D);
  mul_tronquer(W1.data(), &dW1, A, dArev, S2, dT, D);
  mul_tronquer(W2.data(), &dW2, B, dB, S2, dT, D);
  const int32_t dA = reverse(A, D);
  dW2 = reverse(W2.data(), d);
  mul_tronquer(OUT, dOUT, W2.data(), dW2, A, dA, D);
  const int32_t dBrev = reverse(B, D);
  dW1 = reverse(W1.data(), d);
  mul_tronquer(W2.data(), &dW, W1.data(), dW1, B, dBrev, D);
  reverse(B, D);

  // mul_tronquer wrote all D entries of both, zeros above their degrees.
  for (int32_t i = 0; i < D; ++i) OUT[i] = MUL(SUB(OUT[i], W2[i], p), inv, p);
  *dOUT = true_degree(OUT, D - 1);
}

SolveMatrix::SolveMatrix(const Dom* A, const Dom* B, int32_t dB, int32_t d, int32_t solves,
                         const std::vector<Dom>* made)
    : d_(d), dB_(dB), A_(A, A + d + 2), B_(B, B + d + 2) {
  const uint32_t p = current_prime();
  const int32_t D = d + 1;
  // A[0] = 0 leaves SOLVE to say so on every solve.
  if (A[0] % p == 0) return;
  if (made != nullptr && made->size() == size_t(D) * D) {
    G_ = made->data();
    return;
  }
  if (solves < 3 || D > kSolveMatrixLimit) return;
  const Dom inv = INV_2args(A[0], p);
  // Row i adds A[0]^-1 (A[i] B[k] - B[D-i] A[D-k]) to the row before, moved.
  std::vector<Dom> b(B, B + D), a_reversed(D);
  for (int32_t k = 0; k < D; ++k) a_reversed[k] = A[D - k];
  own_.assign(size_t(D) * D, 0);
  for (int32_t i = 0; i < D; ++i) {
    Dom* row = own_.data() + size_t(i) * D;
    if (i > 0) std::copy(row - D, row - 1, row + 1);
    add_scaled(row, b.data(), size_t(D), MUL(inv, A[i], p), p);
    add_scaled(row, a_reversed.data(), size_t(D), NEG(MUL(inv, B[D - i], p), p), p);
  }
  G_ = own_.data();
}

void SolveMatrix::solve(Dom* OUT, int32_t* dOUT, const Dom* S2) const {
  const int32_t D = d_ + 1;
  if (G_ == nullptr) {
    std::vector<Dom> A = A_, B = B_, S(S2, S2 + D);
    SOLVE(OUT, dOUT, A.data(), B.data(), dB_, S.data(), d_);
    return;
  }
  const uint32_t p = current_prime();
#ifdef ZEL_VARIANT_INT
  dot_products_u32(G_, D, uint32_t(D), S2, uint32_t(D), p, OUT);
#else
  for (int32_t i = 0; i < D; ++i)
    OUT[i] = dot_product_dense(G_ + size_t(i) * D, S2, uint32_t(D), p);
#endif
  *dOUT = true_degree(OUT, D - 1);
}

void SolveMatrix::solve_all(const std::vector<Dom*>& OUT, int32_t* dOUT,
                            const std::vector<const Dom*>& S2) const {
  const int32_t D = d_ + 1;
  dot_products_of_vectors(G_, uint32_t(D), uint32_t(D), S2, current_prime(), OUT);
  for (size_t v = 0; v < OUT.size(); ++v) dOUT[v] = true_degree(OUT[v], D - 1);
}

}  // namespace zel::ZEL_BUILD
