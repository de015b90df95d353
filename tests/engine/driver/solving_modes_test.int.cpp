// The solving modes of the integer build over the rationals: the rational
// parametrisation of mode 12 (and mode 2) substituted into the inputs, the
// minimal polynomial of mode 4, normal forms, checked against the naive
// basis over QQ.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/call_zel.h"
#include "engine/coef/default_primes.hpp"
#include "engine/driver/multi_modular.hpp"
#include "engine/f4/elimination.hpp"
#include "server/algo/bridge.hpp"
#include "sparse/univariate_modp.hpp"
#include "support/naive_buchberger_qq.hpp"
#include "support/qq_capi.hpp"
#include "support/test_host.hpp"
#include "support/univariate_qq.hpp"
#include "support/zel_systems.h"

using namespace zel_test;
using namespace zel_test::buchberger;

namespace {

std::vector<QPoly> run(const std::vector<QPoly>& F, uint32_t n, int mode, int nb = 0, int nb2 = 0,
                       int bk2 = 0, int pas0 = -1, int bk0 = 0, uint32_t lanes = 5) {
  start_qq_session(0, n, lanes);
  std::vector<void*> in = send_qq(F, n);
  sZEL_Comp_Desc env{};
  env._compute = mode;
  env._nb = nb;
  env._nb2 = nb2;
  env._bk2 = bk2;
  double cpu = 0;
  std::vector<void*> out(100000);
  const UI32 count =
      Zel_int_groebner(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, bk0, pas0, 0, &env);
  return receive_qq(out.data(), count, n);
}

std::vector<QPoly> katsura4(const NaiveGroebnerQQ& gb) { return qq_system(gb, zs_katsura, 4); }

Uni in_last(const QPoly& g, int n, size_t skip) {
  Uni r;
  for (size_t t = skip; t < g.size(); ++t) {
    const int e = g[t].e[n - 1];
    if (r.size() <= size_t(e)) r.resize(e + 1, 0);
    r[e] = g[t].c;
  }
  return r;
}

// The last result of R (f(t), made monic).
Uni monic_last(const std::vector<QPoly>& R, int n) {
  Uni f = in_last(R.back(), n, 0);
  for (auto& c : f) c /= R.back()[0].c;
  return f;
}

// R parametrises the solutions of F by the last variable t: f(t) last, of
// degree D, and before it c_j x_j + Q_j(t), which stands for x_j
// (f'(t)/d) = -Q_j(t) / c_j (modes 2, 3, 9, 11, 12) or, in shape form,
// for x_j = -Q_j(t) / c_j (mode 8).  Substituted into every input, it
// must vanish modulo f.
void check_parametrisation(const std::vector<QPoly>& F, int n, const std::vector<QPoly>& R,
                           size_t D, int mode, bool shape = false) {
  ASSERT_EQ(R.size(), size_t(n)) << "mode " << mode;
  const Uni f = monic_last(R, n);
  ASSERT_EQ(f.size(), D + 1) << "mode " << mode;
  Uni u(D, 0);  // f'/d
  for (size_t i = 1; i <= D; ++i) u[i - 1] = f[i] * int(i) / int(D);
  if (shape) u = {1};
  // x_j * u = -Q_j / (coefficient of x_j), and x_last * u = t * u.
  std::vector<Uni> num(n);
  for (int j = 0; j + 1 < n; ++j) {
    ASSERT_EQ(R[j][0].e, [&] {
      NMono x(n, 0);
      x[j] = 1;
      return x;
    }());
    Uni q = in_last(R[j], n, 1);
    for (auto& c : q) c = -c / R[j][0].c;
    num[j] = trim(q);
  }
  num[n - 1] = mulmod(Uni{0, 1}, u, f);
  for (const QPoly& g : F) {
    int deg = 0;
    for (auto& t : g) {
      int d = 0;
      for (int x : t.e) d += x;
      deg = std::max(deg, d);
    }
    Uni sum;
    for (auto& t : g) {
      Uni term{t.c};
      int used = 0;
      for (int v = 0; v < n; ++v)
        for (int k = 0; k < t.e[v]; ++k, ++used) term = mulmod(term, num[v], f);
      for (; used < deg; ++used) term = mulmod(term, u, f);
      if (sum.size() < term.size()) sum.resize(term.size(), 0);
      for (size_t i = 0; i < term.size(); ++i) sum[i] += term[i];
    }
    EXPECT_TRUE(trim(sum).empty()) << "mode " << mode << ": an input does not vanish";
  }
}

// Modes 12 and 2 give x_j + Q_j(t) and f(t) with deg f = D; substituting
// the parametrisation into every input must vanish modulo f; mode 4 gives
// the same f.
void check_solving(const std::vector<QPoly>& F, int n, size_t D, int pas0 = -1) {
  for (int mode : {ZEL_COMPUTE_MATRIXN, ZEL_COMPUTE_RRFORM}) {
    const std::vector<QPoly> R = run(F, n, mode, 0, 0, 0, pas0);
    check_parametrisation(F, n, R, D, mode);
    if (R.size() != size_t(n)) return;
    const std::vector<QPoly> M = run(F, n, ZEL_COMPUTE_MINPOLY, 0, 0, 0, pas0);
    ASSERT_EQ(M.size(), 1u);
    EXPECT_EQ(monic_last(M, n), monic_last(R, n));
  }
}

// The points (0, 0), (2, 1), (5, 1 + p) have three values of x1 over QQ,
// two modulo p: p is a bad prime of the change of order, not of the degree
// basis (its denominators are 2p - 3 and its divisors).
std::vector<QPoly> points_colliding_modulo(const NaiveGroebnerQQ& gb, const mpz_class& p) {
  const std::vector<mpq_class> a = {0, 2, 5}, b = {0, 1, mpq_class(1 + p)};
  // x0 - L(x1), L interpolating a at b, and the cubic vanishing at b.
  Uni L(3, 0), cubic = {1};
  for (int i = 0; i < 3; ++i) {
    Uni li = {1};
    for (int j = 0; j < 3; ++j) {
      if (j == i) continue;
      Uni next(li.size() + 1, 0);
      for (size_t k = 0; k < li.size(); ++k) {
        next[k + 1] += li[k] / (b[i] - b[j]);
        next[k] -= li[k] * b[j] / (b[i] - b[j]);
      }
      li = next;
    }
    for (size_t k = 0; k < 3; ++k) L[k] += a[i] * li[k];
    Uni next(cubic.size() + 1, 0);
    for (size_t k = 0; k < cubic.size(); ++k) {
      next[k + 1] += cubic[k];
      next[k] -= cubic[k] * b[i];
    }
    cubic = next;
  }
  QPoly f = {{NMono{1, 0}, 1}}, g;
  for (int k = 0; k < 3; ++k)
    if (L[k] != 0) f.push_back({NMono{0, k}, -L[k]});
  for (int k = 0; k < 4; ++k)
    if (cubic[k] != 0) g.push_back({NMono{0, k}, cubic[k]});
  return gb.basis({gb.normalise(f), gb.normalise(g)});
}

// A batch of the change of order holding the bad prime is dropped and the
// pass goes on with fresh primes.  The prime is placed in the mode's first
// batch (the basis lifts with it, and is never taken): second, then last
// (the batch's lane 0).  Mode 8 computes again after its change of order.
TEST(SolvingQQ, ABadPrimeOfTheChangeOfOrderCostsOnlyItsBatch) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}}, lex{{1}};
  const zel::ZEL_BUILD::ModularFigures& fig = zel::ZEL_BUILD::last_modular_figures;
  const uint32_t* table = zel::Zel_Default_Primes32();
  for (uint32_t place : {1u, 7u}) {
    SCOPED_TRACE("place " + std::to_string(place));
    const mpz_class p = table[zel::kDefaultPrimes - 1 - place];
    const std::vector<QPoly> F = points_colliding_modulo(gb, p);
    ASSERT_EQ(F.size(), 3u);
    check_solving(F, 2, 3, 8);
    EXPECT_GE(fig.discarded, 1u);
    std::vector<QPoly> shape = run(F, 2, ZEL_COMPUTE_RADICAL_STRATEG1, 0, 0, 0, 8);
    EXPECT_GE(fig.discarded, 1u);
    for (QPoly& g : shape) g = NaiveGroebnerQQ::monic(lex.normalise(g));
    lex.sort_basis(shape);
    std::vector<QPoly> in;
    for (const QPoly& f : F) in.push_back(lex.normalise(f));
    EXPECT_EQ(shape, lex.basis(in));
  }
}

TEST(SolvingQQ, KatsuraFourParametrisationAndMinimalPolynomial) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  check_solving(katsura4(gb), 5, 16);  // 16 solutions, with multiplicity
}

QPoly poly(const NaiveGroebnerQQ& gb, int n, std::vector<std::pair<std::vector<int>, int>> terms) {
  QPoly f;
  for (auto& [e, c] : terms) {
    e.resize(size_t(n), 0);
    f.push_back({NMono(e.begin(), e.end()), mpq_class(c)});
  }
  return gb.normalise(f);
}

// Coefficients of a few thousand bits from a first batch of 8 primes: the
// passes grow past 64 primes by a quarter each until the parametrisation
// lifts, and it is exact.
TEST(SolvingQQ, LargeCoefficientsLiftPastTheDoublingPasses) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const mpz_class a = (mpz_class(1) << 2100) + 12345, b = (mpz_class(3) << 2000) - 7;
  QPoly f1 = {{NMono{1, 0, 0}, 1}, {NMono{0, 0, 2}, -1}, {NMono{0, 0, 0}, mpq_class(a)}};
  QPoly f2 = {{NMono{0, 1, 0}, 1}, {NMono{0, 0, 1}, mpq_class(b)}, {NMono{0, 0, 0}, -1}};
  QPoly f3 = {{NMono{0, 0, 3}, 1}, {NMono{0, 0, 1}, mpq_class(-a)}, {NMono{0, 0, 0}, mpq_class(b)}};
  check_solving({gb.normalise(f1), gb.normalise(f2), gb.normalise(f3)}, 3, 3, 8);
}

// Inputs monic in their leading terms whose basis is not: p x0 - 1,
// p x1 - 1, x2^2 - 2.  Modulo p the system has no solution: p, in the
// first batch, is a bad prime of the basis computed there, and its batch is
// never combined.
TEST(SolvingQQ, APrimeDividingALeadingCoefficientOfTheBasisIsNotCombined) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const mpz_class p = zel::Zel_Default_Primes32()[zel::kDefaultPrimes - 1 - 3];
  QPoly f1 = {{NMono{1, 0, 0}, 1}, {NMono{0, 1, 0}, mpq_class(p - 1)}, {NMono{0, 0, 0}, -1}};
  QPoly f2 = {{NMono{1, 0, 0}, 1}, {NMono{0, 1, 0}, -1}};
  QPoly f3 = {{NMono{0, 0, 2}, 1}, {NMono{0, 0, 0}, -2}};
  check_solving({gb.normalise(f1), gb.normalise(f2), gb.normalise(f3)}, 3, 2);
  EXPECT_GE(zel::ZEL_BUILD::last_modular_figures.discarded, 1u);
}

// p y0 - 1 and p y1 - 1 beside katsura-7 (in variables of their own, put
// first): the basis is the union of the two, with leading coefficient p.
// From batches of 5 primes the basis is taken after 20 primes; p, the
// table's 26th prime, must then stay out of the passes that reduce it.
TEST(SolvingQQ, PrimesDividingALeadingCoefficientOfTheTakenBasisAreLeftOut) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const zel::ZEL_BUILD::ModularFigures& fig = zel::ZEL_BUILD::last_modular_figures;
  const mpz_class p = zel::Zel_Default_Primes32()[zel::kDefaultPrimes - 1 - 25];
  std::vector<QPoly> F;
  F.push_back({{NMono{1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
               {NMono{0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, mpq_class(p - 1)},
               {NMono(10, 0), -1}});
  F.push_back({{NMono{1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1}, {NMono{0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, -1}});
  for (QPoly f : qq_system(NaiveGroebnerQQ{{0}}, zs_katsura, 7)) {
    for (QTerm& t : f) t.e.insert(t.e.begin(), 2, 0);
    F.push_back(f);
  }
  for (QPoly& f : F) f = gb.normalise(f);
  // The later batches walk the table, so that one meets p.
  zel::ZEL_BUILD::draw_later_batches = false;
  const std::vector<QPoly> taken = run(F, 10, ZEL_COMPUTE_RRFORM, 0, 0, 0, 5);
  zel::ZEL_BUILD::draw_later_batches = true;
  EXPECT_EQ(fig.basis_primes, 20u);
  EXPECT_GE(fig.skipped_primes, 1u);
  const std::vector<QPoly> per_pass = run(F, 10, ZEL_COMPUTE_RRFORM, 0, 0, 0, 16);
  EXPECT_EQ(fig.basis_primes, 0u);
  EXPECT_EQ(taken, per_pass);
  ASSERT_EQ(taken.size(), 10u);
  EXPECT_EQ(taken[0][0].e, (NMono{1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// y0 = T and y1 = 2^63 (T through its digits in base y1) beside katsura-7,
// with T = r + P j, P the product of the table's first 20 primes: modulo
// them T is r, which would lift at once.  The degree-order basis lifts
// before the parametrisation and the later passes take it, so it must not
// lift from primes known in advance.
TEST(SolvingQQ, ATakenBasisIsNotLiftedFromPrimesTheInputWasBuiltAgainst) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const zel::ZEL_BUILD::ModularFigures& fig = zel::ZEL_BUILD::last_modular_figures;
  mpz_class P = 1;
  for (int k = 0; k < 20; ++k) P *= zel::Zel_Default_Primes32()[zel::kDefaultPrimes - 1 - k];
  const mpz_class T = mpz_class("0x7f4a7c15f39cc0605", 0) + P * mpz_class("0x1f3d5b79", 0);
  const mpz_class base = mpz_class(1) << 63;
  std::vector<QPoly> F;
  QPoly y0 = {{NMono{1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1}};
  mpz_class rest = T;
  for (int d = 0; rest != 0; ++d, rest /= base) {
    NMono e(10, 0);
    e[1] = d;
    if (rest % base != 0) y0.push_back({e, mpq_class(-mpz_class(rest % base))});
  }
  F.push_back(y0);
  F.push_back({{NMono{0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, 1}, {NMono(10, 0), mpq_class(-base)}});
  for (QPoly f : qq_system(NaiveGroebnerQQ{{0}}, zs_katsura, 7)) {
    for (QTerm& t : f) t.e.insert(t.e.begin(), 2, 0);
    F.push_back(f);
  }
  for (QPoly& f : F) f = gb.normalise(f);
  const std::vector<QPoly> R = run(F, 10, ZEL_COMPUTE_RRFORM, 0, 0, 0, 5);
  EXPECT_GT(fig.basis_primes, 0u);
  // The parametrisation of y0 is y0 u(t) - T u(t), u = f' / deg f for the
  // monic f: its term in t^e is -T (e + 1) f_(e+1) / deg f.
  ASSERT_EQ(R.size(), 10u);
  const QPoly& f = R.back();
  const int D = f[0].e[9];
  for (size_t k = 1; k < R[0].size(); ++k) {
    const int e = R[0][k].e[9];
    mpq_class next = 0;
    for (const QTerm& t : f)
      if (t.e[9] == e + 1) next = t.c / f[0].c;
    EXPECT_EQ(R[0][k].c / R[0][0].c, -T * (e + 1) * next / D) << "t^" << e;
  }
}

// katsura-7 from batches of 5 primes: its degree-order basis lifts before
// its parametrisation, and the later passes change the order of the lifted
// basis modulo their primes; from batches of 16 the basis is never taken.
// Both runs give the same answers, and no batch of either disagrees with
// its first.
TEST(SolvingQQ, ABasisThatLiftsFirstServesTheLaterPasses) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const zel::ZEL_BUILD::ModularFigures& fig = zel::ZEL_BUILD::last_modular_figures;
  const std::vector<QPoly> F = qq_system(gb, zs_katsura, 7);
  for (int mode : {ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_MINPOLY}) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    const std::vector<QPoly> taken = run(F, 8, mode, 0, 0, 0, 5);
    EXPECT_GT(fig.basis_primes, 0u);
    EXPECT_LT(fig.basis_primes, fig.primes);
    EXPECT_EQ(fig.discarded, 0u);
    EXPECT_EQ(fig.restarts, 0u);
    const std::vector<QPoly> per_pass = run(F, 8, mode, 0, 0, 0, 16);
    EXPECT_EQ(fig.basis_primes, 0u);
    EXPECT_EQ(fig.discarded, 0u);
    EXPECT_EQ(taken, per_pass);
  }
}

// Bases whose matrix of the last variable needs normal forms of products
// that are neither standard nor leading monomials: the points
// x_j = q_j(x2) with h(x2) = 0 have x1 * x2 standard and x2^2 leading, so
// x2 * x1 * x2 needs one.
TEST(SolvingQQ, ProductsOutsideTheBasisGetNormalForms) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> F = {
      poly(gb, 3, {{{1}, 1}, {{0, 0, 2}, -2}, {{0, 0, 1}, 1}, {{}, -1}}),
      poly(gb, 3, {{{0, 1}, 1}, {{0, 0, 2}, -1}, {{0, 0, 1}, -3}, {{}, 2}}),
      poly(gb, 3, {{{0, 0, 4}, 1}, {{0, 0, 3}, 2}, {{0, 0, 1}, -5}, {{}, 3}})};
  check_solving(F, 3, 4);
  // {x0^2 - 1, x1 - 1}: x1 * x0 needs a normal form; the minimal polynomial
  // of x1 is t - 1.
  const std::vector<QPoly> two = {poly(gb, 2, {{{2}, 1}, {{}, -1}}),
                                  poly(gb, 2, {{{0, 1}, 1}, {{}, -1}})};
  const std::vector<QPoly> M = run(two, 2, ZEL_COMPUTE_MINPOLY);
  ASSERT_EQ(M.size(), 1u);
  Uni g = in_last(M[0], 2, 0);
  for (auto& c : g) c /= M[0][0].c;
  EXPECT_EQ(g, (Uni{-1, 1}));

  // cyclic-5: the minimal polynomial of x4 vanishes on the ideal.
  const std::vector<QPoly> C = qq_system(gb, zs_cyclic, 5);
  const std::vector<QPoly> MC = run(C, 5, ZEL_COMPUTE_MINPOLY);
  ASSERT_EQ(MC.size(), 1u);
  EXPECT_GT(MC[0].size(), 2u);
  EXPECT_TRUE(gb.reduce(gb.normalise(MC[0]), gb.basis(C)).empty());
}

// Mode 11: the degree basis of katsura-3, then a second basis of it (with
// one input added again) on the block order (x0 x1 x2 | x3), which for this
// ideal in shape position is x_j - g_j(x3), f(x3); its rational
// parametrisation must be mode 2's, reached through the change of order.
TEST(SolvingQQ, SecondBasisOnABlockGivesTheParametrisation) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> F = qq_system(gb, zs_katsura, 3);
  ASSERT_EQ(F.size(), 4u);
  auto monic_set = [&](std::vector<QPoly> B) {
    for (QPoly& g : B) g = NaiveGroebnerQQ::monic(gb.normalise(g));
    std::sort(B.begin(), B.end(), [](const QPoly& a, const QPoly& b) { return a[0].e > b[0].e; });
    return B;
  };
  const std::vector<QPoly> rr = run(F, 4, ZEL_COMPUTE_RRFORM);
  ASSERT_EQ(rr.size(), 4u);
  ASSERT_EQ(in_last(rr.back(), 4, 0).size(), 9u);  // 8 solutions
  std::vector<QPoly> twice = F;
  twice.push_back(F[0]);
  const std::vector<QPoly> multi = run(twice, 4, ZEL_COMPUTE_GBASIS_MULTI, 0, 1, 3);
  EXPECT_EQ(monic_set(multi), monic_set(rr));
}

// Four solutions in shape position.
std::vector<QPoly> four_solutions(const NaiveGroebnerQQ& gb) {
  return {poly(gb, 2, {{{1, 2}, 22}, {{2, 1}, -3}, {{1, 1}, -1}, {{}, -10}}),
          poly(gb, 2, {{{1, 2}, -4}, {{2, 1}, -1}, {{1, 1}, 5}, {{1}, 14}})};
}

// Mode 11 without a second basis: the first basis, on the blocks (x0 | x1)
// that bk0 = 1 asks for, is changed in order like the degree basis of
// mode 2 and gives its parametrisation.
TEST(SolvingQQ, FirstBasisOnABlockAloneGivesTheParametrisation) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> F = four_solutions(gb);
  const std::vector<QPoly> rr = run(F, 2, ZEL_COMPUTE_RRFORM);
  ASSERT_EQ(rr.size(), 2u);
  ASSERT_EQ(in_last(rr.back(), 2, 0).size(), 5u);
  EXPECT_EQ(run(F, 2, ZEL_COMPUTE_GBASIS_MULTI, 0, 0, 0, -1, 1), rr);
}

// Three dense cubics in three variables with small coefficients: 27
// solutions in shape position.
std::vector<QPoly> dense_cubics(const NaiveGroebnerQQ& gb) {
  std::vector<QPoly> F;
  uint64_t s = 0x9E3779B97F4A7C15ULL;
  for (int k = 0; k < 3; ++k) {
    QPoly f;
    for (int a = 0; a <= 3; ++a)
      for (int b = 0; a + b <= 3; ++b)
        for (int c = 0; a + b + c <= 3; ++c) {
          s = s * 6364136223846793005ULL + 1442695040888963407ULL;
          const int coefficient = int((s >> 33) % 21) - 10;
          if (coefficient != 0) f.push_back({NMono{a, b, c}, mpq_class(coefficient)});
        }
    F.push_back(gb.normalise(f));
  }
  return F;
}

// Mode 11 without a second basis, its blocks split before the last
// variable: its block basis holds polynomials of degree about the number of
// solutions, from which the degree-order basis that the change of order
// reads would cost many times the block basis itself.  Counted by the
// eliminations' multiply-adds over the whole request, it does about the
// work of mode 1 on those blocks and of mode 2 together.
TEST(SolvingQQ, FirstBasisOnABlockCostsAboutTheBlockBasisAndTheDegreeBasis) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> F = dense_cubics(gb);
  uint64_t& products = zel::ZEL_BUILD::elimination_products;
  uint64_t before = products;
  const std::vector<QPoly> rr = run(F, 3, ZEL_COMPUTE_RRFORM);
  const uint64_t degree_basis = products - before;
  ASSERT_EQ(in_last(rr.back(), 3, 0).size(), 28u);
  start_qq_session(2, 1);
  std::vector<void*> in = send_qq(F, 3);
  sZEL_Comp_Desc env{};
  env._compute = ZEL_COMPUTE_GBASIS;
  std::vector<void*> out(100000);
  double cpu = 0;
  before = products;
  ASSERT_GT(Zel_int_groebner(in.data(), 3, out.data(), 1, 0, &cpu, 0, -1, 0, &env), 0u);
  const uint64_t block_basis = products - before;
  before = products;
  EXPECT_EQ(run(F, 3, ZEL_COMPUTE_GBASIS_MULTI, 0, 0, 0, -1, 2), rr);
  EXPECT_LE(products - before, 2 * (block_basis + degree_basis));
}

TEST(SolvingQQ, MoreSecondPolynomialsThanInputsAreRefused) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  EXPECT_RAISES(run(four_solutions(gb), 2, ZEL_COMPUTE_GBASIS_MULTI, 0, 5, 1),
                "Too many polynomials for 2nd computation (m=2,m2=5)\n");
}

// {x0^2 - 1, x1^2 - 1}: four solutions, two values of x1.  The
// parametrisation modes say why there is none; the minimal polynomial is
// still given.
TEST(SolvingQQ, NoParametrisationByANonSeparatingVariable) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> F = {poly(gb, 2, {{{2}, 1}, {{}, -1}}),
                                poly(gb, 2, {{{0, 2}, 1}, {{}, -1}})};
  for (int mode : {ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_RRFORM_SQFR, ZEL_COMPUTE_MATRIXN}) {
    try {
      run(F, 2, mode);
      ADD_FAILURE() << "mode " << mode << " gave a parametrisation";
    } catch (const zel_test::HostError& e) {
      EXPECT_NE(std::string(e.what()).find("its minimal polynomial has degree 2, but the system "
                                           "has 4 solutions counted with multiplicity"),
                std::string::npos)
          << e.what();
    }
  }
  const std::vector<QPoly> M = run(F, 2, ZEL_COMPUTE_MINPOLY);
  ASSERT_EQ(M.size(), 1u);
  Uni g = in_last(M[0], 2, 0);
  for (auto& c : g) c /= M[0][0].c;
  EXPECT_EQ(g, (Uni{-1, 0, 1}));
}

// {x0 - x1^2, x1^3}: one solution, of multiplicity 3, where x0 vanishes.
// The square-free parametrisation keeps x0's entry: x0 alone, then x1.
TEST(SolvingQQ, AVariableVanishingAtEverySolutionKeepsItsEntry) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> F = {poly(gb, 2, {{{1}, 1}, {{0, 2}, -1}}), poly(gb, 2, {{{0, 3}, 1}})};
  const std::vector<QPoly> R = run(F, 2, ZEL_COMPUTE_RRFORM_SQFR);
  EXPECT_EQ(R, (std::vector<QPoly>{poly(gb, 2, {{{1}, 1}}), poly(gb, 2, {{{0, 1}, 1}})}));
}

mpq_class eval(const Uni& a, const mpq_class& r) {
  mpq_class v = 0;
  for (size_t i = a.size(); i-- > 0;) v = v * r + a[i];
  return v;
}

// Points x0 = 2t^2 - t + 1, x1 = t^2 + 3t - 2 with t a root of
// (t - 1)^2 (t - 2)(t + 3): the double root makes the ideal non-radical.
// Mode 8 gives x_j + R_j and f = (t - 1)(t - 2)(t + 3); mode 9 localised by
// x2 + 3 drops that root and gives x_j + R_j f'/d.
TEST(SolvingQQ, RadicalStrategiesRemoveMultipleRoots) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> F = {
      poly(gb, 3, {{{1}, 1}, {{0, 0, 2}, -2}, {{0, 0, 1}, 1}, {{}, -1}}),
      poly(gb, 3, {{{0, 1}, 1}, {{0, 0, 2}, -1}, {{0, 0, 1}, -3}, {{}, 2}}),
      poly(gb, 3, {{{0, 0, 4}, 1}, {{0, 0, 3}, -1}, {{0, 0, 2}, -7}, {{0, 0, 1}, 13}, {{}, -6}})};
  const std::vector<Uni> q = {{1, -1, 2}, {-2, 3, 1}};
  for (int mode : {ZEL_COMPUTE_RADICAL_STRATEG1, ZEL_COMPUTE_RADICAL_STRATEG2}) {
    const bool localised = mode == ZEL_COMPUTE_RADICAL_STRATEG2;
    std::vector<QPoly> in = F;
    if (localised) in.push_back(poly(gb, 3, {{{0, 0, 1}, 1}, {{}, 3}}));
    const std::vector<QPoly> R = run(in, 3, mode, localised ? 1 : 0);
    ASSERT_EQ(R.size(), 3u);
    Uni f = in_last(R.back(), 3, 0);
    for (auto& c : f) c /= R.back()[0].c;
    EXPECT_EQ(f, localised ? (Uni{2, -3, 1}) : (Uni{6, -7, 0, 1})) << "mode " << mode;
    Uni df;
    for (size_t i = 1; i < f.size(); ++i) df.push_back(f[i] * int(i) / int(f.size() - 1));
    for (int r : localised ? std::vector<int>{1, 2} : std::vector<int>{1, 2, -3})
      for (int j = 0; j < 2; ++j) {
        mpq_class x = -eval(in_last(R[j], 3, 1), r) / R[j][0].c;
        if (localised) x /= eval(df, r);
        EXPECT_EQ(x, eval(q[j], r)) << "mode " << mode << ", x" << j << " at " << r;
      }
  }
  // Mode 7 with the square-free polynomial of x2 appended: the basis
  // computed again is the naive basis of the radical.
  const QPoly sqfr = poly(gb, 3, {{{0, 0, 3}, 1}, {{0, 0, 1}, -7}, {{}, 6}});
  std::vector<QPoly> in{sqfr};
  in.insert(in.end(), F.begin(), F.end());
  const std::vector<QPoly> got = run(in, 3, ZEL_COMPUTE_GBASIS_NF_RECOMPUTE, 1);
  std::vector<QPoly> expect = gb.basis(in);
  ASSERT_EQ(got.size(), expect.size());
  for (auto& g : expect) g = NaiveGroebnerQQ::monic(g);
  for (const QPoly& g : got)
    EXPECT_NE(std::find(expect.begin(), expect.end(), NaiveGroebnerQQ::monic(gb.normalise(g))),
              expect.end());
}

// Katsura-4 with its last (linear) equation squared: 32 solutions counted
// with multiplicity, 16 distinct ones that the last variable separates.
std::vector<QPoly> katsura4_doubled(const NaiveGroebnerQQ& gb) {
  std::vector<QPoly> F = katsura4(gb);
  QPoly square;
  for (const QTerm& a : F.back())
    for (const QTerm& b : F.back()) {
      NMono e = a.e;
      for (size_t v = 0; v < e.size(); ++v) e[v] += b.e[v];
      square.push_back({e, a.c * b.c});
    }
  F.back() = gb.normalise(square);
  return F;
}

// The square-free minimal polynomial of a doubled katsura-4 (degree 16,
// 32 solutions) needs its normal form, on every lane of every batch.  The
// matrix of multiplication by the last variable takes it with each product
// of the normal set reduced once; term by term, Horner's rule reduces them
// again at each of its 16 steps: work that grows as the cube of the number
// of solutions, minutes beyond a thousand.
TEST(SolvingQQ, RadicalStepReducesNoProductTermByTerm) {
  const NaiveGroebnerQQ gb{{0}};
  const uint64_t before = zel::ZEL_BUILD::term_reduction_products;
  std::vector<QPoly> R;
  {
    zel_test::TestHost chatty(4);
    R = run(katsura4_doubled(gb), 5, ZEL_COMPUTE_RADICAL_STRATEG1);
    EXPECT_NE(zel_test::captured().printed.find("Take NF of deg 16"), std::string::npos);
  }
  EXPECT_EQ(zel::ZEL_BUILD::term_reduction_products - before, 0u);
  check_parametrisation(katsura4(gb), 5, R, 16, ZEL_COMPUTE_RADICAL_STRATEG1, true);
}

// The change of order after the radical step meets a minimal polynomial
// that divides a square-free one, whether a polynomial joined the basis
// (doubled katsura-4) or not (katsura-4): counted in multiply-adds of
// univariate arithmetic per prime (the two modes lift results of different
// sizes), mode 8 does no more than mode 5, whose change of order takes the
// one square-free part.
TEST(SolvingQQ, RadicalStepTakesNoSquareFreePartAgain) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const zel::ZEL_BUILD::ModularFigures& fig = zel::ZEL_BUILD::last_modular_figures;
  uint64_t& products = zel::ZEL_BUILD::univariate_products;
  const std::vector<std::pair<std::string, std::vector<QPoly>>> systems = {
      {"katsura-4", katsura4(gb)}, {"doubled katsura-4", katsura4_doubled(gb)}};
  for (const auto& [name, F] : systems) {
    SCOPED_TRACE(name);
    uint64_t before = products;
    ASSERT_EQ(run(F, 5, ZEL_COMPUTE_MINPOLY_SQFR).size(), 1u);
    const uint64_t square_free = products - before;
    const uint64_t square_free_primes = fig.primes;
    ASSERT_EQ(fig.discarded, 0u);
    before = products;
    ASSERT_EQ(run(F, 5, ZEL_COMPUTE_RADICAL_STRATEG1).size(), 5u);
    ASSERT_EQ(fig.discarded, 0u);
    EXPECT_GT(square_free, 0u);
    EXPECT_LE((products - before) * square_free_primes, square_free * fig.primes);
  }
}

// Four simple solutions that the last variable separates, so the
// square-free minimal polynomial has degree 4, the size of the normal set,
// and is the minimal polynomial itself.  It lies in the ideal: the radical
// step takes no normal form of it, in any batch.
TEST(SolvingQQ, RadicalStepTakesNoNormalFormOfAMinimalPolynomialOfFullDegree) {
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> F = four_solutions(gb);
  std::vector<QPoly> R;
  {
    zel_test::TestHost chatty(4);
    R = run(F, 2, ZEL_COMPUTE_RADICAL_STRATEG1);
    EXPECT_NE(zel_test::captured().printed.find("Compute NF minpoly"), std::string::npos);
    EXPECT_EQ(zel_test::captured().printed.find("Take NF of deg"), std::string::npos);
  }
  check_parametrisation(F, 2, R, 4, ZEL_COMPUTE_RADICAL_STRATEG1, true);
}

// {x0^2 - 1, x1^2 - 1}: four solutions, two values of x1.  The
// square-free minimal polynomial x1^2 - 1 lies in the ideal, so nothing
// joins the basis, which is not computed again before the change of order
// says why there is no parametrisation (on a batch of drawn primes too).
TEST(SolvingQQ, RadicalStepWithNothingToAddKeepsTheBasis) {
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> F = {poly(gb, 2, {{{2}, 1}, {{}, -1}}),
                                poly(gb, 2, {{{0, 2}, 1}, {{}, -1}})};
  zel_test::TestHost chatty(4);
  try {
    run(F, 2, ZEL_COMPUTE_RADICAL_STRATEG1);
    ADD_FAILURE() << "a parametrisation by a variable that does not separate";
  } catch (const zel_test::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("its minimal polynomial has degree 2, but the system "
                                         "has 4 solutions counted with multiplicity"),
              std::string::npos)
        << e.what();
  }
  EXPECT_NE(zel_test::captured().printed.find("ne rajoute pas de polynome"), std::string::npos);
  EXPECT_EQ(zel_test::captured().printed.find("Recompute DRL"), std::string::npos);
}

// Mode 6 gives pairs (multiplier m, normal form made integral): m is the
// lcm of the denominators of the normal form over QQ, and the second member
// is m times it, so m f - (second member) lies in the ideal.
TEST(SolvingQQ, NormalFormsOfTheInputsVanish) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> F = katsura4(gb);
  std::vector<QPoly> req = F;
  const QPoly x0sq{{NMono{2, 0, 0, 0, 0}, 1}};
  const QPoly mixed{{NMono{1, 1, 0, 2, 0}, 3}, {NMono{0, 0, 1, 0, 1}, -5}, {NMono{0, 0, 0, 0, 0}, 7}};
  req.push_back(x0sq);
  req.push_back(mixed);
  const std::vector<QPoly> G = gb.basis(F);
  for (const QPoly& g : G) req.push_back(g);
  const std::vector<QPoly> nf = run(req, 5, ZEL_COMPUTE_GBASIS_NF, int(F.size()) + 2);
  ASSERT_EQ(nf.size(), 2 * (F.size() + 2));
  for (size_t k = 0; k < F.size(); ++k) EXPECT_TRUE(nf[2 * k + 1].empty()) << k;
  for (size_t k = F.size(); k < F.size() + 2; ++k) {
    const QPoly exact = gb.remainder(req[k], G);
    mpz_class den = 1;
    for (const QTerm& t : exact) den = lcm(den, mpz_class(t.c.get_den()));
    ASSERT_GT(den, 1) << k;  // the check below must see a denominator
    ASSERT_EQ(nf[2 * k].size(), 1u);
    EXPECT_EQ(nf[2 * k][0].c, mpq_class(den)) << k;
    QPoly scaled = exact;
    for (QTerm& t : scaled) t.c *= den;
    EXPECT_EQ(nf[2 * k + 1], scaled) << k;
  }
}

// The Hilbert numerator of a basis over QQ: (1 - t)^5 times the series of
// its standard monomials, counted on their own.
TEST(SolvingQQ, HilbertNumeratorOfKatsuraFour) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> G = gb.basis(katsura4(gb));
  std::vector<int64_t> expect;
  std::vector<NMono> todo{NMono(5, 0)};
  std::set<NMono> seen{NMono(5, 0)};
  while (!todo.empty()) {
    NMono m = todo.back();
    todo.pop_back();
    bool standard = true;
    for (auto& g : G) {
      bool divides = true;
      for (int v = 0; v < 5; ++v) divides &= g[0].e[v] <= m[v];
      standard &= !divides;
    }
    if (!standard) continue;
    int d = 0;
    for (int x : m) d += x;
    if (expect.size() <= size_t(d)) expect.resize(d + 1, 0);
    ++expect[d];
    for (int v = 0; v < 5; ++v) {
      NMono c = m;
      ++c[v];
      if (seen.insert(c).second) todo.push_back(c);
    }
  }
  for (int k = 0; k < 5; ++k) {
    expect.push_back(0);
    for (size_t i = expect.size(); i-- > 1;) expect[i] -= expect[i - 1];
  }
  while (expect.back() == 0) expect.pop_back();

  run({}, 5, ZEL_COMPUTE_NOP);  // a fresh session of five variables
  std::vector<void*> in;
  for (QPoly f : G) {
    mpz_class den = 1;
    for (auto& t : f) den = lcm(den, mpz_class(t.c.get_den()));
    void* p = Zel_int_creat_poly(UI32(f.size()));
    for (size_t t = 0; t < f.size(); ++t) {
      std::vector<I32> e(f[t].e.begin(), f[t].e.end());
      Zel_int_set_expos2(p, UI32(t), e.data(), 5);
      mpq_class c = f[t].c * den;
      Zel_int_set_coeff_gmp(p, UI32(t), c.get_num_mpz_t());
    }
    Zel_int_full_sort_poly2(p);
    in.push_back(p);
  }
  std::vector<void*> out(1);
  double cpu;
  ASSERT_EQ(Zel_int_hilbert(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, 0, 0, 0), 1u);
  const UI32 m = Zel_int_nb_terms(out[0]);
  std::vector<UI32> e(size_t(m) * 5 + 1);
  mpz_srcptr* c = Zel_int_export_poly_INT_gmp(5, m, e.data(), out[0]);
  std::vector<int64_t> got;
  for (UI32 t = 0; t < m; ++t) {
    if (got.size() <= e[t * 5]) got.resize(e[t * 5] + 1, 0);
    got[e[t * 5]] = mpz_get_si(c[t]);
  }
  EXPECT_EQ(got, expect);
}

// ---- refusals seen on the first batch ----------------------------------------

// The product of the `count` table primes from place `first` down (0: the
// largest); the first 8 are the first batch of a request with small
// coefficients.
mpz_class table_primes(int first, int count = 8) {
  mpz_class P = 1;
  for (int k = first; k < first + count; ++k)
    P *= zel::Zel_Default_Primes32()[zel::kDefaultPrimes - 1 - k];
  return P;
}

// Systems in x0, x1 and x2 with x1 = 2^32 (their first input): a large N
// enters as N(x1), its digits in base 2^32 on the powers of x1, so that
// the inputs keep coefficients of a word or two, and the first batch its
// 8 primes.  Adds c N(x1) m to f.
void add_in_base(QPoly& f, const mpz_class& N, NMono m, const mpq_class& c) {
  const mpz_class base = mpz_class(1) << 32;
  mpz_class rest = N;
  for (; rest != 0; rest /= base, ++m[1])
    if (rest % base != 0) f.push_back({m, c * mpq_class(mpz_class(rest % base))});
}
QPoly x1_is_two_to_32(const NaiveGroebnerQQ& gb) {
  return gb.normalise({{NMono{0, 1, 0}, 1}, {NMono{0, 0, 0}, -mpq_class(mpz_class(1) << 32)}});
}

// {x1 - 2^32, P(x1) x0 - 1, x2^2 - 2}: x0 = 1/P.  Modulo every prime of P
// the system has no solution.
std::vector<QPoly> denominator_of(const NaiveGroebnerQQ& gb, const mpz_class& P) {
  QPoly f = {{NMono{0, 0, 0}, -1}};
  add_in_base(f, P, NMono{1, 0, 0}, 1);
  return {x1_is_two_to_32(gb), gb.normalise(f), poly(gb, 3, {{{0, 0, 2}, 1}, {{}, -2}})};
}

// {x1 - 2^32, P(x1) (x0 - x2) + (x2^2 - 2) x0, x2^2 - 2}: x0 = x2.  The
// leading coefficient of the second input vanishes modulo every prime of
// P, which leaves x0 free.
std::vector<QPoly> leading_coefficient_of(const NaiveGroebnerQQ& gb, const mpz_class& P) {
  QPoly f = {{NMono{1, 0, 2}, 1}, {NMono{1, 0, 0}, -2}};
  add_in_base(f, P, NMono{1, 0, 0}, 1);
  add_in_base(f, P, NMono{0, 0, 1}, -1);
  return {x1_is_two_to_32(gb), gb.normalise(f), poly(gb, 3, {{{0, 0, 2}, 1}, {{}, -2}})};
}

// The points x0 = 1, 2, 3 with x2 = P (x0 - 1)(3 - x0) + (x0 - 1)(x0 - 2)/2,
// that is x2 = 0, P and 1: modulo every prime of P, x2 does not separate
// the first two.
std::vector<QPoly> collision_of(const NaiveGroebnerQQ& gb, const mpz_class& P) {
  QPoly f = {{NMono{0, 0, 1}, 2}, {NMono{2, 0, 0}, -1}, {NMono{1, 0, 0}, 3}, {NMono{0, 0, 0}, -2}};
  add_in_base(f, P, NMono{2, 0, 0}, 2);
  add_in_base(f, P, NMono{1, 0, 0}, -8);
  add_in_base(f, P, NMono{0, 0, 0}, 6);
  return {x1_is_two_to_32(gb), poly(gb, 3, {{{3}, 1}, {{2}, -6}, {{1}, 11}, {{}, -6}}),
          gb.normalise(f)};
}

// Systems built against the first batch: its primes give no solution,
// infinitely many, or a last variable that does not separate them, where
// the system has finitely many that it separates.  The refusal is checked
// on drawn primes, which answer.  The same systems against table primes
// 9-16 are answered as they stand.  Built against the first 16, the batch
// that checks the refusal must not be the next in table order.
TEST(SolvingQQ, ADenominatorOfTheFirstBatchIsNotARefusal) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  for (int first : {0, 8}) {
    SCOPED_TRACE("primes from " + std::to_string(first));
    check_solving(denominator_of(gb, table_primes(first)), 3, 2);
  }
  SCOPED_TRACE("the first 16 primes");
  check_solving(denominator_of(gb, table_primes(0, 16)), 3, 2);
  run(denominator_of(gb, table_primes(0, 16)), 3, ZEL_COMPUTE_RRFORM);
  EXPECT_EQ(zel::ZEL_BUILD::last_modular_figures.discarded, 1u);
}

TEST(SolvingQQ, ALeadingCoefficientVanishingOnTheFirstBatchIsNotARefusal) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  for (int first : {0, 8}) {
    SCOPED_TRACE("primes from " + std::to_string(first));
    check_solving(leading_coefficient_of(gb, table_primes(first)), 3, 2);
  }
}

// Modes 2, 3, 11 (one basis, for the degree order: bk0 0) and 12 give the
// parametrisation, mode 8 the shape form, mode 9 with the localiser
// x2 - 1 the parametrisation of the two colliding points.
TEST(SolvingQQ, SolutionsCollidingOnTheFirstBatchAreSeparated) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  for (int first : {0, 8}) {
    SCOPED_TRACE("primes from " + std::to_string(first));
    const mpz_class P = table_primes(first);
    const std::vector<QPoly> F = collision_of(gb, P);
    for (int mode : {ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_RRFORM_SQFR, ZEL_COMPUTE_GBASIS_MULTI,
                     ZEL_COMPUTE_MATRIXN, ZEL_COMPUTE_RADICAL_STRATEG1})
      check_parametrisation(F, 3, run(F, 3, mode), 3, mode, mode == ZEL_COMPUTE_RADICAL_STRATEG1);
    std::vector<QPoly> localised = F;
    localised.push_back(poly(gb, 3, {{{0, 0, 1}, 1}, {{}, -1}}));
    const std::vector<QPoly> R = run(localised, 3, ZEL_COMPUTE_RADICAL_STRATEG2, 1);
    check_parametrisation(F, 3, R, 2, ZEL_COMPUTE_RADICAL_STRATEG2);
    EXPECT_EQ(monic_last(R, 3), (Uni{0, mpq_class(-P), 1}));
  }
}

// 4294967111, the smallest prime of the first batch (its lane 0), is bad
// for {p x0 - 8 x1^2 + 6 x1 - 5, x1^3 - 9 x1^2 - 9 x1 - 8} (no solution
// modulo p) and for {p x0 + x1^3 - 9 x1^2 - 9 x1 - 8, the cubic} (x0 free
// modulo p): the other lanes are not, and the batch must not end the
// request, whatever the primes per residue vector of the session.
TEST(SolvingQQ, ABadLaneZeroOfTheFirstBatchIsNotARefusal) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const uint32_t p = 4294967111u;
  ASSERT_EQ(zel::Zel_Default_Primes32()[zel::kDefaultPrimes - 1 - 7], p);
  const QPoly cubic = poly(gb, 2, {{{0, 3}, 1}, {{0, 2}, -9}, {{0, 1}, -9}, {{}, -8}});
  QPoly none = poly(gb, 2, {{{0, 2}, -8}, {{0, 1}, 6}, {{}, -5}});
  none.push_back({NMono{1, 0}, mpq_class(p)});
  QPoly free = cubic;
  free.push_back({NMono{1, 0}, mpq_class(p)});
  for (const QPoly& first : {none, free}) {
    const std::vector<QPoly> F = {gb.normalise(first), cubic};
    for (uint32_t lanes : {1u, 5u})
      for (int mode :
           {ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_RRFORM_SQFR, ZEL_COMPUTE_MINPOLY,
            ZEL_COMPUTE_MINPOLY_SQFR, ZEL_COMPUTE_RADICAL_STRATEG1, ZEL_COMPUTE_MATRIXN}) {
        SCOPED_TRACE(std::to_string(lanes) + " lanes, mode " + std::to_string(mode));
        const std::vector<QPoly> R = run(F, 2, mode, 0, 0, 0, -1, 0, lanes);
        ASSERT_FALSE(R.empty());
        EXPECT_EQ(monic_last(R, 2), (Uni{-8, -9, -9, 1}));
        if (mode != ZEL_COMPUTE_MINPOLY && mode != ZEL_COMPUTE_MINPOLY_SQFR)
          check_parametrisation(F, 2, R, 3, mode, mode == ZEL_COMPUTE_RADICAL_STRATEG1);
      }
  }
}

// Refusals the system itself gives still stand, with their messages, after
// one more batch (of drawn primes).
TEST(SolvingQQ, AGenuineRefusalCostsOneMoreBatch) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const std::vector<std::pair<std::vector<QPoly>, std::string>> cases = {
      {{poly(gb, 2, {{{1, 1}, 1}, {{}, -1}})},
       "The system is not zero-dimensional: this mode needs finitely many solutions\n"},
      {{poly(gb, 2, {{{1}, 1}, {{}, -1}}), poly(gb, 2, {{{1}, 1}, {{0, 1}, 1}, {{}, -2}}),
        poly(gb, 2, {{{0, 1}, 1}, {{}, 1}})},
       "build_last_matrix: the basis has no solution (empty normal set)\n"}};
  for (const auto& [F, message] : cases)
    for (int mode : {ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_MINPOLY, ZEL_COMPUTE_MATRIXN}) {
      SCOPED_TRACE("mode " + std::to_string(mode));
      EXPECT_RAISES(run(F, 2, mode), message);
      EXPECT_EQ(zel::ZEL_BUILD::last_modular_figures.discarded, 1u);
    }
  const std::vector<QPoly> F = {poly(gb, 2, {{{2}, 1}, {{}, -1}}),
                                poly(gb, 2, {{{0, 2}, 1}, {{}, -1}})};
  try {
    run(F, 2, ZEL_COMPUTE_RRFORM);
    ADD_FAILURE() << "a parametrisation by a variable that does not separate";
  } catch (const zel_test::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("does not separate the solutions"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(zel::ZEL_BUILD::last_modular_figures.discarded, 1u);
}

// Systems with infinitely many solutions or none: mode 11's second basis
// ({x1 - 1} with x0 free, {x0 - 1, x2 - 2} with x1 free, {1}) is refused
// as every other solving mode refuses them, once drawn primes refuse too,
// not handed out as an answer.
TEST(SolvingQQ, ASecondBasisRefusesWhatTheOtherModesRefuse) {
  zel_test::TestHost host{0};
  const NaiveGroebnerQQ gb{{0}};
  const std::string infinite =
      "The system is not zero-dimensional: this mode needs finitely many solutions\n";
  const std::string none = "build_last_matrix: the basis has no solution (empty normal set)\n";
  const std::vector<std::tuple<uint32_t, std::vector<QPoly>, std::string>> cases = {
      {2, {poly(gb, 2, {{{0, 1}, 1}, {{}, -1}}), poly(gb, 2, {{{0, 2}, 1}, {{}, -1}})}, infinite},
      {3, {poly(gb, 3, {{{1}, 1}, {{}, -1}}), poly(gb, 3, {{{0, 0, 1}, 1}, {{}, -2}})}, infinite},
      {2, {poly(gb, 2, {{{1}, 1}, {{}, -1}}), poly(gb, 2, {{{1}, 1}, {{}, -2}})}, none}};
  for (const auto& [n, F, message] : cases) {
    for (int mode : {ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_MINPOLY, ZEL_COMPUTE_RADICAL_STRATEG1,
                     ZEL_COMPUTE_GBASIS_MULTI})
      EXPECT_RAISES(run(F, n, mode), message);
    EXPECT_RAISES(run(F, n, ZEL_COMPUTE_GBASIS_MULTI, 0, 1, 1), message);
    EXPECT_EQ(zel::ZEL_BUILD::last_modular_figures.discarded, 1u);
  }
}

}  // namespace
