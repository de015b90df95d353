// Lists whose cells point to elements (polynomials, lists of polynomials,
// FGLM block lists): the operations the pool family does not have.
//
// CellPool is the Pool of the cells, Field the cell's element member.  Cells
// do not own their elements except where an operation says so (copy_all
// copies them, kill_all_ of the pool releases them).
#pragma once

#include <cstdint>

#include "server/base/orv_variant.hpp"

namespace orv::ORV_BUILD {

template <class CellPool, class Cell, class Elt, Elt Cell::*Field>
struct CellList {
  static Cell* cons(Elt e, Cell* l) {
    Cell* c = CellPool::new_();
    c->*Field = e;
    c->next = l;
    return c;
  }

  // Appends a fresh cell for e after *last (or as the first cell).
  static void push_back(Cell*& first, Cell*& last, Elt e) {
    Cell* c = CellPool::new_();
    c->*Field = e;
    c->next = nullptr;
    if (last)
      last->next = c;
    else
      first = c;
    last = c;
  }

  // New cells holding the elements of a then b; a and b are left alone.
  static Cell* concat(Cell* a, Cell* b) {
    Cell* first = nullptr;
    Cell* last = nullptr;
    for (; a != nullptr; a = a->next) push_back(first, last, a->*Field);
    for (; b != nullptr; b = b->next) push_back(first, last, b->*Field);
    return first;
  }

  // New cells in reverse order; a loop, so long lists cannot exhaust the stack.
  static Cell* reverse(Cell* l) {
    Cell* r = nullptr;
    for (; l != nullptr; l = l->next) r = cons(l->*Field, r);
    return r;
  }

  // Element of cell i counting from 1; i <= 1 gives the first.
  static Elt elt(Cell* l, int i) {
    for (int k = 1; l != nullptr && k < i; ++k) l = l->next;
    return l ? l->*Field : Elt{};
  }

  // Drops every cell holding e (the same pointer); the element stays.
  static Cell* remove(Elt e, Cell* l) {
    while (l != nullptr && l->*Field == e) l = CellPool::free_(l);
    if (l == nullptr) return nullptr;
    for (Cell* c = l; c->next != nullptr;) {
      if (c->next->*Field == e)
        c->next = CellPool::free_(c->next);
      else
        c = c->next;
    }
    return l;
  }

  template <class CopyElt>
  static Cell* copy_all(Cell* l, CopyElt copy_elt) {
    Cell* first = nullptr;
    Cell* last = nullptr;
    for (; l != nullptr; l = l->next) push_back(first, last, copy_elt(l->*Field));
    return first;
  }
};

}  // namespace orv::ORV_BUILD
