// The solving modes of the prime-field build through the C interface: the
// shape basis and minimal polynomial of mode 12 and the minimal-polynomial
// modes against the naive basis, the rational parametrisation substituted
// into the inputs, normal forms, Hilbert numerators, and the refusals.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/driver/threads.hpp"
#include "engine/f4/worker_team.hpp"
#include "server/algo/bridge.hpp"
#include "sparse/univariate_modp.hpp"
#include "support/naive_buchberger.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"
#include "support/zel_systems.h"

using zel_test::buchberger::NaiveGroebner;
using zel_test::buchberger::NGPoly;
using zel_test::buchberger::NMono;

namespace {

constexpr UI32 kP = 65521;
using Uni = std::vector<uint64_t>;  // coefficients mod kP, lowest degree first

NGPoly to_naive(const zs_poly& f) {
  NGPoly r;
  for (int t = 0; t < f.nterms; ++t) {
    int64_t c = f.c[t] % int64_t(kP);
    r.push_back({NMono(f.e + t * f.nvars, f.e + (t + 1) * f.nvars), uint32_t(c < 0 ? c + kP : c)});
  }
  return NaiveGroebner{{0}, kP}.normalise(r);
}

NGPoly exported(void* h, UI32 nvars) {
  UI32 m = Zel_nb_terms(h);
  std::vector<UI32> e(size_t(m) * nvars + 1), c(m + 1);
  EXPECT_EQ(Zel_export_poly(nvars, m, e.data(), c.data(), h), 1);
  NGPoly r;
  for (UI32 t = 0; t < m; ++t)
    r.push_back({NMono(e.begin() + t * nvars, e.begin() + (t + 1) * nvars), c[t]});
  return r;
}

// --- Univariate arithmetic modulo kP and modulo a monic f ---------------------
uint64_t inv(uint64_t a) { return zel_test::buchberger::gpow(a, kP - 2, kP); }
Uni trim(Uni a) {
  while (!a.empty() && a.back() == 0) a.pop_back();
  return a;
}
Uni mulmod(const Uni& a, const Uni& b, const Uni& f) {
  Uni r(a.size() + b.size() + 1, 0);
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j) r[i + j] = (r[i + j] + a[i] * b[j]) % kP;
  const size_t d = f.size() - 1;
  for (size_t k = r.size(); k-- > d;) {
    const uint64_t c = r[k];
    if (!c) continue;
    for (size_t i = 0; i <= d; ++i) r[k - d + i] = (r[k - d + i] + (kP - c) * f[i]) % kP;
  }
  r.resize(std::min(r.size(), d));
  return trim(r);
}
Uni addu(Uni a, const Uni& b) {
  if (a.size() < b.size()) a.resize(b.size(), 0);
  for (size_t i = 0; i < b.size(); ++i) a[i] = (a[i] + b[i]) % kP;
  return trim(a);
}
// The univariate polynomial in the last variable (or x_j + R: its R).
Uni tail_in_last(const NGPoly& g, int n, bool skip_lead) {
  Uni r;
  for (size_t t = skip_lead ? 1 : 0; t < g.size(); ++t) {
    const int e = g[t].e[n - 1];
    if (r.size() <= size_t(e)) r.resize(e + 1, 0);
    r[e] = g[t].c;
  }
  return r;
}

struct SolvingTest : ::testing::Test {
  zel_test::TestHost host{0};
  std::vector<void*> out = std::vector<void*>(100000);
  void TearDown() override { Zel_reset_memory(); }

  // n variables, the first n1 of them in a first block; bk0, nb2, bk2:
  // mode 11's.
  std::vector<NGPoly> run(std::vector<zs_poly>& sys, UI32 n, int mode, UI32 nb = 0, UI32 n1 = 0,
                          I32 bk0 = 0, I32 nb2 = 0, I32 bk2 = 0) {
    zs_session(n1, n - n1, kP, 0);
    std::vector<void*> in;
    for (auto& f : sys) in.push_back(zs_send(&f));
    sZEL_Comp_Desc env{};
    env._compute = mode;
    env._nb = I32(nb);
    env._nb2 = nb2;
    env._bk2 = bk2;
    env._aggressive2 = env._dlim = env._skip = -1;
    double t;
    const UI32 k = Zel_groebner(in.data(), UI32(in.size()), out.data(), 1, 0, &t, bk0, 8, 0, &env);
    std::vector<NGPoly> r;
    for (UI32 i = 0; i < k; ++i) r.push_back(exported(out[i], n));
    return r;
  }
};

std::vector<NGPoly> naive_drl(std::vector<zs_poly>& sys) {
  std::vector<NGPoly> in;
  for (auto& f : sys) in.push_back(to_naive(f));
  return NaiveGroebner{{0}, kP}.basis(in);
}

// A naive basis for the order that compares x0 .. x_{s-1} first.
std::vector<NGPoly> naive_elimination(std::vector<zs_poly>& sys, int s) {
  const NaiveGroebner ng{{s}, kP};
  std::vector<NGPoly> in;
  for (auto& f : sys) in.push_back(ng.normalise(to_naive(f)));
  return ng.basis(in);
}

// Standard monomials of a zero-dimensional basis, enumerated on their own.
std::vector<NMono> standard_monomials(const std::vector<NGPoly>& G, int n) {
  std::vector<NMono> todo{NMono(n, 0)}, found;
  std::set<NMono> seen{NMono(n, 0)};
  while (!todo.empty()) {
    NMono m = todo.back();
    todo.pop_back();
    bool standard = true;
    for (auto& g : G) standard &= !NaiveGroebner::divides(g[0].e, m);
    if (!standard) continue;
    found.push_back(m);
    for (int v = 0; v < n; ++v) {
      NMono c = m;
      ++c[v];
      if (seen.insert(c).second) todo.push_back(c);
    }
  }
  return found;
}

// Dense random quadrics: generic, so 2^n distinct solutions that the last
// variable separates.
std::vector<zs_poly> random_zero_dim(std::mt19937_64& rng, int n) {
  std::vector<zs_poly> sys(n);
  for (auto& f : sys) {
    zs_init(&f, n);
    for (int a = 0; a <= n; ++a)
      for (int b = a; b <= n; ++b) {
        int e[8] = {0};
        if (a < n) ++e[a];
        if (b < n) ++e[b];
        zs_add_term(&f, e, int(rng() % 2000) - 1000);
      }
  }
  return sys;
}

void free_all(std::vector<zs_poly>& sys) {
  for (auto& f : sys) zs_free(&f);
}

// Mode 12 gives x_j + R_j for every variable and the minimal polynomial
// last; they must generate the input's ideal with deg f = the number of
// solutions (then they are its reduced lexicographic basis).  Mode 2 gives
// x_j + Q_j with Q_j = R_j f'/d mod f; substituting x_j = -Q_j / (f'/d)
// into every input must vanish modulo f.  Mode 4 gives f alone.
void check_solving(SolvingTest& T, std::vector<zs_poly>& sys, int n) {
  const std::vector<NGPoly> G = naive_drl(sys);
  const size_t D = standard_monomials(G, n).size();
  const NaiveGroebner ng{{0}, kP};

  std::vector<NGPoly> shape = T.run(sys, UI32(n), ZEL_COMPUTE_MATRIXN);
  ASSERT_EQ(shape.size(), size_t(n));
  const Uni f = tail_in_last(shape.back(), n, false);
  ASSERT_EQ(f.size(), D + 1);
  EXPECT_EQ(f.back(), 1u);
  for (int j = 0; j < n; ++j) {
    EXPECT_TRUE(ng.reduce(shape[j], G).empty()) << "polynomial " << j << " not in the ideal";
    if (j + 1 < n) {
      EXPECT_EQ(shape[j][0].e, [&] {
        NMono x(n, 0);
        x[j] = 1;
        return x;
      }());
      EXPECT_LT(tail_in_last(shape[j], n, true).size(), D + 1);
    }
  }

  std::vector<NGPoly> rr = T.run(sys, UI32(n), ZEL_COMPUTE_RRFORM);
  ASSERT_EQ(rr.size(), size_t(n));
  EXPECT_EQ(tail_in_last(rr.back(), n, false), f);
  Uni u(D, 0);  // f'/d
  for (size_t i = 1; i <= D; ++i) u[i - 1] = f[i] * i % kP * inv(D % kP) % kP;
  u = trim(u);
  std::vector<Uni> num(n);  // x_j * u, as polynomials in t
  for (int j = 0; j + 1 < n; ++j) {
    Uni q = tail_in_last(rr[j], n, true);
    for (auto& c : q) c = (kP - c) % kP;
    num[j] = trim(q);
  }
  num[n - 1] = mulmod(Uni{0, 1}, u, f);
  for (auto& g0 : sys) {
    const NGPoly g = to_naive(g0);
    int deg = 0;
    for (auto& t : g) deg = std::max(deg, NaiveGroebner::deg(t.e));
    Uni sum;
    for (auto& t : g) {
      Uni term{t.c};
      int used = 0;
      for (int v = 0; v < n; ++v)
        for (int k = 0; k < t.e[v]; ++k, ++used) term = mulmod(term, num[v], f);
      for (; used < deg; ++used) term = mulmod(term, u, f);
      sum = addu(sum, term);
    }
    EXPECT_TRUE(sum.empty()) << "an input does not vanish on the parametrisation";
  }

  std::vector<NGPoly> mp = T.run(sys, UI32(n), ZEL_COMPUTE_MINPOLY);
  ASSERT_EQ(mp.size(), 1u);
  EXPECT_EQ(tail_in_last(mp[0], n, false), f);
}

// Why a parametrisation by the last variable does not exist.
std::string no_parametrisation(const std::string& last, int degree, int D) {
  return "No rational parametrisation by " + last + ": its minimal polynomial has degree " +
         std::to_string(degree) + ", but the system has " + std::to_string(D) +
         " solutions counted with multiplicity, so " + last +
         " does not separate the solutions (or cannot see the multiplicity of a multiple one).  "
         "The minimal polynomial alone is available (compute modes 4 and 5); for a "
         "parametrisation, make the last variable a generic linear combination of the "
         "variables\n";
}

TEST_F(SolvingTest, KatsuraFourAndCyclicFive) {
  std::vector<zs_poly> kat(5);
  zs_katsura(4, kat.data());
  check_solving(*this, kat, 5);
  free_all(kat);
  // Multiplying the normal set of cyclic-5 by the last variable meets
  // products that are neither standard nor leading monomials.  x4 takes
  // fewer than 70 values: its minimal polynomial vanishes on the ideal, and
  // no parametrisation by it is given.
  std::vector<zs_poly> cyc(5);
  zs_cyclic(5, cyc.data());
  const std::vector<NGPoly> G = naive_drl(cyc);
  ASSERT_EQ(standard_monomials(G, 5).size(), 70u);
  const std::vector<NGPoly> mp = run(cyc, 5, ZEL_COMPUTE_MINPOLY);
  ASSERT_EQ(mp.size(), 1u);
  EXPECT_TRUE((NaiveGroebner{{0}, kP}.reduce(mp[0], G).empty()));
  EXPECT_RAISES(run(cyc, 5, ZEL_COMPUTE_MATRIXN), no_parametrisation("x4", 15, 70));
  // The generator of the ideal's intersection with k[x4], from a naive
  // basis for an order that eliminates x0 .. x3.
  NGPoly elim;
  for (const NGPoly& g : naive_elimination(cyc, 4))
    if (g[0].e == NMono{0, 0, 0, 0, g[0].e[4]}) elim = g;
  EXPECT_EQ(tail_in_last(mp[0], 5, false), tail_in_last(elim, 5, false));
  free_all(cyc);
}

// Points on curves x_j = q_j(x_last) (random quadrics q_j), cut out by a
// random univariate h(x_last) of degree k: x_last separates them, and the
// degree-order normal set holds x_{n-2} * x_last while x_last^2 is a
// leading monomial, so x_last * x_{n-2} * x_last needs a normal form.
std::vector<zs_poly> parabola_system(std::mt19937_64& rng, int n, int k) {
  auto coef = [&] { return int(rng() % 2000) - 1000; };
  std::vector<zs_poly> sys(n);
  int e[8] = {0};
  for (int j = 0; j + 1 < n; ++j) {
    zs_init(&sys[j], n);
    e[j] = 1;
    zs_add_term(&sys[j], e, 1);
    e[j] = 0;
    for (int d = 0; d <= 2; ++d) {
      e[n - 1] = d;
      zs_add_term(&sys[j], e, d == 2 ? 1 + int(rng() % 9) : coef());
    }
    e[n - 1] = 0;
  }
  zs_init(&sys[n - 1], n);
  for (int d = k; d >= 0; --d) {
    e[n - 1] = d;
    zs_add_term(&sys[n - 1], e, d == k ? 1 : coef());
  }
  return sys;
}

TEST_F(SolvingTest, ProductsOutsideTheBasisGetNormalForms) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(41);
  for (long round = 0; round < zel_test::iterations(4); ++round) {
    const int n = 2 + int(rng() % 3);
    std::vector<zs_poly> sys = parabola_system(rng, n, 4 + int(rng() % 3));
    SCOPED_TRACE("round " + std::to_string(round));
    check_solving(*this, sys, n);
    free_all(sys);
  }
  // {x0^2 - 1, x1 - 1}: x1 * x0 needs a normal form; x1 takes one value on
  // the two solutions, so its minimal polynomial is t - 1 and it gives no
  // parametrisation.
  std::vector<zs_poly> two(2);
  zs_init(&two[0], 2);
  zs_init(&two[1], 2);
  int x0sq[2] = {2, 0}, x1[2] = {0, 1}, one[2] = {0, 0};
  zs_add_term(&two[0], x0sq, 1);
  zs_add_term(&two[0], one, -1);
  zs_add_term(&two[1], x1, 1);
  zs_add_term(&two[1], one, -1);
  const std::vector<NGPoly> mp = run(two, 2, ZEL_COMPUTE_MINPOLY);
  ASSERT_EQ(mp.size(), 1u);
  EXPECT_EQ(tail_in_last(mp[0], 2, false), (Uni{kP - 1, 1}));
  EXPECT_RAISES(run(two, 2, ZEL_COMPUTE_MATRIXN), no_parametrisation("x1", 1, 2));
  free_all(two);
}

// x_j = q_j(x_last) for random quadrics q_j, cut out by prod (x_last - r)
// over the given roots, repeated ones included: a non-radical ideal when a
// root repeats.  The last polynomial is the localiser x_last - loc when loc
// is given.
std::vector<zs_poly> multiple_root_system(std::mt19937_64& rng, int n, const std::vector<int>& roots,
                                          std::vector<Uni>& q, int loc = 0) {
  std::vector<zs_poly> sys(n);
  int e[8] = {0};
  q.assign(n - 1, Uni(3, 0));
  for (int j = 0; j + 1 < n; ++j) {
    zs_init(&sys[j], n);
    e[j] = 1;
    zs_add_term(&sys[j], e, 1);
    e[j] = 0;
    for (int d = 0; d <= 2; ++d) {
      const int c = d == 2 ? 1 + int(rng() % 9) : int(rng() % 2000) - 1000;
      q[j][d] = uint64_t((kP - c) % kP);  // x_j = q_j(t)
      e[n - 1] = d;
      zs_add_term(&sys[j], e, c);
    }
    e[n - 1] = 0;
  }
  std::vector<int64_t> h{1};  // prod (t - r): small integers
  for (int r : roots) {
    h.insert(h.begin(), 0);
    for (size_t i = 0; i + 1 < h.size(); ++i) h[i] -= r * h[i + 1];
  }
  zs_init(&sys[n - 1], n);
  for (size_t d = 0; d < h.size(); ++d) {
    e[n - 1] = int(d);
    if (h[d]) zs_add_term(&sys[n - 1], e, int(h[d]));
  }
  if (loc) {
    sys.emplace_back();
    zs_init(&sys.back(), n);
    e[n - 1] = 1;
    zs_add_term(&sys.back(), e, 1);
    e[n - 1] = 0;
    zs_add_term(&sys.back(), e, -loc);
  }
  return sys;
}

uint64_t eval(const Uni& a, uint64_t r) {
  uint64_t v = 0;
  for (size_t i = a.size(); i-- > 0;) v = (v * r + a[i]) % kP;
  return v;
}

// Mode 8 gives x_j + R_j and the square-free minimal polynomial f of the
// radical; mode 9 localised by x_last - loc drops that root and gives
// x_j + R_j f'/d.  Both are checked at the expected roots.
void check_radical(SolvingTest& T, std::mt19937_64& rng, int n, const std::vector<int>& roots,
                   int loc) {
  std::vector<Uni> q;
  std::vector<zs_poly> sys = multiple_root_system(rng, n, roots, q, loc);
  for (int mode : {ZEL_COMPUTE_RADICAL_STRATEG1, ZEL_COMPUTE_RADICAL_STRATEG2}) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    const bool localised = mode == ZEL_COMPUTE_RADICAL_STRATEG2;
    std::vector<zs_poly> in = sys;
    if (!localised) in.resize(n);
    const std::vector<NGPoly> res = T.run(in, UI32(n), mode, localised ? 1 : 0);
    std::set<int> distinct(roots.begin(), roots.end());
    if (localised) distinct.erase(loc);
    ASSERT_EQ(res.size(), size_t(n));
    const Uni f = tail_in_last(res.back(), n, false);
    ASSERT_EQ(f.size(), distinct.size() + 1);
    EXPECT_EQ(f.back(), 1u);
    Uni df(f.size() - 1, 0);
    for (size_t i = 1; i < f.size(); ++i) df[i - 1] = f[i] * i % kP;
    const uint64_t d = f.size() - 1;
    for (int r : distinct) {
      EXPECT_EQ(eval(f, uint64_t(r)), 0u) << "root " << r;
      for (int j = 0; j + 1 < n; ++j) {
        // x_j = -R_j(r), or -R_j(r) / (f'(r)/d) after the parametrisation.
        uint64_t x = (kP - eval(tail_in_last(res[j], n, true), uint64_t(r))) % kP;
        if (localised) x = x * d % kP * inv(eval(df, uint64_t(r))) % kP;
        EXPECT_EQ(x, eval(q[j], uint64_t(r))) << "x" << j << " at root " << r;
      }
    }
  }
  free_all(sys);
}

TEST_F(SolvingTest, RadicalStrategiesRemoveMultipleRoots) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(52);
  // A double root, a triple root dropped by the localiser, an ideal that is
  // already radical (nothing appended), in 2 to 4 variables.
  check_radical(*this, rng, 2, {1, 1, 2, 3}, 3);
  check_radical(*this, rng, 3, {5, 2, 5, 5, 7}, 5);
  check_radical(*this, rng, 4, {1, 2, 3}, 2);
  // {x0^2, x1 - x0}: the radical is <x0, x1>.
  std::vector<zs_poly> nil(2);
  zs_init(&nil[0], 2);
  zs_init(&nil[1], 2);
  int x0sq[2] = {2, 0}, x0[2] = {1, 0}, x1[2] = {0, 1};
  zs_add_term(&nil[0], x0sq, 1);
  zs_add_term(&nil[1], x1, 1);
  zs_add_term(&nil[1], x0, -1);
  EXPECT_EQ(run(nil, 2, ZEL_COMPUTE_RADICAL_STRATEG1),
            (std::vector<NGPoly>{{{{1, 0}, 1}}, {{{0, 1}, 1}}}));
  free_all(nil);
  // {x0 + 2 x1 + 5, (x1 - 3)^2}: the radical has one point, x0 = -11, whose
  // linear basis polynomial still gives x0 when the minimal polynomial of
  // the square-free modes has degree 1.
  std::vector<zs_poly> one(2);
  zs_init(&one[0], 2);
  zs_init(&one[1], 2);
  int c[2] = {0, 0}, x1sq[2] = {0, 2};
  zs_add_term(&one[0], x0, 1);
  zs_add_term(&one[0], x1, 2);
  zs_add_term(&one[0], c, 5);
  zs_add_term(&one[1], x1sq, 1);
  zs_add_term(&one[1], x1, -6);
  zs_add_term(&one[1], c, 9);
  for (int mode : {ZEL_COMPUTE_RRFORM_SQFR, ZEL_COMPUTE_RADICAL_STRATEG1}) {
    const std::vector<NGPoly> res = run(one, 2, mode);
    ASSERT_EQ(res.size(), 2u) << "mode " << mode;
    EXPECT_EQ(tail_in_last(res[1], 2, false), (Uni{kP - 3, 1}));
    EXPECT_EQ((kP - eval(tail_in_last(res[0], 2, true), 3)) % kP, kP - 11);
  }
  free_all(one);
  // A localiser that does not divide the minimal polynomial.
  std::vector<Uni> q;
  std::vector<zs_poly> sys = multiple_root_system(rng, 2, {1, 1, 2}, q, 4);
  EXPECT_RAISES(run(sys, 2, ZEL_COMPUTE_RADICAL_STRATEG2, 1),
                "lib_normalForm: divisor 0 does not divide the polynomial\n");
  free_all(sys);
}

// Katsura-6 (64 points): the normal form of the degree-64 square-free
// polynomial modulo the basis once spread over nearly every monomial of
// degree 64 and did not end.  The radical is the ideal itself here, so f is
// mode 5's polynomial, and x_j = -R_j(x_last) solves the inputs modulo f.
TEST_F(SolvingTest, RadicalStrategyOnKatsuraSix) {
  std::vector<zs_poly> kat(7);
  zs_katsura(6, kat.data());
  const int n = 7;
  const std::vector<NGPoly> res = run(kat, n, ZEL_COMPUTE_RADICAL_STRATEG1);
  ASSERT_EQ(res.size(), size_t(n));
  const Uni f = tail_in_last(res.back(), n, false);
  const std::vector<NGPoly> sqfr = run(kat, n, ZEL_COMPUTE_MINPOLY_SQFR);
  ASSERT_EQ(sqfr.size(), 1u);
  EXPECT_EQ(f, tail_in_last(sqfr[0], n, false));
  ASSERT_EQ(f.size(), 65u);
  ASSERT_EQ(f.back(), 1u);
  std::vector<Uni> x(n);
  for (int j = 0; j + 1 < n; ++j)
    for (uint64_t c : tail_in_last(res[j], n, true)) x[j].push_back((kP - c) % kP);
  x[n - 1] = {0, 1};
  for (const zs_poly& g : kat) {
    Uni value;
    for (int t = 0; t < g.nterms; ++t) {
      const int64_t c = g.c[t] % int64_t(kP);
      Uni m{uint64_t(c < 0 ? c + kP : c)};
      for (int j = 0; j < n; ++j)
        for (int k = 0; k < g.e[t * n + j]; ++k) m = mulmod(m, x[j], f);
      value = addu(value, m);
    }
    EXPECT_TRUE(value.empty());
  }
  free_all(kat);
}

// Dense quadrics in three variables: eight simple solutions that the last
// variable separates, so the square-free minimal polynomial has degree 8,
// the size of the normal set, and is the minimal polynomial itself.  It
// lies in the ideal: the radical step takes no normal form of it.
TEST_F(SolvingTest, RadicalStepTakesNoNormalFormOfAMinimalPolynomialOfFullDegree) {
  auto rng = zel_test::make_rng(53);
  std::vector<zs_poly> sys = random_zero_dim(rng, 3);
  std::vector<NGPoly> res;
  {
    zel_test::TestHost chatty(4);
    res = run(sys, 3, ZEL_COMPUTE_RADICAL_STRATEG1);
    EXPECT_NE(zel_test::captured().printed.find("Compute NF minpoly"), std::string::npos);
    EXPECT_EQ(zel_test::captured().printed.find("Take NF of deg"), std::string::npos);
  }
  ASSERT_EQ(res.size(), 3u);
  EXPECT_EQ(tail_in_last(res.back(), 3, false).size(), 9u);
  free_all(sys);
}

// {x0^2 - 1, x1^2 - 1}: four solutions, two values of x1.  The
// square-free minimal polynomial x1^2 - 1 lies in the ideal, so nothing
// joins the basis, which is not computed again before the change of order
// says why there is no parametrisation.
TEST_F(SolvingTest, RadicalStepWithNothingToAddKeepsTheBasis) {
  std::vector<zs_poly> sys(2);
  int x0sq[2] = {2, 0}, x1sq[2] = {0, 2}, c[2] = {0, 0};
  for (int j = 0; j < 2; ++j) {
    zs_init(&sys[j], 2);
    zs_add_term(&sys[j], j == 0 ? x0sq : x1sq, 1);
    zs_add_term(&sys[j], c, -1);
  }
  {
    zel_test::TestHost chatty(4);
    EXPECT_RAISES(run(sys, 2, ZEL_COMPUTE_RADICAL_STRATEG1), no_parametrisation("x1", 2, 4));
    EXPECT_NE(zel_test::captured().printed.find("ne rajoute pas de polynome"), std::string::npos);
    EXPECT_EQ(zel_test::captured().printed.find("Recompute DRL"), std::string::npos);
  }
  free_all(sys);
}

// Katsura-4 with its last (linear) equation squared: 32 solutions counted
// with multiplicity, 16 distinct ones that the last variable separates.
std::vector<zs_poly> katsura4_doubled() {
  std::vector<zs_poly> kat(5);
  zs_katsura(4, kat.data());
  const zs_poly& g = kat[4];
  zs_poly square;
  zs_init(&square, 5);
  for (int a = 0; a < g.nterms; ++a)
    for (int b = 0; b < g.nterms; ++b) {
      int e[5];
      for (int v = 0; v < 5; ++v) e[v] = g.e[a * 5 + v] + g.e[b * 5 + v];
      zs_add_term(&square, e, g.c[a] * g.c[b]);
    }
  std::swap(kat[4], square);
  zs_free(&square);
  return kat;
}

// The square-free minimal polynomial of a doubled katsura-4 (degree 16,
// 32 solutions) needs its normal form.  The matrix of multiplication by the
// last variable takes it with each product of the normal set reduced once;
// term by term, Horner's rule reduces them again at each of its 16 steps:
// work that grows as the cube of the number of solutions, minutes beyond a
// thousand.
TEST_F(SolvingTest, RadicalStepReducesNoProductTermByTerm) {
  std::vector<zs_poly> sys = katsura4_doubled();
  const uint64_t before = zel::ZEL_BUILD::term_reduction_products;
  std::vector<NGPoly> res;
  {
    zel_test::TestHost chatty(4);
    res = run(sys, 5, ZEL_COMPUTE_RADICAL_STRATEG1);
    EXPECT_NE(zel_test::captured().printed.find("Take NF of deg 16"), std::string::npos);
  }
  EXPECT_EQ(zel::ZEL_BUILD::term_reduction_products - before, 0u);
  ASSERT_EQ(res.size(), 5u);
  EXPECT_EQ(tail_in_last(res.back(), 5, false).size(), 17u);
  free_all(sys);
}

// The change of order after the radical step meets a minimal polynomial
// that divides a square-free one, whether a polynomial joined the basis
// (doubled katsura-4) or not (katsura-4): counted in multiply-adds of
// univariate arithmetic, mode 8 does no more than mode 5, whose change of
// order takes the one square-free part.
TEST_F(SolvingTest, RadicalStepTakesNoSquareFreePartAgain) {
  std::vector<std::pair<std::string, std::vector<zs_poly>>> systems(2);
  systems[0] = {"katsura-4", std::vector<zs_poly>(5)};
  zs_katsura(4, systems[0].second.data());
  systems[1] = {"doubled katsura-4", katsura4_doubled()};
  uint64_t& products = zel::ZEL_BUILD::univariate_products;
  for (auto& [name, sys] : systems) {
    SCOPED_TRACE(name);
    uint64_t before = products;
    ASSERT_EQ(run(sys, 5, ZEL_COMPUTE_MINPOLY_SQFR).size(), 1u);
    const uint64_t square_free = products - before;
    before = products;
    ASSERT_EQ(run(sys, 5, ZEL_COMPUTE_RADICAL_STRATEG1).size(), 5u);
    EXPECT_GT(square_free, 0u);
    EXPECT_LE(products - before, square_free);
    free_all(sys);
  }
}

// Every parallel part of the solving modes (the elimination, the change of
// order's products, the multiplication map) gives the same answer whatever
// the thread count, also on inputs too small for threads by default.
TEST_F(SolvingTest, AnswersDoNotDependOnTheThreadCount) {
  namespace zb = zel::ZEL_BUILD;
  std::vector<zs_poly> kat(7);
  zs_katsura(6, kat.data());
  zb::min_threaded_work = 0;
  for (int mode : {ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_MINPOLY, ZEL_COMPUTE_RADICAL_STRATEG1,
                   ZEL_COMPUTE_MATRIXN}) {
    zb::internal_threads(1);
    const std::vector<NGPoly> want = run(kat, 7, mode);
    ASSERT_FALSE(want.empty()) << "mode " << mode;
    for (int threads : {2, 4, 8}) {
      zb::internal_threads(threads);
      EXPECT_EQ(run(kat, 7, mode), want) << "mode " << mode << ", " << threads << " threads";
    }
  }
  zb::internal_threads(1);
  zb::min_threaded_work = zb::kDefaultThreadedWork;
  free_all(kat);
}

// The threads of the calling process.
int count_threads() {
  DIR* d = opendir("/proc/self/task");
  if (d == nullptr) return -1;
  int n = 0;
  while (const dirent* e = readdir(d)) n += e->d_name[0] != '.';
  closedir(d);
  return n;
}

// A threaded solving request runs its parallel parts on the worker team
// alone, whose helpers sleep while they wait.  The threads of a parallel
// runtime spin at the end of each part, and the change of order runs
// thousands of parts: on a loaded machine, threads made it many times
// slower than one.  Counted in a fresh child, which holds no thread yet.
TEST_F(SolvingTest, ThreadedRequestsRunOnTheWorkerTeamAlone) {
  namespace zb = zel::ZEL_BUILD;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(120);  // a hung child ends with SIGALRM
    std::vector<zs_poly> kat(7);
    zs_katsura(6, kat.data());
    zb::min_threaded_work = 0;
    zb::internal_threads(4);
    const bool answered = run(kat, 7, ZEL_COMPUTE_RRFORM).size() == 7;
    const int threads = count_threads();
    std::fprintf(stderr, "threads after the request: %d\n", threads);
    _exit(!answered ? 2 : threads < 1 || threads > 4 ? 3 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no answer, 3: threads beyond the team's four";
}

TEST_F(SolvingTest, RandomZeroDimensionalSystems) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(14);
  for (long round = 0; round < zel_test::iterations(4); ++round) {
    const int n = 2 + int(rng() % 2);
    std::vector<zs_poly> sys = random_zero_dim(rng, n);
    SCOPED_TRACE("round " + std::to_string(round));
    check_solving(*this, sys, n);
    free_all(sys);
  }
}

// Mode 11 without a second basis answers as mode 2 whatever its blocks and
// the session's: they change the basis it starts from, not the ideal.
TEST_F(SolvingTest, FirstBasisOnAnyBlocksGivesTheParametrisation) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(18);
  for (long round = 0; round < zel_test::iterations(3); ++round) {
    const UI32 n = 2 + UI32(rng() % 2);
    std::vector<zs_poly> sys = random_zero_dim(rng, int(n));
    for (UI32 n1 = 0; n1 < n; ++n1) {
      const std::vector<NGPoly> rr = run(sys, n, ZEL_COMPUTE_RRFORM, 0, n1);
      ASSERT_EQ(rr.size(), size_t(n));
      for (UI32 bk0 = 0; bk0 <= n; ++bk0)
        EXPECT_EQ(run(sys, n, ZEL_COMPUTE_GBASIS_MULTI, 0, n1, I32(bk0)), rr)
            << "round " << round << ", session blocks at " << n1 << ", bk0 " << bk0;
    }
    free_all(sys);
  }
}

// Systems with infinitely many solutions or none: mode 11's second basis
// ({x1 - 1} with x0 free, {x0 - 1, x2 - 2} with x1 free, {1}) is refused
// as every other solving mode refuses them, not handed out as an answer.
TEST_F(SolvingTest, SecondBasisRefusesWhatTheOtherModesRefuse) {
  auto system = [](UI32 n, const std::vector<std::vector<std::pair<std::vector<int>, int>>>& F) {
    std::vector<zs_poly> sys(F.size());
    for (size_t i = 0; i < F.size(); ++i) {
      zs_init(&sys[i], int(n));
      for (const auto& [e, c] : F[i]) zs_add_term(&sys[i], e.data(), c);
    }
    return sys;
  };
  const std::string infinite =
      "The system is not zero-dimensional: this mode needs finitely many solutions\n";
  const std::string none = "build_last_matrix: the basis has no solution (empty normal set)\n";
  struct Case {
    UI32 n;
    std::vector<zs_poly> sys;
    std::string message;
  };
  std::vector<Case> cases;
  cases.push_back({2, system(2, {{{{0, 1}, 1}, {{0, 0}, -1}}, {{{0, 2}, 1}, {{0, 0}, -1}}}),
                   infinite});
  cases.push_back(
      {3, system(3, {{{{1, 0, 0}, 1}, {{0, 0, 0}, -1}}, {{{0, 0, 1}, 1}, {{0, 0, 0}, -2}}}),
       infinite});
  cases.push_back({2, system(2, {{{{1, 0}, 1}, {{0, 0}, -1}}, {{{1, 0}, 1}, {{0, 0}, -2}}}), none});
  for (Case& c : cases) {
    for (int mode : {ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_MINPOLY, ZEL_COMPUTE_RADICAL_STRATEG1,
                     ZEL_COMPUTE_GBASIS_MULTI})
      EXPECT_RAISES(run(c.sys, c.n, mode), c.message);
    EXPECT_RAISES(run(c.sys, c.n, ZEL_COMPUTE_GBASIS_MULTI, 0, 0, 0, 1, 1), c.message);
    free_all(c.sys);
  }
}

TEST_F(SolvingTest, NormalForms) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(15);
  std::vector<zs_poly> kat(5);
  zs_katsura(4, kat.data());
  const std::vector<NGPoly> G = naive_drl(kat);
  // The inputs, then random polynomials, reduced by the basis (sent as the
  // last polynomials).
  std::vector<zs_poly> req(kat.begin(), kat.end());
  std::vector<zs_poly> extra(6);
  for (auto& f : extra) {
    zs_init(&f, 5);
    for (int t = 0; t < 6; ++t) {
      int e[8] = {0};
      for (int v = 0; v < 5; ++v) e[v] = int(rng() % 3);
      zs_add_term(&f, e, int(rng() % 2000) - 1000);
    }
    req.push_back(f);
  }
  const UI32 nred = UI32(req.size());
  std::vector<zs_poly> basis_polys;
  for (auto& g : G) {
    zs_poly p;
    zs_init(&p, 5);
    for (auto& t : g) {
      int e[8] = {0};
      for (int v = 0; v < 5; ++v) e[v] = t.e[v];
      zs_add_term(&p, e, int(t.c));
    }
    basis_polys.push_back(p);
    req.push_back(p);
  }
  const std::vector<NGPoly> nf = run(req, 5, ZEL_COMPUTE_GBASIS_NF, nred);
  ASSERT_EQ(nf.size(), 2 * size_t(nred));
  const NaiveGroebner ng{{0}, kP};
  for (UI32 k = 0; k < nred; ++k) {
    EXPECT_EQ(nf[2 * k], (NGPoly{{NMono(5, 0), 1}}));
    NGPoly expect = ng.reduce(to_naive(req[k]), G);  // monic
    NGPoly got = nf[2 * k + 1];
    if (!got.empty()) got = ng.monic(got);
    EXPECT_EQ(got, expect) << "polynomial " << k;
    if (k < 5) {
      EXPECT_TRUE(nf[2 * k + 1].empty());
    }
  }
  free_all(kat);
  free_all(extra);
  free_all(basis_polys);
}

// Degrees beyond the 127 that the server's prime-field polynomials hold:
// the normal forms are still those of the naive reduction.
TEST_F(SolvingTest, NormalFormsOfHighDegree) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(16);
  std::vector<zs_poly> req(5);
  for (auto& f : req) zs_init(&f, 2);
  for (int k = 0; k < 3; ++k)
    for (int t = 0; t < 5; ++t) {
      int e[8] = {int(rng() % 200), int(rng() % 4)};
      zs_add_term(&req[k], e, int(rng() % 2000) - 1000);
    }
  int x0[8] = {140, 0}, x1[8] = {0, 1}, x1sq[8] = {0, 2}, one[8] = {0, 0};
  zs_add_term(&req[3], x0, 1);
  zs_add_term(&req[3], x1, 3);
  zs_add_term(&req[4], x1sq, 1);
  zs_add_term(&req[4], one, -5);
  std::vector<zs_poly> gens(req.begin() + 3, req.end());
  const std::vector<NGPoly> G = naive_drl(gens);
  const std::vector<NGPoly> nf = run(req, 2, ZEL_COMPUTE_GBASIS_NF, 3);
  ASSERT_EQ(nf.size(), 6u);
  const NaiveGroebner ng{{0}, kP};
  for (UI32 k = 0; k < 3; ++k) {
    NGPoly got = nf[2 * k + 1];
    if (!got.empty()) got = ng.monic(got);
    EXPECT_EQ(got, ng.reduce(to_naive(req[k]), G)) << "polynomial " << k;
  }
  free_all(req);
}

// A large request whose normal form is known: f = r + sum h_g g over a few
// basis polynomials g, with r on the normal set and the h_g of degree up to
// 60, so that NF(f) = r.  Reduced term by term, f once spread over nearly
// every monomial below its degree and did not end.  The session of two
// blocks takes the engine-side reduction.
TEST_F(SolvingTest, LargeRequestsKeepTheirNormalForm) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(17);
  const int n = 7;
  auto to_zs = [&](const NGPoly& g) {
    zs_poly p;
    zs_init(&p, n);
    for (const auto& t : g) zs_add_term(&p, t.e.data(), int(t.c));
    return p;
  };
  for (const UI32 n1 : {0u, 2u}) {
    SCOPED_TRACE("first block of " + std::to_string(n1));
    std::vector<zs_poly> kat(n);
    zs_katsura(6, kat.data());
    const std::vector<NGPoly> G = run(kat, n, ZEL_COMPUTE_GBASIS, 0, n1);
    free_all(kat);
    const NaiveGroebner ng{{int(n1)}, kP};
    const std::vector<NMono> normal_set = standard_monomials(G, n);
    ASSERT_EQ(normal_set.size(), 64u);
    NGPoly r, f;
    for (const NMono& m : normal_set) r.push_back({m, uint32_t(rng() % kP)});
    r = ng.normalise(r);
    f = r;
    for (int k = 0; k < 6; ++k) {
      const NGPoly& g = G[rng() % G.size()];
      for (int t = 0; t < 4; ++t) {
        NMono h(n, 0);
        for (int d = int(rng() % 61); d-- > 0;) ++h[rng() % n];
        const uint64_t c = rng() % kP;
        for (const auto& gt : g) {
          NMono e = gt.e;
          for (int v = 0; v < n; ++v) e[v] += h[v];
          f.push_back({e, uint32_t(c * gt.c % kP)});
        }
      }
    }
    std::vector<zs_poly> req{to_zs(ng.normalise(f))};
    for (const NGPoly& g : G) req.push_back(to_zs(g));
    const std::vector<NGPoly> nf = run(req, n, ZEL_COMPUTE_GBASIS_NF, 1, n1);
    ASSERT_EQ(nf.size(), 2u);
    EXPECT_EQ(nf[1], r);
    free_all(req);
  }
}

// Numerator of the Hilbert series from Zel_hilbert on a basis, against
// (1 - t)^n times the generating series of the standard monomials.
TEST_F(SolvingTest, HilbertNumerators) {
  auto numerator = [&](std::vector<zs_poly>& basis, UI32 n) {
    zs_session(0, n, kP, 0);
    std::vector<void*> in;
    for (auto& f : basis) in.push_back(zs_send(&f));
    double t;
    EXPECT_EQ(Zel_hilbert(in.data(), UI32(in.size()), out.data(), 1, 0, &t, 0, 8, 0), 1u);
    std::vector<int64_t> s;
    for (auto& term : exported(out[0], n)) {
      if (s.size() <= size_t(term.e[0])) s.resize(term.e[0] + 1, 0);
      s[term.e[0]] = term.c > kP / 2 ? int64_t(term.c) - kP : term.c;
    }
    return s;
  };
  auto as_zs = [](const std::vector<NGPoly>& G, int n) {
    std::vector<zs_poly> r;
    for (auto& g : G) {
      zs_poly p;
      zs_init(&p, n);
      for (auto& t : g) {
        int e[8] = {0};
        for (int v = 0; v < n; ++v) e[v] = t.e[v];
        zs_add_term(&p, e, int(t.c));
      }
      r.push_back(p);
    }
    return r;
  };
  for (int which = 0; which < 2; ++which) {
    std::vector<zs_poly> sys(5);
    which ? zs_cyclic(5, sys.data()) : zs_katsura(4, sys.data());
    const std::vector<NGPoly> G = naive_drl(sys);
    std::vector<int64_t> expect(1, 0);
    for (auto& m : standard_monomials(G, 5)) {
      const int d = NaiveGroebner::deg(m);
      if (expect.size() <= size_t(d)) expect.resize(d + 1, 0);
      ++expect[d];
    }
    for (int k = 0; k < 5; ++k) {  // times (1 - t)
      expect.push_back(0);
      for (size_t i = expect.size(); i-- > 1;) expect[i] -= expect[i - 1];
    }
    while (expect.back() == 0) expect.pop_back();
    std::vector<zs_poly> basis = as_zs(G, 5);
    EXPECT_EQ(numerator(basis, 5), expect) << (which ? "cyclic-5" : "katsura-4");
    free_all(basis);
    free_all(sys);
  }
  // Monomial ideals: <x0 x1> in two variables has numerator 1 - t^2; <x0^2,
  // x0 x1, x1^3> has 1 - 2t^2 + t^4 (standard monomials 1, x0, x1, x1^2).
  std::vector<NGPoly> xy{{{{1, 1}, 1}}};
  std::vector<zs_poly> b1 = as_zs(xy, 2);
  EXPECT_EQ(numerator(b1, 2), (std::vector<int64_t>{1, 0, -1}));
  std::vector<NGPoly> three{{{{2, 0}, 1}}, {{{1, 1}, 1}}, {{{0, 3}, 1}}};
  std::vector<zs_poly> b2 = as_zs(three, 2);
  EXPECT_EQ(numerator(b2, 2), (std::vector<int64_t>{1, 0, -2, 0, 1}));
  // Degrees beyond the server's 8-bit prime-field exponents: <x0^200, x1^3>
  // has (1 - t^3)(1 - t^200).
  std::vector<NGPoly> high{{{{200, 0}, 1}}, {{{0, 3}, 1}}};
  std::vector<zs_poly> b3 = as_zs(high, 2);
  std::vector<int64_t> want(204, 0);
  want[0] = 1, want[3] = -1, want[200] = -1, want[203] = 1;
  EXPECT_EQ(numerator(b3, 2), want);
  free_all(b1);
  free_all(b2);
  free_all(b3);
}

TEST_F(SolvingTest, RefusalsAreClear) {
  // Positive-dimensional: x0*x1 - 1 alone.
  std::vector<zs_poly> sys(1);
  zs_init(&sys[0], 2);
  int e1[2] = {1, 1}, e0[2] = {0, 0};
  zs_add_term(&sys[0], e1, 1);
  zs_add_term(&sys[0], e0, -1);
  for (int mode : {ZEL_COMPUTE_MATRIXN, ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_MINPOLY_SQFR})
    EXPECT_RAISES(run(sys, 2, mode),
                  "The system is not zero-dimensional: this mode needs finitely many solutions\n");
  for (int mode : {0, 13}) {
    std::string expected = "compute mode " + std::to_string(mode) + " (ZEL_\?\?\?)" +
                           " is not available in this version of the library\n";
    EXPECT_RAISES(run(sys, 2, mode), expected);
  }
  free_all(sys);
  // {x0^3 + 7 x1, x0 x1 + x1^2 + x1}: x1 = 0 carries a triple solution that
  // x1 cannot see, so only the radical is in shape position.
  std::vector<zs_poly> triple(2);
  zs_init(&triple[0], 2);
  zs_init(&triple[1], 2);
  int x0cube[2] = {3, 0}, x1[2] = {0, 1}, x0x1[2] = {1, 1}, x1sq[2] = {0, 2};
  zs_add_term(&triple[0], x0cube, 1);
  zs_add_term(&triple[0], x1, 7);
  zs_add_term(&triple[1], x0x1, 1);
  zs_add_term(&triple[1], x1sq, 1);
  zs_add_term(&triple[1], x1, 1);
  for (int mode : {ZEL_COMPUTE_RRFORM_SQFR, ZEL_COMPUTE_RADICAL_STRATEG1}) {
    try {
      run(triple, 2, mode);
      ADD_FAILURE() << "mode " << mode << " gave an answer";
    } catch (const zel_test::HostError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("No rational parametrisation by ", 0), 0u) << e.what();
    }
  }
  free_all(triple);
}

}  // namespace
