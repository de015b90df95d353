// Inversion, monic lanes, residue vectors and number strings, checked against
// plain 64-bit arithmetic.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/coef/dom_string.hpp"
#include "engine/coef/primes.hpp"
#include "engine/coef/residue.hpp"
#include "support/engine_memory.hpp"
#include "support/naive_arith.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;

namespace {

// Sets up the build's usual lanes: five top primes, or one 16-bit prime.
struct ResidueTest : ::testing::Test {
  zel_test::TestHost host{4};
  uint32_t saved_v = ZEL_C(vectorize);
  int32_t saved_raw = ZEL_C(want_raw_output);
  void SetUp() override {
    zel_test::fresh_engine_memory();
    if constexpr (kIntegerBuild) {
      ZEL_C(vectorize) = ZEL_C(maxi_vectorize) = 5;
      offset_primes = 0;
      init_Dom();
      // Building the lift context may grow the heap, which says so.
      zel_test::captured().printed.clear();
    } else {
      set_field_prime(65521);
    }
  }
  void TearDown() override {
    ZEL_C(vectorize) = saved_v;
    ZEL_C(want_raw_output) = saved_raw;
    zel::reset_engine_memory();
  }
  uint32_t V() const { return ZEL_C(vectorize); }
  uint32_t P(uint32_t l) const { return ZEL_C(Primes)[l]; }
};

TEST_F(ResidueTest, InverseOnRandomResidues) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(3);
  std::vector<uint32_t> primes = {P(0)};
  if (kIntegerBuild) primes.push_back(P(V() - 1));
  if (!kIntegerBuild) primes = {65521, 32003, 3, 2};
  for (uint32_t p : primes) {
    EXPECT_EQ(inv_Dom(1, p), 1);
    EXPECT_EQ(inv_Dom(Dom(p - 1), p), Dom(p - 1));
    for (long i = 0; i < zel_test::iterations(20000); i++) {
      Dom a = Dom(1 + rng() % (p - 1));
      Dom u = inv_Dom(a, p);
      ASSERT_LT(uint32_t(u), p);
      ASSERT_EQ(uint64_t(a) * u % p, 1u) << "a=" << a << " p=" << p;
    }
  }
  if (kIntegerBuild)
    EXPECT_RAISES(inv_Dom(0, P(0)), "non inversible pour p=" + std::to_string(P(0)) + "!\n");
  else
    EXPECT_RAISES(inv_Dom(0, 65521), "non inversible !\n");
}

// Every lane is made monic on its own, whatever the lanes before it were.
TEST_F(ResidueTest, MonicLanesOnRandomData) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(4);
  const uint32_t n = 37;
  for (long round = 0; round < zel_test::iterations(300); round++) {
    std::vector<std::vector<Dom>> lanes(V(), std::vector<Dom>(n));
    for (uint32_t l = 0; l < V(); l++) {
      for (uint32_t i = 0; i < n; i++) lanes[l][i] = Dom(rng() % P(l));
      switch (rng() % 4) {
        case 0: lanes[l][0] = 1; break;                 // already monic
        case 1: lanes[l][0] = Dom(P(l) - 1); break;     // -1: a negation
        default: lanes[l][0] = Dom(1 + rng() % (P(l) - 1)); break;
      }
    }
    auto before = lanes;
    std::vector<Dom*> ptrs;
    for (auto& lane : lanes) ptrs.push_back(lane.data());
    monic_lanes_d(ptrs.data(), V(), n);
    for (uint32_t l = 0; l < V(); l++) {
      ASSERT_EQ(lanes[l][0], 1) << "lane " << l;
      // The lane is its old self times the inverse of its old lead.
      uint64_t lead = before[l][0];
      for (uint32_t i = 0; i < n; i++)
        ASSERT_EQ(uint64_t(lanes[l][i]) * lead % P(l), before[l][i]) << "lane " << l << " i " << i;
    }
  }
}

TEST_F(ResidueTest, ScaleLaneNegatesWithoutTouchingZeros) {
  std::vector<Dom> c = {0, 1, Dom(P(0) - 1), 5};
  scale_lane_d(c.data(), 4, Dom(P(0) - 1), P(0));
  EXPECT_EQ(c, (std::vector<Dom>{0, Dom(P(0) - 1), 1, Dom(P(0) - 5)}));
}

TEST_F(ResidueTest, VectorsAndTheAllOnesProperty) {
  std::vector<uint32_t> v(V()), w(V());
  vect_set_one(v.data());
  for (uint32_t x : v) EXPECT_EQ(x, 1u);
  for (uint32_t l = 0; l < V(); l++) w[l] = 2 + l;
  vect_set(v.data(), w.data());
  EXPECT_EQ(v, w);
  vect_inv(v.data());
  for (uint32_t l = 0; l < V(); l++) EXPECT_EQ(uint64_t(v[l]) * w[l] % P(l), 1u);

  EXPECT_EQ(find_property(nullptr, 0), 1);
  std::vector<uint32_t> ones(3 * V(), 1);
  EXPECT_EQ(find_property(ones.data(), 3), 1);
  ones[2 * V() + V() - 1] = 2;
  EXPECT_EQ(find_property(ones.data(), 3), 0);
  if (!kIntegerBuild) {
    set_field_prime(2);
    uint32_t one = 1;
    EXPECT_EQ(find_property(&one, 1), 0);
  }
}

TEST_F(ResidueTest, NumberStringsMatchBigArithmetic) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(5);
  for (long round = 0; round < zel_test::iterations(500); round++) {
    int digits = 1 + int(rng() % 40);
    std::string num;
    for (int i = 0; i < digits; i++) num += char('0' + rng() % 10);
    bool neg = rng() % 2;
    std::string text = (neg ? " -" : "") + num;
    std::vector<uint32_t> v(V());
    if constexpr (kIntegerBuild) String_to_Dom_length(text.c_str(), v.data());
    for (uint32_t l = 0; l < V(); l++) {
      uint64_t r = 0;
      for (char ch : num) r = (r * 10 + uint64_t(ch - '0')) % P(l);
      if (neg && r) r = P(l) - r;
      if constexpr (kIntegerBuild) {
        ASSERT_EQ(v[l], r) << text;
      }
      ASSERT_EQ(complex_String_to_Dom(text.c_str(), uint32_t(text.size()), l), Dom(r)) << text;
    }
  }
}

TEST_F(ResidueTest, NumberStringEdgeCases) {
  const uint32_t p = P(0);
  EXPECT_EQ(complex_String_to_Dom("-12", 3, 0), Dom(p - 12));
  EXPECT_EQ(complex_String_to_Dom(" -12", 4, 0), Dom(p - 12));
  EXPECT_EQ(complex_String_to_Dom("1000000", 7, 0), Dom(1000000 % p));
  EXPECT_EQ(complex_String_to_Dom("-0", 2, 0), 0);
  // Only the given length is read, and a literal (read-only) string is fine.
  EXPECT_EQ(complex_String_to_Dom("123456789", 4, 0), Dom(1234 % p));
  EXPECT_RAISES(complex_String_to_Dom("12a4", 4, 0), "Not a number: \"12a4\"\n");
  EXPECT_RAISES(complex_String_to_Dom(" -", 2, 0), "Not a number: \" -\"\n");
  EXPECT_RAISES(String_Float_to_Dom_length(), "Pas fait String_Float_to_Dom_length\n");
}

TEST_F(ResidueTest, PrintingResidues) {
  ZEL_C(want_raw_output) = 0;
  EXPECT_EQ(see_Dom(1), 0);
  EXPECT_EQ(see_Dom(7), 1);
  ZEL_C(want_raw_output) = 1;
  EXPECT_EQ(see_Dom(1), 1);
  uint32_t v[3] = {4, 5, 6};
  display_tab_Dom(v, 3);
  EXPECT_EQ(zel_test::captured().printed, "71<4 5 6 >");
  zel_test::captured().printed.clear();
  ZEL_C(want_raw_output) = 0;
  display_tab_Dom(v, 3);
  EXPECT_EQ(zel_test::captured().printed, kIntegerBuild ? "NYA" : "");
}

}  // namespace
