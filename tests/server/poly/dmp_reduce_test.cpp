// Reduction steps, top reduction by a list, gcd, exact quotient and the
// square-free part, in every pairing of the build.
#include <gtest/gtest.h>

#include "server/log_capture.hpp"
#include "server/poly/poly_ref.hpp"
#include "support/naive_poly.hpp"
#include "support/seeds.hpp"

using namespace orv_test;

template <class P>
struct ReduceTest : ::testing::Test {
  using R = Ref<P>;
  using D = typename R::D;
  using A = typename R::A;
  using Red = DmpReduce<typename P::E, typename P::C>;
  using Cell = DmpList<typename P::E, typename P::C>;
  void SetUp() override {
    orv::want_quiet = 1;
    P::setup(3);
  }
  void TearDown() override { orv::want_quiet = 0; }
  static auto make(const std::vector<Term>& t) { return Poly<P>::make(t); }
  static auto read(const typename R::Node* p) { return Poly<P>::read(p); }
  // x^k, one term per (power, coefficient), in x alone.
  static auto in_x(const std::vector<std::pair<uint16_t, long>>& t) {
    std::vector<Term> terms;
    for (auto [k, c] : t) terms.push_back({{k, 0, 0}, c});
    return make(terms);
  }
  static auto read_x(const typename R::Node* p) {
    std::vector<std::pair<uint16_t, long>> out;
    for (auto& [e, c] : read(p)) out.push_back({e[0], c});
    return out;
  }
};
TYPED_TEST_SUITE(ReduceTest, Pairings);

// p = quotient * g + r with lm(r) no multiple of lm(g), from the single
// steps; pseudo_redPo, and redPo by g made monic, end on the same r; the
// exact quotient of a g by g is a.
TYPED_TEST(ReduceTest, DivisionByStepsSatisfiesTheDivisionIdentity) {
  using R = typename TestFixture::R;
  using A = typename TestFixture::A;
  using Red = typename TestFixture::Red;
  using Cell = typename TestFixture::Cell;
  using E = typename TypeParam::E;
  SEED_TRACE();
  auto rng = zel_test::make_rng(23);
  for (long it = 0; it < zel_test::iterations(40); ++it) {
    auto gm = R::random(rng, 1 + int(rng() % 4), 3), pm = R::random(rng, 1 + int(rng() % 10), 5);
    auto* g = R::make(gm);
    auto* r = R::make(pm);
    typename R::Map quotient;
    const uint64_t inv_lc = zel_test::powmod(R::residue(g->coef), R::prime() - 2, R::prime());
    while (r != nullptr && ExpExtra<E>::is_sub(r->e, g->e)) {
      typename R::Mono m(E::nb_vars());
      for (unsigned i = 0; i < m.size(); ++i) m[i] = E::extraire(r->e, i) - E::extraire(g->e, i);
      R::put(quotient, m, zel_test::mulmod(R::residue(r->coef), inv_lc, R::prime()));
      r = Red::reduce_nonmonic(r, g);
    }
    const auto rest = R::of(r);
    ASSERT_EQ(R::add(R::mul(quotient, gm), rest), pm);
    Cell cell{g, nullptr};
    typename TypeParam::C::T multiplier;
    ASSERT_EQ(R::of(Red::pseudo_red_po(R::make(pm), &cell, multiplier)), rest);
    EXPECT_EQ(R::residue(multiplier), 1u);
    cell.poly = A::monic(g);
    ASSERT_EQ(R::of(Red::red_po(R::make(pm), &cell)), rest);
    ASSERT_EQ(R::of(Red::exact_quotient(A::times_copy(R::make(pm), g), &cell)), pm);
  }
}

TYPED_TEST(ReduceTest, PartExamplesOfTheSteps) {
  using Red = typename TestFixture::Red;
  using Cell = typename TestFixture::Cell;
  using V = std::vector<std::pair<uint16_t, long>>;
  // x^2 + 1 by x + 1 gives -x + 1; x^2 by x gives zero.
  EXPECT_EQ(this->read_x(Red::reduce(this->in_x({{2, 1}, {0, 1}}), this->in_x({{1, 1}, {0, 1}}))),
            (V{{1, -1}, {0, 1}}));
  EXPECT_EQ(Red::reduce(this->in_x({{2, 1}}), this->in_x({{1, 1}})), nullptr);
  // x^2 by 2x + 1 gives -(1/2) x.
  auto half =
      this->read_x(Red::reduce_nonmonic(this->in_x({{2, 1}}), this->in_x({{1, 2}, {0, 1}})));
  ASSERT_EQ(half.size(), 1u);
  EXPECT_EQ(half[0].first, 1);
  EXPECT_EQ((2 * half[0].second + 1) % long(Ref<TypeParam>::prime()), 0);
  // One-term p, several-term q: c x^m (q - lt q) from copies alone.
  EXPECT_EQ(this->read_x(Red::reduce(this->in_x({{3, 1}}), this->in_x({{1, 1}, {0, 5}}))),
            (V{{2, -5}}));
  // No divisor in L, or an empty L: p unchanged.
  auto* p = this->make({{{0, 2, 0}, 1}});
  Cell cell{this->in_x({{1, 1}}), nullptr};
  EXPECT_EQ(Red::red_po(p, &cell), p);
  EXPECT_EQ(Red::red_po(p, nullptr), p);
}

TYPED_TEST(ReduceTest, GcdAndExactQuotient) {
  using R = typename TestFixture::R;
  using A = typename TestFixture::A;
  using Red = typename TestFixture::Red;
  using Cell = typename TestFixture::Cell;
  using V = std::vector<std::pair<uint16_t, long>>;
  EXPECT_EQ(this->read_x(Red::gcd(this->in_x({{2, 1}, {0, -1}}), this->in_x({{1, 1}, {0, -1}}))),
            (V{{1, 1}, {0, -1}}));
  EXPECT_EQ(this->read_x(Red::gcd(this->in_x({{2, 1}, {1, 1}}), this->in_x({{1, 2}}))),
            (V{{1, 1}}));
  Cell cell{this->in_x({{1, 1}, {0, -1}}), nullptr};
  EXPECT_EQ(this->read_x(Red::exact_quotient(this->in_x({{2, 1}, {0, -1}}), &cell)),
            (V{{1, 1}, {0, 1}}));
  // A non-monic divisor: the quotient is scaled with p.
  cell.poly = this->in_x({{1, 2}, {0, -2}});
  EXPECT_EQ(this->read_x(Red::exact_quotient(this->in_x({{2, 2}, {0, -2}}), &cell)),
            (V{{1, 1}, {0, 1}}));
  // Random univariate f g1 and f g2 have the gcd of the reference, modulo
  // one prime: residues modulo further primes would be unrelated data.
#ifdef ZEL_VARIANT_INT
  set_VGF(1);
#endif
  SEED_TRACE();
  auto rng = zel_test::make_rng(29);
  const uint64_t p = R::prime();
  auto to_poly = [&](const zel_test::NPoly& u) {
    typename R::Map m;
    for (size_t k = 0; k < u.size(); ++k)
      if (u[k]) m[{unsigned(k), 0, 0}] = u[k];
    return R::make(m);
  };
  for (long it = 0; it < zel_test::iterations(20); ++it) {
    auto f = zel_test::nrandom(rng, 1 + int(rng() % 4), p);
    auto a = zel_test::nmul(f, zel_test::nrandom(rng, int(rng() % 4), p), p);
    auto b = zel_test::nmul(f, zel_test::nrandom(rng, 1 + int(rng() % 4), p), p);
    auto* g = Red::gcd(to_poly(a), to_poly(b));
    ASSERT_EQ(R::of(g), R::of(to_poly(zel_test::ngcd(a, b, p))));
    Cell by{g, nullptr};
    ASSERT_EQ(R::of(A::times_copy(Red::exact_quotient(to_poly(a), &by), g)), R::of(to_poly(a)));
  }
}

TYPED_TEST(ReduceTest, SquareFreePartOfAPolynomialInOneVariable) {
  using Red = typename TestFixture::Red;
  using V = std::vector<std::pair<uint16_t, long>>;
  // 2 (x - 1)^2 (x + 2) = 2x^3 - 6x + 4 has the square-free part 2 (x - 1)(x + 2).
  EXPECT_EQ(this->read_x(Red::square_free(this->in_x({{3, 2}, {1, -6}, {0, 4}}), "sqfr")),
            (V{{2, 2}, {1, 2}, {0, -4}}));
  EXPECT_EQ(Red::square_free(nullptr, "sqfr"), nullptr);
}

TEST(ReduceDeath, RefusalsEndTheProcessWithTheirMessage) {
  use_fresh_children();
  using P = FirstPairing;
  using Red = DmpReduce<P::E, P::C>;
  using Cell = DmpList<P::E, P::C>;
  auto in_x = [](std::vector<Term> t) { return Poly<P>::make(t); };
  auto run = [&](auto f) {
    orv::log_output = stderr;
    orv::want_quiet = 1;
    P::setup(3);
    f();
  };
  EXPECT_EXIT(run([&] {
                Red::reduce(in_x({{{2}, 1}}), in_x({{{1}, 2}, {{0}, 1}}));
              }),
              ::testing::ExitedWithCode(3), "Reduce by a non monic polynomial !");
  EXPECT_EXIT(run([&] {
                Cell c{in_x({{{1}, 1}, {{0}, -1}}), nullptr};
                Red::exact_quotient(in_x({{{2}, 1}}), &c);
              }),
              ::testing::ExitedWithCode(3), "Not an exact quotient !");
  EXPECT_EXIT(run([&] {
                Red::square_free(in_x({{{1, 1}, 1}, {{0}, 1}}), "sqfr");
              }),
              ::testing::ExitedWithCode(3), "sqfr_DMP__.*one variable");
}

#ifdef ZEL_VARIANT_FP
TEST(ReduceDeath, SquareFreePartRefusesAPrimeNotAboveTheDegree) {
  use_fresh_children();
  // Modulo 7, x^7 + 2 = (x + 2)^7 has the derivative 0: p / gcd(p, p') of
  // (x^7 + 2)(x + 1) would be x + 1, the factor x + 2 lost.
  auto square_free_mod_7 = [] {
    orv::log_output = stderr;
    orv::want_quiet = 1;
    PairDRLDRL::setup(3);
    set_module_GFC(7);
    DmpReduce<ExpDRLDRL, CoefGFC>::square_free(
        Poly<PairDRLDRL>::make({{{8}, 1}, {{7}, 1}, {{1}, 2}, {{0}, 2}}), "sqfr");
  };
  EXPECT_EXIT(square_free_mod_7(), ::testing::ExitedWithCode(3),
              "sqfr_DMP__DRLDRL__GFC: the degree 8 is not below the prime 7");
}
#endif
