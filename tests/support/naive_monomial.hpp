// Slow, obviously right monomials for cross-checks: a monomial is the
// vector of its exponents, variable 0 first.
#pragma once

#include <algorithm>
#include <random>
#include <vector>

namespace zel_test {

using Mono = std::vector<unsigned>;

inline unsigned naive_degree(const Mono& a, size_t from = 0, size_t to = size_t(-1)) {
  unsigned d = 0;
  for (size_t i = from; i < std::min(to, a.size()); ++i) d += a[i];
  return d;
}

// Degree reverse lexicographic on variables [from, to), x(from) > x(from+1)
// > ...: larger degree; then the smaller exponent of the last variable where
// they differ.  1, -1 or 0.
inline int naive_drl(const Mono& a, const Mono& b, size_t from = 0, size_t to = size_t(-1)) {
  to = std::min(to, a.size());
  unsigned da = naive_degree(a, from, to), db = naive_degree(b, from, to);
  if (da != db) return da > db ? 1 : -1;
  for (size_t i = to; i-- > from;)
    if (a[i] != b[i]) return a[i] < b[i] ? 1 : -1;
  return 0;
}

// Larger degree; then the larger exponent of the last variable that differs.
inline int naive_rev_drl(const Mono& a, const Mono& b) {
  unsigned da = naive_degree(a), db = naive_degree(b);
  if (da != db) return da > db ? 1 : -1;
  for (size_t i = a.size(); i-- > 0;)
    if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
  return 0;
}

// Lexicographic, x0 > x1 > ...
inline int naive_lex(const Mono& a, const Mono& b) {
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
  return 0;
}

// Block order: degree reverse lexicographic on variables [0, m), then on
// [m, n).
inline int naive_block(const Mono& a, const Mono& b, size_t m) {
  int r = naive_drl(a, b, 0, m);
  return r != 0 ? r : naive_drl(a, b, m, a.size());
}

inline bool naive_divides(const Mono& a, const Mono& b) {
  for (size_t i = 0; i < a.size(); ++i)
    if (b[i] > a[i]) return false;
  return true;
}

inline Mono naive_product(const Mono& a, const Mono& b) {
  Mono c(a.size());
  for (size_t i = 0; i < a.size(); ++i) c[i] = a[i] + b[i];
  return c;
}

inline Mono naive_lcm(const Mono& a, const Mono& b) {
  Mono c(a.size());
  for (size_t i = 0; i < a.size(); ++i) c[i] = std::max(a[i], b[i]);
  return c;
}

inline Mono naive_gcd(const Mono& a, const Mono& b) {
  Mono c(a.size());
  for (size_t i = 0; i < a.size(); ++i) c[i] = std::min(a[i], b[i]);
  return c;
}

// A random monomial in n variables with exponents up to `top`, mostly
// sparse so that powers, divisors and ties turn up often.
template <class Rng>
Mono random_mono(Rng& rng, size_t n, unsigned top) {
  Mono m(n, 0);
  std::uniform_int_distribution<unsigned> coin(0, 3), exp(0, top);
  for (auto& e : m)
    if (coin(rng) == 0) e = exp(rng);
  return m;
}

// A monomial near `base`: each exponent moved by -1, 0 or +1 (not below 0),
// so that comparisons often reach the later words.
template <class Rng>
Mono near_mono(Rng& rng, const Mono& base) {
  Mono m = base;
  std::uniform_int_distribution<int> step(-1, 1);
  for (auto& e : m) {
    int v = int(e) + (std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? step(rng) : 0);
    e = unsigned(std::max(v, 0));
  }
  return m;
}

}  // namespace zel_test
