// The raw block layer, the block arena and the sharing table.  They serve both
// builds, so this file is compiled once (with the integer build's objects).
#include "engine/mem/raw_block.hpp"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "engine/mem/build_reset.hpp"

namespace zel {

void* qem_malloc(uint64_t size) { return std::malloc(size); }
void qem_free(void* ptr, uint64_t) { std::free(ptr); }
void qem_reset_malloc() {}
const char* qem_malloc_report() { return "use malloc"; }

namespace {

constexpr uint64_t kBufferSize = 1000000;

char* buf_malloc_cur = nullptr;
char* buf_malloc_lim = nullptr;

// Every block the engine must free at a reset.  Grows as needed: a block that
// is not recorded would never be given back.
struct Record {
  void* ptr;
  uint64_t size;
};
Record* Zel_malloc_mem = nullptr;
uint64_t Zel_malloc_cur = 0;
uint64_t Zel_malloc_cap = 0;

bool record_block(void* p, uint64_t size) {
  if (Zel_malloc_cur == Zel_malloc_cap) {
    uint64_t cap = Zel_malloc_cap ? 2 * Zel_malloc_cap : 1024;
    auto* grown = static_cast<Record*>(std::realloc(Zel_malloc_mem, cap * sizeof(Record)));
    if (grown == nullptr) return false;
    Zel_malloc_mem = grown;
    Zel_malloc_cap = cap;
  }
  Zel_malloc_mem[Zel_malloc_cur++] = {p, size};
  return true;
}

}  // namespace

void* Zel_buf_malloc(uint64_t size, uint64_t& recorded) {
  if (size < kBufferSize) {
    // Pieces stay 16-byte aligned: callers put SIMD rows in them.
    uint64_t step = (size + 15) & ~uint64_t(15);
    if (buf_malloc_cur != nullptr) {
      recorded = 0;
      if (step < uint64_t(buf_malloc_lim - buf_malloc_cur)) {
        char* p = buf_malloc_cur;
        buf_malloc_cur += step;
        return p;
      }
      buf_malloc_cur = nullptr;  // the rest of the buffer stays unused
    }
    char* p = static_cast<char*>(qem_malloc(kBufferSize));
    if (p == nullptr) return nullptr;
    recorded = kBufferSize;
    buf_malloc_cur = p + step;
    buf_malloc_lim = p + kBufferSize;
    return p;
  }
  recorded = size;
  return qem_malloc(size);
}

void* Zel_malloc(uint64_t size) {
  uint64_t recorded = size;
  void* p = Zel_buf_malloc(size, recorded);
  if (p == nullptr || recorded == 0) return p;
  if (!record_block(p, recorded)) {
    // Cannot remember it, so cannot free it at the reset: refuse it instead.
    if (recorded == kBufferSize) buf_malloc_cur = buf_malloc_lim = nullptr;
    qem_free(p, recorded);
    return nullptr;
  }
  return p;
}

void Zel_malloc_reset() {
  while (Zel_malloc_cur > 0) {
    --Zel_malloc_cur;
    qem_free(Zel_malloc_mem[Zel_malloc_cur].ptr, Zel_malloc_mem[Zel_malloc_cur].size);
  }
  // The carve buffer was one of the recorded blocks.
  buf_malloc_cur = buf_malloc_lim = nullptr;
  qem_reset_malloc();
}

uint64_t Zel_malloc_recorded() { return Zel_malloc_cur; }

void* zmalloc(uint64_t size) { return std::malloc(size); }
void zfree(void* ptr) { std::free(ptr); }

// ---- block arena -----------------------------------------------------------

namespace {

char* arena_base = nullptr;
uint64_t arena_reserved = 0;
uint64_t arena_used = 0;  // committed bytes from the base

uint64_t page_size() {
  static const uint64_t ps = uint64_t(sysconf(_SC_PAGESIZE));
  return ps;
}

// Below this the engine could not hold even a small request's tables.
constexpr uint64_t kMinArena = uint64_t(1) << 24;

// Address space the process may still map under its limit (ulimit -v), or
// none when it has no limit.
std::optional<uint64_t> address_space_left() {
  rlimit limit;
  if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
  uint64_t mapped_pages = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    unsigned long long pages = 0;
    if (std::fscanf(f, "%llu", &pages) == 1) mapped_pages = pages;
    std::fclose(f);
  }
  const uint64_t mapped = mapped_pages * page_size();
  return uint64_t(limit.rlim_cur) > mapped ? uint64_t(limit.rlim_cur) - mapped : 0;
}

bool arena_reserve() {
  // Reserve address space only.  Under a limit the range counts against it
  // all the same: take half of what is left, the other half staying for the
  // C library's allocations (GMP integers, long-lived arrays, scratch).
  uint64_t want = uint64_t(1) << 40;
  if (const auto left = address_space_left()) want = std::min(want, *left / 2);
  want = want / page_size() * page_size();
  for (; want >= kMinArena; want = want / 2 / page_size() * page_size()) {
    void* p = mmap(nullptr, want, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p != MAP_FAILED) {
      arena_base = static_cast<char*>(p);
      arena_reserved = want;
      return true;
    }
  }
  return false;
}

}  // namespace

void* arena_take_block(uint64_t size) {
  if (arena_base == nullptr && !arena_reserve()) return nullptr;
  const uint64_t ps = page_size();
  if (size > arena_reserved) return nullptr;
  uint64_t len = (size + ps - 1) / ps * ps;
  if (len == 0) len = ps;
  if (len > arena_reserved - arena_used) return nullptr;
  char* p = arena_base + arena_used;
  if (mprotect(p, len, PROT_READ | PROT_WRITE) != 0) return nullptr;
  // No large pages: a block is touched at scattered places, and each 2 MB
  // page faulted in for a few bytes there would count whole against the
  // process's memory (small systems doubled their peak), for no time gained.
  arena_used += len;
  return p;
}

void arena_release_all() {
  if (arena_base == nullptr || arena_used == 0) return;
  // Replacing the pages gives their memory back and makes them inaccessible,
  // so a dangling zone pointer faults instead of reading stale data.
  void* p = mmap(arena_base, arena_used, PROT_NONE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0);
  if (p == MAP_FAILED) {
    madvise(arena_base, arena_used, MADV_DONTNEED);
    mprotect(arena_base, arena_used, PROT_NONE);
  }
  arena_used = 0;
}

uint64_t arena_committed_bytes() { return arena_used; }

// ---- sharing table ---------------------------------------------------------

SharedBlock pseudo_share_memory[kMaxSharedBlocks];
int32_t pseudo_share_memory_cur = 0;
int32_t pseudo_share_memory_min = 0;

void release_shared_blocks(bool integer_build) {
  for (int32_t i = 0; i < pseudo_share_memory_cur; i++) {
    SharedBlock& e = pseudo_share_memory[i];
    if ((integer_build && e.int_made) || (!integer_build && e.fp_made)) e.released = 1;
  }
}

void forget_shared_blocks() {
  pseudo_share_memory_cur = 0;
  pseudo_share_memory_min = 0;
}

// ---- reset -----------------------------------------------------------------

void reset_engine_memory() {
  int_build::forget_build_memory();
  fp_build::forget_build_memory();
  Zel_malloc_reset();
  arena_release_all();
  forget_shared_blocks();
}

}  // namespace zel

extern "C" {

void* Orv_new_operator(int32_t count) {
  if (count < 0) return nullptr;
  return zel::Zel_malloc(uint64_t(count));
}

void* Orv_new_tab_operator(int32_t count) { return Orv_new_operator(count); }

void Orv_delete_operator() {
  std::fputs("NYA Orv_delete_operator\n", stderr);
  std::fflush(stderr);
  std::exit(4);
}
}
