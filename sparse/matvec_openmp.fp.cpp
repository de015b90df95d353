// The threaded product of the prime-field build's sparse FGLM.  Each range
// of rows writes only the coordinates of its own rows and reads x, the rows
// and the descriptor, which nobody writes meanwhile: no lock is needed.  The
// ranges run on the worker team, whose helpers sleep between products.
#include <algorithm>
#include <cstring>

#include "engine/driver/threads.hpp"
#include "engine/f4/team_ranges.hpp"
#include "engine/mem/zone.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/matvec.hpp"

namespace zel::ZEL_BUILD {

void dense_matrix_I32_align_vect_openmp(Coord* y, const Coord* x, int32_t D,
                                        const int32_t* list, int32_t k, Coord* const* tab) {
  const uint32_t p = current_prime(), n = align_vector_size(static_cast<uint32_t>(D));
  const uint32_t T = uint32_t(std::max<int32_t>(nb_threads, 1));
  const uint32_t rows = k > 0 ? uint32_t(k) : 0u;
  run_ranges(T, uint64_t(rows) * n / kDotTermsPerWork, rows, [&](uint32_t lo, uint32_t hi) {
    for (uint32_t i = lo; i < hi; ++i) {
      __builtin_prefetch(y + list[i], 1);
      y[list[i]] = dot_product_dense_wide(tab[i], x, n, p);
    }
  });
}

void apply2v(Coord* y, const Coord* x, int32_t D, const int32_t* list, int32_t k) {
  std::memset(y, 0, sizeof(Coord) * align_vector_size(static_cast<uint32_t>(D)));
  for (const int32_t* s = w_sparse; s[0] >= 0; s += 2) y[s[0]] = x[s[1]];
  dense_matrix_I32_align_vect_openmp(y, x, D, list, k, w_cfs_tab);
}

}  // namespace zel::ZEL_BUILD
