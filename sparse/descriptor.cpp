#include "sparse/descriptor.hpp"

#include <sys/resource.h>

#include <cstdlib>

extern "C" {
__attribute__((visibility("default"))) int32_t ZEL_C(modulo_ok) = 1;
}

namespace zel::ZEL_BUILD {

int32_t wid_size_matrix = 0;
const int32_t* w_sparse = nullptr;
const int32_t* w_nosp = nullptr;
Coord* const* w_cfs_tab = nullptr;
const Dom* w_cfs = nullptr;
uint32_t* Table_Primes = nullptr;
uint32_t* modulo = nullptr;
const char* w_lvars = nullptr;
uint32_t projection_seed = 1;

namespace {
char state1[128];
}

void init_wiedemann() {
  modulo = Table_Primes;
  ZEL_C(modulo_ok) = 1;
  initstate(projection_seed, state1, sizeof state1);
  setstate(state1);
}

double delay() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000000.0;
}

}  // namespace zel::ZEL_BUILD
