// Long-lived arrays of one build: memory that stays valid until the next
// memory reset, with per-category statistics and the big-memory mode
// (ORVBIGMEM set: arrays are carved from 102,100,000-byte chunks).
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Zel_malloc; a null result is fatal ("Cannot allocate memory !").
// Memory lives until the next memory reset.
void* CALL_MALLOC_check(uint64_t size);

inline constexpr uint64_t kBigChunk = 102100000;  // bytes per big-memory chunk
inline constexpr uint32_t kMaxBigChunks = 1000;

struct XmallocState {
  bool init_Zel_xmalloc = false;  // first call done (ORVBIGMEM read)
  bool use_big_memory = false;
  // Big-memory chunks: bytes still free and next free byte of each.
  uint64_t size_big_memory[kMaxBigChunks];
  char* ptr_big_memory[kMaxBigChunks];
  uint32_t cur_big_memory = 0;
  // Statistics (sizes in KiB).
  uint32_t count_Zel_xmalloc = 0;
  uint64_t total_allocated = 0;     // sum of size >> 10
  double total_allocated_meg = 0;   // sum of size / 1024 (KiB despite the name)
  double malloc_demand[10] = {};    // KiB per category 0..9
};
extern XmallocState xmalloc_state;

// An array of `size` bytes living until the next memory reset, counted in
// `category` (0 plain, 3 zone tables, 5 prime table and lifting tables).
// In big-memory mode it is carved (16-byte aligned) from the first chunk with
// more than `size` bytes free; a request above the chunk size is fatal
// ("%u is too big (limit is %u)\n").
void* xmalloc_spec(uint64_t size, int32_t category);
inline void* xmalloc(uint64_t size) { return xmalloc_spec(size, 0); }

// Memory reset: forgets the chunk table (the chunks themselves are freed with
// every Zel_malloc block).  Statistics and the mode are kept.
void forget_xmalloc_chunks();

}  // namespace zel::ZEL_BUILD
