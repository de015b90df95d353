// Runs one batch of the integer build's main loop: polynomials with integer
// coefficients, made the way the C interface makes them (zone 3,
// homogenised, terms sorted), one residue lane per prime of the batch; gives
// the basis lane by lane, as term lists without the homogenising variable.
#pragma once

#ifdef ZEL_VARIANT_INT

#include <map>
#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/dpol_sort.hpp"
#include "engine/f4/trace.hpp"
#include "engine/mono/code_table.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_pool.hpp"
#include "support/engine_memory.hpp"
#include "support/naive_buchberger.hpp"
#include "support/zel_systems.h"

namespace zel_test {

using IntTerm = std::pair<std::vector<uint32_t>, int64_t>;
using IntPoly = std::vector<IntTerm>;

// A standard system with its integer coefficients (below 2^30 in size).
inline std::vector<IntPoly> integer_polys(const System& s_mod_2p31m1) {
  const int64_t P = 2147483647;
  std::vector<IntPoly> out;
  for (const SysPoly& f : s_mod_2p31m1.polys) {
    IntPoly g;
    for (const auto& [e, c] : f) g.push_back({e, c > P / 2 ? int64_t(c) - P : int64_t(c)});
    out.push_back(g);
  }
  return out;
}

inline uint32_t residue_of(int64_t c, uint32_t p) {
  const int64_t r = c % int64_t(p);
  return uint32_t(r < 0 ? r + p : r);
}

// The polynomials modulo p, as the prime-field references take them.
inline std::vector<SysPoly> modulo(const std::vector<IntPoly>& F, uint32_t p) {
  std::vector<SysPoly> out;
  for (const IntPoly& f : F) {
    SysPoly g;
    for (const auto& [e, c] : f) g.push_back({e, residue_of(c, p)});
    out.push_back(g);
  }
  return out;
}

// Term lists to the naive reference's polynomials (normalised, sorted).
inline std::vector<buchberger::NGPoly> naive_polys(const buchberger::NaiveGroebner& gb,
                                                   const std::vector<SysPoly>& F) {
  std::vector<buchberger::NGPoly> out;
  for (const SysPoly& f : F) {
    buchberger::NGPoly q;
    for (const auto& [e, c] : f) q.push_back({buchberger::NMono(e.begin(), e.end()), c});
    out.push_back(gb.normalise(q));
  }
  return out;
}

struct EngineLanesGB {
  uint32_t nvars;
  EngineLanesGB(uint32_t n, uint32_t first_block, uint32_t V, uint32_t offset, bool write)
      : nvars(n) {
    using namespace zel::ZEL_BUILD;
    fresh_engine_memory();
    ZEL_C(want_quiet) = 1;
    want_Lexico = 0;
    var_second_block = first_block;
    set_Expos(n);
    zel_max_index = 200000;
    set_hash_prime();
    {
      InZone3 z3;
      ZEL_C(ptr_Base_Exposants) = dynamic_Table_de_Recherche();
      empty_Table_de_Recherche(ZEL_C(ptr_Base_Exposants));
    }
    want_mingbasis = 0;
    want_mingbasis_strong = 1;
    want_eliminated = 0;
    want_automatique = 0;
    nb_of_renormed = 0;
    batch(V, offset, write);
  }
  // The next batch: V lanes, `offset` primes below the top of the prime
  // table; the elimination writes the trace (write) or replays the one
  // written by an earlier batch.
  void batch(uint32_t V, uint32_t offset, bool write) {
    using namespace zel::ZEL_BUILD;
    ZEL_C(vectorize) = ZEL_C(maxi_vectorize) = V;
    offset_primes = offset;
    init_Dom();
    simul_write = write;
    ZEL_C(want_ignore_simulin) = 0;
    ZEL_C(reset_simulation)();
  }
  ~EngineLanesGB() {
    using namespace zel::ZEL_BUILD;
    ZEL_C(vectorize) = ZEL_C(maxi_vectorize) = 5;
    offset_primes = 0;
    simul_write = 1;  // the trace stays for a later batch to replay
    zel_max_index = 5000000;
    zel_hash_prime = 5666677;
    zel::reset_engine_memory();
  }
  EngineLanesGB(const EngineLanesGB&) = delete;
  EngineLanesGB& operator=(const EngineLanesGB&) = delete;

  uint32_t prime(uint32_t lane) const { return zel::ZEL_BUILD::ZEL_C(Primes)[lane]; }

  // Equal monomials merged and zero terms dropped; lane l holds each
  // coefficient modulo prime l (0 where the prime divides it).
  zel::ZEL_BUILD::Dpol* make(const IntPoly& raw) {
    using namespace zel::ZEL_BUILD;
    std::map<std::vector<uint32_t>, int64_t> merged;
    for (const auto& [e, c] : raw) merged[e] += c;
    IntPoly f;
    for (const auto& [e, c] : merged)
      if (c) f.push_back({e, c});
    InZone3 z3;
    Dpol* d = new_Dpol(uint32_t(f.size()));
    std::vector<ExposW*> words(f.size());
    for (size_t i = 0; i < f.size(); ++i) {
      Expos* m = ZEL_C(new_Expos)();
      ExposW* w = words_of(m);
      for (uint32_t k = 0; k < nb_of_blocks_of_variables; ++k) set_word(w, k, 0);
      for (uint32_t v = 0; v < nvars; ++v) set_field(w, v, f[i].first[v]);
      d->mono[i] = m;
      words[i] = w;
      for (uint32_t l = 0; l < ZEL_C(vectorize); ++l)
        lanes(d)[l][i] = residue_of(f[i].second, ZEL_C(Primes)[l]);
    }
    renormalize_input(words.data(), uint32_t(words.size()));
    force_sort_Dpol(d);
    return d;
  }

  // The basis of every lane, each polynomial as its terms in the engine's
  // order.
  std::vector<std::vector<SysPoly>> basis(const std::vector<IntPoly>& F) {
    using namespace zel::ZEL_BUILD;
    std::vector<Dpol*> in;
    for (const IntPoly& f : F) in.push_back(make(f));
    std::vector<Dpol*> G(100001);
    double cpu = 0;
    const uint32_t n = gbasis(in.data(), uint32_t(in.size()), G.data(), &cpu);
    std::vector<std::vector<SysPoly>> out(ZEL_C(vectorize));
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l)
      for (uint32_t k = 0; k < n; ++k) {
        SysPoly f;
        for (uint32_t i = 0; i < G[k]->n; ++i) {
          std::vector<uint32_t> e(nvars);
          for (uint32_t v = 0; v < nvars; ++v) e[v] = get_field(words_of(G[k]->mono[i]), v);
          f.push_back({e, lanes(G[k])[l][i]});
        }
        out[l].push_back(f);
      }
    return out;
  }
};

}  // namespace zel_test

#endif
