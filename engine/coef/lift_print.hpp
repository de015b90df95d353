// Integer build: printing with coefficients lifted to rationals, and the
// rational interpolation of univariate results.
//
// Everything is written through the engine's output (Output).  Each printer
// enters the INT context and gives back the integers it makes (zone-1 mark),
// so it can be called from anywhere in the integer build.
#pragma once

#ifndef ZEL_VARIANT_INT
#error "lifted printing exists in the integer build only"
#endif

#include <cstdint>
#include <cstdio>

#include "engine/coef/int_arith.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Written before the next successful lifted print, then cleared (a failed
// print clears it without writing it).
extern const char* pending_display;
// Set to 1 when a lifted print fails.
extern int32_t want_output_is_bad;
// Name of the variable of printed univariate results.
extern const char* ZEL_C(param_variable);
// The rational-function printer writes only the denominator.
extern int32_t ZEL_C(want_denom_coeff_only);

// Prints the residue polynomial p with lifted coefficients: "0" without
// terms; "NYA" (and want_output_is_bad) when a coefficient does not lift.
// 1 when every coefficient lifted.  It is the see_Dpol_lifted hook of
// dpol.hpp.
int secure_see_Dpol_1(const Dpol* p);

// The hooks of the printers of dpol.hpp and dom_string.hpp.  The first is
// secure_see_Dpol_1 while want_secure is set; otherwise it lifts every term
// on its own, printing "NYA*" and the monomial for a term that does not
// lift (and setting want_output_is_bad).  The second prints the rational
// that the n residues lift to (false, printing nothing, when they do not).
void see_Dpol_lifted_terms(const Dpol* p);
bool display_lifted_value(const uint32_t* v, uint32_t n);

// n values pairwise distinct, or fatal "incoherence dans data: %u = %u\n".
void verifier_coherence(const uint32_t* values, uint32_t n);

// Rational interpolation (continued fractions) modulo p of the n values at
// the n points (checked distinct on every call): num / den coefficient
// arrays (room for n each, constant term first) and their degrees.  1 on
// success, 0 when the n points do not suffice (always for n <= 3).
int internal_param_lift(const uint32_t* points, const uint32_t* values, uint32_t n, uint32_t p,
                        uint32_t* num, uint32_t* den, int32_t* num_degree, int32_t* den_degree);

// Prints the univariate polynomial of the given degree whose coefficient of
// degree d has, modulo primes[k], the residue coeffs[d + k * stride]
// (k < nprimes): each coefficient is lifted over those primes ("NYA" when it
// does not lift); a degree is skipped only when all its residues are 0.
void display_univ(const uint32_t* coeffs, int32_t degree, uint32_t stride, uint32_t nprimes,
                  const uint32_t* primes, const char* variable);

// One point and one value per lane (maxi_vectorize lanes): interpolates per
// group of consecutive lanes with the same prime (Primes_ori), prints the
// lifted rational function in param_variable.  1 when printed, 0 ("NYA")
// when an interpolation failed; groups of unequal sizes are fatal ("Cas pas
// fait dans param_lift\n").
int ZEL_C(param_lift)(const uint32_t* points, const uint32_t* values);

// Sets the output stream (when given) and writes one coefficient lifted from
// its residues: "NYA", the numerator alone over 1, else "(" n "/" d ")".
void ZEL_C(lift_output)(FILE* stream, const uint32_t* residues);
// Sets the output stream (when given) and writes v in decimal.
void ZEL_C(output_INT)(FILE* stream, const INT& v);
// Writes one lifted coefficient as the signed factor of a term (first: the
// polynomial's first term; constant: no monomial follows).  1 when a "*"
// must follow before the monomial.
int ZEL_C(lift_output_sgn)(FILE* stream, const uint32_t* residues, int32_t first,
                           int32_t constant);

}  // namespace zel::ZEL_BUILD
