// The solving modes of the prime-field build against a naive Buchberger for
// the lexicographic order: the shape basis of mode 12 is the reduced
// lexicographic basis, mode 2 is its rational parametrisation, the square-free
// modes are those of the radical; sessions of two blocks give the same
// answers and normal forms for the session's order.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/naive_buchberger.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"
#include "support/zel_systems.h"

using namespace zel_test::buchberger;

namespace {

using Uni = std::vector<uint64_t>;  // coefficients mod p, lowest degree first

struct UniOps {
  uint64_t p;
  uint64_t inv(uint64_t a) const { return gpow(a, p - 2, p); }
  static Uni trim(Uni a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
    return a;
  }
  Uni mul(const Uni& a, const Uni& b) const {
    if (a.empty() || b.empty()) return {};
    Uni r(a.size() + b.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i)
      for (size_t j = 0; j < b.size(); ++j) r[i + j] = (r[i + j] + a[i] * b[j]) % p;
    return trim(r);
  }
  Uni rem(Uni a, const Uni& b) const {
    a = trim(a);
    const uint64_t ib = inv(b.back());
    while (a.size() >= b.size()) {
      const uint64_t c = a.back() * ib % p;
      const size_t sh = a.size() - b.size();
      for (size_t i = 0; i < b.size(); ++i) a[sh + i] = (a[sh + i] + (p - c) * b[i]) % p;
      a = trim(a);
    }
    return a;
  }
  // R * f'/deg f mod f: the parametrisation's numerator from x_j + R.
  Uni rr(const Uni& R, const Uni& f) const {
    const size_t d = f.size() - 1;
    Uni u;
    for (size_t i = 1; i <= d; ++i) u.push_back(f[i] * i % p * inv(d % p) % p);
    return rem(mul(R, trim(u)), f);
  }
};

Uni in_last(const NGPoly& g, int n, size_t skip) {
  Uni r;
  for (size_t t = skip; t < g.size(); ++t) {
    const int e = g[t].e[n - 1];
    if (r.size() <= size_t(e)) r.resize(e + 1, 0);
    r[e] = g[t].c;
  }
  return UniOps::trim(r);
}

NGPoly from_uni(const Uni& u, int n) {
  NGPoly r;
  for (size_t i = u.size(); i-- > 0;)
    if (u[i]) {
      NMono e(n, 0);
      e[n - 1] = int(i);
      r.push_back({e, uint32_t(u[i])});
    }
  return r;
}

struct OracleTest : ::testing::Test {
  zel_test::TestHost host{0};
  std::vector<void*> out = std::vector<void*>(100000);
  void TearDown() override { Zel_reset_memory(); }

  // One request in a session of n1 + (n - n1) variables modulo p.
  std::vector<NGPoly> run(const std::vector<NGPoly>& sys, int n, uint64_t p, int mode,
                          int nb = 0, int n1 = 0) {
    zs_session(UI32(n1), UI32(n - n1), UI32(p), 0);
    std::vector<void*> in;
    for (const NGPoly& f : sys) {
      void* h = Zel_creat_poly(UI32(f.size()));
      for (size_t t = 0; t < f.size(); ++t) {
        std::vector<I32> e(f[t].e.begin(), f[t].e.end());
        Zel_set_expos2(h, UI32(t), e.data(), UI32(n));
        Zel_set_coeff_I32(h, UI32(t), I32(f[t].c));
      }
      Zel_full_sort_poly2(h);
      in.push_back(h);
    }
    sZEL_Comp_Desc env{};
    env._compute = mode;
    env._nb = nb;
    env._aggressive2 = env._dlim = env._skip = -1;
    double cpu;
    const UI32 k =
        Zel_groebner(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, 0, 8, 0, &env);
    std::vector<NGPoly> r;
    for (UI32 i = 0; i < k; ++i) {
      const UI32 m = Zel_nb_terms(out[i]);
      std::vector<UI32> e(size_t(m) * n + 1), c(m + 1);
      EXPECT_EQ(Zel_export_poly(UI32(n), m, e.data(), c.data(), out[i]), 1);
      NGPoly q;
      for (UI32 t = 0; t < m; ++t)
        q.push_back({NMono(e.begin() + t * n, e.begin() + (t + 1) * n), c[t]});
      r.push_back(q);
    }
    return r;
  }

  // Mode 12 against the naive lexicographic basis L (in shape position),
  // computed with the library's minimal polynomial added (it stays fast),
  // mode 2 against its parametrisation, mode 4 against its univariate
  // polynomial, whose degree is the number of standard monomials of the
  // naive degree basis.
  void check_against_lex(const std::vector<NGPoly>& F, int n, uint64_t p, int n1 = 0) {
    const NaiveGroebner drl{{0}, p}, lex{{0, true}, p};
    std::vector<NGPoly> shape = run(F, n, p, ZEL_COMPUTE_MATRIXN, 0, n1);
    ASSERT_FALSE(shape.empty());
    // The naive basis of F and the library's minimal polynomial, which is
    // the basis of F alone when that polynomial lies in the ideal, and has a
    // univariate polynomial of lower degree when it does not.
    std::vector<NGPoly> Fl{lex.normalise(shape.back())}, Fd;
    for (const NGPoly& f : F) Fl.push_back(lex.normalise(f)), Fd.push_back(drl.normalise(f));
    const std::vector<NGPoly> L = lex.basis(Fl);
    ASSERT_EQ(L.size(), size_t(n)) << "the test system is not in shape position";
    const Uni f = in_last(L.back(), n, 0);
    EXPECT_EQ(f.size() - 1, standard_count(drl.basis(Fd), n));

    for (NGPoly& g : shape) g = lex.monic(lex.normalise(g));
    EXPECT_EQ(shape, L);

    const UniOps u{p};
    const std::vector<NGPoly> rr = run(F, n, p, ZEL_COMPUTE_RRFORM, 0, n1);
    ASSERT_EQ(rr.size(), size_t(n));
    for (int j = 0; j + 1 < n; ++j) {
      EXPECT_EQ(rr[j][0], L[j][0]);
      EXPECT_EQ(in_last(rr[j], n, 1), u.rr(in_last(L[j], n, 1), f)) << "x" << j;
    }
    EXPECT_EQ(in_last(rr.back(), n, 0), f);

    const std::vector<NGPoly> mp = run(F, n, p, ZEL_COMPUTE_MINPOLY, 0, n1);
    ASSERT_EQ(mp.size(), 1u);
    EXPECT_EQ(lex.monic(mp[0]), L.back());
  }

  static size_t standard_count(const std::vector<NGPoly>& G, int n) {
    std::set<NMono> seen{NMono(n, 0)};
    std::vector<NMono> todo{NMono(n, 0)};
    size_t count = 0;
    while (!todo.empty()) {
      NMono m = todo.back();
      todo.pop_back();
      bool standard = true;
      for (const NGPoly& g : G) standard = standard && !NaiveGroebner::divides(g[0].e, m);
      if (!standard) continue;
      ++count;
      for (int v = 0; v < n; ++v) {
        NMono c = m;
        ++c[v];
        if (seen.insert(c).second) todo.push_back(c);
      }
    }
    return count;
  }
};

NGPoly random_dense(std::mt19937_64& rng, int n, uint64_t p) {
  NGPoly f;
  for (int a = 0; a <= n; ++a)
    for (int b = a; b <= n; ++b) {
      NMono e(n, 0);
      if (a < n) ++e[a];
      if (b < n) ++e[b];
      f.push_back({e, uint32_t(rng() % p)});
    }
  return f;
}

// x_j = q_j(t) (random quadrics q_j, t the last variable) and
// prod (t - r) over the roots, repeated ones included.
std::vector<NGPoly> points_on_curves(std::mt19937_64& rng, int n, const std::vector<int>& roots,
                                     uint64_t p) {
  const UniOps u{p};
  std::vector<NGPoly> F;
  for (int j = 0; j + 1 < n; ++j) {
    NMono x(n, 0);
    x[j] = 1;
    NGPoly g{{x, 1}};
    for (int d = 2; d >= 0; --d) {
      NMono e(n, 0);
      e[n - 1] = d;
      g.push_back({e, uint32_t(1 + rng() % (p - 1))});
    }
    F.push_back(g);
  }
  Uni h{1};
  for (int r : roots) h = u.mul(h, Uni{(p - uint64_t(r)) % p, 1});
  F.push_back(from_uni(h, n));
  return F;
}

TEST_F(OracleTest, ShapeBasisIsTheNaiveLexicographicBasis) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(71);
  std::vector<zs_poly> kat(5);
  zs_katsura(4, kat.data());
  std::vector<NGPoly> K;
  for (zs_poly& z : kat) {
    NGPoly f;
    for (int t = 0; t < z.nterms; ++t)
      f.push_back({NMono(z.e + t * 5, z.e + (t + 1) * 5), uint32_t((z.c[t] + 65521) % 65521)});
    K.push_back(f);
    zs_free(&z);
  }
  check_against_lex(K, 5, 65521);
  // Random dense systems and points with multiple roots, one to three
  // variables, modulo primes near 2^15 and 2^16.
  for (long round = 0; round < zel_test::iterations(6); ++round) {
    const uint64_t p = round % 2 ? 32749 : 65521;
    const int n = 1 + int(round % 3);
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<NGPoly> F;
    for (int i = 0; i < n; ++i) F.push_back(random_dense(rng, n, p));
    check_against_lex(F, n, p);
    check_against_lex(points_on_curves(rng, n, {1, 1, 4, 7, 7, 7}, p), n, p);
  }
}

// Modes 5 and 3 give the minimal polynomial and the parametrisation of the
// radical: degree the number of distinct roots (a single one included), and
// the lexicographic basis of the input with the square-free polynomial
// added.
TEST_F(OracleTest, SquareFreeModesGiveTheRadical) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(72);
  const uint64_t p = 65521;
  const NaiveGroebner lex{{0, true}, p};
  const UniOps u{p};
  const std::vector<std::vector<int>> roots = {{2, 2, 5}, {1, 3, 3, 3, 6, 6}, {4, 9}, {5, 5, 5}};
  for (int n = 1; n <= 3; ++n)
    for (const std::vector<int>& r : roots) {
      SCOPED_TRACE("n=" + std::to_string(n) + ", " + std::to_string(r.size()) + " roots");
      const std::vector<NGPoly> F = points_on_curves(rng, n, r, p);
      const std::set<int> distinct(r.begin(), r.end());
      std::vector<NGPoly> radical = F;
      radical.back() = from_uni(Uni{1}, n);
      for (int x : distinct) radical.back() = from_uni(u.mul(in_last(radical.back(), n, 0),
                                                             Uni{p - uint64_t(x), 1}), n);
      for (NGPoly& g : radical) g = lex.normalise(g);
      const std::vector<NGPoly> L = lex.basis(radical);
      const Uni f = in_last(L.back(), n, 0);
      ASSERT_EQ(f.size() - 1, distinct.size());

      const std::vector<NGPoly> mp = run(F, n, p, ZEL_COMPUTE_MINPOLY_SQFR);
      ASSERT_EQ(mp.size(), 1u);
      EXPECT_EQ(lex.monic(mp[0]), L.back());
      const std::vector<NGPoly> rr = run(F, n, p, ZEL_COMPUTE_RRFORM_SQFR);
      ASSERT_EQ(rr.size(), size_t(n));
      for (int j = 0; j + 1 < n; ++j)
        EXPECT_EQ(in_last(rr[j], n, 1), u.rr(in_last(L[j], n, 1), f)) << "x" << j;
      EXPECT_EQ(lex.monic(rr.back()), L.back());
    }
}

// A session of two blocks: the change of order gives the same answers, and
// a basis handed to mode 6 as it is is one for the session's block order.
TEST_F(OracleTest, TwoBlockSessions) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(73);
  const uint64_t p = 65521;
  for (int n = 2; n <= 3; ++n) {
    SCOPED_TRACE("n=" + std::to_string(n));
    std::vector<NGPoly> F;
    for (int i = 0; i < n; ++i) F.push_back(random_dense(rng, n, p));
    check_against_lex(F, n, p, 1);

    const NaiveGroebner block{{1}, p};
    std::vector<NGPoly> Fb;
    for (const NGPoly& f : F) Fb.push_back(block.normalise(f));
    const std::vector<NGPoly> G = block.basis(Fb);
    std::vector<NGPoly> req;
    for (int k = 0; k < 3; ++k) {
      NGPoly g;
      for (int t = 0; t < 4; ++t) {
        NMono e(n);
        for (int& x : e) x = int(rng() % 4);
        g.push_back({e, uint32_t(1 + rng() % (p - 1))});
      }
      req.push_back(block.normalise(g));
    }
    std::vector<NGPoly> in = req;
    in.insert(in.end(), G.begin(), G.end());
    const std::vector<NGPoly> nf = run(in, n, p, ZEL_COMPUTE_GBASIS_NF, int(req.size()), 1);
    ASSERT_EQ(nf.size(), 2 * req.size());
    for (size_t k = 0; k < req.size(); ++k) {
      NGPoly got = nf[2 * k + 1];
      if (!got.empty()) got = block.monic(block.normalise(got));
      EXPECT_EQ(got, block.reduce(req[k], G)) << "polynomial " << k;
    }
  }
}

}  // namespace

namespace {

// Modulo 7, f = t^7 - t - 1 has 7 distinct roots but f'/7 does not exist:
// the shape basis and the minimal polynomial are given, the rational
// parametrisation is refused instead of a wrong one.
TEST_F(OracleTest, NoParametrisationWhenThePrimeDividesTheDegree) {
  const std::vector<NGPoly> F = {{{{1, 0}, 1}, {{0, 2}, 6}, {{0, 0}, 6}},
                                 {{{0, 7}, 1}, {{0, 1}, 6}, {{0, 0}, 6}}};
  EXPECT_EQ(run(F, 2, 7, ZEL_COMPUTE_MATRIXN), F);
  EXPECT_EQ(run(F, 2, 7, ZEL_COMPUTE_MINPOLY), std::vector<NGPoly>{F[1]});
  for (int mode : {ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_RRFORM_SQFR})
    EXPECT_RAISES(run(F, 2, 7, mode),
                  "apply_rr: the minimal polynomial has degree 7, a multiple of the prime 7: no "
                  "rational parametrisation modulo this prime\n");
}

}  // namespace

namespace {

// Univariate algebra modulo a small prime for the references below.
struct SmallField : UniOps {
  Uni monic(Uni a) const {
    a = trim(a);
    const uint64_t c = inv(a.back());
    for (auto& x : a) x = x * c % p;
    return a;
  }
  Uni quo(Uni a, const Uni& b) const {
    a = trim(a);
    Uni q(a.size() >= b.size() ? a.size() - b.size() + 1 : 0, 0);
    const uint64_t ib = inv(b.back());
    while (a.size() >= b.size()) {
      const size_t sh = a.size() - b.size();
      q[sh] = a.back() * ib % p;
      for (size_t i = 0; i < b.size(); ++i) a[sh + i] = (a[sh + i] + (p - q[sh]) * b[i]) % p;
      a = trim(a);
    }
    return trim(q);
  }
  Uni gcd(Uni a, Uni b) const {
    a = trim(a), b = trim(b);
    while (!b.empty()) a = rem(a, b), std::swap(a, b);
    return monic(a);
  }
  // The product of the distinct irreducible factors of f: the lcm over k of
  // gcd(f, t^(p^k) - t), which holds those of degree dividing k.
  Uni radical(const Uni& f) const {
    Uni r{1}, x = rem(Uni{0, 1}, f);
    for (size_t k = 1; k < f.size(); ++k) {
      Uni y{1};
      for (uint64_t e = 0; e < p; ++e) y = rem(mul(y, x), f);  // x^p mod f
      x = y;
      Uni xt = x;
      if (xt.size() < 2) xt.resize(2, 0);
      xt[1] = (xt[1] + p - 1) % p;
      const Uni g = gcd(f, trim(xt));
      if (g.size() > 1) r = monic(mul(quo(r, gcd(r, g)), g));
    }
    return r;
  }
};

// The solving modes against the naive lexicographic basis L of F modulo p:
// mode 4 is L's univariate polynomial f, mode 5 its radical; when L is in
// shape position (deg f = D) mode 12 is L, modes 2 and 11 (no second
// basis) its parametrisation, modes 3 and 8 those of the radical (apply_rr
// refusing when p divides the degree); otherwise the parametrising modes
// refuse.
void check_modes_against_lex(OracleTest& T, const std::vector<NGPoly>& F, int n, uint64_t p) {
  const NaiveGroebner lex{{0, true}, p};
  const SmallField u{{p}};
  std::vector<NGPoly> Fl;
  for (const NGPoly& g : F) Fl.push_back(lex.normalise(g));
  const std::vector<NGPoly> L = lex.basis(Fl);
  const Uni f = in_last(L.back(), n, 0), r = u.radical(f);
  bool shape = L.size() == size_t(n);
  for (int j = 0; shape && j + 1 < n; ++j) shape = NaiveGroebner::deg(L[j][0].e) == 1;

  const std::vector<NGPoly> mp = T.run(F, n, p, ZEL_COMPUTE_MINPOLY);
  ASSERT_EQ(mp.size(), 1u);
  EXPECT_EQ(in_last(lex.monic(mp[0]), n, 0), f) << "mode 4";
  const std::vector<NGPoly> sq = T.run(F, n, p, ZEL_COMPUTE_MINPOLY_SQFR);
  ASSERT_EQ(sq.size(), 1u);
  EXPECT_EQ(in_last(lex.monic(sq[0]), n, 0), r) << "mode 5";
  if (!shape) {
    for (int mode : {ZEL_COMPUTE_MATRIXN, ZEL_COMPUTE_RRFORM}) {
      try {
        T.run(F, n, p, mode);
        ADD_FAILURE() << "mode " << mode << " gave an answer";
      } catch (const zel_test::HostError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("No rational parametrisation by ", 0), 0u)
            << e.what();
      }
    }
    return;
  }
  std::vector<NGPoly> shape12 = T.run(F, n, p, ZEL_COMPUTE_MATRIXN);
  for (NGPoly& g : shape12) g = lex.monic(lex.normalise(g));
  EXPECT_EQ(shape12, L) << "mode 12";

  // The radical's lexicographic basis: L with f replaced by r, reduced.
  std::vector<NGPoly> Lr = Fl;
  Lr.push_back(from_uni(r, n));
  for (NGPoly& g : Lr) g = lex.normalise(g);
  Lr = lex.basis(Lr);
  std::vector<NGPoly> radical8 = T.run(F, n, p, ZEL_COMPUTE_RADICAL_STRATEG1);
  for (NGPoly& g : radical8) g = lex.monic(lex.normalise(g));
  EXPECT_EQ(radical8, Lr) << "mode 8";

  for (int mode : {ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_GBASIS_MULTI, ZEL_COMPUTE_RRFORM_SQFR}) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    const std::vector<NGPoly>& B = mode == ZEL_COMPUTE_RRFORM_SQFR ? Lr : L;
    const Uni g = in_last(B.back(), n, 0);
    const uint64_t d = g.size() - 1;
    if (d % p == 0) {
      EXPECT_RAISES(T.run(F, n, p, mode),
                    "apply_rr: the minimal polynomial has degree " + std::to_string(d) +
                        ", a multiple of the prime " + std::to_string(p) +
                        ": no rational parametrisation modulo this prime\n");
      continue;
    }
    const std::vector<NGPoly> rr = T.run(F, n, p, mode);
    ASSERT_EQ(rr.size(), size_t(n));
    for (int j = 0; j + 1 < n; ++j) {
      EXPECT_EQ(rr[j][0], B[j][0]);
      EXPECT_EQ(in_last(rr[j], n, 1), u.rr(in_last(B[j], n, 1), g)) << "x" << j;
    }
    EXPECT_EQ(in_last(lex.monic(rr.back()), n, 0), g);
  }
}

// x_j = q_j(s) for random q_j and a random h(s) = 0 (repeated and
// irreducible factors alike), s the last variable (in shape position) or the
// first one (the last may then take one value on several solutions); the
// inputs mixed so that they are no basis already.
std::vector<NGPoly> curve_points(std::mt19937_64& rng, int n, uint64_t p, bool last_is_s) {
  const int s = last_is_s ? n - 1 : 0;
  const int deg_h = 1 + int(rng() % 7);
  auto power = [&](int v, int e) {
    NMono m(n, 0);
    m[v] = e;
    return m;
  };
  std::vector<NGPoly> F;
  for (int j = 0; j < n; ++j) {
    if (j == s) continue;
    NGPoly g{{power(j, 1), 1}};
    for (int e = 1 + int(rng() % 3); e >= 0; --e) g.push_back({power(s, e), uint32_t(rng() % p)});
    F.push_back(g);
  }
  NGPoly h{{power(s, deg_h), 1}};
  for (int e = deg_h - 1; e >= 0; --e) h.push_back({power(s, e), uint32_t(rng() % p)});
  F.push_back(h);
  const NaiveGroebner drl{{0}, p};
  for (NGPoly& g : F) g = drl.normalise(g);
  // F[0] += c F[last]: the same ideal.
  if (F.size() > 1) {
    NGPoly mixed = F[0];
    const uint32_t c = uint32_t(1 + rng() % (p - 1));
    for (const NTerm& t : F.back()) mixed.push_back({t.e, uint32_t(uint64_t(c) * t.c % p)});
    F[0] = drl.normalise(mixed);
  }
  return F;
}

TEST_F(OracleTest, SmallPrimesGiveTheNaiveLexicographicAnswers) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(74);
  for (uint64_t p : {2u, 3u, 5u, 7u, 101u, 65521u}) {
    for (long round = 0; round < zel_test::iterations(6); ++round) {
      const int n = 1 + int(round % 3);
      SCOPED_TRACE("p=" + std::to_string(p) + " round " + std::to_string(round));
      check_modes_against_lex(*this, curve_points(rng, n, p, round % 2 == 0), n, p);
    }
  }
}

}  // namespace

namespace {

// Systems on which the sparse FGLM's first projection loses a factor of the
// minimal polynomial (or, modulo 2, on which no dense row was accepted).
TEST_F(OracleTest, ProjectionsThatLoseAFactorAreNotTrusted) {
  auto poly = [](std::initializer_list<std::pair<NMono, uint32_t>> terms) {
    NGPoly f;
    for (const auto& [e, c] : terms) f.push_back({e, c});
    return f;
  };
  // (x0 - x1, x1^2 + x1 + 1) mod 7: mode 4 gave x1 + 3.
  check_modes_against_lex(*this, {poly({{{1, 0}, 1}, {{0, 1}, 6}}),
                                  poly({{{0, 2}, 1}, {{0, 1}, 1}, {{0, 0}, 1}})}, 2, 7);
  // (x0, x1^2 - x1) mod 3 gave x1 + 2; mod 2 it stopped in the sparse layer.
  for (uint32_t p : {3u, 2u})
    check_modes_against_lex(*this, {poly({{{1, 0}, 1}}), poly({{{0, 2}, 1}, {{0, 1}, p - 1}})}, 2,
                            p);
  // (x0 - x1, x1^5 + x1 + 3) mod 251 lost the root 7.
  check_modes_against_lex(*this, {poly({{{1, 0}, 1}, {{0, 1}, 250}}),
                                  poly({{{0, 5}, 1}, {{0, 1}, 1}, {{0, 0}, 3}})}, 2, 251);
  // Already in shape form mod 7: mode 2 gave the single polynomial x1^6.
  check_modes_against_lex(
      *this,
      {poly({{{1, 0}, 1}, {{0, 5}, 6}, {{0, 4}, 3}, {{0, 3}, 6}, {{0, 2}, 5}, {{0, 0}, 3}}),
       poly({{{0, 6}, 1}, {{0, 5}, 6}, {{0, 3}, 4}, {{0, 2}, 5}, {{0, 1}, 6}, {{0, 0}, 4}})},
      2, 7);
  // Square-free parts in characteristic p: (x1 - 1)^3 mod 3 and (x1 + 1)^2
  // mod 2 have a zero derivative.
  check_modes_against_lex(*this, {poly({{{1, 0}, 1}}), poly({{{0, 3}, 1}, {{0, 0}, 2}})}, 2, 3);
  check_modes_against_lex(*this, {poly({{{1, 0}, 1}}), poly({{{0, 2}, 1}, {{0, 0}, 1}})}, 2, 2);

  // Mod 101, x2^3 (x2 + 6)^2 (x2 - 6)(x2 - 4)(x2 - 1) of degree 8 came out
  // of degree 7, and the radical modes dropped the root 6.
  const uint64_t p = 101;
  const UniOps u{p};
  Uni h{1};
  for (int r : {0, 0, 0, 95, 95, 6, 4, 1}) h = u.mul(h, Uni{(p - uint64_t(r)) % p, 1});
  const std::vector<NGPoly> F = {
      poly({{{1, 0, 0}, 1}, {{0, 0, 2}, 68}, {{0, 0, 1}, 67}, {{0, 0, 0}, 76}}),
      poly({{{0, 1, 0}, 1}, {{0, 0, 2}, 86}, {{0, 0, 1}, 4}, {{0, 0, 0}, 56}}), from_uni(h, 3)};
  check_modes_against_lex(*this, F, 3, p);
  // Mode 9, localised by x2 - 4: the parametrisation of the other 4 roots.
  const NaiveGroebner lex{{0, true}, p};
  std::vector<NGPoly> in = F;
  Uni g{1};
  for (int r : {0, 95, 6, 1}) g = u.mul(g, Uni{(p - uint64_t(r)) % p, 1});
  in.push_back(from_uni(g, 3));
  for (NGPoly& f : in) f = lex.normalise(f);
  const std::vector<NGPoly> L = lex.basis(in);
  std::vector<NGPoly> with_localiser = F;
  with_localiser.push_back(poly({{{0, 0, 1}, 1}, {{0, 0, 0}, 97}}));
  const std::vector<NGPoly> rr = run(with_localiser, 3, p, ZEL_COMPUTE_RADICAL_STRATEG2, 1);
  ASSERT_EQ(rr.size(), 3u);
  for (int j = 0; j < 2; ++j)
    EXPECT_EQ(in_last(rr[j], 3, 1), u.rr(in_last(L[j], 3, 1), g)) << "x" << j;
  EXPECT_EQ(in_last(lex.monic(rr.back()), 3, 0), g);
}

}  // namespace
