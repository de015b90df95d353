// Pooled monomial lists: append, sorted insertion and the stable merge sort.
#include "engine/mono/list_expos.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/mono/expos_pool.hpp"
#include "support/engine_memory.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

// Cells carry a key in the monomial pointer (never dereferenced here).
uintptr_t key(const List_Expos* c) { return reinterpret_cast<uintptr_t>(c->monomial) >> 8; }
int greater_key(List_Expos* x, List_Expos* y) { return key(x) > key(y); }

List_Expos* make_list(const std::vector<uintptr_t>& keys, std::vector<List_Expos*>& cells) {
  List_Expos* list = nullptr;
  cells.clear();
  for (size_t i = keys.size(); i-- > 0;) {
    List_Expos* c = ZEL_C(new_List_Expos)();
    c->monomial = reinterpret_cast<Expos*>((keys[i] << 8) | i);  // low byte: input position
    c->next = list;
    list = c;
    cells.insert(cells.begin(), c);
  }
  return list;
}

struct ListExpos : ::testing::Test {
  TestHost host;
  void SetUp() override { fresh_engine_memory(); }
};

}  // namespace

TEST_F(ListExpos, SortIsStableAndEndsInNull) {
  SEED_TRACE();
  auto rng = make_rng(8);
  EXPECT_EQ(ZEL_C(trier_boolean_List_Expos)(nullptr, greater_key), nullptr);
  for (size_t n : {1, 2, 3, 5, 8, 13, 64, 100, 255}) {
    for (int rep = 0; rep < 20; ++rep) {
      std::vector<uintptr_t> keys(n);
      for (auto& k : keys) k = rng() % 7;  // many equal keys
      std::vector<List_Expos*> cells;
      List_Expos* list = make_list(keys, cells);
      List_Expos* sorted = ZEL_C(trier_boolean_List_Expos)(list, greater_key);
      // Reference: stable sort by decreasing key.
      std::vector<size_t> order(n);
      for (size_t i = 0; i < n; ++i) order[i] = i;
      std::stable_sort(order.begin(), order.end(),
                       [&](size_t a, size_t b) { return keys[a] > keys[b]; });
      List_Expos* c = sorted;
      for (size_t i = 0; i < n; ++i, c = c->next) {
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(c, cells[order[i]]) << "n=" << n << " i=" << i;
      }
      ASSERT_EQ(c, nullptr);
    }
  }
}

TEST_F(ListExpos, AppendAndSortedInsertion) {
  std::vector<List_Expos*> ca, cb;
  List_Expos* a = make_list({9, 5, 1}, ca);
  List_Expos* b = make_list({4}, cb);
  EXPECT_EQ(ZEL_C(append_List_Expos)(nullptr, b), b);
  EXPECT_EQ(ZEL_C(append_List_Expos)(a, nullptr), a);
  std::vector<List_Expos*> cx;
  List_Expos* x = make_list({5}, cx);
  // Goes before the first later cell it is greater than: after the equal 5.
  List_Expos* l = ZEL_C(merge_boolean_List_Expos)(x, a, greater_key);
  EXPECT_EQ(l, a);
  EXPECT_EQ(ca[1]->next, x);
  EXPECT_EQ(x->next, ca[2]);
  std::vector<List_Expos*> cy, cz;
  List_Expos* y = make_list({10}, cy);
  EXPECT_EQ(ZEL_C(merge_boolean_List_Expos)(y, l, greater_key), y);
  List_Expos* z = make_list({0}, cz);
  ZEL_C(merge_boolean_List_Expos)(z, y, greater_key);
  EXPECT_EQ(ca[2]->next, z);
  EXPECT_EQ(ZEL_C(merge_boolean_List_Expos)(z, nullptr, greater_key), z);
  EXPECT_EQ(ZEL_C(append_List_Expos)(y, b), y);
  EXPECT_EQ(z->next, b);
}
