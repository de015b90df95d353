// Dot products and matrix-vector products against plain reference loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <type_traits>
#include <vector>

#include "engine/driver/threads.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/mem/zone.hpp"
#include "sparse/aligned.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/exact_sums.hpp"
#include "sparse/matvec.hpp"
#include "sparse/modarith.hpp"
#include "sparse_util.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;
using zel::sparse_detail::AlignedBuf;

namespace {

int64_t exact_dot(const int16_t* a, const int16_t* b, uint32_t n) {
  int64_t t = 0;
  for (uint32_t i = 0; i < n; ++i) t += static_cast<int64_t>(a[i]) * b[i];
  return t;
}

// The prime-field build's scalar form (the integer build has no signed one).
template <class C>
int64_t scalar_C(const int16_t* row, const int16_t* x, uint32_t n, uint32_t p) {
  if constexpr (std::is_same_v<C, int16_t>)
    return dot_product_dense_C(reinterpret_cast<const C*>(row), reinterpret_cast<const C*>(x), n, p);
  else
    return 0;
}

// The integer build's scalar form over residues in [0, p).
template <class C>
Dom unsigned_C(const Dom* row, const Dom* x, uint32_t n, uint32_t p) {
  if constexpr (std::is_same_v<C, Dom>)
    return dot_product_dense_C(reinterpret_cast<const C*>(row), reinterpret_cast<const C*>(x), n, p);
  else
    return 0;
}

// The prime-field build's wider forms of the FGLM dot product.
template <class C>
std::vector<int16_t (*)(const int16_t*, const int16_t*, uint32_t, uint32_t)> wide_forms() {
  if constexpr (std::is_same_v<C, int16_t>)
    return dot_product_dense_wide_kernels();
  else
    return {};
}

int64_t mod_sym(int64_t t, int64_t p) {
  int64_t r = ((t % p) + p) % p;
  return r > (p - 1) / 2 ? r - p : r;
}

}  // namespace

TEST(SparseDot, UnsignedDotMatchesReference) {
  SEED_TRACE();
  auto rng = make_rng(7);
  for (uint32_t p : build_primes()) {
    for (uint32_t n : {0u, 1u, 7u, 8u, 100u, 1003u}) {
      std::vector<Dom> a(n), b(n);
      unsigned __int128 t = 0;
      for (uint32_t i = 0; i < n; ++i) {
        a[i] = static_cast<Dom>(i % 5 == 0 ? p - 1 : rng() % p);
        b[i] = static_cast<Dom>(i % 7 == 0 ? p - 1 : rng() % p);
        t += static_cast<unsigned __int128>(a[i]) * b[i];
      }
      ASSERT_EQ(dot_product_dense(a.data(), b.data(), n, p), static_cast<Dom>(t % p)) << n;
    }
  }
}

#ifdef ZEL_VARIANT_INT
// The vector kernels count the wraps of their 64-bit lane sums: words near
// 2^32 wrap on almost every product, at every length and offset of the tail.
TEST(SparseDot, IntegerVectorKernelCountsEveryWrap) {
  SEED_TRACE();
  auto rng = make_rng(9);
  const auto kernels = dot_product_u32_kernels();
  const auto plain = kernels[0];
  for (uint32_t p : build_primes()) {
    for (uint32_t n = 0; n <= 70; ++n) {
      for (int fill = 0; fill < 3; ++fill) {
        std::vector<Dom> a(n + 1), b(n + 1);
        for (uint32_t i = 0; i <= n; ++i) {
          a[i] = fill == 0 ? 0xFFFFFFFFu : fill == 1 ? p - 1 : static_cast<Dom>(rng());
          b[i] = fill == 0 ? 0xFFFFFFFFu : static_cast<Dom>(rng());
        }
        // Offset by one entry too: the kernels make no alignment assumption.
        for (uint32_t off = 0; off <= 1 && off <= n; ++off)
          for (auto kernel : kernels)
            ASSERT_EQ(kernel(a.data() + off, b.data() + off, n - off, p),
                      plain(a.data() + off, b.data() + off, n - off, p))
                << n << " " << fill;
      }
    }
    std::vector<Dom> big(100000, 0xFFFFFFFFu);
    for (auto kernel : kernels)
      ASSERT_EQ(kernel(big.data(), big.data(), 100000, p), plain(big.data(), big.data(), 100000, p));
  }
}

// The several-row forms against the plain loops: every row count around the
// groups of four, tails of every length, words that wrap on every product,
// and tiny primes as well as the build's.
TEST(SparseDot, SeveralRowFormsEqualThePlainLoops) {
  SEED_TRACE();
  auto rng = make_rng(11);
  const auto forms = dot_products_u32_kernels();
  std::vector<uint32_t> primes = build_primes();
  primes.insert(primes.end(), {2u, 3u, 7u});
  for (uint32_t p : primes) {
    // 70001: past the runs after which a kernel folds its lanes.
    for (uint32_t n : {0u, 1u, 15u, 16u, 17u, 40u, 257u, 70001u}) {
      for (uint32_t count : {1u, 2u, 3u, 4u, 5u, 6u, 8u, 9u, 20u}) {
        if (n > 1000 && count != 5) continue;
        const size_t stride = n + 3;
        std::vector<Dom> rows(stride * count + 1), x(n + 1);
        for (Dom& v : rows) v = rng() % 2 ? 0xFFFFFFFFu : static_cast<Dom>(rng());
        for (Dom& v : x) v = rng() % 2 ? 0xFFFFFFFFu : static_cast<Dom>(rng());
        std::vector<Dom> want(count), got(count);
        for (uint32_t r = 0; r < count; ++r) {
          unsigned __int128 t = 0;
          for (uint32_t i = 0; i < n; ++i) t += static_cast<uint64_t>(rows[r * stride + i]) * x[i];
          want[r] = static_cast<Dom>(t % p);
        }
        for (const auto& form : forms) {
          form(rows.data(), static_cast<ptrdiff_t>(stride), count, nullptr, x.data(), n, p,
               got.data());
          ASSERT_EQ(got, want) << "p=" << p << " n=" << n << " rows=" << count;
          // The same rows from the last one back.
          form(rows.data() + (count - 1) * stride, -static_cast<ptrdiff_t>(stride), count,
               nullptr, x.data(), n, p, got.data());
          std::reverse(got.begin(), got.end());
          ASSERT_EQ(got, want) << "p=" << p << " n=" << n << " rows=" << count << " backwards";
        }
        // The change of order's product, given the entries' top bits.
        auto with_tops = [&](const uint32_t* lengths) {
          std::vector<int16_t> tops(rows.size()), x_tops(x.size());
          residue_tops(rows.data(), rows.size(), tops.data());
          residue_tops(x.data(), x.size(), x_tops.data());
          dot_products_u32_tops(rows.data(), tops.data(), static_cast<ptrdiff_t>(stride), count,
                                lengths, x.data(), x_tops.data(), n, p, got.data());
          return got;
        };
        ASSERT_EQ(with_tops(nullptr), want) << "p=" << p << " n=" << n << " rows=" << count;
        // Rows zero past lengths of their own: a group reads as far as its
        // longest row, the others' zeros included.
        std::vector<uint32_t> lengths(count);
        for (uint32_t r = 0; r < count; ++r) {
          lengths[r] = static_cast<uint32_t>(rng() % (n + 1));
          std::fill(rows.begin() + r * stride + lengths[r], rows.begin() + r * stride + n, 0u);
          unsigned __int128 t = 0;
          for (uint32_t i = 0; i < n; ++i) t += static_cast<uint64_t>(rows[r * stride + i]) * x[i];
          want[r] = static_cast<Dom>(t % p);
        }
        for (const auto& form : forms) {
          form(rows.data(), static_cast<ptrdiff_t>(stride), count, lengths.data(), x.data(), n, p,
               got.data());
          ASSERT_EQ(got, want) << "p=" << p << " n=" << n << " rows=" << count << " lengths";
        }
        ASSERT_EQ(with_tops(lengths.data()), want) << "p=" << p << " n=" << n << " lengths";
      }
    }
  }
}
#endif

// The division-free reduction against the remainder, on sums of every size
// (a high word of 0, small, at and past 2^32) and around multiples of p.
TEST(SparseDot, ReducerEqualsRemainder) {
  SEED_TRACE();
  auto rng = make_rng(10);
  std::vector<uint32_t> moduli = build_primes();
  moduli.push_back(3);
  moduli.push_back(65521);
  moduli.push_back(0xFFFFFFFBu);  // the largest 32-bit prime
  for (uint32_t p : moduli) {
    const Reducer reduce_p(p);
    for (int i = 0; i < 20000; ++i) {
      const int shape = i % 5;
      uint64_t hi = shape == 0 ? 0 : shape == 1 ? rng() % 4096 : shape == 2 ? rng() : ~0ull;
      uint64_t lo = (uint64_t(rng()) << 32) ^ rng();
      if (!kIntegerBuild) hi = 0;
      Acc a = static_cast<Acc>(hi);
      if constexpr (kIntegerBuild) a = (a << 64) | lo; else a = lo;
      if (shape == 4) a -= a % p + (i % 3);  // just below, at and above a multiple
      ASSERT_EQ(reduce_p(a), static_cast<Dom>(a % p)) << p << " " << i;
    }
  }
}

// Exact sums of scaled pairs: the vector form equals the plain loop, wraps
// included (factors near 2^32, many rounds on the same entries).
TEST(SparseDot, ExactSumsOfScaledPairsCountTheirWraps) {
  SEED_TRACE();
  auto rng = make_rng(11);
  for (uint32_t n : {0u, 1u, 7u, 8u, 9u, 64u, 301u}) {
    std::vector<uint64_t> s1(n, 0), w1(n, 0), s2(n, 0), w2(n, 0);
    std::vector<uint32_t> a(n), b(n);
    for (int round = 0; round < 40; ++round) {
      for (uint32_t j = 0; j < n; ++j) {
        a[j] = round % 2 ? 0xFFFFFFFFu : static_cast<uint32_t>(rng());
        b[j] = static_cast<uint32_t>(rng());
      }
      const uint64_t x = round % 3 ? 0xFFFFFFFFu : rng() % 4096, y = static_cast<uint32_t>(rng());
      add_two_scaled(s1.data(), w1.data(), a.data(), x, b.data(), y, n);
      add_two_scaled_plain(s2.data(), w2.data(), a.data(), x, b.data(), y, n);
    }
    ASSERT_EQ(s1, s2) << n;
    ASSERT_EQ(w1, w2) << n;
  }
}

TEST(SparseDot, VectorFormEqualsExactScalarForm) {
  if constexpr (kIntegerBuild) GTEST_SKIP() << "the vector form is the prime-field build's";
  SEED_TRACE();
  auto rng = make_rng(8);
  for (uint32_t p : build_primes()) {
    const int32_t half = static_cast<int32_t>((p - 1) / 2);
    for (uint32_t n = 8; n <= 8 * 70; n += 8) {
      AlignedBuf<int16_t> row(n), x(n);
      for (long rep = 0; rep < iterations(4); ++rep) {
        for (uint32_t i = 0; i < n; ++i) {
          // Extremes: the symmetric bounds in rows, the whole 16-bit range in x
          // (the driver's random start vector reaches -32768).
          const uint64_t r = rng();
          row[i] = static_cast<int16_t>(rep == 0 ? (i % 2 ? half : -half)
                                                 : static_cast<int32_t>(r % p) - half);
          x[i] = static_cast<int16_t>(rep == 0 ? (i % 2 ? 32767 : -32768)
                                               : static_cast<int16_t>(r >> 32));
        }
        const int64_t want = mod_sym(exact_dot(row.data(), x.data(), n), p);
        ASSERT_EQ(scalar_C<Coord>(row.data(), x.data(), n, p), want) << n;
        ASSERT_EQ(dot_product_dense_sse(row.data(), x.data(), n, p), want) << n;
        ASSERT_EQ(dot_product_dense_sse_prefetch(row.data(), x.data(), n, p), want) << n;
        for (auto wide : wide_forms<Coord>()) ASSERT_EQ(wide(row.data(), x.data(), n, p), want) << n;
      }
    }
    // Totals one past the symmetric bounds fold to the other end.
    AlignedBuf<int16_t> row(8), x(8);
    row[0] = 1;
    x[0] = static_cast<int16_t>(-half - 1);
    EXPECT_EQ(dot_product_dense_sse_prefetch(row.data(), x.data(), 8, p), half);
    x[0] = static_cast<int16_t>(half + 1);
    EXPECT_EQ(dot_product_dense_sse_prefetch(row.data(), x.data(), 8, p), -half);
  }
}

// The wider forms of the FGLM dot product against the scalar form, tiny
// primes as well, every length to past two 512-bit blocks.
TEST(SparseDot, WideFormsEqualTheScalarForm) {
  if constexpr (kIntegerBuild) GTEST_SKIP() << "the 16-bit kernel is the prime-field build's";
  SEED_TRACE();
  auto rng = make_rng(12);
  for (uint32_t p : {3u, 7u, 32003u, 65521u}) {
    const int32_t half = static_cast<int32_t>((p - 1) / 2);
    for (uint32_t n = 8; n <= 136; n += 8) {
      AlignedBuf<int16_t> row(n), x(n);
      for (uint32_t i = 0; i < n; ++i) {
        row[i] = static_cast<int16_t>(static_cast<int32_t>(rng() % p) - half);
        x[i] = static_cast<int16_t>(static_cast<int32_t>(rng() % p) - half);
      }
      const int64_t want = scalar_C<Coord>(row.data(), x.data(), n, p);
      for (auto wide : wide_forms<Coord>())
        ASSERT_EQ(wide(row.data(), x.data(), n, p), want) << "p=" << p << " n=" << n;
    }
  }
}

namespace {

// A random matrix of order D in the descriptor's two forms: every third row
// a copy row, the others dense (in symmetric residues for the row table,
// unsigned in the contiguous block), some rows left out (zero rows).
struct TestMatrix {
  int32_t D;
  uint32_t prime;
  std::vector<int32_t> sparse, nosp, list;
  std::vector<AlignedBuf<Coord>> rows;
  std::vector<Coord*> tab;
  AlignedBuf<Dom> block;
  std::vector<std::vector<uint64_t>> dense;  // the reference, residues in [0, p)

  TestMatrix(int32_t d, uint32_t p, std::mt19937_64& rng, int32_t dense_rows)
      : D(d), prime(p), dense(d, std::vector<uint64_t>(d, 0)) {
    const uint32_t n = align_vector_size(d);
    std::vector<int32_t> dense_ids;
    for (int32_t i = 0; i < d; ++i) {
      if (static_cast<int32_t>(dense_ids.size()) < dense_rows && rng() % 3 != 0) {
        dense_ids.push_back(i);
      } else if (rng() % 8 != 0) {
        const int32_t src = static_cast<int32_t>(rng() % d);
        sparse.insert(sparse.end(), {i, src});
        dense[i][src] = 1;
      }
    }
    sparse.insert(sparse.end(), {-1, -1});
    block = AlignedBuf<Dom>(n * dense_ids.size() + 1);
    for (size_t k = 0; k < dense_ids.size(); ++k) {
      const int32_t r = dense_ids[k];
      nosp.insert(nosp.end(), {r, 0});
      list.push_back(r);
      rows.emplace_back(n);
      for (int32_t c = 0; c < d; ++c) {
        uint64_t v = rng() % 4 == 0 ? 0 : rng() % p;
        if (c == 0) v = p - 1;
        dense[r][c] = v;
        block[k * n + c] = static_cast<Dom>(v);
        if constexpr (kIntegerBuild)
          rows.back()[c] = static_cast<Coord>(v);
        else
          rows.back()[c] = static_cast<Coord>(v > (p - 1) / 2 ? static_cast<int64_t>(v) - p : v);
      }
    }
    for (auto& r : rows) tab.push_back(r.data());
    nosp.insert(nosp.end(), {-1, -1});
  }

  void install() {
    w_sparse = sparse.data();
    w_nosp = nosp.data();
    w_cfs = block.data();
    w_cfs_tab = tab.data();
    wid_size_matrix = D;
  }

  std::vector<uint64_t> times(const std::vector<uint64_t>& x) const {
    std::vector<uint64_t> y(D, 0);
    for (int32_t i = 0; i < D; ++i) {
      unsigned __int128 t = 0;
      for (int32_t j = 0; j < D; ++j) t += static_cast<unsigned __int128>(dense[i][j]) * x[j];
      y[i] = static_cast<uint64_t>(t % prime);
    }
    return y;
  }
};

// (The prime-field build's checks only.)
[[maybe_unused]] uint64_t to_residue(Coord c, uint32_t p) {
  const int64_t v = static_cast<int64_t>(c);
  return static_cast<uint64_t>(v < 0 ? v + p : v);
}

}  // namespace

TEST(SparseMatvec, ProductsMatchTheDenseReference) {
  SEED_TRACE();
  auto rng = make_rng(9);
  for (uint32_t p : build_primes()) {
    PrimeScope ps(p);
    for (int32_t D : {1, 2, 3, 9, 17, 64, 101}) {
      for (int32_t dense_rows : {0, 1, D / 2, D}) {
        TestMatrix m(D, p, rng, dense_rows);
        m.install();
        const uint32_t n = align_vector_size(D);
        std::vector<uint64_t> xr(D);
        AlignedBuf<Dom> x(n), y(n);
        for (int32_t i = 0; i < D; ++i) x[i] = static_cast<Dom>(xr[i] = rng() % p);
        std::vector<uint64_t> want = m.times(xr);
        apply2(y.data(), x.data(), D);
        for (int32_t i = 0; i < D; ++i) ASSERT_EQ(y[i], want[i]) << "D=" << D << " i=" << i;
        if constexpr (!kIntegerBuild) {
          AlignedBuf<Coord> xs(n), ys(n);
          for (int32_t i = 0; i < D; ++i)
            xs[i] = static_cast<Coord>(xr[i] > (p - 1) / 2 ? static_cast<int64_t>(xr[i]) - p
                                                            : xr[i]);
          apply2v(ys.data(), xs.data(), D, m.list.data(), static_cast<int32_t>(m.list.size()));
          for (int32_t i = 0; i < D; ++i) ASSERT_EQ(to_residue(ys[i], p), want[i]) << i;
        }
        uint64_t nnz = 0;
        for (int32_t r : m.list)
          for (int32_t c = 0; c < D; ++c) nnz += m.dense[r][c] != 0;
        EXPECT_EQ(sparsity_align(D, !kIntegerBuild), nnz);
      }
    }
  }
}

TEST(SparseMatvec, ShiftFormOfTheCopyRows) {
  const uint32_t p = build_primes()[0];
  PrimeScope ps(p);
  // Companion-like: y[i] = x[i+1] for i < 3, row 3 dense.
  const int32_t D = 4;
  std::vector<int32_t> shifts{0, 1, 2, -1}, nosp{3, 0, -1, -1};
  AlignedBuf<Dom> block(align_vector_size(D)), x(align_vector_size(D)), y(align_vector_size(D));
  for (int i = 0; i < D; ++i) block[i] = static_cast<Dom>(i + 1), x[i] = static_cast<Dom>(10 + i);
  w_sparse = shifts.data();
  w_nosp = nosp.data();
  w_cfs = block.data();
  apply(y.data(), x.data(), D);
  EXPECT_EQ(y[0], 11);
  EXPECT_EQ(y[1], 12);
  EXPECT_EQ(y[2], 13);
  EXPECT_EQ(y[3], 10 + 22 + 36 + 52);
}

TEST(SparseMatvec, ThreadedProductEqualsSequential) {
  if constexpr (kIntegerBuild) GTEST_SKIP() << "the integer build is single-threaded";
  SEED_TRACE();
  auto rng = make_rng(10);
  const uint32_t p = build_primes()[0];
  PrimeScope ps(p);
  min_threaded_work = 0;  // small products take the threaded path too
  for (int32_t D : {5, 40, 333}) {
    for (int32_t dense_rows : {0, 1, 2, 5, D}) {
      TestMatrix m(D, p, rng, dense_rows);
      m.install();
      const uint32_t n = align_vector_size(D);
      AlignedBuf<Coord> x(n), y1(n), yt(n);
      for (int32_t i = 0; i < D; ++i) x[i] = static_cast<Coord>(static_cast<int16_t>(rng()));
      internal_threads(1);
      apply2v(y1.data(), x.data(), D, m.list.data(), static_cast<int32_t>(m.list.size()));
      for (int32_t t : {2, 3, 8}) {
        internal_threads(t);
        apply2v(yt.data(), x.data(), D, m.list.data(), static_cast<int32_t>(m.list.size()));
        for (int32_t i = 0; i < D; ++i) ASSERT_EQ(yt[i], y1[i]) << "threads " << t << " i " << i;
      }
    }
  }
  min_threaded_work = kDefaultThreadedWork;
  internal_threads(0);  // clamps to one thread
  EXPECT_EQ(nb_threads, 1);
}

TEST(SparseDot, MultiRowAndIntegerScalarFormsEqualTheExactSum) {
  SEED_TRACE();
  auto rng = make_rng(15);
  for (uint32_t p : build_primes()) {
    PrimeScope ps(p);
    for (uint32_t n : {8u, 16u, 40u, 264u}) {
      if constexpr (kIntegerBuild) {
        std::vector<Dom> a(n), b(n);
        unsigned __int128 t = 0;
        for (uint32_t i = 0; i < n; ++i) {
          a[i] = static_cast<Dom>(rng() % p), b[i] = static_cast<Dom>(i % 3 ? rng() % p : p - 1);
          t += static_cast<unsigned __int128>(a[i]) * b[i];
        }
        ASSERT_EQ(unsigned_C<Coord>(a.data(), b.data(), n, p), static_cast<Dom>(t % p));
        ASSERT_EQ(dot_product(a.data(), b.data(), static_cast<int32_t>(n)), static_cast<Dom>(t % p));
      } else {
        const int32_t half = static_cast<int32_t>((p - 1) / 2);
        std::vector<AlignedBuf<int16_t>> rows;
        AlignedBuf<int16_t> x(n);
        for (uint32_t i = 0; i < n; ++i) x[i] = static_cast<int16_t>(rng());
        std::vector<const int16_t*> rp;
        for (int r = 0; r < 8; ++r) {
          rows.emplace_back(n);
          for (uint32_t i = 0; i < n; ++i)
            rows.back()[i] = static_cast<int16_t>(static_cast<int32_t>(rng() % p) - half);
          rp.push_back(rows.back().data());
        }
        int16_t out[8];
        int16_t* res[8];
        for (int r = 0; r < 8; ++r) res[r] = out + r;
        for (auto* kernel : {dot_product_dense_sse2, dot_product_dense_sse4, dot_product_dense_sse8}) {
          const int count = kernel == dot_product_dense_sse2 ? 2 : kernel == dot_product_dense_sse4 ? 4 : 8;
          std::fill(out, out + 8, int16_t(12345));
          kernel(res, rp.data(), x.data(), n, p);
          for (int r = 0; r < 8; ++r)
            ASSERT_EQ(out[r], r < count ? mod_sym(exact_dot(rp[r], x.data(), n), p) : 12345)
                << count << " rows, row " << r << " n " << n;
        }
      }
    }
  }
}

TEST(SparseMatvec, PackedUnpaddedAndListFormsOfTheDenseRows) {
  SEED_TRACE();
  auto rng = make_rng(16);
  for (uint32_t p : build_primes()) {
    PrimeScope ps(p);
    for (int32_t D : {1, 5, 9, 40}) {
      TestMatrix m(D, p, rng, D / 2 + 1);
      m.install();
      const uint32_t n = align_vector_size(D);
      std::vector<uint64_t> xr(D);
      AlignedBuf<Dom> x(n), y(n);
      for (int32_t i = 0; i < D; ++i) x[i] = static_cast<Dom>(xr[i] = rng() % p);
      const std::vector<uint64_t> want = m.times(xr);
      auto dense_rows_match = [&](const char* form) {
        for (int32_t r : m.list) ASSERT_EQ(y[r], want[r]) << form << " D=" << D << " row " << r;
      };
      // Unpadded rows of D entries.
      std::vector<Dom> plain;
      for (size_t k = 0; k < m.list.size(); ++k)
        plain.insert(plain.end(), m.block.data() + k * n, m.block.data() + k * n + D);
      plain.push_back(0);
      w_cfs = plain.data();
      dense_matrix(y.data(), x.data(), D);
      dense_rows_match("unpadded");
      // Packed rows from a first column on; the reference drops the columns before it.
      std::vector<Dom> packed;
      std::vector<int32_t> nosp;
      std::vector<uint64_t> want_packed(D, 0);
      for (size_t k = 0; k < m.list.size(); ++k) {
        const int32_t r = m.list[k], first = static_cast<int32_t>(rng() % D);
        nosp.insert(nosp.end(), {r, first});
        unsigned __int128 t = 0;
        for (int32_t c = first; c < D; ++c) {
          packed.push_back(static_cast<Dom>(m.dense[r][c]));
          t += static_cast<unsigned __int128>(m.dense[r][c]) * xr[c];
        }
        want_packed[r] = static_cast<uint64_t>(t % p);
      }
      nosp.insert(nosp.end(), {-1, -1});
      packed.push_back(0);
      w_cfs = packed.data();
      w_nosp = nosp.data();
      dense_matrix_I32(y.data(), x.data(), D);
      for (int32_t r : m.list) ASSERT_EQ(y[r], want_packed[r]) << "packed D=" << D;
      // Aligned rows in list order, threaded in the prime-field build.
      m.install();
      min_threaded_work = 0;
      for (int32_t t : {1, 3}) {
        if constexpr (!kIntegerBuild) internal_threads(t);
        dense_matrix_I32_align_vect(y.data(), x.data(), D, m.list.data(),
                                    static_cast<int32_t>(m.list.size()));
        dense_rows_match("list");
      }
      min_threaded_work = kDefaultThreadedWork;
      if constexpr (kIntegerBuild) {
        apply2v(y.data(), x.data(), D, m.list.data(), static_cast<int32_t>(m.list.size()));
        for (int32_t i = 0; i < D; ++i) ASSERT_EQ(y[i], want[i]) << "apply2v D=" << D;
      }
      // The trace of the dense rows, in this build's row form.
      uint64_t tr = 0;
      for (int32_t r : m.list) tr = (tr + m.dense[r][r]) % p;
      Dom got = 0;
      compute_trace2(&got, D);
      EXPECT_EQ(got, tr) << "D=" << D;
      EXPECT_EQ(sparsity_align2(D), sparsity_align(D, false));
    }
  }
  if constexpr (!kIntegerBuild) internal_threads(1);
  alignas(16) char buf[64];
  EXPECT_EQ(realign_ptr(buf), buf + 16);
  EXPECT_EQ(realign_ptr(buf + 1), buf + 16);
  EXPECT_EQ(realign_ptr(buf + 15), buf + 16);
}
