// The text form of monomials.
#include "engine/mono/expos_print.hpp"

#include <gtest/gtest.h>

#include "mono_fixture.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

std::string printed(const void* m, int header) {
  captured() = Captured{};
  see_Expos2(m, header);
  return captured().printed;
}

struct ExposPrint : ::testing::Test {
  TestHost host;
  const char* names[3] = {"x1", "x2", "x3"};
  void SetUp() override {
    use_layout(3, 3);
    for (int i = 0; i < 3; ++i) Liste_variables[i] = names[i];
    Liste_variables[3] = "?";
  }
  void TearDown() override {
    for (int i = 0; i < 4; ++i) Liste_variables[i] = nullptr;
    real_nb_of_affine_variables = nb_of_affine_variables;
  }
};

}  // namespace

TEST_F(ExposPrint, FactorsNamesAndPowers) {
  MonoBuf a({2, 0, 1, 0}), one({0, 0, 0, 0}), x2({0, 1, 0, 0}), h2({0, 0, 0, 2});
  EXPECT_EQ(printed(a.w(), 0), "x1^2*x3");
  EXPECT_EQ(printed(a.hdr(), 1), "x1^2*x3");
  EXPECT_EQ(printed(one.w(), 0), "1");
  EXPECT_EQ(printed(x2.w(), 0), "x2");
  EXPECT_EQ(printed(h2.w(), 0), "?^2");
  EXPECT_EQ(printed(nullptr, 0), "1");
  MonoBuf big({32767, 1, 1, 1});
  EXPECT_EQ(printed(big.w(), 0), "x1^32767*x2*x3*?");
  // A name holding "%" is written as it stands.
  const char* odd = "p%s";
  Liste_variables[1] = odd;
  EXPECT_EQ(printed(x2.w(), 0), "p%s");
  Liste_variables[1] = nullptr;
  EXPECT_EQ(printed(x2.w(), 0), "?");
  real_nb_of_affine_variables = 4294967295u;
  EXPECT_EQ(printed(a.w(), 0), "1");
}
