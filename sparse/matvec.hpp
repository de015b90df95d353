// y = T x for the matrix of the descriptor: every copy row, then every dense
// row.  y and x are distinct vectors of align_vector_size(D) slots; the
// padding slots of x and of the rows are zero.
#pragma once

#include <cstdint>

#include "sparse/descriptor.hpp"

namespace zel::ZEL_BUILD {

// Sparse FGLM path of the prime-field build: copy pairs of w_sparse, then
// the dense rows of w_cfs_tab (row list[i] is table entry i, k of them)
// with the vector dot product, cut into ceil(k / nb_threads) chunks that
// OpenMP threads share.  Symmetric residues.
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

// Dense rows over w_nosp and w_cfs, serial.
void dense_matrix_I32_align(Dom* y, const Dom* x, int32_t D);

// Non-zero entries of all dense rows (D entries each): over w_cfs_tab in the
// prime-field build's FGLM path, over w_cfs otherwise.
uint64_t sparsity_align(int32_t D, bool row_table);

// Number of dense rows listed in w_nosp.
int32_t count_dense_rows();

}  // namespace zel::ZEL_BUILD
