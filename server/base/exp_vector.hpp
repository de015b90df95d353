// The operations the three exponent types have in common, written once over
// a layout.  bigdexp.hpp, biglexp.hpp and drldrl.hpp give each type its
// layout and its pasted names (extraire_BigDexp, is_sub_DRLDRL, ...); the
// orders, which differ, are written there.
//
// A layout L provides:
//   kName                    the type's name, for messages
//   kBits                    field width (16 or 8)
//   Flat                     the type of one exponent in the flat form
//   words()                  64-bit words per vector
//   nb_var()                 number of variables n
//   field_of_var(i)          the field of variable i (i = n may name a degree)
//   var_of_field(f)          the variable whose exponent lies in field f
//   kBlocks                  1 or 2 blocks of variables
//   block_begin(k), block_end(k)  the fields of block k
//   kHasDegree               each block leads with a degree field
//   degree_field(k)          the degree field of block k
//   block_of_var(i)          the block of variable i
#pragma once

#include <cstdint>

#include "server/base/exp_words.hpp"
#include "server/base/runtime.hpp"

namespace orv::ORV_BUILD {

// The variable tables hold 2000 names, which bounds the variable count of
// every exponent type.
inline constexpr unsigned kMaxVariables = 2000;

template <class L>
struct ExpOps {
  using F = Fields<L::kBits>;
  using Flat = typename L::Flat;

  static unsigned words() { return L::words(); }
  static unsigned fields() { return L::words() * F::kPerWord; }

  static unsigned extraire(const uint64_t* e, unsigned i) { return F::get(e, L::field_of_var(i)); }

  // Stores v as the exponent of variable i; the degree of its block moves by
  // the difference.  When i names the degree field itself, sets it.  An
  // exponent outside the exact range (2^(kBits-1)), or a degree that no
  // longer fits its field, is refused rather than truncated.
  static void ranger(uint64_t* e, unsigned v, unsigned i) {
    unsigned f = L::field_of_var(i);
    if constexpr (L::kHasDegree) {
      unsigned d = L::degree_field(L::block_of_var(i));
      if (d == f) {
        if (v > F::kMask) too_large("The degree", v, i, unsigned(F::kMask));
      } else {
        if (v >= kExact) too_large("The exponent", v, i, kExact - 1);
        unsigned degree = F::get(e, d) - F::get(e, f) + v;
        if (degree > F::kMask) too_large("The degree", degree, i, unsigned(F::kMask));
        F::put(e, d, degree);
      }
    } else {
      if (v >= kExact) too_large("The exponent", v, i, kExact - 1);
    }
    F::put(e, f, v);
  }
  static constexpr unsigned kExact = 1u << (L::kBits - 1);
  [[noreturn]] static void too_large(const char* what, unsigned v, unsigned i, unsigned most) {
    Fatal("%s %u of variable %u does not fit a %s exponent vector (at most %u)\n", what, v, i,
          L::kName, most);
  }
  static void ranger_add(uint64_t* e, unsigned d, unsigned i) { ranger(e, extraire(e, i) + d, i); }

  static void set_null(uint64_t* e) { words_zero(e, words()); }
  static void copy(uint64_t* dst, const uint64_t* src) { words_copy(dst, src, words()); }
  static bool null(const uint64_t* e) { return words_null(e, words()); }
  // The product a b as word sums (out may be a or b).  With the factors'
  // fields in the exact range the sums cannot carry, but the product's may
  // leave it, and a further product would then carry into the next field:
  // such a product is refused before anything is written.  Where blocks
  // have a degree, every exponent is at most its block's degree, so the
  // degrees alone are checked; without one, the top bit of every field.
  static uint64_t* add(const uint64_t* a, const uint64_t* b, uint64_t* out) {
    if constexpr (L::kHasDegree) {
      for (unsigned k = 0; k < L::kBlocks; ++k) {
        unsigned d = F::get(a, L::degree_field(k)) + F::get(b, L::degree_field(k));
        if (d >= kExact)
          Fatal("The degree %u of a product does not fit a %s exponent vector (at most %u)\n", d,
                L::kName, kExact - 1);
      }
    } else {
      uint64_t high = 0;
      for (unsigned k = 0; k < words(); ++k) high |= (a[k] + b[k]) & F::kTopBits;
      if (high != 0)
        Fatal("An exponent of a product does not fit a %s exponent vector (at most %u)\n",
              L::kName, kExact - 1);
    }
    words_add(a, b, out, words());
    return out;
  }
  static uint64_t* sub(const uint64_t* a, const uint64_t* b, uint64_t* out) {
    words_sub(a, b, out, words());
    return out;
  }
  static bool eq(const uint64_t* a, const uint64_t* b) { return words_eq(a, b, words()); }
  static bool eq(const uint64_t* a, const uint64_t* b, const uint64_t* c) {
    return words_eq_sum(a, b, c, words());
  }
  static bool eq(const uint64_t* a, const uint64_t* b, const uint64_t* c, const uint64_t* d) {
    return words_eq_sums(a, b, c, d, words());
  }

  static bool is_sub(const uint64_t* a, const uint64_t* b) { return F::divides(a, b, words()); }
  static bool is_sub_intel(const uint64_t* a, const uint64_t* b) {
    return F::all_ge(a, b, fields());
  }
  // b divides a: a becomes a / b.  When it does not, a is left as it was.
  static bool is_sub_and_do(uint64_t* a, const uint64_t* b) {
    if (!F::all_ge(a, b, fields())) return false;
    words_sub(a, b, a, words());
    return true;
  }
  // b without its last variable divides a; b is changed and restored.
  static bool is_homog_sub(const uint64_t* a, uint64_t* b) {
    unsigned last = L::nb_var() - 1;
    unsigned saved = extraire(b, last);
    ranger(b, 0, last);
    bool r = is_sub(a, b);
    ranger(b, saved, last);
    return r;
  }

  static void zscal(unsigned s, uint64_t* e) { F::scale(s, e, fields()); }

  // Field-wise maximum (Max) or minimum of the exponents; each degree field
  // gets the sum of its block's results, truncated to the field.  Returns
  // the largest untruncated block sum (all fields when there is no degree),
  // so that an overflow shows whichever block it happens in.
  template <bool Max>
  static unsigned merge(const uint64_t* a, const uint64_t* b, uint64_t* out) {
    unsigned largest = 0;
    for (unsigned k = 0; k < L::kBlocks; ++k) {
      unsigned sum = 0;
      for (unsigned f = L::block_begin(k); f < L::block_end(k); ++f) {
        if (L::kHasDegree && f == L::degree_field(k)) continue;
        unsigned x = F::get(a, f), y = F::get(b, f);
        unsigned v = Max ? (x > y ? x : y) : (x < y ? x : y);
        F::put(out, f, v);
        sum += v;
      }
      if constexpr (L::kHasDegree) F::put(out, L::degree_field(k), sum);
      if (sum > largest) largest = sum;
    }
    return largest;
  }

  static uint32_t hash(const uint64_t* e, uint32_t m) { return F::horner(e, fields(), m); }
  static uint32_t hash(const uint64_t* a, const uint64_t* b, uint32_t m) {
    return F::horner(a, b, fields(), m);
  }
  static uint32_t Hash(const uint64_t* e, uint32_t seed) { return words_Hash(e, words(), seed); }

  // e = x(i)^k with k >= 1: d := k, result i; otherwise -1 and d untouched.
  // Checked a word at a time: one block may hold variables, and in it one
  // field besides the degree.
  static int is_power(const uint64_t* e, unsigned& d) {
    unsigned block = 0, present = 0;
    if constexpr (L::kHasDegree) {
      for (unsigned k = 0; k < L::kBlocks; ++k)
        if (F::get(e, L::degree_field(k)) != 0) {
          block = k;
          ++present;
        }
      if (present != 1) return -1;
    }
    unsigned skip = L::kHasDegree ? L::degree_field(block) : ~0u;
    unsigned value = 0;
    int f = F::single_field(e, L::block_begin(block), L::block_end(block), skip, value);
    if (f < 0) return -1;
    d = value;
    return int(L::var_of_field(unsigned(f)));
  }
  // The same answer read one variable at a time.
  static int slow_is_power(const uint64_t* e, unsigned& d) {
    int found = -1;
    for (unsigned i = 0; i < L::nb_var(); ++i) {
      if (extraire(e, i) == 0) continue;
      if (found >= 0) return -1;
      found = int(i);
    }
    if (found >= 0) d = extraire(e, unsigned(found));
    return found;
  }

  // 1 + the first variable with a non-zero exponent; 0xFFFFFFFF for 1.
  static uint32_t mainVariable(const uint64_t* e) {
    for (unsigned i = 0; i < L::nb_var(); ++i)
      if (extraire(e, i)) return i + 1;
    return 0xFFFFFFFFu;
  }
  // The same, with that exponent in d.
  static uint32_t mainVariable(const uint64_t* e, unsigned& d) {
    for (unsigned i = 0; i < L::nb_var(); ++i)
      if ((d = extraire(e, i)) != 0) return i + 1;
    return 0xFFFFFFFFu;
  }
  // Variables 0 to k-1 do not occur.
  static bool is_eliminated(const uint64_t* e, unsigned k) {
    for (unsigned i = 0; i < k; ++i)
      if (extraire(e, i)) return false;
    return true;
  }
  // The exponents do not increase from variable 0 to n-1.
  static bool is_sym_orbit(const uint64_t* e) {
    for (unsigned i = 1; i < L::nb_var(); ++i)
      if (extraire(e, i) > extraire(e, i - 1)) return false;
    return true;
  }
  // The exponent of variable i moves to variable perm[i].  The result is
  // built from 1, its degrees growing towards its own: stored one at a time
  // in place, the exponents could pass through a degree that does not fit
  // although the result's does.
  static void permut(uint64_t* e, const unsigned* perm) {
    uint64_t moved[kMaxVariables];  // more than the words of any vector
    permut_fast(moved, e, perm);
    copy(e, moved);
  }
  // out := in with the exponent of variable i moved to variable perm[i].
  static void permut_fast(uint64_t* out, const uint64_t* in, const unsigned* perm) {
    set_null(out);
    for (unsigned i = 0; i < L::nb_var(); ++i) ranger(out, extraire(in, i), perm[i]);
  }

  // Flat form: the exponents of variables 0 to n-1, one Flat each.
  static unsigned out_memory(Flat* buf, const uint64_t* e) {
    for (unsigned i = 0; i < L::nb_var(); ++i) buf[i] = Flat(extraire(e, i));
    return L::nb_var();
  }
  static unsigned parse_memory(const Flat* buf, uint64_t* e) {
    set_null(e);
    for (unsigned i = 0; i < L::nb_var(); ++i) ranger(e, buf[i], i);
    return L::nb_var();
  }
  static unsigned size_memory_buf() { return L::nb_var() * unsigned(sizeof(Flat)); }

  // Lexicographic on variables 0, 1, ...: the larger exponent wins at the
  // first difference; greater2 lets the smaller win.
  static int lex_greater(const uint64_t* a, const uint64_t* b) {
    for (unsigned i = 0; i < L::nb_var(); ++i) {
      unsigned x = extraire(a, i), y = extraire(b, i);
      if (x != y) return x > y ? 1 : -1;
    }
    return 0;
  }
  static int greater2(const uint64_t* a, const uint64_t* b) { return -lex_greater(a, b); }

  // The sum of the degree fields, or of all fields when there are none.
  static unsigned totalDegree(const uint64_t* e) {
    unsigned s = 0;
    if constexpr (L::kHasDegree) {
      for (unsigned k = 0; k < L::kBlocks; ++k) s += F::get(e, L::degree_field(k));
    } else {
      for (unsigned f = 0; f < fields(); ++f) s += F::get(e, f);
    }
    return s;
  }
};

}  // namespace orv::ORV_BUILD
