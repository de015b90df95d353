// Distributed polynomials in every pairing of the build: construction,
// copies, queries, comparators, hashes and the numbered header nodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "server/poly/pairing_fixture.hpp"
#include "support/seeds.hpp"

using namespace orv_test;

template <class P>
struct DmpTest : ::testing::Test {
  using D = typename Poly<P>::D;
  using Node = typename Poly<P>::Node;
  using E = typename P::E;
  using C = typename P::C;
  void SetUp() override {
    orv::want_quiet = 1;
    P::setup(3);
  }
  void TearDown() override { orv::want_quiet = 0; }
  static Node* make(const std::vector<Term>& t) { return Poly<P>::make(t); }
  static std::vector<Term> read(const Node* p) { return Poly<P>::read(p); }
};
TYPED_TEST_SUITE(DmpTest, Pairings);

TYPED_TEST(DmpTest, SortedTermsDecreaseAndCopiesShareNothing) {
  using D = typename TestFixture::D;
  SEED_TRACE();
  auto rng = zel_test::make_rng(7);
  for (int it = 0; it < 50; ++it) {
    std::set<std::vector<uint16_t>> seen;
    std::vector<Term> terms;
    for (int k = 0, n = 1 + static_cast<int>(rng() % 12); k < n; ++k) {
      std::vector<uint16_t> e = {uint16_t(rng() % 4), uint16_t(rng() % 4), uint16_t(rng() % 4)};
      if (seen.insert(e).second) terms.emplace_back(e, 1 + static_cast<long>(rng() % 50));
    }
    auto* p = this->make(terms);
    for (auto* t = p; t && t->next; t = t->next)
      ASSERT_EQ(TypeParam::E::greater(t->e, t->next->e), 1);
    auto* q = D::copy(p);
    ASSERT_EQ(this->read(q), this->read(p));
    ASSERT_TRUE(D::eq(p, q));
    for (auto *a = p, *b = q; a; a = a->next, b = b->next) {
      ASSERT_NE(a, b);
      if constexpr (TypeParam::C::has_heap) {
        ASSERT_NE(a->coef.rep, b->coef.rep);  // no shared coefficient cell
      }
    }
    auto* s = D::skel(p);
    for (auto* t = s; t; t = t->next) ASSERT_EQ(TypeParam::value(t->coef), 1);
    EXPECT_EQ(D::hash(p, 5), D::hash(q, 5));
  }
  EXPECT_EQ(D::copy(nullptr), nullptr);
  auto* one = D::copy(this->make({{{1, 0, 0}, 3}}));
  EXPECT_EQ(one->next, nullptr);
}

TYPED_TEST(DmpTest, CopyOneSharesTheTail) {
  using D = typename TestFixture::D;
  auto* p = this->make({{{1, 0, 0}, 2}, {{0, 0, 0}, 5}});
  auto* c = D::copy_one(p);
  EXPECT_NE(c, p);
  EXPECT_EQ(c->next, p->next);
  EXPECT_EQ(D::copy_one(nullptr), nullptr);
}

TYPED_TEST(DmpTest, ShapeQueries) {
  using D = typename TestFixture::D;
  EXPECT_TRUE(D::constante(nullptr));
  EXPECT_TRUE(D::constante(this->make({{{0, 0, 0}, 5}})));
  EXPECT_FALSE(D::constante(this->make({{{1, 0, 0}, 1}, {{0, 0, 0}, 1}})));
  EXPECT_EQ(D::is_univariate(this->make({{{2, 0, 0}, 1}, {{1, 0, 0}, 1}, {{0, 0, 0}, 3}})), 0u);
  EXPECT_EQ(D::is_univariate(this->make({{{1, 1, 0}, 1}})), 0xFFFFFFFFu);
  EXPECT_EQ(D::is_univariate(this->make({{{0, 0, 0}, 7}})), 0xFFFFFFFFu);
  EXPECT_EQ(D::is_univariate(nullptr), 0xFFFFFFFFu);
  EXPECT_TRUE(D::is_eliminated(this->make({{{0, 0, 2}, 1}}), 2));
  EXPECT_FALSE(D::is_eliminated(this->make({{{0, 1, 0}, 1}}), 2));
  EXPECT_TRUE(D::is_eliminated(nullptr, 3));
  auto* p = this->make({{{1, 0, 0}, 1}, {{0, 3, 0}, 1}});  // x + y^3
  EXPECT_EQ(D::total_degree(p), 3u);
  EXPECT_EQ(D::total_degree(nullptr), 0u);
  EXPECT_EQ(D::total_degree_lead(this->make({{{1, 2, 0}, 1}})), 3u);
  // One polynomial a proper prefix of the other.
  auto* a = this->make({{{1, 0, 0}, 1}});
  auto* b = this->make({{{1, 0, 0}, 1}, {{0, 0, 0}, 1}});
  EXPECT_FALSE(D::eq(a, b));
  EXPECT_FALSE(D::eq(b, a));
  EXPECT_TRUE(D::eq(nullptr, nullptr));
  EXPECT_FALSE(D::eq(a, this->make({{{1, 0, 0}, 2}})));
}

TYPED_TEST(DmpTest, HashesFoldTermsAndLeaveTheSeedOfZero) {
  using D = typename TestFixture::D;
  EXPECT_EQ(D::hash(static_cast<typename TestFixture::Node*>(nullptr), 1234u), 1234u);
  auto* p = this->make({{{1, 0, 0}, 3}, {{0, 1, 0}, 4}});
  uint32_t h = 77;
  for (auto* t = p; t; t = t->next)
    h = ((h << 8) + (TypeParam::E::hash(t->e, 0) + TypeParam::C::hash(t->coef)) % 0xFFFFFDu) %
        0xFFFFFDu;
  EXPECT_EQ(D::hash(p, 77), h);
}

TYPED_TEST(DmpTest, HeaderNodesCarryConsecutiveNumbers) {
  using D = typename TestFixture::D;
  auto* p = this->make({{{1, 0, 0}, 1}});
  auto* h1 = D::link_one(p);
  auto* h2 = D::link_one(p);
  EXPECT_EQ(D::number(h2), D::number(h1) + 1);
  EXPECT_EQ(h1->next, p);
  EXPECT_EQ(D::number(D::link_one(p, 42)), 42u);
}

TYPED_TEST(DmpTest, CopiesOfNumberedPolynomialsKeepTheirNumber) {
  using D = typename TestFixture::D;
  auto* p = D::link_one(this->make({{{1, 0, 0}, 3}, {{0, 0, 0}, 4}}), 31);
  p->stats->sugar = 7;
  auto* c = D::copy(p);
  EXPECT_EQ(D::number(c), 31u);
  EXPECT_EQ(c->stats->sugar, 7u);
  EXPECT_EQ(this->read(c->next), this->read(p->next));
  EXPECT_EQ(D::number(D::copy_one(p)), 31u);
  using DL = DmpLists<typename TypeParam::E, typename TypeParam::C>;
  auto* l = DL::copy_list(DL::L::cons(p, nullptr));
  EXPECT_EQ(DL::find(31, l), l->poly);
  EXPECT_EQ(D::number(D::skel(p)), 31u);
  EXPECT_EQ(this->read(D::skel(p)->next), this->read(D::skel(p->next)));
}

TYPED_TEST(DmpTest, ComparatorsOrderLeadingMonomials) {
  using D = typename TestFixture::D;
  using Node = typename TestFixture::Node;
  auto* big = this->make({{{2, 0, 0}, 1}});
  auto* small = this->make({{{0, 0, 1}, 1}});
  EXPECT_EQ(D::comp(big, small), -1);  // the greater goes first
  EXPECT_EQ(D::comp_rev(big, small), 1);
  EXPECT_EQ(D::comp(big, big), 0);
  std::vector<Node*> polys;
  for (uint16_t k = 0; k < 5; ++k) polys.push_back(this->make({{{k, uint16_t(4 - k), 0}, 1}}));
  typename TestFixture::D::Cell* l = nullptr;
  for (auto* p : polys) l = DmpLists<typename TypeParam::E, typename TypeParam::C>::L::cons(p, l);
  l = ListPool<typename TypeParam::E, typename TypeParam::C>::trier_(l, D::comp_List);
  for (auto* c = l; c && c->next; c = c->next)
    EXPECT_EQ(TypeParam::E::greater(c->poly->e, c->next->poly->e), 1);
  l = ListPool<typename TypeParam::E, typename TypeParam::C>::trier_(l, D::comp_rev_List);
  for (auto* c = l; c && c->next; c = c->next)
    EXPECT_EQ(TypeParam::E::greater(c->poly->e, c->next->poly->e), -1);
}

TYPED_TEST(DmpTest, RawTermsComeOutAgain) {
  using D = typename TestFixture::D;
  uint16_t e[3] = {1, 2, 0};
  const uint32_t words[1] = {9};
  auto* t = D::monom_raw(e, words, 1);
  auto* p = this->make({{{1, 2, 0}, 4}, {{0, 0, 1}, 5}});
  typename TestFixture::D::Cell cell{p, nullptr};
  uint16_t out[3] = {};
  typename TypeParam::C::Raw raw{};
  D::extract_raw_first(&cell, out, raw, true);
  EXPECT_EQ(cell.poly, p->next);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 2);
  if constexpr (TypeParam::C::has_heap) {
    EXPECT_EQ(raw, p->coef.rep);
    EXPECT_EQ(t->coef.rep[0], 9u);
    EXPECT_EQ(t->coef.rep[1], 0u);
  } else {
    EXPECT_EQ(raw, 4u);
    EXPECT_EQ(t->coef, 9u);
  }
  typename TestFixture::D::Cell empty{nullptr, nullptr};
  D::extract_raw_first(&empty, out, raw, true);  // nothing to take
  D::extract_raw_first(nullptr, out, raw, true);
}
