// The univariate polynomials modulo a caller's prime against schoolbook
// arithmetic: quotient and remainder recombine to the dividend, the gcd
// divides both and its cofactors are coprime, the square-free part keeps
// each factor once.
#include "sparse/univariate_modp.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;

namespace {

ModPoly random_poly(std::mt19937_64& rng, size_t degree, uint64_t p) {
  ModPoly a(degree + 1);
  for (uint64_t& c : a) c = rng() % p;
  if (a.back() == 0) a.back() = 1;
  return a;
}

ModPoly plus(ModPoly a, const ModPoly& b, uint64_t p) {
  if (a.size() < b.size()) a.resize(b.size(), 0);
  for (size_t i = 0; i < b.size(); ++i) a[i] = (a[i] + b[i]) % p;
  return trimmed(std::move(a));
}

// Small primes, 2^31 - 1 and the largest prime below 2^32.
const uint64_t kPrimes[] = {2, 3, 65521, 2147483647ULL, 4294967291ULL};

}  // namespace

TEST(ModPolyDivision, QuotientTimesDivisorPlusRemainderIsTheDividend) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(91);
  for (uint64_t p : kPrimes)
    for (long k = 0; k < zel_test::iterations(200); ++k) {
      SCOPED_TRACE("p " + std::to_string(p) + ", round " + std::to_string(k));
      const ModPoly b = random_poly(rng, rng() % 12, p);
      const ModPoly a = trimmed(random_poly(rng, rng() % 40, p));
      const ModPoly q = poly_quo(a, b, p), r = poly_rem(a, b, p);
      EXPECT_LT(r.size(), b.size());
      for (uint64_t c : r) EXPECT_LT(c, p);
      EXPECT_EQ(plus(poly_mul(q, b, p), r, p), a);
    }
}

TEST(ModPolyDivision, GcdAndSquareFreePartOfProducts) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(92);
  for (uint64_t p : {uint64_t(65521), uint64_t(2147483647), uint64_t(4294967291ULL)})
    for (long k = 0; k < zel_test::iterations(50); ++k) {
      SCOPED_TRACE("p " + std::to_string(p) + ", round " + std::to_string(k));
      const ModPoly g = monic(random_poly(rng, 1 + rng() % 6, p), p);
      const ModPoly u = random_poly(rng, 1 + rng() % 10, p), v = random_poly(rng, rng() % 10, p);
      const ModPoly d = poly_gcd(poly_mul(g, u, p), poly_mul(g, v, p), p);
      EXPECT_TRUE(poly_rem(d, g, p).empty());
      EXPECT_TRUE(poly_rem(poly_mul(g, u, p), d, p).empty());
      EXPECT_TRUE(poly_rem(poly_mul(g, v, p), d, p).empty());
      EXPECT_EQ(poly_gcd(poly_quo(poly_mul(g, u, p), d, p), poly_quo(poly_mul(g, v, p), d, p), p),
                ModPoly{1});
      // g^3 u: its square-free part divides g u and is divided by the
      // square-free parts of g and of u.
      const ModPoly f = poly_mul(poly_mul(poly_mul(g, g, p), g, p), u, p);
      const ModPoly s = squarefree_part(f, p);
      EXPECT_TRUE(poly_rem(poly_mul(g, monic(u, p), p), s, p).empty());
      EXPECT_TRUE(poly_rem(s, squarefree_part(g, p), p).empty());
      EXPECT_TRUE(poly_rem(s, squarefree_part(u, p), p).empty());
    }
}
