// The engine's polynomial record `Dpol`.
//
// A fixed array of n terms: monomial i (header form, leading monomial first
// once sorted) and, in each of the V coefficient lanes, its residue modulo
// the lane's prime (V = `ZEL_C(vectorize)`: the batch width in the integer
// build, 1 in the prime-field build).  Made in one piece by `new_Dpol` in the
// active zone, never resized and never freed on its own: it lives until its
// zone mark is restored or the memory is reset.
//
// One block holds, in order: the fields below, V lane pointers, the V lanes
// (ne residues each, ne = n rounded up to even), padding to 8 bytes, then ne
// monomial pointers.  Slots n .. ne-1 are unset; they keep every array 8-byte
// aligned.
#pragma once

#include <cstdint>

#include "engine/mono/expos_words.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct Dpol {
  uint32_t serial;      // gen_sym_Dpol + 1 at creation; printed "f%d"
  uint32_t row_mark;    // set by symbolic preprocessing on row headers; unset by new_Dpol
  uint32_t flags;       // 0 at creation
  uint32_t input_mark;  // 0 at creation; the main loop marks input polynomials with 1
  uint32_t spare[3];    // cleared at creation, otherwise unused here
  uint32_t n;           // number of terms
  Expos** mono;         // n monomials, header form
  // V lane pointers follow (see lanes()).
};
static_assert(sizeof(Dpol) == 40, "the lane pointers follow the 40-byte record");

// Number of records made since the last memory reset (serial numbers start at 1).
extern uint32_t gen_sym_Dpol;

// The V coefficient lane pointers of p; all null when p has no terms.
inline Dom** lanes(Dpol* p) { return reinterpret_cast<Dom**>(p + 1); }
inline Dom* const* lanes(const Dpol* p) { return reinterpret_cast<Dom* const*>(p + 1); }

// Bytes of one record of n terms with v lanes (what new_Dpol takes).
uint64_t size_Dpol(uint32_t n, uint32_t v);

// A record with room for n terms in the active zone; monomials and residues
// unset.  new_Dpol(0) is a row header: null lanes, monomial array pointing
// just past the lane pointers.
Dpol* new_Dpol(uint32_t n);

// Lays out in `block` (size_Dpol(n, V) bytes) the record new_Dpol(n) makes,
// with the given serial number; the serial counter is left alone.  new_Dpol
// is this on a block of the active zone.
Dpol* place_Dpol(void* block, uint32_t n, uint32_t serial);

// Makes every coefficient lane of p monic in place, each lane on its own: a
// lane whose leading coefficient is 1 is left as it is, the others are
// multiplied by the inverse of theirs (a zero leading coefficient is fatal).
// A polynomial without terms is left as it is.
void monic_d(Dpol* p);

// Prints "f%d = " and the terms on the output channel: in raw output mode
// (`ZEL_C(want_raw_output)`) the residues as they are, otherwise through
// `see_Dpol_lifted`.  Zone 1 is as it was after the call.
void ZEL_C(see_Dpol)(const Dpol* p);

// Prime-field build, raw output: a residue r with 2r > p prints as r - p
// ("-" for p - 1) when set.  Default 0.
extern uint32_t ZEL_C(want_mods);

// Prints the n > 0 terms of p with their coefficients lifted to rationals.
// Integer build: the lifting layer's printer (lift_print.hpp: the terms as
// sign, "(num/den)" or the integer, "*" and the monomial; when a
// coefficient does not lift yet, "NYA" alone with want_secure set, else
// "NYA*" in that term's place).  Prime-field build: every coefficient
// prints as "NYA".
extern void (*see_Dpol_lifted)(const Dpol* p);

}  // namespace zel::ZEL_BUILD
