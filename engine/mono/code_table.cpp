// The monomial code table: sizing, probing, entering and finding monomials.
#include "engine/mono/code_table.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_pool.hpp"
#include "engine/mono/expos_print.hpp"

namespace zel::ZEL_BUILD {

uint32_t zel_max_index = 5000000;
Base_Exposants* ZEL_C(ptr_Base_Exposants) = nullptr;

uint32_t ZEL_C(max_index)() { return zel_max_index; }

namespace {

// Rows {power, prime}: each prime about 1.15 times its power (1.2 times for
// the four smallest); ended by {0, 0}.
struct SizeRow {
  uint32_t power, prime;
};
constexpr SizeRow kSizes[] = {{2147483648u, 2469606199u},
                              {1073741824u, 1234803133u},
                              {536870912u, 617401571u},
                              {268435456u, 308700781u},
                              {134217728u, 154350409u},
                              {67108864u, 77175227u},
                              {33554432u, 38587607u},
                              {16777216u, 19293809u},
                              {8388608u, 9646907u},
                              {4194304u, 4823459u},
                              {2097152u, 2411729u},
                              {1048576u, 1205891u},
                              {524288u, 602947u},
                              {262144u, 301471u},
                              {131072u, 150743u},
                              {65536u, 75367u},
                              {32768u, 37691u},
                              {16384u, 18859u},
                              {8192u, 9431u},
                              {4096u, 4919u},
                              {2048u, 2459u},
                              {1024u, 1231u},
                              {512u, 617u},
                              {0u, 0u}};

// Home slot of a*b, or of a when b is null.
inline uint32_t home_slot(uint32_t hb, const ExposW* b, const Expos* a) {
  const uint32_t ha = uint32_t(get_hash(a));
  return b ? add_hash(ha, hb) : ha;
}

enum class Probe { kHit, kEmpty, kOverflow };

// Walks the probe sequence from `home` until a slot holds the wanted monomial
// (`same`) or is empty; `*at` receives that slot.  With kMark set, every slot
// passed over gets its collision flag.
template <bool kMark, class Same>
inline Probe probe(ExposSlot* entries, uint32_t home, Same same, uint32_t* at) {
  const uint32_t last = zel_hash_prime - 1;
  uint32_t s = home;
  bool wrapped = false;
  for (;;) {
    ExposSlot& e = entries[s];
    if (!e.monomial) {
      *at = s;
      return Probe::kEmpty;
    }
    if (same(e.monomial)) {
      *at = s;
      return Probe::kHit;
    }
    if constexpr (kMark) e.collision = 1;
    if (s == 0) {
      if (wrapped) return Probe::kOverflow;
      wrapped = true;
      s = last;
    } else {
      --s;
    }
  }
}

// Probes for a*b (a when b is null) without writing anything.
inline Probe probe_lookup(const Base_Exposants* t, uint32_t home, const ExposW* b, const Expos* a,
                          uint32_t* at) {
  const ExposW* wa = words_of(a);
  if (b)
    return probe<false>(
        t->entries, home, [&](const ExposW* m) { return equal_product_Expos(m, wa, b); }, at);
  return probe<false>(
      t->entries, home, [&](const ExposW* m) { return equal_Expos(m, wa); }, at);
}

// Gives the next code to the empty slot s holding monomial m.
inline uint32_t take_slot(Base_Exposants* t, uint32_t s, ExposW* m) {
  const uint32_t c = t->count++;
  ExposSlot* e = t->entries;
  e[s].monomial = m;
  e[s].code = c;
  e[c].map = s;
  return c;
}

}  // namespace

void set_hash_prime() {
  const uint32_t M = zel_max_index;
  if (M >= 2147483648u) {
    zel_hash_prime = kSizes[0].prime;
    return;
  }
  uint32_t r = 1;
  while (kSizes[r].power != 0 && kSizes[r].power > M) ++r;
  if (kSizes[r].power == 0) ZEL_C(Fatal)("Cannot find corresponding prime for MAX_INDEX=%u\n", M);
  uint32_t p = kSizes[r].prime;
  if (p < M) p = kSizes[r - 1].prime;
  zel_hash_prime = p;
}

Base_Exposants* dynamic_Table_de_Recherche() {
  const uint64_t p = zel_hash_prime;
  // The entries follow the record; the record is padded to 16 bytes so that
  // the entries keep the block's alignment.
  const uint64_t head = (sizeof(Base_Exposants) + 15) & ~uint64_t(15);
  unsigned char* block =
      static_cast<unsigned char*>(ZEL_C(alloc64)(head + (p + 1) * sizeof(ExposSlot)));
  Base_Exposants* t = reinterpret_cast<Base_Exposants*>(block);
  t->entries = reinterpret_cast<ExposSlot*>(block + head);
  return t;
}

namespace {

// The engine's table of this build: its record, and its slots in pages taken
// from the system.  Fresh pages read as zero, so an empty table costs no
// memory and no clearing; only the slots in use ever become resident.  The
// pages are kept across requests: a table of the same size reuses them.
struct EngineTable {
  Base_Exposants record{};
  void* pages = nullptr;
  uint64_t bytes = 0;
};
EngineTable engine_table;

uint64_t page_bytes() {
  static const uint64_t ps = uint64_t(sysconf(_SC_PAGESIZE));
  return ps;
}

// Gives the engine table's pages back to the system: they read as zero
// afterwards, which is every slot empty with collision flag 0.
void drop_engine_pages() {
  if (engine_table.pages) madvise(engine_table.pages, engine_table.bytes, MADV_DONTNEED);
}

}  // namespace

Base_Exposants* engine_Table_de_Recherche() {
  const uint64_t ps = page_bytes();
  const uint64_t bytes = ((uint64_t(zel_hash_prime) + 1) * sizeof(ExposSlot) + ps - 1) / ps * ps;
  EngineTable& et = engine_table;
  if (et.bytes != bytes) {
    if (et.pages) munmap(et.pages, et.bytes);
    et.pages = nullptr;
    et.bytes = 0;
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) ZEL_C(Fatal)("Cannot allocate memory !");
    et.pages = p;
    et.bytes = bytes;
  } else {
    drop_engine_pages();
  }
  et.record.count = 0;
  et.record.entries = static_cast<ExposSlot*>(et.pages);
  return &et.record;
}

void release_engine_table_pages() {
  drop_engine_pages();
  engine_table.record.count = 0;
}

void empty_Table_de_Recherche(Base_Exposants* t) {
  if (t == &engine_table.record) {
    drop_engine_pages();
    t->count = 0;
    return;
  }
  ExposSlot* e = t->entries;
  for (uint32_t s = 0, p = zel_hash_prime; s < p; ++s) {
    e[s].monomial = nullptr;
    e[s].collision = 0;
  }
  t->count = 0;
}

void empty_codes_Table_de_Recherche(Base_Exposants* t) {
  ExposSlot* e = t->entries;
  for (uint32_t c = t->count; c-- > 0;) {
    ExposSlot& s = e[e[c].map];
    s.monomial = nullptr;
    s.collision = 0;
  }
  t->count = 0;
}

int ZEL_C(get_code)(uint32_t hb, const ExposW* b, Expos* a, Base_Exposants* t, uint32_t* code,
                    Expos** mono) {
  const uint32_t home = home_slot(hb, b, a);
  const ExposW* wa = words_of(a);
  uint32_t s;
  const Probe r =
      b ? probe<true>(
              t->entries, home, [&](const ExposW* m) { return equal_product_Expos(m, wa, b); }, &s)
        : probe<true>(
              t->entries, home, [&](const ExposW* m) { return equal_Expos(m, wa); }, &s);
  if (r == Probe::kHit) {
    *code = t->entries[s].code;
    *mono = header_of(t->entries[s].monomial);
    return 0;
  }
  if (r == Probe::kOverflow) {
    if (b) ZEL_C(Fatal)("Sorry the size of the matrix is too big ![1]\n");
    ZEL_C(Fatal)("Sorry the size of the matrix is too big ![3]\n");
  }
  Expos* m = a;
  if (b) {
    m = ZEL_C(new_Expos)();
    put_hash(m, home);
    mul_Expos_to(words_of(m), wa, b);
  }
  *code = take_slot(t, s, words_of(m));
  *mono = m;
  return 1;
}

bool lookup_code(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t,
                 uint32_t* code) {
  uint32_t s;
  if (probe_lookup(t, home_slot(hb, b, a), b, a, &s) != Probe::kHit) return false;
  *code = t->entries[s].code;
  return true;
}

uint32_t find_code1(const Expos* a, const Base_Exposants* t) {
  const uint32_t home = uint32_t(get_hash(a));
  const ExposSlot& h = t->entries[home];
  // An empty home slot means the monomial is absent: say so rather than hand
  // back a value left from earlier use.
  if (!h.monomial) ZEL_C(Fatal)("Erreur impossible dans find_code1\n");
  if (!h.collision) return h.value;
  uint32_t s;
  switch (probe_lookup(t, home, nullptr, a, &s)) {
    case Probe::kHit:
      return t->entries[s].value;
    case Probe::kEmpty:
      ZEL_C(Fatal)("Erreur impossible dans find_code1\n");
    case Probe::kOverflow:
      break;
  }
  ZEL_C(Fatal)("Boucle infinie, impossible dans find_code1 !\n");
}

uint32_t find_code(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t) {
  if (!b) return find_code1(a, t);
  const uint32_t home = home_slot(hb, b, a);
  const ExposSlot& h = t->entries[home];
  if (!h.monomial) ZEL_C(Fatal)("Erreur impossible dans find_code !\n");
  if (!h.collision) return h.value;
  uint32_t s;
  switch (probe_lookup(t, home, b, a, &s)) {
    case Probe::kHit:
      return t->entries[s].value;
    case Probe::kEmpty:
      ZEL_C(Fatal)("Erreur impossible dans find_code !\n");
    case Probe::kOverflow:
      break;
  }
  ZEL_C(Fatal)("Boucle infinie, erreur impossible dans find_code !\n");
}

uint32_t ZEL_C(find_code)(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t) {
  return find_code(hb, b, a, t);
}

int32_t find_code_or_fail(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t) {
  if (!b) ZEL_C(Fatal)("NYA in find_code_or_fail\n");
  // The monomial may be absent here, so the home slot is compared like any
  // other: trusting a flag-0 home slot would return a stale or foreign value.
  uint32_t s;
  switch (probe_lookup(t, home_slot(hb, b, a), b, a, &s)) {
    case Probe::kHit:
      return int32_t(t->entries[s].value);
    case Probe::kEmpty:
      return -1;
    case Probe::kOverflow:
      break;
  }
  ZEL_C(Fatal)("Infinite loop in find_code_or_fail !\n");
}

int ZEL_C(insert_code)(Expos* m, Base_Exposants* t, uint32_t value) {
  const ExposW* wm = words_of(m);
  uint32_t s;
  const Probe r = probe<true>(
      t->entries, uint32_t(get_hash(m)), [&](const ExposW* x) { return equal_Expos(x, wm); }, &s);
  if (r == Probe::kHit) {
    t->entries[s].value = value;
    return 0;
  }
  if (r == Probe::kOverflow) ZEL_C(Fatal)("Sorry the size of the hash table is too small !\n");
  take_slot(t, s, words_of(m));
  t->entries[s].value = value;
  return 1;
}

void ZEL_C(see_Expos_Table)(uint32_t k, const Base_Exposants* t) {
  see_Expos(slot_of_map(t, k).monomial);
}

void ZEL_C(see_local_Expos)(uint32_t base, const Base_Exposants* t, int32_t k) {
  see_Expos2(header_of(slot_of_map(t, uint32_t(k) - base).monomial), 1);
}

}  // namespace zel::ZEL_BUILD
