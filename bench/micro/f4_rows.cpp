// Micro-benchmarks of the row coding and the pair criteria: expanding coded
// rows into accumulators, collecting unreduced accumulators, and filtering
// the new pairs of one polynomial.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/f4/accumulator.hpp"
#include "engine/f4/basis.hpp"
#include "engine/f4/criteria.hpp"
#include "engine/f4/pairs.hpp"
#include "engine/f4/row_code.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_pool.hpp"
#include "engine/poly/dpol.hpp"

using namespace zel::ZEL_BUILD;

namespace {

constexpr uint32_t kPrime = kIntegerBuild ? 4294967291u : 65521u;

void fresh_session(uint32_t n) {
  zel::reset_engine_memory();
  init_zone_tables();
  ZEL_C(want_quiet) = 1;
  want_Lexico = 0;
  set_Expos(n);
  var_second_block = n;
}

// Offsets of a typical F4 row: runs of neighbours and short jumps, with the
// given density (terms per 1000 columns).
std::vector<uint32_t> row_offsets(std::mt19937_64& rng, uint32_t width, uint32_t per_mille) {
  std::vector<uint32_t> cols{0};
  for (uint32_t c = 1; c < width; ++c)
    if (rng() % 1000 < per_mille) cols.push_back(c);
  return cols;
}

// Arguments: accumulator width, density per mille.
void BM_DecompressRow(benchmark::State& state) {
  fresh_session(4);
  std::mt19937_64 rng(1);
  const uint32_t width = uint32_t(state.range(0));
  const auto cols = row_offsets(rng, width, uint32_t(state.range(1)));
  uint32_t ncodes, nbytes;
  uint8_t* code = compress_lzw(cols.data(), uint32_t(cols.size()), &ncodes, &nbytes);
  std::vector<Dom> coeffs(cols.size());
  for (auto& c : coeffs) c = Dom(1 + rng() % (kPrime - 1));
  std::vector<uint8_t> rec(coded_row_bytes(1));
  auto* row = reinterpret_cast<CodedRow*>(rec.data());
  row->code = code;
  row->ncodes = ncodes;
  row->width = width;
  row->kind = CODE_LZW;
  row->coeffs[0] = coeffs.data();
  set_current_lane(0, kPrime);
  std::vector<AccEntry> acc(width);
  for (auto _ : state) {
    decompress_lzw(acc.data(), row);
    benchmark::DoNotOptimize(acc.data());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * width);
}
BENCHMARK(BM_DecompressRow)->Args({20000, 50})->Args({20000, 500});

// Reduces and collects an accumulator of sums of products.  Argument: width.
void BM_CollectLongDom(benchmark::State& state) {
  fresh_session(4);
  std::mt19937_64 rng(2);
  const uint32_t n = uint32_t(state.range(0));
  std::vector<AccEntry> proto(n);
  for (auto& e : proto) {
    e = AccEntry{};
    if (rng() % 4) {
      for (int k = 0; k < 8; ++k) acc_add(e, uint64_t(rng() % kPrime) * (rng() % kPrime));
    }
  }
  set_current_lane(0, kPrime);
  std::vector<AccEntry> acc(n);
  std::vector<uint32_t> offs(n);
  HeapMark mark;
  save_GC_state(mark);
  for (auto _ : state) {
    state.PauseTiming();
    acc = proto;
    restore_GC_state(mark);
    state.ResumeTiming();
    Dom* c;
    benchmark::DoNotOptimize(ZEL_C(size_compact_row_long_Dom)(&c, acc.data(), n, offs.data()));
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * n);
}
BENCHMARK(BM_CollectLongDom)->Arg(20000);

// The new pairs of one polynomial against a basis of `range(0)` polynomials
// in 8 variables: made, sorted and filtered.
void BM_NewPairFilter(benchmark::State& state) {
  fresh_session(8);
  std::mt19937_64 rng(3);
  const int32_t nb = int32_t(state.range(0));
  auto poly = [&] {
    Dpol* p = new_Dpol(1);
    Expos* m = ZEL_C(new_heap_Expos)();
    for (uint32_t k = 0; k < nb_of_blocks_of_variables; ++k) set_word(words_of(m), k, 0);
    for (uint32_t i = 0; i < 8; ++i) set_field(words_of(m), i, uint32_t(rng() % 4));
    p->mono[0] = m;
    return p;
  };
  std::vector<Dpol*> G(static_cast<size_t>(nb));
  for (auto& g : G) g = poly();
  Dpol* f = poly();
  for (auto _ : state) {
    Crit* P = critBackEtrangeronLPC(trier_Crit(ZEL_C(generate_Crit)(f, G.data(), nb)));
    while (P) P = kill_deep_Crit(P);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * nb);
}
BENCHMARK(BM_NewPairFilter)->Arg(300)->Arg(3000);

}  // namespace
