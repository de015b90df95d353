// Elimination of one F4 matrix: sorted rows, the pivot table, the forward
// pass (head and tail reduction of every row to be reduced against the pivots
// found before it), the backward pass (the new rows reduced against each
// other) and the hand-over of the new rows as polynomials.
//
// Rows are taken from the smallest leading monomial to the largest (larger
// `lead` first, ties by smaller serial), so every pivot a row can use right of
// its leading column has a lower index.  A pivot is usable by the row at
// index i only when its own index is below i.
//
// Prime-field build: one lane.  The forward pass reduces blocks of rows
// together in interleaved 32-bit accumulators, one block per thread and
// batch; the backward pass works in u64 accumulators, in stages when
// nb_threads > 1 (elimination_threads.fp.cpp).  Integer build: one residue
// lane per prime of the batch, lane 0 leading and checked against the
// first-prime trace, the other lanes checked against lane 0
// (elimination.int.cpp, trace.hpp).
#pragma once

#include <cstdint>

#include "engine/f4/row_code.hpp"
#include "engine/mono/code_table.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Aggressive elimination (prime-field build): once a step has met
// `want_aggressive2` zero rows in a row, either every further row to be
// reduced is skipped (want_skip_comput = 0) or the next want_skip_comput rows
// are (each further zero row prints "$" and skips as many again; the first
// kept row prints "!" and ends the skipping).  Set between steps by the main
// loop and the compute entry.
extern uint32_t ZEL_C(want_aggressive);
extern uint32_t ZEL_C(want_aggressive2);
extern uint32_t want_skip_comput;
// Rows skipped unreduced since the compute entry last cleared it: a skipped
// row that would not have reduced to zero leaves the result short of a basis.
extern uint64_t aggressive_skipped_rows;
// Progress display "%.1f%%/" on the error stream.
extern uint32_t ZEL_C(want_state_percent);

#ifdef ZEL_VARIANT_INT
// Bytes of interleaved copies of pivot rows a step may make for its groups
// of lanes where they can be read in place as well (tests set it to 0).
extern uint64_t tail_copy_limit;
#endif
// Integer build: the eliminations' multiply-adds (one per lane and entry of
// every pivot applied) since the process started, a count of their work
// that, unlike a clock, gives the same figure on every run.  The
// prime-field build leaves it at 0.
extern uint64_t elimination_products;

// Brings the matrix (rows[0 .. nrows-1], columns 1 .. ncols, nreduce rows
// with to_reduce set) to reduced echelon form and writes a polynomial for
// every new pivot row into out (room for nreduce pointers), made in zone 2 so
// it outlives the step; `codes` is the step's code table (columns back to
// monomials).  Returns the number written.  Sorts `rows` in place; everything
// else it allocates is given back before it returns.
uint32_t ZEL_C(LINEAR_solve)(CodedRow** rows, uint32_t nrows, uint32_t ncols, uint32_t nreduce,
                             Dpol** out, const Base_Exposants* codes);

// The elimination without the hand-over, in the current zone: sorts rows,
// eliminates, and leaves in newrows (room for nreduce) the new pivot rows,
// each reduced, monic and re-coded, sorted by increasing `lead`.  Returns
// their number (integer build: 0 after a stop request).  The row records are
// changed in place; the new coefficient arrays and codes come from the
// current zone.
uint32_t eliminate_rows(CodedRow** rows, uint32_t nrows, uint32_t ncols, uint32_t nreduce,
                        CodedRow** newrows);

// Statistics hook called once when a basis computation ends; does nothing.
void ZEL_C(info_count_lzw)();

}  // namespace zel::ZEL_BUILD
