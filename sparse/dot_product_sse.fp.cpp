// The vector dot product of the prime-field build.  Entries lie in the
// symmetric range, |a| <= 32768, so each 16x16-bit product and each sum of
// two adjacent products fits a signed 32-bit lane; the lanes are widened to
// 64 bits before they are added up, so no total can overflow.
#include "sparse/dot_product.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zel::ZEL_BUILD {

#if defined(__SSE2__)

namespace {

// acc += the four signed 32-bit lanes of v, sign-extended to 64 bits.
inline __m128i add_widened(__m128i acc, __m128i v) {
  const __m128i sign = _mm_srai_epi32(v, 31);
  return _mm_add_epi64(acc, _mm_add_epi64(_mm_unpacklo_epi32(v, sign),
                                          _mm_unpackhi_epi32(v, sign)));
}

inline __m128i block(const int16_t* row, const int16_t* x, uint32_t off) {
  return _mm_madd_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(row + off)),
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + off)));
}

inline int64_t total(__m128i a, __m128i b) {
  alignas(16) int64_t lanes[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_add_epi64(a, b));
  return lanes[0] + lanes[1];
}

template <bool kPrefetch>
int16_t dot_sse(const int16_t* row, const int16_t* x, uint32_t n, uint32_t p) {
  __m128i acc0 = _mm_setzero_si128(), acc1 = _mm_setzero_si128();
  uint32_t off = n;  // walks down, one block of 8 entries at a time
  // Lead-in: single blocks until a multiple of four blocks remains.
  for (uint32_t lead = (n / 8) % 4; lead > 0; --lead) {
    off -= 8;
    acc0 = add_widened(acc0, block(row, x, off));
  }
  while (off > 0) {
    off -= 32;
    if constexpr (kPrefetch) {
      if (off >= 32) {
        _mm_prefetch(reinterpret_cast<const char*>(row + off - 32), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(x + off - 32), _MM_HINT_T0);
      }
    }
    acc0 = add_widened(acc0, block(row, x, off + 24));
    acc1 = add_widened(acc1, block(row, x, off + 16));
    acc0 = add_widened(acc0, block(row, x, off + 8));
    acc1 = add_widened(acc1, block(row, x, off));
  }
  return fold_symmetric(total(acc0, acc1), p);
}

// R rows against one x: each block of x is loaded once for all rows.
template <int R>
void dot_sse_rows(int16_t* const* res, const int16_t* const* rows, const int16_t* x, uint32_t n,
                  uint32_t p) {
  __m128i acc[R];
  for (int r = 0; r < R; ++r) acc[r] = _mm_setzero_si128();
  for (uint32_t off = n; off > 0;) {
    off -= 8;
    const __m128i xv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + off));
    for (int r = 0; r < R; ++r)
      acc[r] = add_widened(
          acc[r], _mm_madd_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(rows[r] + off)), xv));
  }
  for (int r = 0; r < R; ++r) *res[r] = fold_symmetric(total(acc[r], _mm_setzero_si128()), p);
}

}  // namespace

int16_t dot_product_dense_sse(const int16_t* row, const int16_t* x, uint32_t n, uint32_t p) {
  return dot_sse<false>(row, x, n, p);
}

int16_t dot_product_dense_sse_prefetch(const int16_t* row, const int16_t* x, uint32_t n,
                                       uint32_t p) {
  return dot_sse<true>(row, x, n, p);
}

void dot_product_dense_sse2(int16_t* const* res, const int16_t* const* rows, const int16_t* x,
                            uint32_t n, uint32_t p) {
  dot_sse_rows<2>(res, rows, x, n, p);
}
void dot_product_dense_sse4(int16_t* const* res, const int16_t* const* rows, const int16_t* x,
                            uint32_t n, uint32_t p) {
  dot_sse_rows<4>(res, rows, x, n, p);
}
void dot_product_dense_sse8(int16_t* const* res, const int16_t* const* rows, const int16_t* x,
                            uint32_t n, uint32_t p) {
  dot_sse_rows<8>(res, rows, x, n, p);
}

#else  // no 128-bit integer vectors: the exact scalar form

int16_t dot_product_dense_sse(const int16_t* row, const int16_t* x, uint32_t n, uint32_t p) {
  return dot_product_dense_C(row, x, n, p);
}

int16_t dot_product_dense_sse_prefetch(const int16_t* row, const int16_t* x, uint32_t n,
                                       uint32_t p) {
  return dot_product_dense_C(row, x, n, p);
}

namespace {
template <int R>
void dot_rows(int16_t* const* res, const int16_t* const* rows, const int16_t* x, uint32_t n,
              uint32_t p) {
  for (int r = 0; r < R; ++r) *res[r] = dot_product_dense_C(rows[r], x, n, p);
}
}  // namespace

void dot_product_dense_sse2(int16_t* const* res, const int16_t* const* rows, const int16_t* x,
                            uint32_t n, uint32_t p) {
  dot_rows<2>(res, rows, x, n, p);
}
void dot_product_dense_sse4(int16_t* const* res, const int16_t* const* rows, const int16_t* x,
                            uint32_t n, uint32_t p) {
  dot_rows<4>(res, rows, x, n, p);
}
void dot_product_dense_sse8(int16_t* const* res, const int16_t* const* rows, const int16_t* x,
                            uint32_t n, uint32_t p) {
  dot_rows<8>(res, rows, x, n, p);
}

#endif

}  // namespace zel::ZEL_BUILD
