// The generator is found by eliminating the block Hankel matrix [H_(i+k)]
// with a three-term recurrence of monic matrix polynomials Q_l (a block
// Lanczos orthogonalisation): row l of the eliminated matrix is
//     T[l][j] = sum_m Q_l[m] H_(m+j),
// zero left of the diagonal, so each new row costs two block products per
// entry instead of a full elimination.  Back substitution then gives MX.
#include "sparse/block_hankel.hpp"

#include <omp.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "sparse/exit.hpp"
#include "sparse/messages.hpp"
#include "sparse/modarith.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Block l of a run of bk x bk blocks.
struct BlockArray {
  size_t sz;
  std::vector<MatEntry> data;
  BlockArray(size_t count, int32_t bk) : sz(static_cast<size_t>(bk) * bk), data(count * sz, 0) {}
  MatEntry* operator[](size_t l) { return data.data() + l * sz; }
};

// The eliminated Hankel matrix: row l keeps T[l][l] .. T[l][2 len-2-l],
// the triangle later steps read.
struct Table {
  int32_t len;
  BlockArray blocks;
  Table(int32_t n, int32_t bk) : len(n), blocks(static_cast<size_t>(n) * n, bk) {}
  // Row l starts after sum_(i<l) (2 len-1-2i) = l (2 len-l) blocks.
  MatEntry* at(int32_t l, int32_t j) {
    return blocks[static_cast<size_t>(l) * (2 * len - l) + (j - l)];
  }
};

void block_hankel1(const MatEntry* const* H, MatEntry* const* MX, int32_t bk, int32_t len,
                   int32_t verbose) {
  const double t0 = omp_get_wtime();
  const size_t sz = static_cast<size_t>(bk) * bk;
  std::fprintf(stderr, "Need to alloc: %lu\n",
               static_cast<unsigned long>(sizeof(MatEntry) * sz * len * len));
  Table T(len, bk);
  BlockArray S(len, bk), inv(len, bk);             // right-hand sides, pivot inverses
  BlockArray Qprev(len, bk), Q(len, bk), Qnext(len, bk);  // coefficients below the leading I
  BlockArray work(4, bk);
  MatEntry *alpha = work[0], *beta = work[1], *t1 = work[2], *t2 = work[3];
  auto copy = [&](MatEntry* to, const MatEntry* from) { std::copy(from, from + sz, to); };
  // R := R + A.B.
  auto addmul = [&](MatEntry* R, const MatEntry* A, const MatEntry* B) {
    mult_MatDom1s(A, B, t1, bk);
    add_MatDom1(R, t1, R, bk);
  };

  copy(S[0], H[len]);
  for (int32_t j = 0; j <= 2 * len - 2; ++j) copy(T.at(0, j), H[j]);

  // First step: Q_1 = x + alpha with alpha = -H_1 H_0^-1, so T[1][0] = 0.
  inv_MatDom1s(H[0], inv[0], bk);
  mult_MatDom1s(H[1], inv[0], alpha, bk);
  neg_MatDom1(alpha, bk);
  copy(Q[0], alpha);
  if (len >= 2) {
    for (int32_t j = 1; j <= 2 * len - 3; ++j) {
      copy(T.at(1, j), H[j + 1]);
      addmul(T.at(1, j), alpha, H[j]);
    }
    copy(S[1], H[len + 1]);
    addmul(S[1], alpha, H[len]);
  }

  for (int32_t l = 1; l <= len - 2; ++l) {
    if (verbose && l % 128 == 0) std::fprintf(stderr, "l=%d\n", l);
    // beta clears column l-1, alpha column l: T[l+1][j] = 0 for j <= l.
    inv_MatDom1s(T.at(l, l), inv[l], bk);
    mult_MatDom1s(T.at(l, l), inv[l - 1], beta, bk);
    neg_MatDom1(beta, bk);
    copy(t2, T.at(l, l + 1));
    addmul(t2, beta, T.at(l - 1, l));
    mult_MatDom1s(t2, inv[l], alpha, bk);
    neg_MatDom1(alpha, bk);

    // Q_(l+1) = x Q_l + alpha Q_l + beta Q_(l-1); Q_l[l] = Q_(l-1)[l-1] = I.
    for (int32_t m = 0; m <= l; ++m) {
      MatEntry* c = Qnext[m];
      if (m == 0)
        std::fill(c, c + sz, MatEntry(0));
      else
        copy(c, Q[m - 1]);
      if (m == l)
        add_MatDom1(c, alpha, c, bk);
      else
        addmul(c, alpha, Q[m]);
      if (m == l - 1)
        add_MatDom1(c, beta, c, bk);
      else if (m < l - 1)
        addmul(c, beta, Qprev[m]);
    }

    for (int32_t j = l + 1; j <= 2 * len - 3 - l; ++j) {
      MatEntry* t = T.at(l + 1, j);
      copy(t, T.at(l, j + 1));
      addmul(t, alpha, T.at(l, j));
      addmul(t, beta, T.at(l - 1, j));
    }
    // S[len-1] lies outside the stored triangle: form the right-hand side
    // from the coefficients directly.
    copy(S[l + 1], H[len + l + 1]);
    for (int32_t m = 0; m <= l; ++m) addmul(S[l + 1], Qnext[m], H[len + m]);
    std::swap(Qprev.data, Q.data);
    std::swap(Q.data, Qnext.data);
  }
  std::fprintf(err_stream(), "\n*** 1st Hankel bk=%d time: %.2f sec\n", bk, omp_get_wtime() - t0);

  // T[l][l] MX_l = -(S[l] + sum_(k>l) T[l][k] MX_k), MX_len = I.
  identity_MatDom1(MX[len], bk);
  if (len >= 2) inv_MatDom1s(T.at(len - 1, len - 1), inv[len - 1], bk);
  for (int32_t l = len - 1; l >= 0; --l) {
    copy(t2, S[l]);
    for (int32_t k = l + 1; k < len; ++k) addmul(t2, T.at(l, k), MX[k]);
    mult_MatDom1s(inv[l], t2, MX[l], bk);
    neg_MatDom1(MX[l], bk);
  }
}

}  // namespace

void fglm_polys(MatEntry* const* MX, const MatEntry* const* seqs, int32_t bk, int32_t len,
                int32_t verbose) {
  if (verbose) std::fprintf(err_stream(), "\nfglm_polys uses %s implementation\n", "dot_product_dense_C");
  const size_t sz = static_cast<size_t>(bk) * bk;
  // Block H_t, row j: step t of process j+1.
  std::vector<MatEntry> blocks(2 * static_cast<size_t>(len) * sz);
  std::vector<const MatEntry*> H(2 * static_cast<size_t>(len));
  for (int32_t t = 0; t < 2 * len; ++t) {
    MatEntry* b = blocks.data() + t * sz;
    for (int32_t j = 0; j < bk; ++j)
      std::copy(seqs[j] + static_cast<size_t>(t) * bk, seqs[j] + static_cast<size_t>(t + 1) * bk,
                b + static_cast<size_t>(j) * bk);
    H[t] = b;
  }
  const double t0 = omp_get_wtime();
  block_hankel1(H.data(), MX, bk, len, verbose);
  std::fprintf(err_stream(), "\nEllapsed time: %.2f sec\n", omp_get_wtime() - t0);
  if (verbose) {
    for (int32_t i = 0; i <= len; ++i) {
      std::printf("MX[%d]=", i);
      display_MatDom1(MX[i], bk);
    }
  }
}

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT int32_t ZEL_C(fglm_polys)(MatEntry** MX, MatEntry** seqs, int32_t bk, int32_t len,
                                     int32_t verbose) try {
  ZEL_ENTRY_CLAIM;
  // The block arithmetic reads the prime through `modulo`, which only an
  // entry of this layer sets.
  if (modulo == nullptr)
    interface_error("%sfglm_polys: no prime, call %sinit_BlockHankel first\n", ZEL_PREFIX, ZEL_PREFIX);
  if (!prime_ok(*modulo))
    interface_error("%sfglm_polys: prime out of range or not a prime\n", ZEL_PREFIX);
  if (MX == nullptr || seqs == nullptr || bk < 1 || len < 1)
    interface_error("%sfglm_polys: needs bk >= 1, len >= 1 and the tables\n", ZEL_PREFIX);
  for (int32_t i = 0; i <= len; ++i)
    if (MX[i] == nullptr) interface_error("%sfglm_polys: null generator block\n", ZEL_PREFIX);
  for (int32_t j = 0; j < bk; ++j)
    if (seqs[j] == nullptr) interface_error("%sfglm_polys: null sequence\n", ZEL_PREFIX);
  fglm_polys(MX, seqs, bk, len, verbose);
  return 0;
} ZEL_SPARSE_ENTRY_CATCH("fglm_polys")
