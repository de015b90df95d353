// Results copied out of the zones and rebuilt: monomial blocks kept once.
#include "engine/driver/saved_results.hpp"

#include <cstring>

#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_pool.hpp"

namespace zel::ZEL_BUILD {

uint64_t SavedResults::hash_of(const uint64_t* b) const {
  uint64_t h = 0;
  for (uint32_t k = 0; k < words_; ++k) h = (h ^ b[k]) * 0x9E3779B97F4A7C15ULL;
  return h ^ (h >> 29);
}

void SavedResults::grow_table() {
  table_.assign(table_.empty() ? 1024 : 2 * table_.size(), 0);
  const size_t mask = table_.size() - 1;
  for (uint32_t k = 0; k < nblocks_; ++k) {
    size_t i = hash_of(block(k)) & mask;
    while (table_[i] != 0) i = (i + 1) & mask;
    table_[i] = k + 1;
  }
}

uint32_t SavedResults::number_of(const Expos* m) {
  const uint64_t* b = reinterpret_cast<const uint64_t*>(m);
  const size_t mask = table_.size() - 1;
  size_t i = hash_of(b) & mask;
  for (; table_[i] != 0; i = (i + 1) & mask)
    if (std::memcmp(block(table_[i] - 1), b, 8 * size_t(words_)) == 0) return table_[i] - 1;
  const uint32_t k = nblocks_++;
  blocks_.insert(blocks_.end(), b, b + words_);
  table_[i] = k + 1;
  if (2 * size_t(nblocks_) > table_.size()) grow_table();
  return k;
}

void SavedResults::save(Dpol* const* polys, uint32_t count) {
  words_ = sz_Expos / 8;
  size_t terms = 0;
  for (uint32_t i = 0; i < count; ++i) terms += polys[i]->n;
  // Sized once: growing by doubling would hold two copies at a time.  The
  // blocks' room is only reserved: pages never written cost nothing.
  polys_.resize(count);
  term_block_.reserve(terms);
  coeffs_.reserve(terms);
  blocks_.reserve(terms * words_);
  grow_table();
  for (uint32_t i = 0; i < count; ++i) {
    const Dpol* p = polys[i];
    polys_[i] = {p->serial, p->n, coeffs_.size()};
    for (uint32_t t = 0; t < p->n; ++t) {
      term_block_.push_back(number_of(p->mono[t]));
      coeffs_.push_back(lanes(p)[0][t]);
    }
  }
}

void SavedResults::rebuild(Dpol** polys) const {
  for (size_t i = 0; i < polys_.size(); ++i) {
    const Saved& s = polys_[i];
    Dpol* q = new_Dpol(s.n);
    q->serial = s.serial;
    for (uint32_t t = 0; t < s.n; ++t) {
      Expos* m = ZEL_C(new_heap_Expos)();
      std::memcpy(m, block(term_block_[s.at + t]), sz_Expos);
      q->mono[t] = m;
      lanes(q)[0][t] = coeffs_[s.at + t];
    }
    polys[i] = q;
  }
}

}  // namespace zel::ZEL_BUILD
