// Integer build: moving result monomials when the zones are compacted
// between batches of primes.
#include "engine/mono/expos_pool.hpp"

#include <cstring>

#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

void in_place_copy_Expos(Expos** slot) {
  Expos* copy = ZEL_C(new_heap_Expos)();
  std::memcpy(copy, *slot, sz_Expos);
  *slot = copy;
}

void sort_Expos_Adresses(Expos*** v, uint32_t n) {
  auto key = [&](uint32_t i) { return reinterpret_cast<uintptr_t>(*v[i]); };
  for (uint32_t g = n / 2; g > 0; g /= 2)
    for (uint32_t i = g; i < n; ++i)
      for (uint32_t j = i - g; key(j) >= key(j + g); j -= g) {
        Expos** t = v[j];
        v[j] = v[j + g];
        v[j + g] = t;
        if (j < g) break;
      }
}

}  // namespace zel::ZEL_BUILD
