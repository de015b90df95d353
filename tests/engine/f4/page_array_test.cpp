// The step's growing array: values survive every remap, new values take the
// fill, and a cleared array is reused from the start.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "engine/f4/page_array.hpp"

using namespace zel::ZEL_BUILD;

namespace {

TEST(PageArray, ValuesSurviveGrowthAndClearingReusesTheArray) {
  PageArray<uint32_t> a;
  // From nothing past several doublings of the first megabyte, a row at a
  // time as symbolic preprocessing grows it.
  const size_t rows = 3000, width = 1000;
  for (size_t r = 0; r < rows; ++r) {
    const size_t start = a.size();
    a.resize(start + width, ~0u);
    EXPECT_EQ(a[start + width - 1], ~0u);
    a[start] = uint32_t(r);
  }
  ASSERT_EQ(a.size(), rows * width);
  for (size_t r = 0; r < rows; ++r) {
    ASSERT_EQ(a[r * width], uint32_t(r));
    ASSERT_EQ(a[r * width + 1], ~0u);
  }
  // A shrink then a regrowth fills again rather than showing old values.
  a.resize(10, 0);
  a.resize(20, 7);
  EXPECT_EQ(a[9], ~0u);
  EXPECT_EQ(a[10], 7u);
  a.clear();
  a.resize(5, 3);
  EXPECT_EQ(a.size(), 5u);
  EXPECT_EQ(a.data()[4], 3u);
  // A memory reset assigns an empty array: the pages go, the values move.
  PageArray<uint32_t> b(std::move(a));
  EXPECT_EQ(a.data(), nullptr);
  EXPECT_EQ(b[4], 3u);
  b = PageArray<uint32_t>{};
  EXPECT_EQ(b.size(), 0u);
  EXPECT_EQ(b.data(), nullptr);
}

TEST(PageArray, AReservedArrayStaysInPlaceThenGrowsPastItsReserve) {
  const size_t reserve = size_t(4) << 20;
  PageArray<uint32_t> a(reserve);
  a.resize(1, 5);
  const uint32_t* at = a.data();
  const size_t inside = reserve / sizeof(uint32_t);
  a.resize(inside, 6);
  EXPECT_EQ(a.data(), at);
  a.resize(3 * inside, 7);
  EXPECT_EQ(a[0], 5u);
  EXPECT_EQ(a[inside - 1], 6u);
  EXPECT_EQ(a[3 * inside - 1], 7u);
  // Pages given back keep the address space; the values written before
  // are gone.
  const uint32_t* before = a.data();
  a.give_back();
  EXPECT_EQ(a.size(), 0u);
  a.extend(3 * inside);
  EXPECT_EQ(a.data(), before);
  EXPECT_EQ(a[0], 0u);
  EXPECT_EQ(a[3 * inside - 1], 0u);
  // An emptied array keeps the reserve for the next growth.
  a = PageArray<uint32_t>(reserve);
  a.resize(inside, 1);
  EXPECT_EQ(a[inside - 1], 1u);
}

}  // namespace
