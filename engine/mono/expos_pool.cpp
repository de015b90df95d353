// Monomial blocks from the pool and the zone, and the block constructors.
#include "engine/mono/expos_pool.hpp"

#include <cstring>

#include "engine/mem/pool.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

Expos* ZEL_C(new_Expos)() { return static_cast<Expos*>(pool_take(Expos_pool)); }

Expos* ZEL_C(kill_Expos)(Expos* m) {
  if (m) pool_give(Expos_pool, m);
  return nullptr;
}

Expos* ZEL_C(new_heap_Expos)() { return static_cast<Expos*>(alloc64(sz_Expos)); }

void ZEL_C(restore_memory_obj_0)() { pool_empty(Expos_pool); }

ExposW* zero_Expos() {
  ExposW* w = words_of(ZEL_C(new_Expos)());
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k) set_word(w, k, 0);
  return w;
}

ExposW* copy_offset_Expos(const ExposW* m) {
  ExposW* w = words_of(ZEL_C(new_Expos)());
  std::memcpy(w, m, 8 * size_t(nb_of_blocks_of_variables));
  return w;
}

void copy_block1_Expos(ExposW* dst, const Expos* src) {
  const ExposW* s = words_of(src);
  const uint32_t B = nb_of_blocks_of_variables;
  const uint32_t first = var_second_block < 4 * B ? var_second_block : 4 * B;
  const uint32_t full = first >> 2;
  for (uint32_t k = 0; k < B; ++k) {
    uint64_t x = 0;
    if (k < full)
      x = get_word(s, k);
    else if (k == full)
      x = get_word(s, k) & low_fields_mask(first & 3);
    set_word(dst, k, x);
  }
}

ExposW* sub_Expos(const ExposW* a, const ExposW* b) {
  ExposW* q = reinterpret_cast<ExposW*>(ZEL_C(new_Expos)());
  div_Expos_to(q, a, b);
  return q;
}

ExposW* nil_or_sub_Expos(const ExposW* a, const ExposW* b) {
  ExposW* q = sub_Expos(a, b);
  if (!is_one_Expos(q)) return q;
  ZEL_C(kill_Expos)(pool_block_of(q));
  return nullptr;
}

ExposW* ZEL_C(lcm_Expos)(const ExposW* a, const ExposW* b) {
  ExposW* l = reinterpret_cast<ExposW*>(ZEL_C(new_Expos)());
  lcm_Expos_to(l, a, b);
  return l;
}

}  // namespace zel::ZEL_BUILD
