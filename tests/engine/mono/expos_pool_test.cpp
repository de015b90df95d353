// Monomial blocks from the pool and the zone, and the constructors that
// build quotients, lcms and block copies in them.
#include "engine/mono/expos_pool.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/mem/pool.hpp"
#include "mono_fixture.hpp"
#include "support/engine_memory.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

struct ExposPool : ::testing::Test {
  TestHost host;
  void SetUp() override {
    fresh_engine_memory();
    use_layout(6, 4);
  }
};

}  // namespace

TEST_F(ExposPool, ANewLayoutForgetsBlocksOfTheOldSize) {
  ZEL_C(kill_Expos)(ZEL_C(new_Expos)());
  ASSERT_NE(Expos_pool.root, nullptr);
  use_layout(6, 4);  // same size: blocks stay
  EXPECT_NE(Expos_pool.root, nullptr);
  use_layout(9, 9);  // 24 -> 32 bytes: the 24-byte blocks must not be reused
  EXPECT_EQ(Expos_pool.root, nullptr);
  EXPECT_EQ(Expos_pool.record_size, sz_Expos);
}

TEST_F(ExposPool, ConstructorsAgreeWithNaiveReference) {
  SEED_TRACE();
  auto rng = make_rng(6);
  for (long it = 0; it < iterations(5000); ++it) {
    const NaiveMono a = random_mono(rng);
    const NaiveMono b = random_divisor_or_not(rng, a);
    MonoBuf A(a), B(b);
    ExposW* z = zero_Expos();
    ASSERT_TRUE(is_one_Expos(z));
    ExposW* c = copy_offset_Expos(A.w());
    ASSERT_TRUE(equal_Expos(c, A.w()));
    ExposW* l = ZEL_C(lcm_Expos)(A.w(), B.w());
    ASSERT_EQ(to_naive(l), naive_lcm(a, b));
    if (naive_divides(b, a)) {
      ExposW* q = sub_Expos(A.w(), B.w());
      ASSERT_EQ(to_naive(q), naive_quo(a, b));
      ZEL_C(kill_Expos)(pool_block_of(q));
    }
    // First-block copy: fields 0..3 kept, the rest cleared.
    MonoBuf F(NaiveMono(8, 7));
    copy_block1_Expos(F.w(), A.hdr());
    NaiveMono want = a;
    for (size_t i = 4; i < want.size(); ++i) want[i] = 0;
    ASSERT_EQ(to_naive(F.w()), want);
    ZEL_C(kill_Expos)(header_of(z));
    ZEL_C(kill_Expos)(header_of(c));
    ZEL_C(kill_Expos)(pool_block_of(l));
  }
}

TEST_F(ExposPool, QuotientOfEqualMonomialsIsNull) {
  MonoBuf a({1, 1, 0, 0, 0, 0, 0, 0}), x0({1, 0, 0, 0, 0, 0, 0, 0});
  ZEL_C(kill_Expos)(ZEL_C(new_Expos)());
  void* before = Expos_pool.root;
  EXPECT_EQ(nil_or_sub_Expos(a.w(), a.w()), nullptr);
  EXPECT_EQ(Expos_pool.root, before);  // the block went back
  ExposW* q = nil_or_sub_Expos(a.w(), x0.w());
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(to_naive(q), (NaiveMono{0, 1, 0, 0, 0, 0, 0, 0}));
}

#ifdef ZEL_VARIANT_INT
TEST_F(ExposPool, InPlaceCopyAndAddressSort) {
  MonoBuf a({3, 0, 2, 0, 0, 0, 1, 0});
  put_hash(a.hdr(), 1234);
  Expos* slot = a.hdr();
  in_place_copy_Expos(&slot);
  EXPECT_NE(slot, a.hdr());
  EXPECT_EQ(get_hash(slot), 1234u);
  EXPECT_TRUE(equal_Expos(words_of(slot), a.w()));

  SEED_TRACE();
  auto rng = make_rng(7);
  for (uint32_t n : {0u, 1u, 2u, 7u, 100u, 1000u}) {
    std::vector<Expos*> held(n);
    std::vector<Expos**> v(n);
    for (uint32_t i = 0; i < n; ++i) {
      held[i] = reinterpret_cast<Expos*>(uintptr_t(rng() % 50) * 16);  // with repeats
      v[i] = &held[i];
    }
    sort_Expos_Adresses(v.data(), n);
    for (uint32_t i = 1; i < n; ++i) ASSERT_LE(uintptr_t(*v[i - 1]), uintptr_t(*v[i]));
    std::vector<Expos**> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(sorted[i], &held[i]);  // a permutation
  }
}
#endif
