// Normal forms through the bridge of polynomials in the last variable alone
// (the radical strategy's request), against a naive reference on random
// zero-dimensional systems: of degree above the 127 that the prime-field
// build's server polynomials hold, so that the engine's side reduces them,
// and in sessions of two blocks (the engine's side in both builds).  A
// basis that is not monic, not reduced or not sorted spans the same ideal
// and gives the same normal form.
#include "server/algo/bridge.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/driver/affine_monomials.hpp"
#include "support/any_build_gb.hpp"
#include "support/naive_buchberger.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::SysPoly;
using zel_test::buchberger::NaiveGroebner;
using zel_test::buchberger::NGPoly;
using zel_test::buchberger::NMono;

namespace {

using Term = std::pair<Exps, std::vector<uint32_t>>;  // exponents, one residue per lane
using Terms = std::vector<Term>;

Terms terms_of(const Dpol* p, uint32_t n) {
  Terms f;
  for (uint32_t t = 0; t < p->n; ++t) {
    f.push_back({affine_exps(p->mono[t], n), {}});
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) f.back().second.push_back(lanes(p)[l][t]);
  }
  return f;
}

Dpol* dpol_of(const Terms& f) {
  Dpol* q = new_Dpol(uint32_t(f.size()));
  for (size_t t = 0; t < f.size(); ++t) {
    q->mono[t] = expos_from(f[t].first);
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) lanes(q)[l][t] = Dom(f[t].second[l]);
  }
  return q;
}

// Lane l of f as the naive reference's polynomial.
NGPoly lane_of(const NaiveGroebner& ng, const Terms& f, uint32_t l) {
  NGPoly q;
  for (const auto& [e, c] : f) q.push_back({NMono(e.begin(), e.end()), c[l]});
  return ng.normalise(q);
}

// The normal form of f, a polynomial in x_last, modulo G on lane l by the
// naive reduction, one power of x_last at a time: r := NF(x_last r + c_d)
// from the top degree down.
NGPoly reference(const Terms& f, const std::vector<Terms>& G, uint32_t n, uint32_t first_block,
                 uint32_t l) {
  const NaiveGroebner ng{{int(first_block)}, ZEL_C(Primes)[l]};
  std::vector<NGPoly> basis;
  for (const Terms& g : G) basis.push_back(ng.monic(lane_of(ng, g, l)));
  std::map<uint32_t, uint32_t> by_degree;
  for (const auto& [e, c] : f) by_degree[e[n - 1]] = c[l];
  NGPoly r;
  for (int64_t d = int64_t(by_degree.rbegin()->first); d >= 0; --d) {
    for (auto& t : r) ++t.e[n - 1];
    const auto it = by_degree.find(uint32_t(d));
    if (it != by_degree.end()) r.push_back({NMono(n, 0), it->second});
    r = ng.remainder(ng.normalise(r), basis);
  }
  return r;
}

uint32_t coef(std::mt19937_64& rng) { return uint32_t(1 + rng() % 1000); }

// Dense quadrics: generic, 2^n simple solutions.
std::vector<SysPoly> dense_quadrics(std::mt19937_64& rng, uint32_t n) {
  std::vector<SysPoly> F(n);
  for (SysPoly& f : F)
    for (uint32_t i = 0; i <= n; ++i)
      for (uint32_t j = i; j <= n; ++j) {
        std::vector<uint32_t> e(n, 0);
        if (i < n) ++e[i];
        if (j < n) ++e[j];
        f.push_back({e, coef(rng)});
      }
  return F;
}

// x_j = q_j(x_last) for random quadrics q_j, and a polynomial in x_last
// with the roots given (a repeated one: not radical).  The normal set
// holds x_{n-2} x_last while x_last^2 leads, so products of x_last with it
// are neither standard nor leading monomials.
std::vector<SysPoly> curves(std::mt19937_64& rng, uint32_t n, const std::vector<int64_t>& roots) {
  constexpr int64_t P = 2147483647;  // term lists hold integers modulo it
  std::vector<SysPoly> F(n);
  for (uint32_t j = 0; j + 1 < n; ++j) {
    std::vector<uint32_t> e(n, 0);
    e[j] = 1;
    F[j].push_back({e, 1});
    e[j] = 0;
    for (uint32_t d = 0; d <= 2; ++d) {
      e[n - 1] = d;
      F[j].push_back({e, coef(rng)});
    }
  }
  std::vector<int64_t> h{1};  // prod (t - r), lowest degree first
  for (int64_t r : roots) {
    h.insert(h.begin(), 0);
    for (size_t i = 0; i + 1 < h.size(); ++i) h[i] -= r * h[i + 1];
  }
  for (size_t d = 0; d < h.size(); ++d) {
    std::vector<uint32_t> e(n, 0);
    e[n - 1] = uint32_t(d);
    if (h[d] != 0) F[n - 1].push_back({e, uint32_t(h[d] < 0 ? h[d] + P : h[d])});
  }
  return F;
}

struct BridgeNormalForms : ::testing::Test {
  zel_test::TestHost host{0};
  std::vector<Dpol*> out = std::vector<Dpol*>(2);

  Terms normal_form(Dpol* f, std::vector<Dpol*> G, uint32_t n) {
    EXPECT_EQ(lib_normalForm(&f, 1, G.data(), uint32_t(G.size()), nullptr, 0, 1, out.data()), 2u);
    return terms_of(out[1], n);
  }

  // The bridge's normal form of f modulo G, lane by lane against the
  // reference; no term vanishes on every lane.
  void expect_reference(Dpol* f, const std::vector<Dpol*>& G, const std::vector<Terms>& reduced,
                        uint32_t n, uint32_t first_block) {
    const Terms nf = normal_form(f, G, n);
    for (const Term& t : nf)
      EXPECT_TRUE(std::any_of(t.second.begin(), t.second.end(), [](uint32_t c) { return c; }));
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) {
      const NaiveGroebner ng{{int(first_block)}, ZEL_C(Primes)[l]};
      EXPECT_EQ(lane_of(ng, nf, l), reference(terms_of(f, n), reduced, n, first_block, l))
          << "lane " << l;
    }
  }
};

// Copies of a basis that are not monic, not reduced or not sorted, with the
// same ideal: every polynomial times 3; the polynomial of the largest
// leading monomial plus another; terms 0 and 1 of one polynomial swapped;
// a term of it given as two of the same monomial.
std::vector<std::vector<Dpol*>> awkward_copies(const std::vector<Dpol*>& G, uint32_t n,
                                               uint32_t first_block) {
  std::vector<std::vector<Dpol*>> copies;
  std::vector<Dpol*> scaled;
  for (const Dpol* g : G) {
    Terms t = terms_of(g, n);
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l)
      for (Term& term : t) term.second[l] = uint32_t(3ull * term.second[l] % ZEL_C(Primes)[l]);
    scaled.push_back(dpol_of(t));
  }
  copies.push_back(scaled);

  const NaiveGroebner ng{{int(first_block)}, 2};  // the order alone
  auto greater = [&](const Exps& a, const Exps& b) {
    return ng.order.cmp(NMono(a.begin(), a.end()), NMono(b.begin(), b.end())) > 0;
  };
  if (G.size() > 1) {
    size_t top = 0;
    for (size_t k = 1; k < G.size(); ++k)
      if (greater(affine_exps(G[k]->mono[0], n), affine_exps(G[top]->mono[0], n))) top = k;
    const size_t other = top == 0 ? 1 : 0;
    std::map<Exps, std::vector<uint32_t>, decltype(greater)> sum(greater);
    for (const size_t k : {top, other})
      for (const auto& [e, c] : terms_of(G[k], n)) {
        std::vector<uint32_t>& s = sum.emplace(e, std::vector<uint32_t>(c.size(), 0)).first->second;
        for (uint32_t l = 0; l < c.size(); ++l)
          s[l] = uint32_t((uint64_t(s[l]) + c[l]) % ZEL_C(Primes)[l]);
      }
    std::vector<Dpol*> unreduced = G;
    unreduced[top] = dpol_of(Terms(sum.begin(), sum.end()));
    copies.push_back(unreduced);
  }

  for (size_t k = 0; k < G.size(); ++k) {
    if (G[k]->n < 2) continue;
    Terms t = terms_of(G[k], n);
    std::swap(t[0], t[1]);
    std::vector<Dpol*> unsorted = G;
    unsorted[k] = dpol_of(t);
    copies.push_back(unsorted);
    // Its second term as two of the same monomial: 1 and the rest.
    t = terms_of(G[k], n);
    Term one = t[1];
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) {
      one.second[l] = 1;
      t[1].second[l] =
          uint32_t((uint64_t(t[1].second[l]) + ZEL_C(Primes)[l] - 1) % ZEL_C(Primes)[l]);
    }
    t.insert(t.begin() + 1, one);
    std::vector<Dpol*> repeated = G;
    repeated[k] = dpol_of(t);
    copies.push_back(repeated);
    break;
  }
  return copies;
}

TEST_F(BridgeNormalForms, PolynomialsInTheLastVariableMatchTheNaiveReduction) {
  SEED_TRACE();
  std::mt19937_64 rng = zel_test::make_rng(81);
  for (long round = 0; round < zel_test::iterations(6); ++round) {
    const uint32_t n = 2 + uint32_t(round % 3);
    const uint32_t first_block = (round / 3) % 2;  // one block, then two
    SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(n) + " variables");
    for (const std::vector<SysPoly>& F :
         {dense_quadrics(rng, n), curves(rng, n, {3, 5, 5, 7}), curves(rng, n, {2, 4, 6, 8, 10})}) {
      zel_test::AnyBuildGB gb(n, first_block);
      const std::vector<Dpol*> G = gb.basis(F);
      std::vector<Terms> reduced;
      for (const Dpol* g : G) reduced.push_back(terms_of(g, n));
      SysPoly f;
      const uint32_t degree = 128 + uint32_t(rng() % 80);
      for (uint32_t d = 0; d <= degree; ++d) {
        std::vector<uint32_t> e(n, 0);
        e[n - 1] = d;
        if (d == degree || rng() % 4 != 0) f.push_back({e, coef(rng)});
      }
      Dpol* fd = gb.make(f);
      expect_reference(fd, G, reduced, n, first_block);
      int which = 0;
      for (const std::vector<Dpol*>& copy : awkward_copies(G, n, first_block)) {
        SCOPED_TRACE("awkward copy " + std::to_string(which++));  // in their order above
        expect_reference(fd, copy, reduced, n, first_block);
      }
    }
  }
}

// Infinitely many solutions: no matrix of multiplication on a finite normal
// set, the reduction goes term by term.
TEST_F(BridgeNormalForms, PositiveDimensionalIdealsToo) {
  SEED_TRACE();
  std::mt19937_64 rng = zel_test::make_rng(82);
  zel_test::AnyBuildGB gb(3);
  const std::vector<Dpol*> G =
      gb.basis({{{{2, 0, 0}, 1}, {{0, 1, 1}, coef(rng)}, {{0, 0, 1}, coef(rng)}},
                {{{0, 2, 0}, 1}, {{1, 0, 1}, coef(rng)}, {{0, 0, 0}, coef(rng)}}});
  std::vector<Terms> reduced;
  for (const Dpol* g : G) reduced.push_back(terms_of(g, 3));
  SysPoly f;
  for (uint32_t d = 0; d <= 140; ++d) f.push_back({{0, 0, d}, coef(rng)});
  expect_reference(gb.make(f), G, reduced, 3, 0);
}

// No normal set: 1 lies in the ideal, and every normal form is 0.
TEST_F(BridgeNormalForms, TheUnitIdealReducesEverythingToZero) {
  zel_test::AnyBuildGB gb(2);
  const std::vector<Dpol*> G = gb.basis({{{{1, 0}, 1}}, {{{1, 0}, 1}, {{0, 0}, 1}}});
  ASSERT_EQ(G.size(), 1u);
  SysPoly f;
  for (uint32_t d = 0; d <= 150; ++d) f.push_back({{0, d}, 1 + d});
  EXPECT_TRUE(normal_form(gb.make(f), G, 2).empty());
}

}  // namespace
