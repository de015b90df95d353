// The monomial code table `Base_Exposants`.
//
// Gives every distinct monomial of an F4 step a dense code 0, 1, 2 ... in order
// of first entry.  Open addressing over p = `zel_hash_prime` slots; the home
// slot of a monomial is its additive hash (expos_hash.hpp), so the slot of a
// product a*b is (h(a) + h(b)) mod p and a product is located, compared and
// found again without ever being built.
//
// Probing: from the home slot downwards, slot 0 wraps to slot p-1 once;
// passing below slot 0 a second time means every slot is taken (overflow,
// fatal).  An empty slot ends every probe.  Inserting operations set the
// collision flag of every slot they pass over, so a monomial that is in the
// table sits in its home slot whenever that slot's flag is 0: lookups of
// monomials known to be present then skip all comparisons.
//
// Arguments: `a` is header form and its hash is read from its header (low 32
// bits); `b` is word form, carries no header, and its hash is passed as `hb`.
// Both hashes must be below p.  A table serves only while `zel_hash_prime`
// keeps the value it had when the table was made.
//
// Storage: the slots and the map (see ExposSlot) are the same in two
// layouts.  A flat table (`dynamic_Table_de_Recherche`) is one block of the
// current zone holding all p slots, and disappears with that zone's mark.
// The engine's table (`engine_Table_de_Recherche`) keeps only its occupied
// slots, in a CompactSlots store (compact_slots.hpp) on the heap: memory in
// proportion to the codes in use, whatever p.  The functions below serve
// both; only a flat table has `entries`.
//
// Stored monomials are blocks adopted from the caller (`get_code` with b
// null, `insert_code`) or taken from the Expos pool (`get_code` of a
// product); they are never given back by the table.
#pragma once

#include <cstdint>

#include "engine/mono/compact_slots.hpp"
#include "engine/mono/expos_hash.hpp"
#include "engine/mono/expos_words.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// One slot of a flat table.  Entry k (k < count) also carries map entry k:
// after entering, the slot that holds the monomial of code k; `reorder_map`
// permutes map entries 0 .. count-1 (the symbolic preprocessing sorts them
// by monomial order).
struct ExposSlot {
  ExposW* monomial;    // word form of the stored monomial, null when empty
  uint32_t code;       // code given when the monomial entered
  uint32_t map;        // code-to-slot map (see above)
  uint32_t collision;  // 1 when an insertion probed past this slot
  uint32_t value;      // the caller's number (column, or insert_code's value)
};

struct Base_Exposants {
  uint32_t count;         // codes given out: 0 .. count-1
  ExposSlot* entries;     // flat: p + 1 entries following the record; else null
  CompactSlots* compact;  // the engine's table: its occupied slots; else null
};

// What a slot holds, in either layout (monomial null when empty).
struct SlotContents {
  const ExposW* monomial;
  uint32_t code, collision, value;
};

// Largest matrix size accepted; decides the table size.
inline constexpr uint32_t kDefaultMaxIndex = 5000000;
extern uint32_t zel_max_index;
// The engine's current table (made by the C interface's set-up).
extern Base_Exposants* ZEL_C(ptr_Base_Exposants);

uint32_t ZEL_C(max_index)();

// Sets `zel_hash_prime` from `zel_max_index`: a prime p with M <= p < 2.3 M.
// M below 512 is fatal.
void set_hash_prime();
// The prime set_hash_prime takes for M; 0 when there is none (M below 512).
uint32_t hash_prime_for(uint32_t M);

// A flat table of `zel_hash_prime` slots from the current zone (alloc64).
// Nothing is cleared: empty it fully before use.
Base_Exposants* dynamic_Table_de_Recherche();

// The engine's table of this build, sized by `zel_hash_prime`, empty.  Its
// occupied slots are stored compactly, in memory kept with the build across
// requests.  There is one such table per build: the one made before is this
// same record, emptied.
Base_Exposants* engine_Table_de_Recherche();

// Gives the memory of the engine's table back (memory reset, or before
// steps whose monomials are mostly new); the table stays valid and empty.
void release_engine_table_pages();

// Empties every slot (monomial null, collision flag 0) and sets count to 0.
// A flat table's codes, maps and values keep their contents; the engine's
// table forgets them.
void empty_Table_de_Recherche(Base_Exposants* t);

// Empties only the slots named by map entries 0 .. count-1 (exactly the
// occupied ones, whatever order the map was sorted into), then count = 0.
// Costs time in proportion to the codes in use.
void empty_codes_Table_de_Recherche(Base_Exposants* t);

// Finds or enters a*b (a itself when b is null).  Returns 1 when a new code
// was given, 0 when the monomial was there; writes the code and the table's
// monomial (header form) to *code and *mono.  A new product is a fresh Expos
// pool block whose header holds its hash; with b null the table adopts a
// itself.  The value field is not written (a new slot of the engine's table
// reads 0).
int ZEL_C(get_code)(uint32_t hb, const ExposW* b, Expos* a, Base_Exposants* t, uint32_t* code,
                    Expos** mono);

// The code of a*b (a when b is null) when it is in the table; false when it
// is not.  Writes nothing, so threads may look up together while nobody
// enters monomials.
bool lookup_code(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t,
                 uint32_t* code);

// Prepares the entry of a monomial whose home slot is `home`: fetches what
// the entry will read first.  `touch_home_slot` goes just before the entry,
// `prefetch_slot` some entries ahead.  In a flat table the touch is a no-op
// write: a fresh page first read maps the shared zero page, so that the
// entry's write would fault a second time.
inline void prefetch_slot(const Base_Exposants* t, uint32_t home) {
  if (t->compact)
    t->compact->prefetch(home);
  else
    __builtin_prefetch(&t->entries[home]);
}
inline void touch_home_slot(Base_Exposants* t, uint32_t home) {
  if (!t->compact) __atomic_fetch_or(&t->entries[home].collision, 0u, __ATOMIC_RELAXED);
}

// Value of the slot holding a*b (a when b is null); the monomial must be in
// the table (its absence is fatal).
uint32_t find_code(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t);
uint32_t ZEL_C(find_code)(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t);
// Value of the slot holding a; a must be in the table.
uint32_t find_code1(const Expos* a, const Base_Exposants* t);

// Value of the slot holding a*b (b not null), or -1 when a*b is not in the
// table.
int32_t find_code_or_fail(uint32_t hb, const ExposW* b, const Expos* a, const Base_Exposants* t);

// Enters m (adopted, header form) with the value and returns 1, or gives the
// value to m's slot and returns 0 when m is already there.
int ZEL_C(insert_code)(Expos* m, Base_Exposants* t, uint32_t value);

// What slot s holds.
SlotContents slot_contents(const Base_Exposants* t, uint32_t s);

// The slot named by map entry k (k < count).
uint32_t map_slot(const Base_Exposants* t, uint32_t k);

// The monomial (word form) of the slot named by map entry k (k < count).
inline ExposW* monomial_of_map(const Base_Exposants* t, uint32_t k) {
  if (t->compact) return t->compact->monomial_of_map(k);
  return t->entries[t->entries[k].map].monomial;
}

// Puts the map in the given order: map entry k becomes the former entry
// order[k] (order a permutation of 0 .. count-1), and the slot it names
// takes k as its value.
void reorder_map(Base_Exposants* t, const uint32_t* order);

// Prints the monomial of the slot named by map entry k.
void ZEL_C(see_Expos_Table)(uint32_t k, const Base_Exposants* t);
// Prints the monomial of the slot named by map entry k - base, through its
// header form.
void ZEL_C(see_local_Expos)(uint32_t base, const Base_Exposants* t, int32_t k);

}  // namespace zel::ZEL_BUILD
