#include <algorithm>
#include <vector>

#include "sparse/descriptor.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/modarith.hpp"
#include "sparse/recurrence.hpp"
#include "sparse/shifted_combination.hpp"
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

int32_t algo_AD(const Dom* s, int32_t d, Dom* A, int32_t* dA, Dom* B, int32_t* dB) {
  const uint32_t p = current_prime();
  PadeRun first(s, 2 * d + 1, false, d);
  if (first.dR != d) {
    *dA = first.dR;
    return 0;
  }
  scaled(A, first.V, first.dV, INV_2args(first.R[d], p), d + 1);
  *dA = first.dV;
  PadeRun second(s, 2 * d + 1, true, d);
  if (second.dR != d) {
    *dB = second.dR;
    return 0;
  }
  scaled(B, second.V, second.dV, INV_2args(second.R[d], p), d + 1);
  *dB = second.dV;
  return 1;
}

namespace {

// y_d = rho^-1 mod g (see recurrence.hpp) by the extended Euclidean run;
// false when rho is not invertible.
bool last_dual_by_euclid(const Dom* s, const ModPoly& g, int32_t d, std::vector<Dom>& y_last) {
  const uint32_t p = current_prime();
  const int32_t D = d + 1;
  // rho = sum_j s_j q_j with q_j = sum_m g_(m+j+1) t^m.
  std::vector<Dom> G(D + 1), rho(D + 1, 0);
  for (int32_t i = 0; i <= D; ++i) G[i] = Dom(g[i]);
  for (int32_t m = 0; m < D; ++m)
    rho[m] = dot_product_dense(s, G.data() + m + 1, uint32_t(D - m), p);
  // G := the last remainder c (a constant when rho is invertible), rho :=
  // V with V rho = c mod g.
  int32_t dG = D, dV = true_degree(rho.data(), d);
  egcd(G.data(), &dG, rho.data(), &dV, 0);
  if (dG != 0) return false;
  const Dom c_inverse = INV_2args(G[0], p);
  y_last.assign(D, 0);
  for (int32_t k = 0; k <= dV; ++k) y_last[k] = MUL(rho[k], c_inverse, p);
  return true;
}

}  // namespace

int32_t pade_pair_from_generator(const Dom* s, const ModPoly& g, const std::vector<Dom>& last_dual,
                                 int32_t d, Dom* A, int32_t* dA, Dom* B, int32_t* dB,
                                 std::vector<Dom>* rows) {
  const uint32_t p = current_prime();
  const int32_t D = d + 1;
  std::vector<Dom> y_last = last_dual, minus_g(D), pair;
  if (y_last.size() != size_t(D) && !last_dual_by_euclid(s, g, d, y_last)) return 0;
  for (int32_t i = 0; i < D; ++i) minus_g[i] = NEG(Dom(g[i]), p);
  // y_(k-1) = t y_k + g_k y_d (mod g), from y_d down to y_0: each row
  // written where it is kept, or in turn into two rows.
  if (rows != nullptr && rows->size() != size_t(D) * D) rows->resize(size_t(D) * D);
  if (rows == nullptr) pair.resize(2 * size_t(D));
  Dom* const walk = rows != nullptr ? rows->data() : pair.data();
  auto row = [&](int32_t i) { return walk + size_t(rows != nullptr ? i : i % 2) * D; };
  std::copy(y_last.begin(), y_last.end(), row(0));
  for (int32_t i = 1; i <= d; ++i) {
    const Dom* before = row(i - 1);
    shifted_two_scaled(row(i), before, minus_g.data(), before[d], y_last.data(), Dom(g[d + 1 - i]),
                       size_t(D), p);
  }
  const Dom* y = row(d);
  for (int32_t k = 0; k <= d; ++k) {
    A[k] = y[d - k];
    B[k] = y_last[k];
  }
  A[d + 1] = B[d + 1] = 0;
  *dA = true_degree(A, d);
  *dB = true_degree(B, d);
  return 1;
}

}  // namespace zel::ZEL_BUILD
