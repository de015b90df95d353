#include <algorithm>
#include <vector>

#include "sparse/descriptor.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/modarith.hpp"
#include "sparse/recurrence.hpp"
#include "sparse/shifted_combination.hpp"
#include "sparse/univariate.hpp"

namespace zel::ZEL_BUILD {

int32_t berlekamp(const Dom* s, int32_t N, Dom* K, int32_t* dK) {
  const uint32_t p = current_prime();
  // The discrepancy reads K[1..L] whatever K's degree: keep it clean.
  std::fill(K, K + std::max(N, 0) + 1, Dom(0));
  K[0] = 1;
  *dK = 0;
  if (N < 1) return 0;
  std::vector<Dom> B(N + 1, 0), T(N + 1, 0);
  B[0] = 1;
  int32_t dB = 0, L = 0, m = 1;
  Dom f = static_cast<Dom>(p - 1);  // -1/b for the last discrepancy b, first b = 1
  for (int32_t n = 0; n < N; ++n) {
    Acc acc = s[n];
    for (int32_t i = 1; i <= L; ++i) acc += mul_wide(K[i], s[n - i]);
    const Dom d = reduce(acc, p);
    if (d == 0) {
      ++m;
      continue;
    }
    const Dom c = MUL(f, d, p);
    if (2 * L > n) {
      addmul_poly(K, B.data(), m, c, dK, dB);
      ++m;
      continue;
    }
    const int32_t dT = *dK;
    std::copy(K, K + dT + 1, T.begin());
    addmul_poly(K, B.data(), m, c, dK, dB);
    std::fill(B.begin(), B.begin() + std::max(dB, dT) + 1, Dom(0));
    std::copy(T.begin(), T.begin() + dT + 1, B.begin());
    dB = dT;
    L = n + 1 - L;
    f = NEG(INV_2args(d, p), p);
    m = 1;
  }
  return L;
}

ModPoly least_generator(const std::vector<Dom>& s, size_t N, uint64_t p64,
                        std::vector<Dom>* last_dual) {
  const uint32_t p = uint32_t(p64);
  // Connection polynomial C (C[0] = 1): sum_i C[i] s[n - i] = 0 for
  // L <= n < N; B the one before the last length change, b its discrepancy.
  std::vector<Dom> C{Dom(1 % p)}, B{Dom(1 % p)}, T, reversed(N);
  for (size_t i = 0; i < N; ++i) reversed[i] = Dom(s[N - 1 - i] % p);
  size_t L = 0, m = 1;
  Dom b_inverse = Dom(1 % p);  // of the discrepancy b, which changes with L only
  for (size_t n = 0; n < N; ++n) {
    // sum_i C[i] s[n - i], with s[n - i] = reversed[N - 1 - n + i].
    const Dom d = dot_product_dense(C.data(), reversed.data() + (N - 1 - n), uint32_t(L + 1), p);
    if (d == 0) {
      ++m;
      continue;
    }
    // C -= d / b X^m B
    const bool longer = 2 * L <= n;
    if (longer) T = C;
    if (C.size() < B.size() + m) C.resize(B.size() + m, 0);
    add_scaled(C.data() + m, B.data(), B.size(), MUL(Dom(p - d), b_inverse, p), p);
    if (longer) {
      L = n + 1 - L;
      B.swap(T);
      b_inverse = INV_2args(d, p);
      m = 1;
    } else {
      ++m;
    }
    if (C.size() < L + 1) C.resize(L + 1, 0);
  }
  // The generator X^L C(1/X): C has degree at most L.
  ModPoly g(L + 1, 0);
  for (size_t i = 0; i <= L; ++i) g[L - i] = C[i];
  if (last_dual != nullptr) {
    last_dual->clear();
    // m counts the steps since the last length change, B is C before it.
    if (2 * L == N && m == 2) {
      last_dual->assign(L, 0);
      for (size_t j = 0; j < B.size() && j < L; ++j) (*last_dual)[L - 1 - j] = MUL(B[j], b_inverse, p);
    }
  }
  return g;
}

}  // namespace zel::ZEL_BUILD
