// The block-Hankel generator of a block Wiedemann session.
//
// bk processes each ran the Krylov iteration from their own start vector and
// kept bk random combinations of the coordinates of every step
// (session_projection.hpp): sequence j holds step t of
// process j+1 at positions t*bk .. t*bk+bk-1.  Arranged as bk x bk blocks
// H_t (row j of H_t is step t of process j+1), they have a matrix generator
// MX_0 .. MX_len with MX_len = I and
//     sum_k H_(i+k) MX_k = 0   for i = 0 .. len-1;
// its determinant is the characteristic polynomial of the iterated matrix
// when len*bk is its order and the projections are generic.
#pragma once

#include <cstdint>

#include "sparse/block_matrix.hpp"

namespace zel::ZEL_BUILD {

// Solves for MX_0 .. MX_len from the 2*len blocks of bk sequences of
// 2*len*bk residues each (the block representation of block_matrix.hpp).
// MX holds len+1 caller-owned bk x bk matrices.  The work space (about
// len^2 blocks) is taken from the heap and freed on return.  A singular
// pivot block ends the process with status 4; the integer build ends with
// status 5 at its first inversion.  Timing lines go to the error streams;
// verbose also prints MX_0 .. MX_len on the standard output.
void fglm_polys(MatEntry* const* MX, const MatEntry* const* seqs, int32_t bk, int32_t len,
                int32_t verbose);

}  // namespace zel::ZEL_BUILD

// The exported entry of fglm_polys (Zel_fglm_polys / Zel_int_fglm_polys).
// bk >= 1, len >= 1, non-null tables and a usable prime set by
// Zel_init_BlockHankel, else status 3.  Returns 0.
ZEL_EXPORT int32_t ZEL_C(fglm_polys)(zel::ZEL_BUILD::MatEntry** MX,
                                     zel::ZEL_BUILD::MatEntry** seqs, int32_t bk, int32_t len,
                                     int32_t verbose);
