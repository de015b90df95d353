// The threaded product of the prime-field build's sparse FGLM.  Each thread
// writes only the coordinates of its own rows and reads x, the rows and the
// descriptor, which nobody writes during the region: no lock is needed.
#include <omp.h>

#include <algorithm>
#include <cstring>

#include "engine/f4/first_error.hpp"
#include "engine/driver/threads.hpp"
#include "engine/mem/zone.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/matvec.hpp"

namespace zel::ZEL_BUILD {

void dense_matrix_I32_align_vect_openmp(Coord* y, const Coord* x, int32_t D,
                                        const int32_t* list, int32_t k, Coord* const* tab) {
  const uint32_t p = current_prime(), n = align_vector_size(static_cast<uint32_t>(D));
  const int32_t T = std::max<int32_t>(nb_threads, 1);
  const int32_t chunk = (k + T - 1) / T;
  FirstError error;
#pragma omp parallel num_threads(T) if (T > 1 && k > 1)
  error.guard([&] {
    const int32_t t = omp_get_thread_num(), nt = omp_get_num_threads();
    for (int32_t c = t; c < T; c += nt) {
      const int32_t lo = c * chunk, hi = std::min(lo + chunk, k);
      for (int32_t i = lo; i < hi; ++i) {
        __builtin_prefetch(y + list[i], 1);
        y[list[i]] = dot_product_dense_wide(tab[i], x, n, p);
      }
    }
  });
  error.rethrow();
}

void apply2v(Coord* y, const Coord* x, int32_t D, const int32_t* list, int32_t k) {
  std::memset(y, 0, sizeof(Coord) * align_vector_size(static_cast<uint32_t>(D)));
  for (const int32_t* s = w_sparse; s[0] >= 0; s += 2) y[s[0]] = x[s[1]];
  dense_matrix_I32_align_vect_openmp(y, x, D, list, k, w_cfs_tab);
}

}  // namespace zel::ZEL_BUILD
