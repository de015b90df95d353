#include <algorithm>
#include <vector>

#include "sparse/descriptor.hpp"
#include "sparse/modarith.hpp"
#include "sparse/recurrence.hpp"
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

}  // namespace zel::ZEL_BUILD
