// Integer build: sliding the integers that survive a restored zone mark.
//
// A step takes a zone-1 mark, makes temporaries and results, restores the
// mark, then "slides" the results: copies them, in ascending order of their
// limb addresses, to newly allocated space at the top of zone 1.  Every copy
// lands at or below its source, and the copy runs from the lowest word up,
// so no survivor is overwritten before it is read.  Precondition: the limbs
// of every integer slid lie in memory given back by the restore (allocated
// after the mark), or are not in zone 1 at all and not overlapped by what the
// slide allocates.  Zero values get a fresh one-limb block.
//
// The glisser functions run inside the INT context, right after the restore
// and before any other allocation in zone 1.  restore_and_slide does the
// restore too and also works when every zone allocation is its own malloc
// (ZEL_MEMDEBUG), where the restore frees the sources: prefer it in new code.
#pragma once

#include <cstdint>

#include "engine/coef/int_arith.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

// Copies v's limbs to the top of zone 1 and points v at the copy.
void in_place_copy_INT(INT* v);
void ZEL_C(glisser_INT1)(INT* v);
void ZEL_C(glisser_INT2)(INT* a, INT* b);
void ZEL_C(glisser_INT4)(INT* a, INT* b, INT* c, INT* d);
// n INT side by side.
void glisser_INTs(INT* array, uint32_t n);
// The same with `extra` taken into the address order (extra may be null).
void glisser_INTs_add1(INT* extra, INT* array, uint32_t n);
// Sorts pointers to INT by the address of their limbs, ascending (Shell sort,
// gaps n/2 .. 1).
void sort_Adresses(INT** v, uint32_t n);

// Restores mark m of zone 1 and slides the n integers *v[i] down to it.
void restore_and_slide(const HeapMark& m, INT* const* v, uint32_t n);
// Restores m and slides the n integers of array (and extra when given).
void restore_and_slide_array(const HeapMark& m, INT* extra, INT* array, uint32_t n);

}  // namespace zel::ZEL_BUILD
