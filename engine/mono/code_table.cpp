// The monomial code table: sizing, probing, entering and finding monomials.
#include "engine/mono/code_table.hpp"

#include <vector>

#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_pool.hpp"
#include "engine/mono/expos_print.hpp"

namespace zel::ZEL_BUILD {

uint32_t zel_max_index = kDefaultMaxIndex;
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

// The two layouts seen alike by the probing code.  A slot's occupant is
// named by a handle (kEmpty when the slot is empty) through which its fields
// are read and written.
constexpr uint32_t kEmpty = ~uint32_t(0);

// Flat: every slot in one array; a slot's handle is the slot itself.
struct FlatSlots {
  ExposSlot* e;
  uint32_t occupant(uint32_t s) const { return e[s].monomial ? s : kEmpty; }
  ExposW* monomial(uint32_t h) const { return e[h].monomial; }
  uint32_t code(uint32_t h) const { return e[h].code; }
  uint32_t collision(uint32_t h) const { return e[h].collision; }
  uint32_t& value(uint32_t h) const { return e[h].value; }
  void mark(uint32_t h) const { e[h].collision = 1; }
  // Puts m into the empty slot s under code c.
  uint32_t take(uint32_t s, ExposW* m, uint32_t c) const {
    e[s].monomial = m;
    e[s].code = c;
    e[c].map = s;
    return s;
  }
};

// Compact: only the occupied slots; a slot's handle is its code.
struct CompactView {
  CompactSlots* c;
  uint32_t occupant(uint32_t s) const { return c->code_in(s); }
  ExposW* monomial(uint32_t h) const { return c->fields(h).monomial; }
  uint32_t code(uint32_t h) const { return h; }
  uint32_t collision(uint32_t h) const { return c->fields(h).collision; }
  uint32_t& value(uint32_t h) const { return c->fields(h).value; }
  void mark(uint32_t h) const { c->fields(h).collision = 1; }
  uint32_t take(uint32_t s, ExposW* m, uint32_t code) const {
    const uint32_t h = c->add(s, m);
    if (h != code) Fatal("Erreur impossible: the compact slots lost count of the codes\n");
    return h;
  }
};

// Calls f with the view of t's layout.  Reading functions hand in a const
// table: they use only the views' reading members.
template <class F>
inline decltype(auto) with_slots(const Base_Exposants* t, F&& f) {
  if (t->compact) return f(CompactView{t->compact});
  return f(FlatSlots{t->entries});
}

enum class Probe { kHit, kEmpty, kOverflow };

// Walks the probe sequence from `home` until a slot holds the wanted monomial
// (`same`) or is empty; `*at` receives that slot and `*h` its occupant.
// With kMark set, every slot passed over gets its collision flag.
template <bool kMark, class Slots, class Same>
inline Probe probe(const Slots& v, uint32_t home, Same same, uint32_t* at, uint32_t* h) {
  const uint32_t last = zel_hash_prime - 1;
  uint32_t s = home;
  bool wrapped = false;
  for (;;) {
    const uint32_t o = v.occupant(s);
    *at = s;
    *h = o;
    if (o == kEmpty) return Probe::kEmpty;
    if (same(v.monomial(o))) return Probe::kHit;
    if constexpr (kMark) v.mark(o);
    if (s == 0) {
      if (wrapped) return Probe::kOverflow;
      wrapped = true;
      s = last;
    } else {
      --s;
    }
  }
}

// Probes for a*b (a when b is null), marking slots passed over when kMark.
template <bool kMark, class Slots>
inline Probe probe_for(const Slots& v, uint32_t home, const ExposW* b, const Expos* a,
                       uint32_t* at, uint32_t* h) {
  const ExposW* wa = words_of(a);
  if (b)
    return probe<kMark>(
        v, home, [&](const ExposW* m) { return equal_product_Expos(m, wa, b); }, at, h);
  return probe<kMark>(
      v, home, [&](const ExposW* m) { return equal_Expos(m, wa); }, at, h);
}

// Gives the next code to the empty slot s, which receives monomial m;
// returns the slot's new occupant.
template <class Slots>
inline uint32_t take_slot(Base_Exposants* t, const Slots& v, uint32_t s, ExposW* m) {
  return v.take(s, m, t->count++);
}

// Value of the slot holding a*b (a when b is null), which must be there: a
// flag-0 home slot is trusted without comparing.  The messages name the
// caller (find_code1 or find_code).
template <class Slots>
uint32_t find_present(const Slots& v, uint32_t home, const ExposW* b, const Expos* a,
                      const char* absent, const char* endless) {
  const uint32_t o = v.occupant(home);
  // An empty home slot means the monomial is absent: say so rather than hand
  // back a value left from earlier use.
  if (o == kEmpty) Fatal("%s", absent);
  if (!v.collision(o)) return v.value(o);
  uint32_t s, h;
  switch (probe_for<false>(v, home, b, a, &s, &h)) {
    case Probe::kHit:
      return v.value(h);
    case Probe::kEmpty:
      Fatal("%s", absent);
    case Probe::kOverflow:
      break;
  }
  Fatal("%s", endless);
}

}  // namespace

uint32_t hash_prime_for(uint32_t M) {
  if (M >= 2147483648u) return kSizes[0].prime;
  uint32_t r = 1;
  while (kSizes[r].power != 0 && kSizes[r].power > M) ++r;
  if (kSizes[r].power == 0) return 0;
  const uint32_t p = kSizes[r].prime;
  return p < M ? kSizes[r - 1].prime : p;
}

void set_hash_prime() {
  const uint32_t p = hash_prime_for(zel_max_index);
  if (p == 0) ZEL_C(Fatal)("Cannot find corresponding prime for MAX_INDEX=%u\n", zel_max_index);
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
  t->compact = nullptr;
  return t;
}

namespace {

// The engine's table of this build: its record and its compact store.
struct EngineTable {
  CompactSlots slots;
  Base_Exposants record{0, nullptr, &slots};
};
EngineTable engine_table;

}  // namespace

Base_Exposants* engine_Table_de_Recherche() {
  engine_table.slots.clear();
  engine_table.record.count = 0;
  return &engine_table.record;
}

void release_engine_table_pages() {
  engine_table.slots.release();
  engine_table.record.count = 0;
}

void empty_Table_de_Recherche(Base_Exposants* t) {
  if (t->compact) {
    t->compact->clear();
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
  if (t->compact) {
    t->compact->clear();
    t->count = 0;
    return;
  }
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
  return with_slots(t, [&](const auto& v) {
    const uint32_t home = home_slot(hb, b, a);
    uint32_t s, h;
    const Probe r = probe_for<true>(v, home, b, a, &s, &h);
    if (r == Probe::kHit) {
      *code = v.code(h);
      *mono = header_of(v.monomial(h));
      return 0;
    }
    if (r == Probe::kOverflow) {
      if (b) Fatal("Sorry the size of the matrix is too big ![1]\n");
      Fatal("Sorry the size of the matrix is too big ![3]\n");
    }
    Expos* m = a;
    if (b) {
      m = ZEL_C(new_Expos)();
      put_hash(m, home);
      mul_Expos_to(words_of(m), words_of(a), b);
    }
    *code = v.code(take_slot(t, v, s, words_of(m)));
    *mono = m;
    return 1;
  });
}

bool lookup_code(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t,
                 uint32_t* code) {
  return with_slots(t, [&](const auto& v) {
    uint32_t s, h;
    if (probe_for<false>(v, home_slot(hb, b, a), b, a, &s, &h) != Probe::kHit) return false;
    *code = v.code(h);
    return true;
  });
}

uint32_t find_code1(const Expos* a, const Base_Exposants* t) {
  return with_slots(t, [&](const auto& v) {
    return find_present(v, uint32_t(get_hash(a)), nullptr, a,
                        "Erreur impossible dans find_code1\n",
                        "Boucle infinie, impossible dans find_code1 !\n");
  });
}

uint32_t find_code(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t) {
  if (!b) return find_code1(a, t);
  return with_slots(t, [&](const auto& v) {
    return find_present(v, home_slot(hb, b, a), b, a, "Erreur impossible dans find_code !\n",
                        "Boucle infinie, erreur impossible dans find_code !\n");
  });
}

uint32_t ZEL_C(find_code)(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t) {
  return find_code(hb, b, a, t);
}

int32_t find_code_or_fail(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t) {
  if (!b) Fatal("NYA in find_code_or_fail\n");
  // The monomial may be absent here, so the home slot is compared like any
  // other: trusting a flag-0 home slot would return a stale or foreign value.
  return with_slots(t, [&](const auto& v) -> int32_t {
    uint32_t s, h;
    switch (probe_for<false>(v, home_slot(hb, b, a), b, a, &s, &h)) {
      case Probe::kHit:
        return int32_t(v.value(h));
      case Probe::kEmpty:
        return -1;
      case Probe::kOverflow:
        break;
    }
    Fatal("Infinite loop in find_code_or_fail !\n");
  });
}

int ZEL_C(insert_code)(Expos* m, Base_Exposants* t, uint32_t value) {
  return with_slots(t, [&](const auto& v) {
    uint32_t s, h;
    const Probe r = probe_for<true>(v, uint32_t(get_hash(m)), nullptr, m, &s, &h);
    if (r == Probe::kHit) {
      v.value(h) = value;
      return 0;
    }
    if (r == Probe::kOverflow) Fatal("Sorry the size of the hash table is too small !\n");
    v.value(take_slot(t, v, s, words_of(m))) = value;
    return 1;
  });
}

SlotContents slot_contents(const Base_Exposants* t, uint32_t s) {
  return with_slots(t, [&](const auto& v) {
    const uint32_t h = v.occupant(s);
    if (h == kEmpty) return SlotContents{nullptr, 0, 0, 0};
    return SlotContents{v.monomial(h), v.code(h), v.collision(h), v.value(h)};
  });
}

uint32_t map_slot(const Base_Exposants* t, uint32_t k) {
  if (t->compact) return t->compact->fields(t->compact->map_code(k)).slot;
  return t->entries[k].map;
}

void reorder_map(Base_Exposants* t, const uint32_t* order) {
  if (t->compact) {
    t->compact->reorder_map(order);
    return;
  }
  ExposSlot* e = t->entries;
  const uint32_t n = t->count;
  std::vector<uint32_t> slots(n);
  for (uint32_t k = 0; k < n; ++k) slots[k] = e[k].map;
  for (uint32_t k = 0; k < n; ++k) {
    e[k].map = slots[order[k]];
    e[e[k].map].value = k;
  }
}

void ZEL_C(see_Expos_Table)(uint32_t k, const Base_Exposants* t) {
  see_Expos(monomial_of_map(t, k));
}

void ZEL_C(see_local_Expos)(uint32_t base, const Base_Exposants* t, int32_t k) {
  see_Expos2(header_of(monomial_of_map(t, uint32_t(k) - base)), 1);
}

}  // namespace zel::ZEL_BUILD
