// Runs the prime-field engine's main loop on polynomials given as term
// lists, the way the C interface prepares them: each polynomial made in zone
// 3, homogenised, its terms sorted; returns the basis as term lists without
// the homogenising variable.
#pragma once

#ifdef ZEL_VARIANT_FP

#include <omp.h>

#include <map>
#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/driver/threads.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/dpol_sort.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/code_table.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_pool.hpp"
#include "engine/mono/expos_words.hpp"
#include "support/engine_memory.hpp"
#include "support/naive_buchberger.hpp"
#include "support/zel_systems.h"

namespace zel_test {

struct EngineGB {
  uint32_t nvars;
  explicit EngineGB(uint32_t n, uint32_t first_block, uint32_t p = 65521, int threads = 1,
                    uint32_t max_index = 200000)
      : nvars(n) {
    using namespace zel::ZEL_BUILD;
    fresh_engine_memory();
    set_field_prime(p);
    ZEL_C(want_quiet) = 1;
    want_Lexico = 0;
    var_second_block = first_block;
    set_Expos(n);
    zel_max_index = max_index;
    set_hash_prime();
    {
      InZone3 z3;
      ZEL_C(ptr_Base_Exposants) = engine_Table_de_Recherche();
      empty_Table_de_Recherche(ZEL_C(ptr_Base_Exposants));
    }
    want_mingbasis = 0;
    want_mingbasis_strong = 1;
    want_eliminated = 0;
    want_automatique = 0;
    nb_of_renormed = 0;
    ZEL_C(want_aggressive) = 0;
    nb_threads = threads;
    omp_set_num_threads(threads);
    // Small systems take the threaded paths too.
    min_threaded_work = 0;
  }
  ~EngineGB() {
    using namespace zel::ZEL_BUILD;
    nb_threads = 1;
    omp_set_num_threads(1);
    min_threaded_work = kDefaultThreadedWork;
    zel_max_index = 5000000;
    zel_hash_prime = 5666677;
    zel::reset_engine_memory();
  }
  EngineGB(const EngineGB&) = delete;
  EngineGB& operator=(const EngineGB&) = delete;

  // Equal monomials merged and zero terms dropped, as the C interface does.
  zel::ZEL_BUILD::Dpol* make(const SysPoly& raw) {
    using namespace zel::ZEL_BUILD;
    std::map<std::vector<uint32_t>, uint64_t> merged;
    for (const auto& [e, c] : raw) merged[e] = (merged[e] + c) % ZEL_C(Primes)[0];
    SysPoly f;
    for (const auto& [e, c] : merged)
      if (c) f.push_back({e, uint32_t(c)});
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
      lanes(d)[0][i] = Dom(f[i].second);
    }
    renormalize_input(words.data(), uint32_t(words.size()));
    force_sort_Dpol(d);
    return d;
  }

  // The engine's basis, each polynomial as its terms in the engine's order.
  std::vector<SysPoly> basis(const std::vector<SysPoly>& F, uint32_t* size = nullptr) {
    using namespace zel::ZEL_BUILD;
    std::vector<Dpol*> in;
    for (const SysPoly& f : F) in.push_back(make(f));
    std::vector<Dpol*> G(100001);
    double cpu = 0;
    const uint32_t n = gbasis(in.data(), uint32_t(in.size()), G.data(), &cpu);
    if (size) *size = n;
    std::vector<SysPoly> out;
    for (uint32_t k = 0; k < n; ++k) {
      SysPoly f;
      for (uint32_t i = 0; i < G[k]->n; ++i) {
        std::vector<uint32_t> e(nvars);
        for (uint32_t v = 0; v < nvars; ++v) e[v] = get_field(words_of(G[k]->mono[i]), v);
        f.push_back({e, lanes(G[k])[0][i]});
      }
      out.push_back(f);
    }
    return out;
  }
};

using buchberger::NaiveGroebner;
using buchberger::NGPoly;
using buchberger::NMono;

// Term lists to the naive reference's polynomials (normalised, sorted).
inline std::vector<NGPoly> to_naive(const NaiveGroebner& gb, const std::vector<SysPoly>& F) {
  std::vector<NGPoly> out;
  for (const SysPoly& f : F) {
    NGPoly q;
    for (const auto& [e, c] : f) q.push_back({NMono(e.begin(), e.end()), c});
    out.push_back(gb.normalise(q));
  }
  return out;
}

}  // namespace zel_test

#endif
