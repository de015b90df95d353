// The zone heap of one build.
#include "engine/api/entry_guard.hpp"
#include "engine/mem/zone.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/mem/xmalloc.hpp"

namespace zel::ZEL_BUILD {

GarbageZone garbage_zone[3] = {{nullptr, nullptr, 0, 0, 0, nullptr, nullptr, 1},
                                {nullptr, nullptr, 0, 0, 0, nullptr, nullptr, 2},
                                {nullptr, nullptr, 0, 0, 0, nullptr, nullptr, 3}};

#ifdef ZEL_MEMDEBUG
namespace {
// Gives back the allocations of z from position `keep` on, filling them with
// a pattern first so a dangling read sees garbage even without a sanitizer.
void debug_release(GarbageZone& z, uint32_t keep) {
  while (z.cur_garbages > keep) {
    GarbageZone::DebugAlloc& a = z.debug_allocs[--z.cur_garbages];
    std::memset(a.ptr, 0xDB, size_t(a.size));
    std::free(a.ptr);
  }
}

void* debug_alloc(GarbageZone& z, uint64_t size) {
  if (z.all_garbages == nullptr) Fatal("var all_garbages not set !\n");
  if (z.cur_garbages == z.debug_cap) {
    uint32_t cap = z.debug_cap ? 2 * z.debug_cap : 1024;
    auto* grown = static_cast<GarbageZone::DebugAlloc*>(
        std::realloc(z.debug_allocs, cap * sizeof(GarbageZone::DebugAlloc)));
    if (grown == nullptr) Fatal("Not enough memory in alloc (%llu,%d)!\n", (unsigned long long)size, int(z.cur_garbages));
    z.debug_allocs = grown;
    z.debug_cap = cap;
  }
  void* p = std::malloc(size ? size_t(size) : 1);
  if (p == nullptr) Fatal("Not enough memory in alloc (%llu,%d)!\n", (unsigned long long)size, int(z.cur_garbages));
  z.debug_allocs[z.cur_garbages++] = {p, size ? size : 1};
  z.bignum_tas = static_cast<char*>(p) + size;
  z.bot_bignum_tas = z.bignum_tas;
  return p;
}
}  // namespace
#endif
uint64_t zone_memory_allocated = 0;
uint32_t dynamic_max_garbages = 30000;
char* ZEL_C(previous_alloc) = nullptr;

namespace {

// Tells the marks saved before the last memory reset from the later ones.
uint32_t zone_resets = 0;

GarbageZone& z1() { return garbage_zone[0]; }

char* round_up(char* p, uintptr_t a) {
  return reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(p) + a - 1) & ~(a - 1));
}

}  // namespace

void forget_zones() {
  for (int i = 0; i < 3; i++) {
    GarbageZone& z = garbage_zone[i];
#ifdef ZEL_MEMDEBUG
    debug_release(z, 0);
    std::free(z.debug_allocs);
#endif
    z = GarbageZone{};
    z.limit_garbages = dynamic_max_garbages;
    z.cur_id_garbage = i + 1;
  }
  ZEL_C(previous_alloc) = nullptr;
  zone_resets++;
}

bool zone_tables_ready() { return z1().all_garbages != nullptr; }

void init_zone_tables() {
  for (GarbageZone& z : garbage_zone) {
    if (z.all_garbages != nullptr) continue;
    uint64_t n = dynamic_max_garbages;
    z.all_garbages = static_cast<char**>(xmalloc_spec(n * sizeof(char*), 3));
    z.zone_memory_size = static_cast<uint64_t*>(xmalloc_spec(n * sizeof(uint64_t), 3));
    z.limit_garbages = dynamic_max_garbages;
  }
}

void enlarge_zone_tables(uint32_t slots) {
  // Smaller tables could not hold the blocks already listed: keep the size.
  if (slots <= dynamic_max_garbages) return;
  for (GarbageZone& z : garbage_zone) {
    auto** t = static_cast<char**>(xmalloc_spec(uint64_t(slots) * sizeof(char*), 3));
    auto* s = static_cast<uint64_t*>(xmalloc_spec(uint64_t(slots) * sizeof(uint64_t), 3));
    if (z.all_garbages != nullptr) {
      std::memcpy(t, z.all_garbages, uint64_t(dynamic_max_garbages) * sizeof(char*));
      std::memcpy(s, z.zone_memory_size, uint64_t(dynamic_max_garbages) * sizeof(uint64_t));
    }
    z.all_garbages = t;
    z.zone_memory_size = s;
    z.limit_garbages = slots;
  }
  dynamic_max_garbages = slots;
}

char* give_block_memory() {
  const uint64_t need = zone_memory_allocated + 8;
  char* p = nullptr;
  // Take over a block the other build made, but only once that build has
  // emptied its zones: a block still listed in its zones is in use.
  for (int32_t i = pseudo_share_memory_min; i < pseudo_share_memory_cur; i++) {
    SharedBlock& e = pseudo_share_memory[i];
    bool other = kIntegerBuild ? e.fp_made != 0 : e.int_made != 0;
    if (other && e.released && e.size == need) {
      p = static_cast<char*>(e.block);
      std::memmove(&pseudo_share_memory[i], &pseudo_share_memory[i + 1],
                   sizeof(SharedBlock) * (pseudo_share_memory_cur - i - 1));
      pseudo_share_memory_cur--;
      break;
    }
  }
  if (p == nullptr) {
    p = static_cast<char*>(arena_take_block(need));
    if (p == nullptr) Fatal("Cannot allocate memory !");
    if (pseudo_share_memory_cur < kMaxSharedBlocks) {
      pseudo_share_memory[pseudo_share_memory_cur++] =
          SharedBlock{need, p, uint8_t(kIntegerBuild ? 0 : 1), uint8_t(kIntegerBuild ? 1 : 0), 0};
    }
  }
  p = round_up(p, 8);
  if (ZEL_C(previous_alloc) != nullptr && p < ZEL_C(previous_alloc)) {
    std::fprintf(stderr, "decreasing address previous=%x new=%x!\n",
                 unsigned(reinterpret_cast<uintptr_t>(ZEL_C(previous_alloc))),
                 unsigned(reinterpret_cast<uintptr_t>(p)));
    std::fflush(stderr);
  }
  ZEL_C(previous_alloc) = p;
  return p;
}

void update_all_garbages(char* block, uint64_t size) {
  GarbageZone& z = z1();
  if (uint64_t(z.cur_garbages) + 1 >= z.limit_garbages)
    Fatal("Limit for allocations (%d-->%d): in update_all_garbages [NEW_MSG] !\n",
          z.cur_id_garbage, int(z.limit_garbages));
  if (z.all_garbages == nullptr) Fatal("var all_garbages not set !\n");
  if (z.cur_garbages < z.max_garbages) {
    if (z.max_garbages < z.limit_garbages) {
      // Keep the kept block of this slot by moving it to the end.
      z.all_garbages[z.max_garbages] = z.all_garbages[z.cur_garbages];
      z.zone_memory_size[z.max_garbages] = z.zone_memory_size[z.cur_garbages];
      z.max_garbages++;
    }
    // No slot left past the end: that kept block is given up (it stays in
    // the arena until the reset).
  } else {
    z.max_garbages++;
  }
  z.all_garbages[z.cur_garbages] = block;
  z.zone_memory_size[z.cur_garbages] = size;
  z.cur_garbages++;
  z.bignum_tas = block;
  z.bot_bignum_tas = block + size;
}

void alloc_too_large(uint64_t size) {
  Fatal("Not enough memory in alloc (%llu bytes asked, at most %llu)\n",
        (unsigned long long)size, (unsigned long long)kMaxZoneRequest);
}

namespace {
// After a failed allocation the current block has no room left, so that
// the next allocation asks for a block again and fails the same way.  (A
// null end would not do: the room end - start then wraps to a huge size and
// the next allocation runs past the block.)
void leave_no_room(GarbageZone& z) { z.bot_bignum_tas = z.bignum_tas; }
}  // namespace

void* alloc_internal_slow(uint64_t size) {
  if (size > kMaxZoneRequest) alloc_too_large(size);
  GarbageZone& z = z1();
#ifdef ZEL_MEMDEBUG
  return debug_alloc(z, size);
#endif
  if (zone_memory_allocated <= size) {
    zone_memory_allocated = size + 64;
    Stderr("INCREASE HEAP %llu\n", (unsigned long long)zone_memory_allocated);
    char* b = give_block_memory();
    if (b == nullptr || z.cur_garbages >= z.limit_garbages) {
      leave_no_room(z);
      Fatal("Not enough memory in alloc (%llu,%d) NEW!\n",
            (unsigned long long)zone_memory_allocated, int(z.cur_garbages));
    }
    update_all_garbages(b, zone_memory_allocated);
  }
  for (;;) {
    char* p = z.bignum_tas;
    // Compare sizes, not pointers: p + size may lie beyond any object.
    if (p != nullptr && size < uint64_t(z.bot_bignum_tas - p)) {
      z.bignum_tas = p + size;
      return p;
    }
    char* e = z.bot_bignum_tas;
    // A kept block of zone 1 (the next slot), if it lies above the current end.
    if (z.cur_garbages < z.max_garbages) {
      char* b = z.all_garbages[z.cur_garbages];
      uint64_t bs = z.zone_memory_size[z.cur_garbages];
      if (size <= bs && b >= e) {
        z.cur_garbages++;
        z.bignum_tas = b;
        z.bot_bignum_tas = b + bs;
        continue;
      }
    }
    // The last kept block of zone 2, then of zone 3.
    bool taken = false;
    for (int k = 1; k <= 2 && !taken; k++) {
      GarbageZone& o = garbage_zone[k];
      if (o.cur_garbages < o.max_garbages) {
        char* b = o.all_garbages[o.max_garbages - 1];
        uint64_t bs = o.zone_memory_size[o.max_garbages - 1];
        if (size <= bs && b >= e) {
          o.max_garbages--;
          update_all_garbages(b, bs);
          if (z.bignum_tas < e) Fatal(k == 1 ? "Bug2\n" : "Bug3\n");
          taken = true;
        }
      }
    }
    if (taken) continue;
    char* b = give_block_memory();
    if (b == nullptr || z.cur_garbages >= z.limit_garbages) {
      leave_no_room(z);
      Stderr(" Total number of malloc: %u\n", xmalloc_state.count_Zel_xmalloc);
      Fatal("Not enough memory in alloc (%llu,%d)!\n", (unsigned long long)size,
            int(z.cur_garbages));
    }
    update_all_garbages(b, zone_memory_allocated);
  }
}

void realloca(void*, uint64_t n, uint64_t m) {
  if (n > m)
    Fatal("Aie dans realloc ou erreur impossible ![n=%llu,m=%llu]\n", (unsigned long long)n,
          (unsigned long long)m);
#ifndef ZEL_MEMDEBUG
  GarbageZone& z = z1();
  z.bignum_tas = round_up(z.bignum_tas - (m - n), 8);
#endif
}

void swap_zone() { std::swap(garbage_zone[0], garbage_zone[1]); }
void swap_zone3() { std::swap(garbage_zone[0], garbage_zone[2]); }

namespace {

void save(const GarbageZone& z, HeapMark& m) {
  m.cur_garbages = z.cur_garbages;
  m.resets = zone_resets;
  m.bignum_tas = z.bignum_tas;
  m.bot_bignum_tas = z.bot_bignum_tas;
}

// False, and nothing done, for a mark saved before the last reset.
bool restore(GarbageZone& z, const HeapMark& m) {
  if (m.resets != zone_resets) return false;
#ifdef ZEL_MEMDEBUG
  debug_release(z, m.cur_garbages);
#endif
  z.cur_garbages = m.cur_garbages;
  z.bignum_tas = m.bignum_tas;
  z.bot_bignum_tas = m.bot_bignum_tas;
  return true;
}

}  // namespace

void save_GC_state(HeapMark& m) { save(garbage_zone[0], m); }
void restore_GC_state(const HeapMark& m) { restore(garbage_zone[0], m); }

void restore_destroy_orv_state(const HeapMark& m) {
  if (restore(garbage_zone[0], m) && m.bignum_tas != nullptr && m.bot_bignum_tas > m.bignum_tas)
    std::memset(m.bignum_tas, 0, size_t(m.bot_bignum_tas - m.bignum_tas));
}

void give_back_free_zone_pages() {
#ifndef ZEL_MEMDEBUG
  const uintptr_t ps = uintptr_t(sysconf(_SC_PAGESIZE));
  // Whole pages inside [from, to) only: the rest of a page may be in use.
  auto drop = [ps](const char* from, const char* to) {
    const uintptr_t a = (reinterpret_cast<uintptr_t>(from) + ps - 1) & ~(ps - 1);
    const uintptr_t b = reinterpret_cast<uintptr_t>(to) & ~(ps - 1);
    if (b > a) madvise(reinterpret_cast<void*>(a), b - a, MADV_DONTNEED);
  };
  for (const GarbageZone& z : garbage_zone) {
    if (z.all_garbages == nullptr) continue;
    if (z.bignum_tas != nullptr && z.bot_bignum_tas > z.bignum_tas)
      drop(z.bignum_tas, z.bot_bignum_tas);
    for (uint32_t i = z.cur_garbages; i < z.max_garbages; ++i)
      drop(z.all_garbages[i], z.all_garbages[i] + z.zone_memory_size[i]);
  }
#endif
}

void give_back_zone_pages(const HeapMark& from, const HeapMark& to) {
#ifndef ZEL_MEMDEBUG
  const GarbageZone& z = garbage_zone[0];
  if (to.cur_garbages == 0 || z.all_garbages == nullptr) return;
  const uintptr_t ps = uintptr_t(sysconf(_SC_PAGESIZE));
  auto drop = [ps](const char* a0, const char* b0) {
    const uintptr_t a = (reinterpret_cast<uintptr_t>(a0) + ps - 1) & ~(ps - 1);
    const uintptr_t b = reinterpret_cast<uintptr_t>(b0) & ~(ps - 1);
    if (b > a) madvise(reinterpret_cast<void*>(a), b - a, MADV_DONTNEED);
  };
  // Blocks from's (or the first) to to's: the slots in between hold the
  // blocks taken meanwhile, in order.
  for (uint32_t i = from.cur_garbages == 0 ? 0 : from.cur_garbages - 1; i < to.cur_garbages; ++i) {
    const char* start = z.all_garbages[i];
    const char* end = start + z.zone_memory_size[i];
    if (i + 1 == from.cur_garbages && from.bignum_tas != nullptr) start = from.bignum_tas;
    if (i + 1 == to.cur_garbages) end = to.bignum_tas;
    drop(start, end);
  }
#endif
}

void save_orv_state_z3(HeapMark& m) { save(garbage_zone[2], m); }
void restore_orv_state_z3(const HeapMark& m) { restore(garbage_zone[2], m); }
void restore_orv_state_z2(const HeapMark& m) { restore(garbage_zone[1], m); }

void save_orv_state2(HeapMark& m1, HeapMark& m2) {
  save(garbage_zone[0], m1);
  save(garbage_zone[1], m2);
}

void restore_orv_state2(const HeapMark& m1, const HeapMark& m2) {
  restore(garbage_zone[0], m1);
  restore(garbage_zone[1], m2);
}

void rechercher_pointer(const void* ptr) {
  const char* p = static_cast<const char*>(ptr);
  for (const GarbageZone& z : garbage_zone) {
    if (z.all_garbages == nullptr) continue;
    for (uint32_t i = 0; i < z.cur_garbages; i++) {
      const char* b = z.all_garbages[i];
      if (p >= b && p < b + z.zone_memory_size[i])
        Stderr("find pointer in zone Z%d at slot %u ", z.cur_id_garbage, i + 1);
    }
  }
  Stderr(" [Z%d Z%d", garbage_zone[0].cur_id_garbage, garbage_zone[1].cur_id_garbage);
  Stderr(" Z%d", garbage_zone[2].cur_id_garbage);
  Stderr("]\n");
}

int chk_alloca_size(int32_t n) {
  if (n > 1000000) std::fprintf(stderr, "*** alloca %d\n", n);
  return 1;
}

}  // namespace zel::ZEL_BUILD

ZEL_EXPORT void* ZEL_C(alloc64)(uint64_t size) try {
  ZEL_ENTRY_CLAIM;
  return zel::ZEL_BUILD::alloc64(size);
} ZEL_ENTRY_CATCH("alloc64")
ZEL_EXPORT uint32_t ZEL_C(align_vector_size)(uint32_t n) try {
  ZEL_ENTRY_CLAIM;
  // The engine's own counts are far below the wrap; a caller's may not be.
  const uint32_t aligned = zel::ZEL_BUILD::align_vector_size(n);
  if (aligned < n)
    zel::ZEL_BUILD::Fatal("Zel interface error: align_vector_size(%u): the aligned size does not "
                          "fit in 32 bits\n",
                          n);
  return aligned;
} ZEL_ENTRY_CATCH("align_vector_size")
