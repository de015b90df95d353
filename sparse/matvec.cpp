#include "sparse/matvec.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/driver/threads.hpp"
#include "engine/f4/team_ranges.hpp"
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

// Per dense row of w_cfs, the entries the product reads (null: all).
const uint32_t* w_cfs_lengths = nullptr;
// The top bits of the entries of w_cfs, at its stride (null: none made).
const int16_t* w_cfs_tops = nullptr;

#ifdef ZEL_VARIANT_INT
// The tops add half the rows' bytes to what each product reads: past a
// block of this size, which the caches no longer hold with them, the
// product waits on memory and the tops slow it down.
constexpr uint64_t kTopsBlockBytes = uint64_t(3) << 20;
#endif

}  // namespace

TrimmedDenseRows::TrimmedDenseRows(int32_t D)
    : previous_(w_cfs_lengths), previous_tops_(w_cfs_tops) {
  const uint32_t n = align_vector_size(static_cast<uint32_t>(D));
  lengths_.resize(static_cast<size_t>(count_dense_rows()));
  for (size_t r = 0; r < lengths_.size(); ++r) {
    const Dom* row = w_cfs + r * n;
    uint32_t len = n;
    while (len > 0 && row[len - 1] == 0) --len;
    lengths_[r] = len;
  }
  w_cfs_lengths = lengths_.data();
#ifdef ZEL_VARIANT_INT
  const uint64_t entries = uint64_t(lengths_.size()) * n;
  if (dot_products_u32_take_tops() && entries * sizeof(Dom) <= kTopsBlockBytes) {
    tops_.resize(entries);
    residue_tops(w_cfs, entries, tops_.data());
    w_cfs_tops = tops_.data();
  }
#endif
}

TrimmedDenseRows::~TrimmedDenseRows() {
  w_cfs_lengths = previous_;
  w_cfs_tops = previous_tops_;
}

int32_t count_dense_rows() {
  int32_t k = 0;
  for (const int32_t* s = w_nosp; s[0] >= 0; s += 2) ++k;
  return k;
}

void dense_matrix_I32_align(Dom* y, const Dom* x, int32_t D) {
  const uint32_t p = current_prime(), n = align_vector_size(static_cast<uint32_t>(D));
  const Dom* row = w_cfs;
#ifdef ZEL_VARIANT_INT
  // The rows are contiguous: runs of them go to the several-row kernel.
  constexpr uint32_t kRun = 256;
  Dom out[kRun];
  const uint32_t* lengths = w_cfs_lengths;
  const int16_t* tops = w_cfs_tops;
  // Not thread_local: a thread's first use would register its destructor,
  // which the C library cannot do without memory (it aborts).
  std::vector<int16_t> x_tops(tops != nullptr ? n : 0);
  if (tops != nullptr) residue_tops(x, n, x_tops.data());
  for (const int32_t* s = w_nosp; s[0] >= 0;) {
    uint32_t count = 0;
    while (count < kRun && s[2 * count] >= 0) ++count;
    if (tops != nullptr) {
      dot_products_u32_tops(row, tops, n, count, lengths, x, x_tops.data(), n, p, out);
      tops += static_cast<size_t>(count) * n;
    } else {
      dot_products_u32(row, n, count, lengths, x, n, p, out);
    }
    if (lengths != nullptr) lengths += count;
    for (uint32_t r = 0; r < count; ++r, s += 2) y[s[0]] = out[r];
    row += static_cast<size_t>(count) * n;
  }
#else
  for (const int32_t* s = w_nosp; s[0] >= 0; s += 2, row += n)
    y[s[0]] = dot_product_dense(row, x, n, p);
#endif
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

void dense_matrix_I32_align_vect(Dom* y, const Dom* x, int32_t D, const int32_t* list,
                                 int32_t k) {
  const uint32_t p = current_prime(), n = align_vector_size(static_cast<uint32_t>(D));
  // Each range writes the coordinates of its own rows only.
  const uint32_t T = kIntegerBuild ? 1u : uint32_t(std::max<int32_t>(nb_threads, 1));
  const uint32_t rows = k > 0 ? uint32_t(k) : 0u;
  run_ranges(T, uint64_t(rows) * n / kDotTermsPerWork, rows, [&](uint32_t lo, uint32_t hi) {
    for (uint32_t i = lo; i < hi; ++i)
      y[list[i]] = dot_product_dense(w_cfs + static_cast<uint64_t>(i) * n, x, n, p);
  });
}

void dense_matrix_I32(Dom* y, const Dom* x, int32_t D) {
  const uint32_t p = current_prime();
  const Dom* row = w_cfs;
  for (const int32_t* s = w_nosp; s[0] >= 0; s += 2) {
    const uint32_t first = static_cast<uint32_t>(s[1]), len = static_cast<uint32_t>(D) - first;
    y[s[0]] = dot_product_dense(row, x + first, len, p);
    row += len;
  }
}

void dense_matrix(Dom* y, const Dom* x, int32_t D) {
  const Dom* row = w_cfs;
  for (const int32_t* s = w_nosp; s[0] >= 0; s += 2, row += D) y[s[0]] = dot_product(row, x, D);
}

uint64_t sparsity_align2(int32_t D) {
  const uint32_t n = align_vector_size(static_cast<uint32_t>(D));
  const int32_t k = count_dense_rows();
  uint64_t nnz = 0;
  for (int32_t r = 0; r < k; ++r) {
    const Dom* row = w_cfs + static_cast<uint64_t>(r) * n;
    for (int32_t i = 0; i < D; ++i) nnz += row[i] != 0;
  }
  return nnz;
}

uint64_t sparsity_align2_openmp(int32_t D) {
  const int32_t k = count_dense_rows();
  uint64_t nnz = 0;
  for (int32_t r = 0; r < k; ++r)
    for (int32_t i = 0; i < D; ++i) nnz += w_cfs_tab[r][i] != 0;
  return nnz;
}

uint64_t sparsity_align(int32_t D, bool row_table) {
  return row_table ? sparsity_align2_openmp(D) : sparsity_align2(D);
}

namespace {

// a + b mod p for a, b in [0, p): one conditional subtraction.
inline Dom add_mod(Dom a, uint64_t b, uint32_t p) {
  const uint64_t s = a + b;
  return static_cast<Dom>(s >= p ? s - p : s);
}

}  // namespace

Dom dense_trace_I32_align(int32_t D) {
  const uint32_t p = current_prime(), n = align_vector_size(static_cast<uint32_t>(D));
  Dom t = 0;
  const Dom* row = w_cfs;
  for (const int32_t* s = w_nosp; s[0] >= 0; s += 2, row += n) t = add_mod(t, row[s[0]] % p, p);
  return t;
}

Dom dense_trace_I32_align_openmp(int32_t D) {
  const uint32_t p = current_prime();
  Dom t = 0;
  int32_t k = 0;
  for (const int32_t* s = w_nosp; s[0] >= 0; s += 2, ++k) {
    const int64_t v = static_cast<int64_t>(w_cfs_tab[k][s[0]]) % p;  // signed entries
    t = add_mod(t, static_cast<uint64_t>(v < 0 ? v + p : v), p);
  }
  return t;
}

void compute_trace2(Dom* result, int32_t D) {
  *result = kIntegerBuild ? dense_trace_I32_align(D) : dense_trace_I32_align_openmp(D);
}

void* realign_ptr(void* address) {
  return reinterpret_cast<void*>((reinterpret_cast<uintptr_t>(address) + 16) & ~uintptr_t(15));
}

}  // namespace zel::ZEL_BUILD
