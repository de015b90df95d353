// Integer build: the loop over batches of primes behind Zel_int_groebner.
//
// The engine never computes with integers.  Each pass converts the input
// coefficients modulo a batch of 32-bit primes (one residue lane per prime),
// runs the compute mode once on all lanes, and combines the results with the
// earlier passes by Chinese remaindering; a result polynomial whose
// coefficients all reconstruct as rationals within the bound is made
// integral and never touched again.  Passes go on until every result
// polynomial has lifted.
//
// The first pass records the elimination's trace; later passes replay it.
// The change-of-order modes (2-5, 8, 9, 12) run the whole mode per pass
// (the basis replayed, then the change of order) and lift its results; the
// same passes also lift the degree-order basis they compute, at mode 1's
// pace, with mode 1's rules and checks and, as for the mode's results, over
// one common denominator per polynomial when the plain bound is not yet
// met: its monic polynomials have one large denominator each, and a lift
// over it is as unlikely to be wrong as a plain one (early_lift.hpp).
// Whichever lifts first decides, as neither is known in advance to be the
// smaller: when the mode's results lift first the basis is never lifted
// (its coefficients can be far larger than the answer's); when the basis
// lifts first (in a pass after the first) the later passes take it modulo
// their primes, leaving out primes that divide one of its leading
// coefficients (its only denominators once it is monic), and run only the
// change of order.  Modulo such a prime the
// monic basis is still a Groebner basis: its S-polynomials reduce to zero
// by monic divisors, with no division that the prime could spoil.  The
// mode's images gathered before stay valid: modulo a good prime the reduced
// basis, hence the mode's results, are unique.  The basis is also given up
// once its lifts cost about as much as the computations of the basis itself
// (both counted, not timed, so that a request always takes the same path):
// taking it spares only those.
// A batch in which the elimination or the change of order found a bad
// prime, or whose results differ in shape (count, term counts, monomials)
// from the first pass, is never combined: it is thrown away and the pass is
// run again on fresh primes.  When three batches in a row disagree with the first pass, the
// first pass was the odd one out and everything starts again.  The
// request's first batch walks the prime table in its order (drawing the
// rest where the table runs out); every later one, a first pass run again
// for whatever reason included, takes primes drawn at random outside the
// table, between 3 2^30 and its smallest prime (prime_draw.hpp;
// ZEL_DRAW_SEED fixes the draw): the table is public, and an input can be
// built against all of it (such an input costs at most the one batch
// thrown away).  The draw leaves the walk where it is.  A request takes at
// most request_prime_limit primes over all its batches (the table's size),
// and is refused past it.  A lifted polynomial
// is checked at every prime of the next batch; its lift from a modulus
// with drawn primes is itself as safe as such a check (see run_pass), so
// that a lift of the last pass, or a degree-order basis taken as it lifts,
// needs no further batch.  When the first pass, or a pass that lifts a
// result over one denominator (a weaker test), completes the result, one
// more small batch is run for that check.
// A solving mode's refusal (no solution, not zero-dimensional, a last
// variable that does not separate the solutions: refusal.hpp) may come from
// primes bad for the system, and the first batch is known in advance: a
// first pass that refuses is thrown away and run again on drawn primes.
// The refusal stands, with its message, when that pass refuses too; when it
// answers, the request goes on without the refusing primes.  A later pass
// that refuses disagrees with the first pass.
// Primes that divide the leading coefficient of an input are never put in a
// batch.
//
// Batch sizes: the first from the input's coefficient sizes (the caller
// may ask for more), then the total number of primes doubles with every
// pass (at most 256 primes per pass; the batch stays as it is once the
// build's long-lived arrays, xmalloc, total more than 512000 KiB), except
// that once nine tenths of the polynomials have lifted the next batch is a
// quarter of the total: the last polynomials are seldom much larger than
// the others, and the whole basis is computed again for them.  The
// change-of-order modes, whose every prime costs the same, grow by an
// eighth once 64 primes were not enough, and keep mode 1's pace while
// they lift the basis.
//
// Memory (zones of engine/mem/zone.hpp): zone 3 keeps what lives until the
// end (result records, their monomials and lifted coefficients, M and the
// combination constants); the images of the polynomials not yet lifted live
// in one of zones 1 and 2 while a pass works in the other, and the two are
// swapped after each pass.  Everything else a pass makes is given back when
// it ends.
#pragma once

#ifndef ZEL_VARIANT_INT
#error "the multi-modular loop exists in the integer build only"
#endif

#include <cstdint>

#include "engine/poly/dpol_int.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// One request of the loop.
struct ModularRequest {
  Dpol_INT* const* input = nullptr;  // sorted, homogenised (full_sort_poly2)
  uint32_t n = 0;
  int32_t mode = 1;                  // a compute mode (solving modes: universal_cmd.hpp)
  uint32_t nb_second = 0;            // modes 6 and 7: the record's _nb
  uint32_t bk0 = 0, nb2 = 0, bk2 = 0;  // mode 11: blocks and the second count
  int32_t force_elim2 = 0;
  int32_t force_elim = 0;            // mode 1: want_eliminated during the run
  int32_t mingbasis_strong = 1;
  uint32_t block = 0;                // > 0: keep results free of the first `block` variables
  bool restrict_ = false;            // keep results free of the declared first block
  uint32_t first_batch = 8;          // primes of the first pass
  // Change-of-order modes: input[0 .. given_basis-1] is the lifted (and
  // checked) degree-order basis, integral; each pass reduces it modulo the
  // batch's primes instead of computing it.  0: the mode computes it.  The
  // loop sets it itself once the basis has lifted.
  uint32_t given_basis = 0;
};

// What the last run of the loop did.
struct ModularFigures {
  uint32_t passes = 0;          // batches combined
  uint32_t primes = 0;          // primes of the combined batches
  uint32_t discarded = 0;       // batches thrown away (bad prime or disagreement)
  uint32_t restarts = 0;        // times the first pass was computed again
  uint32_t skipped_primes = 0;  // primes left out: they divide a leading coefficient
  uint32_t largest_words = 0;   // largest lifted coefficient, in 32-bit words
  // Change-of-order modes: the primes after which the passes took the
  // lifted degree-order basis; 0 when they never did.
  uint32_t basis_primes = 0;
};
extern ModularFigures last_modular_figures;

// Whether the batches after the first are drawn at random (the default);
// tests that place primes in the table's order clear it.
extern bool draw_later_batches;

// The most primes one request may take, over all its batches (those thrown
// away included): the table's size, kDefaultPrimes.  Past it the request
// ends with "Not enough primes in default table (%d primes used)".  Tests
// lower it.
extern uint32_t request_prime_limit;

// The smallest first batch: one batch of the trace must be cross-checked by
// several lanes, and its reconstruction needs a margin of several primes.
inline constexpr uint32_t kMinFirstBatch = 5;
// No pass after the first takes more primes than this.
inline constexpr uint32_t kMaxBatch = 256;

// First batch size: twice the largest input coefficient in 32-bit words
// plus one, raised to pas0 when pas0 > 0 (and then to at least
// kMinFirstBatch), else to at least 8.  A coefficient whose size alone asks
// for more than request_prime_limit primes is refused here, by its size:
// "Not enough primes in default table (an input coefficient of %llu bits
// needs more than the %u primes a request may take)".
uint32_t first_batch_size(int32_t pas0, Dpol_INT* const* input, uint32_t n);

// Runs the passes; writes the lifted result records (Dpol_INT in zone 3,
// integral coefficients) into result and returns their number.  A stop
// request ends the loop with no result (stopped_request.hpp): 0, all the
// passes made given back.
uint32_t run_multi_modular(const ModularRequest& rq, Dpol_INT** result);

}  // namespace zel::ZEL_BUILD
