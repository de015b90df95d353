// Pooled lists of monomials and their stable merge sort.
#include "engine/mono/list_expos.hpp"

#include "engine/mem/pool.hpp"

namespace zel::ZEL_BUILD {

List_Expos* z_List_Expos = nullptr;

List_Expos* ZEL_C(new_List_Expos)() { return static_cast<List_Expos*>(pool_take(List_Expos_pool)); }

List_Expos* ZEL_C(kill_List_Expos)(List_Expos* c) {
  if (!c) return nullptr;
  List_Expos* next = c->next;
  pool_give(List_Expos_pool, c);
  return next;
}

void ZEL_C(restore_memory_obj_1)() {
  pool_empty(List_Expos_pool);
  // The sentinel is a cell of the forgotten pool.
  z_List_Expos = nullptr;
}

List_Expos* ZEL_C(append_List_Expos)(List_Expos* a, List_Expos* b) {
  if (!a) return b;
  if (!b) return a;
  List_Expos* last = a;
  while (last->next) last = last->next;
  last->next = b;
  return a;
}

List_Expos* ZEL_C(merge_boolean_List_Expos)(List_Expos* x, List_Expos* list,
                                            List_Expos_greater greater) {
  if (!list) return x;
  if (greater(x, list)) {
    x->next = list;
    return x;
  }
  List_Expos* prev = list;
  for (List_Expos* e = list->next; e; prev = e, e = e->next) {
    if (greater(x, e)) {
      x->next = e;
      prev->next = x;
      return list;
    }
  }
  prev->next = x;
  return list;
}

List_Expos* ZEL_C(init_Objet_List_Expos)() {
  List_Expos* z = ZEL_C(new_List_Expos)();
  z->monomial = nullptr;
  z->next = z;
  z_List_Expos = z;
  return z;
}

namespace {

// Cuts a run of at most r cells starting at `from` (not the sentinel) and
// ends it with the sentinel; returns the cell after the run.
List_Expos* cut_run(List_Expos* from, uint64_t r, List_Expos* z) {
  List_Expos* t = from;
  for (uint64_t i = 1; i < r && t->next != z; ++i) t = t->next;
  List_Expos* rest = t->next;
  t->next = z;
  return rest;
}

// Merges two sentinel-ended runs behind `into`; B's cell goes first only when
// strictly greater, so equal cells keep their order.  Returns the last cell.
List_Expos* merge_runs(List_Expos* into, List_Expos* a, List_Expos* b, List_Expos* z,
                       List_Expos_greater greater) {
  List_Expos* c = into;
  while (a != z && b != z) {
    if (greater(b, a)) {
      c->next = b;
      c = b;
      b = b->next;
    } else {
      c->next = a;
      c = a;
      a = a->next;
    }
  }
  c->next = a != z ? a : b;
  while (c->next != z) c = c->next;
  return c;
}

}  // namespace

List_Expos* ZEL_C(trier_boolean_List_Expos)(List_Expos* list, List_Expos_greater greater) {
  if (!list || !list->next) return list;
  // The runs end in a sentinel whose address is only compared.  A cell of
  // the pool would do, but it dies with the pool at a memory reset and its
  // address may come back as a list cell; a cell of our own never does.
  static List_Expos sentinel = {nullptr, &sentinel};
  List_Expos* const z = &sentinel;
  List_Expos* last = list;
  while (last->next) last = last->next;
  last->next = z;
  List_Expos head = {nullptr, list};
  for (uint64_t r = 1;; r += r) {
    List_Expos* tail = &head;
    List_Expos* cur = head.next;
    uint32_t runs = 0;
    while (cur != z) {
      List_Expos* a = cur;
      List_Expos* b = cut_run(a, r, z);
      cur = b != z ? cut_run(b, r, z) : z;
      tail = merge_runs(tail, a, b, z, greater);
      ++runs;
    }
    // One merge in the pass: one run covers the whole list.
    if (runs <= 1) {
      tail->next = nullptr;
      return head.next;
    }
    tail->next = z;
  }
}

}  // namespace zel::ZEL_BUILD
