// The big-memory mode: chunk choice, alignment, limits.
#include "server/base/big_memory.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "server/log_capture.hpp"

using namespace orv;

namespace {

std::unique_ptr<BigMemory> small_chunks(uint32_t size, uint32_t count) {
  auto m = std::make_unique<BigMemory>();
  m->chunk_size = size;
  m->max_chunks = count;
  EXPECT_TRUE(m->start());
  return m;
}

uintptr_t at(void* p) { return reinterpret_cast<uintptr_t>(p); }

}  // namespace

TEST(ServerBigMemory, TakesTheFirstChunkWithMoreRoomAndKeepsBlocksAligned) {
  auto m = small_chunks(256, 4);
  unsigned char* c0 = m->ptr_big_memory[0];
  void* a = m->take(1);   // rounded to 16
  void* b = m->take(17);  // rounded to 32
  EXPECT_EQ(a, c0);
  EXPECT_EQ(at(b), at(c0) + 16);
  EXPECT_EQ(at(b) % 16, 0u);
  EXPECT_EQ(m->size_big_memory[0], 256u - 48);
  // Room equal to the request is not enough: a new chunk is taken.
  void* c = m->take(208);
  EXPECT_EQ(m->cur_big_memory, 2u);
  EXPECT_EQ(at(c) % 16, 0u);
  EXPECT_EQ(m->size_big_memory[1], 256u - 208);
  // A small request goes back to the first chunk that has room.
  void* d = m->take(16);
  EXPECT_EQ(at(d), at(c0) + 48);
  // A whole chunk.
  void* e = m->take(256);
  EXPECT_NE(e, nullptr);
  EXPECT_EQ(m->cur_big_memory, 3u);
  EXPECT_EQ(m->size_big_memory[2], 0u);
}

TEST(ServerBigMemoryDeath, LimitsAreFatal) {
  orv_test::use_fresh_children();
  auto run = [](uint32_t first, uint32_t second) {
    log_output = stderr;
    auto m = small_chunks(256, 2);
    m->take(first);
    m->take(second);
    exit(0);
  };
  EXPECT_EXIT(run(16, 257), testing::ExitedWithCode(3),
              "#error \\(fatal\\): 257 is too big \\(limit is 256\\)\n");
  EXPECT_EXIT(run(240, 240), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        log_output = stderr;
        auto m = small_chunks(256, 2);
        m->take(240);
        m->take(240);
        m->take(240);
      },
      testing::ExitedWithCode(3), "Maximum of big allocation is 2\n");
}

TEST(ServerBigMemoryDeath, TheHookUsesChunksWhenOrvbigmemIsSetAtTheFirstCall) {
  orv_test::use_fresh_children();
  auto run = [](uint32_t n) {
    log_output = stderr;
    orv_stderr = stderr;
    setenv("ORVBIGMEM", "1", 1);
    void* a = internal_Orv_malloc(24);
    void* b = internal_Orv_malloc(8);
    if (reinterpret_cast<uintptr_t>(b) != reinterpret_cast<uintptr_t>(a) + 32) exit(1);
    internal_Orv_malloc(n);
    exit(0);
  };
  EXPECT_EXIT(run(102100000), testing::ExitedWithCode(0), "^Use Big Memory from orv !\n$");
  EXPECT_EXIT(run(102100001), testing::ExitedWithCode(3),
              "Use Big Memory from orv !\n#error \\(fatal\\): 102100001 is too big \\(limit is "
              "102100000\\)\n");
}
