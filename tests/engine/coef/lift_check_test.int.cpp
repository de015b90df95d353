// A lifted polynomial checked against the residues of a batch.
#include <gtest/gtest.h>

#include <vector>

#include "engine/coef/lift_check.hpp"
#include "support/int_ref.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::RefZ;

namespace {

// A lift wrong by a multiple of the first primes agrees with them: only the
// primes it spares show it, so a check must read every lane.
TEST(LiftCheckTest, AWrongLiftIsCaughtAtTheOneLaneThatShowsIt) {
  const std::vector<uint32_t> primes = {2, 3, 7, 65521, 4294967291u};
  const uint32_t V = uint32_t(primes.size());
  std::vector<RefZ> c = {RefZ("5"), RefZ("-12"), RefZ("123456789012345678901234567890"),
                         RefZ("0"), RefZ("-77")};
  const uint32_t t = uint32_t(c.size());
  // The residues of 3 c modulo each prime.
  std::vector<std::vector<Dom>> m(V, std::vector<Dom>(t));
  std::vector<Dom*> lane(V);
  for (uint32_t l = 0; l < V; ++l) {
    lane[l] = m[l].data();
    for (uint32_t k = 0; k < t; ++k) m[l][k] = Dom(3 * mpz_fdiv_ui(c[k].v, primes[l]) % primes[l]);
  }
  auto agrees = [&](uint32_t lanes) {
    std::vector<INT> coeffs(t);
    for (uint32_t k = 0; k < t; ++k) coeffs[k] = *c[k].v;
    BatchResidues batch(primes.data(), lanes);
    return lift_agrees(coeffs.data(), t, lane.data(), primes.data(), lanes, batch);
  };
  EXPECT_TRUE(agrees(V));
  // Off by 2 * 3 * 7 * 65521: right modulo every prime but the last.
  mpz_add_ui(c[2].v, c[2].v, 2 * 3 * 7 * 65521);
  EXPECT_TRUE(agrees(V - 1));
  EXPECT_FALSE(agrees(V));
}

}  // namespace
