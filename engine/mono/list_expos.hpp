// `List_Expos`: pooled singly linked lists of monomials.
//
// Cells come from their own pool (free list `List_Expos_pool.root` of
// engine/mem/pool.hpp, refilled 100000 cells at a time in zone 3) and go back
// to it one by one.
// A list is a pointer to its first cell; null is the empty list.
#pragma once

#include <cstdint>

#include "engine/mono/expos_words.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct List_Expos {
  Expos* monomial;
  List_Expos* next;
};
static_assert(sizeof(List_Expos) == 16, "cells are 16 bytes");

// Non-zero when x must come before y.
using List_Expos_greater = int (*)(List_Expos* x, List_Expos* y);

// A cell whose next is itself (null until made).  Kept for callers that
// want a sentinel; the sort uses one of its own, so it needs no set-up.
extern List_Expos* z_List_Expos;

// Pops a cell, refilling the pool when empty; contents undefined.
List_Expos* ZEL_C(new_List_Expos)();
// Gives the cell back and returns its former next; null gives null.
List_Expos* ZEL_C(kill_List_Expos)(List_Expos* c);
// a followed by b (a's last cell is relinked).
List_Expos* ZEL_C(append_List_Expos)(List_Expos* a, List_Expos* b);
// Inserts the single cell x (next null) into a sorted list: before the first
// cell e with greater(x, e), else at the end.
List_Expos* ZEL_C(merge_boolean_List_Expos)(List_Expos* x, List_Expos* list,
                                            List_Expos_greater greater);
// Makes the sentinel z_List_Expos and returns it.
List_Expos* ZEL_C(init_Objet_List_Expos)();
// Stable bottom-up merge sort (greater cells first); the result ends in null.
List_Expos* ZEL_C(trier_boolean_List_Expos)(List_Expos* list, List_Expos_greater greater);

}  // namespace zel::ZEL_BUILD
