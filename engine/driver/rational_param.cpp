#include "engine/driver/rational_param.hpp"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <ctime>
#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/driver/affine_monomials.hpp"
#include "engine/driver/refusal.hpp"
#include "engine/mem/messages.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/modarith.hpp"
#include "sparse/shifted_combination.hpp"
#include "engine/mem/cpu_features.hpp"

namespace zel::ZEL_BUILD {

namespace {

// All exponents but the last variable's are 0 in every term.
bool univariate(const Dpol* p, uint32_t nv) {
  for (uint32_t t = 0; t < p->n; ++t)
    for (uint32_t v = 0; v + 1 < nv; ++v)
      if (get_field(words_of(p->mono[t]), v) != 0) return false;
  return true;
}

[[noreturn]] void not_shape(uint32_t i) {
  Refuse(
      "apply_rr: the lexicographic basis is not in shape position (polynomial %u is not "
      "x_j + R(last variable) with deg R below the minimal polynomial's)\n",
      i);
}

}  // namespace

namespace {

#if defined(__x86_64__) && defined(ZEL_VARIANT_INT)
// out row j := column j of the 16 x 16 tile whose row k is at in + k
// in_stride (32-bit entries): interleaves of 32, 64, 128 and 256 bits (the
// zero-masked forms, all lanes: the plain ones start from an undefined
// register, which the compiler warns about).
__attribute__((target("avx512f"))) void transpose_tile16(const Dom* in, size_t in_stride, Dom* out,
                                                         size_t out_stride) {
  __m512i r[16], t[16];
  for (int k = 0; k < 16; ++k) r[k] = _mm512_loadu_si512(in + size_t(k) * in_stride);
  for (int i = 0; i < 16; i += 2) {
    t[i] = _mm512_maskz_unpacklo_epi32(0xFFFF, r[i], r[i + 1]);
    t[i + 1] = _mm512_maskz_unpackhi_epi32(0xFFFF, r[i], r[i + 1]);
  }
  for (int i = 0; i < 16; i += 4) {
    r[i] = _mm512_maskz_unpacklo_epi64(0xFF, t[i], t[i + 2]);
    r[i + 1] = _mm512_maskz_unpackhi_epi64(0xFF, t[i], t[i + 2]);
    r[i + 2] = _mm512_maskz_unpacklo_epi64(0xFF, t[i + 1], t[i + 3]);
    r[i + 3] = _mm512_maskz_unpackhi_epi64(0xFF, t[i + 1], t[i + 3]);
  }
  for (int i = 0; i < 16; i += 8)
    for (int j = 0; j < 4; ++j) {
      t[i + j] = _mm512_maskz_shuffle_i32x4(0xFFFF, r[i + j], r[i + j + 4], 0x88);
      t[i + j + 4] = _mm512_maskz_shuffle_i32x4(0xFFFF, r[i + j], r[i + j + 4], 0xdd);
    }
  for (int j = 0; j < 8; ++j) {
    r[j] = _mm512_maskz_shuffle_i32x4(0xFFFF, t[j], t[j + 8], 0x88);
    r[j + 8] = _mm512_maskz_shuffle_i32x4(0xFFFF, t[j], t[j + 8], 0xdd);
  }
  for (int j = 0; j < 16; ++j) _mm512_storeu_si512(out + size_t(j) * out_stride, r[j]);
}

// Read once at load time.
const bool kTransposeTiles = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") != 0 && avx512_allowed();
}();
#endif

// Multiplication by Dm modulo F (monic of degree d), modulo p, as a d x d
// matrix made once for the polynomials of a lane: column c is t^c Dm mod F,
// each column from the one before (times t, then t^d = -(F - t^d)).  The
// matrix is kept by rows, so that each coefficient of R Dm mod F is one dot
// product: d^2 products a polynomial, where Horner's rule on R costs 2 d^2.
class TimesDmModF {
 public:
  // storage: where the matrix goes (grown when too small), so that the
  // lanes of a pass reuse one block of memory.
  TimesDmModF(uint32_t p, const uint32_t* F, const uint32_t* Dm, uint32_t d,
              std::vector<Dom>& storage)
      : p_(p), d_(d) {
    if (storage.size() < size_t(d) * d) storage.resize(size_t(d) * d);
    rows_ = storage.data();
    std::vector<Dom> minus_f(d), column(d);
    for (uint32_t j = 0; j < d; ++j) {
      const uint32_t f = F[j] % p;
      minus_f[j] = Dom(f == 0 ? 0 : p - f);
      column[j] = Dom(Dm[j] % p);
    }
    // The columns kBlock at a time, each from the one before, then written
    // into the rows' cache lines.
    constexpr uint32_t kBlock = 16;
    std::vector<Dom> block(size_t(kBlock) * d);
    const Dom* previous = column.data();
    for (uint32_t c0 = 0; c0 < d; c0 += kBlock) {
      const uint32_t width = std::min(kBlock, d - c0);
      for (uint32_t k = 0; k < width; ++k) {
        Dom* next = block.data() + size_t(k) * d;
        if (c0 + k == 0) {
          std::copy(previous, previous + d, next);
        } else {
          next[0] = 0;
          std::copy(previous, previous + d - 1, next + 1);
          if (previous[d - 1] != 0) add_scaled(next, minus_f.data(), d, previous[d - 1], p);
        }
        previous = next;
      }
      uint32_t r = 0;
#if defined(__x86_64__) && defined(ZEL_VARIANT_INT)
      if (kTransposeTiles && width == kBlock)
        for (; r + kBlock <= d; r += kBlock)
          transpose_tile16(block.data() + r, d, rows_ + size_t(r) * d + c0, d);
#endif
      for (; r < d; ++r) {
        Dom* row = rows_ + size_t(r) * d + c0;
        for (uint32_t k = 0; k < width; ++k) row[k] = block[size_t(k) * d + r];
      }
      std::copy(previous, previous + d, column.begin());  // the block is reused
      previous = column.data();
    }
  }

  // apply(R[v], out[v]) for every v, the matrix read once.
  void apply_all(const std::vector<const uint32_t*>& R, const std::vector<uint32_t*>& out) const {
#ifdef ZEL_VARIANT_INT
    dot_products_of_vectors(rows_, d_, d_, R, p_, out);
#else
    for (size_t v = 0; v < R.size(); ++v) apply(R[v], out[v]);
#endif
  }

  // out[0 .. d-1] = R Dm mod F, R any d values below 2^32.
  void apply(const uint32_t* R, uint32_t* out) const {
#ifdef ZEL_VARIANT_INT
    dot_products_u32(rows_, ptrdiff_t(d_), d_, R, d_, p_, out);
#else
    std::vector<Dom> x(d_);
    for (uint32_t c = 0; c < d_; ++c) x[c] = Dom(R[c] % p_);
    for (uint32_t r = 0; r < d_; ++r)
      out[r] = dot_product_dense(rows_ + size_t(r) * d_, x.data(), d_, p_);
#endif
  }

 private:
  uint32_t p_, d_;
  Dom* rows_;
};

}  // namespace

void ZEL_C(Pprime)(uint32_t k, const uint32_t* F, const uint32_t* Dm, const uint32_t* R,
                   uint32_t* out, uint32_t d) {
  if (d == 0) return;
  std::vector<Dom> storage;
  TimesDmModF(ZEL_C(Primes)[k], F, Dm, d, storage).apply(R, out);
}

bool lone_univariate(Dpol* const* basis, uint32_t n) {
  return n == 1 && basis[0]->n > 0 && univariate(basis[0], nb_of_affine_variables);
}

void apply_rr(Dpol** basis, uint32_t n) {
  const double start = double(std::clock()) / CLOCKS_PER_SEC;
  const uint32_t nv = nb_of_affine_variables;
  if (n == 0 || nv == 0) Refuse("Cannot find the univariate polynomial !\n");
  uint32_t fi = n;
  for (uint32_t i = 0; i < n && fi == n; ++i)
    if (basis[i]->n > 0 && univariate(basis[i], nv)) fi = i;
  if (fi == n) Refuse("Cannot find the univariate polynomial !\n");
  const Dpol* f = basis[fi];
  const uint32_t d = get_field(words_of(f->mono[0]), nv - 1);
  if (d == 0) return;
  // Every other polynomial: x_j (coefficient 1) + univariate tail below d.
  for (uint32_t i = 0; i < n; ++i) {
    if (i == fi) continue;
    const Dpol* g = basis[i];
    if (g->n == 0) not_shape(i);
    const Exps lead = affine_exps(g->mono[0], nv);
    if (exps_degree(lead) != 1 || lead[nv - 1] != 0) not_shape(i);
    for (uint32_t t = 1; t < g->n; ++t) {
      const Exps e = affine_exps(g->mono[t], nv);
      if (exps_degree(e) != e[nv - 1]) not_shape(i);
      if (e[nv - 1] >= d) Refuse("Pas une base reduite\n");
    }
  }

  const uint32_t V = ZEL_C(vectorize);
  std::vector<Dom> matrix_storage;
  // Per lane: the new tails of every polynomial.
  std::vector<std::vector<std::vector<uint32_t>>> tails(V, std::vector<std::vector<uint32_t>>(n));
  for (uint32_t k = 0; k < V; ++k) {
    const uint64_t p = ZEL_C(Primes)[k];
    std::vector<uint32_t> F(d + 1, 0), Dm(d, 0);
    for (uint32_t t = 0; t < f->n; ++t)
      F[get_field(words_of(f->mono[t]), nv - 1)] = uint32_t(lanes(f)[k][t]) % p;
    if (F[d] == 0) Refuse("apply_rr: the minimal polynomial vanishes modulo %u\n", uint32_t(p));
    const uint64_t lc_inv = inv_mod(F[d], p);
    for (uint32_t e = 0; e <= d; ++e) F[e] = uint32_t(mul_mod(F[e], lc_inv, p));
    // f'/d needs d invertible: a small prime of the prime-field build can
    // divide the degree.
    if (d % p == 0)
      Refuse(
          "apply_rr: the minimal polynomial has degree %u, a multiple of the prime %u: no "
          "rational parametrisation modulo this prime\n",
          d, uint32_t(p));
    const uint64_t dinv = inv_mod(d % p, p);
    for (uint32_t i = 0; i + 1 < d; ++i)
      Dm[i] = uint32_t(mul_mod(mul_mod((i + 1) % p, F[i + 1], p), dinv, p));
    Dm[d - 1] = 1;
    const TimesDmModF times_dm(uint32_t(p), F.data(), Dm.data(), d, matrix_storage);
    std::vector<std::vector<uint32_t>> R(n);
    std::vector<const uint32_t*> ins;
    std::vector<uint32_t*> outs;
    for (uint32_t i = 0; i < n; ++i) {
      if (i == fi) continue;
      const Dpol* g = basis[i];
      R[i].assign(d, 0);
      for (uint32_t t = 1; t < g->n; ++t)
        R[i][get_field(words_of(g->mono[t]), nv - 1)] = uint32_t(lanes(g)[k][t]);
      tails[k][i].assign(d, 0);
      ins.push_back(R[i].data());
      outs.push_back(tails[k][i].data());
    }
    times_dm.apply_all(ins, outs);
  }
  for (uint32_t i = 0; i < n; ++i) {
    if (i == fi) continue;
    Dpol* g = basis[i];
    std::vector<uint32_t> powers;
    for (uint32_t e = d; e-- > 0;)
      for (uint32_t k = 0; k < V; ++k)
        if (tails[k][i][e] != 0) {
          powers.push_back(e);
          break;
        }
    Dpol* q = new_Dpol(1 + uint32_t(powers.size()));
    q->mono[0] = g->mono[0];
    Exps e(nv, 0);
    for (size_t t = 0; t < powers.size(); ++t) {
      e[nv - 1] = powers[t];
      q->mono[1 + t] = expos_from(e);
    }
    for (uint32_t k = 0; k < V; ++k) {
      lanes(q)[k][0] = lanes(g)[k][0];
      for (size_t t = 0; t < powers.size(); ++t) lanes(q)[k][1 + t] = Dom(tails[k][i][powers[t]]);
    }
    basis[i] = q;
  }
  if (want_pipe2) Stderr("Time RR: %.2f sec\n", double(std::clock()) / CLOCKS_PER_SEC - start);
}

}  // namespace zel::ZEL_BUILD
