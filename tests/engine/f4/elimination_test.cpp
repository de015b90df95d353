// The F4 elimination against a dense reduced echelon form (modulo 65521 and
// primes of every size), its edge cases, thread counts, multiply-add versions
// and aggressive mode.
#include "engine/f4/elimination.hpp"

#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <map>
#include <random>
#include <type_traits>

#include "engine/driver/threads.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/mem/zone.hpp"
#include "support/dense_rref.hpp"
#include "support/engine_memory.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

#ifdef ZEL_VARIANT_FP
#include "engine/coef/primes.hpp"
#include "engine/f4/elimination_fp.hpp"
#include "engine/f4/fp_kernels.hpp"
#include "engine/f4/step_buffers.hpp"
#endif

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

#ifdef ZEL_VARIANT_FP

constexpr uint32_t kP = 65521;

struct ElimSession {
  TestHost host{4};
  explicit ElimSession(uint32_t p = kP) {
    fresh_engine_memory();
    set_field_prime(p);
    ZEL_C(want_aggressive) = 0;
    ZEL_C(want_state_percent) = 0;
    want_skip_comput = 0;
    min_threaded_work = 0;  // small matrices take the threaded paths too
  }
  ~ElimSession() {
    min_threaded_work = kDefaultThreadedWork;
    lane_kernel_choice = 0;
    block_rows_choice = 0;
    nb_threads = 1;
    omp_set_num_threads(1);
    omp_set_dynamic(0);
    ZEL_C(want_aggressive) = 0;
    want_skip_comput = 0;
    zel::reset_engine_memory();
  }
};

// A matrix row given densely over columns 1 .. ncols (entry c-1 for column c).
struct TestRow {
  DenseRow dense;
  uint32_t serial;
  bool reduce;
};

// Codes a dense row into a CodedRow in zone 1.
CodedRow* code_row(const TestRow& t) {
  const uint32_t ncols = uint32_t(t.dense.size());
  std::vector<uint32_t> offs;
  std::vector<Dom> coefs;
  const size_t lead = pivot_of(t.dense);
  for (size_t c = lead; c < ncols; ++c)
    if (t.dense[c]) {
      offs.push_back(uint32_t(c - lead));
      coefs.push_back(Dom(t.dense[c]));
    }
  auto* row = static_cast<CodedRow*>(alloc64(coded_row_bytes(1)));
  uint32_t ncodes = 0, nbytes = 0;
  row->code = compress_lzw(offs.data(), uint32_t(offs.size()), &ncodes, &nbytes);
  Dom* c = static_cast<Dom*>(alloc64(coefs.size() * sizeof(Dom) + 8));
  std::copy(coefs.begin(), coefs.end(), c);
  row->header[0] = 0;
  row->header[1] = t.reduce;
  row->lead = uint32_t(lead + 1);
  row->width = ncols - uint32_t(lead);
  row->serial = t.serial;
  row->to_reduce = t.reduce;
  row->ncodes = ncodes;
  row->kind = CODE_LZW;
  row->coeffs[0] = c;
  return row;
}

DenseRow decode_row(const CodedRow* r, uint32_t ncols) {
  DenseRow d(ncols, 0);
  std::vector<uint32_t> offs(ncols + 1);
  const uint32_t n = decode_gaps(r->code, r->ncodes, offs.data());
  for (uint32_t i = 0; i < n; ++i) d[r->lead - 1 + offs[i]] = r->coeffs[0][i];
  return d;
}

// Runs the elimination on the rows; returns the new rows densely.
std::vector<DenseRow> eliminate(const std::vector<TestRow>& rows, uint32_t ncols) {
  ZoneScope scope;
  std::vector<CodedRow*> coded;
  uint32_t nreduce = 0;
  for (const TestRow& t : rows) {
    coded.push_back(code_row(t));
    nreduce += t.reduce;
  }
  std::vector<CodedRow*> out(nreduce + 1);
  const uint32_t n =
      eliminate_rows(coded.data(), uint32_t(coded.size()), ncols, nreduce, out.data());
  std::vector<DenseRow> res;
  for (uint32_t k = 0; k < n; ++k) {
    if (k) {
      EXPECT_LT(out[k - 1]->lead, out[k]->lead);
    }
    EXPECT_EQ(out[k]->width, ncols + 1 - out[k]->lead);
    res.push_back(decode_row(out[k], ncols));
  }
  return res;
}

// The same on `threads` threads (the engine's count and OpenMP's).
std::vector<DenseRow> eliminate_on(int32_t threads, const std::vector<TestRow>& rows,
                                   uint32_t ncols) {
  nb_threads = threads;
  omp_set_num_threads(threads);
  return eliminate(rows, ncols);
}

// A random sparse matrix: reducers on distinct columns, monic, listed with
// smaller serials than the rows to be reduced; rows to be reduced with any
// leading coefficient, some of them combinations of earlier rows.
std::vector<TestRow> random_matrix(std::mt19937_64& rng, uint32_t ncols, uint32_t nred,
                                   uint32_t nrows, uint32_t density_pct, uint32_t p = kP) {
  std::vector<TestRow> rows;
  std::uniform_int_distribution<uint32_t> col(0, ncols - 1), coef(1, p - 1), pct(0, 99);
  std::vector<uint32_t> cols(ncols);
  for (uint32_t c = 0; c < ncols; ++c) cols[c] = c;
  std::shuffle(cols.begin(), cols.end(), rng);
  uint32_t serial = 1;
  for (uint32_t k = 0; k < nred && k < ncols; ++k) {
    DenseRow d(ncols, 0);
    d[cols[k]] = 1;
    for (uint32_t c = cols[k] + 1; c < ncols; ++c)
      if (pct(rng) < density_pct) d[c] = coef(rng);
    rows.push_back({d, serial++, false});
  }
  for (uint32_t k = 0; k < nrows; ++k) {
    DenseRow d(ncols, 0);
    if (k >= 2 && pct(rng) < 30) {
      // A combination of two earlier rows: often reduces to zero.
      const TestRow& a = rows[rng() % rows.size()];
      const TestRow& b = rows[rng() % rows.size()];
      const uint64_t u = coef(rng), v = coef(rng);
      for (uint32_t c = 0; c < ncols; ++c) d[c] = uint32_t((u * a.dense[c] + v * b.dense[c]) % p);
    } else {
      const uint32_t lead = col(rng);
      d[lead] = coef(rng);
      for (uint32_t c = lead + 1; c < ncols; ++c)
        if (pct(rng) < density_pct) d[c] = coef(rng);
    }
    if (pivot_of(d) == ncols) d[col(rng)] = 1;  // rows are never empty
    rows.push_back({d, serial++, true});
  }
  return rows;
}

// The rows of the reduced echelon form whose pivot is not a reducer's.
std::vector<DenseRow> expected_new_rows(const std::vector<TestRow>& rows, uint32_t p = kP) {
  std::vector<DenseRow> all;
  std::vector<bool> reducer_col(rows[0].dense.size(), false);
  for (const TestRow& t : rows) {
    all.push_back(t.dense);
    if (!t.reduce) reducer_col[pivot_of(t.dense)] = true;
  }
  std::vector<DenseRow> out;
  for (DenseRow& r : dense_rref(all, p))
    if (!reducer_col[pivot_of(r)]) out.push_back(r);
  return out;
}

TEST(Elimination, RandomMatricesGiveTheNewRowsOfTheReducedEchelonForm) {
  SEED_TRACE();
  auto rng = make_rng(51);
  for (long it = 0; it < iterations(25); ++it) {
    ElimSession s;
    const uint32_t ncols = 1 + uint32_t(rng() % 90);
    // Sparse rows, and every third matrix nearly dense (long runs of columns).
    const uint32_t density = it % 3 == 2 ? 90 + uint32_t(rng() % 10) : 5 + uint32_t(rng() % 50);
    auto rows =
        random_matrix(rng, ncols, uint32_t(rng() % (ncols + 1)), 1 + uint32_t(rng() % 40), density);
    const auto want = expected_new_rows(rows);
    for (uint32_t width : {kLanes, kWideLanes}) {
      block_rows_choice = width;
      for (int32_t threads : {1, 2, 3, 8}) {
        // Eight threads on a small machine spin a lot: a few matrices suffice.
        if (threads == 8 && it >= 5) continue;
        SCOPED_TRACE("threads " + std::to_string(threads) + " block rows " +
                     std::to_string(width) + " iteration " + std::to_string(it));
        EXPECT_EQ(eliminate_on(threads, rows, ncols), want);
      }
    }
  }
}

// Many new rows, each with entries at the leads of most later ones: in the
// threaded backward pass rows wait for one another all the time.
TEST(Elimination, BackwardPassOfManyDependentRowsAgreesAtEveryThreadCount) {
  SEED_TRACE();
  auto rng = make_rng(54);
  ElimSession s;
  for (int it = 0; it < 3; ++it) {
    const uint32_t ncols = 300;
    auto rows = random_matrix(rng, ncols, 10, 200, it == 0 ? 95 : 30);
    const auto want = expected_new_rows(rows);
    for (int32_t threads : {1, 2, 3, 8}) {
      SCOPED_TRACE("threads " + std::to_string(threads) + " iteration " + std::to_string(it));
      EXPECT_EQ(eliminate_on(threads, rows, ncols), want);
    }
  }
}

TEST(Elimination, LargeGapsAndLongRunsSurviveTheRoundTrip) {
  SEED_TRACE();
  auto rng = make_rng(52);
  ElimSession s;
  // 70000 columns: gaps beyond 65279 and runs beyond 126 columns.
  const uint32_t ncols = 70000;
  std::vector<TestRow> rows;
  DenseRow a(ncols, 0), b(ncols, 0), c(ncols, 0);
  a[0] = 1;
  for (uint32_t j = 1; j < 300; ++j) a[j] = 1 + uint32_t(rng() % (kP - 1));
  a[69999] = 7;
  b[0] = 5;
  b[200] = 3;
  b[69000] = 11;
  c[150] = 2;
  c[69999] = 9;
  rows.push_back({a, 1, false});
  rows.push_back({b, 2, true});
  rows.push_back({c, 3, true});
  for (int32_t threads : {1, 3}) {
    EXPECT_EQ(eliminate_on(threads, rows, ncols), expected_new_rows(rows));
  }
}

TEST(Elimination, EdgeCasesOfTheRowOrder) {
  ElimSession s;
  // Two rows to be reduced with the same leading column: the first in sort
  // order (smaller serial) becomes the pivot, the second is reduced by it.
  {
    std::vector<TestRow> rows = {{{2, 4, 0, 6}, 8, true}, {{1, 2, 1, 3}, 9, true}};
    auto got = eliminate(rows, 4);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], (DenseRow{1, 2, 0, 3}));
    EXPECT_EQ(got[1], (DenseRow{0, 0, 1, 0}));
  }
  // A reducer placed after a row to be reduced (same column, larger serial)
  // is not used for it: that row becomes the pivot of the column, monic.
  {
    std::vector<TestRow> rows = {{{1, 2, 0}, 5, false}, {{3, 1, 1}, 3, true}};
    auto got = eliminate(rows, 3);
    ASSERT_EQ(got.size(), 1u);
    const uint32_t third = inv_mod(3, kP);
    EXPECT_EQ(got[0], (DenseRow{1, third, third}));
  }
  // A kept row of a single term becomes the monomial with coefficient 1.
  {
    std::vector<TestRow> rows = {{{0, 0, 17}, 1, true}};
    EXPECT_EQ(eliminate(rows, 3), (std::vector<DenseRow>{{0, 0, 1}}));
  }
  // No rows to be reduced: nothing.
  {
    std::vector<TestRow> rows = {{{1, 5, 0}, 1, false}};
    EXPECT_TRUE(eliminate(rows, 3).empty());
    EXPECT_TRUE(eliminate({}, 3).empty());
  }
  // A row whose every term is eliminated gives nothing.
  {
    std::vector<TestRow> rows = {{{1, 5, 0}, 1, false}, {{3, 15, 0}, 2, true}};
    EXPECT_TRUE(eliminate(rows, 3).empty());
  }
}

// Many rows to be reduced go through the forward pass in blocks of rows
// whose sums are kept in 32 bits: tall, nearly dense matrices (sums wrap
// often, most of all with coefficients p - 1), rows sharing leading columns
// with rows of the same block, and the row-by-row path that aggressive mode
// takes, on one thread and on several.
TEST(Elimination, TallMatricesInBlocksOfRows) {
  SEED_TRACE();
  auto rng = make_rng(54);
  for (long it = 0; it < iterations(6); ++it) {
    ElimSession s;
    const uint32_t ncols = 40 + uint32_t(rng() % 100);
    auto rows = random_matrix(rng, ncols, uint32_t(rng() % 40), 60 + uint32_t(rng() % 140),
                              it % 2 ? 95 : 40);
    // Reducers keep their leading 1: the elimination only ever gets monic
    // ones (multiples of basis polynomials).
    if (it % 3 == 0)
      for (TestRow& t : rows)
        for (size_t j = t.reduce ? 0 : pivot_of(t.dense) + 1; j < t.dense.size(); ++j)
          if (t.dense[j]) t.dense[j] = t.dense[j] % 2 ? kP - 1 : 1;
    const auto want = expected_new_rows(rows);
    for (bool aggressive : {false, true}) {
      // A threshold never reached: nothing is skipped.
      ZEL_C(want_aggressive) = aggressive;
      ZEL_C(want_aggressive2) = 1000000;
      for (int32_t threads : {1, 3}) {
        SCOPED_TRACE("threads " + std::to_string(threads) + " aggressive " +
                     std::to_string(aggressive) + " iteration " + std::to_string(it));
        EXPECT_EQ(eliminate_on(threads, rows, ncols), want);
      }
    }
  }
}

// The blocks' 32-bit sums fold 2^32 mod p back in where they wrap: tall,
// nearly dense matrices whose coefficients are mostly p - 1, for primes of
// every size the build takes, through every version of the multiply-add
// this processor runs.
TEST(Elimination, EveryPrimeSizeAndLaneKernel) {
  SEED_TRACE();
  auto rng = make_rng(55);
  for (uint32_t p : {2u, 3u, 251u, 32749u, 65519u}) {
    for (uint32_t kernel = 0; kernel < lane_kernels().size(); ++kernel) {
      ElimSession s(p);
      const uint32_t ncols = 40 + uint32_t(rng() % 60);
      auto rows = random_matrix(rng, ncols, uint32_t(rng() % 20), 40 + uint32_t(rng() % 60),
                                90, p);
      for (TestRow& t : rows)
        for (size_t j = t.reduce ? 0 : pivot_of(t.dense) + 1; j < t.dense.size(); ++j)
          if (t.dense[j] && rng() % 4) t.dense[j] = p - 1;
      const auto want = expected_new_rows(rows, p);
      lane_kernel_choice = kernel;
      for (uint32_t width : {kLanes, kWideLanes}) {
        block_rows_choice = width;
        for (int32_t threads : {1, 3}) {
          SCOPED_TRACE(std::string(lane_kernels()[kernel].name) + " p " + std::to_string(p) +
                       " block rows " + std::to_string(width) + " threads " +
                       std::to_string(threads));
          EXPECT_EQ(eliminate_on(threads, rows, ncols), want);
        }
      }
    }
  }
}

// The accumulators kept between steps and requests go with a memory reset,
// like every other piece of the engine's memory.
TEST(Elimination, AMemoryResetGivesTheStepBuffersBack) {
  auto rng = make_rng(56);
  {
    ElimSession s;
    auto rows = random_matrix(rng, 50, 10, 40, 50);
    EXPECT_EQ(eliminate(rows, 50), expected_new_rows(rows));
    ASSERT_FALSE(step_buffers().acc.empty());
    EXPECT_GT(step_buffers().acc[0].mem.capacity(), 0u);
  }
  EXPECT_TRUE(step_buffers().acc.empty());
  EXPECT_TRUE(step_buffers().lanes.empty());
}

// Counts the errors raised through the host it wraps.
namespace counting_host {
zel::HostServices wrapped;
int raised = 0;
void raise(const char* t) {
  ++raised;
  wrapped.raise(t);
}
}  // namespace counting_host

// On several threads the calling thread stores rows while the others still
// sweep theirs.  An error raised by a store (here the zone running out of
// blocks at every point in turn) must end the pass on every thread before
// it unwinds, and is raised once: the calling thread may still take a task
// left (helpers are still waking when the first stores fail) but stores no
// block again.  The same elimination then runs intact.
TEST(Elimination, AnErrorWhileStoringEndsThePassOnEveryThread) {
  SKIP_IN_MEMDEBUG();
  SEED_TRACE();
  auto rng = make_rng(57);
  ElimSession s;
  const uint32_t ncols = 90;
  auto rows = random_matrix(rng, ncols, 10, 150, 30);
  const auto want = expected_new_rows(rows);
  GarbageZone& z = garbage_zone[0];
  const uint32_t limit = z.limit_garbages;
  for (int32_t threads : {3, 8}) {
    nb_threads = threads;
    omp_set_num_threads(threads);
    uint32_t raised = 0;
    for (uint32_t extra = 1;; extra += 3) {
      SCOPED_TRACE("threads " + std::to_string(threads) + " blocks " + std::to_string(extra));
      bool done = false;
      {
        ZoneScope scope;
        std::vector<CodedRow*> coded;
        for (const TestRow& t : rows) coded.push_back(code_row(t));
        std::vector<CodedRow*> out(rows.size() + 1);
        zone_memory_allocated = 0;  // small blocks: a new one every few rows
        z.limit_garbages = z.cur_garbages + extra;
        zel::HostServices counting = zel::current_host();
        counting_host::wrapped = counting;
        counting.raise = counting_host::raise;
        const zel::HostServices previous = zel::set_host(counting);
        counting_host::raised = 0;
        try {
          eliminate_rows(coded.data(), uint32_t(coded.size()), ncols, 150, out.data());
          done = true;
        } catch (const HostError&) {
          ++raised;
        }
        zel::set_host(previous);
        EXPECT_EQ(counting_host::raised, done ? 0 : 1);
        z.limit_garbages = limit;
      }
      EXPECT_EQ(eliminate(rows, ncols), want);
      if (done) break;
    }
    EXPECT_GT(raised, 20u);
  }
}

TEST(Elimination, NoHangWithDynamicTeams) {
  SEED_TRACE();
  auto rng = make_rng(53);
  ElimSession s;
  omp_set_dynamic(1);
  for (int it = 0; it < 10; ++it) {
    auto rows = random_matrix(rng, 60, 20, 40, 20);
    nb_threads = 8;
    omp_set_num_threads(8);
    EXPECT_EQ(eliminate(rows, 60), expected_new_rows(rows));
  }
}

// Rows whose forward order (decreasing lead) follows `pattern`: 'Z' a row
// that reduces to zero (a copy of the reducer on its column), 'K' a row kept.
// The "$" and "!" marks among what was printed.
std::string marks() {
  std::string m;
  for (char c : captured().printed)
    if (c == '$' || c == '!') m += c;
  return m;
}

std::vector<TestRow> pattern_rows(const std::string& pattern) {
  const uint32_t n = uint32_t(pattern.size());
  std::vector<TestRow> rows;
  uint32_t serial = 1;
  for (uint32_t k = 0; k < n; ++k) {
    DenseRow d(n, 0);
    const uint32_t lead = n - 1 - k;  // first in pattern = largest lead
    d[lead] = 1;
    if (pattern[k] == 'Z') rows.push_back({d, serial++, false});
    rows.push_back({d, serial++ + 100, true});
  }
  return rows;
}

// The row k of a block after its sweep, its drained entries densely (values
// reduced), then reduced by the pivots usable for it: what it stands for.
DenseRow normal_form(const FpElim& e, const std::vector<TestRow>& rows, const BlockRow& r,
                     const std::vector<uint64_t>& entries, uint32_t ncols) {
  DenseRow v(ncols, 0);
  for (uint64_t x : entries) v[(x >> 32) - 1] = uint32_t(x) % kP;
  for (uint32_t c = 1; c <= ncols; ++c) {
    const int32_t pv = e.pivots[c];
    if (!v[c - 1] || pv < 0 || uint32_t(pv) >= r.idx) continue;
    const uint64_t m = v[c - 1];
    const DenseRow& piv = rows[uint32_t(pv)].dense;  // a monic reducer
    for (uint32_t j = c - 1; j < ncols; ++j) v[j] = uint32_t((v[j] + (kP - m) * piv[j]) % kP);
  }
  return v;
}

// A block swept while some pivots are still missing (stored meanwhile by
// other blocks), then caught up once they are there, ends as a sweep that
// had them all: the same rows zero, the same leading columns, the same rows
// modulo the pivots.
TEST(Elimination, ABlockCaughtUpWithPivotsStoredDuringItsSweep) {
  SEED_TRACE();
  auto rng = make_rng(58);
  for (long it = 0; it < iterations(30); ++it) {
    SCOPED_TRACE("iteration " + std::to_string(it));
    ElimSession s;
    ZoneScope scope;
    const uint32_t ncols = 8 + uint32_t(rng() % 80);
    auto rows = random_matrix(rng, ncols, ncols / 2 + uint32_t(rng() % (ncols / 2)),
                              1 + uint32_t(rng() % kWideLanes), 5 + uint32_t(rng() % 60));
    // The forward order: larger leading column first, then smaller serial.
    std::stable_sort(rows.begin(), rows.end(), [](const TestRow& a, const TestRow& b) {
      return pivot_of(a.dense) > pivot_of(b.dense);
    });
    std::vector<CodedRow*> coded;
    std::vector<uint32_t> block;
    for (uint32_t i = 0; i < rows.size(); ++i) {
      coded.push_back(code_row(rows[i]));
      if (rows[i].reduce) block.push_back(i);
    }
    const uint32_t n = uint32_t(block.size()), nrows = uint32_t(rows.size());
    FpElim e(coded.data(), nrows, ncols, n, kP);
    std::vector<int32_t> pivots(ncols + 1, -1);
    std::vector<PivotCols> piv(nrows + 1);
    std::vector<uint32_t> offsets(ncols + 1);
    std::vector<uint32_t> owners;
    for (uint32_t i = 0; i < nrows; ++i)
      if (!rows[i].reduce && pivots[coded[i]->lead] < 0) {
        pivots[coded[i]->lead] = int32_t(i);
        owners.push_back(i);
      }
    e.pivots = pivots.data();
    e.piv = piv.data();
    e.offsets = offsets.data();
    decode_pivots(e, owners, 1);

    // Up to kLanes rows in narrow blocks, more in wide ones.
    ZeroedAccumulator mem;
    const bool wide = n > kLanes;
    uint32_t* lanes = wide ? take_lanes<kWideLanes>(mem, ncols) : take_lanes<kLanes>(mem, ncols);
    auto sweep = [&](bool hide) {
      std::vector<BlockRow> b(n);
      std::vector<std::vector<uint64_t>> out(n);
      for (uint32_t k = 0; k < n; ++k)
        b[k] = wide ? start_lane<kWideLanes>(e, block[k], lanes, k)
                    : start_lane<kLanes>(e, block[k], lanes, k);
      auto sweep_with = [&](auto width) {
        constexpr uint32_t L = decltype(width)::value;
        if (hide) {
          std::vector<int32_t> all = pivots;
          for (uint32_t c = 0; c <= ncols; ++c)
            if (rng() % 2) pivots[c] = -1;
          reduce_block_shared<L>(e, lanes, b.data(), n);
          pivots = all;
          e.pivots = pivots.data();
          catch_up_block<L>(e, lanes, b.data(), n);
        } else {
          reduce_block<L>(e, lanes, b.data(), n);
        }
        drain_lanes<L>(lanes, b.data(), n, out.data());
      };
      if (wide)
        sweep_with(std::integral_constant<uint32_t, kWideLanes>());
      else
        sweep_with(std::integral_constant<uint32_t, kLanes>());
      return std::make_pair(b, out);
    };
    const auto [full, full_out] = sweep(false);
    const auto [late, late_out] = sweep(true);
    for (uint32_t k = 0; k < n; ++k) {
      SCOPED_TRACE("row " + std::to_string(k));
      ASSERT_EQ(late[k].alive, full[k].alive);
      if (!full[k].alive) continue;
      EXPECT_EQ(late[k].lead, full[k].lead);
      EXPECT_EQ(normal_form(e, rows, late[k], late_out[k], ncols),
                normal_form(e, rows, full[k], full_out[k], ncols));
    }
  }
}

// The progress shown on several threads does not depend on the blocks'
// width: it counts batches of one narrow block per thread.
TEST(Elimination, TheProgressShownIsTheSameForBothBlockWidths) {
  auto rng = make_rng(59);
  ElimSession s;
  const uint32_t ncols = 40;
  auto rows = random_matrix(rng, ncols, 20, 3 * 64 * kLanes * 2 + 100, 10);
  nb_threads = 3;
  omp_set_num_threads(3);
  eliminate(rows, ncols);  // the zones grow first, with messages of their own
  ZEL_C(want_state_percent) = 1;
  std::string shown[2];
  for (uint32_t w : {0, 1}) {
    block_rows_choice = w ? kWideLanes : kLanes;
    captured().printed.clear();
    eliminate(rows, ncols);
    shown[w] = captured().printed;
  }
  ZEL_C(want_state_percent) = 0;
  EXPECT_EQ(shown[0], "49.2%/98.4%/");
  EXPECT_EQ(shown[1], shown[0]);
}

TEST(Elimination, AggressiveModeSkipsAfterZeroRows) {
  ElimSession s;
  ZEL_C(want_aggressive) = 1;
  ZEL_C(want_aggressive2) = 0;
  // Skip counter 3: the first zero row starts skipping three rows; a zero
  // row met while skipping prints "$" and skips three more; the first kept
  // row prints "!".
  want_skip_comput = 3;
  captured().printed.clear();
  auto got = eliminate(pattern_rows("ZKKKZKKKKK"), 10);
  EXPECT_EQ(marks(), "$!");
  // Rows kept: the one after the second skip and the last.
  EXPECT_EQ(got.size(), 2u);
  // No skip counter: the first zero row stops the pass.
  want_skip_comput = 0;
  captured().printed.clear();
  EXPECT_TRUE(eliminate(pattern_rows("ZKKK"), 4).empty());
  EXPECT_EQ(marks(), "");
  // A threshold of two consecutive zero rows.
  ZEL_C(want_aggressive2) = 2;
  EXPECT_EQ(eliminate(pattern_rows("ZZKZZZKK"), 8).size(), 1u);
}

#endif

}  // namespace
