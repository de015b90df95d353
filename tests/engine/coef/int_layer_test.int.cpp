// The INT context, the zone allocator for GMP, sliding, export and import.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/coef/int_arith.hpp"
#include "engine/coef/int_context.hpp"
#include "engine/coef/int_slide.hpp"
#include "engine/mem/messages.hpp"
#include "support/int_ref.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::dec;
using zel_test::RefZ;

namespace {

struct IntLayerTest : zel_test::BatchFixture {};

struct GmpFunctions {
  GmpAlloc a;
  GmpRealloc r;
  GmpFree f;
  GmpFunctions() { mp_get_memory_functions(&a, &r, &f); }
  bool operator==(const GmpFunctions& o) const { return a == o.a && r == o.r && f == o.f; }
};

TEST_F(IntLayerTest, TheContextNestsAndHandsGmpBackOnReturnAndOnFatalErrors) {
  const GmpFunctions caller;
  RefZ mine("123456789012345678901234567890");
  {
    IntContext outer;
    EXPECT_TRUE(GmpFunctions().a == bignum_alloc);
    {
      IntContext inner;
    }
    EXPECT_TRUE(GmpFunctions().a == bignum_alloc);
  }
  EXPECT_TRUE(GmpFunctions() == caller);
  EXPECT_RAISES(
      {
        IntContext c;
        IntContext nested;
        Fatal("boom\n");
      },
      "boom\n");
  EXPECT_TRUE(GmpFunctions() == caller);
  // The counting starts afresh after the fatal error.
  {
    IntContext again;
    EXPECT_FALSE(GmpFunctions() == caller);
  }
  EXPECT_TRUE(GmpFunctions() == caller);
  mpz_mul(mine.v, mine.v, mine.v);  // the caller's integer still grows on its own heap
  EXPECT_EQ(dec(mine.v), "15241578753238836750495351562536198787501905199875019052100");
}

TEST_F(IntLayerTest, ShrinkingReallocationCopiesOnlyTheNewSize) {
  SKIP_IN_MEMDEBUG();
  IntContext ctx;
  auto* old = static_cast<unsigned char*>(bignum_alloc(64));
  std::memset(old, 0xAB, 64);
  HeapMark m;
  save_GC_state(m);
  std::memset(alloc64(256), 0, 256);
  restore_GC_state(m);
  auto* q = static_cast<unsigned char*>(bignum_realloc(old, 64, 16));
  for (int i = 0; i < 16; i++) EXPECT_EQ(q[i], 0xAB);
  // Nothing was written past the 16 bytes asked for.
  for (int i = 16; i < 64; i++) ASSERT_EQ(q[i], 0) << i;
  auto* grown = static_cast<unsigned char*>(bignum_realloc(q, 16, 40));
  for (int i = 0; i < 16; i++) EXPECT_EQ(grown[i], 0xAB);
}

TEST_F(IntLayerTest, ExportImportRoundTripAndShortBuffersAreRefused) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(3);
  std::vector<std::string> texts;
  for (uint32_t bits : {1u, 31u, 32u, 33u, 64u, 65u, 200u, 1000u})
    for (int rep = 0; rep < 4; rep++) texts.push_back(dec(zel_test::random_ref(rng, bits).v));
  IntContext ctx;
  ZoneScope scope;
  for (size_t k = 0; k < texts.size(); k++) {
    INT v;
    ASSERT_TRUE(parse_INT(texts[k].c_str(), &v));
    const uint32_t len = 1 + export_words_INT(v) + uint32_t(k % 3);
    std::vector<uint32_t> w(len + 1, 0xDEADBEEF);
    ZEL_C(export_INT)(w.data(), v, len);
    EXPECT_EQ(w[len], 0xDEADBEEF);
    EXPECT_EQ(w[0], mpz_sgn(&v) < 0 ? uint32_t(-1) : 1u);
    INT back = ZEL_C(import_INT)(reinterpret_cast<const int32_t*>(w.data()), len);
    EXPECT_EQ(dec(&back), texts[k]);
  }
  INT zero = ZEL_C(cINT_I32)(0);
  uint32_t z[3] = {9, 9, 9};
  ZEL_C(export_INT)(z, zero, 3);
  EXPECT_EQ(z[0], 1u);
  EXPECT_EQ(z[1] + z[2], 0u);
  // 2^64 needs three magnitude words: a buffer of three in all is too short
  // and stays untouched.  (Export needs no context; a caught error must not
  // happen inside one, it leaves it.)
  INT big;
  parse_INT("18446744073709551616", &big);
  ZEL_C(exit_INT)();
  uint32_t s[3] = {7, 7, 7};
  EXPECT_RAISES(ZEL_C(export_INT)(s, big, 3),
                "Zel interface error: an integer of 4 words does not fit in 3 words\n");
  EXPECT_EQ(s[0] + s[1] + s[2], 21u);
  ZEL_C(enter_INT)();
}

TEST_F(IntLayerTest, SignsResiduesAndDecimalConversions) {
  // Reference integers and caught errors stay outside the context: a fatal
  // error leaves it for good.
  const RefZ ref("123456789012345678901234567890");
  uint32_t out[5] = {0, 0, 0, 0, 0};
  ZEL_C(convert_modulos)(" -1 ", out, valid_Primes, 5);
  for (uint32_t r : out) EXPECT_EQ(r, 1u);
  ZEL_C(convert_modulos)("-123456789012345678901234567890", out, valid_Primes, 5);
  for (int i = 0; i < 5; i++) EXPECT_EQ(out[i], mpz_fdiv_ui(ref.v, valid_Primes[i]));
  uint32_t kept[2] = {5, 6};
  EXPECT_RAISES(ZEL_C(convert_modulos)("12x", kept, valid_Primes, 2), "Not an integer: \"12x\"\n");
  EXPECT_RAISES(ZEL_C(convert_modulos)("--1", kept, valid_Primes, 2), "Not an integer: \"--1\"\n");
  EXPECT_EQ(kept[0] + kept[1], 11u);

  IntContext ctx;
  ZoneScope scope;
  INT v = ZEL_C(cINT_I32)(-7);
  ZEL_C(SetSign_Int)(&v, +1);
  EXPECT_EQ(dec(&v), "7");
  ZEL_C(SetSign_Int)(&v, -1);
  EXPECT_EQ(dec(&v), "-7");
  ZEL_C(SetSign_Int)(&v, 0);
  EXPECT_TRUE(ZEL_C(is_zero_INT)(v));
  const uint32_t p = valid_Primes[0];
  EXPECT_EQ(ZEL_C(INT_to_Dom)(ZEL_C(cINT_I32)(-1), p), p - 1);
}

TEST_F(IntLayerTest, SlidingKeepsNeighboursIntactAndPacksThemAtTheMark) {
  IntContext ctx;
  alloc64(8);  // a current block for the mark to point into
  HeapMark m;
  save_GC_state(m);
  // Two survivors side by side, then garbage, then one more survivor.
  INT a, b, c;
  parse_INT("-340282366920938463463374607431768211457", &a);
  parse_INT("18446744073709551629", &b);
  for (int i = 0; i < 50; i++) ZEL_C(cINT_I32)(i);
  parse_INT("99999999999999999999999999999999999999999999", &c);
  const void* sources[3] = {a._mp_d, b._mp_d, c._mp_d};
  INT* survivors[3] = {&c, &a, &b};
  restore_and_slide(m, survivors, 3);
  EXPECT_EQ(dec(&a), "-340282366920938463463374607431768211457");
  EXPECT_EQ(dec(&b), "18446744073709551629");
  EXPECT_EQ(dec(&c), "99999999999999999999999999999999999999999999");
#ifndef ZEL_MEMDEBUG
  // In their old order above the mark, each at or below where it was.
  EXPECT_LE(static_cast<void*>(m.bignum_tas), static_cast<void*>(a._mp_d));
  EXPECT_LT(static_cast<void*>(a._mp_d), static_cast<void*>(b._mp_d));
  EXPECT_LT(static_cast<void*>(b._mp_d), static_cast<void*>(c._mp_d));
  EXPECT_LE(static_cast<const void*>(a._mp_d), sources[0]);
  EXPECT_LE(static_cast<const void*>(b._mp_d), sources[1]);
  EXPECT_LT(static_cast<const void*>(c._mp_d), sources[2]);
#endif
}

}  // namespace
