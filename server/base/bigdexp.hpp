// BigDexp: the integer build's exponent vector for the degree reverse
// lexicographic order.
//
// n variables, 16-bit exponents four to a 64-bit word, B = n/4 + 1 words
// (0 when n = 0).  Field 3, the top 16 bits of word 0, holds the total
// degree.  Variable i lies in field 4*(j/4) + 3 - j%4 with j = n - i, so word
// 0 holds, from the top, the degree, x(n-1), x(n-2), x(n-3); word 1 holds
// x(n-4) .. x(n-7); variable 0 lies in word n/4.  Fields of no variable are
// zero.  This layout lets the order compare degrees with one 16-bit read and
// the rest a word at a time, and divisibility take one mask per word.
//
// The variable count is process-wide (per build): every vector has B words
// and the functions take no count.  Changing it invalidates every vector
// (records that hold vectors must be rebuilt by their pools).  Order,
// divisibility and hashes are exact while every field, the degree included,
// stays below 32768; a degree above 65535 no longer fits (zsup_verif warns).
//
// Vectors are passed by address; results are written in place.  Truth values
// are 1/0; comparisons return 1 (first greater), -1, 0.
#pragma once

#include <cstdint>

#include "server/base/exp_vector.hpp"

namespace orv::ORV_BUILD {

static_assert(kIntegerBuild, "BigDexp belongs to the integer build");

using BigDexp = uint64_t;  // a vector is internal_nb_dbl_block_BigDexp of these

// --- Process-wide state of the type ---
extern uint32_t internal_nb_var_BigDexp;  // n
extern uint32_t export_nb_var_BigDexp;    // copies of n for other units
extern uint32_t nb_variables_BigDexp;
extern uint32_t internal_nb_block_BigDexp;            // B
extern uint32_t internal_nb_dbl_block_BigDexp;        // the vector's size in 64-bit words (= B)
extern uint32_t extra_nb_vars_BigDexp;                // variables the text input added in front
extern uint32_t extra_nb_end_vars_BigDexp;            // ... and behind the user's
extern char* Liste_variables_BigDexp[kMaxVariables];  // names by variable index

struct BigDexpLayout {
  static constexpr const char* kName = "BigDexp";
  static constexpr unsigned kBits = 16;
  using Flat = uint16_t;
  static constexpr unsigned kBlocks = 1;
  static constexpr bool kHasDegree = true;
  static unsigned words() { return internal_nb_dbl_block_BigDexp; }
  static unsigned nb_var() { return internal_nb_var_BigDexp; }
  static unsigned field_of_var(unsigned i) {
    unsigned j = internal_nb_var_BigDexp - i;
    return 4 * (j / 4) + 3 - j % 4;
  }
  static unsigned var_of_field(unsigned f) {
    return internal_nb_var_BigDexp - (4 * (f / 4) + 3 - f % 4);
  }
  static unsigned block_begin(unsigned) { return 0; }
  static unsigned block_end(unsigned) { return 4 * words(); }
  static unsigned degree_field(unsigned) { return 3; }
  static unsigned block_of_var(unsigned) { return 0; }
};
using BigDexpOps = ExpOps<BigDexpLayout>;

inline unsigned degree_BigDexp(const BigDexp* e) { return unsigned(e[0] >> 48); }

// --- Set-up and access ---

// Sets n and the sizes; b and c are not used by this type.  Fatal beyond
// kMaxVariables variables.
void set_nb_var_BigDexp(uint32_t n, uint32_t b, uint32_t c);
uint32_t Nombre_variables_BigDexp();
uint32_t nb_first_block_BigDexp();   // n
uint32_t nb_second_block_BigDexp();  // 0
// Once per process: the layout self-test, then clears the names from
// extra_nb_vars_BigDexp on.  Leaves n = 4.
void init_BigDexp();

// Exponent of variable i; i = n gives the degree.
inline unsigned extraire_BigDexp(const BigDexp* e, unsigned i) {
  return BigDexpOps::extraire(e, i);
}
// Exponent of variable i := v, the degree following; i = n sets the degree.
inline void ranger_BigDexp(BigDexp* e, unsigned v, unsigned i) { BigDexpOps::ranger(e, v, i); }
inline void ranger_add_BigDexp(BigDexp* e, unsigned d, unsigned i) {
  BigDexpOps::ranger_add(e, d, i);
}
inline unsigned phys_index_BigDexp(unsigned i) { return BigDexpLayout::field_of_var(i); }
inline void set_null_BigDexp(BigDexp* e) { BigDexpOps::set_null(e); }
inline void copy_BigDexp(BigDexp* dst, const BigDexp* src) { BigDexpOps::copy(dst, src); }
void extract_block1_BigDexp(BigDexp* dst, const BigDexp* src);  // a copy
void extract_block2_BigDexp(BigDexp* dst, const BigDexp* src);  // zero
inline int null_BigDexp(const BigDexp* e) { return BigDexpOps::null(e); }
uint32_t size_memory_buf_BigDexp();  // 2n bytes
// Exponents of variables 0..n-1 as n 16-bit values; returns n.
uint32_t out_memory_BigDexp(uint16_t* buf, const BigDexp* e);
// e := the exponents buf[0..n-1], degree included; returns n.
uint32_t parse_memory_BigDexp(const uint16_t* buf, BigDexp* e);

// --- Arithmetic and tests ---

// The product (word sums); returns out.  A product of degree 32768 or more
// is fatal.
inline BigDexp* add_BigDexp(const BigDexp* a, const BigDexp* b, BigDexp* out) {
  return BigDexpOps::add(a, b, out);
}
// The quotient a / b (word differences), meaningful when b divides a.
inline BigDexp* sub_BigDexp(const BigDexp* a, const BigDexp* b, BigDexp* out) {
  return BigDexpOps::sub(a, b, out);
}
// Least common multiple; the degree is the sum, kept to 16 bits.
inline BigDexp* zsup_BigDexp(const BigDexp* a, const BigDexp* b, BigDexp* out) {
  BigDexpOps::merge<true>(a, b, out);
  return out;
}
// The same; warns once per process when the degree does not fit 16 bits.
BigDexp* zsup_verif_BigDexp(const BigDexp* a, const BigDexp* b, BigDexp* out);
// Greatest common divisor.
inline BigDexp* zinf_BigDexp(const BigDexp* a, const BigDexp* b, BigDexp* out) {
  BigDexpOps::merge<false>(a, b, out);
  return out;
}
// Every field, the degree included, times s.
inline void zscal_BigDexp(unsigned s, BigDexp* e) { BigDexpOps::zscal(s, e); }
inline int eq_BigDexp(const BigDexp* a, const BigDexp* b) { return BigDexpOps::eq(a, b); }
// a is the product b c.
inline int eq_BigDexp(const BigDexp* a, const BigDexp* b, const BigDexp* c) {
  return BigDexpOps::eq(a, b, c);
}
// a b = c d.
inline int eq_BigDexp(const BigDexp* a, const BigDexp* b, const BigDexp* c, const BigDexp* d) {
  return BigDexpOps::eq(a, b, c, d);
}
// b divides a.
inline int is_sub_BigDexp(const BigDexp* a, const BigDexp* b) { return BigDexpOps::is_sub(a, b); }
inline int is_block1_sub_BigDexp(const BigDexp* a, const BigDexp* b) {
  return is_sub_BigDexp(a, b);
}
// b without its last variable divides a (b is changed and restored).
inline int is_homog_sub_BigDexp(const BigDexp* a, BigDexp* b) {
  return BigDexpOps::is_homog_sub(a, b);
}
// When b divides a, a := a / b and 1; else 0 with a unchanged.
inline int is_sub_and_do_BigDexp(BigDexp* a, const BigDexp* b) {
  return BigDexpOps::is_sub_and_do(a, b);
}
// Every field of a is at least b's.
inline int is_sub_intel_BigDexp(const BigDexp* a, const BigDexp* b) {
  return BigDexpOps::is_sub_intel(a, b);
}
// The two degree fields are equal.
int optim_BigDexp(const BigDexp* a, const BigDexp* b);
// e = x(i)^k, k >= 1: d := k and i; otherwise -1 with d untouched.
inline int is_power_BigDexp(const BigDexp* e, unsigned& d) { return BigDexpOps::is_power(e, d); }
inline int slow_is_power_BigDexp(const BigDexp* e, unsigned& d) {
  return BigDexpOps::slow_is_power(e, d);
}
// 1 + the first variable that occurs; 0xFFFFFFFF for the monomial 1.
inline uint32_t mainVariable_BigDexp(const BigDexp* e) { return BigDexpOps::mainVariable(e); }
inline int is_eliminated_BigDexp(const BigDexp* e, unsigned k) {
  return BigDexpOps::is_eliminated(e, k);
}
inline int is_eliminated_BigDexp(const BigDexp*) { return 1; }
inline int is_sym_orbit_BigDexp(const BigDexp* e) { return BigDexpOps::is_sym_orbit(e); }
// The exponent of variable i moves to variable perm[i].
void permut_BigDexp(BigDexp* e, const unsigned* perm);
// out := in with the exponents moved by perm, in's degree.
void permut_fast_BigDexp(BigDexp* out, const BigDexp* in, const unsigned* perm);
// Not provided by this type: fatal.
[[noreturn]] void mainVariable_BigDexp(const BigDexp* e, unsigned& d);
[[noreturn]] void mainDegree_BigDexp(BigDexp* a, BigDexp* b, const BigDexp* e);
[[noreturn]] void mirror_BigDexp(BigDexp* e);

// --- Orders ---

// Degree reverse lexicographic, x0 > x1 > ...: the larger degree, then the
// smaller word (signed) from word 0, i.e. the smaller exponent of the last
// variable where they differ.
inline int greater_BigDexp(const BigDexp* a, const BigDexp* b) {
  unsigned da = degree_BigDexp(a), db = degree_BigDexp(b);
  if (da != db) return da > db ? 1 : -1;
  return compare_words<int64_t>(a, b, 0, internal_nb_dbl_block_BigDexp, true);
}
// a against the product b c, without forming it.
inline int greater_BigDexp(const BigDexp* a, const BigDexp* b, const BigDexp* c) {
  int32_t da = int32_t(degree_BigDexp(a)), dbc = int32_t(degree_BigDexp(b) + degree_BigDexp(c));
  if (da != dbc) return da > dbc ? 1 : -1;
  return compare_words<int64_t>(a, b, c, 0, internal_nb_dbl_block_BigDexp, true);
}
// Degree first, then the larger word wins.
inline int rev_greater_BigDexp(const BigDexp* a, const BigDexp* b) {
  unsigned da = degree_BigDexp(a), db = degree_BigDexp(b);
  if (da != db) return da > db ? 1 : -1;
  return compare_words<int64_t>(a, b, 0, internal_nb_dbl_block_BigDexp, false);
}
// Lexicographic on variables 0, 1, ..., the degree playing no part.
inline int lex_greater_BigDexp(const BigDexp* a, const BigDexp* b) {
  return BigDexpOps::lex_greater(a, b);
}
// At the first differing variable from 0, the smaller exponent wins.
inline int greater2_BigDexp(const BigDexp* a, const BigDexp* b) {
  return BigDexpOps::greater2(a, b);
}

// --- Hashes ---

// seed plus each word's remainder modulo 16777213, modulo 16777213.
inline uint32_t Hash_BigDexp(const BigDexp* e, uint32_t seed) { return BigDexpOps::Hash(e, seed); }
// Horner over the 16-bit fields from the last down, modulo m (m > 0).
inline uint32_t hash_BigDexp(const BigDexp* e, uint32_t m) { return BigDexpOps::hash(e, m); }
// The hash of the product a b, without forming it.
inline uint32_t hash_BigDexp(const BigDexp* a, const BigDexp* b, uint32_t m) {
  return BigDexpOps::hash(a, b, m);
}

}  // namespace orv::ORV_BUILD
