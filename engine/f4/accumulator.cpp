// Current lane, expansion of coded rows and collection of accumulators.
#include "engine/f4/accumulator.hpp"

#include <cstdio>

#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

uint32_t context_vectorize = 0;
uint32_t ZEL_C(Prime) = 0;
#ifdef ZEL_VARIANT_INT
uint32_t Prime_inv = 0;
#endif

namespace {

// Room for n residues at the top of zone 1; trim_residues gives back what
// the collection did not keep.  Nothing may be allocated in between.
inline Dom* reserve_residues(uint32_t n) {
  return static_cast<Dom*>(alloc(uint64_t(n) * sizeof(Dom)));
}
inline void trim_residues(Dom* p, uint32_t kept, uint32_t n) {
  realloca(p, uint64_t(kept) * sizeof(Dom), uint64_t(n) * sizeof(Dom));
}

}  // namespace

void set_current_lane(uint32_t lane, uint32_t p) {
  context_vectorize = lane;
  ZEL_C(Prime) = p;
#ifdef ZEL_VARIANT_INT
  Prime_inv = prime_inverse(p);
#endif
}

void select_lane(uint32_t lane) { set_current_lane(lane, ZEL_C(Primes)[lane]); }

void decompress_lzw(AccEntry* acc, const CodedRow* row) {
  std::memset(static_cast<void*>(acc), 0, size_t(row->width) * sizeof(AccEntry));
  const Dom* c = row->coeffs[context_vectorize];
  if (!c) return;
  set_reduced(acc[0], c[0]);
  ++c;
  walk_gap_code(
      row->code, row->ncodes, [&](uint32_t pos) { set_reduced(acc[pos], *c++); },
      [&](uint32_t first, uint32_t k) {
        AccEntry* a = acc + first;
        for (uint32_t j = 0; j < k; ++j) set_reduced(a[j], c[j]);
        c += k;
      });
}

uint32_t ZEL_C(size_compact_row)(Dom** coeffs, const AccEntry* acc, uint32_t n,
                                 uint32_t* offsets) {
  Dom* out = reserve_residues(n);
  uint32_t kept = 0;
  for (uint32_t j = 0; j < n; ++j) {
    const Dom r = reduced_value(acc[j]);
    // Written unconditionally, kept only when non-zero: no branch on data.
    out[kept] = r;
    offsets[kept] = j;
    kept += r != 0;
  }
  trim_residues(out, kept, n);
  *coeffs = out;
  return kept;
}

uint32_t ZEL_C(size_compact_row_long_Dom)(Dom** coeffs, AccEntry* acc,
                                          uint32_t n, uint32_t* offsets) {
  Dom* out = reserve_residues(n);
  uint32_t kept = 0;
  for (uint32_t j = 0; j < n; ++j) {
    const Dom r = reduce_entry(acc[j]);
    set_reduced(acc[j], r);
    // Written unconditionally, kept only when non-zero: no branch on data.
    out[kept] = r;
    offsets[kept] = j;
    kept += r != 0;
  }
  trim_residues(out, kept, n);
  *coeffs = out;
  return kept;
}

uint32_t ZEL_C(size_compact_row2_long_Dom)(const uint32_t* pattern,
                                           uint32_t npattern, Dom** coeffs,
                                           AccEntry* acc, uint32_t n,
                                           uint32_t* offsets) {
  Dom* out = reserve_residues(n);
  uint32_t kept = 0;
  uint32_t k = 0;
  for (uint32_t j = 0; j < n; ++j) {
    const Dom r = reduce_entry(acc[j]);
    set_reduced(acc[j], r);
    if (k < npattern && pattern[k] == j) {
      out[kept] = r;
      offsets[kept++] = j;
      ++k;
    } else if (r) {
      Fatal("NOT DONE in size_compact_row2_long_Dom\n");
    }
  }
  trim_residues(out, kept, n);
  *coeffs = out;
  return kept;
}

#ifdef ZEL_VARIANT_INT
uint32_t Zel_int_size_compact_row_adaptative(Dom** coeffs, const AccEntry* acc,
                                             uint32_t n, uint32_t* offsets,
                                             const uint32_t* pattern,
                                             uint32_t npattern) {
  Dom* out = reserve_residues(n);
  uint32_t kept = 0;
  for (uint32_t j = 0; j < n; ++j) {
    const Dom r = acc[j].w0;
    if (r == 0) {
      if (kept >= npattern || pattern[kept] != j) continue;
      std::fputs("======================================================================\n",
                 ZEL_C(stderr));
      std::fputs("Warning: new experimental implementation of size_compact_row_adaptative\n",
                 ZEL_C(stderr));
    }
    out[kept] = r;
    offsets[kept++] = j;
  }
  trim_residues(out, kept, n);
  *coeffs = out;
  return kept;
}
#endif

}  // namespace zel::ZEL_BUILD
