// One run of the main loop on five residue lanes gives, lane by lane, the
// bases of five single-lane runs.
#include <gtest/gtest.h>

#include <vector>

#include "engine/api/poly_input.hpp"
#include "engine/coef/default_primes.hpp"
#include "engine/coef/primes.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/trace.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/code_table.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_pool.hpp"
#include "support/engine_memory.hpp"
#include "support/test_host.hpp"
#include "support/zel_systems.h"

using namespace zel::ZEL_BUILD;

namespace {

// Per basis polynomial: its exponents, then its residues (one lane).
using LaneBasis = std::vector<std::vector<uint64_t>>;

// The basis of the system modulo the given primes, one LaneBasis per lane.
std::vector<LaneBasis> bases(const std::vector<zs_poly>& F, const std::vector<uint32_t>& primes) {
  const uint32_t n = uint32_t(F[0].nvars);
  zel_test::fresh_engine_memory();
  set_batch_primes(primes.data(), uint32_t(primes.size()));
  want_Lexico = 0;
  var_second_block = 0;
  set_Expos(n);
  zel_max_index = 200000;
  set_hash_prime();
  ZEL_C(ptr_Base_Exposants) = dynamic_Table_de_Recherche();
  empty_Table_de_Recherche(ZEL_C(ptr_Base_Exposants));
  want_mingbasis = 0;
  want_mingbasis_strong = 1;
  want_automatique = 0;
  simul_write = 1;
  ZEL_C(reset_simulation)();
  std::vector<Dpol*> in;
  for (const zs_poly& f : F) {
    InZone3 z3;
    Dpol* d = new_Dpol(uint32_t(f.nterms));
    for (int t = 0; t < f.nterms; ++t) {
      ExposW* w = words_of(ZEL_C(new_Expos)());
      for (uint32_t k = 0; k < nb_of_blocks_of_variables; ++k) set_word(w, k, 0);
      for (uint32_t v = 0; v < n; ++v) set_field(w, v, uint32_t(f.e[size_t(t) * n + v]));
      d->mono[t] = header_of(w);
      for (size_t l = 0; l < primes.size(); ++l) lanes(d)[l][t] = reduce_I32(f.c[t], primes[l]);
    }
    normalize_input_Dpol(d, false);
    in.push_back(d);
  }
  std::vector<Dpol*> G(100001);
  double cpu = 0;
  const uint32_t count = gbasis(in.data(), uint32_t(in.size()), G.data(), &cpu);
  std::vector<LaneBasis> out(primes.size());
  for (size_t l = 0; l < primes.size(); ++l)
    for (uint32_t k = 0; k < count; ++k) {
      std::vector<uint64_t> f;
      for (uint32_t t = 0; t < G[k]->n; ++t)
        for (uint32_t w = 0; w < nb_of_blocks_of_variables; ++w)
          f.push_back(get_word(words_of(G[k]->mono[t]), w));
      for (uint32_t t = 0; t < G[k]->n; ++t) f.push_back(lanes(G[k])[l][t]);
      out[l].push_back(f);
    }
  return out;
}

TEST(Lanes, FiveLanesGiveTheBasesOfFiveSingleLaneRuns) {
  zel_test::TestHost host(0);
  std::vector<zs_poly> F(7);
  F.resize(size_t(zs_katsura(5, F.data())));
  const uint32_t* table = zel::Zel_Default_Primes32();
  const std::vector<uint32_t> primes(table + 100, table + 105);
  const std::vector<LaneBasis> together = bases(F, primes);
  ASSERT_FALSE(together[0].empty());
  for (size_t l = 0; l < primes.size(); ++l)
    EXPECT_EQ(bases(F, {primes[l]})[0], together[l]) << "lane " << l;
  for (zs_poly& f : F) zs_free(&f);
  zel::reset_engine_memory();
  ZEL_C(vectorize) = ZEL_C(maxi_vectorize) = 5;
}

}  // namespace
