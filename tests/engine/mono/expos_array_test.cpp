// Homogenisation and the tests on the monomial arrays of polynomials.
#include "engine/mono/expos_array.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "engine/poly/dpol.hpp"
#include "mono_fixture.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

TEST(ExposArray, HomogenisesToTheLargestDegree) {
  use_layout(3, 3);  // x0 x1 x2, h = field 3
  MonoBuf a({2, 0, 0, 0}), b({0, 1, 0, 0}), one({0, 0, 0, 0});
  Expos* ms[4] = {a.hdr(), nullptr, b.hdr(), one.hdr()};
  EXPECT_EQ(homogenous_Dpol(4, ms), 2u);
  EXPECT_EQ(to_naive(a.w()), (NaiveMono{2, 0, 0, 0}));
  EXPECT_EQ(to_naive(b.w()), (NaiveMono{0, 1, 0, 1}));
  EXPECT_EQ(to_naive(one.w()), (NaiveMono{0, 0, 0, 2}));
  // Already homogeneous: unchanged.
  EXPECT_EQ(homogenous_Dpol(4, ms), 2u);
  EXPECT_EQ(to_naive(b.w()), (NaiveMono{0, 1, 0, 1}));
  EXPECT_EQ(homogenous_Dpol(0, ms), 0u);
}

// Raising the homogenising exponent to 2^15 would break divisibility and
// the orders: refused, and nothing is changed.
TEST(ExposArray, HomogenisationThatWouldOverflowIsFatal) {
  TestHost host;
  use_layout(3, 3);
  MonoBuf big({32767, 1, 0, 0}), one({0, 0, 0, 0});
  Expos* ms[2] = {big.hdr(), one.hdr()};
  EXPECT_RAISES(homogenous_Dpol(2, ms),
                "Homogenisation raises the exponent of the homogenising variable to 32768 (at "
                "most 32767)\n");
  EXPECT_EQ(to_naive(one.w()), (NaiveMono{0, 0, 0, 0}));
  MonoBuf edge({32766, 1, 0, 0});
  Expos* ok[2] = {edge.hdr(), one.hdr()};
  EXPECT_EQ(homogenous_Dpol(2, ok), 32767u);
  EXPECT_EQ(get_field(one.w(), 3), 32767u);
}

namespace {
void homogenise_too_far_with_default_host() {
  zel::set_host(zel::default_host());
  use_layout(3, 3);
  MonoBuf big({32767, 0, 9, 0}), one({0, 0, 0, 0});
  Expos* ms[2] = {big.hdr(), one.hdr()};
  homogenous_Dpol(2, ms);
}
}  // namespace

// With the default host a fatal error ends the process.
TEST(ExposArrayDeathTest, HomogenisationOverflowEndsTheProcessWithoutAHost) {
  EXPECT_EXIT(homogenise_too_far_with_default_host(), ::testing::ExitedWithCode(1),
              "Homogenisation raises the exponent of the homogenising variable to 32776");
}

TEST(ExposArray, EliminationAndPurePowers) {
  use_layout(5, 2);
  MonoBuf a({0, 0, 3, 1, 0, 0, 0, 0}), b({0, 1, 0, 0, 0, 0, 0, 0}), c({3, 0, 1, 0, 0, 0, 0, 0});
  Expos* free_of_block1[2] = {a.hdr(), nullptr};
  Expos* mixed[2] = {a.hdr(), b.hdr()};
  EXPECT_EQ(is_eliminated(2, free_of_block1, 2), 1);
  EXPECT_EQ(is_eliminated(2, mixed, 2), 0);
  EXPECT_EQ(is_eliminated(2, mixed, 0), 1);
  EXPECT_EQ(is_eliminated(0, mixed, 2), 1);
  EXPECT_EQ(is_eliminated(2, mixed, 1), 1);
  MonoBuf wide({0, 0, 0, 0, 1, 0, 0, 0});  // field 4 lies in the second word
  Expos* w[1] = {wide.hdr()};
  EXPECT_EQ(is_eliminated(1, w, 4), 1);
  EXPECT_EQ(is_eliminated(1, w, 5), 0);

  Expos* pc[1] = {c.hdr()};
  EXPECT_EQ(is_pure_power_i(pc, 0), 1);  // x0^3 * x2: x2 is in the second block
  EXPECT_EQ(is_pure_power_i(pc, 1), 0);
  MonoBuf d({1, 1, 0, 0, 0, 0, 0, 0});
  Expos* pd[1] = {d.hdr()};
  EXPECT_EQ(is_pure_power_i(pd, 0), 0);
}

TEST(ExposArray, ReducibilityIgnoresTheHomogenisingExponent) {
  use_layout(3, 3);
  MonoBuf f({2, 1, 0, 0}), g1({0, 0, 1, 0}), g2({1, 1, 0, 5});
  Expos* m1[1] = {g1.hdr()};
  Expos* m2[1] = {g2.hdr()};
  Dpol G1{}, G2{};
  G1.n = G2.n = 1;
  G1.mono = m1;
  G2.mono = m2;
  Expos* fm[1] = {f.hdr()};
  Dpol* both[2] = {&G1, &G2};
  EXPECT_EQ(is_reducible(fm, both, 1), 0);
  EXPECT_EQ(is_reducible(fm, both, 2), 1);  // x0*x1*h^5 divides x0^2*x1 once h is dropped
  EXPECT_EQ(is_reducible(fm, both, 0), 0);
  EXPECT_EQ(to_naive(g2.w()), (NaiveMono{1, 1, 0, 5}));
}
