// Basis array and reducer table upkeep; polynomial-array sorts and the small
// searches over polynomials.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/api/handles.hpp"
#include "engine/call_zel.h"
#include "engine/f4/basis.hpp"
#include "engine/f4/dpol_sort.hpp"
#include "f4_session.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::Exps;
using zel_test::F4Session;

namespace {

struct BasisTest : ::testing::Test {
  F4Session s{3};
  static Dpol* lm(const Exps& e) { return F4Session::poly({e}); }
  static Exps lead(const Dpol* p) { return F4Session::exps(words_of(p->mono[0])); }
};

// Reference for the Shell sort of the engine on plain keys.
template <class T, class Before>
void reference_shell_sort(std::vector<T>& v, Before before) {
  const int n = int(v.size());
  for (int gap = n / 2; gap > 0; gap /= 2)
    for (int i = 0; i + gap < n; ++i)
      for (int j = i; j >= 0 && before(v[j + gap], v[j]); j -= gap) std::swap(v[j], v[j + gap]);
}

}  // namespace

TEST_F(BasisTest, UpdatFDropsMultiplesOfTheNewLeadingMonomial) {
  std::vector<Dpol*> G(kMaxBasis);
  Dpol* f0 = lm({1, 0, 0, 0});
  EXPECT_EQ(updatF(nullptr, f0, G.data(), 0), 1u);
  EXPECT_EQ(G[0], f0);

  Dpol* a = lm({2, 1, 0, 0});
  Dpol* b = lm({0, 2, 0, 0});
  Dpol* c = lm({0, 1, 1, 0});
  Dpol* d = lm({0, 0, 3, 0});
  G[0] = a; G[1] = b; G[2] = c; G[3] = d;
  // x1 divides a, b and c: they leave, d stays, f comes last.
  Dpol* f = lm({0, 1, 0, 0});
  EXPECT_EQ(updatF(words_of(f->mono[0]), f, G.data(), 4), 2u);
  EXPECT_EQ(G[0], d);
  EXPECT_EQ(G[1], f);
  // An equal leading monomial replaces the old polynomial.
  Dpol* f2 = lm({0, 1, 0, 0});
  EXPECT_EQ(updatF(words_of(f2->mono[0]), f2, G.data(), 2), 2u);
  EXPECT_EQ(G[0], d);
  EXPECT_EQ(G[1], f2);
}

TEST_F(BasisTest, UpdatFRefusesAFullBasis) {
  std::vector<Dpol*> G(kMaxBasis + 1);
  Dpol* g = lm({1, 0, 0, 0});
  std::fill(G.begin(), G.begin() + (kMaxBasis - 1), g);
  Dpol* f = lm({0, 1, 0, 0});
  // 99999 kept: f takes the last slot.
  EXPECT_EQ(updatF(words_of(f->mono[0]), f, G.data(), kMaxBasis - 1), kMaxBasis);
  G[kMaxBasis - 1] = g;
  EXPECT_RAISES(updatF(words_of(f->mono[0]), f, G.data(), kMaxBasis),
                "Not enough memory to store the result (base) !\n");
  EXPECT_EQ(G[kMaxBasis], nullptr);
}

TEST_F(BasisTest, ReductorsAppendSortAndRefuseToFill) {
  std::vector<Dpol*> table(8, nullptr);
  uint32_t r = 0;
  Dpol* x1 = lm({0, 1, 0, 0});
  Dpol* x0 = lm({1, 0, 0, 0});
  Dpol* x2 = lm({0, 0, 1, 0});
  table[0] = x1;
  table[1] = x2;
  reductors(table.data(), &r, table.data(), 2, 8);  // in place, as the main loop does
  EXPECT_EQ(r, 2u);
  EXPECT_EQ(table[0], x1);
  Dpol* fresh[] = {x0};
  reductors(table.data(), &r, fresh, 1, 8);
  EXPECT_EQ(r, 3u);
  EXPECT_EQ((std::vector<Dpol*>(table.begin(), table.begin() + 3)),
            (std::vector<Dpol*>{x0, x1, x2}));
  // k = 0 only re-sorts.
  std::swap(table[0], table[2]);
  reductors(table.data(), &r, table.data() + 3, 0, 8);
  EXPECT_EQ(table[0], x0);
  // r + k reaching the capacity is refused before anything is written.
  Dpol* more[] = {x0, x1, x2, x0, x1};
  EXPECT_RAISES(reductors(table.data(), &r, more, 5, 8),
                "Not enough memory for the table of reductors!\n");
  EXPECT_EQ(r, 3u);
  EXPECT_EQ(table[3], nullptr);
  reductors(table.data(), &r, more, 4, 8);
  EXPECT_EQ(r, 7u);
}

TEST(Restriction, KeepsExactlyThePolynomialsFreeOfTheFirstBlock) {
  F4Session s(4, 2, 4);
  Dpol* free1 = F4Session::poly({{0, 0, 2, 0, 0}, {0, 0, 0, 1, 1}});
  Dpol* lead_only = F4Session::poly({{1, 0, 0, 0, 0}, {0, 0, 1, 0, 0}});
  Dpol* tail_only = F4Session::poly({{0, 0, 1, 1, 0}, {0, 1, 0, 0, 0}});
  Dpol* free2 = F4Session::poly({{0, 0, 0, 0, 3}});
  Dpol* G[] = {free1, lead_only, tail_only, free2};
  ZEL_C(want_quiet) = 0;
  zel_test::captured() = {};
  EXPECT_EQ(restriction(G, 4), 2u);
  EXPECT_EQ(G[0], free1);
  EXPECT_EQ(G[1], free2);
  EXPECT_EQ(zel_test::captured().printed, "\nRestriction a 2 pols\n");
  ZEL_C(want_quiet) = 1;
  zel_test::captured() = {};
  EXPECT_EQ(restriction(G, 2), 2u);
  EXPECT_EQ(zel_test::captured().printed, "");
}

TEST_F(BasisTest, ResortIsLexicographicOnExponentVectors) {
  Dpol* x0x1 = lm({1, 1, 0, 0});
  Dpol* x0sq = lm({2, 0, 0, 0});
  Dpol* v[] = {x0x1, x0sq};
  resort_Dpol(v, 2);
  EXPECT_EQ(v[0], x0sq);
  resort_Dpol(v, 1);
  resort_Dpol(v, 0);
  EXPECT_EQ(v[0], x0sq);
}

TEST(DpolSort, ShellSortsMatchTheReferenceOnRandomArraysWithTies) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(7);
  for (uint32_t n : {2u, 5u, 8u}) {
    F4Session s(n);
    for (int it = 0; it < 200; ++it) {
      const int count = int(rng() % 90);
      std::vector<Dpol*> v;
      for (int i = 0; i < count; ++i) {
        Exps e(n + 1);
        for (auto& x : e) x = uint32_t(rng() % 3);
        if (rng() % 20 == 0) e[rng() % (n + 1)] = 32000;  // high fields compare too
        v.push_back(F4Session::poly({e}));
      }
      auto lex = [](const Dpol* a, const Dpol* b) {
        return F4Session::exps(words_of(a->mono[0])) > F4Session::exps(words_of(b->mono[0]));
      };
      auto deg = [](const Dpol* a) {
        uint32_t d = 0;
        for (uint32_t x : F4Session::exps(words_of(a->mono[0]))) d += x;
        return d;
      };
      std::vector<Dpol*> ref = v, got = v;
      reference_shell_sort(ref, lex);
      resort_Dpol(got.data(), count);
      ASSERT_EQ(got, ref);
      ref = v;
      got = v;
      reference_shell_sort(ref, [&](const Dpol* a, const Dpol* b) { return deg(a) < deg(b); });
      sort_totaldeg_Dpol(got.data(), count);
      ASSERT_EQ(got, ref);
    }
  }
}

#ifdef ZEL_VARIANT_FP
TEST(DpolSort, TermSortMovesCoefficientsWithMonomials) {
  F4Session s(2);
  Dpol* p = F4Session::poly({{0, 1, 0}, {2, 0, 0}, {0, 0, 1}, {1, 1, 0}, {0, 1, 0}});
  force_sort_Dpol(p);
  std::vector<Exps> monos;
  std::vector<Dom> coeffs;
  for (uint32_t t = 0; t < p->n; ++t) {
    monos.push_back(F4Session::exps(words_of(p->mono[t])));
    coeffs.push_back(lanes(p)[0][t]);
  }
  EXPECT_EQ(monos, (std::vector<Exps>{{2, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 0, 1}}));
  // Equal monomials keep the order the Shell sort leaves them in.
  EXPECT_EQ(coeffs, (std::vector<Dom>{2, 4, 1, 5, 3}));
}
#endif

TEST_F(BasisTest, RenormalizeRaisesOnlyTheHomogenisingExponent) {
  ExposW* a = F4Session::w({1, 1, 1, 0});
  ExposW* b = F4Session::w({0, 1, 0, 0});
  ExposW* c = F4Session::w({3, 0, 0, 0});
  ExposW* v[] = {a, nullptr, b, c};
  renormalize_input(v, 4);
  EXPECT_EQ(F4Session::exps(a), (Exps{1, 1, 1, 0}));
  EXPECT_EQ(F4Session::exps(b), (Exps{0, 1, 0, 2}));
  EXPECT_EQ(F4Session::exps(c), (Exps{3, 0, 0, 0}));
  renormalize_input(v, 0);
  ExposW* none[] = {nullptr};
  renormalize_input(none, 1);
}

TEST_F(BasisTest, RenormalizeRefusesAnExponentOverflow) {
  ExposW* big = F4Session::w({30000, 30000, 0, 0});
  ExposW* one = F4Session::w({0, 0, 0, 0});
  ExposW* v[] = {big, one};
  try {
    renormalize_input(v, 2);
    ADD_FAILURE() << "no error";
  } catch (const zel_test::HostError&) {
  }
  EXPECT_EQ(F4Session::exps(one), (Exps{0, 0, 0, 0}));  // untouched
}

TEST_F(BasisTest, ReducibleByGReturnsTheFirstDivisor) {
  Dpol* a = lm({0, 2, 0, 0});
  Dpol* b = lm({1, 0, 0, 0});
  Dpol* c = lm({1, 1, 0, 0});
  Dpol* G[] = {a, b, c};
  EXPECT_EQ(is_reducible_by_G(F4Session::w({1, 1, 0, 0}), G, 0), nullptr);
  EXPECT_EQ(is_reducible_by_G(F4Session::w({1, 1, 0, 0}), G, 3), b);
  EXPECT_EQ(is_reducible_by_G(F4Session::w({0, 3, 1, 0}), G, 3), a);
  EXPECT_EQ(is_reducible_by_G(F4Session::w({0, 1, 1, 0}), G, 3), nullptr);
}

TEST(CoeffDpol, KeepsTheLeadingRunOfTheFirstBlock) {
  F4Session s(3, 2);
  // Terms sharing x0^2 x1 on the first block, then one that differs.
  Dpol* p = F4Session::poly({{2, 1, 1, 0}, {2, 1, 0, 1}, {2, 1, 0, 0}, {1, 1, 1, 0}});
  EXPECT_EQ(coeff_Dpol(p), p);
  EXPECT_EQ(p->n, 3u);
  // All terms match: unchanged.  The entry takes handles of the session only.
  Dpol* all = F4Session::poly({{1, 0, 2, 0}, {1, 0, 0, 1}});
  register_handle(all, true);
  EXPECT_EQ(ZEL_C(coeff_Dpol)(all), all);
  EXPECT_EQ(all->n, 2u);
  // The second term differs: one term kept, null returned.
  Dpol* q = F4Session::poly({{1, 0, 1, 0}, {0, 1, 1, 0}});
  EXPECT_EQ(coeff_Dpol(q), nullptr);
  EXPECT_EQ(q->n, 1u);
  // No first-block variable in the leading monomial, or one term: null, untouched.
  Dpol* r = F4Session::poly({{0, 0, 2, 0}, {0, 0, 1, 1}});
  EXPECT_EQ(coeff_Dpol(r), nullptr);
  EXPECT_EQ(r->n, 2u);
  Dpol* single = F4Session::poly({{1, 0, 0, 0}});
  EXPECT_EQ(coeff_Dpol(single), nullptr);
  EXPECT_EQ(coeff_Dpol(F4Session::poly({})), nullptr);
  var_second_block = 0;
  EXPECT_EQ(coeff_Dpol(p), nullptr);
  EXPECT_EQ(p->n, 3u);
}
