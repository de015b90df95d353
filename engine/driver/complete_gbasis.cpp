#include "engine/driver/complete_gbasis.hpp"

#include <cstdio>
#include <vector>

#include "engine/driver/affine_monomials.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/driver/stopped_request.hpp"
#include "engine/f4/elimination.hpp"

namespace zel::ZEL_BUILD {

uint32_t complete_gbasis(Dpol** input, uint32_t n, Dpol** G, double* cpu) {
  // The main loop sorts and rewrites its inputs in place: the completion
  // reads them through their own pointers.
  const std::vector<Dpol*> inputs(input, input + n);
  aggressive_skipped_rows = 0;
  uint32_t count = gbasis(input, n, G, cpu);
  if (!ZEL_C(want_aggressive) || aggressive_skipped_rows == 0 || count == 0) return count;
  unwind_if_stopped();
  // On the standard error stream, like the line that announced the option.
  std::fprintf(stderr,
               "********** Aggressive elimination skipped %llu rows: completing the basis "
               "without skipping\n",
               static_cast<unsigned long long>(aggressive_skipped_rows));
  std::vector<Dpol*> all;
  for (const Dpol* p : inputs)
    if (p->n > 0) all.push_back(homogeneous_copy(p));
  for (uint32_t i = 0; i < count; ++i) all.push_back(homogeneous_copy(G[i]));
  const uint32_t saved = ZEL_C(want_aggressive);
  ZEL_C(want_aggressive) = 0;
  double more = 0;
  count = gbasis(all.data(), uint32_t(all.size()), G, &more);
  ZEL_C(want_aggressive) = saved;
  *cpu += more;
  return count;
}

}  // namespace zel::ZEL_BUILD
