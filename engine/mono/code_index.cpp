// The compact index of a step's codes: sizing and adding.
#include "engine/mono/code_index.hpp"
#include "engine/mono/open_addressing.hpp"

#include <algorithm>

namespace zel::ZEL_BUILD {

void CodeIndex::resize(uint32_t capacity_log2) {
  entries_.assign(size_t(1) << capacity_log2, Entry{0, kEmpty});
  mask_ = (uint32_t(1) << capacity_log2) - 1;
  shift_ = 64 - capacity_log2;
}

void CodeIndex::clear(uint32_t expected) {
  by_code_.clear();
  words_.clear();
  words_per_code_ = nb_of_blocks_of_variables;
  const uint32_t k = log2_room(expected);
  // Keep the array unless it is far larger than needed: clearing costs its
  // whole size.
  if (entries_.size() < (size_t(1) << k) || entries_.size() > (size_t(8) << k))
    resize(k);
  else
    std::fill(entries_.begin(), entries_.end(), Entry{0, kEmpty});
}

void CodeIndex::place(Entry e) {
  uint32_t i = position(e.home, shift_);
  while (entries_[i].code != kEmpty) i = (i + 1) & mask_;
  entries_[i] = e;
}

void CodeIndex::add(uint32_t home, const ExposW* m, uint32_t code) {
  by_code_.push_back(m);
  if (words_per_code_ <= kMostCopiedWords)
    for (uint32_t k = 0; k < words_per_code_; ++k) words_.push_back(get_word(m, k));
  if (2 * uint64_t(by_code_.size()) > entries_.size()) {
    std::vector<Entry> old;
    old.swap(entries_);
    resize(log2_room(2 * by_code_.size()));
    for (const Entry& e : old)
      if (e.code != kEmpty) place(e);
  }
  place(Entry{home, code});
}

}  // namespace zel::ZEL_BUILD
