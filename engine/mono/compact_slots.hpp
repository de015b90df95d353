// The occupied slots of a code table, stored compactly.
//
// The engine's code table has millions of slots, of which an F4 step uses a
// few ten thousand, each at a random place: an array of all the slots would
// make nearly every one of its pages resident over a run.  This store keeps
// only the occupied ones: an open-addressing map from slot number to the
// code held there (kept at most half full, growing by rehash with the codes
// in use), and the slots' fields in arrays indexed by code.  The table's map
// entries are kept here as codes too.
//
// Slots are filled one at a time, under codes 0, 1, 2 ..., and emptied only
// all together.  The map is linear probing without removals, so removing
// its entries newest first undoes each insertion exactly: emptying costs
// time in proportion to the codes in use, not to the map's size.
//
// Lookups only read: threads may look up together while nobody enters.
//
// An empty store holds no memory: the engine's table is a global, made
// while the library loads, where an allocation that fails cannot be
// reported (the C++ runtime would end the process).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/mono/expos_words.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

class CompactSlots {
 public:
  static constexpr uint32_t kNone = ~uint32_t(0);

  CompactSlots() = default;
  // (The map pointer points into the store's own block.)
  CompactSlots(const CompactSlots&) = delete;
  CompactSlots& operator=(const CompactSlots&) = delete;

  // The fields of the slot holding code c.
  struct Fields {
    ExposW* monomial;
    uint32_t slot;
    uint32_t collision;  // 1 when an insertion probed past this slot
    uint32_t value;      // the caller's number
  };

  // The code held by slot s, or kNone when s is empty.  Slot numbers are
  // below 2^32 - 1, so s never equals a free entry's kNone.
  uint32_t code_in(uint32_t s) const {
    for (uint32_t i = position(s);; i = (i + 1) & mask_) {
      const Entry e = map_[i];
      if (e.slot == s) return e.code;
      if (e.code == kNone) return kNone;
    }
  }
  // Fetches the map entry where a lookup of slot s starts.
  void prefetch(uint32_t s) const { __builtin_prefetch(&map_[position(s)]); }

  // Puts monomial m into the empty slot s under the next code, returned.
  uint32_t add(uint32_t s, ExposW* m);

  Fields& fields(uint32_t c) { return fields_[c]; }
  const Fields& fields(uint32_t c) const { return fields_[c]; }
  uint32_t size() const { return uint32_t(fields_.size()); }

  // Map entry k, as the code of the slot it names.
  uint32_t map_code(uint32_t k) const { return map_code_[k]; }
  ExposW* monomial_of_map(uint32_t k) const { return fields_[map_code_[k]].monomial; }
  // Map entry k becomes the former entry order[k] (order is a permutation
  // of the codes); the slot it names takes k as its value.
  void reorder_map(const uint32_t* order);

  // Empties every slot, in time proportional to the codes in use.
  void clear();
  // Empties every slot and gives the memory back.
  void release();

 private:
  struct Entry {
    uint32_t slot;  // kNone when the entry is free
    uint32_t code;  // kNone when the entry is free
  };

  uint32_t position(uint32_t s) const {
    return uint32_t((uint64_t(s) * 0x9E3779B97F4A7C15ULL) >> shift_);
  }
  void resize(uint32_t capacity_log2);
  void place(uint32_t s, uint32_t c);

  // The map of a store that never held a slot: two free entries, never
  // written (the first add() makes the map of its own).
  static const Entry kNoEntries[2];

  std::vector<Entry> entries_;
  const Entry* map_ = kNoEntries;  // entries_.data() once it holds any
  uint32_t mask_ = 1;
  uint32_t shift_ = 63;
  std::vector<Fields> fields_;
  std::vector<uint32_t> map_code_;
  std::vector<uint32_t> scratch_;  // reorder_map's copy of the map
};

}  // namespace zel::ZEL_BUILD
