// GFC: the prime-field build's server coefficient, a residue modulo one
// process-wide prime p <= 65534 held in a plain 32-bit value.
//
// Because p < 2^16, a*b and a + b*c fit in 32 bits and need one remainder.
// Inverses come from a table that set_module_GFC fills for the whole field.
// Every operation returns a value in [0, p); nothing here allocates.
#pragma once

#include <cstdint>

#include "server/base/orv_variant.hpp"

namespace orv::ORV_BUILD {

using GFC = uint32_t;

inline constexpr uint32_t DEFAULT_MODULE_GFC = 65521;
inline constexpr uint32_t kGfcTableSize = 65536;

extern uint64_t MAGIC;                       // the current prime; 0 before init_GFC
extern uint32_t inv_tab_GFC[kGfcTableSize];  // x -> x^-1 mod p, 0 -> 0
extern GFC Modulo6;                          // 10^6 mod p, for the string parser

// Wraps one coefficient so that printers and bus writers can tell it from a
// plain unsigned number.
struct Uniq_GFC {
  uint32_t v;
  explicit Uniq_GFC(uint32_t x) : v(x) {}
  operator uint32_t() const { return v; }
};

// Set-up -------------------------------------------------------------------
void init_GFC();
int set_module_GFC(uint32_t p);  // 1 installed, 2 already current; fatal if not a prime < 65535
[[noreturn]] void set_modules_GFC(const uint32_t* primes, uint32_t k);
inline void set_GFC(uint32_t) {}
inline void set_GFC(uint32_t, const uint32_t*) {}
void init_random();  // seeds random() with seed 1 over a 128-byte state

// Construction ---------------------------------------------------------------
inline uint32_t modulus_GFC() { return static_cast<uint32_t>(MAGIC); }

// A coefficient asked for before init_GFC has set a prime: fatal.
[[noreturn]] void no_prime_GFC();

inline GFC cGFC(int64_t v) {
  if (MAGIC == 0) no_prime_GFC();
  const int64_t p = static_cast<int64_t>(MAGIC);
  int64_t r = v % p;
  return static_cast<GFC>(r < 0 ? r + p : r);
}
inline GFC copy(GFC a) { return a; }
inline GFC pretend_GFC(uint64_t v) { return static_cast<GFC>(v); }
inline GFC pretend_block_GFC(const uint32_t* words, uint32_t /*k*/) { return words[0]; }
inline void coerce_Implement_GFC(uint32_t& out, GFC a) { out = a; }
inline long coerce_long(GFC a) { return a; }
inline int coerce_int(GFC a) { return static_cast<int>(a); }
inline unsigned coerce_unsigned(GFC a) { return a; }
GFC rdm_GFC(uint32_t bound);
GFC String_to_GFC(const char* s);  // reads s without writing to it
char* coerce_Cste_String(GFC a);   // fresh "%u" string from the allocation hook

// Tests and trivial operations ---------------------------------------------
inline bool test(GFC a) { return a != 0; }
inline bool is_zero(GFC a) { return a == 0; }
inline bool is_one(GFC a) { return a == 1; }
inline bool is_neg_one(GFC a) { return a + 1 == MAGIC; }
inline bool comp_EQ(GFC a, GFC b) { return a == b; }
inline bool comp_NEQ(GFC a, GFC b) { return a != b; }
inline int pseudo_sgn(GFC a) { return a != 0; }
inline int is_complex(GFC) { return 0; }
inline unsigned size(GFC) { return 1; }
inline double estime_log(GFC) { return 0.0; }
inline GFC gcd(GFC, GFC) { return 1; }
inline uint32_t Hash_GFC(GFC a, uint32_t /*seed*/) { return a; }
inline void ORV_C(info_count_mult)() {}

// Arithmetic ------------------------------------------------------------------
inline GFC add(GFC a, GFC b) {
  uint32_t s = a + b;
  return s >= MAGIC ? s - static_cast<uint32_t>(MAGIC) : s;
}
inline GFC& add_d(GFC& a, GFC b) { return a = add(a, b); }
inline GFC minus(GFC a) { return a == 0 ? 0 : static_cast<GFC>(MAGIC) - a; }
inline GFC& neg_d(GFC& a) { return a = minus(a); }
inline GFC sub(GFC a, GFC b) { return add(a, minus(b)); }
inline GFC mult(GFC a, GFC b) { return (a * b) % static_cast<uint32_t>(MAGIC); }
inline GFC& mult_d(GFC& a, GFC b) { return a = mult(a, b); }
inline GFC mul_d(GFC a, GFC b) { return mult(a, b); }
inline GFC& lin_d(GFC& a, GFC b, GFC c) { return a = (a + b * c) % static_cast<uint32_t>(MAGIC); }
// A value made by pretend_GFC may be unreduced, up to 2^32 - 1: reduce it
// before it indexes the table.
inline GFC inv(GFC a) { return inv_tab_GFC[a < MAGIC ? a : a % static_cast<uint32_t>(MAGIC)]; }
inline GFC quot(GFC a, GFC b) { return mult(a, inv(b)); }
inline GFC& quot_d(GFC& a, GFC b) { return a = quot(a, b); }
GFC exp(GFC a, int64_t n);
GFC binomial_GFC(int64_t n, int64_t k);

// Information lines (through Output) -------------------------------------------
void afficherHeader_GFC();
void afficher_NTL_GFC();
void inter_info_GFC();

// The information routine, reached by the packages' own information
// handlers; set from load on.
inline void (*GFC_handler)() = inter_info_GFC;

// The coefficient as the polynomial templates see it.
struct CoefGFC {
  using T = GFC;
  using Raw = uint32_t;  // what extract_raw_first hands out: the value
  static constexpr const char* name = "GFC";
  static constexpr bool has_heap = false;
  static T one() { return 1; }
  static T zero() { return 0; }
  static T copy(T a) { return a; }
  static bool is_zero(T a) { return a == 0; }
  static bool neq(T a, T b) { return a != b; }
  static uint32_t hash(T a) { return Hash_GFC(a, 0); }
  static T pretend(uint32_t w) { return pretend_GFC(w); }
  static T pretend_block(const uint32_t* words, uint32_t n) { return pretend_block_GFC(words, n); }
  static void raw(Raw& out, T a) { coerce_Implement_GFC(out, a); }
  static unsigned size(T a) { return orv::ORV_BUILD::size(a); }
  static void kill(T) {}
  static void init() { init_GFC(); }
  static void (*handler())() { return GFC_handler; }
};

}  // namespace orv::ORV_BUILD
