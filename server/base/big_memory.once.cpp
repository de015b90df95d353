// The allocation hook's big-memory mode; shared by both builds (compiled once).
#include "server/base/big_memory.hpp"

#include <cstdlib>

#include "server/base/runtime.hpp"

namespace orv {

static uint32_t round16(uint32_t n) { return n > 0xFFFFFFF0u ? 0xFFFFFFFFu : (n + 15u) & ~15u; }

BigMemory::~BigMemory() {
  for (uint32_t k = 0; k < cur_big_memory; ++k) std::free(chunk_start[k]);
}

bool BigMemory::start() {
  void* chunk = std::malloc(chunk_size);
  if (!chunk) return false;
  chunk_start[0] = chunk;
  ptr_big_memory[0] = static_cast<unsigned char*>(chunk);
  size_big_memory[0] = chunk_size;
  cur_big_memory = 1;
  return true;
}

void* BigMemory::take(uint32_t n) {
  uint32_t need = round16(n);
  for (uint32_t k = 0; k < cur_big_memory; ++k) {
    if (size_big_memory[k] > need) {
      void* p = ptr_big_memory[k];
      ptr_big_memory[k] += need;
      size_big_memory[k] -= need;
      return p;
    }
  }
  if (cur_big_memory >= max_chunks) Fatal("Maximum of big allocation is %u\n", max_chunks);
  if (need > chunk_size) Fatal("%u is too big (limit is %u)\n", n, chunk_size);
  void* chunk = std::malloc(chunk_size);
  if (!chunk) return nullptr;
  uint32_t k = cur_big_memory++;
  chunk_start[k] = chunk;
  ptr_big_memory[k] = static_cast<unsigned char*>(chunk) + need;
  size_big_memory[k] = chunk_size - need;
  return chunk;
}

namespace {
bool decided = false;
bool use_big_memory = false;
BigMemory* big = nullptr;
}  // namespace

bool internal_Orv_malloc_is_system() { return decided && !use_big_memory; }

void* internal_Orv_malloc(uint32_t n) {
  if (!decided) {
    decided = true;
    if (std::getenv("ORVBIGMEM")) {
      Stderr("Use Big Memory from orv !\n");
      use_big_memory = true;
      big = new BigMemory;
      if (!big->start()) Fatal("fail to init Orv_xmalloc\n");
    }
  }
  if (!use_big_memory) return std::malloc(n);
  return big->take(n);
}

}  // namespace orv
