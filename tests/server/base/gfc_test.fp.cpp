// GFC: arithmetic against plain 64-bit remainders, the inverse table over
// whole fields, the parser and the refusals of bad moduli.
#include "server/base/gfc.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "server/log_capture.hpp"
#include "support/seeds.hpp"

using namespace orv::ORV_BUILD;

namespace {

struct GfcTest : ::testing::Test {
  void SetUp() override {
    init_GFC();
    set_module_GFC(DEFAULT_MODULE_GFC);
  }
};

}  // namespace

TEST_F(GfcTest, InitInstallsTheDefaultPrimeAndItsInverses) {
  EXPECT_EQ(MAGIC, 65521u);
  EXPECT_EQ(inv_tab_GFC[0], 0u);
  EXPECT_EQ(inv_tab_GFC[2], 32761u);
  EXPECT_EQ(2u * 32761u % 65521u, 1u);
  EXPECT_EQ(Modulo6, 1000000u % 65521u);
  EXPECT_EQ(set_module_GFC(65521), 2);  // already current: table kept
  EXPECT_EQ(inv_tab_GFC[2], 32761u);
}

TEST_F(GfcTest, InverseTableIsCompleteForSeveralPrimes) {
  for (uint32_t p : {2u, 3u, 5u, 7919u, 65519u, 65521u}) {
    SCOPED_TRACE(p);
    EXPECT_EQ(set_module_GFC(p), 1);
    for (uint32_t x = 1; x < p; ++x) ASSERT_EQ(uint64_t{x} * inv_tab_GFC[x] % p, 1u) << x;
  }
}

TEST_F(GfcTest, ArithmeticAgreesWithSixtyFourBitRemainders) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(1);
  for (uint32_t p : {65521u, 40009u, 3u}) {
    set_module_GFC(p);
    for (long i = 0; i < zel_test::iterations(20000); ++i) {
      uint32_t a = rng() % p, b = rng() % p, c = rng() % p;
      ASSERT_EQ(add(a, b), (uint64_t{a} + b) % p);
      ASSERT_EQ(sub(a, b), (uint64_t{a} + p - b) % p);
      ASSERT_EQ(mult(a, b), uint64_t{a} * b % p);
      GFC l = a;
      lin_d(l, b, c);
      ASSERT_EQ(l, (uint64_t{a} + uint64_t{b} * c) % p);
      if (b != 0) {
        ASSERT_EQ(mult(quot(a, b), b), a);
      }
      int64_t v = static_cast<int64_t>(rng());
      ASSERT_EQ(cGFC(v), static_cast<uint32_t>(((v % int64_t(p)) + p) % p));
    }
  }
}

TEST_F(GfcTest, SmallFieldExhaustively) {
  const uint32_t p = 257;
  set_module_GFC(p);
  for (uint32_t a = 0; a < p; ++a)
    for (uint32_t b = 0; b < p; ++b) {
      ASSERT_EQ(add(a, b), (a + b) % p);
      ASSERT_EQ(sub(a, b), (a + p - b) % p);
      ASSERT_EQ(mult(a, b), a * b % p);
      GFC l = a;
      lin_d(l, b, (a * 7 + b) % p);
      ASSERT_EQ(l, (a + b * ((a * 7 + b) % p)) % p);
      ASSERT_EQ(quot(a, b), b ? a * inv_tab_GFC[b] % p : 0u);
    }
  // At the largest prime the 32-bit forms are closest to overflowing.
  set_module_GFC(65521);
  GFC l = 65520;
  lin_d(l, 65520, 65520);
  EXPECT_EQ(l, (65520ull + 65520ull * 65520ull) % 65521);
}

TEST_F(GfcTest, ConversionsAndPowers) {
  EXPECT_EQ(cGFC(-65521), 0u);
  EXPECT_EQ(cGFC(-1), 65520u);
  EXPECT_TRUE(is_neg_one(cGFC(-1)));
  EXPECT_EQ(inv(0), 0u);
  EXPECT_EQ(quot(5, 0), 0u);
  EXPECT_EQ(exp(7, 0), 1u);
  EXPECT_EQ(exp(0, 0), 1u);
  EXPECT_EQ(exp(7, -1), inv(7));
  EXPECT_EQ(exp(3, 5), 243u);
  EXPECT_EQ(exp(2, 65520), 1u);  // Fermat
  EXPECT_EQ(binomial_GFC(5, 2), 10u);
  EXPECT_EQ(binomial_GFC(5, 7), 0u);
  EXPECT_EQ(binomial_GFC(5, 0), 1u);
  EXPECT_EQ(binomial_GFC(-1, 0), 0u);
  EXPECT_EQ(binomial_GFC(30, 17), static_cast<uint32_t>(119759850ull % 65521));
}

TEST_F(GfcTest, UnreducedValuesAreInvertedModuloThePrime) {
  // pretend_GFC keeps raw words; their inverse must not be read past the
  // end of the table, nor be 0 for a unit.
  for (uint64_t raw : {65521ull + 2, 65535ull, 70000ull, 0xFFFFFFFFull}) {
    GFC a = pretend_GFC(raw);
    GFC reduced = static_cast<GFC>(raw % 65521);
    EXPECT_EQ(inv(a), inv(reduced)) << raw;
    EXPECT_EQ(quot(1, a), inv(reduced)) << raw;
    EXPECT_EQ(exp(a, -1), inv(reduced)) << raw;
  }
  EXPECT_EQ(inv(pretend_GFC(65521)), 0u);  // a multiple of p inverts to 0, as 0 does
}

TEST_F(GfcTest, StringsAreReadWithoutBeingWritten) {
  const char* s = "-12345678901234567";  // long path, read-only memory
  int64_t v = -12345678901234567LL;
  EXPECT_EQ(String_to_GFC(s), cGFC(v));
  EXPECT_EQ(String_to_GFC("42"), 42u);
  EXPECT_EQ(String_to_GFC("-42"), 65521u - 42u);
  EXPECT_EQ(String_to_GFC("1000000"), cGFC(1000000));
  EXPECT_EQ(String_to_GFC("123456"), cGFC(123456));
}

TEST(GfcDeath, StringsThatAreNotIntegersAreFatal) {
  init_GFC();
  EXPECT_EQ(String_to_GFC("+12345"), 12345u);  // a plus sign on a long string, too
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        String_to_GFC("12abc");
      },
      ::testing::ExitedWithCode(3), "String_to_GFC: \"12abc\" is not a decimal integer");
}

TEST_F(GfcTest, InformationLines) {
  orv_test::StreamCapture log;
  afficherHeader_GFC();
  afficher_NTL_GFC();
  inter_info_GFC();
  EXPECT_EQ(log.take(), "#coeffring modulo 65521\n65521\nEntier Z/65521Z codage classique \n");
}

TEST(GfcDeath, BadModuliAreFatal) {
  orv_test::use_fresh_children();
  auto fatal_on = [](uint32_t p) {
    orv::log_output = stderr;
    init_GFC();
    set_module_GFC(p);
  };
  EXPECT_EXIT(fatal_on(65535), ::testing::ExitedWithCode(3), "Prime must be < 65535 !");
  // 65533 = 13 * 71^2: the inverse table cannot be filled.
  EXPECT_EXIT(fatal_on(65533), ::testing::ExitedWithCode(3), "not a prime");
  EXPECT_EXIT(fatal_on(1), ::testing::ExitedWithCode(3), "not a prime");
  EXPECT_EXIT(fatal_on(0), ::testing::ExitedWithCode(3), "not a prime");
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        set_modules_GFC(nullptr, 1);
      },
      ::testing::ExitedWithCode(3), "set_module_GFC not implemented");
}

// Without a prime, cGFC would divide by zero.
TEST(GfcDeath, CoefficientsBeforeAnyPrimeAreRefused) {
  orv_test::use_fresh_children();
  auto early = [] {
    orv::log_output = stderr;
    MAGIC = 0;
    cGFC(5);
  };
  EXPECT_EXIT(early(), ::testing::ExitedWithCode(3), "cGFC: no prime is set");
}
