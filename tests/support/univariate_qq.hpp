// Univariate polynomials over QQ for the solving tests: coefficient vectors,
// lowest degree first, without trailing zeros after trim.
#pragma once

#include <gmpxx.h>

#include <vector>

namespace zel_test {

using Uni = std::vector<mpq_class>;

inline Uni trim(Uni a) {
  while (!a.empty() && a.back() == 0) a.pop_back();
  return a;
}

inline Uni mul(const Uni& a, const Uni& b) {
  if (a.empty() || b.empty()) return {};
  Uni r(a.size() + b.size() - 1, 0);
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j) r[i + j] += a[i] * b[j];
  return trim(r);
}

// The remainder of a by b (b non-zero).
inline Uni rem(Uni a, const Uni& b) {
  a = trim(a);
  while (a.size() >= b.size()) {
    const mpq_class c = a.back() / b.back();
    const size_t sh = a.size() - b.size();
    for (size_t i = 0; i < b.size(); ++i) a[sh + i] -= c * b[i];
    a = trim(a);
  }
  return a;
}

// a * b mod f.
inline Uni mulmod(const Uni& a, const Uni& b, const Uni& f) { return rem(mul(a, b), f); }

}  // namespace zel_test
