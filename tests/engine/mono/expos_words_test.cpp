// Packed monomials against the naive exponent vectors: orders, divisibility,
// lcm, quotient, product and equality, over many random pairs and layouts.
#include <gtest/gtest.h>

#include "engine/mono/expos_order.hpp"
#include "mono_fixture.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

struct LayoutCase {
  uint32_t n, s;
};

// Layouts chosen so that block boundaries and the homogenising field fall at
// every position within a word, with and without spare fields.
const LayoutCase kLayouts[] = {{3, 2}, {3, 3},  {3, 0},   {4, 4}, {4, 1}, {7, 7},  {7, 4},  {8, 5},
                               {8, 0}, {13, 9}, {13, 13}, {2, 5}, {1, 1}, {11, 3}, {16, 12}};

}  // namespace

TEST(ExposWords, LayoutFollowsVariableCount) {
  use_layout(3, 3);
  EXPECT_EQ(nb_of_blocks_of_variables, 1u);
  EXPECT_EQ(max_nb_of_variables, 3u);
  EXPECT_EQ(sz_Expos, 16u);
  EXPECT_EQ(nb_of_variables, 4u);
  use_layout(4, 4);
  EXPECT_EQ(nb_of_blocks_of_variables, 2u);
  EXPECT_EQ(max_nb_of_variables, 7u);
  EXPECT_EQ(sz_Expos, 24u);
  EXPECT_EQ(real_nb_of_affine_variables, 4u);
  want_Lexico = 1;
  set_Expos(6);
  EXPECT_EQ(var_second_block, 5u);
  want_Lexico = 0;
}

TEST(ExposWords, LayoutIsAnnouncedUnlessQuiet) {
  TestHost host;
  const uint32_t quiet = ZEL_C(want_quiet);
  ZEL_C(want_quiet) = 0;
  var_second_block = 2;
  set_Expos(5);
  EXPECT_EQ(captured().printed, "Blocks 2 3\n");
  captured() = Captured{};
  want_Lexico = 1;
  set_Expos(5);  // lexicographic split: silent
  want_Lexico = 0;
  ZEL_C(want_quiet) = 1;
  set_Expos(5);
  EXPECT_EQ(captured().printed, "");
  ZEL_C(want_quiet) = quiet;
}

TEST(ExposWords, FieldsArePackedFourToAWordLowFirst) {
  use_layout(6, 6);
  MonoBuf m({1, 2, 3, 4, 5, 6, 7, 0});
  EXPECT_EQ(get_word(m.w(), 0), 0x0004000300020001ULL);
  EXPECT_EQ(get_word(m.w(), 1), 0x0000000700060005ULL);
  set_field(m.w(), 2, 0x7FFF);
  EXPECT_EQ(to_naive(m.w()), (NaiveMono{1, 2, 0x7FFF, 4, 5, 6, 7, 0}));
}

TEST(ExposWords, AgreeWithNaiveReferenceOnRandomPairs) {
  SEED_TRACE();
  auto rng = make_rng(1);
  const long per_layout = iterations(10000);
  long pairs = 0;
  for (const LayoutCase& L : kLayouts) {
    use_layout(L.n, L.s);
    SCOPED_TRACE("n=" + std::to_string(L.n) + " s=" + std::to_string(L.s));
    const int N = int(nb_of_variables), s = int(L.s);
    for (long it = 0; it < per_layout; ++it, ++pairs) {
      const NaiveMono a = random_mono(rng);
      const NaiveMono b = it % 2 ? random_neighbour(rng, a) : random_divisor_or_not(rng, a);
      MonoBuf A(a), Bm(b);
      const int c = comp_Expos(A.w(), Bm.w());
      ASSERT_EQ(c, naive_block_order(a, b, s, N, false)) << it;
      ASSERT_EQ(comp4_Expos(A.w(), Bm.w()), c);
      ASSERT_EQ(comp_Expos(Bm.w(), A.w()), -c);
      if (total_degree(A.w()) == total_degree(Bm.w())) {
        ASSERT_EQ(comp_Expos_same_degree(A.w(), Bm.w()), c) << it;
      }
      const int c5 = comp5_Expos(A.w(), Bm.w());
      ASSERT_EQ(c5, naive_block_order(a, b, s, N, true)) << it;
      ASSERT_EQ(comp5_Expos(Bm.w(), A.w()), -c5);
      ASSERT_EQ(equal_Expos(A.w(), Bm.w()), a == b);

      const bool div = naive_divides(b, a);
      ASSERT_EQ(is_sub_Expos1(A.w(), Bm.w()), div ? 1 : 0) << it;
      MonoBuf Q;
      ASSERT_EQ(ZEL_C(is_sub_in_place_Expos)(A.w(), Bm.w(), Q.w()), div ? 1 : 0);
      if (div) {
        ASSERT_EQ(to_naive(Q.w()), naive_quo(a, b));
        MonoBuf D;
        div_Expos_to(D.w(), A.w(), Bm.w());
        ASSERT_EQ(to_naive(D.w()), naive_quo(a, b));
      }
      MonoBuf Lc;
      lcm_Expos_to(Lc.w(), A.w(), Bm.w());
      ASSERT_EQ(to_naive(Lc.w()), naive_lcm(a, b));
      MonoBuf P;
      mul_Expos_to(P.w(), A.w(), Bm.w());
      ASSERT_EQ(to_naive(P.w()), naive_mul(a, b));
      ASSERT_TRUE(equal_product_Expos(P.w(), A.w(), Bm.w()));
      ASSERT_TRUE(equal_product_Expos(P.w(), Bm.w(), A.w()));
      ASSERT_EQ(equal_product_Expos(A.w(), A.w(), Bm.w()), is_one_Expos(Bm.w()));
    }
  }
  EXPECT_GE(pairs, 100000);
}

TEST(ExposWords, OrdersAreTransitive) {
  SEED_TRACE();
  auto rng = make_rng(2);
  for (const LayoutCase& L : kLayouts) {
    use_layout(L.n, L.s);
    for (long it = 0; it < iterations(3000); ++it) {
      const NaiveMono a = random_mono(rng);
      const NaiveMono b = random_neighbour(rng, a), c = random_neighbour(rng, b);
      MonoBuf A(a), Bm(b), C(c);
      for (auto cmp : {comp_Expos, comp5_Expos}) {
        const int ab = cmp(A.w(), Bm.w()), bc = cmp(Bm.w(), C.w()), ac = cmp(A.w(), C.w());
        if (ab >= 0 && bc >= 0) {
          ASSERT_GE(ac, 0);
        }
        if (ab > 0 && bc >= 0) {
          ASSERT_GT(ac, 0);
        }
        if (ab <= 0 && bc <= 0) {
          ASSERT_LE(ac, 0);
        }
        ASSERT_EQ(cmp(A.w(), A.w()), 0);
      }
    }
  }
}

// First block {x0, x1}, second block {x2, x3 = homogenising}.
TEST(ExposWords, BlockOrderExamples) {
  use_layout(3, 2);
  auto cmp = [](NaiveMono a, NaiveMono b, int (*f)(const ExposW*, const ExposW*)) {
    MonoBuf A(a), B(b);
    return f(A.w(), B.w());
  };
  for (auto f : {comp_Expos, comp4_Expos, comp5_Expos}) {
    EXPECT_EQ(cmp({1, 0, 0, 1}, {0, 2, 0, 0}, f), -1);  // x0*x3 < x1^2
    EXPECT_EQ(cmp({1, 0, 0, 0}, {0, 1, 0, 0}, f), 1);   // x0 > x1
    EXPECT_EQ(cmp({0, 0, 1, 0}, {0, 0, 0, 1}, f), 1);   // x2 > x3
    EXPECT_EQ(cmp({0, 0, 2, 0}, {0, 0, 1, 1}, f), 1);   // x2^2 > x2*x3
    EXPECT_EQ(cmp({0, 0, 3, 0}, {0, 0, 0, 1}, f), 1);   // x2^3 > x3
    // The first block decides whatever the second holds.
    EXPECT_EQ(cmp({0, 1, 0, 0}, {0, 0, 9, 9}, f), 1);
  }
  EXPECT_EQ(cmp({0, 0, 1, 0}, {0, 0, 0, 2}, comp_Expos), 1);  // x2 vs x3^2
  EXPECT_EQ(cmp({0, 0, 1, 0}, {0, 0, 0, 2}, comp5_Expos), -1);
  // No first block: comp5 starts with the total degree, comp never does.
  use_layout(3, 0);
  EXPECT_EQ(cmp({0, 0, 1, 0}, {0, 0, 0, 2}, comp_Expos), 1);
  EXPECT_EQ(cmp({0, 0, 1, 0}, {0, 0, 0, 2}, comp5_Expos), -1);
  EXPECT_EQ(cmp({5, 0, 0, 0}, {0, 0, 0, 1}, comp_Expos), 1);
  EXPECT_EQ(cmp({1, 0, 0, 0}, {0, 0, 0, 2}, comp5_Expos), -1);
}

TEST(ExposWords, SpareFieldsAreNeverCompared) {
  use_layout(4, 2);  // fields 5..7 are spare
  MonoBuf a({1, 0, 0, 0, 0, 0, 0, 0}), b({1, 0, 0, 0, 0, 7, 0, 0});
  EXPECT_EQ(comp_Expos(a.w(), b.w()), 0);
  EXPECT_EQ(comp5_Expos(a.w(), b.w()), 0);
}

TEST(ExposWords, DivisibilityEdgeCases) {
  use_layout(7, 7);
  MonoBuf a({0, 9, 9, 9, 1, 0, 0, 0}), one;
  EXPECT_EQ(is_sub_Expos1(a.w(), a.w()), 1);
  EXPECT_EQ(is_sub_Expos1(a.w(), one.w()), 1);
  // The lowest field of a word is short by one while the higher ones of a
  // are larger: the borrow must not hide it.
  MonoBuf b({1, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(is_sub_Expos1(a.w(), b.w()), 0);
  MonoBuf top({32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767});
  MonoBuf below({32767, 32766, 32767, 0, 32767, 1, 32767, 32767});
  EXPECT_EQ(is_sub_Expos1(top.w(), below.w()), 1);
  EXPECT_EQ(is_sub_Expos1(below.w(), top.w()), 0);
  MonoBuf l;
  lcm_Expos_to(l.w(), a.w(), one.w());
  EXPECT_TRUE(equal_Expos(l.w(), a.w()));
}
