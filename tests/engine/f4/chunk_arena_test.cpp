// A thread's bump memory: blocks are aligned and disjoint, requests larger
// than a chunk get one of their own, a trimmed block gives its tail to the
// next one, and a reset hands out the same memory again.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/f4/chunk_arena.hpp"

using namespace zel::ZEL_BUILD;

namespace {

struct Block {
  char* p;
  uint64_t n;
};

// Takes blocks of the given sizes, fills each with its own byte and checks
// that none was overwritten by a later one.
std::vector<Block> take_and_check(ChunkArena& a, const std::vector<uint64_t>& sizes) {
  std::vector<Block> got;
  for (size_t i = 0; i < sizes.size(); ++i) {
    char* p = static_cast<char*>(a.take(sizes[i]));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
    std::memset(p, int(i & 0x7F), sizes[i]);
    got.push_back({p, sizes[i]});
  }
  for (size_t i = 0; i < got.size(); ++i)
    for (uint64_t j = 0; j < got[i].n; ++j)
      if (got[i].p[j] != char(i & 0x7F)) {
        ADD_FAILURE() << "block " << i << " overwritten at " << j;
        break;
      }
  return got;
}

TEST(ChunkArena, BlocksStayDisjointAcrossChunksAndResets) {
  ChunkArena a;
  // Small blocks over several chunks, a block larger than a chunk, zero bytes.
  std::vector<uint64_t> sizes;
  for (int i = 0; i < 3000; ++i) sizes.push_back(1 + uint64_t(i * 7919) % 3000);
  sizes.push_back(uint64_t(3) << 20);
  sizes.push_back(0);
  sizes.push_back(100);
  const auto first = take_and_check(a, sizes);
  a.reset();
  const auto again = take_and_check(a, sizes);
  // The same requests get the same memory again.
  ASSERT_EQ(first.size(), again.size());
  for (size_t i = 0; i < first.size(); ++i) EXPECT_EQ(first[i].p, again[i].p);

  // After a reset, a first request larger than the first chunk replaces it.
  a.reset();
  take_and_check(a, {uint64_t(2) << 20, 64});
}

TEST(ChunkArena, TrimmingTheLastBlockGivesItsTailToTheNext) {
  ChunkArena a;
  char* p = static_cast<char*>(a.take(1000));
  a.trim_last(p, 40);
  char* q = static_cast<char*>(a.take(16));
  EXPECT_EQ(q, p + 48);  // 40 rounded up to 16
  // Only the last block trims: an earlier one is left as it is.
  a.trim_last(p, 0);
  EXPECT_EQ(static_cast<char*>(a.take(16)), q + 16);
}

}  // namespace
