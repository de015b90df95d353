// Critical pairs: pool, construction and order.
#include "engine/f4/pairs.hpp"

#include "engine/mem/messages.hpp"
#include "engine/mono/expos_order.hpp"
#include "engine/mono/expos_pool.hpp"

namespace zel::ZEL_BUILD {

uint32_t Dlim = 1000000000u;
uint32_t Dlim_min = 0;

Crit* ZEL_C(make_Crit1)(Dpol* p, Dpol* q) {
  const ExposW* lp = words_of(p->mono[0]);
  const ExposW* lq = words_of(q->mono[0]);
  const uint32_t B = nb_of_blocks_of_variables;
  // One pass gives the lcm, its degree and whether each leading monomial
  // equals it; with many variables each pass over the words is what a pair
  // costs.
  ExposW* lcm = reinterpret_cast<ExposW*>(ZEL_C(new_Expos)());
  uint64_t lanes = 0, differs_p = 0, differs_q = 0;
  for (uint32_t k = 0; k < B; ++k) {
    const uint64_t a = get_word(lp, k), b = get_word(lq, k), l = word_max(a, b);
    set_word(lcm, k, l);
    lanes += word_lanes(l);
    differs_p |= l ^ a;
    differs_q |= l ^ b;
  }
  const uint32_t degree = lanes_sum(lanes);
  if (degree > Dlim || degree <= Dlim_min) {
    ZEL_C(kill_Expos)(pool_block_of(lcm));
    return nullptr;
  }
  Crit* c = ZEL_C(new_Crit)();
  c->degree = degree;
  c->mult1 = differs_p ? sub_Expos(lcm, lp) : nullptr;
  c->mult2 = differs_q ? sub_Expos(lcm, lq) : nullptr;
  c->lcm = lcm;
  c->p1 = p;
  c->p2 = q;
  return c;
}

Crit* ZEL_C(generate_Crit)(Dpol* f, Dpol* const* G, int32_t n) {
  Crit* list = nullptr;
  for (int32_t i = 0; i < n; ++i) {
    Dpol* g = G[i];
    Crit* c = g->serial < f->serial ? ZEL_C(make_Crit1)(g, f) : ZEL_C(make_Crit1)(f, g);
    if (c) {
      c->next = list;
      list = c;
    }
  }
  return list;
}

int32_t compare_pairs(const Crit* a, const Crit* b, bool report) {
  if (a->degree != b->degree) return a->degree > b->degree ? 1 : -1;
  if (const int32_t c = comp_Expos_same_degree(b->lcm, a->lcm)) return c;
  if (b->mult1) {
    if (a->mult1) return comp_Expos(b->mult1, a->mult1);
    // A pair without a first multiplier meets one with it under the same lcm.
    if (report && !ZEL_C(want_quiet)) Output("#");
    return 1;
  }
  return a->mult1 ? -1 : 0;
}

int32_t comp_Crit(const Crit* a, const Crit* b) { return compare_pairs(a, b, true); }

Crit* merge_Crit(Crit* a, Crit* b, Crit** tail) {
  Crit head{};
  Crit* t = &head;
  while (a && b) {
    if (comp_Crit(a, b) < 0) {
      t->next = a;
      a = a->next;
    } else {
      t->next = b;
      b = b->next;
    }
    t = t->next;
  }
  t->next = a ? a : b;
  if (tail) {
    while (t->next) t = t->next;
    *tail = t;
  }
  return head.next;
}

namespace {

// Cuts a run of at most r pairs off the front of *rest; returns it.
inline Crit* cut_run(Crit** rest, uint32_t r) {
  Crit* run = *rest;
  if (!run) return nullptr;
  Crit* last = run;
  for (uint32_t i = 1; i < r && last->next; ++i) last = last->next;
  *rest = last->next;
  last->next = nullptr;
  return run;
}

}  // namespace

Crit* trier_Crit(Crit* list) {
  if (!list || !list->next) return list;
  // Runs of 1, 2, 4 ... merged pairwise until one run covers the list; the
  // tie rule makes the result depend on exactly this run structure.
  for (uint32_t r = 1;; r *= 2) {
    Crit head{};
    Crit* tail = &head;
    Crit* rest = list;
    uint32_t merges = 0;
    while (rest) {
      Crit* a = cut_run(&rest, r);
      Crit* b = cut_run(&rest, r);
      Crit* last;
      tail->next = merge_Crit(a, b, &last);
      tail = last;
      ++merges;
    }
    list = head.next;
    if (merges == 1) return list;
  }
}

}  // namespace zel::ZEL_BUILD
