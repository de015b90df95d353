// Layout of packed monomials for the current session.
//
// A monomial (`Expos`) is one block of `sz_Expos` bytes: a 64-bit header that
// holds its hash value, then B = `nb_of_blocks_of_variables` 64-bit exponent
// words.  Word k holds the exponents of variables 4k .. 4k+3, variable 4k+j in
// bits 16j .. 16j+15.  Variables 0 .. n-1 are the caller's, variable n is the
// homogenising one, and fields n+1 .. 4B-1 are spare fields that stay 0.
//
// Every exponent stays below 2^15: then a field-wise sum of two monomials stays
// below 2^16 (adding words never carries between fields) and a word
// subtraction marks each field where the subtrahend is larger by that field's
// top bit.  The C interface refuses larger exponents and homogenisation fails
// rather than produce one.
//
// The layout is set once per session by `set_Expos`; monomials made under one
// layout mean nothing under another.  `var_second_block` may change between
// computations (elimination orders): it changes the orders, not the layout.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Largest exponent a monomial may hold.
inline constexpr uint32_t kMaxExponent = 32767;

extern uint32_t nb_of_affine_variables;       // n; also the index of the homogenising variable
extern uint32_t real_nb_of_affine_variables;  // n, read by the printer and the C interface
extern uint32_t nb_of_variables;              // n + 1
extern uint32_t nb_of_blocks_of_variables;    // B = ceil((n + 1) / 4): exponent words
extern uint32_t max_nb_of_variables;          // 4B - 1: index of the last field, spares included
extern uint32_t sz_Expos;                     // 8B + 8: bytes of one block
extern uint32_t var_second_block;             // number of variables in the first block of the order
extern uint32_t want_Lexico;                  // lexicographic-style split (see set_Expos)

// Session flag: no layout or progress messages when set (default 1).  The C
// interface's `init` sets it.
extern uint32_t ZEL_C(want_quiet);

// Names of the variables, written by the C interface's variable declaration:
// the caller's names for 0 .. n-1 and "?" for variable n.  A null entry prints
// as "?".
inline constexpr uint32_t kMaxNamedVariables = 10000;
extern const char* Liste_variables[kMaxNamedVariables];

// Lays out monomials for n caller variables (plus the homogenising one).
// With `want_Lexico` set the first block becomes variables 0 .. n-2.  Writes
// "Blocks %u %u\n" unless quiet or lexicographic.
void set_Expos(uint32_t n);

}  // namespace zel::ZEL_BUILD
