// The draw of primes outside the table: primes of the right range, fixed by
// ZEL_DRAW_SEED (which must be a whole decimal number), different in every
// forked child, and seeded from /dev/urandom where getrandom fails.
#include <gtest/gtest.h>

#include <sys/random.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "engine/coef/default_primes.hpp"
#include "engine/coef/primes.hpp"
#include "engine/coef/prime_draw.hpp"
#include "support/draw_seed.hpp"
#include "support/naive_arith.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::DrawSeed;

namespace {

TEST(PrimeDraw, IsPrime32AgreesWithTheReference) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(4711);
  for (int k = 0; k < zel_test::iterations(20000); ++k) {
    const uint32_t n = uint32_t(rng()) | 1;
    ASSERT_EQ(is_prime32(n), zel_test::is_prime(n)) << n;
  }
  for (uint32_t n = 0; n < 5000; ++n) ASSERT_EQ(is_prime32(n), zel_test::is_prime_by_division(n));
  // Strong pseudoprimes to some of the bases.
  for (uint32_t n : {2047u, 1373653u, 25326001u, 3215031751u, 4294967291u, 4294967295u})
    EXPECT_EQ(is_prime32(n), zel_test::is_prime_by_division(n)) << n;
}

TEST(PrimeDraw, DrawsPrimesBetweenThreeTimesTwoToThe30AndTheTable) {
  DrawSeed fixed("12345");
  const uint32_t smallest = zel::Zel_Default_Primes32()[0];
  std::set<uint32_t> seen;
  for (int k = 0; k < 2000; ++k) {
    const uint32_t p = draw_prime();
    ASSERT_GT(p, uint32_t(3) << 30);
    ASSERT_LT(p, smallest);
    ASSERT_TRUE(zel_test::is_prime(p)) << p;
    seen.insert(p);
  }
  EXPECT_GT(seen.size(), 1990u);
}

TEST(PrimeDraw, TheSeedFixesTheDraw) {
  std::vector<uint32_t> first, again;
  {
    DrawSeed fixed("5");
    for (int k = 0; k < 20; ++k) first.push_back(draw_prime());
  }
  {
    DrawSeed fixed("5");
    for (int k = 0; k < 20; ++k) again.push_back(draw_prime());
  }
  EXPECT_EQ(first, again);
}

std::vector<uint32_t> draw_primes(int count) {
  std::vector<uint32_t> primes;
  for (int k = 0; k < count; ++k) primes.push_back(draw_prime());
  return primes;
}

// An empty seed is no seed: the draw comes from the system's entropy.
TEST(PrimeDraw, AnEmptySeedLeavesTheDrawRandom) {
  DrawSeed empty("");
  const std::vector<uint32_t> first = draw_primes(8);
  reseed_prime_draw();
  EXPECT_NE(draw_primes(8), first);
}

// Anything but a whole decimal number below 2^64 ends the request, which
// would otherwise run on a seed the caller never meant.
TEST(PrimeDraw, ASeedThatIsNotAWholeDecimalNumberIsRefused) {
  zel_test::TestHost host(0);
  DrawSeed unset(nullptr);
  for (const char* seed :
       {"abc", " 0", "0 ", "1x", "-1", "+1", "18446744073709551616", "99999999999999999999999"}) {
    setenv("ZEL_DRAW_SEED", seed, 1);
    EXPECT_RAISES(reseed_prime_draw(),
                  "ZEL_DRAW_SEED must be a whole decimal number below 2^64, not \"" +
                      std::string(seed) + "\"\n");
  }
  setenv("ZEL_DRAW_SEED", "18446744073709551615", 1);
  EXPECT_NO_THROW(reseed_prime_draw());
}

int entropy_calls = 0;
int entropy_errno = 0;
ssize_t failing_entropy(void*, size_t, unsigned) {
  ++entropy_calls;
  errno = entropy_errno;
  return -1;
}

// Without getrandom (an old kernel, or a filter that forbids it) the draw
// is seeded from /dev/urandom, still at random.
TEST(PrimeDraw, WithoutGetrandomTheDrawReadsDevUrandom) {
  zel_test::TestHost host(0);
  DrawSeed unset(nullptr);
  struct Restore {
    ~Restore() { prime_draw_entropy = getrandom; }
  } restore;
  prime_draw_entropy = failing_entropy;
  for (int error : {ENOSYS, EPERM}) {
    entropy_errno = error;
    entropy_calls = 0;
    reseed_prime_draw();
    const std::vector<uint32_t> first = draw_primes(8);
    reseed_prime_draw();
    EXPECT_NE(draw_primes(8), first) << error;
    EXPECT_EQ(entropy_calls, 2) << error;
  }
}

// Two children forked after the parent drew draw afresh, each its own primes.
TEST(PrimeDraw, ForkedChildrenDrawAfresh) {
  DrawSeed fresh(nullptr);
  draw_prime();
  uint32_t got[2] = {};
  for (uint32_t& g : got) {
    int fd[2];
    ASSERT_EQ(pipe(fd), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      uint32_t p[4];
      for (uint32_t& q : p) q = draw_prime();
      const bool written = write(fd[1], p, sizeof p) == ssize_t(sizeof p);
      _exit(written ? 0 : 1);
    }
    close(fd[1]);
    uint32_t p[4] = {};
    EXPECT_EQ(read(fd[0], p, sizeof p), ssize_t(sizeof p));
    close(fd[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    g = p[0] ^ p[1] ^ p[2] ^ p[3];
  }
  EXPECT_NE(got[0], got[1]);
}

}  // namespace
