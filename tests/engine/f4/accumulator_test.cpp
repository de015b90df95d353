// Accumulator reduction against a wide-integer reference; expansion of coded
// rows; the collection functions.
#include <gtest/gtest.h>

#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/f4/accumulator.hpp"
#include "engine/f4/row_code.hpp"
#include "engine/mem/zone.hpp"
#include "support/engine_memory.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;

namespace {

// Fresh engine memory for the zone-backed collection functions.
struct MemSession {
  zel_test::TestHost host{0};
  MemSession() { zel_test::fresh_engine_memory(); }
  ~MemSession() { zel::reset_engine_memory(); }
};

// Primes of the integer build's first batch with the default offset.
const uint32_t kFirstBatch[] = {4294967189u, 4294967197u, 4294967231u, 4294967279u,
                                4294967291u};

// A prime the prime-field build may run with.
constexpr uint32_t kSmallPrime = 65521;

uint32_t test_prime() { return kIntegerBuild ? kFirstBatch[0] : kSmallPrime; }

// An entry holding lo + hi * 2^64 (hi ignored by the 64-bit entries).
#ifdef ZEL_VARIANT_INT
AccEntry entry_of(uint64_t lo, uint32_t hi) { return AccEntry{uint32_t(lo), uint32_t(lo >> 32), hi}; }
#else
AccEntry entry_of(uint64_t lo, uint32_t) { return lo; }
#endif

}  // namespace

#ifdef ZEL_VARIANT_INT
TEST(Accumulator, ReductionMatchesWideReference) {
  SEED_TRACE();
  MemSession s;
  ZEL_C(vectorize) = ZEL_C(maxi_vectorize) = 5;
  offset_primes = 0;
  init_Dom();
  auto rng = zel_test::make_rng(2);
  for (uint32_t lane = 0; lane < 5; ++lane) {
    select_lane(lane);
    const uint32_t p = ZEL_C(Prime), v = Prime_inv;
    ASSERT_EQ(p, kFirstBatch[lane]);
    SCOPED_TRACE(p);
    const unsigned __int128 two64 = (unsigned __int128)1 << 64;
    ASSERT_EQ(uint64_t(v), uint64_t((two64 - 1) / p - ((unsigned __int128)1 << 32)));
    auto check = [&](uint32_t w0, uint32_t w1, uint32_t w2) {
      const unsigned __int128 x = ((unsigned __int128)w2 << 64) | ((unsigned __int128)w1 << 32) | w0;
      return reduce96(w0, w1, w2, p, v) == uint32_t(x % p);
    };
    // Edges: words at 0, p-1, p and 2^32-1.
    const uint32_t edge[] = {0, 1, p - 1, p, p + 1, 0xFFFFFFFFu, 0x80000000u};
    for (uint32_t a : edge)
      for (uint32_t b : edge)
        for (uint32_t c : edge) ASSERT_TRUE(check(a, b, c)) << a << ' ' << b << ' ' << c;
    const long N = zel_test::iterations(1000000);
    for (long i = 0; i < N; ++i) {
      const uint64_t r = rng();
      const uint32_t w0 = uint32_t(r), w1 = uint32_t(r >> 32);
      // Top words as sums of products give them: mostly small, some full.
      const uint32_t w2 = (i & 7) == 0 ? uint32_t(rng()) : uint32_t(rng() % 4096);
      ASSERT_TRUE(check(w0, w1, w2)) << w0 << ' ' << w1 << ' ' << w2;
    }
    // The two-word step alone on random inputs within its bound (hi < p).
    for (long i = 0; i < N / 4; ++i) {
      const uint64_t r = rng();
      const uint32_t hi = uint32_t(r % p), lo = uint32_t(r >> 32);
      ASSERT_EQ(gmp_normal2(hi, lo, p, v), uint32_t(((uint64_t(hi) << 32) | lo) % p));
    }
  }
}

TEST(Accumulator, SumsOfProductsReduceLikeTheReference) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(3);
  for (uint32_t p : kFirstBatch) {
    set_current_lane(2, p);
    EXPECT_EQ(context_vectorize, 2u);
    EXPECT_EQ(Prime_inv, prime_inverse(p));
    for (int t = 0; t < 200; ++t) {
      Acc96 e{0, 0, 0};
      unsigned __int128 ref = 0;
      const int terms = 1 + int(rng() % 5000);
      for (int k = 0; k < terms; ++k) {
        const uint64_t prod = uint64_t(uint32_t(rng() % p)) * uint32_t(rng() % p);
        acc_add(e, prod);
        ref += prod;
      }
      ASSERT_EQ(reduce_entry(e), uint32_t(ref % p));
    }
  }
}
#else
TEST(Accumulator, ReductionMatchesReference) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(2);
  set_current_lane(0, kSmallPrime);
  for (long i = 0; i < zel_test::iterations(100000); ++i) {
    const uint64_t x = rng();
    ASSERT_EQ(reduce_entry(x), Dom(x % kSmallPrime));
  }
}
#endif

TEST(Accumulator, ExpandsCodedRows) {
  MemSession s;
  set_current_lane(1, test_prime());
  const std::vector<uint32_t> cols{0, 1, 2, 3, 10, 11, 300};
  uint32_t ncodes, nbytes;
  uint8_t* code = compress_lzw(cols.data(), uint32_t(cols.size()), &ncodes, &nbytes);
  std::vector<Dom> lane1{5, 6, 7, 8, 9, 10, 11};
  std::vector<uint8_t> rec(coded_row_bytes(2));
  auto* row = reinterpret_cast<CodedRow*>(rec.data());
  row->code = code;
  row->ncodes = ncodes;
  row->width = 320;
  row->kind = CODE_LZW;
  row->coeffs[0] = nullptr;
  row->coeffs[1] = lane1.data();
  std::vector<AccEntry> acc(row->width, entry_of(0xDEADBEEFCAFEull, 7));
  decompress_lzw(acc.data(), row);
  std::vector<Dom> dense(row->width, 0);
  for (size_t i = 0; i < cols.size(); ++i) dense[cols[i]] = lane1[i];
  for (uint32_t j = 0; j < row->width; ++j) {
    ASSERT_EQ(reduce_entry(acc[j]), dense[j]) << j;
    ASSERT_EQ(reduced_value(acc[j]), dense[j]) << j;
  }
  // A lane reduced to zero leaves a cleared window.
  set_current_lane(0, test_prime());
  decompress_lzw(acc.data(), row);
  for (uint32_t j = 0; j < row->width; ++j) ASSERT_EQ(reduce_entry(acc[j]), 0u);

  // A row of one term.
  row->ncodes = 0;
  row->width = 4;
  row->coeffs[0] = lane1.data();
  acc.assign(8, entry_of(77, 0));
  decompress_lzw(acc.data(), row);
  EXPECT_EQ(reduced_value(acc[0]), 5u);
  for (uint32_t j = 1; j < 4; ++j) EXPECT_EQ(reduced_value(acc[j]), 0u);
  EXPECT_EQ(reduced_value(acc[4]), 77u);  // beyond the window: untouched
}

TEST(Accumulator, CollectsReducedAndUnreducedEntries) {
  SEED_TRACE();
  MemSession s;
  const uint32_t p = test_prime();
  set_current_lane(0, p);
  auto rng = zel_test::make_rng(4);
  for (int t = 0; t < 200; ++t) {
    const uint32_t n = 1 + uint32_t(rng() % 300);
    std::vector<AccEntry> acc(n);
    std::vector<Dom> want(n);
    for (uint32_t j = 0; j < n; ++j) {
      // Zero residues are frequent, including non-zero multiples of p.
      const uint64_t k = rng() % 4 == 0 ? 0 : rng() % 1000;
      const uint64_t val = rng() % 3 == 0 ? k * p : k * p + rng() % p;
      acc[j] = entry_of(val, 0);
      want[j] = Dom(val % p);
    }
    std::vector<uint32_t> offs(n);
    Dom* coeffs = nullptr;
    uint32_t kept = ZEL_C(size_compact_row_long_Dom)(&coeffs, acc.data(), n, offs.data());
    uint32_t k = 0;
    for (uint32_t j = 0; j < n; ++j) {
      ASSERT_EQ(reduced_value(acc[j]), want[j]);  // written back
      if (want[j]) {
        ASSERT_LT(k, kept);
        ASSERT_EQ(offs[k], j);
        ASSERT_EQ(coeffs[k], want[j]);
        ++k;
      }
    }
    ASSERT_EQ(k, kept);
    // The written-back entries collect the same way once reduced.
    std::vector<uint32_t> offs2(n);
    Dom* c2 = nullptr;
    ASSERT_EQ(ZEL_C(size_compact_row)(&c2, acc.data(), n, offs2.data()), kept);
    ASSERT_TRUE(std::equal(c2, c2 + kept, coeffs));
    ASSERT_TRUE(std::equal(offs2.begin(), offs2.begin() + kept, offs.begin()));
  }
}

TEST(Accumulator, PatternCollectionKeepsThePatternShape) {
  MemSession s;
  const uint32_t p = test_prime();
  set_current_lane(0, p);
  const uint32_t n = 12;
  std::vector<AccEntry> acc(n, entry_of(0, 0));
  acc[0] = entry_of(uint64_t(p) + 4, 0);
  acc[3] = entry_of(uint64_t(p) * 2, 0);  // reduces to zero, kept by the pattern
  acc[7] = entry_of(9, 0);
  const std::vector<uint32_t> pattern{0, 3, 7, 11};
  std::vector<uint32_t> offs(n);
  Dom* c = nullptr;
  ASSERT_EQ(ZEL_C(size_compact_row2_long_Dom)(pattern.data(), 4, &c, acc.data(), n, offs.data()),
            4u);
  EXPECT_EQ(std::vector<uint32_t>(offs.begin(), offs.begin() + 4), pattern);
  EXPECT_EQ(std::vector<Dom>(c, c + 4), (std::vector<Dom>{4, 0, 9, 0}));
  // A pattern offset beyond the accumulator is not kept.
  const std::vector<uint32_t> longer{0, 3, 7, 40};
  EXPECT_EQ(ZEL_C(size_compact_row2_long_Dom)(longer.data(), 4, &c, acc.data(), n, offs.data()),
            3u);
  // A non-zero residue off the pattern is refused.
  acc[5] = entry_of(1, 0);
  EXPECT_RAISES(
      ZEL_C(size_compact_row2_long_Dom)(pattern.data(), 4, &c, acc.data(), n, offs.data()),
      "NOT DONE in size_compact_row2_long_Dom\n");
}

#ifdef ZEL_VARIANT_INT
TEST(Accumulator, AdaptiveCollectionKeepsZerosWhereThePatternHasTerms) {
  MemSession s;
  set_current_lane(0, kFirstBatch[0]);
  std::vector<AccEntry> acc(10, entry_of(0, 0));
  acc[0] = entry_of(1, 0);
  acc[6] = entry_of(2, 0);
  const std::vector<uint32_t> pattern{0, 4, 6};
  std::vector<uint32_t> offs(10);
  Dom* c = nullptr;
  testing::internal::CaptureStderr();
  const uint32_t kept = Zel_int_size_compact_row_adaptative(&c, acc.data(), 10, offs.data(),
                                                            pattern.data(), 3);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(kept, 3u);
  EXPECT_EQ(std::vector<uint32_t>(offs.begin(), offs.begin() + 3), pattern);
  EXPECT_EQ(std::vector<Dom>(c, c + 3), (std::vector<Dom>{1, 0, 2}));
  EXPECT_EQ(err, std::string(70, '=') + "\n" +
                     "Warning: new experimental implementation of size_compact_row_adaptative\n");
}
#endif
