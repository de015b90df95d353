// The compact index of a step's codes against a map: products and single
// monomials, homes shared by many monomials, growth and clearing.
#include "engine/mono/code_index.hpp"

#include <gtest/gtest.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "mono_fixture.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

std::string key_of(const ExposW* m) {
  return std::string(reinterpret_cast<const char*>(m), 8 * nb_of_blocks_of_variables);
}

}  // namespace

// With 9 variables the index compares with its copies, with 70 with the
// stored monomials.
TEST(CodeIndex, AgreesWithMapThroughGrowthAndClearing) {
  SEED_TRACE();
  auto rng = make_rng(6);
  CodeIndex index;
  for (auto [nvars, expected] : {std::pair{9u, 0u}, std::pair{9u, 50000u}, std::pair{70u, 0u}}) {
    use_layout(nvars, nvars);
    index.clear(expected);
    ASSERT_EQ(index.size(), 0u);
    std::vector<MonoBuf> A, B, stored;
    for (int i = 0; i < 60; ++i) {
      NaiveMono a(12, 0), b(12, 0);
      for (int v = 0; v < 10; ++v) a[v] = int(rng() % 3), b[v] = int(rng() % 3);
      A.emplace_back(a);
      B.emplace_back(b);
    }
    stored.reserve(6000);  // the index keeps pointers to the stored monomials
    std::unordered_map<std::string, uint32_t> ref;
    // Few distinct homes: long runs of entries with one home, told apart by
    // their monomials only.
    auto home_of = [](const ExposW* m) { return uint32_t(get_word(m, 0) % 13); };
    for (int it = 0; it < 6000; ++it) {
      const bool single = rng() % 4 == 0;
      const ExposW* a = A[rng() % A.size()].w();
      const ExposW* b = single ? nullptr : B[rng() % B.size()].w();
      MonoBuf m, one;
      mul_Expos_to(m.w(), a, b ? b : one.w());
      uint32_t code = ~0u;
      const bool found = index.find(home_of(m.w()), b, a, &code);
      const auto it_ref = ref.find(key_of(m.w()));
      ASSERT_EQ(found, it_ref != ref.end()) << it;
      if (found) {
        ASSERT_EQ(code, it_ref->second) << it;
        continue;
      }
      const uint32_t c = uint32_t(ref.size());
      ref.emplace(key_of(m.w()), c);
      stored.push_back(m);
      index.add(home_of(m.w()), stored.back().w(), c);
    }
    ASSERT_EQ(index.size(), ref.size());
    for (uint32_t c = 0; c < index.size(); ++c) {
      ASSERT_EQ(index.monomial(c), stored[c].w());
      ASSERT_TRUE(equal_Expos(index.copy_of(c), stored[c].w()));
    }
  }
  index.clear(10);
  uint32_t code;
  EXPECT_FALSE(index.find(0, nullptr, MonoBuf().w(), &code));
}
