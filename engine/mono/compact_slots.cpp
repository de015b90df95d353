// The compact store of a code table's occupied slots: entering, reordering
// the map, emptying.
#include "engine/mono/compact_slots.hpp"
#include "engine/mono/open_addressing.hpp"

namespace zel::ZEL_BUILD {

const CompactSlots::Entry CompactSlots::kNoEntries[2] = {{kNone, kNone}, {kNone, kNone}};

void CompactSlots::resize(uint32_t capacity_log2) {
  // Built aside and swapped in, so that a refused allocation leaves the map
  // as it was.
  std::vector<Entry> bigger(size_t(1) << capacity_log2, Entry{kNone, kNone});
  entries_.swap(bigger);
  map_ = entries_.data();
  mask_ = (uint32_t(1) << capacity_log2) - 1;
  shift_ = 64 - capacity_log2;
}

void CompactSlots::place(uint32_t s, uint32_t c) {
  uint32_t i = position(s);
  while (entries_[i].code != kNone) i = (i + 1) & mask_;
  entries_[i] = Entry{s, c};
}

uint32_t CompactSlots::add(uint32_t s, ExposW* m) {
  const uint32_t c = size();
  // Every allocation comes before the map changes, and the two arrays grow
  // together or not at all: after a refused allocation the store still
  // holds codes 0 .. c-1 exactly, so that clear() can undo them.
  if (2 * (uint64_t(c) + 1) > entries_.size()) {
    // Placed again in code order, as if entered into the larger map from
    // the start: clear() relies on that order.
    resize(log2_room(2 * (uint64_t(c) + 1)));
    for (uint32_t k = 0; k < c; ++k) place(fields_[k].slot, k);
  }
  map_code_.push_back(c);
  try {
    fields_.push_back(Fields{m, s, 0, 0});
  } catch (...) {
    map_code_.pop_back();
    throw;
  }
  place(s, c);
  return c;
}

void CompactSlots::reorder_map(const uint32_t* order) {
  const uint32_t n = size();
  scratch_.assign(map_code_.begin(), map_code_.end());
  for (uint32_t k = 0; k < n; ++k) {
    map_code_[k] = scratch_[order[k]];
    fields_[map_code_[k]].value = k;
  }
}

void CompactSlots::clear() {
  // Newest first: each removal restores the map as it was before that
  // entry was placed, so the probe runs of the older entries stay whole.
  for (uint32_t c = size(); c-- > 0;) {
    const uint32_t s = fields_[c].slot;
    uint32_t i = position(s);
    while (entries_[i].slot != s) i = (i + 1) & mask_;
    entries_[i] = Entry{kNone, kNone};
  }
  fields_.clear();
  map_code_.clear();
}

void CompactSlots::release() {
  std::vector<Entry>().swap(entries_);
  map_ = kNoEntries;
  mask_ = 1;
  shift_ = 63;
  std::vector<Fields>().swap(fields_);
  std::vector<uint32_t>().swap(map_code_);
  std::vector<uint32_t>().swap(scratch_);
}

}  // namespace zel::ZEL_BUILD
