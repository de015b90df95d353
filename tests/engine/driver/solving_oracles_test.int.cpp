// The solving modes of the integer build against a naive Buchberger over QQ
// for the lexicographic order: the parametrisation of modes 12 and 2 is that
// of the reduced lexicographic basis, exactly; the square-free modes are
// those of the radical; sessions of two blocks give the same answers and
// normal forms for the session's order.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/call_zel.h"
#include "engine/coef/default_primes.hpp"
#include "engine/coef/primes.hpp"
#include "support/naive_buchberger_qq.hpp"
#include "support/qq_capi.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"
#include "support/univariate_qq.hpp"
#include "support/zel_systems.h"

using namespace zel_test;
using namespace zel_test::buchberger;

namespace {

// R * f'/deg f mod f: the parametrisation's numerator from x_j + R.
Uni rr(const Uni& R, const Uni& f) {
  const size_t d = f.size() - 1;
  Uni u;
  for (size_t i = 1; i <= d; ++i) u.push_back(f[i] * int(i) / int(d));
  return rem(mul(R, trim(u)), f);
}
// The inverse of a modulo f (coprime to it), by the extended Euclidean
// algorithm.
Uni inverse_mod(const Uni& a, const Uni& f) {
  Uni r0 = f, r1 = rem(a, f), s0, s1{1};
  while (r1.size() > 1) {
    Uni q;  // r0 = q r1 + r
    Uni r = r0;
    while (r.size() >= r1.size()) {
      const mpq_class c = r.back() / r1.back();
      const size_t sh = r.size() - r1.size();
      if (q.size() <= sh) q.resize(sh + 1, 0);
      q[sh] += c;
      for (size_t i = 0; i < r1.size(); ++i) r[sh + i] -= c * r1[i];
      r = trim(r);
    }
    Uni s = s0, qs = mul(q, s1);
    if (s.size() < qs.size()) s.resize(qs.size(), 0);
    for (size_t i = 0; i < qs.size(); ++i) s[i] -= qs[i];
    r0 = r1, r1 = r, s0 = s1, s1 = trim(s);
  }
  for (auto& c : s1) c /= r1[0];
  return rem(s1, f);
}
// The coefficients in the last variable after the first `skip` terms,
// divided by the first term's coefficient.
Uni in_last(const QPoly& g, int n, size_t skip) {
  Uni r;
  for (size_t t = skip; t < g.size(); ++t) {
    const int e = g[t].e[n - 1];
    if (r.size() <= size_t(e)) r.resize(e + 1, 0);
    r[e] = g[t].c / g[0].c;
  }
  return trim(r);
}
QPoly from_uni(const Uni& u, int n) {
  QPoly r;
  for (size_t i = u.size(); i-- > 0;)
    if (u[i] != 0) {
      NMono e(n, 0);
      e[n - 1] = int(i);
      r.push_back({e, u[i]});
    }
  return r;
}

std::vector<QPoly> run(const std::vector<QPoly>& F, int n, int mode, int nb = 0, int n1 = 0) {
  start_qq_session(uint32_t(n1), uint32_t(n - n1));
  std::vector<void*> in = send_qq(F, uint32_t(n));
  sZEL_Comp_Desc env{};
  env._compute = mode;
  env._nb = nb;
  double cpu = 0;
  std::vector<void*> out(100000);
  const UI32 count =
      Zel_int_groebner(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, 0, -1, 0, &env);
  return receive_qq(out.data(), count, uint32_t(n));
}

// Modes 12 and 2 against the parametrisation of the naive lexicographic
// basis L (in shape position) of F and the library's minimal polynomial:
// L is the basis of F alone when that polynomial lies in the ideal, and has
// a univariate polynomial of lower degree when it does not.  Mode 4 gives
// L's univariate polynomial.  For larger systems (with_shape) the library's
// whole lexicographic basis is added too (R_j from its parametrisation),
// which keeps the naive computation fast: L then equals that basis only
// when it lies in the ideal, D being the number of solutions.
void check_against_lex(const std::vector<QPoly>& F, int n, size_t D, int n1 = 0,
                       bool with_shape = false) {
  const NaiveGroebnerQQ lex{{0, true}};
  const std::vector<QPoly> M = run(F, n, ZEL_COMPUTE_MINPOLY, 0, n1);
  ASSERT_EQ(M.size(), 1u);
  std::vector<QPoly> Fl{lex.normalise(M[0])};
  if (with_shape) {
    const Uni g = in_last(M[0], n, 0);
    Uni u;
    for (size_t i = 1; i < g.size(); ++i) u.push_back(g[i] * int(i) / int(g.size() - 1));
    const Uni u_inv = inverse_mod(trim(u), g);
    const std::vector<QPoly> R = run(F, n, ZEL_COMPUTE_RRFORM, 0, n1);
    ASSERT_EQ(R.size(), size_t(n));
    for (int j = 0; j + 1 < n; ++j) {
      QPoly x_j{R[j][0]};
      x_j[0].c = 1;
      for (const QTerm& t : from_uni(rem(mul(in_last(R[j], n, 1), u_inv), g), n)) x_j.push_back(t);
      Fl.push_back(lex.normalise(x_j));
    }
  }
  for (const QPoly& f : F) Fl.push_back(lex.normalise(f));
  const std::vector<QPoly> L = lex.basis(Fl);
  ASSERT_EQ(L.size(), size_t(n)) << "the test system is not in shape position";
  const Uni f = in_last(L.back(), n, 0);
  ASSERT_EQ(f.size(), D + 1);
  EXPECT_EQ(in_last(M[0], n, 0), f);
  for (int mode : {ZEL_COMPUTE_MATRIXN, ZEL_COMPUTE_RRFORM}) {
    const std::vector<QPoly> R = run(F, n, mode, 0, n1);
    ASSERT_EQ(R.size(), size_t(n)) << "mode " << mode;
    for (int j = 0; j + 1 < n; ++j) {
      EXPECT_EQ(R[j][0].e, L[j][0].e);
      EXPECT_EQ(in_last(R[j], n, 1), rr(in_last(L[j], n, 1), f)) << "mode " << mode << ", x" << j;
    }
    EXPECT_EQ(in_last(R.back(), n, 0), f) << "mode " << mode;
  }
}

QPoly random_dense(std::mt19937_64& rng, int n, const mpz_class& scale) {
  QPoly f;
  for (int a = 0; a <= n; ++a)
    for (int b = a; b <= n; ++b) {
      NMono e(n, 0);
      if (a < n) ++e[a];
      if (b < n) ++e[b];
      f.push_back({e, mpq_class(scale * (int(rng() % 200) - 100) + int(rng() % 7) - 3)});
    }
  return NaiveGroebnerQQ{{0}}.normalise(f);
}

// x_j = q_j(t) (random quadrics, t the last variable) and prod (t - r).
std::vector<QPoly> points_on_curves(std::mt19937_64& rng, int n, const std::vector<int>& roots) {
  std::vector<QPoly> F;
  for (int j = 0; j + 1 < n; ++j) {
    NMono x(n, 0);
    x[j] = 1;
    QPoly g{{x, 1}};
    for (int d = 2; d >= 0; --d) {
      NMono e(n, 0);
      e[n - 1] = d;
      g.push_back({e, mpq_class(int(rng() % 19) - 9 + (d == 2 ? 20 : 0))});
    }
    F.push_back(NaiveGroebnerQQ{{0}}.normalise(g));
  }
  Uni h{1};
  for (int r : roots) h = mul(h, Uni{-r, 1});
  F.push_back(from_uni(h, n));
  return F;
}

std::vector<QPoly> katsura(int N) {
  const int n = N + 1;
  std::vector<zs_poly> kat(n);
  zs_katsura(N, kat.data());
  std::vector<QPoly> K;
  for (zs_poly& z : kat) {
    QPoly f;
    for (int t = 0; t < z.nterms; ++t)
      f.push_back({NMono(z.e + t * n, z.e + (t + 1) * n), mpq_class(z.c[t])});
    K.push_back(NaiveGroebnerQQ{{0}}.normalise(f));
    zs_free(&z);
  }
  return K;
}

TEST(SolvingOraclesQQ, ParametrisationOfTheNaiveLexicographicBasis) {
  SEED_TRACE();
  zel_test::TestHost host{0};
  auto rng = zel_test::make_rng(81);
  check_against_lex(katsura(4), 5, 16, 0, true);
  // Random dense quadrics in one and two variables, with tiny coefficients
  // and with coefficients of about 2^100; points with multiple roots.
  const mpz_class huge = mpz_class(1) << 100;
  for (int n = 1; n <= 2; ++n)
    for (const mpz_class& scale : {mpz_class(1), huge}) {
      SCOPED_TRACE("n=" + std::to_string(n) + (scale == 1 ? " tiny" : " huge"));
      std::vector<QPoly> F;
      for (int i = 0; i < n; ++i) F.push_back(random_dense(rng, n, scale));
      check_against_lex(F, n, size_t(1) << n);
    }
  check_against_lex(points_on_curves(rng, 3, {1, 1, -2, 5}), 3, 4);
}

// Systems on which small primes' projections lose factors of the minimal
// polynomial: the lifted answers are the lexicographic basis's, whole.
TEST(SolvingOraclesQQ, SmallSystemsWithKnownAnswers) {
  SEED_TRACE();
  zel_test::TestHost host{0};
  auto rng = zel_test::make_rng(83);
  const NaiveGroebnerQQ drl{{0}};
  auto poly = [&](std::initializer_list<std::pair<NMono, int>> terms) {
    QPoly f;
    for (const auto& [e, c] : terms) f.push_back({e, mpq_class(c)});
    return drl.normalise(f);
  };
  check_against_lex({poly({{{1, 0}, 1}, {{0, 1}, -1}}), poly({{{0, 2}, 1}, {{0, 1}, 1}, {{0, 0}, 1}})},
                    2, 2);
  check_against_lex({poly({{{1, 0}, 1}, {{0, 5}, -1}, {{0, 4}, 3}, {{0, 3}, -1}, {{0, 2}, -2},
                           {{0, 0}, 3}}),
                     poly({{{0, 6}, 1}, {{0, 5}, -1}, {{0, 3}, -3}, {{0, 2}, -2}, {{0, 1}, -1},
                           {{0, 0}, -3}})},
                    2, 6);
  const std::vector<QPoly> F = points_on_curves(rng, 3, {0, 0, 0, -6, -6, 6, 4, 1});
  check_against_lex(F, 3, 8);
  const std::vector<QPoly> M = run(F, 3, ZEL_COMPUTE_MINPOLY_SQFR);
  ASSERT_EQ(M.size(), 1u);
  Uni radical{1};
  for (int r : {0, -6, 6, 4, 1}) radical = mul(radical, Uni{-r, 1});
  EXPECT_EQ(in_last(M[0], 3, 0), radical);
}

// Modes 5 and 3 over QQ: the minimal polynomial and the parametrisation of
// the radical (the square-free polynomial replaces the one with multiple
// roots).
TEST(SolvingOraclesQQ, SquareFreeModesGiveTheRadical) {
  SEED_TRACE();
  zel_test::TestHost host{0};
  auto rng = zel_test::make_rng(82);
  const NaiveGroebnerQQ lex{{0, true}};
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE("n=" + std::to_string(n));
    const std::vector<QPoly> F = points_on_curves(rng, n, {2, 2, -1, 3, 3, 3});
    std::vector<QPoly> radical = F;
    radical.back() = from_uni(mul(mul(Uni{-2, 1}, Uni{1, 1}), Uni{-3, 1}), n);
    for (QPoly& g : radical) g = lex.normalise(g);
    const std::vector<QPoly> L = lex.basis(radical);
    const Uni f = in_last(L.back(), n, 0);
    ASSERT_EQ(f.size(), 4u);
    const std::vector<QPoly> M = run(F, n, ZEL_COMPUTE_MINPOLY_SQFR);
    ASSERT_EQ(M.size(), 1u);
    EXPECT_EQ(in_last(M[0], n, 0), f);
    const std::vector<QPoly> R = run(F, n, ZEL_COMPUTE_RRFORM_SQFR);
    ASSERT_EQ(R.size(), size_t(n));
    for (int j = 0; j + 1 < n; ++j)
      EXPECT_EQ(in_last(R[j], n, 1), rr(in_last(L[j], n, 1), f)) << "x" << j;
    EXPECT_EQ(in_last(R.back(), n, 0), f);
  }
}

Uni monic_gcd(Uni a, Uni b) {
  a = trim(a), b = trim(b);
  while (!b.empty()) a = rem(a, b), std::swap(a, b);
  for (size_t i = 0; i < a.size(); ++i) a[i] /= a.back();
  return a;
}
Uni derivative(const Uni& a) {
  Uni d;
  for (size_t i = 1; i < a.size(); ++i) d.push_back(a[i] * int(i));
  return trim(d);
}

// Radical strategy 1 on katsura-4 (a radical ideal): f is the square-free
// part of mode 4's polynomial, the shape polynomials give mode 2's
// parametrisation, and substituted into the inputs they vanish modulo f.
// A session of two blocks takes the per-prime path, whose normal form of
// f modulo the basis once ran for hours on katsura-6.
TEST(SolvingOraclesQQ, RadicalStrategyOnKatsura) {
  SEED_TRACE();
  zel_test::TestHost host{0};
  const int N = 4, n = N + 1;
  const std::vector<QPoly> K = katsura(N);
  const Uni f4 = in_last(run(K, n, ZEL_COMPUTE_MINPOLY)[0], n, 0);
  const std::vector<QPoly> R2 = run(K, n, ZEL_COMPUTE_RRFORM);
  ASSERT_EQ(R2.size(), size_t(n));
  for (int n1 : {0, 1}) {
    SCOPED_TRACE("first block of " + std::to_string(n1));
    const std::vector<QPoly> R8 = run(K, n, ZEL_COMPUTE_RADICAL_STRATEG1, 0, n1);
    ASSERT_EQ(R8.size(), size_t(n));
    const Uni f = in_last(R8.back(), n, 0);
    EXPECT_EQ(monic_gcd(f4, f), f);
    EXPECT_EQ(f.size() - 1, f4.size() - monic_gcd(f4, derivative(f4)).size());
    EXPECT_EQ(f, in_last(R2.back(), n, 0));
    std::vector<Uni> x(n);
    for (int j = 0; j + 1 < n; ++j) {
      EXPECT_EQ(rr(in_last(R8[j], n, 1), f), in_last(R2[j], n, 1)) << "x" << j;
      for (const mpq_class& c : in_last(R8[j], n, 1)) x[j].push_back(-c);
    }
    x[n - 1] = {0, 1};
    for (size_t i = 0; i < K.size(); ++i) {
      Uni value;
      for (const QTerm& t : K[i]) {
        Uni m{t.c};
        for (int j = 0; j < n; ++j)
          for (int k = 0; k < t.e[j]; ++k) m = rem(mul(m, x[j]), f);
        if (value.size() < m.size()) value.resize(m.size(), 0);
        for (size_t k = 0; k < m.size(); ++k) value[k] += m[k];
      }
      EXPECT_TRUE(trim(value).empty()) << "input " << i;
    }
  }
}

// Mode 8 lifts the parametrisation of katsura-4 over one denominator a
// pass before its minimal polynomial lifts.  That early lift must be
// confirmed by primes drawn at random outside the table, which an input
// could be built against: the last batch has no prime of the table.
TEST(SolvingOraclesQQ, AnEarlyLiftIsConfirmedByPrimesDrawnAtRandom) {
  zel_test::TestHost host{0};
  const int N = 4, n = N + 1;
  ASSERT_EQ(run(katsura(N), n, ZEL_COMPUTE_RADICAL_STRATEG1).size(), size_t(n));
  using namespace zel::ZEL_BUILD;
  const uint32_t* table = zel::Zel_Default_Primes32();
  for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) {
    const uint32_t p = ZEL_C(Primes)[l];
    EXPECT_FALSE(std::binary_search(table, table + zel::kDefaultPrimes, p)) << p;
    EXPECT_GT(p, uint32_t(1) << 31);
  }
}

// A session of two blocks: the same answers, and a basis handed to mode 6
// as it is is one for the session's block order.
TEST(SolvingOraclesQQ, TwoBlockSessions) {
  SEED_TRACE();
  zel_test::TestHost host{0};
  auto rng = zel_test::make_rng(83);
  std::vector<QPoly> F;
  for (int i = 0; i < 2; ++i) F.push_back(random_dense(rng, 2, 1));
  check_against_lex(F, 2, 4, 1);

  const NaiveGroebnerQQ block{{1}};
  std::vector<QPoly> Fb;
  for (const QPoly& f : F) Fb.push_back(block.normalise(f));
  const std::vector<QPoly> G = block.basis(Fb);
  const std::vector<QPoly> req = {block.normalise({{NMono{3, 1}, 2}, {NMono{0, 3}, -5}}),
                                  block.normalise({{NMono{2, 2}, 1}, {NMono{1, 0}, 7}})};
  std::vector<QPoly> in = req;
  in.insert(in.end(), G.begin(), G.end());
  const std::vector<QPoly> nf = run(in, 2, ZEL_COMPUTE_GBASIS_NF, int(req.size()), 1);
  ASSERT_EQ(nf.size(), 2 * req.size());
  for (size_t k = 0; k < req.size(); ++k)
    EXPECT_EQ(NaiveGroebnerQQ::monic(block.normalise(nf[2 * k + 1])), block.reduce(req[k], G))
        << "polynomial " << k;
}

}  // namespace
