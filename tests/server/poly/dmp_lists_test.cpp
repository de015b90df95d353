// Lists of polynomials and lists of lists: construction, indexing, removal,
// deep copies, search and ordered insertion by number and by comparator.
#include <gtest/gtest.h>

#include <vector>

#include "server/poly/pairing_fixture.hpp"
#include "support/seeds.hpp"

using namespace orv_test;

template <class P>
struct ListTest : ::testing::Test {
  using E = typename P::E;
  using C = typename P::C;
  using D = Dmp<E, C>;
  using DL = DmpLists<E, C>;
  using L = typename DL::L;
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  void SetUp() override {
    orv::want_quiet = 1;
    P::setup(3);
  }
  void TearDown() override { orv::want_quiet = 0; }

  // A polynomial with a header node numbered n over the term x^k.
  static Node* numbered(uint32_t n, uint16_t k = 1) {
    return D::link_one(Poly<P>::make({{{k, 0, 0}, 1}}), n);
  }
  static Cell* list_of(const std::vector<Node*>& ps) {
    Cell* l = nullptr;
    for (auto it = ps.rbegin(); it != ps.rend(); ++it) l = L::cons(*it, l);
    return l;
  }
  static std::vector<Node*> elements(Cell* l) {
    std::vector<Node*> v;
    for (; l; l = l->next) v.push_back(l->poly);
    return v;
  }
};
TYPED_TEST_SUITE(ListTest, Pairings);

TYPED_TEST(ListTest, ConcatReverseAndIndexing) {
  using L = typename TestFixture::L;
  auto* a = this->numbered(1);
  auto* b = this->numbered(2);
  auto* c = this->numbered(3);
  auto* l = this->list_of({a, b, c});
  EXPECT_EQ(L::concat(nullptr, nullptr), nullptr);
  auto* cc = L::concat(nullptr, l);
  EXPECT_EQ(this->elements(cc), this->elements(l));
  EXPECT_NE(cc, l);  // fresh cells
  auto* ab = L::concat(this->list_of({a}), this->list_of({b, c}));
  EXPECT_EQ(this->elements(ab), (std::vector<decltype(a)>{a, b, c}));
  EXPECT_EQ(this->elements(L::reverse(l)), (std::vector<decltype(a)>{c, b, a}));
  EXPECT_EQ(this->elements(l), (std::vector<decltype(a)>{a, b, c}));  // untouched
  auto* single = this->list_of({a});
  auto* rs = L::reverse(single);
  EXPECT_NE(rs, single);
  EXPECT_EQ(rs->poly, a);
  EXPECT_EQ(L::reverse(nullptr), nullptr);
  EXPECT_EQ(L::elt(l, 0), a);
  EXPECT_EQ(L::elt(l, -5), a);
  EXPECT_EQ(L::elt(l, 1), a);
  EXPECT_EQ(L::elt(l, 3), c);
  EXPECT_EQ(L::elt(l, 4), nullptr);
  EXPECT_EQ(L::elt(nullptr, 1), nullptr);
}

TYPED_TEST(ListTest, ReversingAMillionCellsNeedsNoDeepStack) {
  using L = typename TestFixture::L;
  auto* p = this->numbered(1);
  typename TestFixture::Cell* l = nullptr;
  for (int i = 0; i < 1000000; ++i) l = L::cons(p, l);
  auto* r = L::reverse(l);
  EXPECT_EQ((ListPool<typename TypeParam::E, typename TypeParam::C>::size_(r)), 1000000u);
  ListPool<typename TypeParam::E, typename TypeParam::C>::free_all_(r);
  ListPool<typename TypeParam::E, typename TypeParam::C>::free_all_(l);
}

TYPED_TEST(ListTest, DeleteDropsEveryCellOfThePolynomialOnly) {
  using L = typename TestFixture::L;
  using D = typename TestFixture::D;
  auto* a = this->numbered(1);
  auto* b = this->numbered(2);
  auto* l = this->list_of({a, b, a, a, b, a});
  l = L::remove(a, l);
  EXPECT_EQ(this->elements(l), (std::vector<decltype(a)>{b, b}));
  auto* all = this->list_of({a, a, a});
  auto* keep = D::copy(a);
  EXPECT_EQ(L::remove(a, all), nullptr);
  EXPECT_TRUE(D::eq(a, keep));  // the polynomial itself is intact
}

TYPED_TEST(ListTest, DeepCopiesCopyEveryPolynomial) {
  using DL = typename TestFixture::DL;
  using D = typename TestFixture::D;
  auto* l = this->list_of({this->numbered(1, 1), this->numbered(2, 2)});
  auto* c = DL::copy_list(l);
  ASSERT_NE(c, nullptr);
  for (auto *x = l, *y = c; x; x = x->next, y = y->next) {
    EXPECT_NE(x->poly, y->poly);
    EXPECT_TRUE(D::eq(x->poly->next, y->poly->next));
  }
  EXPECT_EQ(DL::copy_list(nullptr), nullptr);
  auto* ll = DL::LL::cons(l, DL::LL::cons(nullptr, nullptr));
  auto* lc = DL::copy_list_list(ll);
  EXPECT_NE(lc->list, l);
  EXPECT_EQ(lc->next->list, nullptr);
  EXPECT_EQ(DL::size_first(l), 2u);  // header and term
  EXPECT_EQ(DL::size_first(nullptr), 4294967295u);
}

TYPED_TEST(ListTest, FindAndInsertByNumber) {
  using DL = typename TestFixture::DL;
  auto* p3 = this->numbered(3);
  auto* p5 = this->numbered(5);
  auto* p7 = this->numbered(7);
  auto* q5 = this->numbered(5);
  // [5, 7] + 5 -> [5, p, 7]
  auto* l = DL::insert(q5, this->list_of({p5, p7}));
  EXPECT_EQ(this->elements(l), (std::vector<decltype(p3)>{p5, q5, p7}));
  // [3, 5, 7] + 5 -> [3, p, 5, 7]
  l = DL::insert(q5, this->list_of({p3, p5, p7}));
  EXPECT_EQ(this->elements(l), (std::vector<decltype(p3)>{p3, q5, p5, p7}));
  l = DL::insert(p3, this->list_of({p5}));
  EXPECT_EQ(this->elements(l), (std::vector<decltype(p3)>{p3, p5}));
  l = DL::insert(p7, nullptr);
  EXPECT_EQ(this->elements(l), (std::vector<decltype(p3)>{p7}));

  auto* only2 = this->numbered(9);
  auto* l1 = this->list_of({p3, p5});
  auto* l2 = this->list_of({q5, only2});
  EXPECT_EQ(DL::find(9, l1, l2), only2);
  EXPECT_EQ(DL::find(5, l1, l2), p5);  // l1 first
  EXPECT_EQ(DL::find(11, l1, l2), nullptr);
}

TYPED_TEST(ListTest, InsertByComparatorKeepsDecreasingOrder) {
  using DL = typename TestFixture::DL;
  using D = typename TestFixture::D;
  auto* x3 = this->numbered(1, 3);
  auto* x2 = this->numbered(2, 2);
  auto* x1 = this->numbered(3, 1);
  auto* x2b = this->numbered(4, 2);
  auto* l = DL::insert(x2, nullptr, D::comp_rev);
  l = DL::insert(x1, l, D::comp_rev);
  l = DL::insert(x3, l, D::comp_rev);
  EXPECT_EQ(this->elements(l), (std::vector<decltype(x1)>{x3, x2, x1}));
  l = DL::insert(x2b, l, D::comp_rev);  // in front of an equal later cell
  EXPECT_EQ(this->elements(l), (std::vector<decltype(x1)>{x3, x2b, x2, x1}));
  auto* first = DL::insert(x2b, this->list_of({x2}), D::comp_rev);  // an equal first stays first
  EXPECT_EQ(this->elements(first), (std::vector<decltype(x1)>{x2, x2b}));
}
