// BigLexp: the exponent vector for the lexicographic order (the change of
// ordering keeps its target polynomials in it; both builds carry it, since
// the prime-field build's DRLDRL holds only 8-bit exponents).
//
// n variables, 16-bit exponents four to a 64-bit word, no degree field:
// B = (n-1)/4 + 1 words (0 when n = 0).  Variable i lies in field
// 4*(i/4) + 3 - i%4: x0 in the top 16 bits of word 0, then x1, x2, x3
// downwards; x4..x7 in word 1; and so on.  So the order is a signed
// comparison of whole words, exact while every exponent stays below 32768.
//
// Conventions as for BigDexp (bigdexp.hpp): process-wide variable count,
// vectors by address, 1/0 truths, 1/-1/0 comparisons.
#pragma once

#include <cstdint>

#include "server/base/exp_vector.hpp"

namespace orv::ORV_BUILD {

using BigLexp = uint64_t;  // a vector is internal_nb_dbl_block_BigLexp of these

extern uint32_t internal_nb_var_BigLexp;
extern uint32_t export_nb_var_BigLexp;
extern uint32_t nb_variables_BigLexp;
extern uint32_t internal_nb_block_BigLexp;
extern uint32_t internal_nb_dbl_block_BigLexp;
extern uint32_t extra_nb_vars_BigLexp;
extern uint32_t extra_nb_end_vars_BigLexp;
extern char* Liste_variables_BigLexp[kMaxVariables];

struct BigLexpLayout {
  static constexpr const char* kName = "BigLexp";
  static constexpr unsigned kBits = 16;
  using Flat = uint16_t;
  static constexpr unsigned kBlocks = 1;
  static constexpr bool kHasDegree = false;
  static unsigned words() { return internal_nb_dbl_block_BigLexp; }
  static unsigned nb_var() { return internal_nb_var_BigLexp; }
  static unsigned field_of_var(unsigned i) { return 4 * (i / 4) + 3 - i % 4; }
  static unsigned var_of_field(unsigned f) { return 4 * (f / 4) + 3 - f % 4; }
  static unsigned block_begin(unsigned) { return 0; }
  static unsigned block_end(unsigned) { return 4 * words(); }
  static unsigned degree_field(unsigned) { return ~0u; }
  static unsigned block_of_var(unsigned) { return 0; }
};
using BigLexpOps = ExpOps<BigLexpLayout>;

// --- Set-up and access ---
void set_nb_var_BigLexp(uint32_t n, uint32_t b, uint32_t c);  // b, c unused
uint32_t Nombre_variables_BigLexp();
uint32_t nb_first_block_BigLexp();   // n
uint32_t nb_second_block_BigLexp();  // 0
void init_BigLexp();                 // once: n = 4, clears the names after the extra ones

inline unsigned extraire_BigLexp(const BigLexp* e, unsigned i) {
  return BigLexpOps::extraire(e, i);
}
inline void ranger_BigLexp(BigLexp* e, unsigned v, unsigned i) { BigLexpOps::ranger(e, v, i); }
inline void ranger_add_BigLexp(BigLexp* e, unsigned d, unsigned i) {
  BigLexpOps::ranger_add(e, d, i);
}
inline unsigned phys_index_BigLexp(unsigned i) { return BigLexpLayout::field_of_var(i); }
inline void set_null_BigLexp(BigLexp* e) { BigLexpOps::set_null(e); }
inline void copy_BigLexp(BigLexp* dst, const BigLexp* src) { BigLexpOps::copy(dst, src); }
void extract_block1_BigLexp(BigLexp* dst, const BigLexp* src);  // a copy
void extract_block2_BigLexp(BigLexp* dst, const BigLexp* src);  // zero
inline int null_BigLexp(const BigLexp* e) { return BigLexpOps::null(e); }
uint32_t size_memory_buf_BigLexp();  // 2n bytes
uint32_t out_memory_BigLexp(uint16_t* buf, const BigLexp* e);
uint32_t parse_memory_BigLexp(const uint16_t* buf, BigLexp* e);
// The sum of all exponents.
inline unsigned totalDegree_BigLexp(const BigLexp* e) { return BigLexpOps::totalDegree(e); }

// --- Arithmetic and tests ---
// The product (word sums); an exponent of 32768 or more in it is fatal.
inline BigLexp* add_BigLexp(const BigLexp* a, const BigLexp* b, BigLexp* out) {
  return BigLexpOps::add(a, b, out);
}
inline BigLexp* sub_BigLexp(const BigLexp* a, const BigLexp* b, BigLexp* out) {
  return BigLexpOps::sub(a, b, out);
}
inline BigLexp* zsup_BigLexp(const BigLexp* a, const BigLexp* b, BigLexp* out) {
  BigLexpOps::merge<true>(a, b, out);
  return out;
}
// No degree field, so nothing can overflow: the same as zsup_BigLexp.
inline BigLexp* zsup_verif_BigLexp(const BigLexp* a, const BigLexp* b, BigLexp* out) {
  return zsup_BigLexp(a, b, out);
}
inline BigLexp* zinf_BigLexp(const BigLexp* a, const BigLexp* b, BigLexp* out) {
  BigLexpOps::merge<false>(a, b, out);
  return out;
}
inline void zscal_BigLexp(unsigned s, BigLexp* e) { BigLexpOps::zscal(s, e); }
inline int eq_BigLexp(const BigLexp* a, const BigLexp* b) { return BigLexpOps::eq(a, b); }
inline int eq_BigLexp(const BigLexp* a, const BigLexp* b, const BigLexp* c) {
  return BigLexpOps::eq(a, b, c);
}
inline int eq_BigLexp(const BigLexp* a, const BigLexp* b, const BigLexp* c, const BigLexp* d) {
  return BigLexpOps::eq(a, b, c, d);
}
inline int is_sub_BigLexp(const BigLexp* a, const BigLexp* b) { return BigLexpOps::is_sub(a, b); }
inline int is_block1_sub_BigLexp(const BigLexp* a, const BigLexp* b) {
  return is_sub_BigLexp(a, b);
}
inline int is_homog_sub_BigLexp(const BigLexp* a, BigLexp* b) {
  return BigLexpOps::is_homog_sub(a, b);
}
inline int is_sub_and_do_BigLexp(BigLexp* a, const BigLexp* b) {
  return BigLexpOps::is_sub_and_do(a, b);
}
inline int is_sub_intel_BigLexp(const BigLexp* a, const BigLexp* b) {
  return BigLexpOps::is_sub_intel(a, b);
}
// Field 3 is equal in both.
int optim_BigLexp(const BigLexp* a, const BigLexp* b);
inline int is_power_BigLexp(const BigLexp* e, unsigned& d) { return BigLexpOps::is_power(e, d); }
inline int slow_is_power_BigLexp(const BigLexp* e, unsigned& d) {
  return BigLexpOps::slow_is_power(e, d);
}
inline uint32_t mainVariable_BigLexp(const BigLexp* e) { return BigLexpOps::mainVariable(e); }
// 1 + the first variable that occurs, its exponent in d; 0xFFFFFFFF for 1.
inline uint32_t mainVariable_BigLexp(const BigLexp* e, unsigned& d) {
  return BigLexpOps::mainVariable(e, d);
}
inline int is_eliminated_BigLexp(const BigLexp* e, unsigned k) {
  return BigLexpOps::is_eliminated(e, k);
}
inline int is_eliminated_BigLexp(const BigLexp*) { return 1; }
inline int is_sym_orbit_BigLexp(const BigLexp* e) { return BigLexpOps::is_sym_orbit(e); }
void permut_BigLexp(BigLexp* e, const unsigned* perm);
// Reverses the order of all the fields (field k and 4B-1-k change places).
void mirror_BigLexp(BigLexp* e);
[[noreturn]] void mainDegree_BigLexp(BigLexp* a, BigLexp* b, const BigLexp* e);  // not provided

// --- Orders ---
// Lexicographic, x0 > x1 > ...: the larger word (signed) wins.
inline int greater_BigLexp(const BigLexp* a, const BigLexp* b) {
  return compare_words<int64_t>(a, b, 0, internal_nb_dbl_block_BigLexp, false);
}
inline int greater_BigLexp(const BigLexp* a, const BigLexp* b, const BigLexp* c) {
  return compare_words<int64_t>(a, b, c, 0, internal_nb_dbl_block_BigLexp, false);
}
// The smaller word wins.
inline int rev_greater_BigLexp(const BigLexp* a, const BigLexp* b) {
  return compare_words<int64_t>(a, b, 0, internal_nb_dbl_block_BigLexp, true);
}
inline int lex_greater_BigLexp(const BigLexp* a, const BigLexp* b) { return greater_BigLexp(a, b); }
inline int greater2_BigLexp(const BigLexp* a, const BigLexp* b) {
  return BigLexpOps::greater2(a, b);
}

// --- Hashes (as for BigDexp) ---
inline uint32_t Hash_BigLexp(const BigLexp* e, uint32_t seed) { return BigLexpOps::Hash(e, seed); }
inline uint32_t hash_BigLexp(const BigLexp* e, uint32_t m) { return BigLexpOps::hash(e, m); }
inline uint32_t hash_BigLexp(const BigLexp* a, const BigLexp* b, uint32_t m) {
  return BigLexpOps::hash(a, b, m);
}

}  // namespace orv::ORV_BUILD
