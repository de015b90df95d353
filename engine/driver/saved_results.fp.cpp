// Results copied out of the zones and rebuilt: monomial blocks kept once.
#include "engine/driver/saved_results.hpp"

#include <algorithm>
#include <cstring>

#include "engine/driver/address_map.hpp"
#include "engine/driver/threads.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/mem/zone.hpp"
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
  // Terms mostly share their blocks: a block met before is found by its
  // address, without reading or hashing its words.
  AddressMap<uint32_t> by_address;
  for (uint32_t i = 0; i < count; ++i) {
    const Dpol* p = polys[i];
    polys_[i] = {p->serial, p->n, coeffs_.size()};
    for (uint32_t t = 0; t < p->n; ++t) {
      const Expos* m = p->mono[t];
      term_block_.push_back(by_address.find_or_add(m, [&] { return number_of(m); }));
      coeffs_.push_back(lanes(p)[0][t]);
    }
  }
}

void SavedResults::rebuild(Dpol** polys) const {
  const uint32_t count = uint32_t(polys_.size());
  // The records and the monomials' memory are taken from the zone on this
  // thread, in the order of the results; then the records are laid out and
  // filled, in threads when the results have many terms: those are mostly
  // first touches of fresh pages, which the system clears.  A result's
  // monomials lie in chunks no larger than its record (a size the zone
  // already serves), one block every `stride` bytes.
  const uint64_t stride = (uint64_t(sz_Expos) + 15) & ~uint64_t(15);
  std::vector<void*> records(count);
  std::vector<uint32_t> per_chunk(count), first_chunk(count);
  std::vector<unsigned char*> chunks;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t n = polys_[i].n;
    const uint64_t bytes = size_Dpol(n, 1);
    records[i] = alloc64(bytes);
    ++gen_sym_Dpol;
    per_chunk[i] = uint32_t(std::max<uint64_t>(1, bytes / stride));
    first_chunk[i] = uint32_t(chunks.size());
    for (uint32_t t = 0; t < n; t += per_chunk[i])
      chunks.push_back(
          static_cast<unsigned char*>(alloc64(std::min<uint64_t>(per_chunk[i], n - t) * stride)));
  }
  auto fill = [&](uint32_t i) {
    const Saved& s = polys_[i];
    Dpol* q = place_Dpol(records[i], s.n, s.serial);
    for (uint32_t t = 0; t < s.n; ++t) {
      auto* m = reinterpret_cast<Expos*>(chunks[first_chunk[i] + t / per_chunk[i]] +
                                         (t % per_chunk[i]) * stride);
      std::memcpy(m, block(term_block_[s.at + t]), sz_Expos);
      q->mono[t] = m;
      lanes(q)[0][t] = coeffs_[s.at + t];
    }
    polys[i] = q;
  };
  const size_t terms = coeffs_.size();
  const uint32_t threads =
      count > 1 ? threads_for(terms, uint32_t(std::max<int32_t>(nb_threads, 1))) : 1;
  if (threads <= 1) {
    for (uint32_t i = 0; i < count; ++i) fill(i);
    return;
  }
  // Parts of about equal terms, in result order.
  const uint32_t parts = std::min(count, threads * 4);
  std::vector<uint32_t> first(parts + 1, count);
  for (uint32_t k = 0, i = 0; k < parts; ++k) {
    while (i < count && polys_[i].at < terms * k / parts) ++i;
    first[k] = i;
  }
  worker_team().run(threads, parts, [&](uint32_t k) {
    for (uint32_t i = first[k]; i < first[k + 1]; ++i) fill(i);
  });
}

}  // namespace zel::ZEL_BUILD
