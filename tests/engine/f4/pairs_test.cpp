// Critical pairs: construction, order, the criteria and the pair-list upkeep.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/f4/basis.hpp"
#include "engine/f4/criteria.hpp"
#include "engine/f4/new_pairs.hpp"
#include "engine/f4/pairs.hpp"
#include "engine/mono/expos_order.hpp"
#include "f4_session.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::Exps;
using zel_test::F4Session;

namespace {

// Three caller variables x0, x1, x2 and the homogenising variable h (index 3).
struct PairsTest : ::testing::Test {
  F4Session s{3};
  uint32_t saved_dlim = Dlim;
  ~PairsTest() override { Dlim = saved_dlim; }

  static Dpol* lm(const Exps& e) { return F4Session::poly({e}); }

  static std::vector<Crit*> to_vector(Crit* l) {
    std::vector<Crit*> v;
    for (; l; l = l->next) v.push_back(l);
    return v;
  }
  static Crit* link(const std::vector<Crit*>& v) {
    for (size_t i = 0; i < v.size(); ++i) v[i]->next = i + 1 < v.size() ? v[i + 1] : nullptr;
    return v.empty() ? nullptr : v[0];
  }
  static Crit* pair(Dpol* a, Dpol* b) {
    Crit* c = ZEL_C(make_Crit1)(a, b);
    EXPECT_NE(c, nullptr);
    c->next = nullptr;
    return c;
  }
};

}  // namespace

TEST_F(PairsTest, MakeFillsTheRecord) {
  Dpol* p = lm({2, 1, 0, 0});
  Dpol* q = lm({0, 1, 3, 1});
  Crit* c = pair(p, q);
  EXPECT_EQ(F4Session::exps(c->lcm), (Exps{2, 1, 3, 1}));
  EXPECT_EQ(c->degree, 7u);
  EXPECT_EQ(F4Session::exps(c->mult1), (Exps{0, 0, 3, 1}));
  EXPECT_EQ(F4Session::exps(c->mult2), (Exps{2, 0, 0, 0}));
  EXPECT_EQ(c->p1, p);
  EXPECT_EQ(c->p2, q);
  // A leading monomial equal to the lcm has no multiplier.
  Crit* d = pair(lm({1, 1, 0, 0}), lm({1, 0, 0, 0}));
  EXPECT_EQ(d->mult1, nullptr);
  EXPECT_EQ(F4Session::exps(d->mult2), (Exps{0, 1, 0, 0}));
}

TEST_F(PairsTest, DegreeWindowReturnsTheLcmToThePool) {
  Dpol* p = lm({2, 0, 0, 0});
  Dpol* q = lm({0, 1, 1, 0});
  Dpol* f = lm({0, 0, 3, 0});
  Dpol* G[] = {p, q, lm({1, 1, 1, 0})};
  ZEL_C(kill_Expos)(ZEL_C(new_Expos)());  // pool warm
  Dlim = 1;
  void* head = Expos_pool.root;
  EXPECT_EQ(ZEL_C(make_Crit1)(p, q), nullptr);
  EXPECT_EQ(Expos_pool.root, head);
  EXPECT_EQ(ZEL_C(generate_Crit)(f, G, 3), nullptr);
  EXPECT_EQ(Expos_pool.root, head);
  // The window is Dlim_min < degree <= Dlim.
  Dlim = 4;
  EXPECT_NE(ZEL_C(make_Crit1)(p, q), nullptr);
  Dlim = 3;
  EXPECT_EQ(ZEL_C(make_Crit1)(p, q), nullptr);
}

TEST_F(PairsTest, GenerateOrdersBySerialAndReversesTheBasis) {
  Dpol* g0 = lm({1, 0, 0, 0});
  Dpol* g1 = lm({0, 1, 0, 0});
  Dpol* f = lm({0, 0, 1, 0});
  Dpol* g2 = lm({1, 1, 0, 0});  // made after f: larger serial
  Dpol* G[] = {g0, g1, g2};
  EXPECT_EQ(ZEL_C(generate_Crit)(f, G, 0), nullptr);
  const auto v = to_vector(ZEL_C(generate_Crit)(f, G, 3));
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[0]->p1, f);
  EXPECT_EQ(v[0]->p2, g2);
  EXPECT_EQ(v[1]->p1, g1);
  EXPECT_EQ(v[1]->p2, f);
  EXPECT_EQ(v[2]->p1, g0);
  EXPECT_EQ(v[2]->p2, f);
}

TEST_F(PairsTest, OrderOfPairs) {
  Dpol* a = lm({1, 0, 0, 0});
  Dpol* b = lm({0, 1, 0, 0});
  Dpol* c = lm({0, 0, 1, 0});
  Dpol* d = lm({2, 0, 0, 0});
  Crit* ab = pair(a, b);  // lcm x0 x1, degree 2
  Crit* ac = pair(a, c);  // lcm x0 x2, degree 2
  Crit* ad = pair(a, d);  // lcm x0^2, degree 2, no second multiplier... first multiplier x0
  Crit* cd = pair(c, d);  // degree 3
  EXPECT_EQ(comp_Crit(ab, cd), -1);
  EXPECT_EQ(comp_Crit(cd, ab), 1);
  // Equal degree: the larger lcm first (x0^2 > x0 x1 > x0 x2).
  EXPECT_EQ(comp_Crit(ad, ab), -1);
  EXPECT_EQ(comp_Crit(ab, ac), -1);
  EXPECT_EQ(comp_Crit(ac, ab), 1);
  EXPECT_EQ(comp_Crit(ab, ab), 0);
  // Same lcm: the larger first multiplier first; one without comes last.
  Dpol* e = lm({0, 1, 0, 0});
  Dpol* x01 = lm({1, 1, 0, 0});
  Crit* with = pair(a, e);        // lcm x0 x1, first multiplier x1
  Crit* without = pair(x01, a);   // first multiplier null
  Crit* with_b = pair(b, x01);    // first multiplier x0
  EXPECT_EQ(comp_Crit(with_b, with), -1);
  EXPECT_EQ(comp_Crit(with, without), -1);
  EXPECT_EQ(comp_Crit(without, without), 0);
}

TEST_F(PairsTest, OrderReportsAMissingFirstMultiplier) {
  F4Session loud(3, 3, 4);
  ZEL_C(want_quiet) = 0;
  Crit* without = pair(lm({1, 1, 0, 0}), lm({1, 0, 0, 0}));
  Crit* with = pair(lm({1, 0, 0, 0}), lm({0, 1, 0, 0}));
  zel_test::captured() = {};
  EXPECT_EQ(comp_Crit(without, with), 1);
  EXPECT_EQ(zel_test::captured().printed, "#");
  ZEL_C(want_quiet) = 1;
  zel_test::captured() = {};
  EXPECT_EQ(comp_Crit(without, with), 1);
  EXPECT_EQ(zel_test::captured().printed, "");
}

TEST_F(PairsTest, SortAgreesWithTheOrderAndPutsTheLaterRunFirstOnTies) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(5);
  EXPECT_EQ(trier_Crit(nullptr), nullptr);
  Crit* one = pair(lm({1, 0, 0, 0}), lm({0, 1, 0, 0}));
  EXPECT_EQ(trier_Crit(one), one);
  EXPECT_EQ(one->next, nullptr);

  // Two equal pairs: the one of the later run comes first.
  Crit* t1 = pair(lm({1, 0, 0, 0}), lm({0, 1, 0, 0}));
  Crit* t2 = pair(lm({1, 0, 0, 0}), lm({0, 1, 0, 0}));
  ASSERT_EQ(comp_Crit(t1, t2), 0);
  EXPECT_EQ(to_vector(trier_Crit(link({t1, t2}))), (std::vector<Crit*>{t2, t1}));

  // Random lists with many ties: sorted, a permutation, and equal runs laid
  // out as a reference bottom-up merge sort on an array lays them out.
  for (int it = 0; it < 300; ++it) {
    const size_t n = 1 + rng() % 70;
    std::vector<Crit*> v;
    for (size_t i = 0; i < n; ++i) {
      auto e = [&] { return Exps{1 + uint32_t(rng() % 2), uint32_t(rng() % 3), uint32_t(rng() % 2), 0}; };
      Exps a = e(), b = e();
      v.push_back(pair(lm(a), lm(b)));
    }
    // Reference: runs of 1, 2, 4 ... merged with the same tie rule.
    std::vector<Crit*> ref = v;
    for (size_t r = 1; r < n; r *= 2) {
      std::vector<Crit*> out;
      for (size_t lo = 0; lo < n; lo += 2 * r) {
        size_t i = lo, mid = std::min(lo + r, n), j = mid, hi = std::min(lo + 2 * r, n);
        while (i < mid && j < hi) out.push_back(comp_Crit(ref[i], ref[j]) < 0 ? ref[i++] : ref[j++]);
        while (i < mid) out.push_back(ref[i++]);
        while (j < hi) out.push_back(ref[j++]);
      }
      ref = out;
    }
    const auto got = to_vector(trier_Crit(link(v)));
    ASSERT_EQ(got, ref);
    for (size_t i = 1; i < got.size(); ++i) ASSERT_LE(comp_Crit(got[i - 1], got[i]), 0);
  }
}

TEST_F(PairsTest, DisjointIgnoresTheHomogenisingVariable) {
  EXPECT_EQ(Disjoint(pair(lm({2, 0, 0, 1}), lm({0, 1, 1, 3}))), 1);
  EXPECT_EQ(Disjoint(pair(lm({1, 0, 0, 0}), lm({0, 1, 0, 0}))), 1);
  EXPECT_EQ(Disjoint(pair(lm({2, 1, 0, 0}), lm({0, 1, 1, 0}))), 0);
  EXPECT_EQ(Disjoint(pair(lm({0, 0, 1, 0}), lm({0, 0, 1, 0}))), 0);
}

TEST(PairCriteria, AgreeWithExponentVectorsOnRandomMonomials) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(6);
  for (uint32_t n : {3u, 4u, 6u, 9u}) {
    F4Session s(n);
    for (int it = 0; it < 3000; ++it) {
      auto e = [&] {
        Exps x(n + 1);
        for (auto& v : x) v = rng() % 3 == 0 ? uint32_t(rng() % 4) : 0;
        if (rng() % 50 == 0) x[rng() % (n + 1)] = 32767;
        if (x[rng() % n] == 0) x[rng() % n] = 1;  // rarely the monomial 1
        if (std::all_of(x.begin(), x.end(), [](uint32_t v) { return v == 0; })) x[0] = 1;
        return x;
      };
      const Exps a = e(), b = e(), m = e();
      Crit* c = ZEL_C(make_Crit1)(F4Session::poly({a}), F4Session::poly({b}));
      ASSERT_NE(c, nullptr);
      Exps l(n + 1);
      bool coprime = true;
      for (uint32_t i = 0; i <= n; ++i) {
        l[i] = std::max(a[i], b[i]);
        if (i != n && a[i] && b[i]) coprime = false;
      }
      ASSERT_EQ(F4Session::exps(c->lcm), l);
      ASSERT_EQ(Disjoint(c), coprime ? 1 : 0);
      bool divides = true;
      Exps la(n + 1), lb(n + 1);
      for (uint32_t i = 0; i <= n; ++i) {
        divides &= m[i] <= l[i];
        la[i] = std::max(m[i], a[i]);
        lb[i] = std::max(m[i], b[i]);
      }
      const int want = divides && la != l && lb != l;
      ASSERT_EQ(crit2(F4Session::w(m), c->lcm, F4Session::w(a), F4Session::w(b)), want);
    }
  }
}

TEST_F(PairsTest, Crit2KeepsPairsWhoseLcmIsReachedFromANewPair) {
  const Exps L1{1, 1, 0, 0}, L2{0, 1, 1, 0};
  Crit* c = pair(lm(L1), lm(L2));  // lcm x0 x1 x2
  // m = x1 divides the lcm; lcm(m, L1) = x0 x1 and lcm(m, L2) = x1 x2: useless.
  EXPECT_EQ(crit2(F4Session::w({0, 1, 0, 0}), c->lcm, F4Session::w(L1), F4Session::w(L2)), 1);
  // m = x0 x2: lcm(m, L1) = x0 x1 x2 = the pair's lcm: kept.
  EXPECT_EQ(crit2(F4Session::w({1, 0, 1, 0}), c->lcm, F4Session::w(L1), F4Session::w(L2)), 0);
  // m not dividing the lcm: kept.
  EXPECT_EQ(crit2(F4Session::w({2, 0, 0, 0}), c->lcm, F4Session::w(L1), F4Session::w(L2)), 0);

  // crit2onLPC drops the useless pairs, keeps the order of the rest, and
  // gives the dropped records back to the pool.
  Crit* keep1 = pair(lm({1, 0, 0, 0}), lm({2, 0, 0, 0}));
  Crit* drop = pair(lm(L1), lm(L2));
  Crit* keep2 = pair(lm({0, 0, 2, 0}), lm({0, 0, 0, 1}));
  Crit* out = crit2onLPC(F4Session::w({0, 1, 0, 0}), link({keep1, drop, keep2}));
  EXPECT_EQ(to_vector(out), (std::vector<Crit*>{keep1, keep2}));
  EXPECT_EQ(ZEL_C(new_Crit)(), drop);
}

TEST_F(PairsTest, NewPairCriteria) {
  // Coprime leading monomials: dropped.
  Dpol* f = lm({0, 0, 1, 0});
  {
    Dpol* G[] = {lm({1, 0, 0, 0})};
    EXPECT_EQ(critBackEtrangeronLPC(trier_Crit(ZEL_C(generate_Crit)(f, G, 1))), nullptr);
  }
  // Three pairs with the same lcm, none coprime: the last survives.
  {
    Dpol* g = lm({1, 1, 1, 0});
    Dpol* G[] = {lm({1, 1, 0, 0}), lm({1, 0, 1, 0}), lm({0, 1, 1, 0})};
    const auto sorted = to_vector(trier_Crit(ZEL_C(generate_Crit)(g, G, 3)));
    ASSERT_EQ(sorted.size(), 3u);
    EXPECT_EQ(to_vector(critBackEtrangeronLPC(link(sorted))), (std::vector<Crit*>{sorted[2]}));
  }
  // A proper multiple of an earlier lcm (lower or equal degree) is dropped.
  {
    Dpol* g = lm({1, 1, 0, 0});
    Dpol* G[] = {lm({2, 0, 0, 0}), lm({0, 1, 1, 0})};  // lcms x0^2 x1 (3), x0 x1 x2 (3)
    Dpol* G2[] = {lm({1, 0, 0, 0})};                     // lcm x0 x1 (2) divides both
    Crit* P = trier_Crit(
        updatD(ZEL_C(generate_Crit)(g, G, 2), ZEL_C(generate_Crit)(g, G2, 1)));
    const auto v = to_vector(P);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0]->degree, 2u);
    const auto out = to_vector(critBackEtrangeronLPC(P));
    EXPECT_EQ(out, (std::vector<Crit*>{v[0]}));
  }
  // A coprime pair followed by a pair of the same lcm: the follower goes,
  // the coprime pair stays.
  {
    Crit* c1 = pair(lm({1, 0, 0, 0}), lm({0, 1, 0, 0}));
    Crit* c2 = pair(lm({1, 1, 0, 0}), lm({0, 1, 0, 0}));
    ASSERT_TRUE(equal_Expos(c1->lcm, c2->lcm));
    EXPECT_EQ(to_vector(critBackEtrangeronLPC(link({c1, c2}))), (std::vector<Crit*>{c1}));
  }
}

TEST_F(PairsTest, PruneByLcmNeverTouchesLowerDegrees) {
  Crit* low = pair(lm({1, 0, 0, 0}), lm({0, 1, 0, 0}));          // x0 x1, degree 2
  Crit* mult = pair(lm({2, 1, 0, 0}), lm({0, 1, 0, 0}));         // x0^2 x1, degree 3
  Crit* other = pair(lm({0, 0, 2, 0}), lm({0, 0, 1, 1}));        // x2^2 h, degree 3
  Crit* mult2 = pair(lm({1, 1, 1, 0}), lm({1, 0, 0, 0}));        // x0 x1 x2, degree 3
  const ExposW* l = F4Session::w({1, 1, 0, 0});
  EXPECT_EQ(critBackonD1(2, l, nullptr), nullptr);
  EXPECT_EQ(to_vector(critBackonD1(3, l, link({low, mult, other, mult2}))),
            (std::vector<Crit*>{low, other}));
  // At the head as well as further on.
  Crit* a = pair(lm({2, 1, 0, 0}), lm({0, 1, 0, 0}));
  Crit* b = pair(lm({1, 1, 1, 0}), lm({1, 0, 0, 0}));
  EXPECT_EQ(critBackonD1(2, l, link({a, b})), nullptr);
}

TEST_F(PairsTest, MergeOfPairListsPutsTheOldPairFirstOnTies) {
  Crit* n1 = pair(lm({1, 0, 0, 0}), lm({0, 1, 0, 0}));
  Crit* o1 = pair(lm({1, 0, 0, 0}), lm({0, 1, 0, 0}));
  Crit* n2 = pair(lm({0, 0, 2, 0}), lm({0, 0, 1, 1}));
  Crit* o2 = pair(lm({1, 0, 0, 0}), lm({0, 0, 1, 0}));
  EXPECT_EQ(updatD(nullptr, o1), o1);
  EXPECT_EQ(updatD(n1, nullptr), n1);
  EXPECT_EQ(to_vector(updatD(link({n1, n2}), link({o1, o2}))),
            (std::vector<Crit*>{o1, n1, o2, n2}));
}


namespace {

// The new-pair walk written the plain way: every pair that differs from its
// successor prunes the whole rest of the list.
Crit* plain_new_pair_walk(Crit* P) {
  Crit head{};
  head.next = P;
  Crit* prev = &head;
  for (Crit* c = P; c;) {
    const int d = Disjoint(c);
    Crit* n = c->next;
    if (!n) {
      if (d) {
        kill_deep_Crit(c);
        prev->next = nullptr;
      }
      break;
    }
    if (equal_Expos(c->lcm, n->lcm)) {
      if (!d) {
        kill_deep_Crit(c);
        prev->next = n;
        c = n;
      } else {
        c->next = kill_deep_Crit(n);
        prev = c;
        c = c->next;
      }
    } else {
      c->next = critBackonD1(c->degree, c->lcm, n);
      if (d)
        prev->next = kill_deep_Crit(c);
      else
        prev = c;
      c = prev->next;
    }
  }
  return head.next;
}

}  // namespace

// The walk prunes only the degrees above each pair; on random bases with
// many degrees, equal lcms and coprime pairs it keeps the pairs the plain
// walk keeps, in the same order.
TEST_F(PairsTest, NewPairWalkKeepsWhatThePlainWalkKeeps) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(17);
  for (int it = 0; it < 400; ++it) {
    auto mono = [&] {
      Exps e(4, 0);
      for (uint32_t v = 0; v < 3; ++v) e[v] = rng() % 3 == 0 ? 0 : uint32_t(rng() % 4);
      if (e[0] + e[1] + e[2] == 0) e[rng() % 3] = 1;
      return e;
    };
    Dpol* f = lm(mono());
    std::vector<Dpol*> G;
    for (int k = 0, n = 2 + int(rng() % 30); k < n; ++k) G.push_back(lm(mono()));
    const int32_t n = int32_t(G.size());
    auto survivors = [&](Crit* out) {
      std::vector<std::pair<uint32_t, uint32_t>> v;
      for (; out; out = out->next) v.emplace_back(out->p1->serial, out->p2->serial);
      return v;
    };
    const auto want =
        survivors(plain_new_pair_walk(trier_Crit(ZEL_C(generate_Crit)(f, G.data(), n))));
    const auto got =
        survivors(critBackEtrangeronLPC(trier_Crit(ZEL_C(generate_Crit)(f, G.data(), n))));
    ASSERT_EQ(got, want) << "iteration " << it;
  }
}

// new_pairs screens the pairs before making them: on random bases (equal
// lcms, coprime pairs, many degrees, a degree window, the entering
// polynomial older or newer than each basis polynomial, so that sorting
// meets ties) it keeps the pairs the full sort and walk keep, in order.
TEST_F(PairsTest, ScreenedNewPairsAreTheWalkedOnes) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(29);
  auto mono = [&] {
    Exps e(4, 0);
    for (uint32_t v = 0; v < 4; ++v) e[v] = rng() % 3 == 0 ? 0 : uint32_t(rng() % 4);
    if (e[0] + e[1] + e[2] == 0) e[rng() % 3] = 1;
    return e;
  };
  auto pairs_of = [](Crit* out) {
    std::vector<std::pair<uint32_t, uint32_t>> v;
    for (; out; out = out->next) v.emplace_back(out->p1->serial, out->p2->serial);
    return v;
  };
  for (int it = 0; it < 400; ++it) {
    Dlim = it % 4 == 0 ? 4 + uint32_t(rng() % 6) : saved_dlim;
    std::vector<Dpol*> G;
    const int n = 1 + int(rng() % 40), f_at = int(rng() % (n + 1));
    Dpol* f = nullptr;
    for (int k = 0; k <= n; ++k) {
      if (k == f_at) f = lm(mono());
      if (k < n) G.push_back(lm(mono()));
    }
    const auto want =
        pairs_of(critBackEtrangeronLPC(trier_Crit(ZEL_C(generate_Crit)(f, G.data(), n))));
    ASSERT_EQ(pairs_of(new_pairs(f, G.data(), n)), want) << "iteration " << it;
  }
  EXPECT_EQ(new_pairs(lm({1, 0, 0, 0}), nullptr, 0), nullptr);
}

// Eleven caller variables: three exponent words, the homogenising field in
// the last one.  Sparse random leading monomials, as with many variables:
// the pair record, the new-pair walk and updatF against plain word-by-word
// references.
TEST(PairsManyVariables, SparseMonomialsAgreeWithPlainReferences) {
  F4Session s{11};
  SEED_TRACE();
  auto rng = zel_test::make_rng(23);
  auto mono = [&] {
    Exps e(12, 0);
    for (int k = 0, n = 1 + int(rng() % 3); k < n; ++k) e[rng() % 12] = uint32_t(1 + rng() % 2);
    if (std::all_of(e.begin(), e.end() - 1, [](uint32_t x) { return x == 0; })) e[rng() % 11] = 1;
    return e;
  };
  for (int it = 0; it < 200; ++it) {
    Dpol* f = F4Session::poly({mono()});
    std::vector<Dpol*> G;
    for (int k = 0, n = 2 + int(rng() % 25); k < n; ++k) G.push_back(F4Session::poly({mono()}));
    const int32_t n = int32_t(G.size());
    for (Crit* c = ZEL_C(generate_Crit)(f, G.data(), n); c; c = c->next) {
      const ExposW* a = words_of(c->p1->mono[0]);
      const ExposW* b = words_of(c->p2->mono[0]);
      ExposW* l = ZEL_C(lcm_Expos)(a, b);
      ASSERT_TRUE(equal_Expos(c->lcm, l));
      ASSERT_EQ(c->degree, total_degree(l));
      for (auto [m, lead] : {std::pair{c->mult1, a}, std::pair{c->mult2, b}}) {
        if (equal_Expos(l, lead)) {
          ASSERT_EQ(m, nullptr);
        } else {
          ASSERT_NE(m, nullptr);
          ExposW* q = sub_Expos(l, lead);
          ASSERT_TRUE(equal_Expos(m, q));
        }
      }
    }
    auto survivors = [&](Crit* out) {
      std::vector<std::pair<uint32_t, uint32_t>> v;
      for (; out; out = out->next) v.emplace_back(out->p1->serial, out->p2->serial);
      return v;
    };
    ASSERT_EQ(survivors(critBackEtrangeronLPC(trier_Crit(ZEL_C(generate_Crit)(f, G.data(), n)))),
              survivors(plain_new_pair_walk(trier_Crit(ZEL_C(generate_Crit)(f, G.data(), n)))))
        << "iteration " << it;
    const ExposW* m = words_of(f->mono[0]);
    std::vector<Dpol*> want;
    for (Dpol* g : G)
      if (!is_sub_Expos1(words_of(g->mono[0]), m)) want.push_back(g);
    want.push_back(f);
    G.push_back(nullptr);  // room for f
    const uint32_t kept = updatF(m, f, G.data(), uint32_t(n));
    ASSERT_EQ(std::vector<Dpol*>(G.begin(), G.begin() + kept), want) << "iteration " << it;
  }
}
