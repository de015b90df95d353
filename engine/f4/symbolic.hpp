// Symbolic preprocessing of one F4 step: the items (a source polynomial and a
// multiplier each) become matrix rows, the columns are closed under
// reduction by adding one reducer row per column that some reducer's leading
// monomial divides, the columns are numbered in monomial order, the rows are
// coded, eliminated, and the new rows come back as polynomials.
//
// Items: items[i] with its multiplier in entry i of relative_Expos (word
// form, null for the monomial 1) and its flag in entry i of the CBoolean
// table: a row with a non-zero flag may become a new polynomial; a row with
// flag 0 keeps its source's serial number and only serves as a pivot.
//
// Memory: everything the step builds lives in zone 1 and goes when the
// caller restores its mark; the new polynomials are made in zone 2.
#pragma once

#include <cstdint>

#include "engine/mem/relative_table.hpp"
#include "engine/mono/expos_words.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Descriptor of one matrix row while the matrix is built.
struct MatrixRow {
  Dpol* header;   // new_Dpol(0): serial number and row mark of the row
  Dpol* source;   // the item's polynomial, or the reducer
  ExposW* mult;   // multiplier, word form; null for the monomial 1
  uint64_t hash;  // hash of the multiplier (0 for null)
};
static_assert(sizeof(MatrixRow) == 32, "four words per row descriptor");

// The items' multipliers and the step's rows.
inline RelativeTable<ExposW*> relative_Expos{"Expos"};
inline RelativeTable<MatrixRow> relative_MatrixRow{"MatrixRow"};

// One-shot switch: the next column sort uses comp5_Expos; cleared by it.
extern uint32_t use_strong_order;

// Steps of at least give_back_terms terms give their term codes back while
// their rows are coded, give_back_chunk codes at a time (settings for the
// tests; by default the steps whose codes take 4 MB or more).
extern uint64_t give_back_terms;
extern uint64_t give_back_chunk;

// Runs one F4 step on `nitems` items against the reducers (the reducer table
// in resort_Dpol order).  *count: on entry the largest number of rows the
// step may make; on return the number of new polynomials, stored in
// items[0 .. *count-1] (0 when a stop was requested).
void internal_symbolic_reduction(uint32_t nitems, Dpol* const* reducers, uint32_t nreducers,
                                 Dpol** items, uint32_t* count);

}  // namespace zel::ZEL_BUILD
