// Prime-field elimination: row order, pivot table, sequential forward pass,
// backward pass and hand-over.  The threaded passes are in
// elimination_threads.fp.cpp and elimination_backward.fp.cpp.
#include <omp.h>

#include <algorithm>
#include <vector>

#include "engine/api/stop_flag.hpp"
#include "engine/coef/primes.hpp"
#include "engine/coef/residue.hpp"
#include "engine/driver/threads.hpp"
#include "engine/f4/accumulator.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/elimination_fp.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Shell sort with gaps n/2, n/4 .. 1; `first(a, b)` says a must come before
// b.  Equal elements are never swapped.
template <class First>
void shell_sort(CodedRow** v, uint32_t n, First first) {
  for (uint32_t gap = n / 2; gap > 0; gap /= 2) {
    for (uint32_t i = 0; i + gap < n; ++i) {
      for (int64_t j = i; j >= 0; j -= gap) {
        if (!first(v[j + gap], v[j])) break;
        std::swap(v[j], v[j + gap]);
      }
    }
  }
}

// Forward order: larger lead first, for equal lead the smaller serial.
void sort_rows(CodedRow** v, uint32_t n) {
  shell_sort(v, n, [](const CodedRow* a, const CodedRow* b) {
    return a->lead > b->lead || (a->lead == b->lead && a->serial < b->serial);
  });
}

// The sequential backward pass over the new rows sorted by increasing lead.
void backward_sequential(FpElim& e, const uint32_t* lead_at, uint64_t* acc) {
  const int32_t count = int32_t(e.nnew);
  for (int32_t i = count - 2; i >= 0; --i) {
    const CodedRow* row = e.rows[e.newidx[i]];
    if (row->kind != CODE_LZW) Fatal("code <> CODE_LZW");
    if (stop_requested()) continue;  // the row keeps its forward-pass form
    uint32_t hi = expand_row(acc, row);
    backward_reduce(e, lead_at, acc, row->lead, &hi, i, count - 1);
    collect_backward(e, uint32_t(i), acc, hi);
  }
}

}  // namespace

void Aggressive::on_zero() {
  if (!ZEL_C(want_aggressive)) return;
  if (skipping) {
    skip = want_skip_comput;
    Stderr("$");
  } else if (zeros >= ZEL_C(want_aggressive2)) {
    if (want_skip_comput == 0) {
      go_on = false;
    } else {
      skip = want_skip_comput;
      skipping = true;
    }
  } else {
    ++zeros;
  }
}

void Aggressive::on_kept() {
  if (skipping) {
    Stderr("!");
    skipping = false;
    skip = 0;
  }
  zeros = 0;
}

BlockRow reduce_one_row(const FpElim& e, uint32_t idx, uint64_t* acc) {
  const CodedRow* row = e.rows[idx];
  BlockRow r;
  r.acc = acc;
  r.idx = idx;
  r.lead = row->lead;
  r.alive = row->coeffs[0] != nullptr;
  if (!r.alive) return r;
  r.hi = expand_row(acc, row);
  r.alive = reduction_tete_multi(e, acc, &r.lead, &r.hi, idx);
  if (r.alive) tail_reduce(e, acc, r.lead, &r.hi, idx);
  r.led = r.alive;
  return r;
}

void finish_row(FpElim& e, BlockRow& r) {
  CodedRow* row = e.rows[r.idx];
  // Rows stored before this one in its block may own its leading column.
  if (r.alive && e.usable(r.lead, r.idx))
    r.alive = reduction_tete_multi(e, r.acc, &r.lead, &r.hi, r.idx);
  if (!r.alive) {
    row->coeffs[0] = nullptr;
    ZEL_C(mark_useless)(0, row->serial);
    e.agg.on_zero();
    return;
  }
  ZEL_C(mark_useless)(1, row->serial);
  ZEL_C(compact_result1)(e, r.idx, r.acc, r.lead, r.hi);
  // Published once complete: other threads' sweeps may read it at once.
  __atomic_store_n(&e.pivots[r.lead], int32_t(r.idx), __ATOMIC_RELEASE);
  e.newidx[e.nnew++] = r.idx;
  e.agg.on_kept();
}

void show_progress(const FpElim& e, uint32_t done) {
  Stderr("%.1f%%/", e.nreduce ? 100.0 * done / e.nreduce : 100.0);
}

namespace {

// Clears entry c (whose column the pivot pv leads) by adding the multiple of
// pv that cancels it; returns the column of pv's last term, or 0 when the
// entry was already a multiple of p.
inline uint32_t comb_linear_step1_lzw(const FpElim& e, uint64_t* acc, uint32_t c,
                                      const PivotCols& pv) {
  const uint32_t r = e.mod(acc[c]);
  acc[c] = 0;
  return r ? Zel_lzw_basic_step_lin_d_multi(acc, uint32_t(e.mod.p) - r, pv) : 0;
}

}  // namespace

bool reduction_tete_multi(const FpElim& e, uint64_t* acc, uint32_t* lead, uint32_t* hi,
                          uint32_t idx) {
  uint32_t c = *lead, h = *hi;
  // Moves c to the first entry from `from` on with a non-zero residue,
  // reducing (and clearing) the entries it passes.
  auto next_lead = [&](uint32_t from) {
    for (c = from; c <= h; ++c) {
      e.prefetch_ahead(acc, c, h);
      if (!acc[c]) continue;
      const uint32_t x = e.mod(acc[c]);
      acc[c] = x;
      if (x) return true;
    }
    return false;
  };
  bool alive = next_lead(c);
  while (alive) {
    const PivotCols* piv = e.usable(c, idx);
    if (!piv) break;
    const uint32_t r = uint32_t(acc[c]);
    acc[c] = 0;
    h = std::max(h, Zel_lzw_basic_step_lin_d_multi(acc, uint32_t(e.mod.p) - r, *piv));
    alive = next_lead(c + 1);
  }
  *lead = c;
  *hi = h;
  return alive;
}

void tail_reduce(const FpElim& e, uint64_t* acc, uint32_t lead, uint32_t* hi, uint32_t idx) {
  uint32_t h = *hi;
  for (uint32_t c = lead + 1; c <= h; ++c) {
    e.prefetch_ahead(acc, c, h);
    if (!acc[c]) continue;
    if (const PivotCols* piv = e.usable(c, idx))
      h = std::max(h, comb_linear_step1_lzw(e, acc, c, *piv));
  }
  *hi = h;
}

namespace {

// Reduces and clears acc[lead .. hi] into a fresh zone array of residues
// and the offsets; returns the count kept.
uint32_t collect(FpElim& e, uint64_t* acc, uint32_t lead, uint32_t hi, Dom** out) {
  const uint32_t n = hi - lead + 1;
  Dom* c = static_cast<Dom*>(alloc(uint64_t(n) * sizeof(Dom)));
  const uint32_t kept = reduce_nonzero(e, acc + lead, n, c, e.offsets);
  realloca(c, uint64_t(kept) * sizeof(Dom), uint64_t(n) * sizeof(Dom));
  *out = c;
  return kept;
}

// How many terms a pivot has after its leading one, in how many runs of
// consecutive columns, and the offset of its last term: enough to choose
// its layout and size its memory.
struct PivotShape {
  uint32_t n = 0, runs = 0, last = 0;
};

// Calls walk(emit) once; walk calls emit(offset) for every term after the
// leading one, in order.
template <class Walk>
PivotShape measure_pivot(Walk walk) {
  PivotShape sh;
  uint32_t prev = 0;
  walk([&](uint32_t off) {
    sh.runs += sh.n == 0 || off != prev + 1;
    ++sh.n;
    prev = off;
  });
  sh.last = prev;
  return sh;
}

// measure_pivot of a row's terms after its leading one, from its gap code:
// a run code counts as one step, not one per term.
PivotShape measure_code(const CodedRow* row) {
  PivotShape sh;
  uint32_t prev = 0;
  auto add = [&](uint32_t first, uint32_t k) {
    sh.runs += sh.n == 0 || first != prev + 1;
    sh.n += k;
    prev = first + k - 1;
  };
  walk_gap_code(
      row->code, row->ncodes, [&](uint32_t pos) { add(pos, 1); }, add);
  sh.last = prev;
  return sh;
}

enum class Layout { kNone, kRuns, kDense, kShort, kAbsolute };

Layout layout_of(const PivotShape& sh) {
  if (sh.n == 0) return Layout::kNone;
  if (sh.n >= kLongRuns * sh.runs) return Layout::kRuns;
  if (sh.last <= uint64_t(kDenseSpan) * sh.n) return Layout::kDense;
  return sh.last < kShortSpan ? Layout::kShort : Layout::kAbsolute;
}

// Bytes of a pivot's column data, a multiple of 8 so blocks can follow each
// other.
uint64_t pivot_bytes(const PivotShape& sh) {
  uint64_t b = 0;
  switch (layout_of(sh)) {
    case Layout::kNone: break;
    case Layout::kRuns: b = uint64_t(sh.runs) * 2 * sizeof(uint32_t); break;
    case Layout::kDense: b = uint64_t(sh.last) * sizeof(Dom); break;
    case Layout::kShort: b = uint64_t(sh.n) * sizeof(uint16_t); break;
    case Layout::kAbsolute: b = uint64_t(sh.n) * sizeof(uint32_t); break;
  }
  return (b + 7) & ~uint64_t(7);
}

// Lays out pivot pv (leading column lead, coefficients of its terms after
// the leading one at coef) in mem (pivot_bytes(sh) bytes), walking the
// offsets again as measure_pivot did.
template <class Walk>
void fill_pivot(PivotCols& pv, uint32_t lead, const PivotShape& sh, void* mem, const Dom* coef,
                Walk walk) {
  pv = PivotCols{};
  pv.coef = coef;
  pv.n = sh.n;
  pv.lead = lead;
  pv.last = sh.n ? lead + sh.last : lead;
  switch (layout_of(sh)) {
    case Layout::kNone:
      return;
    case Layout::kRuns: {
      uint32_t* seg = static_cast<uint32_t*>(mem);
      uint32_t k = 0, prev = 0;
      bool first = true;
      walk([&](uint32_t off) {
        if (first || off != prev + 1) {
          seg[2 * k] = lead + off;
          seg[2 * k + 1] = 0;
          ++k;
        }
        ++seg[2 * k - 1];
        prev = off;
        first = false;
      });
      pv.seg = seg;
      pv.nseg = sh.runs;
      return;
    }
    case Layout::kDense: {
      Dom* d = static_cast<Dom*>(mem);
      std::fill(d, d + sh.last, Dom(0));
      uint32_t k = 0;
      walk([&](uint32_t off) { d[off - 1] = coef[k++]; });
      pv.dense = d;
      pv.span = sh.last;
      return;
    }
    case Layout::kShort: {
      uint16_t* d = static_cast<uint16_t*>(mem);
      walk([&](uint32_t off) { *d++ = uint16_t(off); });
      pv.off = static_cast<const uint16_t*>(mem);
      return;
    }
    case Layout::kAbsolute: {
      uint32_t* d = static_cast<uint32_t*>(mem);
      walk([&](uint32_t off) { *d++ = lead + off; });
      pv.col = static_cast<const uint32_t*>(mem);
      return;
    }
  }
}

}  // namespace

// Lays out pivot pv (leading column lead) from the offsets off[0 .. n-1]
// of its terms after the leading one and their coefficients coef.
// Its memory comes from the zone, or from `arena` when given.
void make_pivot(PivotCols& pv, uint32_t lead, const uint32_t* off, uint32_t n, const Dom* coef,
                ChunkArena* arena) {
  auto walk = [&](auto&& emit) {
    for (uint32_t j = 0; j < n; ++j) emit(off[j]);
  };
  const PivotShape sh = measure_pivot(walk);
  void* mem = !sh.n ? nullptr : arena ? arena->take(pivot_bytes(sh)) : alloc(pivot_bytes(sh));
  fill_pivot(pv, lead, sh, mem, coef, walk);
}

namespace {

// Codes the kept offsets into the row and keeps its decoded columns for
// its use as a pivot.
void store_code(FpElim& e, uint32_t idx, uint32_t kept) {
  CodedRow* row = e.rows[idx];
  uint32_t ncodes = 0, nbytes = 0;
  row->code = compress_lzw(e.offsets, kept, &ncodes, &nbytes);
  row->ncodes = ncodes;
  row->kind = CODE_LZW;
  row->width = e.ncols + 1 - row->lead;
  make_pivot(e.piv[idx], row->lead, e.offsets + 1, kept - 1, row->coeffs[0] + 1, nullptr);
}

}  // namespace

uint32_t ZEL_C(compact_result1)(FpElim& e, uint32_t idx, uint64_t* acc, uint32_t lead,
                                uint32_t hi) {
  CodedRow* row = e.rows[idx];
  Dom* c = nullptr;
  const uint32_t kept = collect(e, acc, lead, hi, &c);
  const uint32_t p = uint32_t(e.mod.p);
  if (c[0] != 1) {
    const Dom u = inv_Dom(c[0], p);
    scale_lane_d(c, kept, u, p);
  }
  row->coeffs[0] = c;
  row->lead = lead;
  store_code(e, idx, kept);
  return kept;
}

void backward_reduce(const FpElim& e, const uint32_t* lead_at, uint64_t* acc, uint32_t lead,
                     uint32_t* hi, int32_t lo, int32_t up) {
  // The leads of the rows lo+1 .. up increase with their position: walking
  // them visits the same columns, in the same order, as a walk over every
  // column after lead would, without reading the columns no row leads.
  uint32_t h = *hi;
  for (int32_t q = lo + 1; q <= up; ++q) {
    const uint32_t c = lead_at[q];
    if (c > h) break;
    if (!acc[c]) continue;
    h = std::max(h, comb_linear_step1_lzw(e, acc, c, e.piv[e.newidx[q]]));
  }
  *hi = h;
}

void collect_backward(FpElim& e, uint32_t pos, uint64_t* acc, uint32_t hi) {
  const uint32_t idx = e.newidx[pos];
  CodedRow* row = e.rows[idx];
  Dom* c = nullptr;
  const uint32_t kept = collect(e, acc, row->lead, hi, &c);
  row->coeffs[0] = c;
  store_code(e, idx, kept);
}

void decode_pivots(FpElim& e, const std::vector<uint32_t>& owners, uint32_t threads) {
  const uint32_t n = uint32_t(owners.size());
  if (n == 0) return;
  // The terms of a row after its leading one, from its gap code.
  auto walk_of = [&](const CodedRow* row) {
    return [row](auto&& emit) {
      walk_gap_code(
          row->code, row->ncodes, [&](uint32_t pos) { emit(pos); },
          [&](uint32_t first, uint32_t k) {
            for (uint32_t j = 0; j < k; ++j) emit(first + j);
          });
    };
  };
  if (threads <= 1) {
    // One walk of each code, into the offsets scratch (free before the
    // forward pass).
    for (uint32_t idx : owners) {
      const CodedRow* row = e.rows[idx];
      const uint32_t m = decode_gaps(row->code, row->ncodes, e.offsets) - 1;
      make_pivot(e.piv[idx], row->lead, e.offsets + 1, m, row->coeffs[0] + 1, nullptr);
    }
    return;
  }
  std::vector<PivotShape> shape(n);
  std::vector<void*> mem(n, nullptr);
  const uint32_t parts = threads > 1 ? std::min(n, threads * 8) : 1;
  auto part = [&](uint32_t k, auto&& body) {
    for (uint32_t j = uint32_t(uint64_t(n) * k / parts); j < uint64_t(n) * (k + 1) / parts; ++j)
      body(j);
  };
  // Measured in threads, given their memory from the zone on this thread,
  // filled in threads.
  worker_team().run(threads, parts, [&](uint32_t k) {
    part(k, [&](uint32_t j) { shape[j] = measure_code(e.rows[owners[j]]); });
  });
  for (uint32_t j = 0; j < n; ++j)
    if (shape[j].n) mem[j] = alloc(pivot_bytes(shape[j]));
  worker_team().run(threads, parts, [&](uint32_t k) {
    part(k, [&](uint32_t j) {
      const CodedRow* row = e.rows[owners[j]];
      fill_pivot(e.piv[owners[j]], row->lead, shape[j], mem[j], row->coeffs[0] + 1, walk_of(row));
    });
  });
}

void sort_rev_Dpol(FpElim& e) {
  CodedRow** rows = e.rows;
  uint32_t* x = e.newidx;
  const uint32_t n = e.nnew;
  auto first = [&](uint32_t a, uint32_t b) {
    return rows[a]->lead < rows[b]->lead ||
           (rows[a]->lead == rows[b]->lead && rows[a]->serial > rows[b]->serial);
  };
  for (uint32_t gap = n / 2; gap > 0; gap /= 2)
    for (uint32_t i = 0; i + gap < n; ++i)
      for (int64_t j = i; j >= 0; j -= gap) {
        if (!first(x[j + gap], x[j])) break;
        std::swap(x[j], x[j + gap]);
      }
}

uint32_t eliminate_rows(CodedRow** rows, uint32_t nrows, uint32_t ncols, uint32_t nreduce,
                        CodedRow** newrows) {
  sort_rows(rows, nrows);
  select_lane(0);
  FpElim e(rows, nrows, ncols, nreduce, ZEL_C(Prime));
  Scratch<int32_t> pivots(uint64_t(ncols) + 1);
  std::fill(pivots.p, pivots.p + ncols + 1, -1);
  // The lowest index wins when two reducers share a column; a reducer
  // without coefficients (zero) owns nothing.
  for (uint32_t i = nrows; i-- > 0;)
    if (!rows[i]->to_reduce && rows[i]->coeffs[0]) pivots[rows[i]->lead] = int32_t(i);
  Scratch<uint32_t> offsets(uint64_t(ncols) + 1);
  Scratch<PivotCols> piv(uint64_t(nrows) + 1, true);
  Scratch<uint32_t> newidx(uint64_t(nreduce) + 1);
  e.pivots = pivots.p;
  e.offsets = offsets.p;
  e.piv = piv.p;
  e.newidx = newidx.p;
  // The stored terms of the matrix (gap codes: at most its terms) measure
  // its work.
  uint64_t terms = 0;
  for (uint32_t i = 0; i < nrows; ++i) terms += rows[i]->ncodes + 1;
  const int32_t threads = int32_t(threads_for(terms, nb_threads > 1 ? uint32_t(nb_threads) : 1u));
  // Reducers are decoded once, before any row uses them.
  std::vector<uint32_t> owners;
  for (uint32_t i = 0; i < nrows; ++i)
    if (!rows[i]->to_reduce && pivots[rows[i]->lead] == int32_t(i)) owners.push_back(i);
  decode_pivots(e, owners, uint32_t(threads));

  forward_pass(e, uint32_t(threads));
  if (e.nnew) {
    sort_rev_Dpol(e);
    std::vector<uint32_t> lead_at(e.nnew);
    for (uint32_t k = 0; k < e.nnew; ++k) lead_at[k] = rows[e.newidx[k]]->lead;
    // The threaded backward pass wakes the helpers once.
    uint64_t new_terms = 0;
    for (uint32_t k = 0; k < e.nnew; ++k) new_terms += rows[e.newidx[k]]->ncodes + 1;
    if (threads_for(new_terms, uint32_t(threads)) > 1) {
      backward_threads(e, lead_at.data(), uint32_t(threads));
    } else {
      StepBuffers& buf = step_buffers();
      buf.accumulators(1);
      backward_sequential(e, lead_at.data(), buf.acc[0].take(uint64_t(ncols) + 1));
      buf.acc[0].give_back();
    }
  }
  for (uint32_t k = 0; k < e.nnew; ++k) newrows[k] = rows[e.newidx[k]];
  return e.nnew;
}

uint32_t ZEL_C(LINEAR_solve)(CodedRow** rows, uint32_t nrows, uint32_t ncols, uint32_t nreduce,
                             Dpol** out, const Base_Exposants* codes) {
  const double start = omp_get_wtime();
  ZoneScope mark;
  Scratch<CodedRow*> newrows(uint64_t(nreduce) + 1);
  const uint32_t nnew = eliminate_rows(rows, nrows, ncols, nreduce, newrows.p);
  uint32_t count = 0;
  {
    // The polynomials outlive the step: they are made in the other zone.
    InZone2 other;
    for (uint32_t k = 0; k < nnew; ++k) {
      const CodedRow* row = newrows[k];
      if (Dpol* p = ZEL_C(clone_lzw_ALGO_Dpol)(row, codes, ncols - row->lead)) out[count++] = p;
    }
  }
  if (ZEL_C(want_state_percent)) Stderr("100%%/");
  const double spent = omp_get_wtime() - start;
  if (spent > 1.0) Stderr("{L=%.2f sec}", spent);
  return count;
}

}  // namespace zel::ZEL_BUILD
