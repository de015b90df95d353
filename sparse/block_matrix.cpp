#include "sparse/block_matrix.hpp"

#include <cstdio>
#include <vector>

#include "sparse/dot_product.hpp"
#include "sparse/exit.hpp"

namespace zel::ZEL_BUILD {

namespace {

// The block method is the prime-field build's; the integer build ends here.
[[noreturn]] void not_provided(const char* what) {
  std::fprintf(stderr, "NYA %s in blockhankel\n", what);
  sparse_exit(5);
}

[[noreturn]] void singular(const char* message) {
  std::fputs(message, stderr);
  sparse_exit(4);
}

// Any integer as a residue in [0, p).
inline uint32_t residue(int64_t a, uint32_t p) {
  const int64_t r = a % static_cast<int64_t>(p);
  return static_cast<uint32_t>(r < 0 ? r + p : r);
}

// A residue in [0, p) in the build's block representation.
inline MatEntry to_entry(uint32_t r, uint32_t p) {
  if constexpr (kIntegerBuild)
    return r;
  else
    return static_cast<MatEntry>(r > (p - 1) / 2 ? static_cast<int32_t>(r) - static_cast<int32_t>(p)
                                                 : static_cast<int32_t>(r));
}

// s = a + b for entries of the signed range, folded back into it (|s| <= 2h).
// (The prime-field build's only.)
[[maybe_unused]] inline int16_t fold(int32_t s, int32_t p) {
  const int32_t h = (p - 1) / 2;
  return static_cast<int16_t>(s > h ? s - p : s < -h ? s + p : s);
}

}  // namespace

void mult_MatDom1s(const MatEntry* A, const MatEntry* B, MatEntry* R, int32_t bk) {
  const uint32_t p = current_prime();
  // Each column of B once into a contiguous vector: every entry of R is then
  // one contiguous dot product.
  MatEntry small[64];
  std::vector<MatEntry> large;
  MatEntry* col = small;
  if (bk > 64) {
    large.resize(bk);
    col = large.data();
  }
  for (int32_t j = 0; j < bk; ++j) {
    for (int32_t i = 0; i < bk; ++i) col[i] = B[i * bk + j];
    for (int32_t i = 0; i < bk; ++i)
      R[i * bk + j] = dot_product_dense_C(A + i * bk, col, static_cast<uint32_t>(bk), p);
  }
}

void add_MatDom1(const MatEntry* A, const MatEntry* B, MatEntry* R, int32_t bk) {
  if constexpr (kIntegerBuild) {
    not_provided("add_MatDom1");
  } else {
    const int32_t p = static_cast<int32_t>(current_prime());
    for (int32_t k = 0; k < bk * bk; ++k) R[k] = fold(A[k] + B[k], p);
  }
}

void add_MatDom1_d(const MatEntry* A, MatEntry* B, int32_t bk) {
  if constexpr (kIntegerBuild) not_provided("add_MatDom1_d");
  add_MatDom1(A, B, B, bk);
}

void neg_MatDom1(MatEntry* M, int32_t bk) {
  const uint32_t p = current_prime();
  for (int32_t k = 0; k < bk * bk; ++k) {
    if constexpr (kIntegerBuild)
      M[k] = M[k] == 0 ? 0 : p - M[k];
    else
      M[k] = static_cast<MatEntry>(-M[k]);  // the signed range is symmetric
  }
}

void identity_MatDom1(MatEntry* M, int32_t bk) {
  for (int32_t i = 0; i < bk; ++i)
    for (int32_t j = 0; j < bk; ++j) M[i * bk + j] = i == j ? 1 : 0;
}

Dom inv_Dom1(Dom a, uint32_t p) {
  a = static_cast<Dom>(a % p);
  if (a == 0) {
    std::fprintf(stderr, "Le facteur 0 -> %u a ete trouve !\n", p);
    return 0;
  }
  if (a == 1) return 1;
  // p = q a + (p mod a) gives a^-1 = -q (p mod a)^-1; the remainders fall
  // strictly, so the recursion ends at 1 (p is prime).
  const uint32_t q = p / a;
  const uint64_t r = inv_Dom1(static_cast<Dom>(p % a), p);
  return static_cast<Dom>(r * (p - q) % p);
}

int32_t inv_Dom1s(int32_t a, uint32_t p) {
  const Dom r = inv_Dom1(static_cast<Dom>(residue(a, p)), p);
  return static_cast<int32_t>(to_entry(r, p));
}

void inv_MatDom1s(const MatEntry* A, MatEntry* B, int32_t bk) {
  if (bk < 1) singular("Singular matrix: 1st column is 0!\n");
  if constexpr (kIntegerBuild) coerce_Dom1();
  const uint32_t p = current_prime();
  const int32_t w = 2 * bk;
  // [A | I] in residues [0, p); whole row operations are accumulated in
  // 64 bits (each product is below 2^32, at most bk of them per entry) and
  // reduced once per entry.
  std::vector<uint32_t> M(static_cast<size_t>(bk) * w, 0);
  std::vector<uint64_t> acc(w);
  auto row = [&](int32_t i) { return M.data() + static_cast<size_t>(i) * w; };
  for (int32_t i = 0; i < bk; ++i) {
    for (int32_t j = 0; j < bk; ++j) row(i)[j] = residue(A[i * bk + j], p);
    row(i)[bk + i] = 1;
  }
  auto swap_rows = [&](int32_t a, int32_t b) {
    for (int32_t j = 0; j < w; ++j) std::swap(row(a)[j], row(b)[j]);
  };

  // Column 0: every row with a non-zero first entry passes through row 0
  // and is normalised there; row 0 ends as the last of them.
  bool found = false;
  for (int32_t r = 0; r < bk; ++r) {
    if (row(r)[0] == 0) continue;
    if (r > 0) swap_rows(0, r);
    const uint64_t c = inv_Dom1(static_cast<Dom>(row(0)[0]), p);
    row(0)[0] = 1;
    for (int32_t j = 1; j < w; ++j) row(0)[j] = static_cast<uint32_t>(row(0)[j] * c % p);
    found = true;
  }
  if (!found) singular("Singular matrix: 1st column is 0!\n");

  // Forward elimination.  A zero pivot in row k is exchanged with the rows
  // below it in turn, each taking the reduced row k in its place; the matrix
  // is singular only when none of them gives a pivot.
  for (int32_t k = 1; k < bk; ++k) {
    for (int32_t next = k + 1;; ++next) {
      for (int32_t j = 0; j < w; ++j) acc[j] = row(k)[j];
      for (int32_t i = 0; i < k; ++i) {
        const uint64_t c = acc[i] % p;
        acc[i] = 0;
        if (c != 0)
          for (int32_t j = i + 1; j < w; ++j) acc[j] += static_cast<uint64_t>(row(i)[j]) * (p - c);
      }
      const uint64_t d = acc[k] % p;
      if (d != 0) {
        const uint64_t c = inv_Dom1(static_cast<Dom>(d), p);
        row(k)[k] = 1;
        for (int32_t j = k + 1; j < w; ++j) row(k)[j] = static_cast<uint32_t>(acc[j] % p * c % p);
        break;
      }
      if (next >= bk) singular("Singular matrix\n");
      for (int32_t j = 0; j < w; ++j) row(k)[j] = row(next)[j];
      for (int32_t j = 0; j < w; ++j) row(next)[j] = j <= k ? 0 : static_cast<uint32_t>(acc[j] % p);
      std::fprintf(stderr, "Swap row %d and %d\n", k, next);
    }
  }

  // Back substitution on the right half; the rows below i are already
  // reduced to their unit pivot, so only the right half changes.
  for (int32_t i = bk - 1; i >= 0; --i) {
    for (int32_t j = i; j < w; ++j) acc[j] = row(i)[j];
    for (int32_t l = i + 1; l < bk; ++l) {
      const uint64_t c = acc[l] % p;
      acc[l] = 0;
      if (c != 0)
        for (int32_t j = bk; j < w; ++j) acc[j] += static_cast<uint64_t>(row(l)[j]) * (p - c);
    }
    for (int32_t j = i + 1; j < bk; ++j) row(i)[j] = 0;
    for (int32_t j = bk; j < w; ++j) row(i)[j] = static_cast<uint32_t>(acc[j] % p);
  }
  for (int32_t i = 0; i < bk; ++i)
    for (int32_t j = 0; j < bk; ++j) B[i * bk + j] = to_entry(row(i)[bk + j], p);
}

void display_MatDom1(const MatEntry* M, int32_t bk) {
  std::fputs("[", stdout);
  for (int32_t i = 0; i < bk; ++i) {
    std::fputs(i == 0 ? "[" : ",[", stdout);
    for (int32_t j = 0; j < bk; ++j) {
      if (j > 0) std::fputs(",", stdout);
      if constexpr (kIntegerBuild)
        std::printf("%u", static_cast<unsigned>(M[i * bk + j]));
      else
        std::printf("%d", static_cast<int>(M[i * bk + j]));
    }
    std::fputs("]", stdout);
  }
  std::puts("]:");
}

void coerce_Dom1() { not_provided("coerce_Dom1"); }

}  // namespace zel::ZEL_BUILD
