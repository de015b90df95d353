// Integer build: `INT`, the GMP integers of the engine, and the layer of
// arithmetic, comparison, conversion, export and printing through which the
// rest of the engine uses GMP.
//
// An INT is a GMP integer record held by value (allocation count, signed
// size, limb pointer); functions that return one return the whole record.
// Unless a comment says otherwise, every function here must run inside the
// INT context (int_context.hpp): results then take their limbs from the
// CURRENT zone 1 and live until its mark before the call is restored (or are
// slid down, int_slide.hpp).  Inputs are only read.  `_d` functions write the
// result into their first argument.
#pragma once

#ifndef ZEL_VARIANT_INT
#error "INT exists in the integer build only"
#endif

#include <gmp.h>

#include <cstdint>
#include <cstdio>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

using INT = __mpz_struct;
static_assert(sizeof(INT) == 16, "an INT is two 32-bit counts and a limb pointer");
static_assert(sizeof(mp_limb_t) == 8, "limbs are 64-bit");

// ---- construction and arithmetic (results in zone 1) ----------------------
INT ZEL_C(cINT_I32)(int32_t i);
INT ZEL_C(cINT_Dom)(uint32_t u);
INT ZEL_C(copy_INT)(const INT& a);
INT ZEL_C(add_INT)(const INT& a, const INT& b);
INT ZEL_C(sub_INT)(const INT& a, const INT& b);
INT ZEL_C(mult_INT)(const INT& a, const INT& b);
void ZEL_C(add_INT_d)(INT* a, const INT& b);   // a += b
void ZEL_C(add_INT_dd)(INT* a, const INT& b);  // a += b
void ZEL_C(mult_INT_d)(INT* a, const INT& b);  // a *= b
// Quotient truncated towards 0; b = 0 is fatal.
INT ZEL_C(quot_INT)(const INT& a, const INT& b);
// a / b when b divides a exactly (b = 0 is fatal).
INT ZEL_C(exquo_INT)(const INT& a, const INT& b);
// Truncated quotient; the remainder (sign of a) into the new INT *r.
INT ZEL_C(divide_INT)(const INT& a, const INT& b, INT* r);
// a mod m in [0, |m|); m = 0 is fatal.
INT ZEL_C(mod_INT)(const INT& a, const INT& m);
void ZEL_C(mod_INT_d)(INT* a, const INT& m);
INT ZEL_C(gcd_INT)(const INT& a, const INT& b);  // >= 0
INT ZEL_C(sqrt_INT)(const INT& a);               // floor(sqrt(a)); a < 0 is fatal

// ---- sign, tests, sizes (no allocation; any context) ----------------------
// s = 0 sets v to 0; s > 0 makes v non-negative, s < 0 non-positive (the
// magnitude is kept).
void ZEL_C(SetSign_Int)(INT* v, int32_t s);
int32_t ZEL_C(GetSign_Int)(const INT& v);  // -1, 0, +1
bool ZEL_C(is_zero_INT)(const INT& v);
bool ZEL_C(is_one_INT)(const INT& v);
bool ZEL_C(is_neg_one_INT)(const INT& v);
int32_t ZEL_C(compare_INT)(const INT& a, const INT& b);   // sign of a - b
int32_t ZEL_C(ucompare_INT)(const INT& a, const INT& b);  // sign of |a| - |b|
uint32_t ZEL_C(GetLSize_Int)(const INT& v);               // 64-bit limbs of |v|
uint32_t ZEL_C(Relative_GetLSize_Int)(const INT& v);      // 32-bit words: 2 * limbs
// Estimated length of |v| in 32-bit words (0 for v = 0); for messages.
double ZEL_C(estime_log_INT)(const INT& v);
// v mod p in [0, p); p = 0 is fatal.
uint32_t ZEL_C(INT_to_Dom)(const INT& v, uint32_t p);

// ---- conversion ------------------------------------------------------------
// Reads the decimal integer in `text` (blanks around it and one leading sign
// allowed) and stores in out[i] the remainder of its ABSOLUTE value modulo
// primes[i], i < n.  Leaves nothing in zone 1.  Text that is not a decimal
// integer is fatal ("Not an integer: \"%s\"\n"), with out untouched.
void ZEL_C(convert_modulos)(const char* text, uint32_t* out, const uint32_t* primes, uint32_t n);
// Reads a decimal integer (same syntax) into a new INT in zone 1; false,
// with *v untouched, when the text is not one.
bool parse_INT(const char* text, INT* v);

// Writes v as `len` 32-bit words: out[0] = -1 for v < 0 and +1 otherwise,
// then the magnitude from the least significant word, then zeros.  When the
// magnitude needs more than len - 1 words it is fatal ("Zel interface error:
// an integer of %u words does not fit in %u words\n") and nothing is written.
// Needs no context.
void ZEL_C(export_INT)(uint32_t* out, const INT& v, uint32_t len);
// Width of v's magnitude for export: 32-bit words, twice its limbs (always
// enough for export_INT beyond the sign word).
uint32_t export_words_INT(const INT& v);
// Inverse of export_INT: the magnitude from the len - 1 words after the
// sign word (least significant first), negated when the sign word is
// negative.  len = 0 gives 0.
INT ZEL_C(import_INT)(const int32_t* in, uint32_t len);
// Copy of a caller's GMP integer (zone 1); when stream is given the value is
// also written on it in decimal.
INT ZEL_C(import_gmp_INT)(mpz_srcptr v, FILE* stream);

// ---- printing (through the engine's output channel) ----------------------
void ZEL_C(see_INT)(const INT& v);
void ZEL_C(see_INT_mod)(const INT& v, uint32_t p);  // "%u" of v mod p
// a / b as a floating-point number of prec bits, prec decimal digits.
void ZEL_C(see_FRAC_INT_float)(const INT& a, const INT& b, uint32_t prec);
// Raises the running coefficient-size maxima to the length of v.
void enregistre(const INT& v);

// "New Lift 2.0 + GC + GMP %u.%u.%u" with the GMP version in use; 200 bytes
// from xmalloc, built by init_urgent_implement_Dom (null before).
extern char* info_lift_package;
void ZEL_C(init_urgent_implement_Dom)();

}  // namespace zel::ZEL_BUILD
