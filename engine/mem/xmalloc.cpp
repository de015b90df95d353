// Long-lived arrays and the big-memory mode.
#include "engine/mem/xmalloc.hpp"

#include <cstdlib>

#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"

namespace zel::ZEL_BUILD {

XmallocState xmalloc_state;

void* CALL_MALLOC_check(uint64_t size) {
  void* p = Zel_malloc(size);
  if (p == nullptr) Fatal("Cannot allocate memory !");
  return p;
}

namespace {

void count_chunk(XmallocState& s) {
  s.total_allocated += kBigChunk >> 10;
  s.total_allocated_meg += double(kBigChunk) / 1024;
}

char* new_chunk(XmallocState& s) {
  char* p = static_cast<char*>(CALL_MALLOC_check(kBigChunk));
  s.ptr_big_memory[s.cur_big_memory] = p;
  s.size_big_memory[s.cur_big_memory] = kBigChunk;
  s.cur_big_memory++;
  return p;
}

void first_call(XmallocState& s) {
  s.init_Zel_xmalloc = true;
  for (double& d : s.malloc_demand) d = 0;
  if (std::getenv("ORVBIGMEM") != nullptr) {
    Stderr("Use Big Memory !\n");
    s.use_big_memory = true;
    void* p = Zel_malloc(kBigChunk);
    if (p == nullptr) Fatal("fail to init ZEL(xmalloc)\n");
    s.ptr_big_memory[0] = static_cast<char*>(p);
    s.size_big_memory[0] = kBigChunk;
    s.cur_big_memory = 1;
    count_chunk(s);
  }
}

// Hands out `size` bytes of chunk i; pieces stay 16-byte aligned.
char* carve(XmallocState& s, uint32_t i, uint64_t size) {
  uint64_t step = (size + 15) & ~uint64_t(15);
  if (step > s.size_big_memory[i]) step = s.size_big_memory[i];
  char* p = s.ptr_big_memory[i];
  s.ptr_big_memory[i] += step;
  s.size_big_memory[i] -= step;
  s.count_Zel_xmalloc++;
  return p;
}

}  // namespace

void* xmalloc_spec(uint64_t size, int32_t category) {
  XmallocState& s = xmalloc_state;
  if (!s.init_Zel_xmalloc) first_call(s);
  if (!s.use_big_memory) {
    void* p = CALL_MALLOC_check(size);
    s.count_Zel_xmalloc++;
    s.total_allocated += size >> 10;
    s.total_allocated_meg += double(size) / 1024;
    if (category <= 9 && category >= 0) s.malloc_demand[category] += double(size) / 1024;
    return p;
  }
  for (uint32_t i = 0; i < s.cur_big_memory; i++)
    if (s.size_big_memory[i] > size) return carve(s, i, size);
  if (s.cur_big_memory >= kMaxBigChunks) Fatal("Maximum of big allocation is %u\n", kMaxBigChunks);
  if (size > kBigChunk)
    Fatal("%llu is too big (limit is %u)\n", (unsigned long long)size, unsigned(kBigChunk));
  uint32_t i = s.cur_big_memory;
  new_chunk(s);
  count_chunk(s);
  if (category <= 9 && category >= 0) s.malloc_demand[category] += double(kBigChunk) / 1024;
  return carve(s, i, size);
}

void forget_xmalloc_chunks() { xmalloc_state.cur_big_memory = 0; }

}  // namespace zel::ZEL_BUILD
