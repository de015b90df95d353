// The default prime table, the chosen primes, inversion and monic lanes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/coef/default_primes.hpp"
#include "engine/coef/primes.hpp"
#include "engine/coef/residue.hpp"
#include "support/engine_memory.hpp"
#include "support/naive_arith.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;

namespace {

TEST(DefaultPrimes, AreTheLargestPrimesBelowTwoToThe32) {
  const uint32_t* t = zel::Zel_Default_Primes32();
  EXPECT_EQ(t[0], 4294075199u);
  EXPECT_EQ(t[zel::kDefaultPrimes - 1], 4294967291u);
  for (int32_t i = 0; i < zel::kDefaultPrimes; i++) {
    ASSERT_TRUE(zel_test::is_prime(t[i])) << t[i];
    if (i > 0) {
      ASSERT_LT(t[i - 1], t[i]);
    }
    // Nothing prime is skipped between two entries, nor above the last.
    uint64_t next = i + 1 < zel::kDefaultPrimes ? t[i + 1] : (uint64_t(1) << 32);
    for (uint64_t n = uint64_t(t[i]) + 1; n < next; n++) ASSERT_FALSE(zel_test::is_prime(n)) << n;
  }
  // The lowest entry is the 40000th prime from the top: the one below it is
  // prime too and absent.
  uint64_t below = t[0] - 1;
  while (!zel_test::is_prime(below)) below--;
  EXPECT_LT(below, t[0]);
  for (int32_t i = 0; i < zel::kDefaultPrimes; i += 997)
    EXPECT_TRUE(zel_test::is_prime_by_division(t[i]));
}

struct PrimeTableTest : ::testing::Test {
  zel_test::TestHost host{0};
  uint32_t saved_v = ZEL_C(vectorize), saved_max = ZEL_C(maxi_vectorize);
  void SetUp() override { zel_test::fresh_engine_memory(); }
  void TearDown() override {
    ZEL_C(vectorize) = saved_v;
    ZEL_C(maxi_vectorize) = saved_max;
    offset_primes = 0;
    zel::reset_engine_memory();
  }
};

TEST_F(PrimeTableTest, TheWindowIsChosenByOffset) {
  if (!kIntegerBuild) GTEST_SKIP() << "the integer build chooses its primes";
  ZEL_C(vectorize) = ZEL_C(maxi_vectorize) = 5;
  offset_primes = 0;
  init_Dom();
  const uint32_t top[5] = {4294967189u, 4294967197u, 4294967231u, 4294967279u, 4294967291u};
  for (int l = 0; l < 5; l++) {
    EXPECT_EQ(ZEL_C(Primes)[l], top[l]);
    EXPECT_EQ(Primes_ori[l], top[l]);
    EXPECT_EQ(modulo6[l], 1000000u);
    EXPECT_EQ(modulo32[l], uint32_t((uint64_t(1) << 32) % top[l]));
  }
  EXPECT_EQ(modulo32[4], 5u);
  EXPECT_EQ(numberOfPrimes(), 5u);
  EXPECT_EQ(listOfPrimes(), ZEL_C(Primes));

  const uint32_t* t = zel::Zel_Default_Primes32();
  offset_primes = 39995;
  init_Dom();
  for (int l = 0; l < 5; l++) EXPECT_EQ(ZEL_C(Primes)[l], t[l]);
  offset_primes = 17;
  init_Dom();
  for (int l = 0; l < 5; l++) EXPECT_EQ(ZEL_C(Primes)[l], t[40000 - 5 - 17 + l]);

  offset_primes = 39996;
  EXPECT_RAISES(init_Dom(), "Offset is not valid [2] ! 40000 5 39996 -1\n");
  offset_primes = 0;
  ZEL_C(vectorize) = 6;
  EXPECT_RAISES(init_Dom(), "Not enough primes in default table\n");
}

TEST_F(PrimeTableTest, InitRestartsTheRandomSequence) {
  if (!kIntegerBuild) GTEST_SKIP();
  init_Dom();
  long a = random();
  init_Dom();
  EXPECT_EQ(random(), a);
}

TEST_F(PrimeTableTest, FieldPrimeIsChecked) {
  set_field_prime(65521);
  EXPECT_EQ(ZEL_C(Primes)[0], 65521u);
  EXPECT_EQ(ZEL_C(vectorize), 1u);
  EXPECT_EQ(modulo6[0], 1000000u % 65521);
  EXPECT_EQ(modulo32[0], uint32_t((uint64_t(1) << 32) % 65521));
  EXPECT_RAISES(set_field_prime(65535),
                "The prime-field build needs a prime below 65536 (got 65535, which is not prime)\n");
  EXPECT_RAISES(set_field_prime(65537), "The prime-field build needs a prime below 65536 (got 65537)\n");
}

}  // namespace
