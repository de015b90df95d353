// Modular dot products of a dense row with a vector.
//
// Every product is accumulated exactly (64 bits for 16-bit residues, 128 bits
// for 32-bit ones) and reduced once, so one division per output coordinate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/variant.hpp"
#include "sparse/descriptor.hpp"

namespace zel::ZEL_BUILD {

// Unsigned residues in [0, p): sum row[i]*x[i] for i < n, mod p, summed from
// entry 0 up.
Dom dot_product_dense(const Dom* row, const Dom* x, uint32_t n, uint32_t p);

// out[v][r] := row r . x[v] mod p for r < count and every vector v, the
// rows n apart: a block of rows against every vector while it is in cache,
// so that a matrix larger than the cache is read once, not once a vector.
void dot_products_of_vectors(const Dom* rows, uint32_t count, uint32_t n,
                             const std::vector<const Dom*>& x, uint32_t p,
                             const std::vector<Dom*>& out);

#ifdef ZEL_VARIANT_INT
// The integer build's form of dot_product_dense: the widest vector kernel
// of the processor.
Dom dot_product_u32(const Dom* row, const Dom* x, uint32_t n, uint32_t p);
// Every kernel the processor can run, the plain loop first (for the tests).
std::vector<Dom (*)(const Dom*, const Dom*, uint32_t, uint32_t)> dot_product_u32_kernels();
// count rows (row r at rows + r*stride, stride of any sign) against one x:
// out[r] := row r . x mod p over n entries.  The dense rows' product: the
// vector kernels take four rows per load of x and reduce without division.
void dot_products_u32(const Dom* rows, ptrdiff_t stride, uint32_t count, const Dom* x, uint32_t n,
                      uint32_t p, Dom* out);
// The same when row r is zero past its first lengths[r] entries (at most n):
// a group of rows sharing a load of x reads only as far as its longest.
void dot_products_u32(const Dom* rows, ptrdiff_t stride, uint32_t count, const uint32_t* lengths,
                      const Dom* x, uint32_t n, uint32_t p, Dom* out);
// The dense rows' product of the change of order, given beside the rows
// and x their entries' top bits (residue_tops, the rows' at the same
// stride): the AVX2 form then checks its wrapped sums against the tops'
// products instead of summing the products' high words, which leaves the
// multiplier to the products.  Worth making the tops only when
// dot_products_u32_take_tops(); otherwise the call is dot_products_u32's.
bool dot_products_u32_take_tops();
void residue_tops(const Dom* v, size_t n, int16_t* out);
void dot_products_u32_tops(const Dom* rows, const int16_t* tops, ptrdiff_t stride,
                           uint32_t count, const uint32_t* lengths, const Dom* x,
                           const int16_t* x_tops, uint32_t n, uint32_t p, Dom* out);
// Every form the processor can run, the plain loops first (for the tests).
using DotRowsKernel = std::function<void(const Dom*, ptrdiff_t, uint32_t, const uint32_t*,
                                         const Dom*, uint32_t, uint32_t, Dom*)>;
std::vector<DotRowsKernel> dot_products_u32_kernels();
#endif

// The exact scalar form, summing from the last entry down; the block-Hankel
// layer's product.  Prime-field build: symmetric residues, t mod p for
// t = sum row[i]*x[i] brought into [-(p-1)/2, (p-1)/2].  Integer build:
// residues in [0, p), the 128-bit sum mod p.
Coord dot_product_dense_C(const Coord* row, const Coord* x, uint32_t n, uint32_t p);

// The residue of a signed total, folded into [-(p-1)/2, (p-1)/2].
inline int16_t fold_symmetric(int64_t t, uint32_t p) {
  const int64_t P = p, half = (P - 1) / 2;
  int64_t r = t % P;  // the sign of t
  if (r < -half) r += P;
  else if (r > half) r -= P;
  return static_cast<int16_t>(r);
}

// Prime-field build: the vector form of dot_product_dense_C for n a multiple
// of 8, 16-bit multiply-adds into 32-bit lanes widened into 64-bit sums; the
// row on a 16-byte boundary.  The prefetching variant is the kernel of the
// sparse FGLM product.
int16_t dot_product_dense_sse(const int16_t* row, const int16_t* x, uint32_t n, uint32_t p);
int16_t dot_product_dense_sse_prefetch(const int16_t* row, const int16_t* x, uint32_t n,
                                       uint32_t p);
// The same on the widest vectors the processor has (chosen at load time),
// any n a multiple of 8, rows on a 16-byte boundary: the kernel of the
// sparse FGLM product.  Every form the processor can run, the 128-bit one
// first, for the tests.
int16_t dot_product_dense_wide(const int16_t* row, const int16_t* x, uint32_t n, uint32_t p);
std::vector<int16_t (*)(const int16_t*, const int16_t*, uint32_t, uint32_t)>
dot_product_dense_wide_kernels();
// 2, 4 or 8 rows against one x, sharing each load of x: res[r] := the
// symmetric dot product of rows[r] and x, each reduced on its own.
void dot_product_dense_sse2(int16_t* const* res, const int16_t* const* rows, const int16_t* x,
                            uint32_t n, uint32_t p);
void dot_product_dense_sse4(int16_t* const* res, const int16_t* const* rows, const int16_t* x,
                            uint32_t n, uint32_t p);
void dot_product_dense_sse8(int16_t* const* res, const int16_t* const* rows, const int16_t* x,
                            uint32_t n, uint32_t p);

// The dot product of two vectors of n residues in [0, p) modulo the current
// prime, for unpadded rows (dense_matrix).
Dom dot_product(const Dom* a, const Dom* b, int32_t n);

}  // namespace zel::ZEL_BUILD
