#include <vector>

#include "sparse/descriptor.hpp"
#include "sparse/modarith.hpp"
#include "sparse/recurrence.hpp"
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

}  // namespace zel::ZEL_BUILD
