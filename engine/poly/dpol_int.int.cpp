// Integer build: the polynomial record with GMP coefficients.
#include "engine/poly/dpol_int.hpp"

#include "engine/mem/zone.hpp"
#include "engine/poly/dpol.hpp"

namespace zel::ZEL_BUILD {

uint64_t size_Dpol_INT(uint32_t n) {
  const uint64_t ne = (uint64_t(n) + 1) & ~uint64_t(1);
  return sizeof(Dpol_INT) + ne * sizeof(__mpz_struct) + 8 * ne;
}

Dpol_INT* new_Dpol_INT(uint32_t n) {
  const uint64_t ne = (uint64_t(n) + 1) & ~uint64_t(1);
  unsigned char* block = static_cast<unsigned char*>(alloc64(size_Dpol_INT(n)));
  Dpol_INT* p = reinterpret_cast<Dpol_INT*>(block);
  p->serial = ++gen_sym_Dpol;
  p->row_mark = 0;
  p->flags = 0;
  p->input_mark = 0;
  p->spare[0] = p->spare[1] = 0;
  p->spare[2] = kIntCoefficientsTag;
  p->n = n;
  p->mono = reinterpret_cast<Expos**>(block + sizeof(Dpol_INT) + ne * sizeof(__mpz_struct));
  return p;
}

}  // namespace zel::ZEL_BUILD
