// Scrambled shape-position systems over the rationals: the shape form
// f(z), x_j - R_j(z) (z the last variable, deg f = d, deg R_j < d, small
// coefficients), whose answer to the solving modes is small, hidden behind
// random invertible combinations of its polynomials with large
// coefficients and, optionally, a change of variables z -> z + sum c_j x_j
// with small c_j.  The degree-order basis of such a system has coefficients
// far larger than its parametrisation: the case where lifting that basis
// costs more than the answer asked for.  A fixed seed per (n, d, change).
#pragma once

#include <gmpxx.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

namespace bench {

// A polynomial as exponent vectors (nvars each, one after another) and
// integer coefficients.
struct BigPoly {
  int nvars = 0;
  std::vector<int> exponents;
  std::vector<mpz_class> coeffs;
};

namespace scrambled_detail {

using Terms = std::map<std::vector<int>, mpz_class>;

inline void add_to(Terms& into, const Terms& p, const mpz_class& factor) {
  for (const auto& [e, c] : p) into[e] += factor * c;
}

inline Terms product(const Terms& a, const Terms& b) {
  Terms out;
  for (const auto& [ea, ca] : a)
    for (const auto& [eb, cb] : b) {
      std::vector<int> e(ea.size());
      for (size_t k = 0; k < e.size(); ++k) e[k] = ea[k] + eb[k];
      out[e] += ca * cb;
    }
  return out;
}

inline BigPoly to_big(const Terms& t, int nvars) {
  BigPoly p;
  p.nvars = nvars;
  for (const auto& [e, c] : t)
    if (c != 0) {
      p.exponents.insert(p.exponents.end(), e.begin(), e.end());
      p.coeffs.push_back(c);
    }
  return p;
}

}  // namespace scrambled_detail

// n variables (n >= 2), eliminant of degree d; combinations with
// coefficients of `bits` bits; change: also move the last variable by a
// small linear form of the others.
inline std::vector<BigPoly> scrambled_shape(int n, int d, int bits, bool change) {
  using namespace scrambled_detail;
  std::mt19937_64 rng(0x5eed0000u + uint64_t(n) * 1000u + uint64_t(d) * 10u + (change ? 1 : 0));
  auto small = [&] { return mpz_class(long(rng() % 199) - 99); };
  auto large = [&] {
    mpz_class v = 0;
    for (int b = 0; b < bits; b += 32) v = (v << 32) + mpz_class(uint32_t(rng()));
    v >>= (bits + 31) / 32 * 32 - bits;
    return rng() % 2 ? v : mpz_class(-v);
  };
  const int z = n - 1;
  auto monomial = [&](int var, int power) {
    std::vector<int> e(n, 0);
    if (var >= 0) e[var] = power;
    return e;
  };
  // z itself, or z + sum c_j x_j; its powers.
  Terms moved{{monomial(z, 1), 1}};
  if (change)
    for (int j = 0; j < z; ++j) moved[monomial(j, 1)] = mpz_class(long(rng() % 3) + 1);
  std::vector<Terms> power{{{monomial(-1, 0), 1}}};
  for (int k = 1; k <= d; ++k) power.push_back(product(power.back(), moved));
  auto univariate = [&](int degree, bool monic) {
    Terms t;
    for (int k = 0; k <= degree; ++k) add_to(t, power[k], k == degree && monic ? mpz_class(1) : small());
    return t;
  };
  std::vector<Terms> shape;
  shape.push_back(univariate(d, true));
  for (int j = 0; j < z; ++j) {
    Terms t = univariate(d - 1, false);
    for (auto& [e, c] : t) c = -c;
    t[monomial(j, 1)] += 1;
    shape.push_back(t);
  }
  std::vector<BigPoly> out;
  for (int i = 0; i < n; ++i) {
    Terms g;
    for (const Terms& s : shape) add_to(g, s, large());
    out.push_back(to_big(g, n));
  }
  return out;
}

}  // namespace bench
