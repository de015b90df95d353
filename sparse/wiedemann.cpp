// Scalar Wiedemann: s(i) = u . T^i b for i < 2D from two random vectors, and
// the minimal polynomial of that sequence by Berlekamp-Massey.  Only two
// iteration vectors are kept: the sequence is all the later steps need.
#include <cstdio>
#include <utility>
#include <vector>

#include "engine/mem/zone.hpp"
#include "sparse/aligned.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/fglm.hpp"
#include "sparse/matvec.hpp"
#include "sparse/messages.hpp"
#include "sparse/recurrence.hpp"

namespace zel::ZEL_BUILD {

namespace {

void progress(int32_t i) {
  if (i % 1024 == 0) {
    std::fprintf(err_stream(), "[%d]", i / 2);
    std::fflush(stderr);
  }
}

void print_vector(int32_t i, const Dom* y, int32_t D) {
  std::printf("span A^%d b = [", i);
  for (int32_t j = 0; j < D; ++j) {
    if (j > 0) std::fputs(",", stdout);
    if constexpr (kIntegerBuild)
      std::printf(" %u ", static_cast<unsigned>(y[j]));
    else
      std::printf(" %d ", static_cast<int>(static_cast<int16_t>(y[j])));
  }
  std::fputs("]:\n", stdout);
}

// pairs: copy rows in pair form (apply2) and the lines of the pair-form
// entry; otherwise single-index copy rows (apply) and no extra lines.
MinpolyOut run(int32_t D, int32_t sqfr, bool pairs) {
  FILE* err = err_stream();
  const double t0 = delay();
  if (pairs) std::fprintf(err, "want_sqrt=%d\n", sqfr);
  const uint32_t p = current_prime(), n = align_vector_size(static_cast<uint32_t>(D));
  sparse_detail::AlignedBuf<Dom> u(n), xb(n), yb(n);
  Dom* x = xb.data();
  Dom* y = yb.data();
  choose_random_unsigned(u.data(), D);
  choose_random_unsigned(x, D);
  auto product = [&](Dom* out, const Dom* in) {
    if (pairs)
      apply2(out, in, D);
    else
      apply(out, in, D);
  };

  std::vector<Dom> s(2 * static_cast<size_t>(D) + 1, 0);
  for (int32_t i = 0; i < D; ++i) {
    progress(i);
    if (i > 0) {
      product(y, x);
      std::swap(x, y);
    }
    s[i] = dot_product_dense(u.data(), x, n, p);
  }
  for (int32_t i = D; i < 2 * D; ++i) {
    progress(i);
    product(y, x);
    if (pairs) print_vector(i, y, D);
    s[i] = dot_product_dense(u.data(), y, n, p);
    std::swap(x, y);
  }

  const double t1 = delay();
  std::vector<Dom> K(2 * static_cast<size_t>(D) + 1, 0);
  int32_t dK;
  const int32_t L = berlekamp(s.data(), 2 * D, K.data(), &dK);
  if (pairs) {
    std::fprintf(err, "Trouve un poly de taille %d\n", L);
    std::fprintf(err, "Time for 2nd part: %.2f sec\n", delay() - t1);
  }
  // The minimal polynomial is K reversed by the linear complexity.
  MinpolyOut out;
  out.coeffs = std::vector<Dom>(L + 1, 0);
  for (int32_t i = 0; i <= dK; ++i) out.coeffs[L - i] = K[i];
  out.degree = L;
  int32_t flag = 0;
  if (sqfr) out.degree = sqr_free(out.coeffs.data(), L, &flag);
  std::fprintf(err, "Total time %.2f sec\n", delay() - t0);
  return out;
}

}  // namespace

MinpolyOut minpoly_sparse2(int32_t D, int32_t sqfr) { return run(D, sqfr, true); }

MinpolyOut minpoly_sparse(int32_t D) { return run(D, 0, false); }

}  // namespace zel::ZEL_BUILD
