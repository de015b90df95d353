#include "engine/f4/reducer_search.hpp"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Fields reversed, so that comparing two words as integers compares their
// fields lexicographically, lowest field first.
inline uint64_t fields_reversed(uint64_t x) {
  x = (x >> 32) | (x << 32);
  return ((x & 0xFFFF0000FFFF0000ULL) >> 16) | ((x & 0x0000FFFF0000FFFFULL) << 16);
}

// a > b lexicographically, variable 0 most significant (resort_Dpol's order).
inline bool lex_above(const ExposW* a, const ExposW* b) {
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k) {
    const uint64_t wa = get_word(a, k), wb = get_word(b, k);
    if (wa != wb) return fields_reversed(wa) > fields_reversed(wb);
  }
  return false;
}

uint32_t scan_plain(const uint64_t* mask, uint32_t i, uint32_t n, uint64_t outside) {
  while (i < n && (mask[i] & outside)) ++i;
  return i;
}

#if defined(__x86_64__)
// Eight masks per step, tested with two 256-bit AND-and-compare.
__attribute__((target("avx2"))) uint32_t scan_avx2(const uint64_t* mask, uint32_t i, uint32_t n,
                                                   uint64_t outside) {
  const __m256i o = _mm256_set1_epi64x(int64_t(outside));
  const __m256i zero = _mm256_setzero_si256();
  for (; i + 8 <= n; i += 8) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mask + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mask + i + 4));
    const __m256i za = _mm256_cmpeq_epi64(_mm256_and_si256(a, o), zero);
    const __m256i zb = _mm256_cmpeq_epi64(_mm256_and_si256(b, o), zero);
    const uint32_t bits = uint32_t(_mm256_movemask_pd(_mm256_castsi256_pd(za))) |
                          uint32_t(_mm256_movemask_pd(_mm256_castsi256_pd(zb))) << 4;
    if (bits) return i + uint32_t(__builtin_ctz(bits));
  }
  return scan_plain(mask, i, n, outside);
}
#endif

using Scan = uint32_t (*)(const uint64_t*, uint32_t, uint32_t, uint64_t);

Scan choose_scan() {
#if defined(__x86_64__)
  // This runs while the library loads, possibly before the runtime's own
  // processor detection: detect first.
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return scan_avx2;
#endif
  return scan_plain;
}

const Scan scan = choose_scan();

}  // namespace

uint32_t next_mask_candidate(const uint64_t* mask, uint32_t from, uint32_t n, uint64_t outside) {
  return scan(mask, from, n, outside);
}

uint32_t first_not_above(const ReducerIndex& idx, const ExposW* m) {
  uint32_t lo = 0, hi = idx.n;
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (lex_above(idx.lead[mid], m))
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

void build_reducer_index(ReducerIndex& idx, Dpol* const* reducers, uint32_t n) {
  idx.n = n;
  idx.lead = static_cast<const ExposW**>(zmalloc(uint64_t(n ? n : 1) * sizeof(ExposW*)));
  idx.mask = static_cast<uint64_t*>(zmalloc(uint64_t(n ? n : 1) * sizeof(uint64_t)));
  idx.terms = static_cast<uint32_t*>(zmalloc(uint64_t(n ? n : 1) * sizeof(uint32_t)));
  idx.fewest_from = static_cast<uint32_t*>(zmalloc(uint64_t(n ? n : 1) * sizeof(uint32_t)));
  if (!idx.lead || !idx.mask || !idx.terms || !idx.fewest_from)
    Fatal("Cannot allocate memory !");
  idx.lex_sorted = true;
  for (uint32_t i = 0; i < n; ++i) {
    idx.lead[i] = words_of(reducers[i]->mono[0]);
    idx.mask[i] = divmask(idx.lead[i]);
    idx.terms[i] = reducers[i]->n;
    if (i > 0 && lex_above(idx.lead[i], idx.lead[i - 1])) idx.lex_sorted = false;
  }
  for (uint32_t i = n; i-- > 0;)
    idx.fewest_from[i] = i + 1 < n ? std::min(idx.terms[i], idx.fewest_from[i + 1]) : idx.terms[i];
}

void release_reducer_index(ReducerIndex& idx) {
  zfree(idx.lead);
  zfree(idx.mask);
  zfree(idx.terms);
  zfree(idx.fewest_from);
  idx = ReducerIndex{};
}

}  // namespace zel::ZEL_BUILD
