// Integer-build elimination: every row carries V residue lanes, one per
// prime of the batch, and shares one column code.
//
// Lane 0 leads.  A row is head- and tail-reduced in lane 0 first (against
// the trace of the first batch, see trace.hpp); when it is kept, every other
// lane reduces the same row again against the same pivots and must land on
// the same leading column and on lane 0's columns (a lane may hold a zero
// where lane 0 has a term: a coefficient of the true result can be divisible
// by one prime).  A lane that departs is reported bad and computed no more
// in this batch: its coefficient arrays then share lane 0's.  Zero rows of
// lane 0 are zero in every lane; nothing else of the row is computed.
//
// Accumulators are indexed by absolute column, three 32-bit words per
// column (sums of up to 2^32 products of residues below 2^32), and kept
// all-zero between rows: a row is expanded without clearing, and every pass
// clears exactly the entries it reads, so no row pays for columns it never
// reached.  Entries are reduced only when they become leading, meet a pivot
// or are collected.
#include <algorithm>
#include <cstdio>

#include "engine/api/stop_flag.hpp"
#include "engine/coef/primes.hpp"
#include "engine/coef/residue.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/f4/accumulator.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/trace.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

namespace {

// The columns of a pivot row after its leading one, decoded once and read
// by every lane: col[j] is the absolute column of coefficient j + 1.
struct IntPivot {
  const uint32_t* col = nullptr;
  uint32_t n = 0;
  uint32_t last = 0;  // column of the last term
};

inline bool nonzero(const Acc96& e) { return (e.w0 | e.w1 | e.w2) != 0; }
inline void clear(Acc96& e) { e = Acc96{0, 0, 0}; }

// acc[col[j]] += m * coef[j] over the pivot's terms after the leading one,
// as 96-bit additions of 64-bit products.
inline void Zel_int_lzw_basic_step_lin_d_2(Acc96* acc, uint32_t m, const IntPivot& pv,
                                           const Dom* coef) {
  const uint64_t mm = m;
  const uint32_t* col = pv.col;
  for (uint32_t j = 0, n = pv.n; j < n; ++j) acc_add(acc[col[j]], mm * coef[j]);
}

// Memory of a zmalloc'd scratch array, given back also when a fatal error
// or an interrupt unwinds the step.
template <class T>
struct Scratch {
  T* p;
  explicit Scratch(uint64_t n, bool zero = false) {
    const uint64_t bytes = (n ? n : 1) * sizeof(T);
    p = static_cast<T*>(zmalloc(bytes));
    if (!p) Fatal("Cannot allocate memory !");
    if (zero) std::memset(static_cast<void*>(p), 0, bytes);
  }
  ~Scratch() { zfree(p); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  T& operator[](uint64_t i) const { return p[i]; }
};

// Shell sort with gaps n/2, n/4 .. 1; `first(a, b)` says a must come before
// b.  Equal elements are never swapped.
template <class T, class First>
void shell_sort(T* v, uint32_t n, First first) {
  for (uint32_t gap = n / 2; gap > 0; gap /= 2)
    for (uint32_t i = 0; i + gap < n; ++i)
      for (int64_t j = i; j >= 0; j -= gap) {
        if (!first(v[j + gap], v[j])) break;
        std::swap(v[j], v[j + gap]);
      }
}

bool banner_shown = false;
bool mismatch_shown = false;

struct IntElim {
  CodedRow** rows;
  uint32_t nrows, ncols, nreduce, V;
  int32_t* pivots;   // ncols + 1 entries: -1 or the owner's row index
  IntPivot* piv;     // per row index, once the row is a pivot
  uint32_t* newidx;  // row index of each new row
  uint32_t nnew = 0;
  uint32_t* off0;    // lane 0's kept offsets (ncols + 1)
  Acc96* acc;        // ncols + 1 entries, all zero between rows
  uint32_t progress = 0;

  const IntPivot* usable(uint32_t c, uint32_t idx) const {
    const int32_t pv = pivots[c];
    return (pv >= 0 && uint32_t(pv) < idx) ? &piv[pv] : nullptr;
  }
  const Dom* tail_of(const IntPivot* pv, uint32_t lane) const {
    return rows[pv - piv]->coeffs[lane] + 1;
  }

  // Places lane `lane` of the row at its absolute columns; returns the
  // column of its last term.
  uint32_t expand(const CodedRow* row, uint32_t lane) {
    const Dom* c = row->coeffs[lane];
    Acc96* a = acc + row->lead;
    set_reduced(a[0], c[0]);
    ++c;
    return row->lead + walk_gap_code(
                           row->code, row->ncodes, [&](uint32_t pos) { set_reduced(a[pos], *c++); },
                           [&](uint32_t first, uint32_t k) {
                             for (uint32_t j = 0; j < k; ++j) set_reduced(a[first + j], c[j]);
                             c += k;
                           });
  }

  void clear_range(uint32_t from, uint32_t to) {
    if (from <= to) std::memset(static_cast<void*>(acc + from), 0, (to - from + 1) * sizeof(Acc96));
  }

  // Adds (p - r) times the pivot's tail from its leading column on.
  void cancel(uint32_t r, const IntPivot& pv, uint32_t lane, uint32_t* hi) {
    Zel_int_lzw_basic_step_lin_d_2(acc, ZEL_C(Prime) - r, pv, tail_of(&pv, lane));
    *hi = std::max(*hi, pv.last);
  }

  bool head_reduce(uint32_t idx, uint32_t lane, uint32_t* lead, uint32_t* hi);
  void tail_reduce(uint32_t idx, uint32_t lane, uint32_t lead, uint32_t* hi);
};

// Head reduction of the expanded row at index idx (leading column *lead,
// last touched column *hi) by the usable pivots of its leading column.
// Returns false, the accumulator cleared, when the row reduces to zero or a
// stop is requested; else *lead has no usable pivot and holds a non-zero
// residue, the entries before it are clear.
bool IntElim::head_reduce(uint32_t idx, uint32_t lane, uint32_t* lead, uint32_t* hi) {
  const uint32_t p = ZEL_C(Prime), v = Prime_inv;
  uint32_t c = *lead;
  auto next_lead = [&](uint32_t from) {
    for (c = from; c <= *hi; ++c) {
      if (!nonzero(acc[c])) continue;
      const uint32_t r = reduce96(acc[c].w0, acc[c].w1, acc[c].w2, p, v);
      if (r) {
        set_reduced(acc[c], r);
        return true;
      }
      clear(acc[c]);
    }
    return false;
  };
  bool alive = next_lead(c);
  while (alive) {
    const IntPivot* pv = usable(c, idx);
    if (!pv) break;
    if (stop_requested()) {
      clear_range(c, *hi);
      return false;
    }
    const uint32_t r = acc[c].w0;
    clear(acc[c]);
    cancel(r, *pv, lane, hi);
    alive = next_lead(c + 1);
  }
  *lead = c;
  return alive;
}

// Tail reduction: every entry right of lead with a usable pivot is cleared
// by a multiple of that pivot; the others wait for the collection.
void IntElim::tail_reduce(uint32_t idx, uint32_t lane, uint32_t lead, uint32_t* hi) {
  const uint32_t p = ZEL_C(Prime), v = Prime_inv;
  for (uint32_t c = lead + 1; c <= *hi; ++c) {
    if (!nonzero(acc[c])) continue;
    const IntPivot* pv = usable(c, idx);
    if (!pv) continue;
    const uint32_t r = reduce96(acc[c].w0, acc[c].w1, acc[c].w2, p, v);
    clear(acc[c]);
    if (r) cancel(r, *pv, lane, hi);
  }
}

// Reduces and clears acc[lead .. hi]; keeps the non-zero residues in a new
// zone array (*out) and their offsets from lead in `off`.  Returns the count.
uint32_t collect(Acc96* acc, uint32_t lead, uint32_t hi, uint32_t* off, Dom** out) {
  const uint32_t p = ZEL_C(Prime), v = Prime_inv;
  const uint32_t n = hi - lead + 1;
  Dom* c = static_cast<Dom*>(alloc(uint64_t(n) * sizeof(Dom)));
  uint32_t kept = 0;
  Acc96* a = acc + lead;
  for (uint32_t j = 0; j < n; ++j) {
    if (!nonzero(a[j])) continue;
    const uint32_t r = reduce96(a[j].w0, a[j].w1, a[j].w2, p, v);
    clear(a[j]);
    if (r) {
      c[kept] = r;
      off[kept++] = j;
    }
  }
  realloca(c, uint64_t(kept) * sizeof(Dom), uint64_t(n) * sizeof(Dom));
  *out = c;
  return kept;
}

// Collects acc[lead .. hi] on the pattern of lane 0 (npat offsets from
// lead): the residues at the pattern's offsets, zero or not, into a new zone
// array.  Returns false when a non-zero residue lies off the pattern.  A
// zero kept from the pattern is announced on the error stream when `warn` is
// set.  *nonzeros receives the number of non-zero residues.  Clears the
// entries it reads.
bool collect_on_pattern(Acc96* acc, uint32_t lead, uint32_t hi, const uint32_t* pat,
                        uint32_t npat, bool warn, Dom** out, uint32_t* nonzeros) {
  const uint32_t p = ZEL_C(Prime), v = Prime_inv;
  const uint32_t n = hi - lead + 1;
  Dom* c = static_cast<Dom*>(alloc(uint64_t(npat) * sizeof(Dom)));
  uint32_t t = 0;
  bool fits = true;
  Acc96* a = acc + lead;
  for (uint32_t j = 0; j < n; ++j) {
    const uint32_t r = nonzero(a[j]) ? reduce96(a[j].w0, a[j].w1, a[j].w2, p, v) : 0;
    clear(a[j]);
    *nonzeros += r != 0;
    if (t < npat && pat[t] == j) {
      if (r == 0 && warn) {
        Stderr("======================================================================\n");
        Stderr("Warning: new experimental implementation of size_compact_row_adaptative\n");
      }
      c[t++] = r;
    } else if (r) {
      fits = false;
    }
  }
  fits = fits && t == npat;
  *out = c;
  return fits;
}

void make_monic(Dom* c, uint32_t n) {
  if (c[0] == 1) return;
  const uint32_t p = ZEL_C(Prime);
  if (c[0] == 0) Fatal("non inversible pour p=%lu!\n", (unsigned long)p);
  scale_lane_d(c, n, inv_Dom(c[0], p), p);
}

// Codes lane 0's kept offsets into the row and decodes its columns for its
// use as a pivot.
void store_row(IntElim& e, uint32_t idx, uint32_t kept) {
  CodedRow* row = e.rows[idx];
  uint32_t ncodes = 0, nbytes = 0;
  row->code = compress_lzw(e.off0, kept, &ncodes, &nbytes);
  row->ncodes = ncodes;
  row->kind = CODE_LZW;
  row->width = e.ncols + 1 - row->lead;
  IntPivot& pv = e.piv[idx];
  pv.n = kept - 1;
  uint32_t* col = static_cast<uint32_t*>(alloc(uint64_t(kept) * sizeof(uint32_t)));
  for (uint32_t j = 1; j < kept; ++j) col[j - 1] = row->lead + e.off0[j];
  pv.col = col;
  pv.last = row->lead + e.off0[kept - 1];
}

void decode_pivot(IntElim& e, uint32_t idx) {
  const CodedRow* row = e.rows[idx];
  IntPivot& pv = e.piv[idx];
  uint32_t* off = e.off0;
  const uint32_t n = decode_gaps(row->code, row->ncodes, off);
  uint32_t* col = static_cast<uint32_t*>(alloc(uint64_t(n) * sizeof(uint32_t)));
  for (uint32_t j = 1; j < n; ++j) col[j - 1] = row->lead + off[j];
  pv.col = col;
  pv.n = n - 1;
  pv.last = row->lead + off[n - 1];
}

// Lane `lane` departs from lane 0: reported once per batch, computed no more.
void lane_departs(uint32_t lane) { mark_bad_prime(lane, BadPrime::lane_differs); }

// What the trace of the first batch says of the row about to be reduced.
struct Expectation {
  bool asked = false;
  uint32_t width = 1;
};

// Lane 0 of a replaying batch departs from the trace.
void trace_departure() {
  if (!mismatch_shown) {
    mismatch_shown = true;
    Stderr("Bad prime p=%u (Mesg 2)\n", ZEL_C(Primes)[0]);
  }
  mark_bad_prime(0, BadPrime::trace_differs);
}

// The forward pass.  Returns false when a stop was requested.
bool forward(IntElim& e) {
  for (uint32_t i = 0; i < e.nrows; ++i) {
    CodedRow* row = e.rows[i];
    if (stop_requested()) return false;
    if (!row->to_reduce) continue;
    if (ZEL_C(want_state_percent) && (++e.progress & 63) == 0)
      Stderr("%.1f%%/", e.nreduce ? 100.0 * e.progress / e.nreduce : 100.0);
    select_lane(0);
    Expectation want;
    if (!ZEL_C(want_ignore_simulin) && !simul_write) {
      want.asked = true;
      want.width = next_syz_non_zero();
      if (want.width == 0) {  // zero in the first batch: no arithmetic
        row->coeffs[0] = nullptr;
        ZEL_C(mark_useless)(0, row->serial);
        continue;
      }
    }
    const uint32_t lead_in = row->lead;
    uint32_t lead = lead_in, hi = 0;
    bool kept = row->coeffs[0] != nullptr;
    if (kept) {
      hi = e.expand(row, 0);
      kept = e.head_reduce(i, 0, &lead, &hi);
    }
    if (!kept) {
      if (want.asked) trace_departure();  // the first batch kept this row
      if (simul_write) simul_out("*", 0);
      row->coeffs[0] = nullptr;
      ZEL_C(mark_useless)(0, row->serial);
      continue;
    }
    const uint32_t width = e.ncols + 1 - lead;
    e.pivots[lead] = int32_t(i);
    if (want.asked && (trace_exhausted() || want.width != width)) trace_departure();
    if (simul_write) simul_out("+", width);
    e.tail_reduce(i, 0, lead, &hi);
    ZEL_C(mark_useless)(1, row->serial);
    Dom* c0 = nullptr;
    const uint32_t kept0 = collect(e.acc, lead, hi, e.off0, &c0);
    make_monic(c0, kept0);

    for (uint32_t k = 1; k < e.V; ++k) {
      if (lane_is_bad(k)) continue;
      select_lane(k);
      uint32_t lead_k = lead_in, hi_k = e.expand(row, k);
      if (!e.head_reduce(i, k, &lead_k, &hi_k)) {
        Stderr("Bad prime number bp=%u\n", ZEL_C(Prime));
        lane_departs(k);
        continue;
      }
      if (lead_k != lead) {
        e.clear_range(lead_k, hi_k);
        Stderr("Cas complique line %u for p[%u]=%u\n", i, k, ZEL_C(Prime));
        lane_departs(k);
        continue;
      }
      e.tail_reduce(i, k, lead, &hi_k);
      Dom* ck = nullptr;
      uint32_t nz = 0;
      if (!collect_on_pattern(e.acc, lead, hi_k, e.off0, kept0, true, &ck, &nz)) {
        Stderr("Probably a bad prime ! (sz=%u sz0=%u)\n", kept0, nz);
        lane_departs(k);
        continue;
      }
      make_monic(ck, kept0);
      row->coeffs[k] = ck;
    }
    select_lane(0);
    row->coeffs[0] = c0;
    row->lead = lead;
    store_row(e, i, kept0);
    e.newidx[e.nnew++] = i;
  }
  return true;
}

// The backward pass over the new rows sorted by increasing lead: each row
// is reduced, lane by lane, by the new rows after it, which are final.
void backward(IntElim& e) {
  CodedRow** rows = e.rows;
  shell_sort(e.newidx, e.nnew, [&](uint32_t a, uint32_t b) {
    return rows[a]->lead < rows[b]->lead ||
           (rows[a]->lead == rows[b]->lead && rows[a]->serial > rows[b]->serial);
  });
  // The pivot table becomes the map from leading column to position.
  int32_t* pos_of_lead = e.pivots;
  std::fill(pos_of_lead, pos_of_lead + e.ncols + 1, -1);
  for (uint32_t k = 0; k < e.nnew; ++k) pos_of_lead[rows[e.newidx[k]]->lead] = int32_t(k);
  const uint32_t p_lanes = e.V;
  for (int32_t i = int32_t(e.nnew) - 2; i >= 0; --i) {
    const uint32_t idx = e.newidx[i];
    CodedRow* row = rows[idx];
    if (row->kind != CODE_LZW) Fatal("code <> CODE_LZW");
    if (stop_requested()) continue;  // the row keeps its forward-pass form
    uint32_t kept0 = 0;
    for (uint32_t k = 0; k < p_lanes; ++k) {
      if (k && lane_is_bad(k)) continue;
      select_lane(k);
      const uint32_t p = ZEL_C(Prime), v = Prime_inv;
      uint32_t hi = e.expand(row, k);
      for (uint32_t c = row->lead + 1; c <= hi; ++c) {
        if (!nonzero(e.acc[c])) continue;
        const int32_t q = pos_of_lead[c];
        if (q <= i) continue;
        const uint32_t r = reduce96(e.acc[c].w0, e.acc[c].w1, e.acc[c].w2, p, v);
        clear(e.acc[c]);
        if (r) e.cancel(r, e.piv[e.newidx[q]], k, &hi);
      }
      Dom* c = nullptr;
      if (k == 0) {
        kept0 = collect(e.acc, row->lead, hi, e.off0, &c);
      } else if (uint32_t nz = 0;
                 !collect_on_pattern(e.acc, row->lead, hi, e.off0, kept0, false, &c, &nz)) {
        Stderr("Not the same size after backward !\n");
        lane_departs(k);
        continue;
      }
      row->coeffs[k] = c;
    }
    select_lane(0);
    store_row(e, idx, kept0);
  }
}

// eliminate_rows, or -1 when a stop was requested.
int64_t eliminate(CodedRow** rows, uint32_t nrows, uint32_t ncols, uint32_t nreduce,
                  CodedRow** newrows) {
  shell_sort(rows, nrows, [](const CodedRow* a, const CodedRow* b) {
    return a->lead > b->lead || (a->lead == b->lead && a->serial < b->serial);
  });
  IntElim e{};
  e.rows = rows;
  e.nrows = nrows;
  e.ncols = ncols;
  e.nreduce = nreduce;
  e.V = ZEL_C(vectorize);
  // The pivot table and the pivots' columns live in the step's zone.
  e.pivots = static_cast<int32_t*>(alloc((uint64_t(ncols) + 1) * sizeof(int32_t)));
  std::fill(e.pivots, e.pivots + ncols + 1, -1);
  for (uint32_t i = nrows; i-- > 0;)
    if (!rows[i]->to_reduce && rows[i]->coeffs[0]) e.pivots[rows[i]->lead] = int32_t(i);
  Scratch<IntPivot> piv(uint64_t(nrows) + 1, true);
  Scratch<uint32_t> newidx(uint64_t(nreduce) + 1);
  Scratch<uint32_t> off0(uint64_t(ncols) + 1);
  Scratch<Acc96> acc(uint64_t(ncols) + 1, true);
  e.piv = piv.p;
  e.newidx = newidx.p;
  e.off0 = off0.p;
  e.acc = acc.p;
  for (uint32_t i = 0; i < nrows; ++i)
    if (!rows[i]->to_reduce && e.pivots[rows[i]->lead] == int32_t(i)) decode_pivot(e, i);
  if (!forward(e)) {
    select_lane(0);
    return -1;
  }
  if (e.nnew) backward(e);
  select_lane(0);
  for (uint32_t k = 0; k < e.nnew; ++k) {
    CodedRow* row = rows[e.newidx[k]];
    // Lanes that died keep no arrays of their own: they share lane 0's,
    // which have the row's length.
    for (uint32_t l = 1; l < e.V; ++l)
      if (lane_is_bad(l)) row->coeffs[l] = row->coeffs[0];
    newrows[k] = row;
  }
  return e.nnew;
}

}  // namespace

uint32_t eliminate_rows(CodedRow** rows, uint32_t nrows, uint32_t ncols, uint32_t nreduce,
                        CodedRow** newrows) {
  const int64_t n = eliminate(rows, nrows, ncols, nreduce, newrows);
  return n < 0 ? 0 : uint32_t(n);
}

uint32_t ZEL_C(LINEAR_solve)(CodedRow** rows, uint32_t nrows, uint32_t ncols, uint32_t nreduce,
                             Dpol** out, const Base_Exposants* codes) {
  if (!banner_shown) {
    banner_shown = true;
    Stderr("COMPACT_NEW_LINES=%d BACKWARD=%d\n", 1, 1);
  }
  ZoneScope mark;
  Scratch<CodedRow*> newrows(uint64_t(nreduce) + 1);
  const int64_t nnew = eliminate(rows, nrows, ncols, nreduce, newrows.p);
  if (nnew < 0) return 0;
  uint32_t count = 0;
  {
    // The polynomials outlive the step: they are made in the other zone.
    InZone2 other;
    for (int64_t k = 0; k < nnew; ++k) {
      const CodedRow* row = newrows[k];
      if (Dpol* p = ZEL_C(clone_lzw_ALGO_Dpol)(row, codes, ncols - row->lead)) out[count++] = p;
    }
  }
  if (ZEL_C(want_state_percent)) Stderr("100%%/");
  return count;
}

}  // namespace zel::ZEL_BUILD
