// Staircases, zero-dimension tests and solution counts, the example
// systems and the analysis of binomial systems, in every pairing.
#include <gtest/gtest.h>

#include <algorithm>

#include "server/log_capture.hpp"
#include "server/poly/pairing_fixture.hpp"
#include "support/naive_buchberger.hpp"

using namespace orv_test;

template <class P>
struct StaircaseTest : ::testing::Test {
  using S = DmpStaircase<typename P::E, typename P::C>;
  using X = DmpExamples<typename P::E, typename P::C>;
  using Cell = DmpList<typename P::E, typename P::C>;
  using L = typename DmpLists<typename P::E, typename P::C>::L;
  using V = std::vector<Term>;
  void SetUp() override { setup(2); }
  void setup(uint32_t n) {
    orv::want_quiet = 1;
    P::setup(n);
  }
  void TearDown() override {
    orv::want_quiet = 0;
    want_qhomogene = 0;
    want_homog = 0;
  }
  static auto make(const V& t) { return Poly<P>::make(t); }
  static V read(const DmpNode<typename P::E, typename P::C>* p) { return Poly<P>::read(p); }
  // Monomials (coefficient 1), or polynomials, as a plain list.
  static Cell* monomials(const std::vector<std::vector<uint16_t>>& ms) {
    Cell* l = nullptr;
    for (auto& m : ms) l = L::cons(make({{m, 1}}), l);
    return l;
  }
  static Cell* polys(const std::vector<V>& ps) {
    Cell* l = nullptr;
    for (auto it = ps.rbegin(); it != ps.rend(); ++it) l = L::cons(make(*it), l);
    return l;
  }
  static std::vector<V> read(const Cell* l) {
    std::vector<V> out;
    for (; l != nullptr; l = l->next) out.push_back(read(l->poly));
    return out;
  }
  static std::vector<std::vector<uint16_t>> exponents(
      const DmpNode<typename P::E, typename P::C>* s) {
    std::vector<std::vector<uint16_t>> out;
    for (auto& [e, c] : read(s)) out.push_back(e);
    return out;
  }
};
TYPED_TEST_SUITE(StaircaseTest, Pairings);

TYPED_TEST(StaircaseTest, StaircasesOfSmallMonomialIdeals) {
  using S = typename TestFixture::S;
  using Ex = std::vector<std::vector<uint16_t>>;
  EXPECT_EQ(S::solutions(this->monomials({{2, 0}, {0, 2}})), 4);
  EXPECT_EQ(this->exponents(S::escalier(this->monomials({{2, 0}, {0, 2}}))),
            (Ex{{1, 1}, {1, 0}, {0, 1}, {0, 0}}));
  EXPECT_TRUE(S::have_sentinelle);
  auto s = this->exponents(S::escalier(this->monomials({{2, 0}, {1, 1}, {0, 3}})));
  std::sort(s.begin(), s.end());
  EXPECT_EQ(s, (Ex{{0, 0}, {0, 1}, {0, 2}, {1, 0}}));
  EXPECT_EQ(S::solutions(this->monomials({{2, 0}, {1, 1}, {0, 3}})), 4);
  EXPECT_EQ(S::solutions(this->monomials({{2, 0}})), -1);
  EXPECT_EQ(S::solutions(this->monomials({{1, 1}, {0, 0}})), 0);
  EXPECT_EQ(S::dimension0(this->monomials({{0, 0}})), 1);
  EXPECT_EQ(S::dimension0(this->monomials({{2, 0}, {0, 3}})), 1);
  EXPECT_EQ(S::dimension0(this->monomials({{2, 0}, {1, 1}})), 0);
  // All monomials up to degree 2; only degree 2 under want_homog.
  auto all = this->exponents(S::all_monomes(2));
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all.front(), (std::vector<uint16_t>{2, 0}));
  EXPECT_EQ(all.back(), (std::vector<uint16_t>{0, 0}));
  want_homog = 1;
  EXPECT_EQ(this->exponents(S::all_monomes(2)).size(), 3u);
}

TYPED_TEST(StaircaseTest, QuasiHomogeneousStaircaseLeavesTheLastVariableOut) {
  using S = typename TestFixture::S;
  using Ex = std::vector<std::vector<uint16_t>>;
  this->setup(3);
  want_qhomogene = 1;
  auto s = this->exponents(S::escalier(this->monomials({{1, 0, 1}, {0, 2, 0}})));
  std::sort(s.begin(), s.end());
  EXPECT_EQ(s, (Ex{{0, 0, 0}, {0, 1, 0}}));
  EXPECT_EQ(S::solutions(this->monomials({{1, 0, 1}, {0, 2, 0}})), 2);
}

TYPED_TEST(StaircaseTest, DistinctMonomialsAreCountedWhateverTheCoefficients) {
  using S = typename TestFixture::S;
  using D = Dmp<typename TypeParam::E, typename TypeParam::C>;
  using L = typename TestFixture::L;
  // [header + x + y, header + x + 1] has 3; x - x must not cancel.
  auto l = L::cons(D::link_one(this->make({{{1, 0}, 1}, {{0, 1}, 1}})),
                   L::cons(D::link_one(this->make({{{1, 0}, 1}, {{0, 0}, 1}})), nullptr));
  EXPECT_EQ(S::sparse_dim(l), 3u);
  l = L::cons(D::link_one(this->make({{{1, 0}, 1}, {{0, 1}, 1}})),
              L::cons(D::link_one(this->make({{{1, 0}, -1}})), nullptr));
  EXPECT_EQ(S::sparse_dim(l), 2u);
  EXPECT_EQ(S::memo_all_monoms, nullptr);
}

TYPED_TEST(StaircaseTest, ZeroPolynomialsOfTheListAreLeftOut) {
  using S = typename TestFixture::S;
  using D = Dmp<typename TypeParam::E, typename TypeParam::C>;
  using L = typename TestFixture::L;
  // [x^2, 0, y^2]: a zero polynomial has no leading monomial to read.
  auto plain = [this] {
    return L::cons(this->make({{{2, 0}, 1}}),
                   L::cons(nullptr, L::cons(this->make({{{0, 2}, 1}}), nullptr)));
  };
  EXPECT_EQ(S::solutions(plain()), 4);
  EXPECT_EQ(this->exponents(S::escalier(plain())).size(), 4u);
  // In header mode the zero polynomial is a header alone.
  auto headed = L::cons(
      D::link_one(this->make({{{2, 0}, 1}})),
      L::cons(D::link_one(nullptr), L::cons(D::link_one(this->make({{{0, 2}, 1}})), nullptr)));
  EXPECT_EQ(S::is_dim0(headed), 4);
  EXPECT_EQ(S::nb_sol_dim0(headed), 4u);
}

// The naive reduced basis (degree reverse lexicographic, modulo 65521) of a
// generated system, its leading monomials handed back as a list.
template <class P>
DmpList<typename P::E, typename P::C>* leading_monomials(DmpList<typename P::E, typename P::C>* l) {
  using namespace zel_test::buchberger;
  const uint64_t p = 65521;
  std::vector<NGPoly> input;
  for (; l != nullptr; l = l->next) {
    NGPoly f;
    for (auto& [e, c] : Poly<P>::read(l->poly))
      f.push_back({NMono(e.begin(), e.end()), uint32_t(((c % long(p)) + long(p)) % long(p))});
    input.push_back(f);
  }
  NaiveGroebner gb{BlockOrder{0}, p};
  DmpList<typename P::E, typename P::C>* out = nullptr;
  for (auto& g : gb.basis(input)) {
    std::vector<uint16_t> e(g[0].e.begin(), g[0].e.end());
    out = DmpLists<typename P::E, typename P::C>::L::cons(Poly<P>::make({{e, 1}}), out);
  }
  return out;
}

TYPED_TEST(StaircaseTest, SolutionsOfCyclic5AndKatsura4) {
  using S = typename TestFixture::S;
  using X = typename TestFixture::X;
  this->setup(5);
  EXPECT_EQ(S::solutions(leading_monomials<TypeParam>(X::cyclic(5, false))), 70);
  // The Buchberger driver's lists carry header nodes.
  auto* l = leading_monomials<TypeParam>(X::katsura(5, false));
  for (auto* c = l; c != nullptr; c = c->next)
    c->poly = Dmp<typename TypeParam::E, typename TypeParam::C>::link_one(c->poly);
  EXPECT_EQ(S::nb_sol_dim0(l), 16u);
}

TYPED_TEST(StaircaseTest, ExampleSystemsAreTheListedOnes) {
  using X = typename TestFixture::X;
  using V = typename TestFixture::V;
  this->setup(3);
  EXPECT_EQ(this->read(X::cyclic(3, false)),
            this->read(this->polys({{{{1, 1, 0}, 1}, {{0, 1, 1}, 1}, {{1, 0, 1}, 1}},
                                    {{{1, 0, 0}, 1}, {{0, 1, 0}, 1}, {{0, 0, 1}, 1}},
                                    {{{1, 1, 1}, 1}, {{0, 0, 0}, -1}}})));
  EXPECT_EQ(
      this->read(X::katsura(3, false)),
      this->read(this->polys({{{{1, 0, 0}, 1}, {{0, 1, 0}, 2}, {{0, 0, 1}, 2}, {{0, 0, 0}, -1}},
                              {{{1, 1, 0}, 2}, {{0, 1, 1}, 2}, {{0, 1, 0}, -1}},
                              {{{2, 0, 0}, 1}, {{0, 2, 0}, 2}, {{0, 0, 2}, 2}, {{1, 0, 0}, -1}}})));
  EXPECT_EQ(this->read(X::binary(3, true)),
            this->read(this->polys({{{{1, 0, 0}, 1}, {{0, 1, 0}, 2}, {{0, 0, 1}, 4}},
                                    {{{0, 2, 0}, 1}, {{0, 1, 1}, -1}},
                                    {{{2, 0, 0}, 1}, {{1, 0, 1}, -1}}})));
  EXPECT_EQ(this->read(X::cyclic(1, false)), this->read(this->polys({{{{1}, 1}, {{0}, -1}}})));
  this->setup(2);
  EXPECT_EQ(this->read(X::binary(2, false)),
            this->read(this->polys({{{{1, 0}, 1}, {{0, 1}, 2}, {{0, 0}, 4}},
                                    {{{0, 2}, 1}, {{0, 1}, -1}},
                                    {{{2, 0}, 1}, {{1, 0}, -1}}})));
  this->setup(4);
  auto homog = this->read(X::cyclic(4, true));
  EXPECT_EQ(homog.back(), (V{{{1, 1, 1, 0}, 1}, {{0, 0, 0, 3}, -1}}));
}

TYPED_TEST(StaircaseTest, AnalysisRescalesVariablesAndReportsWeights) {
  using A = DmpAnalyse<typename TypeParam::E, typename TypeParam::C>;
  StreamCapture log;
  A::run(this->polys({{{{1, 0}, 1}, {{0, 1}, -3}}}));
  EXPECT_EQ(log.take(), "#weights <3 1 >\n");
  this->setup(3);
  auto* l = this->polys({{{{1, 1, 0}, 2}, {{0, 0, 1}, 1}}});
  A::run(l);
  EXPECT_EQ(log.take(), "#weights <1 1 2 >\n");
  EXPECT_EQ(this->read(l->poly), (typename TestFixture::V{{{1, 1, 0}, 1}, {{0, 0, 1}, 1}}));
  A::run(nullptr);
  EXPECT_EQ(log.take(), "#weights <1 1 1 >\n");
}

TEST(StaircaseDeath, RefusalsEndTheProcessWithTheirMessage) {
  use_fresh_children();
  using P = FirstPairing;
  using T = StaircaseTest<P>;
  auto escalier_x2 = [] {
    orv::log_output = stderr;
    P::setup(2);
    DmpStaircase<P::E, P::C>::escalier(T::monomials({{2, 0}}));
  };
  EXPECT_EXIT(escalier_x2(), ::testing::ExitedWithCode(3),
              "escalier_DMP__.*not zero-dimensional \\(no leading power of b\\)");
  auto analyse_zw = [] {
    orv::log_output = stderr;
    orv::want_quiet = 1;
    P::setup(4);
    DmpAnalyse<P::E, P::C>::run(T::polys({{{{1, 1, 0, 0}, 2}, {{0, 0, 1, 1}, 1}}}));
  };
  EXPECT_EXIT(analyse_zw(), ::testing::ExitedWithCode(3), "Erreur impossible dans analyse");
}

TEST(StaircaseDeath, ExampleSystemsNeedTheirVariables) {
  use_fresh_children();
  using P = FirstPairing;
  using X = DmpExamples<P::E, P::C>;
  auto on_three = [](auto make) {
    return [make] {
      orv::log_output = stderr;
      P::setup(3);
      make();
    };
  };
  EXPECT_EXIT(on_three([] { X::cyclic(5, false); })(), ::testing::ExitedWithCode(3),
              "cyclic_List_DMP__.*: the system needs 5 variables, 3 are declared");
  EXPECT_EXIT(on_three([] { X::katsura(4, false); })(), ::testing::ExitedWithCode(3),
              "katsura_List_DMP__.*: the system needs 4 variables, 3 are declared");
  // Homogenised, the system's count includes the homogenising variable.
  EXPECT_EXIT(on_three([] { X::binary(0, true); })(), ::testing::ExitedWithCode(3),
              "exemple_binaire_List_DMP__.*: a homogeneous system needs at least one variable");
}

#ifdef ZEL_VARIANT_FP
// x and y form the first block, z the second: z's block-1 part is 1.
TEST(StaircaseFp, BlockOneStaircaseReadsTheFirstBlockOfTheLeadingMonomials) {
  using T = StaircaseTest<PairDRLDRL>;
  using S = T::S;
  orv::want_quiet = 1;
  PairDRLDRL::setup(3);
  EXPECT_EQ(T::exponents(S::escalier_block1(T::monomials({{2, 0, 1}, {1, 1, 0}, {0, 2, 0}}))),
            (std::vector<std::vector<uint16_t>>{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}));
  EXPECT_EQ(S::escalier_block1(T::monomials({{2, 0, 0}, {0, 0, 1}})), nullptr);
  orv::want_quiet = 0;
}
#endif
