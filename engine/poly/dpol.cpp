// The engine's polynomial record: constructor and serial numbers.
#include "engine/poly/dpol.hpp"

#include "engine/coef/primes.hpp"
#include "engine/coef/residue.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

uint32_t gen_sym_Dpol = 0;

uint64_t size_Dpol(uint32_t n, uint32_t v) {
  const uint64_t ne = (uint64_t(n) + 1) & ~uint64_t(1);
  // Lanes padded to 8 bytes so that the monomial pointers stay aligned.
  const uint64_t lane_bytes = (uint64_t(v) * ne * sizeof(Dom) + 7) & ~uint64_t(7);
  return sizeof(Dpol) + 8 * uint64_t(v) + lane_bytes + 8 * ne;
}

Dpol* new_Dpol(uint32_t n) {
  const uint32_t v = kIntegerBuild ? ZEL_C(vectorize) : 1;
  return place_Dpol(alloc64(size_Dpol(n, v)), n, ++gen_sym_Dpol);
}

Dpol* place_Dpol(void* at, uint32_t n, uint32_t serial) {
  const uint32_t v = kIntegerBuild ? ZEL_C(vectorize) : 1;
  const uint64_t ne = (uint64_t(n) + 1) & ~uint64_t(1);
  unsigned char* block = static_cast<unsigned char*>(at);
  Dpol* p = reinterpret_cast<Dpol*>(block);
  p->serial = serial;
  p->row_mark = 0;
  p->flags = 0;
  p->input_mark = 0;
  p->spare[0] = p->spare[1] = p->spare[2] = 0;
  p->n = n;
  Dom** lane = lanes(p);
  unsigned char* cursor = block + sizeof(Dpol) + 8 * uint64_t(v);
  for (uint32_t k = 0; k < v; ++k) {
    lane[k] = n ? reinterpret_cast<Dom*>(cursor) : nullptr;
    cursor += ne * sizeof(Dom);
  }
  cursor = block + sizeof(Dpol) + 8 * uint64_t(v) +
           ((uint64_t(v) * ne * sizeof(Dom) + 7) & ~uint64_t(7));
  p->mono = reinterpret_cast<Expos**>(cursor);
  return p;
}

void monic_d(Dpol* p) {
  const uint32_t v = kIntegerBuild ? ZEL_C(vectorize) : 1;
  monic_lanes_d(lanes(p), v, p->n);
}

}  // namespace zel::ZEL_BUILD
