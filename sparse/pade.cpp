#include <algorithm>
#include <vector>

#include "sparse/descriptor.hpp"
#include "sparse/modarith.hpp"
#include "sparse/recurrence.hpp"
#include "sparse/univariate.hpp"

namespace zel::ZEL_BUILD {

namespace {

// egcd(X^n, s[0..n-1] in the order given, bound k): on return R holds the
// remainder and V its cofactor.
struct PadeRun {
  std::vector<Dom> R, V;
  int32_t dR, dV;
  PadeRun(const Dom* s, int32_t n, bool reversed, int32_t k)
      : R(n + 1, 0), V(n + 1, 0), dR(n) {
    R[n] = 1;
    for (int32_t i = 0; i < n; ++i) V[i] = reversed ? s[n - 1 - i] : s[i];
    dV = true_degree(V.data(), n - 1);
    egcd(R.data(), &dR, V.data(), &dV, k);
  }
};

// out[0..dV] := V * c, zeros up to index top.
void scaled(Dom* out, const std::vector<Dom>& V, int32_t dV, Dom c, int32_t top) {
  const uint32_t p = current_prime();
  for (int32_t i = 0; i <= top; ++i) out[i] = i <= dV ? MUL(V[i], c, p) : Dom(0);
}

}  // namespace

int32_t algo_AD_part1(const Dom* s, int32_t d, Dom* A, int32_t* dA) {
  const uint32_t p = current_prime();
  PadeRun run(s, 2 * d, false, d - 1);
  std::fill(A, A + d + 2, Dom(0));
  // The denominator V is the minimal polynomial reversed as a polynomial of
  // degree L = max(deg V, deg R + 1): a root 0 shows only in that degree.
  const int32_t L = std::max(run.dV, run.dR + 1);
  const Dom inv = run.dV >= 0 ? INV_2args(run.V[0], p) : Dom(0);
  if (inv == 0) {
    *dA = -1;
    return -1;
  }
  for (int32_t i = 0; i <= run.dV; ++i) A[L - i] = MUL(run.V[i], inv, p);
  *dA = L;
  return L;
}

int32_t algo_AD_first(const Dom* s, int32_t d, Dom* A, int32_t* dA) {
  const uint32_t p = current_prime();
  PadeRun first(s, 2 * d + 1, false, d);
  if (first.dR != d) {
    *dA = first.dR;
    return 0;
  }
  scaled(A, first.V, first.dV, INV_2args(first.R[d], p), d + 1);
  *dA = first.dV;
  return 1;
}

int32_t algo_AD(const Dom* s, int32_t d, Dom* A, int32_t* dA, Dom* B, int32_t* dB) {
  const uint32_t p = current_prime();
  if (!algo_AD_first(s, d, A, dA)) return 0;
  PadeRun second(s, 2 * d + 1, true, d);
  if (second.dR != d) {
    *dB = second.dR;
    return 0;
  }
  scaled(B, second.V, second.dV, INV_2args(second.R[d], p), d + 1);
  *dB = second.dV;
  return 1;
}

void algo_AD_second_from_generator(const Dom* A, const ModPoly& g, int32_t d, Dom* B,
                                   int32_t* dB) {
  const uint32_t p = current_prime();
  // y_0[k] = A[d-k]; t y_0 = sum_k y_0[k-1] t^k - y_0[d] sum_k g_k t^k.
  const Dom y0_top = A[0], g0_inverse = INV_2args(Dom(g[0]), p);
  for (int32_t k = 0; k <= d; ++k) {
    const Dom shifted = k > 0 ? A[d + 1 - k] : Dom(0);
    B[k] = MUL(SUB(MUL(y0_top, Dom(g[k]), p), shifted, p), g0_inverse, p);
  }
  B[d + 1] = 0;
  *dB = true_degree(B, d);
}

}  // namespace zel::ZEL_BUILD
