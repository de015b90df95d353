// DRLDRL: the prime-field build's exponent vector, for a two-block
// elimination order that is degree reverse lexicographic inside each block.
//
// n variables, 8-bit exponents.  The vector is W 32-bit words of four bytes
// (byte f in bits 8*(f%4).. of 32-bit word f/4, so the f-th byte in memory),
// handled as W/2 64-bit words wherever blocks do not matter (sums,
// equality, divisibility, copies, Hash).
//   Block 1: variables 0..m-1, words 0..B1-1 with B1 = m/4 + 1.  Variable
//     i < m lies in byte 4*(j/4) + 3 - j%4 with j = m - i; byte 3, the top
//     of word 0, holds the block's degree.
//   Block 2: variables m..n-1 from word B1 on, j = 4*B1 + n - i; byte
//     4*B1 + 3, the top of word B1, holds its degree.
//   W = B1 + (n-m)/4 + 1 (B1 + 1 when m = n), rounded up to an even count.
// Example n = 5, m = 2: word 0 = deg1, x1, x0, unused; word 1 = deg2, x4,
// x3, x2.  Order and divisibility are exact while every byte, degrees
// included, stays below 128; a degree above 255 no longer fits.
//
// Conventions as for BigDexp (bigdexp.hpp): process-wide variable count,
// vectors by address, 1/0 truths, 1/-1/0 comparisons.
#pragma once

#include <cstdint>

#include "server/base/exp_vector.hpp"

namespace orv::ORV_BUILD {

static_assert(!kIntegerBuild, "DRLDRL belongs to the prime-field build");

using DRLDRL = uint64_t;  // a vector is internal_nb_dbl_block_DRLDRL of these

extern uint32_t internal_nb_var_DRLDRL;  // n
extern uint32_t export_nb_var_DRLDRL;
extern uint32_t nb_variables_DRLDRL;
extern uint32_t internal_nb_var_block1_DRLDRL;    // m
extern uint32_t internal_nb_block_block1_DRLDRL;  // B1 (32-bit words)
extern uint32_t internal_nb_block_DRLDRL;         // W (32-bit words)
extern uint32_t internal_nb_dbl_block_DRLDRL;     // W/2, the size in 64-bit words
extern uint32_t extra_nb_vars_DRLDRL;
extern uint32_t extra_nb_end_vars_DRLDRL;
extern char* Liste_variables_DRLDRL[kMaxVariables];

struct DRLDRLLayout {
  static constexpr const char* kName = "DRLDRL";
  static constexpr unsigned kBits = 8;
  using Flat = uint8_t;
  static constexpr unsigned kBlocks = 2;
  static constexpr bool kHasDegree = true;
  static unsigned words() { return internal_nb_dbl_block_DRLDRL; }
  static unsigned nb_var() { return internal_nb_var_DRLDRL; }
  static unsigned block2_start() { return 4 * internal_nb_block_block1_DRLDRL; }
  static unsigned field_of_var(unsigned i) {
    unsigned j = i < internal_nb_var_block1_DRLDRL ? internal_nb_var_block1_DRLDRL - i
                                                   : block2_start() + internal_nb_var_DRLDRL - i;
    return 4 * (j / 4) + 3 - j % 4;
  }
  static unsigned var_of_field(unsigned f) {
    unsigned j = 4 * (f / 4) + 3 - f % 4;
    return f < block2_start() ? internal_nb_var_block1_DRLDRL - j
                              : block2_start() + internal_nb_var_DRLDRL - j;
  }
  static unsigned block_begin(unsigned k) { return k == 0 ? 0 : block2_start(); }
  static unsigned block_end(unsigned k) { return k == 0 ? block2_start() : 8 * words(); }
  static unsigned degree_field(unsigned k) { return k == 0 ? 3 : block2_start() + 3; }
  static unsigned block_of_var(unsigned i) { return i < internal_nb_var_block1_DRLDRL ? 0 : 1; }
};
using DRLDRLOps = ExpOps<DRLDRLLayout>;

inline unsigned degree1_DRLDRL(const DRLDRL* e) { return Fields<8>::get(e, 3); }
inline unsigned degree2_DRLDRL(const DRLDRL* e) {
  return Fields<8>::get(e, DRLDRLLayout::block2_start() + 3);
}

// --- Set-up and access ---

// Sets n and the block-1 length m = b; with b = 0 the length comes from
// the environment variable ORVBLOCK.  Fatal ("You must specify the length
// of the first block ...") when the length is 0 with more than one
// variable, larger than n, or ORVBLOCK is not a number.  c is not used.
void set_nb_var_DRLDRL(uint32_t n, uint32_t b, uint32_t c);
uint32_t Nombre_variables_DRLDRL();
uint32_t nb_first_block_DRLDRL();   // m
uint32_t nb_second_block_DRLDRL();  // n - m
void init_DRLDRL();                 // once: n = 4, m = 1; clears the names after the extra ones

inline unsigned extraire_DRLDRL(const DRLDRL* e, unsigned i) { return DRLDRLOps::extraire(e, i); }
// Exponent of variable i := v (8 bits), its block's degree following.
inline void ranger_DRLDRL(DRLDRL* e, unsigned v, unsigned i) { DRLDRLOps::ranger(e, v, i); }
inline void ranger_add_DRLDRL(DRLDRL* e, unsigned d, unsigned i) { DRLDRLOps::ranger_add(e, d, i); }
inline unsigned phys_index_DRLDRL(unsigned i) { return DRLDRLLayout::field_of_var(i); }
inline void set_null_DRLDRL(DRLDRL* e) { DRLDRLOps::set_null(e); }
inline void copy_DRLDRL(DRLDRL* dst, const DRLDRL* src) { DRLDRLOps::copy(dst, src); }
// dst := src without its block-2 part / without its block-1 part.
void extract_block1_DRLDRL(DRLDRL* dst, const DRLDRL* src);
void extract_block2_DRLDRL(DRLDRL* dst, const DRLDRL* src);
// b1 := the block-1 part of e, b2 := its block-2 part.
void mainDegree_DRLDRL(DRLDRL* b1, DRLDRL* b2, const DRLDRL* e);
inline int null_DRLDRL(const DRLDRL* e) { return DRLDRLOps::null(e); }
uint32_t size_memory_buf_DRLDRL();  // n bytes
uint32_t out_memory_DRLDRL(uint8_t* buf, const DRLDRL* e);
uint32_t parse_memory_DRLDRL(const uint8_t* buf, DRLDRL* e);
// Degree of block 1 plus degree of block 2.
inline unsigned totalDegree_DRLDRL(const DRLDRL* e) {
  return degree1_DRLDRL(e) + degree2_DRLDRL(e);
}
inline unsigned totalDegree(const DRLDRL* e) { return totalDegree_DRLDRL(e); }

// --- Arithmetic and tests ---
// The product (word sums); a block degree of 128 or more in it is fatal.
inline DRLDRL* add_DRLDRL(const DRLDRL* a, const DRLDRL* b, DRLDRL* out) {
  return DRLDRLOps::add(a, b, out);
}
inline DRLDRL* sub_DRLDRL(const DRLDRL* a, const DRLDRL* b, DRLDRL* out) {
  return DRLDRLOps::sub(a, b, out);
}
// Byte-wise maximum; each degree byte the sum of its block (8 bits).
inline DRLDRL* zsup_DRLDRL(const DRLDRL* a, const DRLDRL* b, DRLDRL* out) {
  DRLDRLOps::merge<true>(a, b, out);
  return out;
}
// The same; warns once per process when a block's degree does not fit.
DRLDRL* zsup_verif_DRLDRL(const DRLDRL* a, const DRLDRL* b, DRLDRL* out);
inline DRLDRL* zinf_DRLDRL(const DRLDRL* a, const DRLDRL* b, DRLDRL* out) {
  DRLDRLOps::merge<false>(a, b, out);
  return out;
}
inline void zscal_DRLDRL(unsigned s, DRLDRL* e) { DRLDRLOps::zscal(s, e); }
inline int eq_DRLDRL(const DRLDRL* a, const DRLDRL* b) { return DRLDRLOps::eq(a, b); }
inline int eq_DRLDRL(const DRLDRL* a, const DRLDRL* b, const DRLDRL* c) {
  return DRLDRLOps::eq(a, b, c);
}
inline int eq_DRLDRL(const DRLDRL* a, const DRLDRL* b, const DRLDRL* c, const DRLDRL* d) {
  return DRLDRLOps::eq(a, b, c, d);
}
inline int is_sub_DRLDRL(const DRLDRL* a, const DRLDRL* b) { return DRLDRLOps::is_sub(a, b); }
// The block-1 part of b divides a.
int is_block1_sub_DRLDRL(const DRLDRL* a, const DRLDRL* b);
inline int is_homog_sub_DRLDRL(const DRLDRL* a, DRLDRL* b) { return DRLDRLOps::is_homog_sub(a, b); }
inline int is_sub_and_do_DRLDRL(DRLDRL* a, const DRLDRL* b) {
  return DRLDRLOps::is_sub_and_do(a, b);
}
inline int is_sub_intel_DRLDRL(const DRLDRL* a, const DRLDRL* b) {
  return DRLDRLOps::is_sub_intel(a, b);
}
// The sums of the two degree bytes are equal.
int optim_DRLDRL(const DRLDRL* a, const DRLDRL* b);
inline int is_power_DRLDRL(const DRLDRL* e, unsigned& d) { return DRLDRLOps::is_power(e, d); }
inline int slow_is_power_DRLDRL(const DRLDRL* e, unsigned& d) {
  return DRLDRLOps::slow_is_power(e, d);
}
inline uint32_t mainVariable_DRLDRL(const DRLDRL* e) { return DRLDRLOps::mainVariable(e); }
inline int is_eliminated_DRLDRL(const DRLDRL* e, unsigned k) {
  return DRLDRLOps::is_eliminated(e, k);
}
// No block-1 variable occurs.
inline int is_eliminated_DRLDRL(const DRLDRL* e) { return degree1_DRLDRL(e) == 0; }
inline int is_sym_orbit_DRLDRL(const DRLDRL* e) { return DRLDRLOps::is_sym_orbit(e); }
void permut_DRLDRL(DRLDRL* e, const unsigned* perm);
// Not provided by this type: fatal.
[[noreturn]] void permut_fast_DRLDRL(DRLDRL* out, const DRLDRL* in, const unsigned* perm);
[[noreturn]] void mirror_DRLDRL(DRLDRL* e);
[[noreturn]] void mainVariable_DRLDRL(const DRLDRL* e, unsigned& d);

// --- Orders ---
// Block 1 decides first (degree, then the smaller signed 32-bit word), then
// block 2 likewise.
inline int greater_DRLDRL(const DRLDRL* a, const DRLDRL* b) {
  unsigned da = degree1_DRLDRL(a), db = degree1_DRLDRL(b);
  if (da != db) return da > db ? 1 : -1;
  unsigned b1 = internal_nb_block_block1_DRLDRL;
  if (int r = compare_words<int32_t>(a, b, 0, b1, true)) return r;
  da = degree2_DRLDRL(a), db = degree2_DRLDRL(b);
  if (da != db) return da > db ? 1 : -1;
  return compare_words<int32_t>(a, b, b1, internal_nb_block_DRLDRL, true);
}
// a against the product b c, without forming it.
inline int greater_DRLDRL(const DRLDRL* a, const DRLDRL* b, const DRLDRL* c) {
  int32_t da = int32_t(degree1_DRLDRL(a)), dbc = int32_t(degree1_DRLDRL(b) + degree1_DRLDRL(c));
  if (da != dbc) return da > dbc ? 1 : -1;
  unsigned b1 = internal_nb_block_block1_DRLDRL;
  if (int r = compare_words<int32_t>(a, b, c, 0, b1, true)) return r;
  da = int32_t(degree2_DRLDRL(a)), dbc = int32_t(degree2_DRLDRL(b) + degree2_DRLDRL(c));
  if (da != dbc) return da > dbc ? 1 : -1;
  return compare_words<int32_t>(a, b, c, b1, internal_nb_block_DRLDRL, true);
}
// Per block: degree, then the larger word wins.
inline int rev_greater_DRLDRL(const DRLDRL* a, const DRLDRL* b) {
  unsigned da = degree1_DRLDRL(a), db = degree1_DRLDRL(b);
  if (da != db) return da > db ? 1 : -1;
  unsigned b1 = internal_nb_block_block1_DRLDRL;
  if (int r = compare_words<int32_t>(a, b, 0, b1, false)) return r;
  da = degree2_DRLDRL(a), db = degree2_DRLDRL(b);
  if (da != db) return da > db ? 1 : -1;
  return compare_words<int32_t>(a, b, b1, internal_nb_block_DRLDRL, false);
}
inline int lex_greater_DRLDRL(const DRLDRL* a, const DRLDRL* b) {
  return DRLDRLOps::lex_greater(a, b);
}
inline int greater2_DRLDRL(const DRLDRL* a, const DRLDRL* b) { return DRLDRLOps::greater2(a, b); }

// --- Hashes: Horner over the bytes with base 256; Hash as for BigDexp ---
inline uint32_t Hash_DRLDRL(const DRLDRL* e, uint32_t seed) { return DRLDRLOps::Hash(e, seed); }
inline uint32_t hash_DRLDRL(const DRLDRL* e, uint32_t m) { return DRLDRLOps::hash(e, m); }
inline uint32_t hash_DRLDRL(const DRLDRL* a, const DRLDRL* b, uint32_t m) {
  return DRLDRLOps::hash(a, b, m);
}

}  // namespace orv::ORV_BUILD
