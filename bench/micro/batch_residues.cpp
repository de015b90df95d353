// Micro-benchmark of the integer build's batch residues: one integer of w
// 32-bit words modulo V primes, in each form the processor runs (0 plain,
// then AVX2, then AVX-512 unless ZEL_NO_AVX512 is set).
#include <benchmark/benchmark.h>

#ifdef ZEL_VARIANT_INT
#include <gmp.h>

#include <random>
#include <vector>

#include "engine/coef/batch_residues.hpp"
#include "engine/coef/default_primes.hpp"

using namespace zel::ZEL_BUILD;

namespace {

// Arguments: form, primes, words.
void BM_BatchResidues(benchmark::State& state) {
  const uint32_t form = uint32_t(state.range(0));
  const uint32_t V = uint32_t(state.range(1)), words = uint32_t(state.range(2));
  if (form >= BatchResidues::form_count()) {
    state.SkipWithError("form not run by this processor");
    return;
  }
  std::vector<uint32_t> primes(zel::Zel_Default_Primes32(), zel::Zel_Default_Primes32() + V);
  BatchResidues batch(primes.data(), V);
  batch.use_form(form);
  std::mt19937_64 rng(7);
  std::vector<mp_limb_t> limbs((words + 1) / 2);
  for (auto& l : limbs) l = rng();
  mpz_t c;
  mpz_init(c);
  mpz_import(c, limbs.size(), -1, sizeof(mp_limb_t), 0, 0, limbs.data());
  std::vector<std::vector<Dom>> lanes(V, std::vector<Dom>(1));
  std::vector<Dom*> lane(V);
  for (uint32_t l = 0; l < V; ++l) lane[l] = lanes[l].data();
  for (auto _ : state) {
    batch.put(*c, lane.data(), 0);
    benchmark::DoNotOptimize(lanes[V - 1][0]);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * V * words);
  mpz_clear(c);
}
BENCHMARK(BM_BatchResidues)
    ->ArgsProduct({{0, 1, 2}, {8, 256}, {2, 64, 4096}})
    ->ArgNames({"form", "primes", "words"});

}  // namespace
#endif
