// Matrix-vector products of the sparse change of order on a multiplication
// matrix of order D = 10,000 shaped like those of generic zero-dimensional
// systems: three rows in four copy one coordinate, one in four is a dense
// row with nine entries in ten non-zero.  Reports products per second.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/driver/threads.hpp"
#include "engine/mem/zone.hpp"
#include "sparse/aligned.hpp"
#include "sparse/descriptor.hpp"
#include "sparse/entries.hpp"
#include "sparse/matvec.hpp"

using namespace zel::ZEL_BUILD;
using zel::sparse_detail::AlignedBuf;

namespace {

constexpr int32_t kD = 10000;

struct Matrix {
  uint32_t prime = kIntegerBuild ? 4294967291u : 65521u;
  std::vector<int32_t> sparse, nosp, list;
  std::vector<AlignedBuf<Coord>> rows;
  std::vector<Coord*> table;
  AlignedBuf<Dom> block;

  Matrix() {
    std::mt19937_64 rng(42);
    const uint32_t n = align_vector_size(kD);
    for (int32_t i = 0; i < kD; ++i) {
      if (i % 4 == 3) {
        nosp.insert(nosp.end(), {i, 0});
        list.push_back(i);
      } else {
        sparse.insert(sparse.end(), {i, static_cast<int32_t>(rng() % kD)});
      }
    }
    sparse.insert(sparse.end(), {-1, -1});
    nosp.insert(nosp.end(), {-1, -1});
    block = AlignedBuf<Dom>(static_cast<size_t>(n) * list.size());
    const int32_t half = static_cast<int32_t>((prime - 1) / 2);
    for (size_t k = 0; k < list.size(); ++k) {
      rows.emplace_back(n);
      for (int32_t c = 0; c < kD; ++c) {
        if (rng() % 10 == 0) continue;
        const uint32_t v = static_cast<uint32_t>(rng() % prime);
        block[k * n + c] = static_cast<Dom>(v);
        rows.back()[c] = static_cast<Coord>(kIntegerBuild ? v : static_cast<int32_t>(v) - half);
      }
      table.push_back(rows.back().data());
    }
    w_sparse = sparse.data();
    w_nosp = nosp.data();
    w_cfs = block.data();
    w_cfs_tab = table.data();
    wid_size_matrix = kD;
    Table_Primes = &prime;
    init_wiedemann();
  }
};

Matrix& matrix() {
  static Matrix m;
  return m;
}

template <class Vec>
void fill(Vec& x, uint32_t p) {
  std::mt19937_64 rng(7);
  for (int32_t i = 0; i < kD; ++i) x[i] = static_cast<typename std::remove_reference<decltype(x[0])>::type>(rng() % p);
}

// The product of the sparse FGLM driver of this build.
void BM_FglmProduct(benchmark::State& state) {
  Matrix& m = matrix();
  internal_threads(static_cast<int32_t>(state.range(0)));
  const uint32_t n = align_vector_size(kD);
  AlignedBuf<Coord> x(n), y(n);
  fill(x, m.prime);
  auto product = [&](auto* out, const auto* in) {
    if constexpr (kIntegerBuild)
      apply2(out, in, kD);
    else
      apply2v(out, in, kD, m.list.data(), static_cast<int32_t>(m.list.size()));
  };
  for (auto _ : state) {
    product(y.data(), x.data());
    benchmark::DoNotOptimize(y.data());
    std::swap(x, y);
  }
  state.counters["products/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  internal_threads(1);
}

// The scalar Wiedemann product (unsigned residues, contiguous rows).
void BM_ScalarProduct(benchmark::State& state) {
  Matrix& m = matrix();
  const uint32_t n = align_vector_size(kD);
  AlignedBuf<Dom> x(n), y(n);
  fill(x, m.prime);
  for (auto _ : state) {
    apply2(y.data(), x.data(), kD);
    benchmark::DoNotOptimize(y.data());
    std::swap(x, y);
  }
  state.counters["products/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_FglmProduct)->Arg(1)->Arg(2)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScalarProduct)->UseRealTime()->Unit(benchmark::kMillisecond);

namespace {

// One whole run of the FGLM entry in store mode on a companion matrix of
// order D (one dense row): the cost of the Pade step and the solve, which
// grows as D^2 whatever the matrix.
void BM_FglmRunCompanion(benchmark::State& state) {
  const int32_t D = static_cast<int32_t>(state.range(0));
  uint32_t prime = kIntegerBuild ? 4294967291u : 65521u;
  std::mt19937_64 rng(3);
  std::vector<int32_t> sparse, nosp{D - 1, 0, -1, -1}, coords{-1, 0}, degrees(2);
  for (int32_t c = 0; c + 1 < D; ++c) sparse.insert(sparse.end(), {c, c + 1});
  sparse.insert(sparse.end(), {-1, -1});
  const uint32_t n = align_vector_size(D);
  AlignedBuf<Coord> row(n);
  const int32_t half = static_cast<int32_t>((prime - 1) / 2);
  for (int32_t c = 0; c < D; ++c) {
    const uint32_t v = static_cast<uint32_t>(rng() % prime);
    row[c] = static_cast<Coord>(kIntegerBuild ? v : static_cast<int32_t>(v) - half);
  }
  Coord* table[] = {row.data()};
  static char x[] = "x", z[] = "z";
  char* names[] = {x, z};
  auto rows = [&]() {
    if constexpr (kIntegerBuild)
      return reinterpret_cast<uint32_t*>(row.data());
    else
      return reinterpret_cast<int16_t**>(table);
  };
  for (auto _ : state) {
    int32_t d = ZEL_C(w_fglm)(D, sparse.data(), nosp.data(), 2, coords.data(), rows(), 1,
                              degrees.data(), &prime, 0, 0, names, 0, 0, -1, -1, -1);
    benchmark::DoNotOptimize(d);
  }
}

}  // namespace

BENCHMARK(BM_FglmRunCompanion)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

#ifdef ZEL_VARIANT_INT
#include "sparse/dot_product.hpp"

namespace {

// The dense rows of a solving mode's matrix: D/2 rows of D entries, small
// enough to stay in the caches, and one vector.
struct DenseRows {
  uint32_t D, n, k;
  uint32_t p = 4294967291u;
  AlignedBuf<Dom> rows, x;
  std::vector<Dom> out;
  explicit DenseRows(uint32_t d)
      : D(d), n(align_vector_size(d)), k(d / 2), rows(static_cast<size_t>(n) * k), x(n), out(k) {
    std::mt19937_64 rng(5);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<Dom>(rng() % p);
    for (uint32_t i = 0; i < D; ++i) x[i] = static_cast<Dom>(rng() % p);
  }
  void count(benchmark::State& state) const {
    state.counters["entries/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * n * k, benchmark::Counter::kIsRate);
  }
};

// Those rows with each form of the several-row kernel this processor runs
// (0: the plain loops).
void BM_DenseRowForms(benchmark::State& state) {
  const auto forms = dot_products_u32_kernels();
  const size_t form = static_cast<size_t>(state.range(0));
  if (form >= forms.size()) {
    state.SkipWithError("form not available on this processor");
    return;
  }
  DenseRows m(static_cast<uint32_t>(state.range(1)));
  for (auto _ : state) {
    forms[form](m.rows.data(), m.n, m.k, nullptr, m.x.data(), m.n, m.p, m.out.data());
    benchmark::DoNotOptimize(m.out.data());
  }
  m.count(state);
}

// The same rows one at a time with each form of the single-row kernel.
void BM_DotForms(benchmark::State& state) {
  const auto forms = dot_product_u32_kernels();
  const size_t form = static_cast<size_t>(state.range(0));
  if (form >= forms.size()) {
    state.SkipWithError("form not available on this processor");
    return;
  }
  DenseRows m(static_cast<uint32_t>(state.range(1)));
  for (auto _ : state) {
    for (uint32_t r = 0; r < m.k; ++r)
      m.out[r] = forms[form](m.rows.data() + size_t(r) * m.n, m.x.data(), m.n, m.p);
    benchmark::DoNotOptimize(m.out.data());
  }
  m.count(state);
}

}  // namespace

BENCHMARK(BM_DotForms)->ArgsProduct({{0, 1, 2, 3}, {256, 512}});
BENCHMARK(BM_DenseRowForms)->ArgsProduct({{0, 1, 2, 3}, {256, 512, 1024}});
#endif
