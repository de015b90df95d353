// The monomial hash: the naive base-65536 reading, additivity, and the 64-bit
// slot sum for primes above 2^31.
#include "engine/mono/expos_hash.hpp"

#include <gtest/gtest.h>

#include "mono_fixture.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

struct PrimeGuard {
  uint32_t saved = zel_hash_prime;
  ~PrimeGuard() { zel_hash_prime = saved; }
};

}  // namespace

TEST(ExposHash, MatchesNaiveReadingAndIsAdditive) {
  SEED_TRACE();
  PrimeGuard guard;
  auto rng = make_rng(3);
  for (uint32_t p : {5666677u, 617u, 75367u, 2469606199u, 4294967291u}) {
    zel_hash_prime = p;
    for (uint32_t n : {1u, 3u, 4u, 9u, 14u}) {
      use_layout(n, n);
      for (long it = 0; it < iterations(2000); ++it) {
        const NaiveMono a = random_mono(rng), b = random_mono(rng);
        MonoBuf A(a), B(b), P(naive_mul(a, b));
        const uint32_t ha = hash_Expos(A.w()), hb = hash_Expos(B.w());
        ASSERT_EQ(ha, naive_hash(a, p));
        ASSERT_LT(ha, p);
        ASSERT_EQ(hash_Expos(P.w()), add_hash(ha, hb)) << "p=" << p;
        // Equal monomials always hash alike, whatever their buffers.
        MonoBuf A2(a);
        ASSERT_EQ(hash_Expos(A2.w()), ha);
      }
    }
  }
}

TEST(ExposHash, SlotSumDoesNotWrapForTheLargestPrime) {
  PrimeGuard guard;
  zel_hash_prime = 2469606199u;
  const uint32_t top = 2469606198u;
  EXPECT_EQ(add_hash(top, top), 2469606197u);
  EXPECT_EQ(add_hash(top, 1), 0u);
  EXPECT_EQ(add_hash(2000000000u, 2000000000u), 4000000000u - 2469606199u);
}

TEST(ExposHash, SetHashWritesHeadersAndSkipsMissingMonomials) {
  use_layout(5, 5);
  MonoBuf a({3, 0, 1, 0, 0, 2, 0, 0}), b({0, 0, 0, 0, 0, 0, 0, 0});
  put_hash(a.hdr(), ~uint64_t(0));
  put_hash(b.hdr(), ~uint64_t(0));
  Expos* array[3] = {a.hdr(), nullptr, b.hdr()};
  set_hash(3, array);
  EXPECT_EQ(get_hash(a.hdr()), hash_Expos(a.w()));
  EXPECT_EQ(get_hash(b.hdr()), 0u);
}
