// Polynomial records: the block layout, serial numbers and printing.
#include "engine/poly/dpol.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "engine/api/session.hpp"
#include "engine/coef/primes.hpp"
#include "engine/mem/zone.hpp"
#ifdef ZEL_VARIANT_INT
#include "engine/poly/dpol_int.hpp"
#endif
#include "engine/mono/mono_fixture.hpp"
#include "support/engine_memory.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

ptrdiff_t bytes(const void* from, const void* to) {
  return static_cast<const char*>(to) - static_cast<const char*>(from);
}

struct DpolTest : ::testing::Test {
  TestHost host;
  uint32_t saved_v = ZEL_C(vectorize);
  int32_t saved_raw = ZEL_C(want_raw_output);
  const char* names[3] = {"x", "y", "z"};
  void SetUp() override {
    fresh_engine_memory();
    gen_sym_Dpol = 0;
    use_layout(3, 3);
    for (int i = 0; i < 3; ++i) Liste_variables[i] = names[i];
  }
  void TearDown() override {
    ZEL_C(vectorize) = saved_v;
    ZEL_C(want_raw_output) = saved_raw;
    ZEL_C(want_mods) = 0;
    for (int i = 0; i < 3; ++i) Liste_variables[i] = nullptr;
  }
  std::string print(const Dpol* p) {
    captured() = Captured{};
    ZEL_C(see_Dpol)(p);
    return captured().printed;
  }
};

}  // namespace

TEST_F(DpolTest, RowHeaderHasNoLanesAndConsecutiveSerials) {
  Dpol* a = new_Dpol(0);
  Dpol* b = new_Dpol(0);
  EXPECT_EQ(a->serial, 1u);
  EXPECT_EQ(b->serial, 2u);
  EXPECT_EQ(a->n, 0u);
  EXPECT_EQ(a->flags, 0u);
  EXPECT_EQ(a->input_mark, 0u);
  const uint32_t v = kIntegerBuild ? ZEL_C(vectorize) : 1;
  for (uint32_t k = 0; k < v; ++k) EXPECT_EQ(lanes(a)[k], nullptr);
  EXPECT_EQ(bytes(a, a->mono), ptrdiff_t(40 + 8 * v));
  // Serial numbers count the records since the last memory reset.
  fresh_engine_memory();
  EXPECT_EQ(new_Dpol(1)->serial, 1u);
}

TEST_F(DpolTest, LanesAndMonomialsShareOneAlignedBlock) {
  if constexpr (kIntegerBuild) {
    ZEL_C(vectorize) = 5;
    Dpol* p = new_Dpol(3);  // 4 residues per lane, 4 monomial pointers
    for (int k = 0; k < 5; ++k) EXPECT_EQ(bytes(p, lanes(p)[k]), 40 + 5 * 8 + 16 * k);
    EXPECT_EQ(bytes(lanes(p)[4], p->mono), 16);
    EXPECT_EQ(bytes(p, p->mono) + 4 * 8, ptrdiff_t(size_Dpol(3, 5)));
  } else {
    Dpol* p = new_Dpol(2);  // 2 residues, 4 free bytes, 2 pointers
    EXPECT_EQ(bytes(p, lanes(p)[0]), 48);
    EXPECT_EQ(bytes(lanes(p)[0], p->mono), 8);
    Dpol* q = new_Dpol(4);  // no gap
    EXPECT_EQ(bytes(lanes(q)[0], q->mono), 8);
    Dpol* r = new_Dpol(5);  // 6 residues, 4 free bytes
    EXPECT_EQ(bytes(lanes(r)[0], r->mono), 16);
  }
  for (uint32_t n : {1u, 2u, 3u, 7u, 100u}) {
    Dpol* p = new_Dpol(n);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p->mono) % 8, 0u);
    EXPECT_EQ(p->n, n);
    // Every slot is writable without touching the next record.
    for (uint32_t i = 0; i < n; ++i) {
      p->mono[i] = nullptr;
      lanes(p)[0][i] = Dom(i);
    }
  }
}

TEST_F(DpolTest, RawPrintingOfTheIntegerBuild) {
  if (!kIntegerBuild) GTEST_SKIP() << "integer-build residues";
  ZEL_C(want_raw_output) = 1;
  ZEL_C(vectorize) = 1;
  MonoBuf x2({2, 0, 0, 0}), y({0, 1, 0, 0});
  gen_sym_Dpol = 2;
  Dpol* p = new_Dpol(2);
  p->mono[0] = x2.hdr();
  p->mono[1] = y.hdr();
  lanes(p)[0][0] = 7;
  lanes(p)[0][1] = 1;
  EXPECT_EQ(print(p), "f3 = 7*x^2+1*y");
  EXPECT_EQ(print(new_Dpol(0)), "f4 = 0");
  ZEL_C(vectorize) = 2;
  Dpol* q = new_Dpol(1);
  q->mono[0] = y.hdr();
  lanes(q)[0][0] = 7;
  lanes(q)[1][0] = Dom(4294967290u);
  EXPECT_EQ(print(q), "f5 = <7 4294967290>*y");
}

TEST_F(DpolTest, RawPrintingOfThePrimeFieldBuild) {
  if (kIntegerBuild) GTEST_SKIP() << "prime-field residues";
  set_field_prime(65521);
  ZEL_C(want_raw_output) = 1;
  ZEL_C(want_mods) = 1;
  MonoBuf x2({2, 0, 0, 0}), y({0, 1, 0, 0}), one({0, 0, 0, 0});
  Dpol* p = new_Dpol(4);
  p->mono[0] = x2.hdr();
  p->mono[1] = y.hdr();
  p->mono[2] = one.hdr();
  p->mono[3] = y.hdr();
  lanes(p)[0][0] = 1;
  lanes(p)[0][1] = 65520;
  lanes(p)[0][2] = 65519;
  lanes(p)[0][3] = 12;
  EXPECT_EQ(print(p), "f1 = x^2+-y+-2*1+12*y");
  ZEL_C(want_mods) = 0;
  EXPECT_EQ(print(p), "f1 = x^2+65520*y+65519*1+12*y");
}

TEST_F(DpolTest, LiftedPrintingWithoutALiftingLayerSaysSoAndKeepsZoneOne) {
  ZEL_C(want_raw_output) = 0;
  // As before any init (which prints term by term): whole polynomials.
  const int32_t saved_secure = want_secure;
  want_secure = 1;
  MonoBuf y({0, 1, 0, 0});
  Dpol* p = new_Dpol(2);
  p->mono[0] = y.hdr();
  p->mono[1] = y.hdr();
  HeapMark before, after;
  save_GC_state(before);
  // The integer build lifts the polynomial as a whole (and has no lift
  // context here); the prime-field build has nothing to lift to.
  EXPECT_EQ(print(p), kIntegerBuild ? "f1 = NYA" : "f1 = NYA*y+NYA*y");
  save_GC_state(after);
  EXPECT_EQ(before.cur_garbages, after.cur_garbages);
  EXPECT_EQ(before.bignum_tas, after.bignum_tas);
  EXPECT_EQ(before.bot_bignum_tas, after.bot_bignum_tas);
  want_secure = saved_secure;
}

#ifdef ZEL_VARIANT_INT
TEST_F(DpolTest, IntegerRecordsShareTheSerialCounter) {
  Dpol_INT* a = new_Dpol_INT(3);
  Dpol* b = new_Dpol(1);
  EXPECT_EQ(a->serial, 1u);
  EXPECT_EQ(b->serial, 2u);
  EXPECT_EQ(a->n, 3u);
  EXPECT_EQ(bytes(a, coeffs_INT(a)), 40);
  EXPECT_EQ(bytes(a, a->mono), 40 + 4 * 16);
  for (uint32_t i = 0; i < 3; ++i) mpz_init_set_si(&coeffs_INT(a)[i], -int(i));
  EXPECT_EQ(mpz_get_si(&coeffs_INT(a)[2]), -2);
  for (uint32_t i = 0; i < 3; ++i) mpz_clear(&coeffs_INT(a)[i]);
}
#endif

// A lane already monic must not stop the lanes after it from being made monic.
TEST_F(DpolTest, MonicMakesEveryLaneMonicOnItsOwn) {
  if constexpr (kIntegerBuild) {
    ZEL_C(vectorize) = ZEL_C(maxi_vectorize) = 5;
    offset_primes = 0;
    init_Dom();
  } else {
    set_field_prime(65521);
  }
  const uint32_t v = kIntegerBuild ? 5 : 1;
  Dpol* p = new_Dpol(3);
  const uint32_t leads[5] = {3, 1, 5, 0, 7};  // 0 stands for p - 1
  std::vector<std::vector<uint64_t>> before(v);
  for (uint32_t k = 0; k < v; ++k) {
    const uint32_t prime = ZEL_C(Primes)[k];
    uint32_t lead = kIntegerBuild ? leads[k] : 0;
    lanes(p)[k][0] = Dom(lead ? lead : prime - 1);
    lanes(p)[k][1] = Dom(prime - 2);
    lanes(p)[k][2] = 0;
    for (uint32_t i = 0; i < 3; ++i) before[k].push_back(lanes(p)[k][i]);
  }
  monic_d(p);
  for (uint32_t k = 0; k < v; ++k) {
    const uint64_t prime = ZEL_C(Primes)[k];
    EXPECT_EQ(lanes(p)[k][0], Dom(1)) << "lane " << k;
    // Each lane is its old self divided by its own old lead.
    for (uint32_t i = 0; i < 3; ++i)
      EXPECT_EQ(uint64_t(lanes(p)[k][i]) * before[k][0] % prime, before[k][i]) << k << " " << i;
  }
  monic_d(new_Dpol(0));  // no terms: nothing to do
}
