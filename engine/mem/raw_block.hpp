// The raw block layer: one for the whole process, shared by both builds.
//
// Everything the engine takes from the C library goes through here, so a
// memory reset can give all of it back at once.  Zone blocks come from a
// reserved virtual range instead (the block arena below), so that they are
// handed out at increasing addresses.
#pragma once

#include <cstdint>

namespace zel {

// The C library's malloc / free (the size is not used); no-op reset; the text
// the build report prints for this allocator ("use malloc").
void* qem_malloc(uint64_t size);
void qem_free(void* ptr, uint64_t size);
void qem_reset_malloc();
const char* qem_malloc_report();

// Requests of at most 999,999 bytes are carved from shared 1,000,000-byte
// buffers (each piece 16-byte aligned; `recorded` = 0), larger ones come
// straight from qem_malloc (`recorded` = size, or 1,000,000 for a fresh
// buffer).  Null when the C library has nothing left.
void* Zel_buf_malloc(uint64_t size, uint64_t& recorded);

// Zel_buf_malloc, and records every fresh buffer or block so that
// Zel_malloc_reset frees it.  Memory lives until the next memory reset.
void* Zel_malloc(uint64_t size);

// Frees every block recorded by Zel_malloc, last recorded first, and forgets
// the carve buffer: every pointer obtained from Zel_malloc becomes invalid.
void Zel_malloc_reset();

// Number of blocks currently recorded (for reports and tests).
uint64_t Zel_malloc_recorded();

// Private scratch buffers of the F4 step and of OpenMP bodies: plain malloc
// and free, never a zone.
void* zmalloc(uint64_t size);
void zfree(void* ptr);

// ---- block arena: where zone blocks come from --------------------------------
// A large virtual range reserved once (no memory committed) and committed
// upward, so every block lies above all blocks handed out before it since
// the last reset.  Null when the range is exhausted.
void* arena_take_block(uint64_t size);
// Gives every block back to the system and restarts at the bottom of the
// range.  Invalidates every zone block of both builds.
void arena_release_all();
// Bytes currently committed (for reports and tests).
uint64_t arena_committed_bytes();

// ---- block-sharing table (pseudo_share_memory) ------------------------------
// Records the zone blocks each build made (at most 32), so that a build may
// take over a block of the other build once that build no longer uses it.
struct SharedBlock {
  uint64_t size;     // bytes asked for the block
  void* block;       // the block as the arena returned it
  uint8_t fp_made;   // made by the prime-field build
  uint8_t int_made;  // made by the integer build
  uint8_t released;  // its build's zones have been emptied: free to take over
};
inline constexpr int kMaxSharedBlocks = 32;
extern SharedBlock pseudo_share_memory[kMaxSharedBlocks];
extern int32_t pseudo_share_memory_cur;
extern int32_t pseudo_share_memory_min;

// Marks the blocks made by one build as no longer used by it.
void release_shared_blocks(bool integer_build);
// Forgets the whole table (memory reset).
void forget_shared_blocks();

// ---- whole-process memory reset ---------------------------------------------
// Empties the zones, pools and allocator state of BOTH builds, frees every
// Zel_malloc block, releases the arena and forgets the sharing table.
// Every pointer into engine memory of either build becomes invalid.
void reset_engine_memory();

}  // namespace zel

// The server code's operator new / delete go through the raw layer.
extern "C" {
// Zel_malloc of the byte count (a negative count gives null).
void* Orv_new_operator(int32_t count);
void* Orv_new_tab_operator(int32_t count);
// Objects are never deleted one by one: writes "NYA Orv_delete_operator\n" on
// standard error and ends the process with status 4.
[[noreturn]] void Orv_delete_operator();
}
