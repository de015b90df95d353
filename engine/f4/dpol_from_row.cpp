// Rows back to polynomials; division by the homogenising variable.
#include "engine/f4/dpol_from_row.hpp"

#include "engine/api/entry_guard.hpp"
#include "engine/call_zel.h"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/mono/expos_hash.hpp"
#include "engine/mono/expos_pool.hpp"

namespace zel::ZEL_BUILD {

uint32_t nb_of_renormed = 0;
uint32_t want_automatique = 0;

namespace {

inline uint32_t lane_count() { return kIntegerBuild ? ZEL_C(vectorize) : 1; }

// A record of m terms carrying the row's identity, without drawing a serial.
Dpol* record_for_row(const CodedRow* row, uint32_t m) {
  const uint32_t saved = gen_sym_Dpol;
  Dpol* p = new_Dpol(m);
  gen_sym_Dpol = saved;
  p->serial = row->serial;
  p->input_mark = row->header[0];
  p->row_mark = row->header[1];
  p->flags = row->to_reduce;
  return p;
}

inline Expos* monomial_of_rank(const Base_Exposants* codes, uint32_t rank) {
  return header_of(monomial_of_map(codes, rank));
}

}  // namespace

void renorm_poly(Dpol* p) {
  const uint32_t n = p->n;
  if (n == 0) return;
  const uint32_t B = nb_of_blocks_of_variables;
  const uint32_t h = nb_of_affine_variables;
  // Only the homogenising field matters: the minimum of that field over the
  // terms is the power that divides them all.
  uint32_t g = get_field(words_of(p->mono[0]), h);
  for (uint32_t i = 1; i < n && g; ++i) {
    const uint32_t e = get_field(words_of(p->mono[i]), h);
    if (e < g) g = e;
  }
  if (g == 0) return;
  if (!want_automatique) {
    ++nb_of_renormed;
    return;
  }
  // g sits below every term's field, so the word subtraction never borrows.
  const uint32_t hw = h >> 2;
  const uint64_t gword = uint64_t(g) << (16 * (h & 3));
  for (uint32_t i = 0; i < n; ++i) {
    Expos* m = ZEL_C(new_Expos)();
    const ExposW* old = words_of(p->mono[i]);
    ExposW* w = words_of(m);
    for (uint32_t k = 0; k < B; ++k) set_word(w, k, get_word(old, k) - (k == hw ? gword : 0));
    put_hash(m, hash_Expos(w));
    p->mono[i] = m;
  }
}

namespace {

// The monomials of p from the row's offsets off[0 .. m-1], and its lanes
// from the row's, unless a lane is already p's own.
void fill_from_row(Dpol* p, const CodedRow* row, const uint32_t* off, uint32_t m,
                   const Base_Exposants* codes, uint32_t R) {
  for (uint32_t j = 0; j < m; ++j) p->mono[j] = monomial_of_rank(codes, R - off[j]);
  for (uint32_t k = 0; k < lane_count(); ++k) {
    const Dom* src = row->coeffs[k];
    Dom* dst = lanes(p)[k];
    if (src != dst)
      for (uint32_t j = 0; j < m; ++j) dst[j] = src[j];
  }
}

// Room for the offsets of the row's terms.
uint32_t* offsets_of(const CodedRow* row) {
  void* off = zmalloc(uint64_t(row->ncodes ? row->width : 1) * 4 + 4);
  if (off == nullptr) Fatal("Cannot allocate memory !");
  return static_cast<uint32_t*>(off);
}

}  // namespace

Dpol* ZEL_C(clone_lzw_ALGO_Dpol)(const CodedRow* row, const Base_Exposants* codes, uint32_t R) {
  uint32_t* off = offsets_of(row);
  const uint32_t m = decode_gaps(row->code, row->ncodes, off);
  Dpol* p = record_for_row(row, m);
  fill_from_row(p, row, off, m, codes, R);
  zfree(off);
  return p;
}

Dpol* ZEL_C(row_record_Dpol)(const CodedRow* row, uint32_t m) { return record_for_row(row, m); }

Dpol* ZEL_C(fill_lzw_ALGO_Dpol)(Dpol* p, const CodedRow* row, const Base_Exposants* codes,
                                uint32_t R) {
  uint32_t* off = offsets_of(row);
  const uint32_t m = decode_gaps(row->code, row->ncodes, off);
  if (m != p->n) Fatal("Row of %u terms for a record of %u\n", m, p->n);
  fill_from_row(p, row, off, m, codes, R);
  zfree(off);
  return p;
}

Dpol* ZEL_C(clone_ALGO_Dpol)(const CodedRow* row, const Base_Exposants* codes, uint32_t R) {
  const uint32_t V = lane_count();
  const uint32_t N = row->width;
  Dom* const* c = row->coeffs;
  if (V >= 2) {
    bool disagree = false, third_only = false;
    for (uint32_t i = 0; i < N; ++i) {
      if ((c[0][i] == 0) != (c[1][i] == 0)) disagree = true;
      if (V >= 3 && c[0][i] == 0 && c[1][i] == 0 && c[2][i] != 0) third_only = true;
    }
    if (disagree) {
      if (V < 3) Fatal("Impossible de conclure !\n");
      if (third_only) Fatal("impossible de corriger !\n");
    }
  }
  auto kept = [&](uint32_t i) { return c[0][i] != 0 || (V >= 2 && c[1][i] != 0); };
  uint32_t m = 0;
  for (uint32_t i = 0; i < N; ++i) m += kept(i);
  Dpol* p = record_for_row(row, m);
  uint32_t t = 0;
  for (uint32_t i = 0; i < N; ++i) {
    if (!kept(i)) continue;
    p->mono[t] = monomial_of_rank(codes, R - i);
    for (uint32_t k = 0; k < V; ++k) lanes(p)[k][t] = c[k][i];
    ++t;
  }
  return p;
}

}  // namespace zel::ZEL_BUILD

ZEL_EXPORT void* ZEL_C(clone_ALGO_Dpol)(void* row, void* codes, UI32 R) try {
  ZEL_ENTRY_CLAIM;
  namespace z = zel::ZEL_BUILD;
  if (row == nullptr || codes == nullptr)
    z::Fatal("Zel interface error: null row or code table given to clone_ALGO_Dpol\n");
  return z::ZEL_C(clone_ALGO_Dpol)(static_cast<const z::CodedRow*>(row),
                                   static_cast<const z::Base_Exposants*>(codes), R);
} ZEL_ENTRY_CATCH("clone_ALGO_Dpol")
