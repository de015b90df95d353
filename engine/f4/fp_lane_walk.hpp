// The walk over a pivot's terms for the interleaved lanes of a block of
// rows (fp_kernels.hpp), written once and compiled once per instruction set:
// it is included inside a namespace of each set's own (for the wider sets
// inside that set's target region, fp_kernels_wide.fp.cpp), so that every
// copy inlines its own column kernel.  Hence no include guard.
//
// For blocks of L rows, calls add(a, d) for every term of the pivot after the leading one, a
// being the lanes of the term's column and d its coefficient, and returns
// the column of the pivot's last term.
template <uint32_t L, class AddColumn>
inline uint32_t walk_pivot_lanes(uint32_t* lanes, const PivotCols& pv, const AddColumn& add) {
  if (pv.dense) {
    uint32_t* a = lanes + uint64_t(pv.lead + 1) * L;
    for (uint32_t j = 0, n = pv.span; j < n; ++j) add(a + uint64_t(j) * L, pv.dense[j]);
    return pv.last;
  }
  const Dom* c = pv.coef;
  if (pv.off) {
    uint32_t* a = lanes + uint64_t(pv.lead) * L;
    for (uint32_t j = 0, n = pv.n; j < n; ++j) add(a + uint64_t(pv.off[j]) * L, c[j]);
    return pv.last;
  }
  if (pv.seg) {
    for (uint32_t k = 0, ns = pv.nseg; k < ns; ++k) {
      uint32_t* a = lanes + uint64_t(pv.seg[2 * k]) * L;
      const uint32_t len = pv.seg[2 * k + 1];
      for (uint32_t j = 0; j < len; ++j) add(a + uint64_t(j) * L, c[j]);
      c += len;
    }
    return pv.last;
  }
  for (uint32_t j = 0, n = pv.n; j < n; ++j) add(lanes + uint64_t(pv.col[j]) * L, c[j]);
  return pv.last;
}
