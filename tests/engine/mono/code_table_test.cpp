// The monomial code table against an unordered_map reference, its probing
// rule at the wrap from slot 0, emptying, lookups of absent monomials and the
// fatal paths; each in both layouts (a flat zone table and the engine's
// compact one).
#include "engine/mono/code_table.hpp"

#include <gtest/gtest.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "engine/mono/expos_pool.hpp"
#include "mono_fixture.hpp"
#include "support/engine_memory.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

enum class Layout { kFlat, kCompact };

// Fresh memory, a quiet layout and a table sized for max_index codes.
struct CodeTableBase : ::testing::Test {
  TestHost host;
  uint32_t saved_index = zel_max_index, saved_prime = zel_hash_prime;
  Base_Exposants* t = nullptr;
  Layout layout = Layout::kFlat;

  void make_table(uint32_t n, uint32_t max_index) {
    fresh_engine_memory();
    use_layout(n, n);
    zel_max_index = max_index;
    set_hash_prime();
    t = layout == Layout::kFlat ? dynamic_Table_de_Recherche() : engine_Table_de_Recherche();
    empty_Table_de_Recherche(t);
  }
  ~CodeTableBase() override {
    release_engine_table_pages();
    zel_max_index = saved_index;
    zel_hash_prime = saved_prime;
  }

  // A hashed heap monomial (header form).
  Expos* heap_mono(const NaiveMono& e) {
    Expos* m = ZEL_C(new_heap_Expos)();
    for (uint32_t k = 0; k < nb_of_blocks_of_variables; ++k) set_word(words_of(m), k, 0);
    for (uint32_t i = 0; i < e.size(); ++i) set_field(words_of(m), i, uint32_t(e[i]));
    put_hash(m, hash_Expos(words_of(m)));
    return m;
  }
  uint32_t occupied_slots() const {
    uint32_t c = 0;
    for (uint32_t s = 0; s < zel_hash_prime; ++s) c += slot_contents(t, s).monomial != nullptr;
    return c;
  }
  uint32_t flagged_slots() const {
    uint32_t c = 0;
    for (uint32_t s = 0; s < zel_hash_prime; ++s) c += slot_contents(t, s).collision;
    return c;
  }
};

struct CodeTable : CodeTableBase, ::testing::WithParamInterface<Layout> {
  void SetUp() override { layout = GetParam(); }
};
using EngineTable = CodeTableBase;

std::string key_of(const ExposW* m) {
  return std::string(reinterpret_cast<const char*>(m), 8 * nb_of_blocks_of_variables);
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Layouts, CodeTable, ::testing::Values(Layout::kFlat, Layout::kCompact),
                         [](const auto& info) {
                           return info.param == Layout::kFlat ? "Flat" : "Compact";
                         });

TEST(CodeTableSize, PrimeFollowsMaxIndex) {
  TestHost host;
  const uint32_t saved_index = zel_max_index, saved_prime = zel_hash_prime;
  const std::pair<uint32_t, uint32_t> cases[] = {{5000000, 9646907},
                                                 {4000000, 4823459},
                                                 {100000, 150743},
                                                 {65536, 75367},
                                                 {512, 617},
                                                 {2147483648u, 2469606199u},
                                                 {4294967295u, 2469606199u},
                                                 {1073741824u, 1234803133u},
                                                 {2147483647u, 2469606199u}};
  for (auto [m, p] : cases) {
    zel_max_index = m;
    set_hash_prime();
    EXPECT_EQ(zel_hash_prime, p) << m;
  }
  auto rng = make_rng(4);
  for (int i = 0; i < 2000; ++i) {
    zel_max_index = 512 + uint32_t(rng() % (2147483648u - 512));
    set_hash_prime();
    ASSERT_GE(zel_hash_prime, zel_max_index);
    ASSERT_LT(double(zel_hash_prime), 2.3 * zel_max_index);
  }
  zel_max_index = 511;
  EXPECT_RAISES(set_hash_prime(), "Cannot find corresponding prime for MAX_INDEX=511\n");
  zel_max_index = saved_index;
  zel_hash_prime = saved_prime;
}

// Two million products of a few thousand factors, entered as symbolic
// preprocessing does, checked code by code against a map.
TEST_P(CodeTable, AgreesWithMapReferenceOverManyProducts) {
  SEED_TRACE();
  make_table(5, 262144);  // 301471 slots; at most 8^6 = 262144 distinct products
  auto rng = make_rng(5);
  std::vector<Expos*> A;
  std::vector<MonoBuf> B;
  std::vector<uint32_t> hB;
  for (int i = 0; i < 2000; ++i) {
    NaiveMono a(8, 0), b(8, 0);
    for (int v = 0; v < 6; ++v) a[v] = int(rng() % 4), b[v] = int(rng() % 5);
    A.push_back(heap_mono(a));
    B.emplace_back(b);
    hB.push_back(hash_Expos(B.back().w()));
  }
  std::unordered_map<std::string, uint32_t> ref;
  const long n = iterations(2000000);
  for (long it = 0; it < n; ++it) {
    const uint32_t i = rng() % A.size(), j = rng() % B.size();
    MonoBuf prod;
    mul_Expos_to(prod.w(), words_of(A[i]), B[j].w());
    uint32_t code = ~0u;
    Expos* mono = nullptr;
    const int fresh = ZEL_C(get_code)(hB[j], B[j].w(), A[i], t, &code, &mono);
    auto [pos, inserted] = ref.emplace(key_of(prod.w()), uint32_t(ref.size()));
    ASSERT_EQ(fresh, inserted ? 1 : 0) << it;
    ASSERT_EQ(code, pos->second) << it;
    ASSERT_TRUE(equal_Expos(words_of(mono), prod.w()));
    ASSERT_EQ(get_hash(mono), hash_Expos(prod.w()));
  }
  ASSERT_EQ(t->count, ref.size());
  ASSERT_EQ(occupied_slots(), ref.size());
  // The map names, code by code, the slot holding that code's monomial.
  for (uint32_t c = 0; c < t->count; ++c) {
    const SlotContents s = slot_contents(t, map_slot(t, c));
    ASSERT_EQ(s.code, c);
    ASSERT_EQ(ref.at(key_of(s.monomial)), c);
    ASSERT_EQ(monomial_of_map(t, c), s.monomial);
    ASSERT_EQ(ZEL_C(insert_code)(header_of(monomial_of_map(t, c)), t, 3 * c + 1), 0);
  }
  // Every product is found again from its factors; absent ones are not.
  for (long it = 0; it < iterations(200000); ++it) {
    const uint32_t i = rng() % A.size(), j = rng() % B.size();
    MonoBuf prod;
    mul_Expos_to(prod.w(), words_of(A[i]), B[j].w());
    const auto found = ref.find(key_of(prod.w()));
    if (found == ref.end()) {
      ASSERT_EQ(find_code_or_fail(hB[j], B[j].w(), A[i], t), -1);
      continue;
    }
    const uint32_t c = found->second;
    ASSERT_EQ(find_code(hB[j], B[j].w(), A[i], t), 3 * c + 1);
    ASSERT_EQ(find_code_or_fail(hB[j], B[j].w(), A[i], t), int32_t(3 * c + 1));
    MonoBuf far(NaiveMono{0, 0, 0, 0, 0, 9, 0, 0});  // pushes a field past 7
    MonoBuf bf;
    mul_Expos_to(bf.w(), far.w(), B[j].w());
    ASSERT_EQ(find_code_or_fail(hash_Expos(bf.w()), bf.w(), A[i], t), -1);
  }
  // Reordering the map: entry k names the slot of code order[k], whose
  // value becomes k.
  std::vector<uint32_t> order(t->count);
  for (uint32_t k = 0; k < t->count; ++k) order[k] = k ^ 1u;
  if (t->count & 1) order.back() = t->count - 1;
  std::vector<uint32_t> slot_of_code(t->count);
  for (uint32_t c = 0; c < t->count; ++c) slot_of_code[c] = map_slot(t, c);
  reorder_map(t, order.data());
  for (uint32_t k = 0; k < t->count; ++k) {
    ASSERT_EQ(map_slot(t, k), slot_of_code[order[k]]);
    ASSERT_EQ(slot_contents(t, map_slot(t, k)).value, k);
    ASSERT_EQ(find_code1(header_of(monomial_of_map(t, k)), t), k);
  }
  // Emptying by codes clears exactly the used slots, whatever the map order.
  ASSERT_GT(flagged_slots(), 0u);
  empty_codes_Table_de_Recherche(t);
  EXPECT_EQ(t->count, 0u);
  EXPECT_EQ(occupied_slots(), 0u);
  EXPECT_EQ(flagged_slots(), 0u);
  // Codes start again at 0.
  uint32_t code;
  Expos* mono;
  EXPECT_EQ(ZEL_C(get_code)(hB[0], B[0].w(), A[0], t, &code, &mono), 1);
  EXPECT_EQ(code, 0u);
}

TEST_P(CodeTable, SameProductTwiceAndAdoption) {
  make_table(3, 512);
  Expos* a = heap_mono({1, 2, 0, 0});
  MonoBuf b({0, 1, 3, 0});
  const uint32_t hb = hash_Expos(b.w());
  uint32_t c1, c2;
  Expos *m1, *m2;
  EXPECT_EQ(ZEL_C(get_code)(hb, b.w(), a, t, &c1, &m1), 1);
  EXPECT_EQ(ZEL_C(get_code)(hb, b.w(), a, t, &c2, &m2), 0);
  EXPECT_EQ(c1, 0u);
  EXPECT_EQ(c2, 0u);
  EXPECT_EQ(m1, m2);
  EXPECT_NE(m1, a);
  EXPECT_EQ(get_hash(m1), hash_Expos(words_of(m1)));
  // With b null the table adopts a itself; an equal later monomial gets the
  // first block back.
  Expos* x = heap_mono({0, 0, 0, 5});
  Expos* y = heap_mono({0, 0, 0, 5});
  uint32_t cx, cy;
  Expos *mx, *my;
  EXPECT_EQ(ZEL_C(get_code)(0, nullptr, x, t, &cx, &mx), 1);
  EXPECT_EQ(mx, x);
  EXPECT_EQ(ZEL_C(get_code)(0, nullptr, y, t, &cy, &my), 0);
  EXPECT_EQ(my, x);
  EXPECT_EQ(cx, 1u);
  EXPECT_EQ(cy, 1u);
  // lookup_code finds codes and writes nothing.
  uint32_t found = 99;
  EXPECT_TRUE(lookup_code(hb, b.w(), a, t, &found));
  EXPECT_EQ(found, 0u);
  EXPECT_TRUE(lookup_code(0, nullptr, y, t, &found));
  EXPECT_EQ(found, 1u);
  MonoBuf absent({0, 0, 7, 0});
  EXPECT_FALSE(lookup_code(hash_Expos(absent.w()), absent.w(), a, t, &found));
  EXPECT_EQ(t->count, 2u);
  // insert_code of a present monomial replaces the value only.
  EXPECT_EQ(ZEL_C(insert_code)(y, t, 42), 0);
  EXPECT_EQ(t->count, 2u);
  EXPECT_EQ(find_code1(x, t), 42u);
  EXPECT_EQ(ZEL_C(find_code)(0, nullptr, y, t), 42u);
}

// The monomial 1 and x3^617 both hash to 0 modulo 617.
TEST_P(CodeTable, CollisionChainWrapsFromSlotZeroToTheLastSlot) {
  make_table(3, 512);
  ASSERT_EQ(zel_hash_prime, 617u);
  Expos* one = heap_mono({0, 0, 0, 0});
  Expos* x = heap_mono({0, 0, 0, 617});
  ASSERT_EQ(get_hash(x), 0u);
  EXPECT_EQ(ZEL_C(insert_code)(one, t, 5), 1);
  EXPECT_EQ(slot_contents(t, 0).monomial, words_of(one));
  EXPECT_EQ(ZEL_C(insert_code)(x, t, 6), 1);
  EXPECT_EQ(slot_contents(t, 616).monomial, words_of(x));
  EXPECT_EQ(slot_contents(t, 0).collision, 1u);
  EXPECT_EQ(slot_contents(t, 616).collision, 0u);
  EXPECT_EQ(map_slot(t, 1), 616u);
  EXPECT_EQ(find_code1(x, t), 6u);
  EXPECT_EQ(find_code1(one, t), 5u);
  // The same through a product: 1 * x3^617 lands on slot 616 too.
  MonoBuf b({0, 0, 0, 617});
  EXPECT_EQ(find_code(0, b.w(), one, t), 6u);
  EXPECT_EQ(find_code_or_fail(0, b.w(), one, t), 6);
  // An absent product whose home slot has its flag set: -1 at the empty slot.
  MonoBuf b2({0, 0, 0, 1234});
  EXPECT_EQ(find_code_or_fail(0, b2.w(), one, t), -1);
}

// Lookups of absent monomials must not trust a slot they never compared.
TEST_P(CodeTable, FindCodeOrFailComparesTheHomeSlot) {
  make_table(3, 512);
  Expos* a = heap_mono({1, 0, 0, 0});
  MonoBuf b({0, 2, 0, 0});
  const uint32_t hb = hash_Expos(b.w());
  uint32_t code;
  Expos* mono;
  ZEL_C(get_code)(hb, b.w(), a, t, &code, &mono);
  ASSERT_EQ(ZEL_C(insert_code)(mono, t, 77), 0);
  ASSERT_EQ(find_code_or_fail(hb, b.w(), a, t), 77);
  // Emptied: the slot keeps its old value but holds nothing.
  empty_codes_Table_de_Recherche(t);
  EXPECT_EQ(find_code_or_fail(hb, b.w(), a, t), -1);
  // A foreign monomial in the home slot, flag 0: x3^617 * 1 sits in slot
  // 0, the home slot of the absent 1 * 1.
  Expos* one = heap_mono({0, 0, 0, 0});
  Expos* x = heap_mono({0, 0, 0, 617});
  ZEL_C(insert_code)(x, t, 9);
  ASSERT_EQ(slot_contents(t, 0).collision, 0u);
  MonoBuf unit;
  EXPECT_EQ(find_code_or_fail(0, unit.w(), one, t), -1);
  EXPECT_RAISES(find_code_or_fail(0, nullptr, one, t), "NYA in find_code_or_fail\n");
}

TEST_P(CodeTable, LookupsOfAbsentMonomialsAreFatal) {
  make_table(3, 512);
  Expos* one = heap_mono({0, 0, 0, 0});
  Expos* x = heap_mono({0, 0, 0, 617});
  Expos* y = heap_mono({0, 0, 0, 1234});
  EXPECT_RAISES(find_code1(one, t), "Erreur impossible dans find_code1\n");
  MonoBuf b({0, 0, 0, 1});
  EXPECT_RAISES(find_code(hash_Expos(b.w()), b.w(), one, t),
                "Erreur impossible dans find_code !\n");
  ZEL_C(insert_code)(one, t, 1);
  ZEL_C(insert_code)(x, t, 2);  // slot 616, flag of slot 0 set
  EXPECT_RAISES(find_code1(y, t), "Erreur impossible dans find_code1\n");
  MonoBuf b3({0, 0, 0, 1234});
  EXPECT_RAISES(find_code(0, b3.w(), one, t), "Erreur impossible dans find_code !\n");
}

TEST_P(CodeTable, FullTableOverflowsWithTheOperationsMessage) {
  make_table(3, 512);
  const uint32_t p = zel_hash_prime;
  std::vector<Expos*> ms;
  for (uint32_t i = 0; i <= p; ++i) ms.push_back(heap_mono({int(i % 30), int(i / 30), 0, 0}));
  for (uint32_t i = 0; i < p; ++i) ASSERT_EQ(ZEL_C(insert_code)(ms[i], t, i), 1);
  EXPECT_EQ(t->count, p);
  EXPECT_RAISES(ZEL_C(insert_code)(ms[p], t, 0),
                "Sorry the size of the hash table is too small !\n");
  uint32_t code;
  Expos* mono;
  EXPECT_RAISES(ZEL_C(get_code)(0, nullptr, ms[p], t, &code, &mono),
                "Sorry the size of the matrix is too big ![3]\n");
  MonoBuf b({0, 0, 1, 0});
  EXPECT_RAISES(ZEL_C(get_code)(hash_Expos(b.w()), b.w(), ms[0], t, &code, &mono),
                "Sorry the size of the matrix is too big ![1]\n");
  EXPECT_RAISES(find_code_or_fail(hash_Expos(b.w()), b.w(), ms[0], t),
                "Infinite loop in find_code_or_fail !\n");
  EXPECT_RAISES(find_code1(ms[p], t), "Boucle infinie, impossible dans find_code1 !\n");
  EXPECT_RAISES(find_code(hash_Expos(b.w()), b.w(), ms[0], t),
                "Boucle infinie, erreur impossible dans find_code !\n");
  EXPECT_EQ(t->count, p);
  // Emptying fully gives every slot back.
  empty_Table_de_Recherche(t);
  EXPECT_EQ(occupied_slots(), 0u);
}

TEST_P(CodeTable, PrintsTheMonomialOfAMapEntry) {
  make_table(3, 512);
  const char* names[] = {"x", "y", "z"};
  for (int i = 0; i < 3; ++i) Liste_variables[i] = names[i];
  Liste_variables[3] = "?";
  ZEL_C(insert_code)(heap_mono({2, 0, 1, 0}), t, 0);
  ZEL_C(insert_code)(heap_mono({0, 1, 0, 0}), t, 0);
  captured() = Captured{};
  ZEL_C(see_Expos_Table)(0, t);
  ZEL_C(see_local_Expos)(10, t, 11);
  EXPECT_EQ(captured().printed, "x^2*zy");
  for (int i = 0; i < 4; ++i) Liste_variables[i] = nullptr;
}

// The engine's table is one record per build: made again it is the same
// table, empty; another size gives a working table too.
TEST_F(EngineTable, IsReusedEmptyAtTheSameSize) {
  make_table(3, 512);
  Base_Exposants* first = engine_Table_de_Recherche();
  empty_Table_de_Recherche(first);
  t = first;
  for (int k = 1; k <= 40; ++k) ZEL_C(insert_code)(heap_mono({k, 0, 1, 0}), t, uint32_t(k));
  EXPECT_EQ(t->count, 40u);
  EXPECT_EQ(occupied_slots(), 40u);
  t = engine_Table_de_Recherche();
  EXPECT_EQ(t, first);
  EXPECT_EQ(t->count, 0u);
  EXPECT_EQ(occupied_slots(), 0u);
  EXPECT_EQ(flagged_slots(), 0u);
  Expos* m = heap_mono({2, 2, 0, 0});
  EXPECT_EQ(ZEL_C(insert_code)(m, t, 7), 1);
  EXPECT_EQ(find_code1(m, t), 7u);
  zel_max_index = 4096;
  set_hash_prime();
  t = engine_Table_de_Recherche();
  EXPECT_EQ(occupied_slots(), 0u);
  EXPECT_EQ(ZEL_C(insert_code)(m, t, 9), 1);
  EXPECT_EQ(find_code1(m, t), 9u);
  // Its memory given back, it stays a working empty table.
  release_engine_table_pages();
  EXPECT_EQ(t->count, 0u);
  EXPECT_EQ(occupied_slots(), 0u);
  EXPECT_EQ(ZEL_C(insert_code)(m, t, 3), 1);
  EXPECT_EQ(find_code1(m, t), 3u);
}
