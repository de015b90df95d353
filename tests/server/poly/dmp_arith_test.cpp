// Polynomial arithmetic in every pairing of the build against the map
// reference: sums, unions, products, scalings, derivatives, leading
// coefficients.
#include <gtest/gtest.h>

#include "server/log_capture.hpp"
#include "server/poly/poly_ref.hpp"
#include "support/seeds.hpp"

using namespace orv_test;

template <class P>
struct ArithTest : ::testing::Test {
  using R = Ref<P>;
  using D = typename R::D;
  using A = typename R::A;
  void SetUp() override {
    orv::want_quiet = 1;
    P::setup(3);
  }
  void TearDown() override { orv::want_quiet = 0; }
  static auto make(const std::vector<Term>& t) { return Poly<P>::make(t); }
  static auto read(const typename R::Node* p) { return Poly<P>::read(p); }
};
TYPED_TEST_SUITE(ArithTest, Pairings);

TYPED_TEST(ArithTest, RandomSumsProductsAndScalingsAgreeWithTheReference) {
  using R = typename TestFixture::R;
  using D = typename TestFixture::D;
  using A = typename TestFixture::A;
  SEED_TRACE();
  auto rng = zel_test::make_rng(11);
  for (long it = 0; it < zel_test::iterations(60); ++it) {
    auto a = R::random(rng, 1 + int(rng() % 9), 4), b = R::random(rng, 1 + int(rng() % 9), 4);
    ASSERT_EQ(R::of(A::sum(R::make(a), R::make(b))), R::add(a, b));
    // p + (-p) cancels every term.
    auto* p = R::make(a);
    ASSERT_EQ(A::sum(p, A::negate(D::copy(p))), nullptr);
    // The product of the three forms; q is only read by times_into.
    auto* q = R::make(b);
    ASSERT_EQ(R::of(A::times_into(R::make(a), q)), R::mul(a, b));
    ASSERT_EQ(R::of(q), b);
    ASSERT_EQ(R::of(A::times_copy(q, q)), R::mul(b, b));
    ASSERT_EQ(R::of(A::times(R::make(a), R::make(b))), R::mul(a, b));
    // Scalings by c and c x^m.
    const uint64_t c = 1 + rng() % (R::prime() - 1);
    auto mono = R::random(rng, 1, 3);
    typename R::Map cm{{mono.begin()->first, c}};
    auto* m = R::make(cm);
    ASSERT_EQ(R::of(A::copy_shift_scale(R::coef(c), m->e, q)), R::mul(b, cm));
    ASSERT_EQ(R::of(A::copy_scale(R::coef(c), q)), R::scale(b, c));
    ASSERT_EQ(R::of(A::shift_scale(R::coef(c), m->e, R::make(a))), R::mul(a, cm));
    auto* mon = R::make(a);
    const uint64_t lc = R::residue(mon->coef);
    ASSERT_EQ(R::of(A::monic(mon)), R::scale(a, zel_test::powmod(lc, R::prime() - 2, R::prime())));
    ASSERT_EQ(R::residue(mon->coef), 1u);
    // Derivatives in every variable.
    for (unsigned v = 0; v < 3; ++v)
      ASSERT_EQ(R::of(A::differentiate(R::make(a), v)), R::diff(a, v));
  }
}

TYPED_TEST(ArithTest, ZeroPolynomialEdges) {
  using R = typename TestFixture::R;
  using A = typename TestFixture::A;
  EXPECT_EQ(A::monic(nullptr), nullptr);
  EXPECT_EQ(R::residue(A::content(nullptr)), 1u);
  EXPECT_EQ(A::copy_scale(A::of(3), nullptr), nullptr);
}

TYPED_TEST(ArithTest, PartExamplesOfTheSumAndProducts) {
  using A = typename TestFixture::A;
  // (x + 1) + (-x) = 1, the cancelled head dropped.
  EXPECT_EQ(this->read(A::sum(this->make({{{1, 0, 0}, 1}, {{0, 0, 0}, 1}}),
                              this->make({{{1, 0, 0}, -1}}))),
            (std::vector<Term>{{{0, 0, 0}, 1}}));
  auto* q = this->make({{{0, 1, 0}, 1}});
  EXPECT_EQ(A::sum(nullptr, q), q);
  // (x + 1)(x - 1) = x^2 - 1.
  EXPECT_EQ(this->read(A::times(this->make({{{1, 0, 0}, 1}, {{0, 0, 0}, 1}}),
                                this->make({{{1, 0, 0}, 1}, {{0, 0, 0}, -1}}))),
            (std::vector<Term>{{{2, 0, 0}, 1}, {{0, 0, 0}, -1}}));
  EXPECT_EQ(A::times(this->make({{{1, 0, 0}, 1}}), nullptr), nullptr);
  EXPECT_EQ(A::times_into(q, nullptr), nullptr);
  // The union keeps p's coefficient where both have the monomial.
  EXPECT_EQ(this->read(A::unite(this->make({{{1, 0, 0}, 2}, {{0, 0, 0}, 5}}),
                                this->make({{{1, 0, 0}, 3}, {{0, 1, 0}, 7}}))),
            (std::vector<Term>{{{1, 0, 0}, 2}, {{0, 1, 0}, 7}, {{0, 0, 0}, 5}}));
  // scal_Monom by 0 returns the successor.
  auto* t = this->make({{{1, 0, 0}, 2}, {{0, 0, 0}, 5}});
  auto* second = t->next;
  EXPECT_EQ(A::scal_monom(A::of(0), t), second);
  // d(x^3 + y)/dx = 3x^2; a variable absent from p gives zero.
  EXPECT_EQ(this->read(A::differentiate(this->make({{{3, 0, 0}, 1}, {{0, 1, 0}, 1}}), 0)),
            (std::vector<Term>{{{2, 0, 0}, 3}}));
  EXPECT_EQ(A::differentiate(this->make({{{3, 0, 0}, 1}}), 2), nullptr);
}

TYPED_TEST(ArithTest, LeadingCoefficientInAVariable) {
  using A = typename TestFixture::A;
  // x^2 y + 3 x^2 + x in x (variable 1 counted from 1): y + 3; in the
  // lexicographic order these terms lead together.
  auto* p = this->make({{{2, 1, 0}, 1}, {{2, 0, 0}, 3}, {{1, 0, 0}, 1}});
  auto lead = this->read(A::lead_coeff_in(p, 1));
  if (std::string(TypeParam::E::name) == "BigLexp") {
    EXPECT_EQ(lead, (std::vector<Term>{{{0, 1, 0}, 1}, {{0, 0, 0}, 3}}));
    EXPECT_EQ(this->read(A::lead_coeff(p)), lead);
  } else {
    EXPECT_EQ(lead.front(), (Term{{0, 1, 0}, 1}));
  }
  if (std::string(TypeParam::E::name) == "DRLDRL") {
    // z lies in the second block: x^2 z + 3 x^2 + x has x^2 in front of z + 3.
    auto* q = this->make({{{2, 0, 1}, 1}, {{2, 0, 0}, 3}, {{1, 0, 0}, 1}});
    EXPECT_EQ(this->read(A::lead_coeff(q)), (std::vector<Term>{{{0, 0, 1}, 1}, {{0, 0, 0}, 3}}));
  }
  EXPECT_EQ(this->read(A::lead_coeff_in(p, -1)), (std::vector<Term>{{{0, 0, 0}, 1}}));
}

#ifdef ZEL_VARIANT_FP
TEST(ArithFp, DerivativeDropsFactorsThatVanishModuloThePrime) {
  using A = DmpArith<ExpDRLDRL, CoefGFC>;
  PairDRLDRL::setup(3);
  set_module_GFC(7);
  // d(x^7 y + x^2)/dx = 7 x^6 y + 2x = 2x modulo 7.
  auto* d = A::differentiate(Poly<PairDRLDRL>::make({{{7, 1, 0}, 1}, {{2, 0, 0}, 1}}), 0);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->next, nullptr);
  EXPECT_EQ(d->coef, 2u);
  set_module_GFC(65521);
}
#endif

TYPED_TEST(ArithTest, LogarithmicFormsOfTheTermsAfterTheLeadingOne) {
  using A = typename TestFixture::A;
  // x^2 y + x + 1: x^2 y / x gives x + y, x^2 y / 1 gives 2x + y.
  auto* l = A::log_forms(this->make({{{2, 1, 0}, 1}, {{1, 0, 0}, 1}, {{0, 0, 0}, 1}}));
  ASSERT_NE(l, nullptr);
  ASSERT_NE(l->next, nullptr);
  EXPECT_EQ(l->next->next, nullptr);
  EXPECT_EQ(this->read(l->poly), this->read(this->make({{{1, 0, 0}, 1}, {{0, 1, 0}, 1}})));
  EXPECT_EQ(this->read(l->next->poly), this->read(this->make({{{1, 0, 0}, 2}, {{0, 1, 0}, 1}})));
}

template <class P>
struct ArithDeathTest : ArithTest<P> {};
TYPED_TEST_SUITE(ArithDeathTest, Pairings);

TYPED_TEST(ArithDeathTest, AProductBeyondTheExactExponentsIsRefused) {
  using A = typename TestFixture::A;
  use_fresh_children();
  // The largest exponent each type orders exactly: squaring it would leave
  // a field that the next product carries out of.
  constexpr uint16_t top = kIntegerBuild ? 32767 : 127;
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        this->SetUp();
        A::times(this->make({{{top, 0, 0}, 1}}), this->make({{{top, 0, 0}, 1}}));
      },
      ::testing::ExitedWithCode(3), "of a product does not fit a [A-Za-z]+ exponent vector");
}
