#include <algorithm>
#include <vector>

#include "sparse/descriptor.hpp"
#include "sparse/modarith.hpp"
#include "sparse/recurrence.hpp"
#include "sparse/univariate.hpp"

namespace zel::ZEL_BUILD {

int32_t new_sqr_free(Dom* P, int32_t d) {
  const uint32_t p = current_prime();
  // The derivative, its factor i taken modulo p whatever the degree; the row
  // also receives the gcd's cofactor, of degree at most d.
  std::vector<Dom> Q(std::max(d, 0) + 2, 0);
  for (int32_t i = 1; i <= d; ++i) Q[i - 1] = MUL(static_cast<Dom>(i % p), P[i], p);
  int32_t g = d;
  int32_t e = d > 0 ? true_degree(Q.data(), d - 1) : d - 1;
  gcd(P, &g, Q.data(), &e);
  if (e == 0) return g;
  if (e < 0) return e;
  std::copy(Q.begin(), Q.begin() + e + 1, P);
  return e;
}

int32_t sqr_free(Dom* P, int32_t d, int32_t* flag) {
  const uint32_t p = current_prime();
  const int32_t r = new_sqr_free(P, d);
  if (r >= 0) {
    const Dom inv = INV_2args(P[r], p);
    for (int32_t i = 0; i <= r; ++i) P[i] = MUL(P[i], inv, p);
  }
  if (r != d) *flag = 1;
  return r;
}

}  // namespace zel::ZEL_BUILD
