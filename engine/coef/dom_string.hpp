// Decimal numbers to residues, and printing residues.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// The residues of the decimal number s (blanks and "-" signs before the
// digits allowed; a "-" makes it negative) modulo every lane's prime, into
// v[0 .. ZEL_C(vectorize)).  s is only read.  A character other than a digit
// after the sign, or no digit at all, is fatal.
void String_to_Dom_length(const char* s, uint32_t* v);

// Always fatal: "Pas fait String_Float_to_Dom_length\n".
[[noreturn]] void String_Float_to_Dom_length();

// The residue of the number in s[0 .. len) modulo the prime of lane l: blanks
// and "-" before the digits, the digits to position len, read in groups of
// six with modulo6.  s is only read (it may be a string literal).
Dom complex_String_to_Dom(const char* s, uint32_t len, uint32_t l);

// Prints c by "%u" on the output channel and returns 1; with raw output off
// a residue 1 prints nothing and returns 0.
int see_Dom(Dom c);

// Prints a vector of n residues: raw output on as "<" then each "%lu " then
// ">"; raw output off the integer build prints the lifted rational through
// display_lift (or "NYA" when it cannot), the prime-field build nothing.
void display_tab_Dom(const uint32_t* v, uint32_t n);
// Set by the lifting layer: prints the rational that v lifts to, returns
// false when the lift fails.  Runs between a saved and a restored zone mark.
extern bool (*display_lift)(const uint32_t* v, uint32_t n);

}  // namespace zel::ZEL_BUILD
