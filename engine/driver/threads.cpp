#include "engine/driver/threads.hpp"

#include <omp.h>

#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

int32_t nb_threads = 1;

int32_t internal_threads(int32_t n) {
  if constexpr (kIntegerBuild) {
    Stderr("****************************** Warning : set number of OPENMP threads ignored\n");
    return -1;
  } else {
    if (n <= 0) n = 1;
    Stderr("Set number of OPENMP threads to %d\n", n);
    omp_set_num_threads(n);
    nb_threads = n;
    return n;
  }
}

}  // namespace zel::ZEL_BUILD
