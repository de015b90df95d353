#include "sparse/matvec.hpp"

#include <cstring>

#include "engine/mem/zone.hpp"
#include "sparse/dot_product.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Rows that no list names are zero rows: start from a zero vector.
template <class T>
void clear(T* y, int32_t D) {
  std::memset(y, 0, sizeof(T) * align_vector_size(static_cast<uint32_t>(D)));
}

template <class T>
void copy_pairs(T* y, const T* x) {
  for (const int32_t* s = w_sparse; s[0] >= 0; s += 2) y[s[0]] = x[s[1]];
}

}  // namespace

int32_t count_dense_rows() {
  int32_t k = 0;
  for (const int32_t* s = w_nosp; s[0] >= 0; s += 2) ++k;
  return k;
}

void dense_matrix_I32_align(Dom* y, const Dom* x, int32_t D) {
  const uint32_t p = current_prime(), n = align_vector_size(static_cast<uint32_t>(D));
  const Dom* row = w_cfs;
  for (const int32_t* s = w_nosp; s[0] >= 0; s += 2, row += n)
    y[s[0]] = dot_product_dense(row, x, n, p);
}

void apply2(Dom* y, const Dom* x, int32_t D) {
  clear(y, D);
  copy_pairs(y, x);
  dense_matrix_I32_align(y, x, D);
}

void apply(Dom* y, const Dom* x, int32_t D) {
  clear(y, D);
  int32_t count = 0;
  for (const int32_t* s = w_sparse; s[0] >= 0 && count < D; ++s, ++count) y[s[0]] = x[s[0] + 1];
  dense_matrix_I32_align(y, x, D);
}

uint64_t sparsity_align(int32_t D, bool row_table) {
  const uint32_t n = align_vector_size(static_cast<uint32_t>(D));
  const int32_t k = count_dense_rows();
  uint64_t nnz = 0;
  for (int32_t r = 0; r < k; ++r) {
    if (row_table) {
      const Coord* row = w_cfs_tab[r];
      for (int32_t i = 0; i < D; ++i) nnz += row[i] != 0;
    } else {
      const Dom* row = w_cfs + static_cast<uint64_t>(r) * n;
      for (int32_t i = 0; i < D; ++i) nnz += row[i] != 0;
    }
  }
  return nnz;
}

}  // namespace zel::ZEL_BUILD
