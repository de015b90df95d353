// A compact index of the monomials a code table holds during one F4 step.
//
// The code table keeps its monomials in slots spread over its whole fixed
// size (hundreds of megabytes for the engine's table), so that every lookup
// of a product there costs a cache miss and a TLB miss.  Symbolic
// preprocessing looks each product up many times (a column is met by every
// row that has it), so it asks this index instead: for every code given out
// since the table was emptied, the code's home slot, the code and the stored
// monomial, in an open-addressing array kept at most half full and sized to
// the codes in use.  As it holds every code, a product absent from the index
// is absent from the table, and only new monomials go to the table itself.
//
// The index compares with its own copies of the monomials (up to 63
// variables), kept in code order in one array, rather than with the table's
// monomials scattered over the pool; and it keeps the table's monomial of every code in code order, so
// that a walk over the codes reads a dense array rather than the slots.
//
// Lookups only read: threads may look up together while nobody adds.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/mono/expos_words.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

class CodeIndex {
  struct Entry {
    uint32_t home;
    uint32_t code;  // kEmpty when the entry is free
  };

 public:
  // Forgets every code; room for about `expected` codes before it grows.
  void clear(uint32_t expected);

  // The index's fields for a run of lookups, held by value: a caller's
  // loop keeps them in registers, where the index's own fields would be
  // read again after every code it stores (a uint32_t store may alias
  // them).  Valid until the next add or clear.
  class Reader {
   public:
    // The code of a*b (a when b is null), whose home slot in the code
    // table is `home`; false when the index holds no such monomial.
    bool find(uint32_t home, const ExposW* b, const ExposW* a, uint32_t* code) const {
      for (uint32_t i = position(home);; i = (i + 1) & mask_) {
        const Entry e = entries_[i];
        if (e.code == kEmpty) return false;
        if (e.home != home) continue;
        const ExposW* m = copy_of(e.code);
        if (b ? equal_product(m, a, b, B_) : equal_words(m, a, B_)) {
          *code = e.code;
          return true;
        }
      }
    }
    // Fetches the entry where a lookup of home slot `home` starts; then
    // (once that entry is in cache) the copy of the monomial it names,
    // which the lookup compares with.
    void prefetch(uint32_t home) const { __builtin_prefetch(&entries_[position(home)]); }
    void prefetch_monomial(uint32_t home) const {
      const Entry e = entries_[position(home)];
      if (e.code != kEmpty) __builtin_prefetch(copy_of(e.code));
    }
    // See CodeIndex::copy_of.
    const ExposW* copy_of(uint32_t c) const {
      if (!copies_) return by_code_[c];
      return reinterpret_cast<const ExposW*>(copies_ + size_t(c) * B_);
    }

   private:
    friend class CodeIndex;
    uint32_t position(uint32_t home) const { return CodeIndex::position(home, shift_); }
    const Entry* entries_;
    const uint64_t* copies_;  // null when the monomials are not copied
    const ExposW* const* by_code_;
    uint32_t mask_, shift_, B_;
  };
  Reader reader() const {
    Reader r;
    r.entries_ = entries_.data();
    r.copies_ = words_per_code_ > kMostCopiedWords ? nullptr : words_.data();
    r.by_code_ = by_code_.data();
    r.mask_ = mask_;
    r.shift_ = shift_;
    r.B_ = words_per_code_;
    return r;
  }
  bool find(uint32_t home, const ExposW* b, const ExposW* a, uint32_t* code) const {
    return reader().find(home, b, a, code);
  }

  // Records that code `code`, the next one (codes arrive 0, 1, 2 ...),
  // holds monomial m, whose home slot is `home`.
  void add(uint32_t home, const ExposW* m, uint32_t code);

  // The monomial of code c as the table stores it (c below size()).
  const ExposW* monomial(uint32_t c) const { return by_code_[c]; }
  const ExposW* const* monomials() const { return by_code_.data(); }
  // The index's own copy of code c's words: the copies of successive codes
  // are contiguous.  Monomials of more than kMostCopiedWords words are not
  // copied (the copies would cost much memory and save little): then the
  // table's monomial.
  const ExposW* copy_of(uint32_t c) const { return reader().copy_of(c); }
  uint32_t size() const { return uint32_t(by_code_.size()); }

 private:
  static constexpr uint32_t kEmpty = ~uint32_t(0);
  static constexpr uint32_t kMostCopiedWords = 16;

  static bool equal_words(const ExposW* m, const ExposW* a, uint32_t B) {
    for (uint32_t k = 0; k < B; ++k)
      if (get_word(m, k) != get_word(a, k)) return false;
    return true;
  }
  static bool equal_product(const ExposW* m, const ExposW* a, const ExposW* b, uint32_t B) {
    for (uint32_t k = 0; k < B; ++k)
      if (get_word(m, k) != get_word(a, k) + get_word(b, k)) return false;
    return true;
  }
  // Where the probes for home slot `home` start, in an array of 2^(64 - shift)
  // entries.
  static uint32_t position(uint32_t home, uint32_t shift) {
    return uint32_t((uint64_t(home) * 0x9E3779B97F4A7C15ULL) >> shift);
  }
  void resize(uint32_t capacity_log2);
  void place(Entry e);

  std::vector<Entry> entries_ = std::vector<Entry>(2, Entry{0, kEmpty});
  uint32_t mask_ = 1;
  uint32_t shift_ = 63;
  uint32_t words_per_code_ = 0;
  std::vector<const ExposW*> by_code_;
  std::vector<uint64_t> words_;
};

}  // namespace zel::ZEL_BUILD
