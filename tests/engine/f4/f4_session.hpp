// A fresh engine session for the F4 building-block tests: memory reset, a
// monomial layout, and polynomials made from exponent vectors.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/mem/messages.hpp"
#include "engine/coef/primes.hpp"
#include "engine/mem/pool.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_pool.hpp"
#include "engine/mono/expos_words.hpp"
#include "engine/poly/dpol.hpp"
#include "support/engine_memory.hpp"
#include "support/test_host.hpp"

namespace zel_test {

using Exps = std::vector<uint32_t>;

struct F4Session {
  TestHost host;
  // n caller variables (variable n is the homogenising one), a first block of
  // s variables; messages captured at the given verbosity.
  explicit F4Session(uint32_t n, uint32_t s = ~0u, int verbosity = 0) : host(verbosity) {
    using namespace zel::ZEL_BUILD;
    fresh_engine_memory();
    ZEL_C(want_quiet) = 1;
    want_Lexico = 0;
    var_second_block = s == ~0u ? n : s;
    set_Expos(n);
  }
  ~F4Session() { zel::reset_engine_memory(); }
  F4Session(const F4Session&) = delete;
  F4Session& operator=(const F4Session&) = delete;

  // A monomial block from the Expos pool holding e (header form, no hash).
  static zel::ZEL_BUILD::Expos* mono(const Exps& e) {
    using namespace zel::ZEL_BUILD;
    Expos* m = ZEL_C(new_Expos)();
    ExposW* w = words_of(m);
    for (uint32_t k = 0; k < nb_of_blocks_of_variables; ++k) set_word(w, k, 0);
    for (uint32_t i = 0; i < e.size(); ++i) set_field(w, i, e[i]);
    return m;
  }
  static zel::ZEL_BUILD::ExposW* w(const Exps& e) { return zel::ZEL_BUILD::words_of(mono(e)); }

  // A polynomial with these terms in the given order; coefficients of lane l
  // are 10 * l + term index + 1.
  static zel::ZEL_BUILD::Dpol* poly(std::initializer_list<Exps> terms) {
    using namespace zel::ZEL_BUILD;
    Dpol* p = new_Dpol(uint32_t(terms.size()));
    uint32_t t = 0;
    for (const Exps& e : terms) {
      p->mono[t] = mono(e);
      for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) lanes(p)[l][t] = Dom(10 * l + t + 1);
      ++t;
    }
    return p;
  }

  // Exponent vector of a word-form monomial over the n + 1 variables.
  static Exps exps(const zel::ZEL_BUILD::ExposW* m) {
    using namespace zel::ZEL_BUILD;
    Exps e(nb_of_variables);
    for (uint32_t i = 0; i < nb_of_variables; ++i) e[i] = get_field(m, i);
    return e;
  }
};

}  // namespace zel_test
