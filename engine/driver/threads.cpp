#include "engine/driver/threads.hpp"

#include <omp.h>

#include <algorithm>

#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

int32_t nb_threads = 1;

int32_t internal_threads(int32_t n) {
  if constexpr (kIntegerBuild) {
    Stderr("****************************** Warning : set number of OPENMP threads ignored\n");
    return -1;
  } else {
    if (n <= 0) n = 1;
    // Far more threads than processors only cost, and a huge count makes the
    // next parallel region exhaust memory inside the runtime.
    const int32_t cap = std::max(1, std::min(omp_get_thread_limit(), 8 * omp_get_num_procs()));
    if (n > cap) {
      Stderr("Warning: %d OPENMP threads asked, at most %d used\n", n, cap);
      n = cap;
    }
    Stderr("Set number of OPENMP threads to %d\n", n);
    omp_set_num_threads(n);
    nb_threads = n;
    return n;
  }
}

}  // namespace zel::ZEL_BUILD
