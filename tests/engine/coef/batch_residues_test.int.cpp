// Integers modulo every prime of a batch at once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/coef/batch_residues.hpp"
#include "support/int_ref.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::RefZ;

namespace {

void agree_with_gmp(uint32_t form) {
  // Two groups of lanes, the second partly filled.
  const std::vector<uint32_t> primes = {2,           3,           7,           65521,
                                        2147483659u, 4294967279u, 4294967291u, 4294967231u,
                                        4294967197u, 7,           2};
  const uint32_t V = uint32_t(primes.size());
  BatchResidues batch(primes.data(), V);
  batch.use_form(form);
  std::vector<std::vector<Dom>> lanes(V, std::vector<Dom>(1));
  std::vector<Dom*> lane(V);
  for (uint32_t l = 0; l < V; ++l) lane[l] = lanes[l].data();
  auto rng = zel_test::make_rng(17);
  RefZ x;
  // Sizes grow and shrink again (the tables only grow), across the chunks
  // of the table (32 kChunkWords bits each); all-ones words give the
  // largest sums.
  const int chunk = 32 * int(BatchResidues::kChunkWords);
  for (int bits : {0, 1, 31, 32, 33, 64, 65, 200, 1000, 64, chunk - 1, chunk, chunk + 1,
                   3 * chunk + 32, 100000, 3}) {
    for (int trial = 0; trial < 8; ++trial) {
      if (trial == 0) {
        mpz_set_ui(x.v, 1);
        mpz_mul_2exp(x.v, x.v, bits);
        mpz_sub_ui(x.v, x.v, 1);
      } else {
        mpz_set_ui(x.v, 0);
        for (int b = 0; b < bits; b += 64) {
          mpz_mul_2exp(x.v, x.v, 64);
          mpz_add_ui(x.v, x.v, rng());
        }
        mpz_fdiv_r_2exp(x.v, x.v, bits);
      }
      if (trial % 2 == 1) mpz_neg(x.v, x.v);
      batch.put(*x.v, lane.data(), 0);
      for (uint32_t l = 0; l < V; ++l)
        EXPECT_EQ(lanes[l][0], mpz_fdiv_ui(x.v, primes[l])) << bits << " bits, prime " << primes[l];
    }
  }
  // The table stays within its chunk: the first batch for an integer of w
  // words has about 2 w primes, and a table of w rows would grow with w^2.
  EXPECT_LE(batch.table_entries(), size_t(BatchResidues::kChunkWords) * 16);
  // Scaled by the inverse of a leading coefficient, then no more.
  RefZ lead("-123456789123456789123456791"), inv, pp;
  batch.put(*lead.v, lane.data(), 0);
  batch.scale_to_one(lane.data(), 0);
  for (uint32_t l = 0; l < V; ++l) EXPECT_EQ(lanes[l][0], 1u);
  batch.put(*x.v, lane.data(), 0);
  for (uint32_t l = 0; l < V; ++l) {
    mpz_set_ui(pp.v, primes[l]);
    ASSERT_NE(mpz_invert(inv.v, lead.v, pp.v), 0);
    mpz_mul(inv.v, inv.v, x.v);
    EXPECT_EQ(lanes[l][0], mpz_fdiv_ui(inv.v, primes[l])) << "prime " << primes[l];
  }
  batch.unscaled();
  batch.put(*x.v, lane.data(), 0);
  for (uint32_t l = 0; l < V; ++l) EXPECT_EQ(lanes[l][0], mpz_fdiv_ui(x.v, primes[l]));
}

// Every form of the sums the processor runs (plain, AVX2, AVX-512), on
// integers shorter and much longer than the table.
TEST(BatchResiduesTest, AgreeWithGmpForEverySizeAndSign) {
  for (uint32_t form = 0; form < BatchResidues::form_count(); ++form) {
    SCOPED_TRACE("form " + std::to_string(form));
    agree_with_gmp(form);
  }
}

}  // namespace
