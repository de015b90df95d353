// The integer build's elimination on several residue lanes: every lane
// against a dense reduced echelon form modulo its prime, the first-prime
// trace written and replayed, and the bad primes of a batch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "engine/coef/primes.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/f4/accumulator.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/trace.hpp"
#include "engine/mem/zone.hpp"
#include "support/dense_rref.hpp"
#include "support/engine_lanes_gb.hpp"
#include "support/engine_memory.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

// A batch of V primes `offset` primes below the top of the table, writing
// or replaying the trace.
struct LaneSession : EngineLanesGB {
  TestHost host{4};
  LaneSession(uint32_t V, uint32_t offset, bool write) : EngineLanesGB(1, 1, V, offset, write) {}
};

// A row over the integers, densely over columns 1 .. ncols.
struct IntRow {
  std::vector<int64_t> dense;
  uint32_t serial;
  bool reduce;
};

size_t lead_of(const std::vector<int64_t>& d) {
  size_t c = 0;
  while (c < d.size() && d[c] == 0) ++c;
  return c;
}

// The row's integer terms, lane l holding their residues modulo its prime
// (possibly 0, where the prime divides the integer).
CodedRow* code_row(const IntRow& t) {
  const uint32_t V = ZEL_C(vectorize);
  const uint32_t ncols = uint32_t(t.dense.size());
  const size_t lead = lead_of(t.dense);
  std::vector<uint32_t> offs;
  for (size_t c = lead; c < ncols; ++c)
    if (t.dense[c]) offs.push_back(uint32_t(c - lead));
  auto* row = static_cast<CodedRow*>(alloc64(coded_row_bytes(V)));
  uint32_t ncodes = 0, nbytes = 0;
  row->code = compress_lzw(offs.data(), uint32_t(offs.size()), &ncodes, &nbytes);
  for (uint32_t l = 0; l < V; ++l) {
    Dom* c = static_cast<Dom*>(alloc64(offs.size() * sizeof(Dom) + 8));
    for (size_t j = 0; j < offs.size(); ++j)
      c[j] = residue_of(t.dense[lead + offs[j]], ZEL_C(Primes)[l]);
    row->coeffs[l] = c;
  }
  *row = CodedRow{
      row->code, {0, t.reduce}, uint32_t(lead + 1), ncols - uint32_t(lead), t.serial, t.reduce,
      ncodes,    CODE_LZW};
  return row;
}

// Runs the elimination; the new rows of each lane, densely.
std::vector<std::vector<DenseRow>> eliminate(const std::vector<IntRow>& rows, uint32_t ncols) {
  const uint32_t V = ZEL_C(vectorize);
  ZoneScope scope;
  std::vector<CodedRow*> coded;
  uint32_t nreduce = 0;
  for (const IntRow& t : rows) {
    coded.push_back(code_row(t));
    nreduce += t.reduce;
  }
  std::vector<CodedRow*> out(nreduce + 1);
  const uint32_t n =
      eliminate_rows(coded.data(), uint32_t(coded.size()), ncols, nreduce, out.data());
  std::vector<std::vector<DenseRow>> res(V);
  std::vector<uint32_t> offs(ncols + 1);
  for (uint32_t k = 0; k < n; ++k) {
    const uint32_t m = decode_gaps(out[k]->code, out[k]->ncodes, offs.data());
    for (uint32_t l = 0; l < V; ++l) {
      DenseRow d(ncols, 0);
      for (uint32_t i = 0; i < m; ++i) d[out[k]->lead - 1 + offs[i]] = out[k]->coeffs[l][i];
      res[l].push_back(d);
    }
  }
  return res;
}

// The new rows of the reduced echelon form modulo p (pivots off the
// reducers' columns).
std::vector<DenseRow> expected_new_rows(const std::vector<IntRow>& rows, uint32_t p) {
  std::vector<DenseRow> all;
  std::vector<bool> reducer_col(rows[0].dense.size(), false);
  for (const IntRow& t : rows) {
    DenseRow d;
    for (int64_t c : t.dense) d.push_back(residue_of(c, p));
    all.push_back(d);
    if (!t.reduce) reducer_col[lead_of(t.dense)] = true;
  }
  std::vector<DenseRow> out;
  for (DenseRow& r : dense_rref(all, p))
    if (!reducer_col[pivot_of(r)]) out.push_back(r);
  return out;
}

// Reducers on distinct columns with leading coefficient 1, then rows to be
// reduced with small integer coefficients, some combinations of earlier
// rows (zero rows over the rationals, so modulo every prime).
std::vector<IntRow> random_matrix(std::mt19937_64& rng, uint32_t ncols, uint32_t nred,
                                  uint32_t nrows, uint32_t density_pct) {
  std::vector<IntRow> rows;
  std::uniform_int_distribution<int64_t> coef(-60, 60);
  std::uniform_int_distribution<uint32_t> pct(0, 99);
  auto entry = [&] {
    int64_t c = 0;
    while (c == 0) c = coef(rng);
    return c;
  };
  auto row_led_by = [&](uint32_t lead, int64_t first) {
    std::vector<int64_t> d(ncols, 0);
    d[lead] = first;
    for (uint32_t c = lead + 1; c < ncols; ++c)
      if (pct(rng) < density_pct) d[c] = entry();
    return d;
  };
  std::vector<uint32_t> cols(ncols);
  for (uint32_t c = 0; c < ncols; ++c) cols[c] = c;
  std::shuffle(cols.begin(), cols.end(), rng);
  uint32_t serial = 1;
  for (uint32_t k = 0; k < nred && k < ncols; ++k)
    rows.push_back({row_led_by(cols[k], 1), serial++, false});
  // Combinations of the reducers and the first two rows, none a
  // combination itself: entries stay small.
  const size_t plain = rows.size() + 2;
  for (uint32_t k = 0; k < nrows; ++k) {
    std::vector<int64_t> d(ncols, 0);
    if (k >= 2 && pct(rng) < 30) {
      const IntRow &a = rows[rng() % plain], &b = rows[rng() % plain];
      const int64_t u = coef(rng), v = coef(rng);
      for (uint32_t c = 0; c < ncols; ++c) d[c] = u * a.dense[c] + v * b.dense[c];
    }
    if (lead_of(d) == ncols) d = row_led_by(uint32_t(rng() % ncols), entry());
    rows.push_back({d, serial++, true});
  }
  return rows;
}

void expect_every_lane_exact(const std::vector<IntRow>& rows, uint32_t ncols) {
  const auto got = eliminate(rows, ncols);
  for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) {
    SCOPED_TRACE("lane " + std::to_string(l));
    EXPECT_EQ(got[l], expected_new_rows(rows, ZEL_C(Primes)[l]));
  }
  EXPECT_EQ(bad_prime_count(), 0u);
}

TEST(EliminationLanes, EveryLaneGivesTheReducedEchelonFormModuloItsPrime) {
  SEED_TRACE();
  auto rng = make_rng(61);
  for (long it = 0; it < iterations(30); ++it) {
    const uint32_t V = 1 + uint32_t(it % 6) * 3;
    const uint32_t ncols = 1 + uint32_t(rng() % 80);
    const uint32_t density = it % 3 == 2 ? 90 : 5 + uint32_t(rng() % 50);
    const auto rows =
        random_matrix(rng, ncols, uint32_t(rng() % (ncols + 1)), 1 + uint32_t(rng() % 40), density);
    SCOPED_TRACE("iteration " + std::to_string(it) + " lanes " + std::to_string(V));
    // Every other matrix reads its pivots' lanes in place, without copies.
    const uint64_t copies = tail_copy_limit;
    if (it % 2) tail_copy_limit = 0;
    // The first batch writes the trace; a batch of other primes replays it,
    // skipping the rows the trace knows to be zero, to the same shape.
    LaneSession s(V, 0, true);
    expect_every_lane_exact(rows, ncols);
    const std::string trace = simul_string ? simul_string : "";
    s.batch(V + 2, 7, false);
    expect_every_lane_exact(rows, ncols);
    EXPECT_EQ(simul_string_index, trace.size()) << trace;
    tail_copy_limit = copies;
  }
}

TEST(EliminationLanes, TraceWritesAndReplaysItsItems) {
  LaneSession s(3, 0, true);
  simul_out("+", 12), simul_out("*", 0), simul_out("+", 7);
  EXPECT_STREQ(simul_string, "+12*+7");
  s.batch(3, 0, false);
  EXPECT_EQ(next_syz_non_zero(), 12u);
  select_lane(2);  // the other lanes get the last value read, in place
  EXPECT_EQ(next_syz_non_zero(), 12u);
  select_lane(0);
  EXPECT_EQ(next_syz_non_zero(), 0u);
  EXPECT_EQ(next_syz_non_zero(), 7u);
  EXPECT_FALSE(trace_exhausted());
  EXPECT_EQ(next_syz_non_zero(), 1u);
  EXPECT_TRUE(trace_exhausted());
  // "+" alone reads as 0; with the trace ignored nothing is read.
  s.batch(3, 0, true);
  simul_out("+", 0);
  s.batch(3, 0, false);
  ZEL_C(want_ignore_simulin) = 1;
  EXPECT_EQ(next_syz_non_zero(), 1u);
  ZEL_C(want_ignore_simulin) = 0;
  EXPECT_EQ(next_syz_non_zero(), 0u);
  // A trace exactly as long as its limit is accepted, one more character
  // is fatal.
  s.batch(3, 0, true);
  const uint32_t limit = MAXI_SIMUL;
  MAXI_SIMUL = 6;
  simul_out("+", 12345);
  EXPECT_RAISES(simul_out("*", 0), "Array <simul> is too small (increase this value)\n");
  MAXI_SIMUL = limit;
}

// The limit of a trace is the column limit of the request that writes it,
// not of the first request of the process.
TEST(EliminationLanes, EachWritingBatchTakesTheColumnLimitOfItsRequest) {
  LaneSession s(3, 0, true);
  zel_max_index = 6;
  s.batch(3, 0, true);
  simul_out("+", 12345);
  EXPECT_RAISES(simul_out("*", 0), "Array <simul> is too small (increase this value)\n");
  zel_max_index = 600;
  s.batch(3, 0, true);
  for (int k = 0; k < 100; ++k) simul_out("+", 12345);
  EXPECT_EQ(simul_string_index, 600u);
}

// A replay on the matrix the trace was written on, by rows.
TEST(EliminationLanes, ReplayDepartingFromTheTraceMakesTheBatchUnusable) {
  LaneSession s(3, 0, true);
  s.batch(3, 5, true);
  const uint32_t q0 = ZEL_C(Primes)[0];  // lane 0 of the replaying batch
  // The second row's leading coefficient is q0: a pivot on column 1 in the
  // first batch, reduced further right modulo q0.
  const std::vector<IntRow> rows = {{{0, 0, 3, 1}, 1, true}, {{int64_t(q0), 0, 1, 2}, 2, true}};
  s.batch(3, 0, true);
  eliminate(rows, 4);
  EXPECT_STREQ(simul_string, "+2+4");
  EXPECT_FALSE(batch_unusable());
  s.batch(3, 5, false);
  eliminate(rows, 4);
  EXPECT_TRUE(batch_unusable());
  EXPECT_EQ(bad_prime_of_lane(0), BadPrime::trace_differs);
  // A row the trace kept that reduces to zero modulo q0 departs as well.
  const std::vector<IntRow> single = {{{int64_t(q0), 0}, 1, true}};
  s.batch(3, 0, true);
  eliminate(single, 2);
  s.batch(3, 5, false);
  eliminate(single, 2);
  EXPECT_TRUE(batch_unusable());
  // The same matrices with primes that divide nothing replay cleanly.
  s.batch(3, 9, false);
  eliminate(single, 2);
  EXPECT_EQ(bad_prime_count(), 0u);
}

TEST(EliminationLanes, ALaneDepartingFromLaneZeroIsReportedAZeroResidueIsNot) {
  SEED_TRACE();
  auto rng = make_rng(62);
  LaneSession s(4, 0, true);
  const int64_t p1 = ZEL_C(Primes)[1], p2 = ZEL_C(Primes)[2];
  // A random matrix beside three empty first columns.  A row led on column
  // 1 by p2: lane 2 finds its pivot elsewhere.  The row x2 + 2 p1 x3: lane 1
  // keeps a zero on lane 0's column and stays good.
  const uint32_t ncols = 30;
  auto rows = random_matrix(rng, ncols - 3, 10, 20, 30);
  for (IntRow& r : rows) r.dense.insert(r.dense.begin(), 3, 0);
  std::vector<int64_t> d(ncols, 0), z(ncols, 0);
  d[0] = p2, d[5] = 1, d[17] = -3;
  z[1] = 1, z[2] = 2 * p1;
  rows.push_back({d, 998, true});
  rows.push_back({z, 999, true});
  const auto got = eliminate(rows, ncols);
  EXPECT_EQ(bad_prime_of_lane(2), BadPrime::lane_differs);
  EXPECT_EQ(bad_prime_count(), 1u);
  for (uint32_t l : {0u, 1u, 3u}) EXPECT_EQ(got[l], expected_new_rows(rows, ZEL_C(Primes)[l]));
  EXPECT_EQ(got[2], got[0]);  // the dead lane shares lane 0's arrays
  ASSERT_GE(got[1].size(), 2u);
  EXPECT_EQ(got[1][1][2], 0u);
}

}  // namespace
