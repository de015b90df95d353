// Printing with lifted coefficients and rational interpolation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/api/api_session.hpp"
#include "engine/api/session.hpp"
#include "engine/coef/lift_print.hpp"
#include "engine/coef/residue.hpp"
#include "support/int_ref.hpp"

using namespace zel::ZEL_BUILD;

namespace {

struct LiftPrintTest : ::testing::Test {
  zel_test::TestHost host{4};
  int32_t saved_raw = ZEL_C(want_raw_output);
  int32_t saved_secure = want_secure;
  void SetUp() override {
    zel_test::start_session(3, 0);
    ZEL_C(reset_coeffs)(5);
    ZEL_C(want_raw_output) = 0;
    zel_test::captured().printed.clear();
  }
  void TearDown() override {
    ZEL_C(want_raw_output) = saved_raw;
    want_secure = saved_secure;
    ZEL_C(reset_memory)();
  }
  std::string printed() {
    std::string s = zel_test::captured().printed;
    zel_test::captured().printed.clear();
    return s;
  }
};

// num/den modulo p (den invertible, |num| small).
uint32_t fraction_mod(int64_t num, uint32_t den, uint32_t p) {
  const uint64_t n = uint64_t(num % int64_t(p) + int64_t(p)) % p;
  return uint32_t(n * inv_Dom(Dom(den % p), p) % p);
}

Expos* monomial(std::vector<I32> e) {
  return static_cast<Expos*>(ZEL_C(assign_expos)(e.data(), UI32(e.size())));
}

// (1/2) x0 - (3/2) x1 - x2 + 5.
Dpol* four_terms() {
  const int64_t num[] = {1, -3, -1, 5};
  const uint32_t den[] = {2, 2, 1, 1};
  Dpol* p = new_Dpol(4);
  p->mono[0] = monomial({1, 0, 0});
  p->mono[1] = monomial({0, 1, 0});
  p->mono[2] = monomial({0, 0, 1});
  p->mono[3] = monomial({0, 0, 0});
  for (uint32_t l = 0; l < 5; l++)
    for (uint32_t t = 0; t < 4; t++) lanes(p)[l][t] = fraction_mod(num[t], den[t], ZEL_C(Primes)[l]);
  return p;
}

TEST_F(LiftPrintTest, PolynomialsPrintTheirFractionsOrNothingButNya) {
  want_secure = 1;
  Dpol* p = four_terms();
  pending_display = "P: ";
  ZEL_C(see_Dpol)(p);
  EXPECT_EQ(printed(), "f1 = P: (1/2)*x0+(-3/2)*x1 -x2+5*1");
  EXPECT_EQ(pending_display, nullptr);
  EXPECT_EQ(want_output_is_bad, 0);

  // Lane 0 of the second coefficient disagrees with the others: no fraction
  // within one batch's bound fits, and the pending text is dropped unseen.
  lanes(p)[0][1] = 123456789;
  pending_display = "P: ";
  ZEL_C(see_Dpol)(p);
  EXPECT_EQ(printed(), "f1 = ");
  EXPECT_EQ(pending_display, nullptr);
  EXPECT_EQ(want_output_is_bad, 1);
  ZEL_C(see_Dpol)(p);
  EXPECT_EQ(printed(), "f1 = NYA");
  want_output_is_bad = 0;
}

// Not secure: a term whose coefficient does not lift says so in its place.
TEST_F(LiftPrintTest, WithoutSecurePrintingEachTermLiftsOnItsOwn) {
  want_secure = 0;
  Dpol* p = four_terms();
  lanes(p)[0][1] = 123456789;
  ZEL_C(see_Dpol)(p);
  EXPECT_EQ(printed(), "f1 = (1/2)*x0+NYA*x1 -x2+5*1");
  EXPECT_EQ(want_output_is_bad, 1);
  want_output_is_bad = 0;
}

TEST_F(LiftPrintTest, UnivariatePrintingSkipsOnlyDegreesZeroInEveryLane) {
  const uint32_t* pr = ZEL_C(Primes);
  const uint32_t p0 = pr[0];
  // p0 T^3 + 0 T^2 - T + 3: p0 is 0 in lane 0 but a coefficient all the same.
  const uint32_t stride = 4;
  std::vector<uint32_t> c(stride * 5);
  for (uint32_t k = 0; k < 5; k++) {
    c[3 + k * stride] = p0 % pr[k];
    c[2 + k * stride] = 0;
    c[1 + k * stride] = pr[k] - 1;
    c[0 + k * stride] = 3;
  }
  display_univ(c.data(), 3, stride, 5, pr, "T");
  EXPECT_EQ(printed(), std::to_string(p0) + "*T^3-T+3");
}

TEST_F(LiftPrintTest, RationalInterpolationPerGroupOfLanesPrintsTheFunction) {
  // Two groups of eight lanes, one prime each.
  const uint32_t q[2] = {ZEL_C(Primes)[3], ZEL_C(Primes)[4]};
  std::vector<uint32_t> lane_primes(16), points(16), values(16);
  for (uint32_t l = 0; l < 16; l++) {
    const uint64_t p = q[l / 8];
    lane_primes[l] = uint32_t(p);
    const uint64_t x = 10 + l % 8;
    // (2x + 1) / (x^2 + 3)
    points[l] = uint32_t(x);
    values[l] = uint32_t((2 * x + 1) % p * inv_Dom(Dom((x * x + 3) % p), uint32_t(p)) % p);
  }
  uint32_t* saved_ori = Primes_ori;
  const uint32_t saved_max = ZEL_C(maxi_vectorize);
  Primes_ori = lane_primes.data();
  ZEL_C(maxi_vectorize) = 16;
  EXPECT_EQ(ZEL_C(param_lift)(points.data(), values.data()), 1);
  EXPECT_EQ(printed(), "[0][0](2*T+1)/(T^2+3)");
  // Equal points fail on every call, not only on the first one.
  points[9] = points[10];
  for (int call = 0; call < 2; call++)
    EXPECT_RAISES(ZEL_C(param_lift)(points.data(), values.data()),
                  "incoherence dans data: 12 = 12\n");
  Primes_ori = saved_ori;
  ZEL_C(maxi_vectorize) = saved_max;
}

}  // namespace
