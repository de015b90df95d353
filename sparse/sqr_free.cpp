#include <algorithm>
#include <vector>

#include "sparse/descriptor.hpp"
#include "sparse/modarith.hpp"
#include "sparse/recurrence.hpp"
#include "sparse/univariate.hpp"
#include "sparse/univariate_modp.hpp"

namespace zel::ZEL_BUILD {

int32_t new_sqr_free(Dom* P, int32_t d) {
  // The derivative's row also receives the gcd's cofactor, of degree <= d.
  std::vector<Dom> Q(std::max(d, 0) + 2, 0);
  int32_t g = d;
  int32_t e = d > 0 ? derivative(P, d, Q.data()) : d - 1;
  gcd(P, &g, Q.data(), &e);
  if (e == 0) return g;
  if (e < 0) return e;
  std::copy(Q.begin(), Q.begin() + e + 1, P);
  return e;
}

int32_t sqr_free(Dom* P, int32_t d, int32_t* flag) {
  if (d < 0) return d;
  // P / gcd(P, P') loses every factor whose multiplicity the prime divides
  // (modulo 2, (X+1)^2 has derivative 0): the square-free part of
  // univariate_modp takes p-th roots as well.
  const ModPoly f = squarefree_part(ModPoly(P, P + d + 1), current_prime());
  const int32_t r = static_cast<int32_t>(f.size()) - 1;
  for (int32_t i = 0; i <= r; ++i) P[i] = static_cast<Dom>(f[i]);
  if (r != d) *flag = 1;
  return r;
}

}  // namespace zel::ZEL_BUILD
