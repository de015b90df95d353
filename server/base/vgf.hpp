// VGF: the integer build's server coefficient.  An integer is held by its
// residues modulo r = size_of_vectors primes close to 2^32, one 32-bit
// residue per prime, and every operation works residue by residue.
//
// A VGF is a handle: one pointer to a cell of r residues in the coefficient
// heap (coef_heap.hpp).  Copying the handle shares the cell, so the in-place
// operations (names ending in _d) are seen through every copy.  Cells are
// reclaimed only by restoring a heap mark; kill() does nothing.
#pragma once

#include <cstdint>

#include "server/base/coef_heap.hpp"
#include "server/base/orv_variant.hpp"
#include "server/io/options.hpp"  // want_offset_primes: the default window's distance from the top

namespace orv::ORV_BUILD {

struct VGF {
  uint32_t* rep;            // trivially constructible: it sits in unions of term nodes
  static uint32_t* _prime;  // the r primes, a cell of the heap
};

inline constexpr uint32_t kNbDefaultPrimes = 20000;

extern uint32_t size_of_vectors;  // r, 1 at load
extern VGF Modulo6;               // 10^6, for the string parser

// The 20,000 largest primes below 2^32, increasing.
const uint32_t* Default_Primes32();

// Set-up ----------------------------------------------------------------------
void init_VGF();
void set_VGF(uint32_t r);
void set_VGF(uint32_t r, const uint32_t* primes);
void set_vect_module_VGF(const uint32_t* primes);  // null: the default window
int set_module_VGF(uint32_t p);
[[noreturn]] void set_modules_VGF(const uint32_t* primes, uint32_t k);
inline const uint32_t* all_primes_VGF() { return VGF::_prime; }
inline uint32_t characterisc_VGF() { return VGF::_prime[0]; }

// Construction (each new value takes a new cell) --------------------------------
inline void allocate(VGF& a) { a.rep = new_Implement_VGF(); }
VGF cVGF(long v);
inline VGF cVGF(int v) { return cVGF(static_cast<long>(v)); }
VGF copy(VGF a);
VGF pretend_VGF(uint32_t w);
VGF pretend_block_VGF(const uint32_t* words, uint32_t k);
inline uint32_t* Rep(VGF a) { return a.rep; }
inline uint32_t* internal(VGF a) { return a.rep; }
inline void coerce_Implement_VGF(uint32_t*& out, VGF a) { out = a.rep; }
inline unsigned coerce_unsigned(VGF a) { return a.rep[0]; }
VGF rdm_VGF(uint32_t bound);
VGF String_to_VGF(const char* s);  // reads s without writing to it

// Tests and trivial operations ----------------------------------------------------
bool test(VGF a);
bool is_zero(VGF a);
bool is_one(VGF a);
bool is_neg_one(VGF a);
bool comp_EQ(VGF a, VGF b);
inline bool comp_NEQ(VGF a, VGF b) { return !comp_EQ(a, b); }
inline int pseudo_sgn(VGF a) { return test(a) ? 1 : 0; }
inline int is_complex(VGF) { return 0; }
inline unsigned size(VGF) { return 1; }
inline VGF abs(VGF a) { return a; }
inline double estime_log(VGF) { return 0.0; }
inline VGF gcd(VGF, VGF) { return cVGF(1); }
inline void kill(VGF) {}
inline void lisp(VGF) {}
inline void ORV_C(info_count_mult)() {}

// Ring operations, residue by residue -------------------------------------------
VGF add(VGF a, VGF b);
VGF& add_d(VGF& a, VGF b);
VGF minus(VGF a);
VGF& neg_d(VGF& a);
inline VGF sub(VGF a, VGF b) { return add(a, minus(b)); }
VGF mult(VGF a, VGF b);
VGF& mult_d(VGF& a, VGF b);
VGF mul_d(VGF a, VGF b);
VGF& lin_d(VGF& a, VGF b, VGF c);
VGF inv(VGF a);
inline VGF quot(VGF a, VGF b) { return mult(a, inv(b)); }
inline VGF& quot_d(VGF& a, VGF b) { return mult_d(a, inv(b)); }

uint32_t Hash_VGF(VGF a, uint32_t seed);

// x^-1 mod p for 0 < x < p; fatal when x is 0.
uint32_t find_inv(uint32_t x, uint32_t p);

// Information lines (through Output) ----------------------------------------------
void afficherHeader_VGF();
void afficher_NTL_VGF();
void defMaple_VGF(const char* name);
void inter_info_VGF();
const char* factorizer_VGF();

// The information routine, reached by the packages' own information
// handlers; set from load on.
inline void (*VGF_handler)() = inter_info_VGF;

// The coefficient as the polynomial templates see it.
struct CoefVGF {
  using T = VGF;
  using Raw = uint32_t*;  // what extract_raw_first hands out: the residue words
  static constexpr const char* name = "VGF";
  static constexpr bool has_heap = true;
  static T one() { return cVGF(1); }
  static T zero() { return cVGF(0); }
  static T copy(T a) { return orv::ORV_BUILD::copy(a); }
  static bool is_zero(T a) { return orv::ORV_BUILD::is_zero(a); }
  static bool neq(T a, T b) { return comp_NEQ(a, b); }
  static uint32_t hash(T a) { return Hash_VGF(a, 0); }
  static T pretend(uint32_t w) { return pretend_VGF(w); }
  static T pretend_block(const uint32_t* words, uint32_t n) { return pretend_block_VGF(words, n); }
  static void raw(Raw& out, T a) { coerce_Implement_VGF(out, a); }
  static unsigned size(T a) { return orv::ORV_BUILD::size(a); }
  static void kill(T a) { orv::ORV_BUILD::kill(a); }
  static void init() { init_VGF(); }
  static void (*handler())() { return VGF_handler; }
};

}  // namespace orv::ORV_BUILD
