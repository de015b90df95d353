// One batch of the integer build's main loop, lane by lane, against the
// naive reduced basis modulo each lane's prime; bad primes of the input.
#include <gtest/gtest.h>

#include <random>

#include "engine/driver/gbasis.hpp"
#include "engine/f4/trace.hpp"
#include "support/engine_lanes_gb.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;
using buchberger::NaiveGroebner;
using buchberger::NGPoly;

namespace {

IntPoly random_poly(std::mt19937_64& rng, uint32_t n, uint32_t maxdeg, uint32_t terms) {
  IntPoly f;
  for (uint32_t t = 0; t < terms; ++t) {
    std::vector<uint32_t> e(n, 0);
    const uint32_t d = uint32_t(rng() % (maxdeg + 1));
    for (uint32_t k = 0; k < d; ++k) e[rng() % n] += 1;
    // Small coefficients and large ones of either sign.
    const int64_t c = t % 3 == 0 ? int64_t(rng() % (int64_t(1) << 50)) - (int64_t(1) << 49)
                                 : int64_t(rng() % 41) - 20;
    f.push_back({e, c ? c : 1});
  }
  return f;
}

// Lane l of the engine's basis is the naive reduced basis modulo its prime.
// Returns the size of the basis.
size_t expect_every_lane(EngineLanesGB& e, const std::vector<IntPoly>& F, uint32_t first_block) {
  const auto got = e.basis(F);
  EXPECT_FALSE(batch_unusable());
  for (uint32_t l = 0; l < got.size(); ++l) {
    SCOPED_TRACE("lane " + std::to_string(l) + " p=" + std::to_string(e.prime(l)));
    if (lane_is_bad(l)) continue;
    NaiveGroebner gb{{int(first_block)}, e.prime(l)};
    const auto want = gb.basis(naive_polys(gb, modulo(F, e.prime(l))));
    auto mine = naive_polys(gb, got[l]);
    gb.sort_basis(mine);
    EXPECT_EQ(mine, want);
  }
  return got[0].size();
}

TEST(GbasisLanes, EveryLaneGivesTheNaiveReducedBasisModuloItsPrime) {
  SEED_TRACE();
  TestHost host(0);
  auto rng = make_rng(73);
  for (long it = 0; it < iterations(24); ++it) {
    const bool drl = it & 1;
    const uint32_t n = 2 + uint32_t(rng() % (drl ? 3 : 2));
    const uint32_t s = drl ? n : 1 + uint32_t(rng() % (n - 1));
    std::vector<IntPoly> F;
    const uint32_t m = 2 + uint32_t(rng() % 2);
    for (uint32_t k = 0; k < m; ++k)
      F.push_back(random_poly(rng, n, n == 4 ? 2 : 3, 2 + uint32_t(rng() % 4)));
    const uint32_t V = 1 + uint32_t(it % 5) * 3;
    SCOPED_TRACE("iteration " + std::to_string(it) + " n=" + std::to_string(n) +
                 " s=" + std::to_string(s) + " lanes=" + std::to_string(V));
    {
      // The first batch writes the trace ...
      EngineLanesGB e(n, s, V, uint32_t(it * 7 % 40), true);
      expect_every_lane(e, F, s);
      EXPECT_EQ(bad_prime_count(), 0u);
    }
    {
      // ... and a batch of other primes, of another width, replays it.
      EngineLanesGB e(n, s, V + 2, 100 + uint32_t(it), false);
      expect_every_lane(e, F, s);
      EXPECT_EQ(bad_prime_count(), 0u);
    }
  }
}

TEST(GbasisLanes, StandardSystemsLaneByLane) {
  TestHost host(0);
  for (const auto& [sys, size] :
       {std::pair<System, size_t>{cyclic(5, 2147483647u), 20}, {katsura(5, 2147483647u), 22}}) {
    SCOPED_TRACE(sys.name);
    const auto F = integer_polys(sys);
    EngineLanesGB e(sys.nvars, sys.nvars, 3, 0, true);
    EXPECT_EQ(expect_every_lane(e, F, sys.nvars), size);
    EXPECT_EQ(bad_prime_count(), 0u);
  }
}

TEST(GbasisLanes, APrimeDividingALeadingCoefficientIsReportedNeverFatal) {
  TestHost host(0);
  // x^2 + y^2 - 1 and c*x*y - 2 with c a prime of the batch.
  auto system = [](int64_t c) {
    return std::vector<IntPoly>{{{{2, 0}, 1}, {{0, 2}, 1}, {{0, 0}, -1}},
                                {{{1, 1}, c}, {{0, 0}, -2}}};
  };
  {
    EngineLanesGB e(2, 2, 4, 0, true);
    const auto F = system(e.prime(2));
    expect_every_lane(e, F, 2);
    EXPECT_EQ(bad_prime_of_lane(2), BadPrime::divides_lead);
    EXPECT_EQ(bad_prime_count(), 1u);
  }
  {
    // Lane 0 leads the batch: nothing is computed.
    EngineLanesGB e(2, 2, 4, 0, true);
    const auto got = e.basis(system(e.prime(0)));
    EXPECT_TRUE(batch_unusable());
    EXPECT_EQ(bad_prime_of_lane(0), BadPrime::divides_lead);
    EXPECT_TRUE(got[0].empty());
  }
}

// With want_rr the basis {x1^2 - 5, x0 - 2 x1 - 3}, in shape position,
// comes back with its rational parametrisation: x0 - 2 x1 - 3 times
// f'/2 = x1 modulo x1^2 - 5 is x0 - 3 x1 - 10.
TEST(GbasisLanes, TheRationalParametrisationIsAppliedWhenAsked) {
  TestHost host(0);
  EngineLanesGB e(2, 2, 3, 0, true);
  struct Reset {
    ~Reset() { want_rr = 0; }
  } reset;
  want_rr = 1;
  const auto got =
      e.basis({{{{1, 0}, 1}, {{0, 1}, -2}, {{0, 0}, -3}}, {{{0, 2}, 1}, {{0, 0}, -5}}});
  for (uint32_t l = 0; l < got.size(); ++l) {
    const uint32_t p = e.prime(l);
    EXPECT_EQ(got[l], (std::vector<SysPoly>{{{{0, 2}, 1}, {{0, 0}, p - 5}},
                                            {{{1, 0}, 1}, {{0, 1}, p - 3}, {{0, 0}, p - 10}}}))
        << "lane " << l;
  }
}

}  // namespace
