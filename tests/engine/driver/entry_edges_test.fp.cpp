// The prime-field compute entry at the edges of its requests: zero
// polynomials among the inputs, aggressive elimination, a degree limit and
// mode 11's blocks, in every mode that starts from a basis.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/naive_buchberger.hpp"
#include "support/test_host.hpp"
#include "support/zel_systems.h"

using zel_test::buchberger::NGPoly;
using zel_test::buchberger::NMono;

namespace {

struct Request {
  int mode = ZEL_COMPUTE_GBASIS;
  int nb = 0, bk0 = 0, nb2 = 0, bk2 = 0, elim2 = 0;
  int aggressive = -1, dlim = -1;
};

struct EntryEdges : ::testing::Test {
  zel_test::TestHost host{0};
  std::vector<void*> out = std::vector<void*>(100000);
  void TearDown() override { Zel_reset_memory(); }

  void* send(const NGPoly& f, UI32 n) {
    void* h = Zel_creat_poly(UI32(f.size()));
    for (size_t t = 0; t < f.size(); ++t) {
      std::vector<I32> e(f[t].e.begin(), f[t].e.end());
      Zel_set_expos2(h, UI32(t), e.data(), n);
      Zel_set_coeff_I32(h, UI32(t), I32(f[t].c));
    }
    Zel_full_sort_poly2(h);
    return h;
  }

  NGPoly received(void* h, UI32 n) {
    const UI32 m = Zel_nb_terms(h);
    std::vector<UI32> e(size_t(m) * n + 1), c(m + 1);
    EXPECT_EQ(Zel_export_poly(n, m, e.data(), c.data(), h), 1);
    NGPoly q;
    for (UI32 t = 0; t < m; ++t)
      q.push_back({NMono(e.begin() + t * n, e.begin() + (t + 1) * n), c[t]});
    return q;
  }

  // The request on handles of the current session; the results stay in out.
  UI32 compute(std::vector<void*>& in, const Request& r) {
    sZEL_Comp_Desc env{};
    env._compute = r.mode;
    env._nb = r.nb;
    env._nb2 = r.nb2;
    env._bk2 = r.bk2;
    env._force_elim2 = r.elim2;
    env._aggressive2 = r.aggressive;
    env._dlim = r.dlim;
    env._skip = -1;
    double cpu;
    return Zel_groebner(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, r.bk0, 8, 0, &env);
  }

  // One request in a fresh session of n variables modulo p.
  std::vector<NGPoly> run(const std::vector<NGPoly>& sys, UI32 n, UI32 p, const Request& r) {
    zs_session(0, n, p, 0);
    std::vector<void*> in;
    for (const NGPoly& f : sys) in.push_back(send(f, n));
    const UI32 k = compute(in, r);
    std::vector<NGPoly> res;
    for (UI32 i = 0; i < k; ++i) res.push_back(received(out[i], n));
    return res;
  }
};

NGPoly poly(std::initializer_list<std::pair<NMono, uint32_t>> terms) {
  NGPoly f;
  for (const auto& [e, c] : terms) f.push_back({e, c});
  return f;
}

uint32_t mod(int64_t c, uint32_t p) { return uint32_t(((c % int64_t(p)) + p) % p); }

// The reduced basis {x0 - x1 + 3, x1^2 - 6 x1 + 7}: two solutions,
// separated by x1 (away from the small primes).
std::vector<NGPoly> two_points(uint32_t p) {
  NGPoly f = {{{1, 0}, 1}, {{0, 1}, mod(-1, p)}}, g = {{{0, 2}, 1}};
  if (mod(3, p)) f.push_back({{0, 0}, mod(3, p)});
  if (mod(-6, p)) g.push_back({{0, 1}, mod(-6, p)});
  if (mod(7, p)) g.push_back({{0, 0}, mod(7, p)});
  return {f, g};
}

// What a request gives: its results, or the message of its refusal.
std::string outcome(EntryEdges& T, const std::vector<NGPoly>& sys, UI32 n, UI32 p,
                    const Request& r) {
  try {
    std::string s;
    for (const NGPoly& f : T.run(sys, n, p, r)) {
      for (const auto& t : f) {
        s += std::to_string(t.c);
        for (int e : t.e) s += "," + std::to_string(e);
        s += " ";
      }
      s += "| ";
    }
    return s;
  } catch (const zel_test::HostError& e) {
    return e.what();
  }
}

TEST_F(EntryEdges, ZeroInputsAreIgnoredInEveryMode) {
  for (const uint32_t q : {2u, 3u, 65521u}) {
    const std::vector<NGPoly> F = two_points(q);
    const NGPoly zero, vanishing = poly({{{1, 0}, q}});  // q x0: zero modulo q
    const std::vector<NGPoly> with_zeros = {zero, F[0], vanishing, F[1], zero};
    for (int mode = ZEL_COMPUTE_GBASIS; mode <= ZEL_COMPUTE_MATRIXN; ++mode) {
      // Modes 6 and 7 need polynomials to reduce (_nb > 0).
      if (mode == ZEL_COMPUTE_GBASIS_NF || mode == ZEL_COMPUTE_GBASIS_NF_RECOMPUTE ||
          mode == ZEL_COMPUTE_NOP)
        continue;
      SCOPED_TRACE("p=" + std::to_string(q) + " mode " + std::to_string(mode));
      Request r;
      r.mode = mode;
      EXPECT_EQ(outcome(*this, with_zeros, 2, q, r), outcome(*this, F, 2, q, r));
    }
  }
  const uint32_t p = 65521;
  const std::vector<NGPoly> F = two_points(p);
  const NGPoly zero;
  // Mode 10 passes them through.
  Request nop;
  nop.mode = ZEL_COMPUTE_NOP;
  EXPECT_EQ(run({zero, F[0], zero}, 2, p, nop), (std::vector<NGPoly>{zero, F[0], zero}));
  // Mode 4 of {0, x0^2 - 2, x1^2 - 3}.
  Request minpoly;
  minpoly.mode = ZEL_COMPUTE_MINPOLY;
  EXPECT_EQ(run({zero, poly({{{2, 0}, 1}, {{0, 0}, p - 2}}), poly({{{0, 2}, 1}, {{0, 0}, p - 3}})},
                2, p, minpoly),
            (std::vector<NGPoly>{poly({{{0, 2}, 1}, {{0, 0}, p - 3}})}));
  // A zero localiser (mode 9) and a zero added for mode 11's second basis.
  Request radical;
  radical.mode = ZEL_COMPUTE_RADICAL_STRATEG2;
  radical.nb = 1;
  std::vector<NGPoly> localised = F;
  localised.push_back(zero);
  Request plain = radical;
  plain.nb = 0;
  EXPECT_EQ(run(localised, 2, p, radical), run(F, 2, p, plain));
  Request multi;
  multi.mode = ZEL_COMPUTE_GBASIS_MULTI;
  multi.nb2 = 1;
  multi.bk2 = 1;
  std::vector<NGPoly> added = F;
  added.push_back(F[0]);
  std::vector<NGPoly> added_zero = F;
  added_zero.push_back(zero);
  EXPECT_EQ(run(added_zero, 2, p, multi), run(added, 2, p, multi));
}

// Mode 6 gives zero normal forms; they go to a further mode-6 request, both
// as polynomials to reduce and in the basis.
TEST_F(EntryEdges, ZeroNormalFormsFeedFurtherNormalForms) {
  const uint32_t p = 65521;
  const std::vector<NGPoly> F = two_points(p);
  zs_session(0, 2, p, 0);
  const NGPoly x0x1 = poly({{{1, 1}, 1}});
  std::vector<void*> in = {send(F[0], 2), send(x0x1, 2), send(F[0], 2), send(F[1], 2)};
  Request nf;
  nf.mode = ZEL_COMPUTE_GBASIS_NF;
  nf.nb = 2;
  ASSERT_EQ(compute(in, nf), 4u);
  EXPECT_TRUE(received(out[1], 2).empty());
  const NGPoly reduced = received(out[3], 2);  // x0 x1 = x1^2 - 3 x1 = 3 x1 - 7
  EXPECT_EQ(reduced, poly({{{0, 1}, 3}, {{0, 0}, p - 7}}));
  std::vector<void*> again = {out[1], out[3], out[1], send(F[0], 2), send(F[1], 2)};
  ASSERT_EQ(compute(again, nf), 4u);
  EXPECT_TRUE(received(out[1], 2).empty());
  EXPECT_EQ(received(out[3], 2), reduced);
}

// Every mode that starts from the degree-order basis gets the complete
// basis when aggressive elimination skipped rows (these two systems lost
// polynomials to the skips and were refused as not zero-dimensional).
TEST_F(EntryEdges, AggressiveEliminationGivesEveryModeItsBasis) {
  const std::vector<NGPoly> mod7 = {
      poly({{{2, 0, 0}, 2}, {{1, 1, 1}, 5}, {{0, 0, 0}, 2}, {{0, 1, 1}, 3}, {{0, 1, 0}, 2}}),
      poly({{{1, 0, 0}, 4}, {{0, 0, 1}, 6}, {{1, 0, 2}, 3}, {{0, 0, 2}, 3}}),
      poly({{{0, 0, 1}, 2}, {{2, 0, 1}, 1}, {{0, 0, 0}, 1}, {{1, 0, 1}, 6}})};
  const std::vector<NGPoly> mod11 = {
      poly({{{1, 1, 0}, 10}, {{1, 2, 0}, 8}, {{0, 0, 0}, 9}, {{0, 2, 1}, 3}}),
      poly({{{1, 0, 0}, 8}, {{0, 0, 1}, 10}, {{1, 1, 0}, 8}, {{0, 0, 2}, 10}}),
      poly({{{0, 1, 0}, 6}, {{0, 0, 0}, 1}, {{1, 1, 1}, 8}})};
  for (const auto& [p, sys] : {std::pair{7u, mod7}, std::pair{11u, mod11}}) {
    for (int mode : {ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_RRFORM_SQFR, ZEL_COMPUTE_MINPOLY,
                     ZEL_COMPUTE_MINPOLY_SQFR, ZEL_COMPUTE_RADICAL_STRATEG1,
                     ZEL_COMPUTE_GBASIS_MULTI, ZEL_COMPUTE_MATRIXN}) {
      SCOPED_TRACE("p=" + std::to_string(p) + " mode " + std::to_string(mode));
      Request plain, aggressive;
      plain.mode = aggressive.mode = mode;
      aggressive.aggressive = 1;
      EXPECT_EQ(outcome(*this, sys, 3, p, aggressive), outcome(*this, sys, 3, p, plain));
    }
  }
}

// A degree limit below the basis's degree never yields an answer from the
// cut basis: every limit gives either the refusal or the unlimited answer.
TEST_F(EntryEdges, DegreeLimitNeverCutsTheBasisOfASolvingMode) {
  std::vector<zs_poly> raw(5);
  zs_katsura(4, raw.data());
  const UI32 p = 101;
  std::vector<NGPoly> sys;
  for (const zs_poly& f : raw) {
    NGPoly g;
    for (int t = 0; t < f.nterms; ++t)
      g.push_back({NMono(f.e + t * f.nvars, f.e + (t + 1) * f.nvars),
                   uint32_t(((f.c[t] % int64_t(p)) + p) % p)});
    sys.push_back(g);
  }
  for (zs_poly& f : raw) zs_free(&f);
  for (int mode : {ZEL_COMPUTE_MINPOLY, ZEL_COMPUTE_MATRIXN}) {
    Request r;
    r.mode = mode;
    const std::string whole = outcome(*this, sys, 5, p, r);
    int refused = 0;
    for (r.dlim = 1; r.dlim <= 12; ++r.dlim) {
      SCOPED_TRACE("mode " + std::to_string(mode) + " _dlim=" + std::to_string(r.dlim));
      const std::string got = outcome(*this, sys, 5, p, r);
      if (got == whole) continue;
      ++refused;
      EXPECT_EQ(got.rfind("The degree limit _dlim=" + std::to_string(r.dlim) +
                              " stops the basis before its pairs of degree ",
                          0),
                0u)
          << got;
    }
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused, 12);
  }
  // The rational-representation entry has no limit of its own.
  Request low;
  low.dlim = 2;
  run(sys, 5, p, low);
  std::vector<void*> in;
  for (const NGPoly& f : sys) in.push_back(send(f, 5));
  double cpu;
  const UI32 k = Zel_gbasis_rr_form(in.data(), UI32(in.size()), out.data(), &cpu);
  Request rr;
  rr.mode = ZEL_COMPUTE_RRFORM;
  std::string got;
  for (UI32 i = 0; i < k; ++i)
    for (const auto& t : received(out[i], 5)) got += std::to_string(t.c) + " ";
  std::string want;
  for (const NGPoly& f : run(sys, 5, p, rr))
    for (const auto& t : f) want += std::to_string(t.c) + " ";
  EXPECT_EQ(got, want);
}

// Mode 11 whose second basis eliminates down to f(x1) of degree p: nothing
// to rewrite, so f itself, as mode 4 gives it.
TEST_F(EntryEdges, SecondBasisOfOneUnivariatePolynomialIsItsOwnParametrisation) {
  for (uint32_t p : {2u, 3u}) {
    SCOPED_TRACE("p=" + std::to_string(p));
    const std::vector<NGPoly> sys = {poly({{{1, 0}, 1}, {{0, 1}, p - 1}}),
                                     poly({{{0, int(p)}, 1}, {{0, 1}, 1}, {{0, 0}, 1}})};
    Request multi;
    multi.mode = ZEL_COMPUTE_GBASIS_MULTI;
    multi.nb2 = 1;
    multi.bk2 = 1;
    multi.elim2 = 1;
    Request minpoly;
    minpoly.mode = ZEL_COMPUTE_MINPOLY;
    EXPECT_EQ(outcome(*this, sys, 2, p, multi), outcome(*this, sys, 2, p, minpoly));
  }
}

// Mode 11's block starts lie within the variables.
TEST_F(EntryEdges, BlockStartsBeyondTheVariablesAreRefused) {
  const std::vector<NGPoly> F = two_points(65521);
  Request multi;
  multi.mode = ZEL_COMPUTE_GBASIS_MULTI;
  multi.bk0 = 3;
  EXPECT_RAISES(run(F, 2, 65521, multi), "Zel interface error: bk0=3 exceeds the 2 variables\n");
  multi.bk0 = 2;
  multi.nb2 = 1;
  multi.bk2 = 9;
  EXPECT_RAISES(run(F, 2, 65521, multi), "Zel interface error: _bk2=9 exceeds the 2 variables\n");
  multi.bk2 = 2;
  EXPECT_EQ(run(F, 2, 65521, multi).size(), 2u);
}

}  // namespace
