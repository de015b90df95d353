// The coefficient heap: marks, block changes, large cells, prepared states
// and the compactors, including blocks that lie in decreasing address order.
#include "server/base/coef_heap.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "server/base/orv_malloc.hpp"
#include "server/base/vgf.hpp"
#include "server/log_capture.hpp"
#include "support/seeds.hpp"

using namespace orv::ORV_BUILD;

namespace {

struct HeapTest : ::testing::Test {
  void SetUp() override {
    want_offset_primes = 0;
    set_VGF(3);
    orv::want_quiet = 1;
  }
  void TearDown() override { orv::want_quiet = 0; }
};

}  // namespace

TEST_F(HeapTest, RestoreRewindsToTheFirstCellAfterTheMark) {
  cVGF(1);
  Garbage_State s;
  save_orv_state_VGF(s);
  VGF first = cVGF(2);
  for (int i = 0; i < 100000; ++i) cVGF(i);  // crosses at least one block
  restore_orv_state_VGF(s);
  EXPECT_EQ(cVGF(3).rep, first.rep);
  EXPECT_FALSE(is_reset_state_VGF());
}

TEST_F(HeapTest, PrimesOutliveARestoreToAnEarlierMark) {
  Garbage_State mark;
  save_orv_state_VGF(mark);
  set_VGF(3);
  restore_orv_state_VGF(mark);
  for (int i = 0; i < 1000; ++i) pretend_VGF(0);  // would overwrite a prime cell
  EXPECT_EQ(VGF::_prime[2], 4294967291u);
  EXPECT_EQ(Modulo6.rep[0], 1000000u);
  EXPECT_TRUE(comp_EQ(String_to_VGF("12345678"), cVGF(12345678L)));
}

TEST_F(HeapTest, LargeRequestsAreServedOutsideTheZonesWithAWarning) {
  orv_test::StreamCapture log;
  char* top = orv_bignum_tas;
  void* big = alloc_Implement_VGF(1000000);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(log.take(), "#C Warning: 1000000 >= 1000000 !!\n");
  EXPECT_EQ(orv_bignum_tas, top);
  alloc_Implement_VGF(999999);  // from a block, silently
  EXPECT_EQ(log.take(), "");
  std::free(big);  // the allocation hook is malloc unless ORVBIGMEM is set
}

TEST_F(HeapTest, ACellEndingAtTheBlockEndMovesToTheNextBlock) {
  alloc_Implement_VGF(16);
  uint32_t left = static_cast<uint32_t>(bot_bignum_tas - orv_bignum_tas);
  int32_t next = cur_garbages;
  uint32_t lost = lost_bignum;
  char* cell = static_cast<char*>(alloc_Implement_VGF(left));
  EXPECT_EQ(cur_garbages, next + 1);
  EXPECT_EQ(lost_bignum, lost + left);
  EXPECT_EQ(cell, all_garbages[cur_garbages - 1]);
}

TEST_F(HeapTest, SlidingKeepsEverySurvivorAndCountsOnlyRealCompactions) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(5);
  VGF before = cVGF(-77);  // made before the mark, listed too
  Garbage_State s;
  save_orv_state_VGF(s);
  std::vector<VGF> keep;
  for (int i = 0; i < 300000; ++i) {  // several blocks
    VGF v = cVGF(static_cast<long>(rng() % 1000000007));
    if (rng() % 10 == 0) keep.push_back(v);
  }
  keep.push_back(before);
  std::vector<std::array<uint32_t, 3>> expect;
  for (VGF& v : keep) expect.push_back({v.rep[0], v.rep[1], v.rep[2]});
  restore_orv_state_VGF(s);
  std::vector<VGF*> h;
  for (VGF& v : keep) h.push_back(&v);
  std::reverse(h.begin(), h.end());  // the compactor sorts them itself
  uint32_t count = Nb_glisser_VGF();
  compacteur_glissant(0, h.data(), false);
  EXPECT_EQ(Nb_glisser_VGF(), count);
  compacteur_glissant(static_cast<uint32_t>(h.size()), h.data(), true);
  EXPECT_EQ(Nb_glisser_VGF(), count + 1);
  for (size_t i = 0; i < keep.size(); ++i) {
    ASSERT_EQ(keep[i].rep[0], expect[i][0]) << i;
    ASSERT_EQ(keep[i].rep[1], expect[i][1]) << i;
    ASSERT_EQ(keep[i].rep[2], expect[i][2]) << i;
  }
  // The cells made after the survivors' new home are fresh: the next cell
  // lies right behind the last survivor copied.
  VGF after = cVGF(5);
  EXPECT_EQ(after.rep[0], 5u);
  EXPECT_EQ(before.rep[0], expect.back()[0]);
}

// Blocks whose addresses decrease: a direct copy in address order would
// overwrite cells of the higher block before they are moved.
TEST_F(HeapTest, SlidingAcrossBlocksInDecreasingAddressOrderLosesNothing) {
  const uint32_t k = 2;
  std::vector<char> area(size_t{k} * kCoefBlockBytes + 64);
  std::vector<char*> table(16);
  Garbage_State prepared;
  {
    orv_test::StreamCapture log;  // the notice
    creat_alloc_Implement_VGF(k, 16, k * kCoefBlockBytes, table.data(), prepared, area.data());
    EXPECT_NE(log.take().find("*** Creat Memory with 2 zone"), std::string::npos);
  }
  std::swap(table[0], table[1]);  // block 0 above block 1
  swap_with_State(prepared);      // the prepared state is now zone 1

  Garbage_State mark;
  save_orv_state_VGF(mark);
  std::vector<VGF> keep;
  std::vector<uint32_t> expect;
  const uint32_t per_block = kCoefBlockBytes / 12;
  for (uint32_t i = 0; i < per_block + per_block / 2; ++i) {
    VGF v = cVGF(static_cast<long>(i) * 7919 + 1);
    if (i % 3 == 0) {
      keep.push_back(v);
      expect.push_back(v.rep[2]);
    }
  }
  ASSERT_EQ(cur_garbages, 2);  // both blocks in use
  restore_orv_state_VGF(mark);
  std::vector<VGF*> h;
  for (VGF& v : keep) h.push_back(&v);
  compacteur_glissant(static_cast<uint32_t>(h.size()), h.data(), false);
  for (size_t i = 0; i < keep.size(); ++i) ASSERT_EQ(keep[i].rep[2], expect[i]) << i;

  swap_with_State(prepared);  // back to the process's own zone
}

TEST_F(HeapTest, DoubleCompactorCopiesAHandleListedTwiceOnce) {
  cVGF(0);
  if (bot_bignum_tas - orv_bignum_tas < 4096)  // start from a block with room
    alloc_Implement_VGF(static_cast<uint32_t>(bot_bignum_tas - orv_bignum_tas));
  Garbage_State mark;
  save_orv_state_VGF(mark);
  cVGF(0);
  VGF a = cVGF(11), b = cVGF(12);
  restore_orv_state_VGF(mark);
  VGF* h[3] = {&a, &b, &a};
  uint32_t* top = reinterpret_cast<uint32_t*>(orv_bignum_tas);
  compacteur_glissant_dbl(3, h);
  EXPECT_EQ(a.rep[0], 11u);
  EXPECT_EQ(b.rep[0], 12u);
  EXPECT_EQ(a.rep, top);  // copied once, first
  EXPECT_EQ(b.rep, top + 3);
}

TEST_F(HeapTest, ZoneTwoCompactionAndSwapping) {
  VGF a = cVGF(31337);
  VGF* h[1] = {&a};
  compacteur_glissant_zone2(1, h);
  EXPECT_EQ(a.rep[0], 31337u);
  EXPECT_GE(max_garbages2, 1);
  int32_t id1 = orv_cur_id_garbage;
  swap_zone();
  EXPECT_EQ(orv_cur_id_garbage, 2);
  swap_zone();
  EXPECT_EQ(orv_cur_id_garbage, id1);
  reset_zone2();
  EXPECT_EQ(orv_bignum_tas2, all_garbages2[0]);
}

TEST_F(HeapTest, StatesMoveFreeBlocks) {
  std::vector<char*> table(8);
  std::vector<char> area(3 * kCoefBlockBytes);
  Garbage_State s;
  {
    orv_test::StreamCapture log;
    creat_alloc_Implement_VGF(3, 8, 3 * kCoefBlockBytes, table.data(), s, area.data());
  }
  EXPECT_EQ(s.max_garbages, 3u);
  EXPECT_EQ(table[2], area.data() + 2 * kCoefBlockBytes);
  Garbage_State saved;
  full_save_orv_state_VGF(saved);
  int32_t held = max_garbages;
  tranfert_free_State(s);
  EXPECT_EQ(max_garbages, held + 3);
  EXPECT_EQ(s.max_garbages, 0u);
  full_restore_orv_state_VGF(saved);
  EXPECT_EQ(max_garbages, held);
  restore_State(s);
  EXPECT_EQ(s.orv_bignum_tas, nullptr);
}

TEST(HeapDeath, PreparedStatesCheckTheirSizes) {
  orv_test::use_fresh_children();
  std::vector<char*> table(4);
  Garbage_State s;
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        creat_alloc_Implement_VGF(3, 4, 3000001, table.data(), s, nullptr);
      },
      ::testing::ExitedWithCode(3), "In creat_alloc_Implement_VGF 3000001 must be a product of 3");
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        creat_alloc_Implement_VGF(4, 999999, table.data(), s, nullptr);
      },
      ::testing::ExitedWithCode(3), "You must give a zone of at least 1000000 bytes");
}

TEST(HeapDeath, RefusedMemoryAndTheBlockLimitEndTheProcess) {
  orv_test::use_fresh_children();
  auto refused = [](uint32_t) -> void* { return nullptr; };
  auto in_child = [&](auto body) {
    orv::log_output = stderr;
    orv::want_quiet = 1;
    set_VGF(3);
    body();
  };
  EXPECT_EXIT(in_child([&] {
                ORV_C(Orv_malloc) = refused;
                alloc_Implement_VGF(1000000);
              }),
              ::testing::ExitedWithCode(3),
              "#error \\(fatal\\): Pas assez de memoire pour \\*UN\\* entier \\(1000000\\)!\n$");
  EXPECT_EXIT(in_child([&] {
                ORV_C(Orv_malloc) = refused;
                cVGF(1);
              }),
              ::testing::ExitedWithCode(3), "Pas assez de memoire pour les entiers \\(12,0\\)!\n$");
  // Zone 1 holds at most capacity - 1 blocks.
  EXPECT_EXIT(in_child([] {
                limit_garbages = 2;
                alloc_Implement_VGF(999999);
                alloc_Implement_VGF(999999);
              }),
              ::testing::ExitedWithCode(3), "Limit for allocations: 2 in VGF !\n$");
  EXPECT_EXIT(in_child([&] {
                ORV_C(Orv_malloc) = refused;
                new_Implement_VGF_2();
              }),
              ::testing::ExitedWithCode(3),
              "Pas assez de memoire dans l'initialisation de la zone2!\n$");
}
