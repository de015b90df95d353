// The coefficient heap: zones, marks, prepared states and the compactors.
#include "server/base/coef_heap.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "server/base/orv_malloc.hpp"
#include "server/base/runtime.hpp"
#include "server/base/time.hpp"
#include "server/base/vgf.hpp"

namespace orv::ORV_BUILD {

CoefZone coef_zone1;
CoefZone coef_zone2 = [] {
  CoefZone z;
  z.id = 2;
  return z;
}();
uint32_t lost_bignum = 0;
uint32_t count_glisser_VGF = 0;

namespace {

inline uint32_t cell_bytes() { return 4 * size_of_vectors; }

inline uint32_t addr32(const void* p) {  // the diagnostics print 32-bit addresses
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

// Zone-1 blocks: 1,000,008 bytes from the hook, started on an 8-byte boundary.
char* give_block_memory() {
  char* raw = static_cast<char*>(ORV_C(Orv_malloc)(kCoefBlockBytes + 8));
  if (raw == nullptr) return nullptr;
  uintptr_t a = (reinterpret_cast<uintptr_t>(raw) + 7) & ~uintptr_t{7};
  return reinterpret_cast<char*>(a);
}

void ensure_tables() {
  if (coef_zone1.table == nullptr) coef_zone1.table = new char*[kCoefZoneCapacity]();
  if (coef_zone2.table == nullptr) coef_zone2.table = new char*[kCoefZoneCapacity]();
}

// True when the bump from top by n bytes stays strictly below the end.
inline bool fits(const CoefZone& z, uint32_t n) {
  return z.top != nullptr && static_cast<size_t>(z.end - z.top) > n;
}

}  // namespace

void init_Implement_VGF() { ensure_tables(); }

void* alloc_Implement_VGF(uint32_t n) {
  if (n > 999999) {
    Warning("%d >= %d !!\n", static_cast<int>(n), 1000000);
    void* p = ORV_C(Orv_malloc)(n);
    if (p == nullptr) Fatal("Pas assez de memoire pour *UN* entier (%d)!\n", static_cast<int>(n));
    return p;
  }
  ensure_tables();
  CoefZone& z = coef_zone1;
  for (;;) {
    if (fits(z, n)) {
      char* cell = z.top;
      z.top += n;
      return cell;
    }
    if (z.top != nullptr) lost_bignum += static_cast<uint32_t>(z.end - z.top);
    if (z.next < z.held) {
      z.top = z.table[z.next++];
    } else {
      char* blk = give_block_memory();
      if (blk == nullptr || z.next >= z.capacity) {
        z.end = nullptr;
        Fatal("Pas assez de memoire pour les entiers (%d,%d)!\n", static_cast<int>(n), z.next);
      }
      z.table[z.next++] = blk;
      if (z.next > 1 && !want_quiet) {
        Output("\n>>> Extend Memory (VGF) ");
        show_date(log_output);
        Output(" %u alloc:%u\n", static_cast<uint32_t>(z.next), kCoefBlockBytes);
      }
      if (z.next >= z.capacity) {
        z.end = nullptr;
        Fatal("Limit for allocations: %u in VGF !\n", static_cast<uint32_t>(z.capacity));
      }
      z.held = z.next;
      z.top = blk;
    }
    z.end = z.top + kCoefBlockBytes;
  }
}

void* alloc_Implement_VGF_2(uint32_t n) {
  ensure_tables();
  CoefZone& z = coef_zone2;
  for (;;) {
    if (fits(z, n)) {
      char* cell = z.top;
      z.top += n;
      return cell;
    }
    if (z.next < z.held) {
      z.top = z.table[z.next++];
    } else {
      char* blk = z.next >= kCoefZoneCapacity
                      ? nullptr
                      : static_cast<char*>(ORV_C(Orv_malloc)(kCoefBlockBytes));
      if (blk == nullptr) {
        z.end = nullptr;
        Fatal("Pas assez de memoire dans l'initialisation de la zone2!\n");
      }
      z.table[z.next++] = blk;
      if (z.next > 1 && !want_quiet) {
        Output("\n>>> Extend Memory(2nd) (VGF) ");
        show_date(log_output);
        Output(" %d alloc %u\n", z.next, kCoefBlockBytes);
      }
      z.held = z.next;
      z.top = blk;
    }
    z.end = z.top + kCoefBlockBytes;
  }
}

uint32_t* new_Implement_VGF() { return static_cast<uint32_t*>(alloc_Implement_VGF(cell_bytes())); }
uint32_t* new_Implement_VGF_2() {
  return static_cast<uint32_t*>(alloc_Implement_VGF_2(cell_bytes()));
}
uint32_t internal_taille_bignum(uint32_t) { return cell_bytes(); }

// --- Marks ---------------------------------------------------------------------

void save_orv_state_VGF(Garbage_State& s) {
  s.cur_garbages = static_cast<uint32_t>(coef_zone1.next);
  s.orv_bignum_tas = coef_zone1.top;
  s.bot_bignum_tas = coef_zone1.end;
  s.lost_bignum = lost_bignum;
}

void restore_orv_state_VGF(const Garbage_State& s) {
  coef_zone1.next = static_cast<int32_t>(s.cur_garbages);
  coef_zone1.top = s.orv_bignum_tas;
  coef_zone1.end = s.bot_bignum_tas;
  lost_bignum = s.lost_bignum;
}

void full_save_orv_state_VGF(Garbage_State& s) {
  save_orv_state_VGF(s);
  s.max_garbages = static_cast<uint32_t>(coef_zone1.held);
  s.limit_garbages = static_cast<uint32_t>(coef_zone1.capacity);
  s.all_garbages = coef_zone1.table;
}

void full_restore_orv_state_VGF(const Garbage_State& s) {
  restore_orv_state_VGF(s);
  coef_zone1.held = static_cast<int32_t>(s.max_garbages);
  coef_zone1.capacity = static_cast<int32_t>(s.limit_garbages);
  coef_zone1.table = s.all_garbages;
}

void swap_with_State(Garbage_State& s) {
  Garbage_State mine;
  full_save_orv_state_VGF(mine);
  full_restore_orv_state_VGF(s);
  s = mine;
}

void restore_State(Garbage_State& s) {
  s.cur_garbages = 0;
  s.lost_bignum = 0;
  s.orv_bignum_tas = nullptr;
  s.bot_bignum_tas = nullptr;
}

void tranfert_free_State(Garbage_State& s) {
  ensure_tables();
  uint32_t spare = s.max_garbages - s.cur_garbages;
  uint32_t room = static_cast<uint32_t>(coef_zone1.capacity - coef_zone1.held);
  for (uint32_t k = std::min(spare, room); k > 0; --k)
    coef_zone1.table[coef_zone1.held++] = s.all_garbages[--s.max_garbages];
}

bool is_reset_state_VGF() { return coef_zone1.top == nullptr; }

void swap_zone() { std::swap(coef_zone1, coef_zone2); }

void reset_zone2() {
  if (coef_zone2.held == 0) return;
  coef_zone2.next = 1;
  coef_zone2.top = coef_zone2.table[0];
  coef_zone2.end = coef_zone2.top + kCoefBlockBytes;
}

// --- Prepared states -------------------------------------------------------------

static void empty_state(Garbage_State& s, uint32_t limit, char** table, uint32_t held) {
  s.cur_garbages = 0;
  s.max_garbages = held;
  s.lost_bignum = 0;
  s.limit_garbages = limit;
  s.orv_bignum_tas = nullptr;
  s.all_garbages = table;
  s.bot_bignum_tas = nullptr;
}

void creat_alloc_Implement_VGF(uint32_t k, uint32_t limit, uint32_t size, char** table,
                               Garbage_State& s, char* base) {
  if (k == 0 || size % k != 0)
    Fatal("In creat_alloc_Implement_VGF %u must be a product of %u\n", size, k);
  if (size / k < kCoefBlockBytes)
    Fatal("You must give a zone of at least %u*%u bytes\n", k, kCoefBlockBytes);
  empty_state(s, limit, table, k);
  for (uint32_t i = 0; i < k; ++i) table[i] = base + size_t{i} * (size / k);
  Output("\n*** Creat Memory with %u zone %x (VGF) ", k, addr32(base));
  show_date(log_output);
  Output(" %u alloc:%u\n", static_cast<uint32_t>(coef_zone1.next), size / k);
}

void creat_alloc_Implement_VGF(uint32_t limit, uint32_t size, char** table, Garbage_State& s,
                               char* base) {
  if (size <= 999999) Fatal("You must give a zone of at least %u bytes\n", kCoefBlockBytes);
  empty_state(s, limit, table, 1);
  table[0] = base;
  Output("\n*** Creat Memory with zone %x (VGF) ", addr32(base));
  show_date(log_output);
  Output(" %u alloc:%u\n", static_cast<uint32_t>(coef_zone1.next), size);
}

void creat_alloc_Implement_VGF(uint32_t limit, uint32_t size, char** table, Garbage_State& s) {
  empty_state(s, limit, table, 0);
  Output("\n*** Creat Memory (VGF) ");
  show_date(log_output);
  Output(" %u alloc:%u\n", static_cast<uint32_t>(coef_zone1.next), size);
}

// --- Compaction --------------------------------------------------------------------

int comp_adr(VGF** a, VGF** b) { return (*a)->rep >= (*b)->rep; }
int strict_comp_adr(VGF** a, VGF** b) { return (*a)->rep < (*b)->rep; }

void copy_fast_VGF(VGF& a) {
  uint32_t* c = new_Implement_VGF();
  std::memcpy(c, a.rep, cell_bytes());
  a.rep = c;
}
void other_copy_fast_VGF(VGF& a) { copy_fast_VGF(a); }
void copy2_fast_VGF(VGF& a) {
  uint32_t* c = new_Implement_VGF_2();
  std::memcpy(c, a.rep, cell_bytes());
  a.rep = c;
}

namespace {

void sort_by_address(uint32_t n, VGF** h) {
  std::sort(h, h + n, [](VGF* a, VGF* b) { return a->rep < b->rep; });
}

// Copies the cells of h[from..n) (skipping the handles `skip` rejects) to new
// cells from `fresh`.  The residues are read into a side buffer before the
// first new cell is taken: after a restore, the new cells reuse the memory
// that the old ones still occupy, and when the zone's blocks do not lie in
// increasing address order a direct copy could overwrite a cell not yet moved.
template <class Fresh, class Skip>
void slide(uint32_t from, uint32_t n, VGF** h, Fresh fresh, Skip skip) {
  if (from >= n) return;
  const uint32_t r = size_of_vectors;
  std::unique_ptr<uint32_t[]> staged(new uint32_t[size_t{n - from} * r]);
  std::vector<VGF*> moved;
  moved.reserve(n - from);
  for (uint32_t i = from; i < n; ++i) {
    if (skip(i)) continue;
    std::memcpy(staged.get() + moved.size() * r, h[i]->rep, 4 * size_t{r});
    moved.push_back(h[i]);
  }
  for (size_t k = 0; k < moved.size(); ++k) {
    uint32_t* c = fresh();
    std::memcpy(c, staged.get() + k * r, 4 * size_t{r});
    moved[k]->rep = c;
  }
}

// Under the memory-debug option, once the survivors have slid down,
// everything above zone 1's top is free: it is filled with a pattern so
// that a handle left dangling by the compaction reads garbage.  (The heap
// cannot hand out cells one malloc each: sliding needs contiguous blocks.)
void scrub_above_top() {
#ifdef ZEL_MEMDEBUG
  CoefZone& z = coef_zone1;
  if (z.top != nullptr) std::memset(z.top, 0xDB, size_t(z.end - z.top));
  for (int32_t k = z.next; k < z.held; ++k) std::memset(z.table[k], 0xDB, kCoefBlockBytes);
#endif
}

uint32_t first_above_top(uint32_t n, VGF** h) {
  uint32_t i = 0;
  while (i < n && reinterpret_cast<char*>(h[i]->rep) < coef_zone1.top) ++i;
  return i;
}

}  // namespace

void compacteur_glissant(uint32_t n, VGF** h, bool) {
  if (n == 0) return;
  sort_by_address(n, h);
  slide(0, n, h, new_Implement_VGF, [](uint32_t) { return false; });
  scrub_above_top();
  ++count_glisser_VGF;
}

void other_compacteur_glissant(uint32_t n, VGF** h) {
  sort_by_address(n, h);
  slide(first_above_top(n, h), n, h, new_Implement_VGF, [](uint32_t) { return false; });
  scrub_above_top();
}

void compacteur_glissant_dbl(uint32_t n, VGF** h) {
  sort_by_address(n, h);
  // A handle listed twice sits next to itself after the sort (same cell):
  // copy it once.
  uint32_t from = first_above_top(n, h);
  slide(from, n, h, new_Implement_VGF, [&](uint32_t i) {
    for (uint32_t j = i; j > from && h[j - 1]->rep == h[i]->rep; --j)
      if (h[j - 1] == h[i]) return true;
    return false;
  });
  scrub_above_top();
}

void compacteur_glissant_zone2(uint32_t n, VGF** h) {
  sort_by_address(n, h);
  slide(0, n, h, new_Implement_VGF_2, [](uint32_t) { return false; });
}

// --- Diagnostics -----------------------------------------------------------------------

static void print_state(const char* head_end, uint32_t limit, uint32_t next, uint32_t lost,
                        const char* top, const char* end, uint32_t held, char** table) {
  Output(
      "limit_garbages: %d cur_garbages: %d, lost_bignum=%u, orv_bignum_tas=%x, "
      "bot_bignum_tas=%x max_garbages: %d all_garbages: %x%s",
      static_cast<int>(limit), static_cast<int>(next), lost, addr32(top), addr32(end),
      static_cast<int>(held), addr32(table), head_end);
  if (table == nullptr) return;
  for (uint32_t i = 0; i < held; ++i) Output(i < next ? "x %x\n" : "  %x\n", addr32(table[i]));
}

void info_orv_state_VGF(const Garbage_State& s) {
  print_state("\n", s.limit_garbages, s.cur_garbages, s.lost_bignum, s.orv_bignum_tas,
              s.bot_bignum_tas, s.max_garbages, s.all_garbages);
}

void info_orv_state_VGF() {
  const CoefZone& z = coef_zone1;
  print_state(" \n", static_cast<uint32_t>(z.capacity), static_cast<uint32_t>(z.next), lost_bignum,
              z.top, z.end, static_cast<uint32_t>(z.held), z.table);
}

void how_much_BigNum_VGF() {
  const CoefZone& z = coef_zone1;
  uint32_t free = static_cast<uint32_t>(z.end - z.top) + 3 * cell_bytes() + lost_bignum;
  Output("BIGNUMS(VGF): nb garbages= %d, taille orv= %d, libre = %d orv + %d\n", z.held,
         static_cast<int>(kCoefBlockBytes),
         static_cast<int>((z.held - z.next) + free / kCoefBlockBytes),
         static_cast<int>(free % kCoefBlockBytes));
}

void info_GC_VGF() {
  static bool seen = false;
  static char* last = nullptr;
  char* top = coef_zone1.top;
  if (seen) {
    int32_t growth =
        static_cast<int32_t>(reinterpret_cast<intptr_t>(top) - reinterpret_cast<intptr_t>(last));
    if (top >= last)
      Stderr("orv_bignum_tas=%x --> %d\n", addr32(top), growth);
    else
      Stderr("*** orv_bignum_tas=%x --> %d ***\n", addr32(top), growth);
  }
  seen = true;
  last = top;
}

void Orv_rechercher_pointer(const void* ptr) {
  if (ptr == nullptr) {
    Stderr("\n find nil pointer !\n");
    return;
  }
  const char* p = static_cast<const char*>(ptr);
  for (const CoefZone* z : {&coef_zone1, &coef_zone2}) {
    if (z->table == nullptr) continue;
    for (int32_t i = 0; i < z->next; ++i)
      if (p >= z->table[i] && p < z->table[i] + kCoefBlockBytes + 8)
        Stderr("\nfind pointer in zone Z%d at slot %d ", z->id, i + 1);
  }
  Stderr(" [Z%d Z%d]\n", coef_zone1.id, coef_zone2.id);
}

void debug_Zone_VGF() {
  Output("debug_Zone_VGF\n");
  CoefZone& z = coef_zone1;
  if (z.top != nullptr) std::memset(z.top, 0, static_cast<size_t>(z.end - z.top));
  if (z.table == nullptr) return;
  for (int32_t i = z.next; i < z.held; ++i) std::memset(z.table[i], 0, kCoefBlockBytes);
}

void force_tozero_heap() {
  CoefZone& z = coef_zone1;
  size_t n = z.top ? static_cast<size_t>(z.end - z.top) : 0;
  std::fprintf(stderr, "Set %d bytes to 0!\n", static_cast<int>(n));
  if (n) std::memset(z.top, 0, n);
}

}  // namespace orv::ORV_BUILD
