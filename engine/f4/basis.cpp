// Basis array, reducer table and pair-list upkeep.
#include "engine/f4/basis.hpp"

#include <cstring>
#include <vector>

#include "engine/f4/dpol_sort.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mono/expos_array.hpp"
#include "engine/mono/expos_pool.hpp"

namespace zel::ZEL_BUILD {

uint32_t updatF(const ExposW* m, Dpol* f, Dpol** G, uint32_t n) {
  // m divides a monomial when no word of it exceeds the monomial's in some
  // field; the words where m is 0 never do, so only m's other words are
  // tested (few, with many variables).
  std::vector<uint32_t> words;
  if (n) {
    for (uint32_t k = nb_of_blocks_of_variables; k-- > 0;)
      if (get_word(m, k)) words.push_back(k);
  }
  uint32_t kept = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const ExposW* g = words_of(G[i]->mono[0]);
    bool divides = true;
    for (const uint32_t k : words)
      if ((get_word(g, k) - get_word(m, k)) & kFieldTopBits) {
        divides = false;
        break;
      }
    if (divides) continue;
    G[kept++] = G[i];
  }
  if (kept > kMaxBasis - 1) Fatal("Not enough memory to store the result (base) !%s", "\n");
  G[kept] = f;
  return kept + 1;
}

void reductors(Dpol** table, uint32_t* r, Dpol* const* fresh, uint32_t k,
               uint32_t capacity) {
  if (uint64_t(*r) + k >= capacity) Fatal("Not enough memory for the table of reductors!\n");
  if (fresh != table + *r) std::memmove(table + *r, fresh, size_t(k) * sizeof(Dpol*));
  resort_Dpol(table, int32_t(*r + k));
  *r += k;
}

Crit* updatD(Crit* a, Crit* b) { return merge_Crit(a, b); }

Crit* kill_deep_Crit(Crit* c) {
  Crit* next = c->next;
  ZEL_C(kill_Expos)(pool_block_of(c->lcm));
  if (c->mult1) ZEL_C(kill_Expos)(pool_block_of(c->mult1));
  if (c->mult2) ZEL_C(kill_Expos)(pool_block_of(c->mult2));
  free_Crit(c);
  return next;
}

Crit* critBackonD1(uint32_t d, const ExposW* l, Crit* L) {
  return kill_Crit_if(L, [&](const Crit* c) { return c->degree >= d && is_sub_Expos1(c->lcm, l); });
}

uint32_t restriction(Dpol** G, uint32_t n) {
  uint32_t kept = 0;
  for (uint32_t i = 0; i < n; ++i)
    if (is_eliminated(G[i]->n, G[i]->mono, var_second_block)) G[kept++] = G[i];
  if (!ZEL_C(want_quiet)) Output("\nRestriction a %u pols\n", kept);
  return kept;
}

}  // namespace zel::ZEL_BUILD
