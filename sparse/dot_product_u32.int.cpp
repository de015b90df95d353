// The integer build's dense dot product: 32-bit residues, every 64-bit
// product summed exactly and the sum reduced once.  The AVX-512 kernels
// keep, per lane, a 64-bit sum and the number of times it wrapped past 2^64
// (the unsigned comparison sum < product after the add); the AVX2 ones the
// wrapped sum and the sum of the products' high words, which fixes the
// wraps at the end; so the total is exact whatever the inputs and the
// result is the scalar loop's.  The widest kernel the processor has is
// chosen at load time (ZEL_NO_AVX512 leaves the AVX-512 ones out).
#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "sparse/aligned.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/modarith.hpp"

#include "engine/mem/cpu_features.hpp"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zel::ZEL_BUILD {

namespace {

using u128 = unsigned __int128;

u128 scalar_sum(const Dom* row, const Dom* x, uint32_t n) {
  u128 acc = 0;
  for (uint32_t i = 0; i < n; ++i) acc += static_cast<uint64_t>(row[i]) * x[i];
  return acc;
}

#if defined(__x86_64__)
// Lanes of sums and wrap counts folded into one 128-bit total.
u128 fold_lanes(const uint64_t* sums, const uint64_t* wraps, uint32_t lanes) {
  u128 acc = 0;
  for (uint32_t l = 0; l < lanes; ++l) acc += sums[l] + (static_cast<u128>(wraps[l]) << 64);
  return acc;
}

// Sixteen entries per step: the even ones multiplied in place (the product
// instruction reads the low half of each 64-bit lane), the odd ones after a
// shift.
__attribute__((target("avx512f"))) u128 sum_avx512(const Dom* row, const Dom* x, uint32_t n) {
  const __m512i one = _mm512_set1_epi64(1);
  __m512i s0 = _mm512_setzero_si512(), s1 = s0, c0 = s0, c1 = s0;
  uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m512i a = _mm512_loadu_si512(row + i);
    const __m512i b = _mm512_loadu_si512(x + i);
    // The zero-masked forms (all lanes): the plain ones start from an
    // undefined register, which the compiler warns about.
    const __m512i even = _mm512_maskz_mul_epu32(0xFF, a, b);
    const __m512i odd = _mm512_maskz_mul_epu32(0xFF, _mm512_maskz_srli_epi64(0xFF, a, 32),
                                               _mm512_maskz_srli_epi64(0xFF, b, 32));
    s0 = _mm512_add_epi64(s0, even);
    c0 = _mm512_mask_add_epi64(c0, _mm512_cmplt_epu64_mask(s0, even), c0, one);
    s1 = _mm512_add_epi64(s1, odd);
    c1 = _mm512_mask_add_epi64(c1, _mm512_cmplt_epu64_mask(s1, odd), c1, one);
  }
  alignas(64) uint64_t sums[16], wraps[16];
  _mm512_store_si512(sums, s0);
  _mm512_store_si512(sums + 8, s1);
  _mm512_store_si512(wraps, c0);
  _mm512_store_si512(wraps + 8, c1);
  return fold_lanes(sums, wraps, 16) + scalar_sum(row + i, x + i, n - i);
}

// R rows against x, eight entries per step: per lane, the sum of the
// products modulo 2^64 (S) and the sum of their high 32-bit words (H).  The
// total is 2^32 H + L, L the sum of the low words: L is below 2^64 (fewer
// than 2^32 products a lane) and congruent to S - 2^32 H, so it is that
// difference modulo 2^64.  Two products per eight entries and no
// comparison: x's odd entries are shifted once for all rows, a row's by a
// shuffle, which leaves the multiply ports to the products.
template <int R>
__attribute__((target("avx2"))) void rows_avx2(const Dom* rows, ptrdiff_t stride, const Dom* x,
                                               uint32_t n, u128* out) {
  __m256i sum[R], high[R];
  for (int r = 0; r < R; ++r) sum[r] = high[r] = _mm256_setzero_si256();
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i));
    const __m256i b_odd = _mm256_srli_epi64(b, 32);
    for (int r = 0; r < R; ++r) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows + r * stride + i));
      const __m256i even = _mm256_mul_epu32(a, b);
      const __m256i odd = _mm256_mul_epu32(_mm256_shuffle_epi32(a, 0xF5), b_odd);
      sum[r] = _mm256_add_epi64(sum[r], _mm256_add_epi64(even, odd));
      high[r] = _mm256_add_epi64(
          high[r], _mm256_add_epi64(_mm256_srli_epi64(even, 32), _mm256_srli_epi64(odd, 32)));
    }
  }
  for (int r = 0; r < R; ++r) {
    alignas(32) uint64_t s[4], h[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(s), sum[r]);
    _mm256_store_si256(reinterpret_cast<__m256i*>(h), high[r]);
    u128 t = 0;
    for (int k = 0; k < 4; ++k) t += (static_cast<u128>(h[k]) << 32) + (s[k] - (h[k] << 32));
    out[r] = t + scalar_sum(rows + r * stride + i, x + i, n - i);
  }
}

__attribute__((target("avx2"))) u128 sum_avx2(const Dom* row, const Dom* x, uint32_t n) {
  u128 total;
  rows_avx2<1>(row, 0, x, n, &total);
  return total;
}

// R rows against x, given the top twelve bits (v >> 20) of every entry of
// the rows and of x as 16-bit values: per lane only the sum of the
// products modulo 2^64 (S), and beside it the sum A of the products of the
// tops, sixteen a multiply-add.  With a = 2^20 a_h + a_l (a_l < 2^20), and
// x alike, a x - 2^40 a_h x_h = 2^20 (a_h x_l + a_l x_h) + a_l x_l lies in
// [0, 2^53): over a run of at most kTopsRun entries the total T lies in
// [2^40 A, 2^40 A + 2^63), so T = 2^40 A + ((S - 2^40 A) mod 2^64).
// The tops take one multiply-add per sixteen entries where the high words
// took four shifts and four adds: the products alone keep the multiplier
// busy.  A run's lane of A takes at most 64 pair sums below 2^25.
constexpr uint32_t kTopsRun = 1024;

template <int R>
__attribute__((target("avx2"))) void rows_avx2_tops(const Dom* rows, const int16_t* tops,
                                                    ptrdiff_t stride, const Dom* x,
                                                    const int16_t* x_tops, uint32_t n, u128* out) {
  for (int r = 0; r < R; ++r) out[r] = 0;
  uint32_t i = 0;
  while (i + 16 <= n) {
    const uint32_t end = std::min(n & ~15u, i + kTopsRun);
    __m256i sum[R], approx[R];
    for (int r = 0; r < R; ++r) sum[r] = approx[r] = _mm256_setzero_si256();
    for (; i < end; i += 16) {
      const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i));
      const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i + 8));
      const __m256i b0_odd = _mm256_srli_epi64(b0, 32), b1_odd = _mm256_srli_epi64(b1, 32);
      const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x_tops + i));
      for (int r = 0; r < R; ++r) {
        const Dom* row = rows + r * stride + i;
        const __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row));
        const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 8));
        const __m256i p0 = _mm256_add_epi64(
            _mm256_mul_epu32(a0, b0), _mm256_mul_epu32(_mm256_shuffle_epi32(a0, 0xF5), b0_odd));
        const __m256i p1 = _mm256_add_epi64(
            _mm256_mul_epu32(a1, b1), _mm256_mul_epu32(_mm256_shuffle_epi32(a1, 0xF5), b1_odd));
        sum[r] = _mm256_add_epi64(sum[r], _mm256_add_epi64(p0, p1));
        const __m256i a_tops =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tops + r * stride + i));
        approx[r] = _mm256_add_epi32(approx[r], _mm256_madd_epi16(a_tops, t));
      }
    }
    for (int r = 0; r < R; ++r) {
      alignas(32) uint64_t s[4];
      alignas(32) uint32_t a[8];
      _mm256_store_si256(reinterpret_cast<__m256i*>(s), sum[r]);
      _mm256_store_si256(reinterpret_cast<__m256i*>(a), approx[r]);
      uint64_t A = 0;
      for (uint32_t lane : a) A += lane;
      const u128 base = static_cast<u128>(A) << 40;
      out[r] += base + (s[0] + s[1] + s[2] + s[3] - static_cast<uint64_t>(base));
    }
  }
  for (int r = 0; r < R; ++r) out[r] += scalar_sum(rows + r * stride + i, x + i, n - i);
}

// Several rows against one x: each block of x is loaded and split once for
// all of them, and the lanes are folded into each row's total in vector
// registers.  A row keeps two lane sums (even and odd entries) and one
// count of the wraps of both.

// The total of lanes of sums s0, s1 and wrap counts c: s0 + s1 may wrap once
// more; the 64-bit lane sums are added as 32-bit halves, which cannot wrap.
// The sum of the eight lanes (the library's reductions start from an
// undefined register, which the compiler warns about).
__attribute__((target("avx512f"))) inline uint64_t lane_sum(__m512i v) {
  alignas(64) uint64_t lanes[8];
  _mm512_store_si512(lanes, v);
  uint64_t t = 0;
  for (uint64_t l : lanes) t += l;
  return t;
}

__attribute__((target("avx512f"))) inline u128 fold_avx512(__m512i s0, __m512i s1, __m512i c) {
  const __m512i s = _mm512_add_epi64(s0, s1);
  c = _mm512_mask_add_epi64(c, _mm512_cmplt_epu64_mask(s, s0), c, _mm512_set1_epi64(1));
  const uint64_t lo = lane_sum(_mm512_and_si512(s, _mm512_set1_epi64(0xFFFFFFFF)));
  const uint64_t hi = lane_sum(_mm512_maskz_srli_epi64(0xFF, s, 32));
  const uint64_t wraps = lane_sum(c);
  return lo + (static_cast<u128>(hi) << 32) + (static_cast<u128>(wraps) << 64);
}

template <int R>
__attribute__((target("avx512f"))) void rows_avx512(const Dom* rows, ptrdiff_t stride,
                                                     const Dom* x, uint32_t n, u128* out) {
  const __m512i one = _mm512_set1_epi64(1);
  __m512i s0[R], s1[R], c[R];
  for (int r = 0; r < R; ++r) s0[r] = s1[r] = c[r] = _mm512_setzero_si512();
  uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m512i b = _mm512_loadu_si512(x + i);
    const __m512i b_odd = _mm512_maskz_srli_epi64(0xFF, b, 32);
    for (int r = 0; r < R; ++r) {
      const __m512i a = _mm512_loadu_si512(rows + r * stride + i);
      const __m512i even = _mm512_maskz_mul_epu32(0xFF, a, b);
      const __m512i odd = _mm512_maskz_mul_epu32(0xFF, _mm512_maskz_srli_epi64(0xFF, a, 32), b_odd);
      s0[r] = _mm512_add_epi64(s0[r], even);
      c[r] = _mm512_mask_add_epi64(c[r], _mm512_cmplt_epu64_mask(s0[r], even), c[r], one);
      s1[r] = _mm512_add_epi64(s1[r], odd);
      c[r] = _mm512_mask_add_epi64(c[r], _mm512_cmplt_epu64_mask(s1[r], odd), c[r], one);
    }
  }
  for (int r = 0; r < R; ++r)
    out[r] = fold_avx512(s0[r], s1[r], c[r]) + scalar_sum(rows + r * stride + i, x + i, n - i);
}

// With the 52-bit multiply-adds: a product of two words below 2^32 is its
// low 52 bits plus 2^52 times its high 12 bits, added into two lanes that
// need no wrap count as long as a lane takes at most 2^12 low parts.  Even
// and odd entries go to the same lanes.
constexpr uint32_t kIfmaRun = 16 * 2048;  // entries per run: 2^12 low parts per lane

// One row's sixteen entries a (read under the block's mask) against x's
// even and odd entries split into 64-bit lanes, into the row's lanes.
__attribute__((target("avx512f,avx512ifma"), always_inline)) inline void ifma_row(
    __m512i a, __m512i b_even, __m512i b_odd, __m512i& lo, __m512i& hi) {
  const __m512i a_even = _mm512_and_si512(a, _mm512_set1_epi64(0xFFFFFFFF));
  const __m512i a_odd = _mm512_maskz_srli_epi64(0xFF, a, 32);
  lo = _mm512_madd52lo_epu64(lo, a_even, b_even);
  hi = _mm512_madd52hi_epu64(hi, a_even, b_even);
  lo = _mm512_madd52lo_epu64(lo, a_odd, b_odd);
  hi = _mm512_madd52hi_epu64(hi, a_odd, b_odd);
}

// Adds each row's lanes into its total.
template <int R>
__attribute__((target("avx512f,avx512ifma"), always_inline)) inline void fold_ifma(
    const __m512i* lo, const __m512i* hi, u128* out) {
  for (int r = 0; r < R; ++r) {
    alignas(64) uint64_t l[8], h[8];
    _mm512_store_si512(l, lo[r]);
    _mm512_store_si512(h, hi[r]);
    u128 t = 0;
    for (int k = 0; k < 8; ++k) t += l[k] + (static_cast<u128>(h[k]) << 52);
    out[r] += t;
  }
}

template <int R>
__attribute__((target("avx512f,avx512ifma"))) void rows_ifma(const Dom* rows, ptrdiff_t stride,
                                                             const Dom* x, uint32_t n, u128* out) {
  for (int r = 0; r < R; ++r) out[r] = 0;
  for (uint32_t i = 0; i < n;) {
    const uint32_t end = n - i > kIfmaRun ? i + kIfmaRun : n;
    __m512i lo[R], hi[R];
    for (int r = 0; r < R; ++r) lo[r] = hi[r] = _mm512_setzero_si512();
    for (; i < end; i += 16) {
      // The last block of a row is read under a mask: no scalar tail.
      const __mmask16 m = end - i >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << (end - i)) - 1);
      const __m512i b = _mm512_maskz_loadu_epi32(m, x + i);
      const __m512i b_even = _mm512_and_si512(b, _mm512_set1_epi64(0xFFFFFFFF));
      const __m512i b_odd = _mm512_maskz_srli_epi64(0xFF, b, 32);
      for (int r = 0; r < R; ++r)
        ifma_row(_mm512_maskz_loadu_epi32(m, rows + r * stride + i), b_even, b_odd, lo[r], hi[r]);
    }
    fold_ifma<R>(lo, hi, out);
  }
}

// Runs of eight rows or more share one x, split once per call into 64-bit
// lanes: per block of sixteen entries, its eight even entries and then its
// eight odd ones (zero past n).  The rows' own split stays in the loop; x's
// leaves it, and eight rows keep both multiply-add ports busy.
__attribute__((target("avx512f"))) void split_x(const Dom* x, uint32_t n, uint64_t* out) {
  const __m512i low = _mm512_set1_epi64(0xFFFFFFFF);
  for (uint32_t i = 0; i < n; i += 16) {
    const __mmask16 m = n - i >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << (n - i)) - 1);
    const __m512i b = _mm512_maskz_loadu_epi32(m, x + i);
    _mm512_store_si512(out + i, _mm512_and_si512(b, low));
    _mm512_store_si512(out + i + 8, _mm512_maskz_srli_epi64(0xFF, b, 32));
  }
}

// One block of sixteen entries of R rows (read under mask m: the last,
// partial block only) into the lanes lo and hi.
template <int R>
__attribute__((target("avx512f,avx512ifma"), always_inline)) inline void split_block(
    const Dom* rows, ptrdiff_t stride, const uint64_t* xs, uint32_t i, __mmask16 m, __m512i* lo,
    __m512i* hi) {
  const __m512i b_even = _mm512_load_si512(xs + i);
  const __m512i b_odd = _mm512_load_si512(xs + i + 8);
  for (int r = 0; r < R; ++r)
    ifma_row(_mm512_maskz_loadu_epi32(m, rows + r * stride + i), b_even, b_odd, lo[r], hi[r]);
}

template <int R>
__attribute__((target("avx512f,avx512ifma"))) void rows_ifma_split(const Dom* rows,
                                                                   ptrdiff_t stride,
                                                                   const uint64_t* xs, uint32_t n,
                                                                   u128* out) {
  for (int r = 0; r < R; ++r) out[r] = 0;
  __m512i lo[R], hi[R];
  uint32_t i = 0;
  while (i + 16 <= n) {
    const uint32_t end = n - i > kIfmaRun ? i + kIfmaRun : n & ~15u;
    for (int r = 0; r < R; ++r) lo[r] = hi[r] = _mm512_setzero_si512();
    for (; i < end; i += 16) split_block<R>(rows, stride, xs, i, __mmask16(0xFFFF), lo, hi);
    fold_ifma<R>(lo, hi, out);
  }
  if (i < n) {
    for (int r = 0; r < R; ++r) lo[r] = hi[r] = _mm512_setzero_si512();
    split_block<R>(rows, stride, xs, i, __mmask16((1u << (n - i)) - 1), lo, hi);
    fold_ifma<R>(lo, hi, out);
  }
}

using SumKernel = u128 (*)(const Dom*, const Dom*, uint32_t);

// Read once at load time.
const SumKernel kSum = [] {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && avx512_allowed()) return &sum_avx512;
  if (__builtin_cpu_supports("avx2")) return &sum_avx2;
  return &scalar_sum;
}();
#else
constexpr auto kSum = &scalar_sum;
#endif

}  // namespace

Dom dot_product_u32(const Dom* row, const Dom* x, uint32_t n, uint32_t p) {
  return reduce(kSum(row, x, n), p);
}

namespace {

// Exact totals of R rows against x.
using RowsKernel = void (*)(const Dom*, ptrdiff_t, const Dom*, uint32_t, u128*);

template <int R>
void rows_plain(const Dom* rows, ptrdiff_t stride, const Dom* x, uint32_t n, u128* out) {
  for (int r = 0; r < R; ++r) out[r] = scalar_sum(rows + r * stride, x, n);
}

// Exact totals of R rows against x split by split_x.
using SplitRowsKernel = void (*)(const Dom*, ptrdiff_t, const uint64_t*, uint32_t, u128*);

// One form for 1, 2, 3 and 4 rows at a time; the widest also for runs of
// eight rows against a split x (null in the others).
struct RowsForm {
  RowsKernel by_rows[4];
  SplitRowsKernel split_rows[8];
};

template <template <int> class K>
constexpr RowsForm form_of() {
  return RowsForm{{K<1>::run, K<2>::run, K<3>::run, K<4>::run}, {}};
}
template <int R> struct Plain { static constexpr RowsKernel run = &rows_plain<R>; };
#if defined(__x86_64__)
template <int R> struct Avx2 { static constexpr RowsKernel run = &rows_avx2<R>; };
template <int R> struct Avx512 { static constexpr RowsKernel run = &rows_avx512<R>; };
template <int R> struct Ifma { static constexpr RowsKernel run = &rows_ifma<R>; };

constexpr RowsForm ifma_form() {
  RowsForm f = form_of<Ifma>();
  f.split_rows[0] = &rows_ifma_split<1>;
  f.split_rows[1] = &rows_ifma_split<2>;
  f.split_rows[2] = &rows_ifma_split<3>;
  f.split_rows[3] = &rows_ifma_split<4>;
  f.split_rows[4] = &rows_ifma_split<5>;
  f.split_rows[5] = &rows_ifma_split<6>;
  f.split_rows[6] = &rows_ifma_split<7>;
  f.split_rows[7] = &rows_ifma_split<8>;
  return f;
}
#endif

// The entries a group of rows [r, r + R) reads: as far as its longest row,
// in whole blocks of sixteen (all n without lengths).
uint32_t group_length(const uint32_t* lengths, uint32_t r, uint32_t R, uint32_t n) {
  if (lengths == nullptr) return n;
  uint32_t len = 0;
  for (uint32_t k = r; k < r + R; ++k) len = std::max(len, lengths[k]);
  return std::min((len + 15) & ~15u, n);
}

// Four rows at a time, the last one to three together, each total reduced
// without a division.
void rows_with(const RowsForm& f, const Dom* rows, ptrdiff_t stride, uint32_t count,
               const uint32_t* lengths, const Dom* x, uint32_t n, uint32_t p, Dom* out) {
  const Reducer reduce_p(p);
  u128 t[8];
#if defined(__x86_64__)
  if (f.split_rows[0] != nullptr && count >= 8) {
    // Not thread_local: a thread's first use would register its destructor,
    // which the C library cannot do without memory (it aborts).
    sparse_detail::AlignedBuf<uint64_t> xs((size_t(n) + 15) & ~size_t(15));
    split_x(x, n, xs.data());
    for (uint32_t r = 0; r < count; r += 8) {
      const uint32_t R = std::min(count - r, 8u);
      f.split_rows[R - 1](rows + r * stride, stride, xs.data(), group_length(lengths, r, R, n), t);
      for (uint32_t k = 0; k < R; ++k) out[r + k] = reduce_p(t[k]);
    }
    return;
  }
#endif
  for (uint32_t r = 0; r < count; r += 4) {
    const uint32_t R = std::min(count - r, 4u);
    f.by_rows[R - 1](rows + r * stride, stride, x, group_length(lengths, r, R, n), t);
    for (uint32_t k = 0; k < R; ++k) out[r + k] = reduce_p(t[k]);
  }
}

#if defined(__x86_64__)
// Read once at load time, as the single-row kernel.
const RowsForm kRows = [] {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512ifma") && avx512_allowed()) return ifma_form();
  if (__builtin_cpu_supports("avx512f") && avx512_allowed()) return form_of<Avx512>();
  if (__builtin_cpu_supports("avx2")) return form_of<Avx2>();
  return form_of<Plain>();
}();
#else
const RowsForm kRows = form_of<Plain>();
#endif

}  // namespace

void dot_products_u32(const Dom* rows, ptrdiff_t stride, uint32_t count, const Dom* x, uint32_t n,
                      uint32_t p, Dom* out) {
  rows_with(kRows, rows, stride, count, nullptr, x, n, p, out);
}

void dot_products_u32(const Dom* rows, ptrdiff_t stride, uint32_t count, const uint32_t* lengths,
                      const Dom* x, uint32_t n, uint32_t p, Dom* out) {
  rows_with(kRows, rows, stride, count, lengths, x, n, p, out);
}

#if defined(__x86_64__)
// The tops pay where the AVX2 form runs: the wider forms sum without them.
const bool kTakesTops = kRows.by_rows[0] == &rows_avx2<1>;
#else
constexpr bool kTakesTops = false;
#endif

bool dot_products_u32_take_tops() { return kTakesTops; }

void residue_tops(const Dom* v, size_t n, int16_t* out) {
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<int16_t>(v[i] >> 20);
}

void dot_products_u32_tops(const Dom* rows, const int16_t* tops, ptrdiff_t stride,
                           uint32_t count, const uint32_t* lengths, const Dom* x,
                           const int16_t* x_tops, uint32_t n, uint32_t p, Dom* out) {
#if defined(__x86_64__)
  if (kTakesTops) {
    using TopsKernel = void (*)(const Dom*, const int16_t*, ptrdiff_t, const Dom*,
                                const int16_t*, uint32_t, u128*);
    static constexpr TopsKernel kByRows[4] = {&rows_avx2_tops<1>, &rows_avx2_tops<2>,
                                              &rows_avx2_tops<3>, &rows_avx2_tops<4>};
    const Reducer reduce_p(p);
    u128 t[4];
    for (uint32_t r = 0; r < count; r += 4) {
      const uint32_t R = std::min(count - r, 4u);
      kByRows[R - 1](rows + r * stride, tops + r * stride, stride, x, x_tops,
                     group_length(lengths, r, R, n), t);
      for (uint32_t k = 0; k < R; ++k) out[r + k] = reduce_p(t[k]);
    }
    return;
  }
#endif
  (void)tops;
  (void)x_tops;
  rows_with(kRows, rows, stride, count, lengths, x, n, p, out);
}

std::vector<DotRowsKernel> dot_products_u32_kernels() {
  std::vector<RowsForm> forms{form_of<Plain>()};
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2")) forms.push_back(form_of<Avx2>());
  if (__builtin_cpu_supports("avx512f")) forms.push_back(form_of<Avx512>());
  if (__builtin_cpu_supports("avx512ifma")) forms.push_back(ifma_form());
#endif
  std::vector<DotRowsKernel> all;
  for (const RowsForm& f : forms)
    all.push_back([f](const Dom* rows, ptrdiff_t stride, uint32_t count, const uint32_t* lengths,
                      const Dom* x, uint32_t n, uint32_t p, Dom* out) {
      rows_with(f, rows, stride, count, lengths, x, n, p, out);
    });
  return all;
}

std::vector<Dom (*)(const Dom*, const Dom*, uint32_t, uint32_t)> dot_product_u32_kernels() {
  std::vector<Dom (*)(const Dom*, const Dom*, uint32_t, uint32_t)> all{
      [](const Dom* r, const Dom* x, uint32_t n, uint32_t p) { return reduce(scalar_sum(r, x, n), p); }};
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2"))
    all.push_back([](const Dom* r, const Dom* x, uint32_t n, uint32_t p) {
      return reduce(sum_avx2(r, x, n), p);
    });
  if (__builtin_cpu_supports("avx512f"))
    all.push_back([](const Dom* r, const Dom* x, uint32_t n, uint32_t p) {
      return reduce(sum_avx512(r, x, n), p);
    });
#endif
  return all;
}

}  // namespace zel::ZEL_BUILD
