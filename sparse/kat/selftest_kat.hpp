// Known-answer data of the block layer's self-test, all residues modulo
// 65521 in the signed representation.  selftest_kat.cpp is generated, and
// every answer in it checked, by make_selftest_kat.py in this directory.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD::kat {

inline constexpr uint32_t kPrime = 65521;
inline constexpr int32_t kBk = 8;     // 8 x 8 matrices, 8 sequences
inline constexpr int32_t kLen = 128;  // 2 * kLen steps of kBk coordinates per sequence

// product_A . product_B = product_AB (row-major 8 x 8).
extern const int16_t product_A[64];
extern const int16_t product_B[64];
extern const int16_t product_AB[64];
// Non-zero residues to invert, closed by a 0.
extern const int16_t inverse_list[202];
// Two matrices with their inverses; the second makes the inversion exchange
// rows 5 and 6, then rows 6 and 7.
extern const int16_t inverse1_M[64];
extern const int16_t inverse1_Minv[64];
extern const int16_t inverse2_M[64];
extern const int16_t inverse2_Minv[64];
// The 8 sequences of a block session, one after the other, 2 * kLen * kBk
// residues each, and three blocks of their generator.
extern const int16_t hankel_seqs[kBk * 2 * kLen * kBk];
extern const int16_t hankel_MX0[64];
extern const int16_t hankel_MX32[64];
extern const int16_t hankel_MX127[64];

}  // namespace zel::ZEL_BUILD::kat
