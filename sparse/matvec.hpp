// y = T x for the matrix of the descriptor: every copy row, then every dense
// row.  y and x are distinct vectors of align_vector_size(D) slots; the
// padding slots of x and of the rows are zero.
#pragma once

#include <cstdint>
#include <vector>

#include "sparse/descriptor.hpp"

namespace zel::ZEL_BUILD {

// Sparse FGLM path of the prime-field build: copy pairs of w_sparse, then
// the dense rows of w_cfs_tab (row list[i] is table entry i, k of them)
// with the vector dot product, cut into ranges that the worker team shares
// (engine/f4/team_ranges: on the calling thread alone when small).
// Symmetric residues.
void apply2v(Coord* y, const Coord* x, int32_t D, const int32_t* list, int32_t k);

// The threaded dense part of apply2v.
void dense_matrix_I32_align_vect_openmp(Coord* y, const Coord* x, int32_t D,
                                        const int32_t* list, int32_t k, Coord* const* tab);

// Copy pairs of w_sparse, then the contiguous dense rows w_cfs in the order
// of w_nosp.  Unsigned residues in [0, p): the integer build's FGLM path and
// the scalar Wiedemann path of both builds.
void apply2(Dom* y, const Dom* x, int32_t D);

// As apply2 with the copy rows in single-index form: y[i] = x[i+1].
void apply(Dom* y, const Dom* x, int32_t D);

// Integer build: copy pairs, then the contiguous rows of w_cfs in the order
// of the row list (dense_matrix_I32_align_vect).  No caller in the library.
void apply2v(Dom* y, const Dom* x, int32_t D, const int32_t* list, int32_t k);

// While one lives (integer build), the dense-row product reads each row of
// w_cfs only up to its last non-zero entry, found when it is made: in a
// multiplication matrix the row of b holds the normal form of z*b, whose
// monomials precede z*b, so rows end early.  Where the processor's kernel
// takes them and the rows are few enough to stay in cache, it also keeps
// the top bits of every entry for dot_products_u32_tops.  The rows must not
// change meanwhile.
class TrimmedDenseRows {
 public:
  explicit TrimmedDenseRows(int32_t D);
  ~TrimmedDenseRows();
  TrimmedDenseRows(const TrimmedDenseRows&) = delete;
  TrimmedDenseRows& operator=(const TrimmedDenseRows&) = delete;

 private:
  std::vector<uint32_t> lengths_;
  std::vector<int16_t> tops_;
  const uint32_t* previous_;
  const int16_t* previous_tops_;
};

// The dense-row kernels over unsigned residues in [0, p), each output
// coordinate one exact sum reduced once:
// aligned contiguous rows w_cfs in the order of the pairs of w_nosp, serial;
void dense_matrix_I32_align(Dom* y, const Dom* x, int32_t D);
// aligned contiguous rows w_cfs, row i of the block being row list[i] of T
// (k rows); the prime-field build shares them among the worker team's
// threads in ranges of rows;
void dense_matrix_I32_align_vect(Dom* y, const Dom* x, int32_t D, const int32_t* list,
                                 int32_t k);
// packed rows: row r of w_nosp, first column c, holds only its entries
// c .. D-1, the rows following one another in w_cfs without padding;
void dense_matrix_I32(Dom* y, const Dom* x, int32_t D);
// unpadded rows of D entries one after another in w_cfs, with dot_product.
void dense_matrix(Dom* y, const Dom* x, int32_t D);

// Non-zero entries of all dense rows (D entries each): over w_cfs_tab in the
// prime-field build's FGLM path, over w_cfs otherwise.
uint64_t sparsity_align(int32_t D, bool row_table);
// The two forms by name: the contiguous rows w_cfs; the row table w_cfs_tab
// (prime-field build; serial).
uint64_t sparsity_align2(int32_t D);
uint64_t sparsity_align2_openmp(int32_t D);

// The sum mod p of the diagonal entries T[r][r] of the dense rows, one
// conditional subtraction per addition: over the row table w_cfs_tab in the
// prime-field build, over the contiguous rows w_cfs in the integer build.
// Copy rows add nothing: in a multiplication matrix z*m is never m, so no
// copy row lies on the diagonal.
void compute_trace2(Dom* result, int32_t D);
Dom dense_trace_I32_align(int32_t D);          // contiguous rows w_cfs
Dom dense_trace_I32_align_openmp(int32_t D);   // row table w_cfs_tab (serial)

// The next 16-byte boundary strictly above `address` (an aligned address
// moves up by 16), for rows taken from the heap with 16 bytes to spare.
void* realign_ptr(void* address);

// Number of dense rows listed in w_nosp.
int32_t count_dense_rows();

}  // namespace zel::ZEL_BUILD
