// Integer build: Chinese remaindering of residue vectors and rational
// reconstruction.
//
// A coefficient computed modulo the n primes of a batch (one residue lane
// per prime) becomes an integer image modulo their product P (Chinese
// remaindering over a tree of partial products), is combined with the image
// of earlier batches, and is reconstructed as a rational number n/d with a
// bound; a polynomial whose coefficients all reconstruct is made integral by
// the lcm of its denominators (primpart).
//
// Memory: every function runs inside the INT context (int_context.hpp); its
// temporaries live under a zone-1 mark that it restores, and its results are
// slid down to that mark (int_slide.hpp), so a call leaves in zone 1 exactly
// its results.  The lift context itself lives in one xmalloc block
// (category 5): it survives every zone restore and is forgotten by the
// memory reset.
//
// Reconstruction never fails loudly: a coefficient that does not fit the
// bound (or whose image shares a factor of the modulus, e.g. one divisible by
// several primes of the batch) gives 0/1 and the result 0, and waits for more
// primes.
#pragma once

#ifndef ZEL_VARIANT_INT
#error "Chinese remaindering exists in the integer build only"
#endif

#include <cstdint>
#include <vector>

#include "engine/coef/int_arith.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// ---- the lift context of the current batch ----------------------------------
extern uint32_t valid_number_of_primes;  // n
extern uint32_t* valid_Primes;           // p0 .. p(n-1), lane order
extern INT ZEL_C(product_of_primes);     // P = p0 * ... * p(n-1)
extern INT ZEL_C(maxi_INT);              // B, the bound of one batch
extern INT* chinese_cstes;               // tree constants, preorder (2n - 2 used)

// Lifting switches: the context is maintained only while want_lift is set;
// with want_chinese_only the output lifts stop after Chinese remaindering;
// want_small / want_quiet silence the convergence message.
// (ZEL_C(want_lift), ZEL_C(want_chinese_only), ZEL_C(want_small) and
// ZEL_C(want_quiet) are the session's flags, engine/api/session.hpp and
// engine/mono/expos_layout.hpp.)

// Rebuilds the context from the prime table (numberOfPrimes/listOfPrimes of
// primes.hpp) when want_lift is set: n, the primes, P, B and the constants.
// Needs a prime table; leaves zone 1 as it was; enters the INT context
// itself (it is the hook that init_Dom runs, primes.hpp).
void init_Lift_INT();
void ZEL_C(re_init_Chineese_INT)();
void ZEL_C(init_Chineese_INT)();
void ZEL_C(recursive_init_Chinese)();
// Forgets the context (memory reset: its block is given back).
void forget_lift_context();

// Product of valid_Primes[lo .. hi) (at least p_lo), zone 1.
INT prime_product(uint32_t lo, uint32_t hi);
// The tree constants of n primes (2n - 2 entries, preorder, inverses folded
// into the leaves) in zone 1; a pointer to the first.  n >= 2.
INT* init_Chinese_cstes(const uint32_t* primes, uint32_t n);
// x with x = residues[i] mod p_i for every i (not reduced modulo P; the
// residue itself for n = 1), zone 1.
INT Chinese_INT(const uint32_t* residues, const INT* constants, uint32_t n);

// B from P: floor(sqrt(floor(P/2))) for one prime, floor(sqrt(floor(P/2) / p0))
// for more (2 n d < P for |n|, d < B).
INT ZEL_C(compute_bound)(const INT& P);
// Size bound s in 32-bit words for a modulus M of l = 2 * limbs words:
// s = (l - 1)/2 - 2, but 0 (nothing lifts yet) when M is too small for that
// (at most two limbs); M = 0 is fatal.  2 n d < M whenever n and d are
// shorter than s words.
uint32_t ZEL_C(compute_bound_size)(const INT& M);

// Rational reconstruction of u modulo M with bound B: 1 and n/d (coprime,
// d > 0, sign on n, n = u d mod M) into *num / *den when |n|, d < B;
// otherwise 0 and 0/1.
int internal_lift_INT(const INT& u, const INT& M, const INT& B, INT* num, INT* den);
// internal_lift_INT(u, P, B) of the context.
int ZEL_C(lift_INT)(const INT& u, INT* num, INT* den);

// A lift triple: image, numerator, denominator, side by side.
// try_lift_one: the image of the n residues into triple[0], then its
// reconstruction into triple[1] / triple[2]; 0 lifts to 0/1.
int ZEL_C(try_lift_one_INT)(const uint32_t* residues, INT* triple);
// The same for term j of a residue polynomial (lanes[l][j], l < n).
int ZEL_C(try_lift_row_INT)(Dom* const* lanes, uint32_t j, INT* triple);
// Output lift into pair[0] / pair[1]: with want_chinese_only the image over
// 1; 0 lifts to 0/1.  1 when lifted.
int ZEL_C(lift_one_INT)(const uint32_t* residues, INT* pair);
// lift_one_INT of term j; does nothing and returns 1 unless one == 1.
int ZEL_C(lift_row_INT)(Dom* const* lanes, uint32_t j, INT* pair, int32_t one);
int ZEL_C(recursive_lift_row_INT)(Dom* const* lanes, uint32_t j, INT* pair, int32_t one);

// Combining an image modulo M_old with a new batch (modulo P, the context's
// product; M = M_old P) needs M_old and M_old^-1 mod P, read once from M
// and c2 = M_old (M_old^-1 mod P) for the terms of a polynomial, and the
// batch's residues r_i count through e_i = (P/p_i) ((P/p_i)^-1 mod p_i)
// M_old^-1 mod P.  Zone 1.
struct BatchStep {
  INT old_modulus;             // M_old
  INT old_inverse;             // M_old^-1 mod P
  std::vector<INT> residue_weights;  // e_i
};
BatchStep batch_step(const INT& M, const INT& c2);
// The image modulo M, in [0, M), of the old image U (any integer; U mod
// M_old counts) and the residues of the batch: (u c2 + U c1) mod M.  Zone 1.
INT combined_image(const uint32_t* residues, const INT& U, const BatchStep& step);

// A further batch.  U is the old image modulo M_old, M = M_old * P,
// c1 = P * (P^-1 mod M_old), c2 = M_old * (M_old^-1 mod P).  The new image
// (u c2 + U c1) mod M goes into triple[0]; unless combine_only it is
// reconstructed by size (n and d shorter than s words) into triple[1..2].
int ZEL_C(try_upgrade_lift_one_INT)(const uint32_t* residues, INT* triple, const INT& U,
                                    const INT& M, uint32_t s, const INT& c1, const INT& c2,
                                    int32_t combine_only);
int ZEL_C(try_upgrade_lift_row_INT)(Dom* const* lanes, uint32_t j, INT* triple, const INT& U,
                                    uint32_t s, const INT& M, const INT& c1, const INT& c2,
                                    int32_t combine_only);

// The reconstruction of the image triple[0] modulo M into triple[1..2], for
// the terms of one polynomial in turn: the terms of a polynomial mostly share
// their denominator, so the lcm *D of the denominators found so far is tried
// first (one multiplication); the remainder sequence runs only when it does
// not fit, and *D takes in the new denominator.  The bound is B when given,
// the size bound s otherwise; results as internal_lift_INT, except that a
// fraction found over *D is left as n / *D, not reduced.  Every
// denominator found divides the final *D, which is the lcm of their
// reduced forms.
int lift_sharing_denominator(INT* triple, const INT& M, const INT* B, uint32_t s, INT* D);

// First batch of a polynomial of t terms: every term's image is made, and
// the terms are reconstructed up to the first failure.  All lifted:
// out[j] = the integral coefficients (numerators times lcm/d_j), *extra (when
// given) = the lcm, result 1.  Otherwise out[j] = the images, result 0.
// out and extra take zone-1 memory.
int ZEL_C(primpart)(INT* extra, INT* out, Dom* const* lanes, uint32_t t);
// A later batch: slots[j] hold the old images modulo M / P.  Terms are taken
// from the last; after the first failure the rest are only combined.  All
// lifted: slots = integral coefficients, 1; otherwise slots = new images, 0.
int ZEL_C(primpart_upgrade)(INT* extra, INT* slots, Dom* const* lanes, uint32_t t, uint32_t s,
                            const INT& M, const INT& c1, const INT& c2);
// t residue vectors of n residues each, vector i at vectors + i * n: 1 when
// all lift, out = numerators over their common denominator; 0 at the first
// failure.
int ZEL_C(lift_array)(const uint32_t* vectors, INT* out, uint32_t t);

// a^-1 mod m in [0, m) (a and m coprime, m > 1; fatal otherwise).
INT ZEL_C(inv_mod_INT)(const INT& a, const INT& m);
// Always fatal: "invalid function does not work (prime %u) !\n".
[[noreturn]] void ZEL_C(invalid)(uint32_t p);

}  // namespace zel::ZEL_BUILD
