// Layout of packed monomials for the current session.
#include "engine/mono/expos_layout.hpp"

#include "engine/mem/messages.hpp"
#include "engine/mem/pool.hpp"

namespace zel::ZEL_BUILD {

uint32_t nb_of_affine_variables = 0;
uint32_t real_nb_of_affine_variables = 0;
uint32_t nb_of_variables = 1;
uint32_t nb_of_blocks_of_variables = 1;
uint32_t max_nb_of_variables = 3;
uint32_t sz_Expos = 16;
uint32_t var_second_block = 0;
uint32_t want_Lexico = 0;
uint32_t ZEL_C(want_quiet) = 1;
const char* Liste_variables[kMaxNamedVariables] = {};

void set_Expos(uint32_t n) {
  if (want_Lexico) var_second_block = n - 1;
  if (!ZEL_C(want_quiet) && !want_Lexico)
    Output("Blocks %u %u\n", var_second_block, n - var_second_block);
  const uint32_t B = (n + 4) / 4;  // ceil((n + 1) / 4)
  nb_of_affine_variables = n;
  real_nb_of_affine_variables = n;
  nb_of_variables = n + 1;
  nb_of_blocks_of_variables = B;
  max_nb_of_variables = 4 * B - 1;
  sz_Expos = 8 * B + 8;
  // Free blocks of another size would overflow (or waste) under the new
  // layout: forget them (they stay in zone 3 until the next reset).
  if (Expos_pool.record_size != sz_Expos) {
    pool_empty(Expos_pool);
    Expos_pool.record_size = sz_Expos;
  }
}

}  // namespace zel::ZEL_BUILD
