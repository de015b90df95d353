// Integer-build elimination: every row carries V residue lanes, one per
// prime of the batch, and shares one column code.
//
// Lane 0 leads.  Its result fixes the row: zero or not, the leading column
// (checked against the trace of the first batch, see trace.hpp) and the
// columns kept.  The other lanes reduce the same row against the same
// pivots and must land on lane 0's leading column and columns (a lane may
// hold a zero where lane 0 has a term: a coefficient of the true result can
// be divisible by one prime).  A lane that departs is reported bad and
// computed no more in this batch: its coefficient arrays then share lane
// 0's.  Zero rows of lane 0 are zero in every lane; nothing else of the row
// is computed.
//
// Reducing a row clears every column that has a usable pivot, from left to
// right; the first column left non-zero is the leading one.  This is head
// and tail reduction in one sweep, the same operations in the same order.
// Lanes go through it in groups of up to eight in lockstep: a column of the
// accumulator holds the group's entries side by side (one cache line for
// eight), and a pivot's tail is laid out interleaved for the group (or, past
// a step's budget for such copies, read lane by lane and interleaved in
// registers), so a pivot's columns are visited once per group, not once per
// lane.  Where zero rows are still unknown (the batch that writes the
// trace), lane 0 of blocks of rows sifts most of them out first (ZeroFilter)
// and the rest go alone in lane 0, so a zero row costs a fraction of one
// lane; elsewhere lane 0 joins the first group.
//
// When the new rows become polynomials (LINEAR_solve), the backward pass,
// which gives each its final form, collects its lanes straight into the
// polynomial's record.
//
// Accumulator entries are 64-bit per lane, congruent to the sum of the
// products added (a wrap past 2^64 is put back as 2^64 mod p, so any number
// of products fits), indexed by absolute column, and kept all-zero between
// rows: a row is expanded without clearing, and every pass clears exactly
// the entries it reads, so no row pays for columns it never reached.
// Entries are reduced only when they meet a pivot or are collected.
#include <algorithm>
#include <climits>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <cstdio>
#include <unordered_map>

#include "engine/api/stop_flag.hpp"
#include "engine/coef/primes.hpp"
#include "engine/coef/residue.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/f4/accumulator.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/f4/trace.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mem/cpu_features.hpp"

namespace zel::ZEL_BUILD {

// The interleaved pivot tails (tail_of) are read faster than the lanes in
// place, but on wide batches they would take as much memory as the pivots.
uint64_t tail_copy_limit = uint64_t(16) << 20;

namespace {

// An accumulator entry: a 64-bit value congruent to the sum of products
// added into it (see add_product).
using Entry = uint64_t;

// The columns of a pivot row after its leading one, decoded once and read
// by every lane.  When the row spans fewer than 2^16 columns, off16[j] is
// the offset of coefficient j + 1 from the leading column (two bytes a
// term); otherwise col[j] is its absolute column.  A single lane reads its
// coefficients where the row keeps them, which for a reducer is its source
// polynomial's array, shared by all its multiples.
// For a lockstep group of G lanes, the pivot's tail coefficients are laid
// out once, interleaved (G per term), so the group reads one stream.
struct IntPivot {
  const uint16_t* off16 = nullptr;
  const uint32_t* col = nullptr;
  uint32_t lead = 0;
  uint32_t n = 0;
  uint32_t last = 0;              // column of the last term
  const Dom** grouped = nullptr;  // per group of lanes, or null until used
  // The polynomial the backward pass collected the row's lanes into, when
  // the step makes polynomials of its new rows (IntElim::collect_results).
  Dpol* result = nullptr;
};

// Offsets below this fit IntPivot::off16.
constexpr uint32_t kShortSpan = 1u << 16;

// f(base, index) with the pivot's columns as entries base[index[j] * G]
// of an accumulator acc of G entries per column.
template <uint32_t G, class F>
inline void with_columns(Entry* acc, const IntPivot* pv, F f) {
  if (pv->off16)
    f(acc + size_t(pv->lead) * G, pv->off16);
  else
    f(acc, pv->col);
}

// Largest group of lanes reduced in lockstep.
constexpr uint32_t kMaxGroup = 8;
// Bytes the group accumulator may take; wider matrices use smaller groups.
constexpr uint64_t kGroupAccBytes = uint64_t(128) << 20;


// x mod p with v = prime_inverse(p).
inline uint32_t residue(Entry x, uint32_t p, uint32_t v) {
  return reduce96(uint32_t(x), uint32_t(x >> 32), 0, p, v);
}

// e += x modulo p, for a product x <= (p - 1)^2: when the sum wraps past
// 2^64 the lost 2^64 is put back as c64 = 2^64 mod p.  The wrapped sum is
// below x, so adding c64 < p cannot wrap again; any number of products fits.
inline void add_product(Entry& e, uint64_t x, uint64_t c64) {
  uint64_t s;
  const bool wrapped = __builtin_add_overflow(e, x, &s);
  e = s + (c64 & (uint64_t(0) - uint64_t(wrapped)));
}

// acc[col[j]*G + t] += m[t] * s[j*G + t] for j < n, t < G (add_product).
template <uint32_t G, class Index>
void add_multiple(Entry* acc, const Index* col, uint32_t n, const Dom* s, const uint64_t* m,
                  const uint64_t* c64) {
  for (uint32_t j = 0; j < n; ++j, s += G) {
    Entry* d = acc + size_t(col[j]) * G;
    for (uint32_t t = 0; t < G; ++t) add_product(d[t], m[t] * s[t], c64[t]);
  }
}

// Rows of one lane reduced together by the zero-row filter (ZeroFilter).
constexpr uint32_t kBlockRows = 8;

// acc[col[j]*kBlockRows + t] += m[t] * s[j] for j < n, t < kBlockRows
// (add_product with the one prime's c64).
template <class Index>
void add_multiple_rows(Entry* acc, const Index* col, uint32_t n, const Dom* s, const uint64_t* m,
                       uint64_t c64) {
  for (uint32_t j = 0; j < n; ++j) {
    Entry* d = acc + size_t(col[j]) * kBlockRows;
    for (uint32_t t = 0; t < kBlockRows; ++t) add_product(d[t], m[t] * s[j], c64);
  }
}

// acc[col[j]] += m * s[j] for j < n (add_product): one lane.
template <class Index>
inline void add_multiple_solo(Entry* acc, const Index* col, uint32_t n, const Dom* s, uint64_t m,
                              uint64_t c64) {
  uint32_t j = 0;
  for (; j + 2 <= n; j += 2) {
    add_product(acc[col[j]], m * s[j], c64);
    add_product(acc[col[j + 1]], m * s[j + 1], c64);
  }
  if (j < n) add_product(acc[col[j]], m * s[j], c64);
}

#if defined(__x86_64__)
// The same, four lanes to a 256-bit register: products of the low 32-bit
// halves, and the unsigned comparison that detects a wrap made signed by
// flipping the top bits.
template <uint32_t G, class Index>
__attribute__((target("avx2"))) void add_multiple_avx2(Entry* acc, const Index* col, uint32_t n,
                                                       const Dom* s, const uint64_t* m,
                                                       const uint64_t* c64) {
  static_assert(G % 4 == 0, "whole registers");
  constexpr uint32_t R = G / 4;
  const __m256i top = _mm256_set1_epi64x(INT64_MIN);
  __m256i mm[R], cc[R];
  for (uint32_t r = 0; r < R; ++r) {
    mm[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + 4 * r));
    cc[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c64 + 4 * r));
  }
  for (uint32_t j = 0; j < n; ++j, s += G) {
    Entry* d = acc + size_t(col[j]) * G;
    for (uint32_t r = 0; r < R; ++r) {
      __m256i* dv = reinterpret_cast<__m256i*>(d + 4 * r);
      const __m128i c4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * r));
      const __m256i x = _mm256_mul_epu32(mm[r], _mm256_cvtepu32_epi64(c4));
      const __m256i sum = _mm256_add_epi64(_mm256_loadu_si256(dv), x);
      const __m256i wrapped =
          _mm256_cmpgt_epi64(_mm256_xor_si256(x, top), _mm256_xor_si256(sum, top));
      _mm256_storeu_si256(dv, _mm256_add_epi64(sum, _mm256_and_si256(wrapped, cc[r])));
    }
  }
}

// *d += x on eight 64-bit slots; a slot that wraps past 2^64 gets
// c = 2^64 mod p added back, which keeps it congruent modulo its prime.
__attribute__((target("avx512f"), always_inline)) inline void accumulate_wrapped(Entry* d,
                                                                                 __m512i x,
                                                                                 __m512i c) {
  const __m512i sum = _mm512_add_epi64(_mm512_loadu_si512(d), x);
  const __mmask8 wrapped = _mm512_cmplt_epu64_mask(sum, x);
  _mm512_storeu_si512(d, _mm512_mask_add_epi64(sum, wrapped, sum, c));
}

// The same, eight lanes to a 512-bit register; a wrap is the unsigned
// comparison sum < x, and 2^64 mod p is added under its mask.
template <uint32_t G, class Index>
__attribute__((target("avx512f"))) void add_multiple_avx512(Entry* acc, const Index* col,
                                                            uint32_t n, const Dom* s,
                                                            const uint64_t* m,
                                                            const uint64_t* c64) {
  static_assert(G % 8 == 0, "whole registers");
  constexpr uint32_t R = G / 8;
  __m512i mm[R], cc[R];
  for (uint32_t r = 0; r < R; ++r) {
    mm[r] = _mm512_loadu_si512(m + 8 * r);
    cc[r] = _mm512_loadu_si512(c64 + 8 * r);
  }
  for (uint32_t j = 0; j < n; ++j, s += G) {
    Entry* d = acc + size_t(col[j]) * G;
    for (uint32_t r = 0; r < R; ++r) {
      const __m256i c8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 8 * r));
      // The zero-masked forms: the plain ones start from an undefined
      // register, which the compiler warns about.
      const __m512i x = _mm512_maskz_mul_epu32(0xFF, mm[r], _mm512_maskz_cvtepu32_epi64(0xFF, c8));
      accumulate_wrapped(d + 8 * r, x, cc[r]);
    }
  }
}

// The same for eight lanes read where the row keeps them, c[t][j] being
// coefficient j of lane t, so that no interleaved copy of the row is made:
// four terms of lanes 0-3 and of lanes 4-7 are loaded into two registers
// (a lane to a quarter), and one permutation per term gathers its eight
// coefficients into the low halves of the eight 64-bit slots (the multiply
// reads nothing else).
template <class Index>
__attribute__((target("avx512f"))) void add_multiple_lanes_avx512(Entry* acc, const Index* col,
                                                                  uint32_t n, const Dom* const* c,
                                                                  const uint64_t* m,
                                                                  const uint64_t* c64) {
  const __m512i mm = _mm512_loadu_si512(m);
  const __m512i cc = _mm512_loadu_si512(c64);
  // Slot t of term k: dword 4t + k, of the second register from t = 4 on.
  __m512i pick[4];
  for (uint32_t k = 0; k < 4; ++k) {
    alignas(64) int32_t idx[16] = {};
    for (uint32_t t = 0; t < 8; ++t) idx[2 * t] = int32_t(4 * t + k);
    pick[k] = _mm512_load_si512(idx);
  }
  uint32_t j = 0;
  for (; j + 4 <= n; j += 4) {
    auto quarter = [&](uint32_t t) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(c[t] + j));
    };
    __m512i lo = _mm512_maskz_broadcast_i32x4(0xFFFF, quarter(0));  // zero-masked, as above
    lo = _mm512_mask_broadcast_i32x4(lo, 0x00F0, quarter(1));
    lo = _mm512_mask_broadcast_i32x4(lo, 0x0F00, quarter(2));
    lo = _mm512_mask_broadcast_i32x4(lo, 0xF000, quarter(3));
    __m512i hi = _mm512_maskz_broadcast_i32x4(0xFFFF, quarter(4));
    hi = _mm512_mask_broadcast_i32x4(hi, 0x00F0, quarter(5));
    hi = _mm512_mask_broadcast_i32x4(hi, 0x0F00, quarter(6));
    hi = _mm512_mask_broadcast_i32x4(hi, 0xF000, quarter(7));
    for (uint32_t k = 0; k < 4; ++k) {
      Entry* d = acc + size_t(col[j + k]) * 8;
      const __m512i x =
          _mm512_maskz_mul_epu32(0xFF, mm, _mm512_permutex2var_epi32(lo, pick[k], hi));
      accumulate_wrapped(d, x, cc);
    }
  }
  for (; j < n; ++j) {
    alignas(64) uint64_t v[8];
    for (uint32_t t = 0; t < 8; ++t) v[t] = c[t][j];
    Entry* d = acc + size_t(col[j]) * 8;
    const __m512i x = _mm512_maskz_mul_epu32(0xFF, mm, _mm512_load_si512(v));
    accumulate_wrapped(d, x, cc);
  }
}

// The same for kBlockRows rows of one lane (one prime, 2^64 mod p = c64):
// acc[col[j]*8 + t] += m[t] * s[j], the coefficient shared by the rows.
template <class Index>
__attribute__((target("avx512f"))) void add_multiple_rows_avx512(Entry* acc, const Index* col,
                                                                 uint32_t n, const Dom* s,
                                                                 const uint64_t* m, uint64_t c64) {
  const __m512i mm = _mm512_loadu_si512(m);
  const __m512i cc = _mm512_set1_epi64(int64_t(c64));
  for (uint32_t j = 0; j < n; ++j) {
    Entry* d = acc + size_t(col[j]) * 8;
    // The zero-masked form, as above.
    const __m512i x = _mm512_maskz_mul_epu32(0xFF, mm, _mm512_set1_epi64(int64_t(s[j])));
    accumulate_wrapped(d, x, cc);
  }
}

template <class Index>
__attribute__((target("avx2"))) void add_multiple_rows_avx2(Entry* acc, const Index* col,
                                                            uint32_t n, const Dom* s,
                                                            const uint64_t* m, uint64_t c64) {
  const __m256i top = _mm256_set1_epi64x(INT64_MIN);
  const __m256i m0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m));
  const __m256i m1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + 4));
  const __m256i cc = _mm256_set1_epi64x(int64_t(c64));
  for (uint32_t j = 0; j < n; ++j) {
    __m256i* dv = reinterpret_cast<__m256i*>(acc + size_t(col[j]) * 8);
    const __m256i c = _mm256_set1_epi64x(int64_t(s[j]));
    for (uint32_t r = 0; r < 2; ++r) {
      const __m256i x = _mm256_mul_epu32(r ? m1 : m0, c);
      const __m256i sum = _mm256_add_epi64(_mm256_loadu_si256(dv + r), x);
      const __m256i wrapped =
          _mm256_cmpgt_epi64(_mm256_xor_si256(x, top), _mm256_xor_si256(sum, top));
      _mm256_storeu_si256(dv + r, _mm256_add_epi64(sum, _mm256_and_si256(wrapped, cc)));
    }
  }
}

// Read once at load time; the processor model may not be known yet then.
const bool kHasAvx2 = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}();
const bool kHasAvx512 = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") != 0 && avx512_allowed();
}();
#endif

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

// One lane: its prime, the prime's reciprocal, 2^64 mod p, and whether it
// is still computed.
struct LaneOf {
  uint32_t lane, p, v;
  uint64_t c64;
  bool live;
};

struct IntElim {
  CodedRow** rows;
  uint32_t nrows, ncols, nreduce, V;
  uint32_t group;    // lanes per lockstep group (power of 2, at most kMaxGroup)
  uint32_t ngroups;  // bound on the groups of one layout (run_lanes)
  int32_t* pivots;   // ncols + 1 entries: -1 or the owner's row index
  IntPivot* piv;     // per row index, once the row is a pivot
  uint32_t* newidx;  // row index of each new row
  uint32_t nnew = 0;
  uint32_t* off0;  // lane 0's kept offsets (ncols + 1)
  Entry* acc;      // (ncols + 1) * group entries, all zero between rows
  LaneOf* lanes;   // the batch's lanes, `live` as of the step's start
  uint32_t progress = 0;
  uint64_t products = 0;  // multiply-adds, counted per pivot applied
  // The interleaved tails (IntPivot::grouped) of the reducers, by the
  // coefficient array of their lane 0: the multiples of one polynomial read
  // its coefficients, so they share one copy per group of lanes.
  std::unordered_map<const Dom*, const Dom**> tails_of_source;
  // Set when the new rows become polynomials (in zone 2): the backward
  // pass, which gives each row its final form, then collects its lanes
  // straight into the polynomial's record instead of into the step's
  // memory and a copy later.  `result` is the current row's record.
  uint64_t tail_bytes = 0;       // of the interleaved copies (tail_of)
  bool make_results = false;     // asked by the caller
  bool collect_results = false;  // in the backward pass
  Dpol* result = nullptr;

  LaneOf lane_of(uint32_t k) const {
    LaneOf L = lanes[k];
    L.live = k == 0 || !lane_is_bad(k);
    return L;
  }
};

// The tail coefficients of pivot pv in lanes k0 .. k0+G-1, kept in `slot`:
// the lane's own array for a single lane, else the interleaved copy, made
// in the zone at its first use (once for all the reducers of a polynomial).
// With `optional` (a kernel reads the lanes where they are, a little more
// slowly), null rather than a copy past tail_copy_limit in the step.
template <uint32_t G>
const Dom* tail_of(IntElim& e, const IntPivot* pv, uint32_t slot, uint32_t k0, bool optional) {
  const CodedRow* prow = e.rows[pv - e.piv];
  if (G == 1) return prow->coeffs[k0] + 1;
  IntPivot& P = e.piv[pv - e.piv];
  if (!P.grouped) {
    const Dom** shared = nullptr;
    if (!prow->to_reduce) shared = e.tails_of_source.emplace(prow->coeffs[0], nullptr).first->second;
    if (!shared) {
      shared = static_cast<const Dom**>(alloc(uint64_t(2) * e.ngroups * sizeof(Dom*)));
      std::fill(shared, shared + 2 * e.ngroups, nullptr);
      if (!prow->to_reduce) e.tails_of_source[prow->coeffs[0]] = shared;
    }
    P.grouped = shared;
  }
  if (!P.grouped[slot]) {
    const uint64_t bytes = uint64_t(P.n) * G * sizeof(Dom);
    if (optional && e.tail_bytes + bytes > tail_copy_limit) return nullptr;
    e.tail_bytes += bytes;
    Dom* s = static_cast<Dom*>(alloc(bytes + 8));
    // A dead lane's array may be lane 0's: copied all the same, used times 0.
    // Written in order, reading the G arrays side by side.
    const Dom* c[G];
    for (uint32_t t = 0; t < G; ++t) c[t] = prow->coeffs[k0 + t] + 1;
    Dom* d = s;
    for (uint32_t j = 0; j < P.n; ++j, d += G)
      for (uint32_t t = 0; t < G; ++t) d[t] = c[t][j];
    P.grouped[slot] = s;
  }
  return P.grouped[slot];
}

template <uint32_t G, class PivotAt>
uint32_t clear_pivot_columns(IntElim& e, Entry* acc, const LaneOf* L, uint32_t k0, uint32_t slot,
                             uint32_t lo, uint32_t hi, PivotAt pivot_at);

// Reduces lanes k0 .. k0+G-1 of `row` together: expands them into the
// accumulator (entry c*G + t for column c, lane k0 + t), then clears, from
// left to right, every column for which pivot_at(c) gives a pivot, each lane
// by its own multiple of that pivot.  Dead lanes stay zero.  Returns the
// last column touched.
template <uint32_t G, class PivotAt>
uint32_t reduce_lanes(IntElim& e, const CodedRow* row, uint32_t k0, uint32_t slot,
                      PivotAt pivot_at) {
  LaneOf L[G];
  for (uint32_t t = 0; t < G; ++t) L[t] = e.lane_of(k0 + t);
  Entry* acc = e.acc;
  const uint32_t lead = row->lead;
  uint32_t hi = lead;
  for (uint32_t t = 0; t < G; ++t) {
    if (!L[t].live) continue;
    const Dom* c = row->coeffs[k0 + t];
    Entry* a = acc + size_t(lead) * G + t;
    a[0] = *c++;
    hi = lead + walk_gap_code(
                    row->code, row->ncodes, [&](uint32_t pos) { a[size_t(pos) * G] = *c++; },
                    [&](uint32_t first, uint32_t k) {
                      for (uint32_t j = 0; j < k; ++j) a[size_t(first + j) * G] = c[j];
                      c += k;
                    });
  }
  return clear_pivot_columns<G>(e, acc, L, k0, slot, lead, hi, pivot_at);
}

// The clearing half of reduce_lanes, on accumulator acc from column lo.
template <uint32_t G, class PivotAt>
uint32_t clear_pivot_columns(IntElim& e, Entry* acc, const LaneOf* L, uint32_t k0, uint32_t slot,
                             uint32_t lo, uint32_t hi, PivotAt pivot_at) {
  for (uint32_t c = lo; c <= hi; ++c) {
    Entry* a = acc + size_t(c) * G;
    if constexpr (G == 1) {
      // A pivot's data is usually far from the previous one's: ask for the
      // record of a pivot 16 columns ahead and the data of one 8 ahead.
      if (c + 16 <= hi && a[16])
        if (const IntPivot* ahead = pivot_at(c + 16)) __builtin_prefetch(ahead);
      if (c + 8 <= hi && a[8])
        if (const IntPivot* ahead = pivot_at(c + 8)) {
          __builtin_prefetch(ahead->off16 ? static_cast<const void*>(ahead->off16)
                                          : static_cast<const void*>(ahead->col));
          __builtin_prefetch(e.rows[ahead - e.piv]->coeffs[k0] + 1);
        }
    }
    uint64_t any = 0;
    for (uint32_t t = 0; t < G; ++t) any |= a[t];
    if (!any) continue;
    const IntPivot* pv = pivot_at(c);
    if (!pv) continue;
    uint64_t m[G], c64[G];
    for (uint32_t t = 0; t < G; ++t) {
      const uint32_t r = residue(a[t], L[t].p, L[t].v);
      a[t] = 0;
      m[t] = r ? L[t].p - r : 0;
      c64[t] = L[t].c64;
    }
#if defined(__x86_64__)
    const bool lanes_kernel = G == 8 && kHasAvx512;
#else
    const bool lanes_kernel = false;
#endif
    const Dom* s = tail_of<G>(e, pv, slot, k0, lanes_kernel);
    e.products += uint64_t(pv->n) * G;
#if defined(__x86_64__)
    if constexpr (G == 8) {
      if (!s) {
        const CodedRow* prow = e.rows[pv - e.piv];
        const Dom* c[8];
        for (uint32_t t = 0; t < 8; ++t) c[t] = prow->coeffs[k0 + t] + 1;
        with_columns<G>(acc, pv, [&](Entry* base, const auto* col) {
          add_multiple_lanes_avx512(base, col, pv->n, c, m, c64);
        });
        hi = std::max(hi, pv->last);
        continue;
      }
    }
#endif
    with_columns<G>(acc, pv, [&](Entry* base, const auto* col) {
      if constexpr (G == 1) {
        add_multiple_solo(base, col, pv->n, s, m[0], c64[0]);
        return;
      }
#if defined(__x86_64__)
      if constexpr (G % 8 == 0) {
        if (kHasAvx512) return add_multiple_avx512<G>(base, col, pv->n, s, m, c64);
      }
      if constexpr (G % 4 == 0) {
        if (kHasAvx2) return add_multiple_avx2<G>(base, col, pv->n, s, m, c64);
      }
#endif
      add_multiple<G>(base, col, pv->n, s, m, c64);
    });
    hi = std::max(hi, pv->last);
  }
  return hi;
}

// Lane 0 after reduce_lanes<G> with k0 = 0: reduces and clears its
// entries of columns from .. hi, keeps the non-zero residues in a new zone
// array (*out) and their offsets from the first of them in off; *lead
// receives its column.  Returns the count (0 for a zero row, nothing
// allocated).
template <uint32_t G>
uint32_t collect_lead_lane(Entry* acc, uint32_t from, uint32_t hi, uint32_t* off, Dom** out,
                           uint32_t* lead) {
  const uint32_t p = ZEL_C(Primes)[0], v = prime_inverse(p);
  uint32_t c = from;
  for (; c <= hi; ++c) {
    Entry& a = acc[size_t(c) * G];
    if (!a) continue;
    const uint32_t r = residue(a, p, v);
    a = r;
    if (r) break;
  }
  if (c > hi) return 0;
  *lead = c;
  const uint32_t n = hi - c + 1;
  Dom* k = static_cast<Dom*>(alloc(uint64_t(n) * sizeof(Dom)));
  uint32_t kept = 0;
  Entry* a = acc + size_t(c) * G;
  for (uint32_t j = 0; j < n; ++j) {
    Entry& x = a[size_t(j) * G];
    if (!x) continue;
    const uint32_t r = residue(x, p, v);
    x = 0;
    if (r) {
      k[kept] = r;
      off[kept++] = j;
    }
  }
  realloca(k, uint64_t(kept) * sizeof(Dom), uint64_t(n) * sizeof(Dom));
  *out = k;
  return kept;
}

// Lane 0 alone after reduce_lanes<1>: whether any of columns from .. hi
// holds a non-zero residue.  Clears them all.
bool clear_lead_lane(Entry* acc, uint32_t from, uint32_t hi) {
  const uint32_t p = ZEL_C(Primes)[0], v = prime_inverse(p);
  bool any = false;
  for (uint32_t c = from; c <= hi; ++c) {
    if (!acc[c]) continue;
    any = any || residue(acc[c], p, v) != 0;
    acc[c] = 0;
  }
  return any;
}

// Lanes t0 .. G-1 of a group after reduce_lanes<G>, in one sweep over the
// columns from .. hi (a column's lanes share a cache line): collects each
// live lane on lane 0's row (leading column lead, npat offsets pat) into a
// new zone array out[t], the residues at the pattern's columns, zero or
// not (into[t] instead, when `into` is given).  fits[t] becomes false
// when a non-zero residue lies off the pattern; nonzeros[t] receives the number of non-zero residues.  A zero
// kept from the pattern is announced on the error stream when `warn` is
// set.  Clears the lanes' entries; dead lanes' entries stayed zero.
template <uint32_t G>
void collect_on_pattern(Entry* acc, uint32_t t0, const LaneOf* L, uint32_t from, uint32_t hi,
                        uint32_t lead, const uint32_t* pat, uint32_t npat, bool warn,
                        Dom* const* into, Dom** out, uint32_t* nonzeros, bool* fits) {
  for (uint32_t t = t0; t < G; ++t) {
    nonzeros[t] = 0;
    fits[t] = true;
    if (L[t].live) out[t] = into ? into[t] : static_cast<Dom*>(alloc(uint64_t(npat) * sizeof(Dom)));
  }
  uint32_t k = 0;
  for (uint32_t col = from; col <= hi; ++col) {
    Entry* a = acc + size_t(col) * G;
    const bool on = col >= lead && k < npat && pat[k] == col - lead;
    if (!on) {
      uint64_t any = 0;
      for (uint32_t t = t0; t < G; ++t) any |= a[t];
      if (!any) continue;
    }
    for (uint32_t t = t0; t < G; ++t) {
      if (!L[t].live) continue;
      const uint32_t r = a[t] ? residue(a[t], L[t].p, L[t].v) : 0;
      a[t] = 0;
      nonzeros[t] += r != 0;
      if (on) {
        if (r == 0 && warn) {
          Stderr("======================================================================\n");
          Stderr("Warning: new experimental implementation of size_compact_row_adaptative\n");
        }
        out[t][k] = r;
      } else if (r) {
        fits[t] = false;
      }
    }
    k += on;
  }
  if (k == npat) return;
  for (uint32_t t = t0; t < G; ++t) {
    fits[t] = false;
    if (L[t].live) std::fill(out[t] + k, out[t] + npat, Dom(0));
  }
}

// c := c / c[0] modulo p, in place.
void make_monic(Dom* c, uint32_t n, const LaneOf& L) {
  if (c[0] == 1) return;
  if (c[0] == 0) Fatal("non inversible pour p=%lu!\n", (unsigned long)L.p);
  const uint64_t u = inv_Dom(c[0], L.p);
  for (uint32_t j = 0; j < n; ++j) {
    const uint64_t x = u * c[j];
    c[j] = residue(x, L.p, L.v);
  }
}

// The columns of a pivot row with leading column lead and the n offsets
// off[0] = 0 < off[1] < .. of its terms, in the zone.
void set_pivot_columns(IntPivot& pv, uint32_t lead, const uint32_t* off, uint32_t n) {
  pv.lead = lead;
  pv.n = n - 1;
  pv.last = lead + off[n - 1];
  pv.off16 = nullptr;
  pv.col = nullptr;
  if (off[n - 1] < kShortSpan) {
    uint16_t* o = static_cast<uint16_t*>(alloc(uint64_t(n) * sizeof(uint16_t)));
    for (uint32_t j = 1; j < n; ++j) o[j - 1] = uint16_t(off[j]);
    pv.off16 = o;
  } else {
    uint32_t* col = static_cast<uint32_t*>(alloc(uint64_t(n) * sizeof(uint32_t)));
    for (uint32_t j = 1; j < n; ++j) col[j - 1] = lead + off[j];
    pv.col = col;
  }
}

// Codes lane 0's kept offsets into the row and decodes its columns for its
// use as a pivot.  Lanes that died share lane 0's coefficients, which have
// the row's length.
void store_row(IntElim& e, uint32_t idx, uint32_t kept) {
  CodedRow* row = e.rows[idx];
  for (uint32_t k = 1; k < e.V; ++k)
    if (lane_is_bad(k)) row->coeffs[k] = row->coeffs[0];
  uint32_t ncodes = 0, nbytes = 0;
  row->code = compress_lzw(e.off0, kept, &ncodes, &nbytes);
  row->ncodes = ncodes;
  row->kind = CODE_LZW;
  row->width = e.ncols + 1 - row->lead;
  e.piv[idx].grouped = nullptr;
  set_pivot_columns(e.piv[idx], row->lead, e.off0, kept);
}

void decode_pivot(IntElim& e, uint32_t idx) {
  const CodedRow* row = e.rows[idx];
  const uint32_t n = decode_gaps(row->code, row->ncodes, e.off0);
  set_pivot_columns(e.piv[idx], row->lead, e.off0, n);
}

// How a lane departs from lane 0 on a row.
enum class LaneStep { zero, moved, off_pattern };

// Reduces lanes k0 .. k0+G-1 of `row` in lockstep.  With k0 = 0, lane 0
// leads: it is collected first and made monic (*c0, its count returned,
// *lead and e.off0 describe it; a zero row returns 0 with the group's
// entries cleared).  The other lanes are held to lane 0's row (lead, kept0
// offsets in e.off0), collected, made monic and stored; every lane that
// departs is reported and marked bad.
template <uint32_t G, class PivotAt, class Report>
uint32_t group_lanes(IntElim& e, CodedRow* row, uint32_t k0, uint32_t slot, uint32_t* lead,
                     uint32_t kept0, Dom** c0, bool warn, PivotAt pivot_at, Report report) {
  const uint32_t hi = reduce_lanes<G>(e, row, k0, slot, pivot_at);
  uint32_t t = 0;
  if (k0 == 0) {
    kept0 = collect_lead_lane<G>(e.acc, row->lead, hi, e.off0, c0, lead);
    if (kept0 == 0) {
      std::memset(static_cast<void*>(e.acc + size_t(row->lead) * G), 0,
                  size_t(hi - row->lead + 1) * G * sizeof(Entry));
      return 0;
    }
    make_monic(*c0, kept0, e.lane_of(0));
    e.result = nullptr;
    if (e.collect_results) {
      InZone2 other;
      e.result = ZEL_C(row_record_Dpol)(row, kept0);
      std::copy(*c0, *c0 + kept0, lanes(e.result)[0]);
      *c0 = lanes(e.result)[0];
    }
    t = 1;
  }
  LaneOf lanes[G];
  for (uint32_t u = t; u < G; ++u) lanes[u] = e.lane_of(k0 + u);
  Dom* out[G];
  uint32_t nonzeros[G];
  bool fitting[G];
  collect_on_pattern<G>(e.acc, t, lanes, row->lead, hi, *lead, e.off0, kept0, warn,
                        e.result ? ZEL_BUILD::lanes(e.result) + k0 : nullptr, out, nonzeros,
                        fitting);
  for (; t < G; ++t) {
    const LaneOf& L = lanes[t];
    if (!L.live) continue;
    Dom* c = out[t];
    const uint32_t nz = nonzeros[t];
    const bool fits = fitting[t];
    if (!fits || c[0] == 0) {
      report(L,
             nz == 0     ? LaneStep::zero
             : c[0] == 0 ? LaneStep::moved
                         : LaneStep::off_pattern,
             nz, kept0);
      mark_bad_prime(L.lane, BadPrime::lane_differs);
      continue;
    }
    make_monic(c, kept0, L);
    row->coeffs[L.lane] = c;
  }
  return kept0;
}

// Runs group_lanes over lanes from .. V-1 (from = 0 or 1) in groups of
// e.group lanes, then smaller powers of two.  With from = 0 lane 0 leads
// (see group_lanes) and a zero row stops at once.  Returns lane 0's count.
template <class PivotAt, class Report>
uint32_t run_lanes(IntElim& e, CodedRow* row, uint32_t from, uint32_t* lead, uint32_t kept0,
                   Dom** c0, bool warn, PivotAt pivot_at, Report report) {
  uint32_t k = from, gid = 0;
  // Each layout of groups keeps its own interleaved pivot tails.
  const uint32_t base = from * e.ngroups;
  for (uint32_t g = e.group; g >= 1; g /= 2)
    for (; k + g <= e.V; k += g, ++gid) {
      const uint32_t slot = base + gid;
      switch (g) {
        case 8:
          kept0 = group_lanes<8>(e, row, k, slot, lead, kept0, c0, warn, pivot_at, report);
          break;
        case 4:
          kept0 = group_lanes<4>(e, row, k, slot, lead, kept0, c0, warn, pivot_at, report);
          break;
        case 2:
          kept0 = group_lanes<2>(e, row, k, slot, lead, kept0, c0, warn, pivot_at, report);
          break;
        default:
          kept0 = group_lanes<1>(e, row, k, slot, lead, kept0, c0, warn, pivot_at, report);
          break;
      }
      if (kept0 == 0) return 0;
    }
  return kept0;
}

// The rows a replay's trace records as zero, checked together in lane 0
// (verify_zero_rows): a random combination of them must reduce to zero by
// the step's pivots, old and new.  Were one of them outside the pivots'
// span, the combination would vanish for at most one multiplier in p.
struct ZeroRowCheck {
  Entry* sum = nullptr;  // ncols + 1 entries, each below p
  uint32_t lo = ~0u, hi = 0;
  uint64_t state = 0x9e3779b97f4a7c15ull;

  void add(const CodedRow* row) {
    const uint32_t p = ZEL_C(Primes)[0];
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    const uint64_t m = 1 + state % (p - 1);
    const Dom* c = row->coeffs[0];
    Entry* a = sum + row->lead;
    auto put = [&](uint32_t pos, Dom v) { a[pos] = (a[pos] + m * v) % p; };
    put(0, *c++);
    const uint32_t last = row->lead + walk_gap_code(
                                          row->code, row->ncodes,
                                          [&](uint32_t pos) { put(pos, *c++); },
                                          [&](uint32_t first, uint32_t k) {
                                            for (uint32_t j = 0; j < k; ++j) put(first + j, *c++);
                                          });
    lo = std::min(lo, row->lead);
    hi = std::max(hi, last);
  }

  // Whether the combination reduces to zero.  Clears it.
  bool vanishes(IntElim& e) {
    if (lo > hi) return true;
    auto any_pivot = [&e](uint32_t c) -> const IntPivot* {
      const int32_t pv = e.pivots[c];
      return pv >= 0 ? &e.piv[pv] : nullptr;
    };
    const LaneOf L0 = e.lane_of(0);
    const uint32_t top = clear_pivot_columns<1>(e, sum, &L0, 0, 0, lo, hi, any_pivot);
    return !clear_lead_lane(sum, lo, top);
  }
};

// Where zero rows are not known in advance, most rows of a step reduce to
// zero, and lane 0 finds them out alone.  The filter reduces lane 0 of the
// next kBlockRows rows together, as the lanes of a group are: entry
// c * kBlockRows + t of the accumulator holds column c of row t, so a
// pivot's terms are read once for the block, and one multiply-add covers
// every row.  Each row is reduced by the pivots usable for it when the
// block starts; a row that vanishes then lies in their span and vanishes
// by every larger set of pivots, so it is zero when its turn comes, as the
// row-by-row reduction would find (the reduced form by pivots with distinct
// leading columns is unique).  The other rows, kept or reducible only by
// pivots stored since, go through the row-by-row reduction as before.
struct ZeroFilter {
  uint32_t idx[kBlockRows] = {};  // the block's rows
  uint32_t n = 0;                 // rows in the block
  uint32_t next = 0;              // the next of them to be asked about
  uint32_t zero = 0;              // bit t: row idx[t] is known to vanish

  // Whether row i is known to vanish; sweeps a new block from row i when
  // i is not the next row of the current one.
  bool vanishes(IntElim& e, uint32_t i) {
    if (next >= n || idx[next] != i) sweep(e, i);
    return (zero >> next++) & 1;
  }

  void sweep(IntElim& e, uint32_t first) {
    n = next = zero = 0;
    for (uint32_t j = first; j < e.nrows && n < kBlockRows; ++j)
      if (e.rows[j]->to_reduce && e.rows[j]->coeffs[0]) idx[n++] = j;
    for (uint32_t t = n; t < kBlockRows; ++t) idx[t] = 0;  // no pivot is usable there
    const LaneOf L = e.lane_of(0);
    Entry* acc = e.acc;
    uint32_t lo = ~0u, hi = 0;
    for (uint32_t t = 0; t < n; ++t) {
      const CodedRow* row = e.rows[idx[t]];
      const Dom* c = row->coeffs[0];
      Entry* a = acc + size_t(row->lead) * kBlockRows + t;
      a[0] = *c++;
      const uint32_t last =
          row->lead + walk_gap_code(
                          row->code, row->ncodes,
                          [&](uint32_t pos) { a[size_t(pos) * kBlockRows] = *c++; },
                          [&](uint32_t from, uint32_t k) {
                            for (uint32_t j = 0; j < k; ++j) a[size_t(from + j) * kBlockRows] = c[j];
                            c += k;
                          });
      lo = std::min(lo, row->lead);
      hi = std::max(hi, last);
    }
    for (uint32_t c = lo; c <= hi; ++c) {
      Entry* a = acc + size_t(c) * kBlockRows;
      uint64_t any = 0;
      for (uint32_t t = 0; t < kBlockRows; ++t) any |= a[t];
      if (!any) continue;
      const int32_t owner = e.pivots[c];
      if (owner < 0) continue;
      uint64_t m[kBlockRows];
      uint64_t used = 0;
      for (uint32_t t = 0; t < kBlockRows; ++t) {
        m[t] = 0;
        if (!a[t] || uint32_t(owner) >= idx[t]) continue;
        const uint32_t r = residue(a[t], L.p, L.v);
        a[t] = 0;
        m[t] = r ? L.p - r : 0;
        used |= m[t];
      }
      if (!used) continue;
      const IntPivot* pv = &e.piv[owner];
      const Dom* s = e.rows[owner]->coeffs[0] + 1;
      with_columns<kBlockRows>(acc, pv, [&](Entry* base, const auto* col) {
#if defined(__x86_64__)
        if (kHasAvx512) return add_multiple_rows_avx512(base, col, pv->n, s, m, L.c64);
        if (kHasAvx2) return add_multiple_rows_avx2(base, col, pv->n, s, m, L.c64);
#endif
        add_multiple_rows(base, col, pv->n, s, m, L.c64);
      });
      hi = std::max(hi, pv->last);
    }
    // What is left lies at columns without a usable pivot; cleared as read.
    uint32_t left = 0;
    for (uint32_t c = lo; c <= hi; ++c) {
      Entry* a = acc + size_t(c) * kBlockRows;
      for (uint32_t t = 0; t < kBlockRows; ++t) {
        if (!a[t]) continue;
        if (residue(a[t], L.p, L.v)) left |= 1u << t;
        a[t] = 0;
      }
    }
    zero = ~left & ((1u << n) - 1);
  }
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
bool forward(IntElim& e, ZeroRowCheck* zero_rows) {
  // The filter's blocks take the group accumulator's layout.
  const bool filter_zero_rows = e.group == kBlockRows;
  ZeroFilter filter;
  for (uint32_t i = 0; i < e.nrows; ++i) {
    CodedRow* row = e.rows[i];
    if (stop_requested()) return false;
    if (!row->to_reduce) continue;
    if (ZEL_C(want_state_percent) && (++e.progress & 63) == 0)
      Stderr("%.1f%%/", e.nreduce ? 100.0 * e.progress / e.nreduce : 100.0);
    auto usable = [&e, i](uint32_t c) -> const IntPivot* {
      const int32_t pv = e.pivots[c];
      return (pv >= 0 && uint32_t(pv) < i) ? &e.piv[pv] : nullptr;
    };
    // What the first batch's trace says of the row.
    const bool asked = !ZEL_C(want_ignore_simulin) && !simul_write;
    uint32_t want_width = 1;
    if (asked) {
      select_lane(0);
      want_width = next_syz_non_zero();
      if (want_width == 0) {  // zero in the first batch
        // No arithmetic, unless the zero rows are to be checked.
        if (zero_rows && row->coeffs[0]) zero_rows->add(row);
        row->coeffs[0] = nullptr;
        ZEL_C(mark_useless)(0, row->serial);
        continue;
      }
    }
    auto report = [i](const LaneOf& L, LaneStep why, uint32_t nz, uint32_t kept0) {
      if (why == LaneStep::zero)
        Stderr("Bad prime number bp=%u\n", L.p);
      else if (why == LaneStep::moved)
        Stderr("Cas complique line %u for p[%u]=%u\n", i, L.lane, L.p);
      else
        Stderr("Probably a bad prime ! (sz=%u sz0=%u)\n", kept0, nz);
    };
    // A replay knows the zero rows: lane 0 joins the first group.  Else the
    // filter sifts most zero rows out, and lane 0 goes alone first, so a
    // zero row costs one lane; a kept row then goes through the groups from
    // lane 1, or, when the lanes come in whole registers from lane 0 (V a
    // multiple of 4), from lane 0 again.
    uint32_t lead = 0, kept0 = 0;
    Dom* c0 = nullptr;
    bool all_lanes_done = asked;
    if (row->coeffs[0]) {
      if (asked) {
        kept0 = run_lanes(e, row, 0, &lead, 0, &c0, true, usable, report);
      } else if (filter_zero_rows && filter.vanishes(e, i)) {
        all_lanes_done = true;  // a zero row: nothing to compute
      } else if (e.V % 4 == 0 && e.V > 1) {
        // Most rows the filter leaves are kept: they skip the lone lane 0
        // (the groups from lane 0 find a zero row all the same).
        if (filter_zero_rows || clear_lead_lane(e.acc, row->lead, reduce_lanes<1>(e, row, 0, 0, usable)))
          kept0 = run_lanes(e, row, 0, &lead, 0, &c0, true, usable, report);
        all_lanes_done = true;
      } else {
        const uint32_t hi = reduce_lanes<1>(e, row, 0, 0, usable);
        kept0 = collect_lead_lane<1>(e.acc, row->lead, hi, e.off0, &c0, &lead);
        if (kept0) make_monic(c0, kept0, e.lane_of(0));
      }
    }
    if (kept0 == 0) {
      if (asked) trace_departure();  // the first batch kept this row
      if (simul_write) simul_out("*", 0);
      row->coeffs[0] = nullptr;
      ZEL_C(mark_useless)(0, row->serial);
      continue;
    }
    const uint32_t width = e.ncols + 1 - lead;
    if (asked && (trace_exhausted() || want_width != width)) trace_departure();
    if (simul_write) simul_out("+", width);
    ZEL_C(mark_useless)(1, row->serial);
    if (!all_lanes_done) run_lanes(e, row, 1, &lead, kept0, &c0, true, usable, report);
    row->coeffs[0] = c0;
    row->lead = lead;
    e.pivots[lead] = int32_t(i);
    store_row(e, i, kept0);
    e.newidx[e.nnew++] = i;
  }
  return true;
}

// The backward pass over the new rows sorted by increasing lead: each row
// is reduced, lane by lane, by the new rows after it, which are final.
void backward(IntElim& e) {
  CodedRow** rows = e.rows;
  e.collect_results = e.make_results;
  shell_sort(e.newidx, e.nnew, [&](uint32_t a, uint32_t b) {
    return rows[a]->lead < rows[b]->lead ||
           (rows[a]->lead == rows[b]->lead && rows[a]->serial > rows[b]->serial);
  });
  // The pivot table becomes the map from leading column to position.
  int32_t* pos_of_lead = e.pivots;
  std::fill(pos_of_lead, pos_of_lead + e.ncols + 1, -1);
  for (uint32_t k = 0; k < e.nnew; ++k) pos_of_lead[rows[e.newidx[k]]->lead] = int32_t(k);
  for (int32_t i = int32_t(e.nnew) - 2; i >= 0; --i) {
    const uint32_t idx = e.newidx[i];
    CodedRow* row = rows[idx];
    if (row->kind != CODE_LZW) Fatal("code <> CODE_LZW");
    if (stop_requested()) continue;  // the row keeps its forward-pass form
    auto later = [&e, pos_of_lead, i](uint32_t c) -> const IntPivot* {
      const int32_t q = pos_of_lead[c];
      return q > i ? &e.piv[e.newidx[q]] : nullptr;
    };
    Dom* c0 = nullptr;
    uint32_t lead = row->lead;
    const uint32_t kept0 = run_lanes(e, row, 0, &lead, 0, &c0, false, later,
                                     [](const LaneOf&, LaneStep, uint32_t, uint32_t) {
                                       Stderr("Not the same size after backward !\n");
                                     });
    row->coeffs[0] = c0;
    store_row(e, idx, kept0);
    e.piv[idx].result = e.result;
    e.result = nullptr;
  }
}

// eliminate_rows, or -1 when a stop was requested.
// With `results`, the backward pass collects the new rows' lanes into
// polynomial records (zone 2): results[k] is new row k's, or null.
int64_t eliminate(CodedRow** rows, uint32_t nrows, uint32_t ncols, uint32_t nreduce,
                  CodedRow** newrows, Dpol** results = nullptr) {
  shell_sort(rows, nrows, [](const CodedRow* a, const CodedRow* b) {
    return a->lead > b->lead || (a->lead == b->lead && a->serial < b->serial);
  });
  IntElim e{};
  e.rows = rows;
  e.nrows = nrows;
  e.ncols = ncols;
  e.nreduce = nreduce;
  e.V = ZEL_C(vectorize);
  e.make_results = results != nullptr;
  e.group = kMaxGroup;
  while (e.group > 1 && (uint64_t(ncols) + 1) * e.group * sizeof(Entry) > kGroupAccBytes)
    e.group /= 2;
  // Groups of e.group lanes, then smaller powers of two (run_lanes).
  e.ngroups = e.V / e.group + 4;
  // The pivot table and the pivots' columns live in the step's zone.
  e.pivots = static_cast<int32_t*>(alloc((uint64_t(ncols) + 1) * sizeof(int32_t)));
  std::fill(e.pivots, e.pivots + ncols + 1, -1);
  for (uint32_t i = nrows; i-- > 0;)
    if (!rows[i]->to_reduce && rows[i]->coeffs[0]) e.pivots[rows[i]->lead] = int32_t(i);
  Scratch<IntPivot> piv(uint64_t(nrows) + 1, true);
  Scratch<uint32_t> newidx(uint64_t(nreduce) + 1);
  Scratch<uint32_t> off0(uint64_t(ncols) + 1);
  // The accumulator is kept between steps, all zero (given back only when
  // the step ends normally: one an error left dirty is cleared at its next
  // use).
  StepBuffers& buffers = step_buffers();
  buffers.accumulators(1);
  ZeroedAccumulator& acc = buffers.acc[0];
  Scratch<LaneOf> lanes(e.V);
  for (uint32_t k = 0; k < e.V; ++k) {
    const uint32_t p = ZEL_C(Primes)[k];
    lanes[k] = LaneOf{k, p, prime_inverse(p), (~uint64_t(0) % p + 1) % p, true};
  }
  e.lanes = lanes.p;
  e.piv = piv.p;
  e.newidx = newidx.p;
  e.off0 = off0.p;
  e.acc = acc.take((uint64_t(ncols) + 1) * e.group);
  for (uint32_t i = 0; i < nrows; ++i)
    if (!rows[i]->to_reduce && e.pivots[rows[i]->lead] == int32_t(i)) decode_pivot(e, i);
  const bool check = verify_zero_rows && !ZEL_C(want_ignore_simulin) && !simul_write;
  Scratch<Entry> zero_sum(check ? uint64_t(ncols) + 1 : 1, true);
  ZeroRowCheck zero_rows{zero_sum.p};
  const bool done = forward(e, check ? &zero_rows : nullptr);
  if (done && check && !zero_rows.vanishes(e)) trace_departure();
  if (done && e.nnew) backward(e);
  select_lane(0);
  acc.give_back();
  elimination_products += e.products;
  if (!done) return -1;
  for (uint32_t k = 0; k < e.nnew; ++k) {
    CodedRow* row = rows[e.newidx[k]];
    // Lanes that died later than the row was stored share lane 0's arrays.
    for (uint32_t l = 1; l < e.V; ++l)
      if (lane_is_bad(l)) row->coeffs[l] = row->coeffs[0];
    newrows[k] = row;
    if (results) results[k] = e.piv[e.newidx[k]].result;
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
  Scratch<Dpol*> results(uint64_t(nreduce) + 1);
  const int64_t nnew = eliminate(rows, nrows, ncols, nreduce, newrows.p, results.p);
  if (nnew < 0) return 0;
  uint32_t count = 0;
  {
    // The polynomials outlive the step: they are made in the other zone.
    InZone2 other;
    for (int64_t k = 0; k < nnew; ++k) {
      const CodedRow* row = newrows[k];
      Dpol* p = results[k] ? ZEL_C(fill_lzw_ALGO_Dpol)(results[k], row, codes, ncols - row->lead)
                           : ZEL_C(clone_lzw_ALGO_Dpol)(row, codes, ncols - row->lead);
      if (p) out[count++] = p;
    }
  }
  if (ZEL_C(want_state_percent)) Stderr("100%%/");
  return count;
}

}  // namespace zel::ZEL_BUILD
