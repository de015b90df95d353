// Packed monomials: the two pointer forms and the word operations.
//
// A monomial is referred to in one of two forms, kept apart by two types:
//   - header form `Expos*`: points at the block, whose first 8 bytes hold the
//     hash value; the monomial arrays of polynomials hold this form;
//   - word form `ExposW*`: points at exponent word 0; the orders, the
//     divisibility tests and the code table work on it.
// For a block with a header the word form is the header form plus 8 bytes
// (`words_of`, `header_of`).  The results of `sub_Expos` and `lcm_Expos` are
// pool blocks used as word form from their first byte (no header); give such
// a block back with `ZEL_C(kill_Expos)(pool_block_of(q))`.
//
// Both types are opaque: every word is read and written with memcpy, which is
// free of aliasing trouble and compiles to one load or store.
//
// All operations run over the B = `nb_of_blocks_of_variables` words, spare
// fields included, and rely on the layout invariant of expos_layout.hpp
// (exponents below 2^15).
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/mono/expos_layout.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct Expos;   // header form
struct ExposW;  // word form

// Top bit of each 16-bit field: set in a word difference a_k - b_k exactly
// where some field of b exceeds the field of a.
inline constexpr uint64_t kFieldTopBits = 0x8000800080008000ULL;

inline ExposW* words_of(Expos* m) {
  return reinterpret_cast<ExposW*>(reinterpret_cast<unsigned char*>(m) + 8);
}
inline const ExposW* words_of(const Expos* m) {
  return reinterpret_cast<const ExposW*>(reinterpret_cast<const unsigned char*>(m) + 8);
}
inline Expos* header_of(ExposW* w) {
  return reinterpret_cast<Expos*>(reinterpret_cast<unsigned char*>(w) - 8);
}
inline const Expos* header_of(const ExposW* w) {
  return reinterpret_cast<const Expos*>(reinterpret_cast<const unsigned char*>(w) - 8);
}
// The pool block behind a headerless word-form result (same address).
inline Expos* pool_block_of(ExposW* w) { return reinterpret_cast<Expos*>(w); }

inline uint64_t get_word(const ExposW* w, uint32_t k) {
  uint64_t x;
  std::memcpy(&x, reinterpret_cast<const unsigned char*>(w) + 8 * size_t(k), 8);
  return x;
}
inline void set_word(ExposW* w, uint32_t k, uint64_t x) {
  std::memcpy(reinterpret_cast<unsigned char*>(w) + 8 * size_t(k), &x, 8);
}

inline uint64_t get_hash(const Expos* m) {
  uint64_t x;
  std::memcpy(&x, m, 8);
  return x;
}
inline void put_hash(Expos* m, uint64_t h) { std::memcpy(m, &h, 8); }

// Exponent of variable i (field i).
inline uint32_t get_field(const ExposW* w, uint32_t i) {
  return uint32_t(get_word(w, i >> 2) >> (16 * (i & 3))) & 0xFFFF;
}
// Sets field i to the low 16 bits of e.
inline void set_field(ExposW* w, uint32_t i, uint32_t e) {
  const uint32_t sh = 16 * (i & 3);
  uint64_t x = get_word(w, i >> 2);
  x = (x & ~(uint64_t(0xFFFF) << sh)) | (uint64_t(e & 0xFFFF) << sh);
  set_word(w, i >> 2, x);
}

// Mask of fields 0 .. j-1 of a word (j in 0..4).
inline uint64_t low_fields_mask(uint32_t j) {
  return j >= 4 ? ~uint64_t(0) : (uint64_t(1) << (16 * j)) - 1;
}

// Sum of the four 16-bit fields of a word, exact for any field values.
inline uint32_t word_degree(uint64_t x) {
  const uint64_t pairs = (x & 0x0000FFFF0000FFFFULL) + ((x >> 16) & 0x0000FFFF0000FFFFULL);
  return uint32_t(pairs & 0xFFFFFFFFu) + uint32_t(pairs >> 32);
}

// Sum of fields 0 .. count-1 (count may run into the spare fields).
inline uint32_t fields_degree(const ExposW* w, uint32_t count) {
  uint32_t d = 0;
  const uint32_t full = count >> 2;
  for (uint32_t k = 0; k < full; ++k) d += word_degree(get_word(w, k));
  if (count & 3) d += word_degree(get_word(w, full) & low_fields_mask(count & 3));
  return d;
}

// Total degree: the sum of every field, homogenising and spare ones included.
inline uint32_t total_degree(const ExposW* w) {
  uint32_t d = 0;
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k) d += word_degree(get_word(w, k));
  return d;
}

// a == b word for word.
inline bool equal_Expos(const ExposW* a, const ExposW* b) {
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k)
    if (get_word(a, k) != get_word(b, k)) return false;
  return true;
}

// m == a * b word for word, without building the product.
inline bool equal_product_Expos(const ExposW* m, const ExposW* a, const ExposW* b) {
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k)
    if (get_word(m, k) != get_word(a, k) + get_word(b, k)) return false;
  return true;
}

// dst = a * b (dst may alias a or b).
inline void mul_Expos_to(ExposW* dst, const ExposW* a, const ExposW* b) {
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k)
    set_word(dst, k, get_word(a, k) + get_word(b, k));
}

// dst = a / b; b must divide a (dst may alias a or b).
inline void div_Expos_to(ExposW* dst, const ExposW* a, const ExposW* b) {
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k)
    set_word(dst, k, get_word(a, k) - get_word(b, k));
}

// Field-wise maximum of two words whose fields are below 2^15: setting the
// top bit of a's fields keeps each field's subtraction from borrowing out of
// it, and that top bit survives exactly where a_i >= b_i.
inline uint64_t word_max(uint64_t a, uint64_t b) {
  const uint64_t ge =
      (((a | kFieldTopBits) - b) & kFieldTopBits) >> 15;  // 1 per field where a >= b
  const uint64_t take_a = ge * 0xFFFF;
  return (a & take_a) | (b & ~take_a);
}

// dst = lcm(a, b) (dst may alias a or b).
inline void lcm_Expos_to(ExposW* dst, const ExposW* a, const ExposW* b) {
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k)
    set_word(dst, k, word_max(get_word(a, k), get_word(b, k)));
}

// 1 when b divides a: one subtraction and one mask per word, top word first
// (high variables differ most often in practice).
inline int is_sub_Expos1(const ExposW* a, const ExposW* b) {
  for (uint32_t k = nb_of_blocks_of_variables; k-- > 0;)
    if ((get_word(a, k) - get_word(b, k)) & kFieldTopBits) return 0;
  return 1;
}

// Divisibility test that also writes the quotient a / b into q (B writable
// words).  On failure at word k, words 0 .. k-1 of q are written.
inline int ZEL_C(is_sub_in_place_Expos)(const ExposW* a, const ExposW* b, ExposW* q) {
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k) {
    const uint64_t t = get_word(a, k) - get_word(b, k);
    if (t & kFieldTopBits) return 0;
    set_word(q, k, t);
  }
  return 1;
}

// 1 when every word of m is 0 (the monomial 1).
inline bool is_one_Expos(const ExposW* m) {
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k)
    if (get_word(m, k)) return false;
  return true;
}

}  // namespace zel::ZEL_BUILD
