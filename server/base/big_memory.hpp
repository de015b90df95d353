// The server's allocation hook and its big-memory mode.
//
// Every pooled record block and every coefficient block of the server code
// comes through the build's hook (`Orv_int_Orv_malloc` / `Orv_Orv_malloc`,
// orv_malloc.hpp), which starts as `internal_Orv_malloc`.  When ORVBIGMEM is
// set at the first call, requests are carved out of large chunks that are
// never returned; otherwise they go to the system allocator.  One copy of the
// mode's state serves both builds.
#pragma once

#include <cstdint>

namespace orv {

// Carves requests out of chunks taken from the system.  Requests are rounded
// up to a multiple of 16 so that every block keeps the alignment of the
// first one.  The process uses one instance with the sizes below; tests use
// small ones.
struct BigMemory {
  static constexpr uint32_t kChunkSize = 102100000;
  static constexpr uint32_t kMaxChunks = 1000;

  uint32_t chunk_size = kChunkSize;
  uint32_t max_chunks = kMaxChunks;
  uint32_t cur_big_memory = 0;                  // chunks taken
  uint32_t size_big_memory[kMaxChunks]{};       // bytes still free in each chunk
  unsigned char* ptr_big_memory[kMaxChunks]{};  // next free byte of each chunk
  void* chunk_start[kMaxChunks]{};              // for the destructor

  BigMemory() = default;
  BigMemory(const BigMemory&) = delete;
  BigMemory& operator=(const BigMemory&) = delete;
  // Returns the chunks (the process's own instance is never destroyed).
  ~BigMemory();

  // Takes the first chunk; false when the system refuses it.
  bool start();
  // n bytes from the first chunk with strictly more than n free, else from a
  // new chunk; null when the system refuses a new chunk.  Fatal when all
  // chunks are taken or n is larger than a chunk.
  void* take(uint32_t n);
};

// The default hook: the system allocator, or the big-memory chunks when
// ORVBIGMEM was set at the first call.
void* internal_Orv_malloc(uint32_t n);

// True once internal_Orv_malloc has handed out the system allocator's
// blocks (ORVBIGMEM unset at its first call): std::free gives them back.
bool internal_Orv_malloc_is_system();

}  // namespace orv
