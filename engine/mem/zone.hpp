// The zone heap of one build: three bump-allocation zones with marks.
//
// Zone 1 is the active zone; every allocation below comes from it.  By use:
// zone 1 holds a computation's working data (marks saved and restored
// freely), zone 2 what must outlive the marks restored on zone 1, zone 3 what
// lives for a whole session (pools, input polynomials).  swap_zone /
// swap_zone3 exchange zone 1 with zone 2 / zone 3; a second swap undoes it.
//
// Nothing is freed one by one: memory goes back to a zone by restoring a
// mark, and to the system by a memory reset (zel::reset_engine_memory).
// Blocks are taken at increasing addresses, so after a restore the same
// requests get the same addresses again.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct GarbageZone {
  char** all_garbages = nullptr;         // block of each slot
  uint64_t* zone_memory_size = nullptr;  // usable size of each slot's block
  uint32_t cur_garbages = 0;    // slots in use; slot cur-1 is the current block
  uint32_t max_garbages = 0;    // slots cur..max-1 hold kept blocks (reusable)
  uint32_t limit_garbages = 0;  // capacity of the two tables
  char* bignum_tas = nullptr;      // next free byte of the current block
  char* bot_bignum_tas = nullptr;  // end of the current block
  int32_t cur_id_garbage = 0;      // 1, 2 or 3: travels with the zone on a swap
#ifdef ZEL_MEMDEBUG
  // Debug builds: every allocation is its own malloc, listed here in order;
  // cur_garbages counts them, so a mark restores by freeing the tail.
  struct DebugAlloc {
    void* ptr;
    uint64_t size;
  };
  DebugAlloc* debug_allocs = nullptr;
  uint32_t debug_cap = 0;
#endif
};

// garbage_zone[0] is the active zone 1, [1] zone 2, [2] zone 3.
extern GarbageZone garbage_zone[3];

// A saved position of one zone; saving and restoring never allocate.  Valid
// only for the zone it was taken on and while no earlier mark was restored.
// A mark saved before a memory reset restores nothing: its blocks are gone,
// and a scope that ends after the reset (a request unwinding after an
// interrupt reset the memory) must leave the new zones as they are.
struct HeapMark {
  uint32_t cur_garbages;
  uint32_t resets;  // memory resets of this build before the save
  char* bignum_tas;
  char* bot_bignum_tas;
};

// Usable size of a new block, shared by the three zones; only grows.
extern uint64_t zone_memory_allocated;
// Capacity of each zone's tables (default 30000).
extern uint32_t dynamic_max_garbages;
// Address of the last block handed out by give_block_memory (0 after a reset).
extern char* ZEL_C(previous_alloc);

// Session start: once after each memory reset, allocates each zone's tables
// (dynamic_max_garbages entries, xmalloc category 3).  Further calls do
// nothing.  Allocating before it is fatal.
void init_zone_tables();
// True once the tables exist.
bool zone_tables_ready();
// Gives each zone tables of `slots` entries (kept when smaller than the
// current ones), copying the old entries; sets dynamic_max_garbages.
void enlarge_zone_tables(uint32_t slots);

// The general case of alloc_internal: opens or reuses a block.
void* alloc_internal_slow(uint64_t size);

// Exactly `size` bytes from zone 1 (no alignment beyond what earlier sizes
// leave).  Valid until the mark before it is restored or the next reset.
// The common case is one comparison and one addition, inlined.
inline void* alloc_internal(uint64_t size) {
#ifndef ZEL_MEMDEBUG
  GarbageZone& z = garbage_zone[0];
  char* p = z.bignum_tas;
  if (size < zone_memory_allocated && p != nullptr && size < uint64_t(z.bot_bignum_tas - p)) {
    z.bignum_tas = p + size;
    return p;
  }
#endif
  return alloc_internal_slow(size);
}

// Fatal: a request no zone can hold (its padded size would wrap).
[[noreturn]] void alloc_too_large(uint64_t size);
constexpr uint64_t kMaxZoneRequest = uint64_t(1) << 48;

// `size` bytes from zone 1, start 16-byte aligned.
inline void* alloc64(uint64_t size) {
  if (size > kMaxZoneRequest) alloc_too_large(size);
  const uint64_t t = size + ((size & 7) ? 4 : 0) + 16;
  const uintptr_t p = reinterpret_cast<uintptr_t>(alloc_internal(t));
  return reinterpret_cast<void*>((p + 15) & ~uintptr_t(15));
}
inline void* alloc(uint64_t size) { return alloc64(size); }
// Shrinks the last allocation of zone 1 from m to n bytes (n > m is fatal).
void realloca(void* p, uint64_t n, uint64_t m);

void swap_zone();   // exchange zone 1 and zone 2
void swap_zone3();  // exchange zone 1 and zone 3

// A new block of zone_memory_allocated usable bytes, 8-byte aligned, above
// every block handed out since the last reset.
char* give_block_memory();
// Makes `block` (of `size` usable bytes) the current block of zone 1.
void update_all_garbages(char* block, uint64_t size);

// Marks of zone 1.  Restoring gives back everything allocated after the save.
void save_GC_state(HeapMark& m);
void restore_GC_state(const HeapMark& m);
// Restores zone 1 and zeroes the rest of the restored current block.
void restore_destroy_orv_state(const HeapMark& m);
// Marks of zone 3 and zone 2.
void save_orv_state_z3(HeapMark& m);
void restore_orv_state_z3(const HeapMark& m);
void restore_orv_state_z2(const HeapMark& m);
// Zone 1 into/from m1 and zone 2 into/from m2.
void save_orv_state2(HeapMark& m1, HeapMark& m2);
void restore_orv_state2(const HeapMark& m1, const HeapMark& m2);

// Gives the pages of this build's free zone memory back to the system: the
// kept blocks past each zone's current one and the rest of its current
// block.  Restoring a mark keeps those pages resident for the next requests;
// this lets them go (they read as zero when taken again).
void give_back_free_zone_pages();
// Gives the pages of zone 1 between marks `from` and `to` (taken in that
// order, `to` not restored since) back to the system: memory still
// allocated whose contents are not read again.  It reads as zero when
// written again.
void give_back_zone_pages(const HeapMark& from, const HeapMark& to);

// Debugging aid: writes through Stderr which zone slots contain p.
void rechercher_pointer(const void* p);

// Writes "*** alloca %d\n" on standard error when n > 1,000,000; returns 1.
int chk_alloca_size(int32_t n);
// n rounded up to the vector width (4 lanes of 32 bits in the integer
// build, 8 lanes of 16 bits in the prime-field build).
inline uint32_t align_vector_size(uint32_t n) {
  constexpr uint32_t w = kIntegerBuild ? 4 : 8;
  return (n + (w - 1)) & ~(w - 1);
}
inline void remap_vector() {}

// Memory reset of this build's zones (tables forgotten, counters 0, limits
// dynamic_max_garbages, numbers 1, 2, 3).  Part of zel::reset_engine_memory.
void forget_zones();

// Restores a zone-1 mark when the scope ends, also on a fatal error that
// unwinds (C++ exception host).
struct ZoneScope {
  HeapMark mark;
  ZoneScope() { save_GC_state(mark); }
  ~ZoneScope() { restore_GC_state(mark); }
  ZoneScope(const ZoneScope&) = delete;
  ZoneScope& operator=(const ZoneScope&) = delete;
};

// Allocates from zone 3 (or zone 2) for the life of the scope.
struct InZone3 {
  InZone3() { swap_zone3(); }
  ~InZone3() { swap_zone3(); }
  InZone3(const InZone3&) = delete;
  InZone3& operator=(const InZone3&) = delete;
};
struct InZone2 {
  InZone2() { swap_zone(); }
  ~InZone2() { swap_zone(); }
  InZone2(const InZone2&) = delete;
  InZone2& operator=(const InZone2&) = delete;
};

}  // namespace zel::ZEL_BUILD

extern "C" {
// alloc64 and align_vector_size under the build's C names.
void* ZEL_C(alloc64)(uint64_t size);
uint32_t ZEL_C(align_vector_size)(uint32_t n);
}
