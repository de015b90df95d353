// Helpers of the monomial tests: a layout per test, monomials in local
// buffers, conversions to and from the naive exponent vectors.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_words.hpp"
#include "support/naive_monomial.hpp"

namespace zel_test {

using namespace zel::ZEL_BUILD;

// Lays out n variables quietly and sets the first block to s variables.
void use_layout(uint32_t n, uint32_t s);

// One monomial block (header + B words) owned by the test.
struct MonoBuf {
  std::vector<uint64_t> words;
  explicit MonoBuf(const NaiveMono& e) : words(1 + nb_of_blocks_of_variables, 0) {
    for (uint32_t i = 0; i < e.size(); ++i) set_field(w(), i, uint32_t(e[i]));
  }
  MonoBuf() : words(1 + nb_of_blocks_of_variables, 0) {}
  Expos* hdr() { return reinterpret_cast<Expos*>(words.data()); }
  ExposW* w() { return words_of(hdr()); }
};

// All 4B fields of a word-form monomial.
NaiveMono to_naive(const ExposW* m);

// A random exponent below 2^15, biased to values that expose packing faults:
// zeros, small values, values near 32767 and single-bit patterns.
int random_exponent(std::mt19937_64& rng);

// A random monomial on the n + 1 variables (spare fields 0).
NaiveMono random_mono(std::mt19937_64& rng);

// A monomial close to a: same degree with a few units moved between
// variables, or a with one field changed, so ties and near-ties are common.
NaiveMono random_neighbour(std::mt19937_64& rng, const NaiveMono& a);

// A random divisor of a, made a non-divisor in one field half the time.
NaiveMono random_divisor_or_not(std::mt19937_64& rng, const NaiveMono& a);

inline int sign(int v) { return (v > 0) - (v < 0); }

}  // namespace zel_test
