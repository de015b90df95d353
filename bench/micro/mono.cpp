// Micro-benchmarks of the monomial layer: products entered in the code
// table (as symbolic preprocessing enters them) and monomial comparisons.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/mem/raw_block.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/code_table.hpp"
#include "engine/mono/expos_hash.hpp"
#include "engine/mono/expos_order.hpp"
#include "engine/mono/expos_pool.hpp"

using namespace zel::ZEL_BUILD;

namespace {

void fresh_session(uint32_t n) {
  zel::reset_engine_memory();
  init_zone_tables();
  ZEL_C(want_quiet) = 1;
  want_Lexico = 0;
  set_Expos(n);
  var_second_block = n;
}

// A hashed heap monomial with exponents below `bound` on the n + 1 variables.
Expos* random_mono(std::mt19937_64& rng, uint32_t bound) {
  Expos* m = ZEL_C(new_heap_Expos)();
  ExposW* w = words_of(m);
  for (uint32_t k = 0; k < nb_of_blocks_of_variables; ++k) set_word(w, k, 0);
  for (uint32_t i = 0; i < nb_of_variables; ++i) set_field(w, i, uint32_t(rng() % bound));
  put_hash(m, hash_Expos(w));
  return m;
}

// Products of terms by multipliers, entered with get_code in a table sized
// for max_index columns; each pass empties the table by codes.  Arguments:
// variables, log2 of max_index, terms, multipliers.
void BM_GetCodeProducts(benchmark::State& state) {
  const uint32_t n = uint32_t(state.range(0));
  fresh_session(n);
  zel_max_index = 1u << state.range(1);
  set_hash_prime();
  Base_Exposants* t = dynamic_Table_de_Recherche();
  empty_Table_de_Recherche(t);
  std::mt19937_64 rng(1);
  std::vector<Expos*> terms(size_t(state.range(2))), mults(size_t(state.range(3)));
  for (auto& m : terms) m = random_mono(rng, 6);
  for (auto& m : mults) m = random_mono(rng, 3);
  std::vector<std::pair<uint32_t, uint32_t>> pairs(1 << 18);
  for (auto& p : pairs) p = {uint32_t(rng() % terms.size()), uint32_t(rng() % mults.size())};
  uint64_t fresh = 0, entered = 0;
  for (auto _ : state) {
    for (const auto& [i, j] : pairs) {
      uint32_t code;
      Expos* mono;
      Expos* b = mults[j];
      fresh += ZEL_C(get_code)(uint32_t(get_hash(b)), words_of(b), terms[i], t, &code, &mono);
    }
    entered += pairs.size();
    state.PauseTiming();
    // The product blocks go back to the pool, as a step's end would do.
    for (uint32_t c = 0; c < t->count; ++c)
      ZEL_C(kill_Expos)(header_of(monomial_of_map(t, c)));
    empty_codes_Table_de_Recherche(t);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(int64_t(entered));
  state.counters["new_codes_per_pass"] = double(fresh) / double(state.iterations());
}
BENCHMARK(BM_GetCodeProducts)
    ->Args({7, 20, 4096, 512})  // ~240k columns in 1.2M slots: mostly new codes
    ->Args({15, 20, 4096, 512})
    ->Args({31, 20, 4096, 512})
    ->Args({7, 16, 256, 64})  // ~16k columns in 75k slots: mostly repeats, cache-resident
    ->Args({15, 16, 256, 64})
    ->Unit(benchmark::kMillisecond);

// Lookups of the same products (the column numbers of the rows).
void BM_FindCodeProducts(benchmark::State& state) {
  const uint32_t n = uint32_t(state.range(0));
  fresh_session(n);
  zel_max_index = 1u << 20;
  set_hash_prime();
  Base_Exposants* t = dynamic_Table_de_Recherche();
  empty_Table_de_Recherche(t);
  std::mt19937_64 rng(2);
  std::vector<Expos*> terms(4096), mults(512);
  for (auto& m : terms) m = random_mono(rng, 6);
  for (auto& m : mults) m = random_mono(rng, 3);
  std::vector<std::pair<uint32_t, uint32_t>> pairs(1 << 18);
  for (auto& p : pairs) {
    p = {uint32_t(rng() % terms.size()), uint32_t(rng() % mults.size())};
    uint32_t code;
    Expos* mono;
    Expos* b = mults[p.second];
    ZEL_C(get_code)(uint32_t(get_hash(b)), words_of(b), terms[p.first], t, &code, &mono);
  }
  uint64_t sum = 0;
  for (auto _ : state) {
    for (const auto& [i, j] : pairs) {
      Expos* b = mults[j];
      sum += find_code(uint32_t(get_hash(b)), words_of(b), terms[i], t);
    }
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pairs.size()));
}
BENCHMARK(BM_FindCodeProducts)->Arg(7)->Arg(15)->Unit(benchmark::kMillisecond);

// Comparisons of neighbouring monomials of a sorted-looking stream: equal
// degrees are frequent, so the reverse lexicographic part is exercised.
template <int32_t (*Cmp)(const ExposW*, const ExposW*)>
void BM_Compare(benchmark::State& state) {
  const uint32_t n = uint32_t(state.range(0));
  fresh_session(n);
  var_second_block = uint32_t(state.range(1));
  std::mt19937_64 rng(3);
  std::vector<Expos*> ms(4096);
  for (auto& m : ms) m = random_mono(rng, 4);
  int64_t acc = 0;
  for (auto _ : state) {
    for (size_t i = 0; i + 1 < ms.size(); ++i) acc += Cmp(words_of(ms[i]), words_of(ms[i + 1]));
  }
  benchmark::DoNotOptimize(acc);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(ms.size() - 1));
}
BENCHMARK_TEMPLATE(BM_Compare, comp_Expos)
    ->Args({7, 7})
    ->Args({15, 15})
    ->Args({15, 8})
    ->Args({31, 31});
BENCHMARK_TEMPLATE(BM_Compare, comp5_Expos)->Args({15, 8});

void BM_Divisibility(benchmark::State& state) {
  fresh_session(uint32_t(state.range(0)));
  std::mt19937_64 rng(4);
  std::vector<Expos*> ms(4096);
  for (auto& m : ms) m = random_mono(rng, 3);
  int64_t acc = 0;
  for (auto _ : state) {
    for (size_t i = 0; i + 1 < ms.size(); ++i)
      acc += is_sub_Expos1(words_of(ms[i]), words_of(ms[i + 1]));
  }
  benchmark::DoNotOptimize(acc);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(ms.size() - 1));
}
BENCHMARK(BM_Divisibility)->Arg(7)->Arg(15);

}  // namespace
