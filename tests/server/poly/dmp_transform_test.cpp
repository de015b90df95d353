// Substitutions, homogenisation, permutations, cyclic orbits and filters in
// every pairing of the build; variables x, y and h (the last).
#include <gtest/gtest.h>

#include "server/log_capture.hpp"
#include "server/poly/pairing_fixture.hpp"

using namespace orv_test;

template <class P>
struct TransformTest : ::testing::Test {
  using T = DmpTransform<typename P::E, typename P::C>;
  using Cell = DmpList<typename P::E, typename P::C>;
  using L = typename DmpLists<typename P::E, typename P::C>::L;
  using V = std::vector<Term>;
  void SetUp() override {
    orv::want_quiet = 1;
    P::setup(3);
  }
  void TearDown() override { orv::want_quiet = 0; }
  static auto make(const V& t) { return Poly<P>::make(t); }
  static V read(const DmpNode<typename P::E, typename P::C>* p) { return Poly<P>::read(p); }
  static Cell* list(const std::vector<V>& ps) {
    Cell* l = nullptr;
    for (auto it = ps.rbegin(); it != ps.rend(); ++it) l = L::cons(make(*it), l);
    return l;
  }
  static std::vector<V> read(const Cell* l) {
    std::vector<V> out;
    for (; l != nullptr; l = l->next) out.push_back(read(l->poly));
    return out;
  }
};
TYPED_TEST_SUITE(TransformTest, Pairings);

TYPED_TEST(TransformTest, SubstitutionAndHomogenisation) {
  using T = typename TestFixture::T;
  using V = typename TestFixture::V;
  EXPECT_EQ(this->read(T::set_var_one(this->make({{{1, 1, 0}, 1}, {{1, 0, 0}, 1}}), 1)),
            (V{{{1, 0, 0}, 2}}));
  EXPECT_EQ(T::set_var_one(this->make({{{1, 1, 0}, 1}, {{1, 0, 0}, -1}}), 1), nullptr);
  EXPECT_EQ(this->read(T::homog(this->make({{{2, 0, 0}, 1}, {{0, 1, 0}, 1}}), 2)),
            (V{{{2, 0, 0}, 1}, {{0, 1, 1}, 1}}));
  auto* homogeneous = this->make({{{1, 1, 0}, 1}, {{0, 2, 0}, 1}});
  auto before = this->read(homogeneous);
  EXPECT_EQ(this->read(T::homog(homogeneous, 2)), before);
  EXPECT_EQ(T::homog(static_cast<decltype(homogeneous)>(nullptr), 2), nullptr);
  EXPECT_EQ(this->read(T::set_var_one(this->make({{{2, 0, 0}, 1}, {{0, 1, 1}, 1}}), 2)),
            (V{{{2, 0, 0}, 1}, {{0, 1, 0}, 1}}));
  // Swapping x and y sorts the terms again.
  const unsigned swap_xy[] = {1, 0, 2};
  EXPECT_EQ(this->read(T::permute(this->make({{{2, 0, 0}, 1}, {{0, 1, 0}, 3}}), swap_xy)),
            this->read(this->make({{{0, 2, 0}, 1}, {{1, 0, 0}, 3}})));
}

TYPED_TEST(TransformTest, CyclicOrbits) {
  using T = typename TestFixture::T;
  using V = typename TestFixture::V;
  EXPECT_EQ(this->read(T::orbit(this->make({{{1, 0, 0}, 2}}))),
            (V{{{1, 0, 0}, 2}, {{0, 1, 0}, 2}, {{0, 0, 1}, 2}}));
  EXPECT_EQ(this->read(T::orbit(this->make({{{1, 1, 1}, 5}}))), (V{{{1, 1, 1}, 5}}));
  EXPECT_EQ(this->read(T::compact(this->make({{{1, 0, 0}, 1}, {{0, 1, 0}, 1}, {{0, 0, 1}, 1}}))),
            (V{{{1, 0, 0}, 1}}));
  EXPECT_EQ(this->read(T::canonic(this->make({{{1, 0, 0}, 1}}))), (V{{{1, 0, 0}, 1}}));
  EXPECT_EQ(this->read(T::keep_orbit_leaders(
                this->make({{{2, 0, 0}, 1}, {{1, 1, 0}, 2}, {{0, 2, 0}, 3}}))),
            (V{{{2, 0, 0}, 1}, {{1, 1, 0}, 2}}));
}

TYPED_TEST(TransformTest, TermAndListFilters) {
  using T = typename TestFixture::T;
  using V = typename TestFixture::V;
  using Cell = typename TestFixture::Cell;
  auto* p = this->make({{{2, 0, 0}, 1}, {{1, 1, 0}, 1}, {{1, 0, 0}, 1}, {{0, 0, 0}, 1}});
  EXPECT_EQ(this->read(T::retain_only_deg(p, 2)), (V{{{2, 0, 0}, 1}, {{1, 1, 0}, 1}}));
  EXPECT_EQ(T::retain_only_deg(this->make({{{1, 0, 0}, 1}}), 5), nullptr);
  EXPECT_EQ(
      this->read(T::keep_first_var(this->make({{{2, 0, 0}, 1}, {{0, 1, 0}, 1}, {{0, 0, 0}, 4}}))),
      (V{{{2, 0, 0}, 1}, {{0, 0, 0}, 4}}));
  auto* z = this->make({{{1, 0, 0}, 1}, {{0, 0, 0}, 1}});
  z->coef = DmpArith<typename TypeParam::E, typename TypeParam::C>::of(0);
  EXPECT_EQ(T::purge_zero(z), nullptr);
  // x eliminated: [x + y, y, x y, y^2] splits into [x + y, x y] and [y, y^2].
  Cell* out = nullptr;
  Cell* rest = T::retain(
      this->list(
          {{{{1, 0, 0}, 1}, {{0, 1, 0}, 1}}, {{{0, 1, 0}, 1}}, {{{1, 1, 0}, 1}}, {{{0, 2, 0}, 1}}}),
      out, 1);
  EXPECT_EQ(this->read(out), (std::vector<V>{{{{1, 0, 0}, 1}, {{0, 1, 0}, 1}}, {{{1, 1, 0}, 1}}}));
  EXPECT_EQ(this->read(rest), (std::vector<V>{{{{0, 1, 0}, 1}}, {{{0, 2, 0}, 1}}}));
  // x^3 h is a multiple of x^2 once h is ignored.
  EXPECT_EQ(this->read(T::menage_homog(
                this->list({{{{2, 0, 0}, 1}}, {{{3, 0, 1}, 1}}, {{{0, 1, 0}, 1}}}))),
            (std::vector<V>{{{{2, 0, 0}, 1}}, {{{0, 1, 0}, 1}}}));
}

TYPED_TEST(TransformTest, CommonMonomialFactor) {
  using T = typename TestFixture::T;
  using V = typename TestFixture::V;
  auto* p = this->make({{{2, 1, 0}, 1}, {{1, 2, 0}, 1}});
  StreamCapture fortran(&orv::Fortran.out);
  EXPECT_EQ(T::simpl_factor(p), 2u);
  const std::string said = fortran.take();
  EXPECT_EQ(said.rfind("Divise par ", 0), 0u) << said;
  EXPECT_NE(said.find('*'), std::string::npos) << said;  // x*y
  EXPECT_EQ(said.back(), '\n');
  EXPECT_EQ(this->read(p), (V{{{1, 0, 0}, 1}, {{0, 1, 0}, 1}}));
  EXPECT_EQ(T::simpl_factor(this->make({{{1, 0, 0}, 1}, {{0, 0, 0}, 1}})), 0u);
  auto* c = this->make({{{2, 0, 0}, 3}});
  EXPECT_EQ(T::simpl_factor(c), 2u);
  EXPECT_EQ(this->read(c), (V{{{0, 0, 0}, 3}}));
}

TEST(TransformDeath, CompactRefusesAPolynomialThatIsNotInvariant) {
  use_fresh_children();
  using P = FirstPairing;
  auto compact_y = [] {
    orv::log_output = stderr;
    orv::want_quiet = 1;
    P::setup(3);
    DmpTransform<P::E, P::C>::compact(Poly<P>::make({{{0, 1, 0}, 1}}));
  };
  EXPECT_EXIT(compact_y(), ::testing::ExitedWithCode(3), "not invariant under the cyclic shift");
}

TEST(TransformDeath, AVariableIndexOutsideTheRingIsRefused) {
  use_fresh_children();
  using P = FirstPairing;
  using T = DmpTransform<P::E, P::C>;
  auto on_two = [](auto op) {
    return [op] {
      orv::log_output = stderr;
      orv::want_quiet = 1;
      P::setup(2);
      op(Poly<P>::make({{{2, 0}, 1}, {{0, 1}, 1}}));
    };
  };
  EXPECT_EXIT(on_two([](auto* p) { T::homog(p, 5); })(), ::testing::ExitedWithCode(3),
              "homog_d: no variable of index 5 among 2");
  EXPECT_EXIT(on_two([](auto* p) { T::set_var_one(p, 7); })(), ::testing::ExitedWithCode(3),
              "eval_var_one_d: no variable of index 7 among 2");
}
