#include "engine/driver/sequence_certificate.hpp"

#include "engine/driver/affine_monomials.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/modarith.hpp"
#include "sparse/shifted_combination.hpp"

namespace zel::ZEL_BUILD {

namespace {

// sum_k a[k] b[k] for k < n, modulo p: the sparse layer's widest kernel in
// the integer build; the prime-field build's products of 16-bit residues
// add up in 64 bits.
Dom dot_mod(const Dom* a, const Dom* b, size_t n, uint32_t p) {
  if (n == 0) return 0;
#ifdef ZEL_VARIANT_INT
  return dot_product_u32(a, b, uint32_t(n), p);
#else
  uint64_t sum = 0;
  for (size_t k = 0; k < n; ++k) sum += uint64_t(a[k]) * b[k];
  return Dom(sum % p);
#endif
}

}  // namespace

ModPoly least_generator(const std::vector<Dom>& s, size_t N, uint64_t p64) {
  const uint32_t p = uint32_t(p64);
  // Connection polynomial C (C[0] = 1): sum_i C[i] s[n - i] = 0 for
  // L <= n < N; B the one before the last length change, b its discrepancy.
  std::vector<Dom> C{Dom(1 % p)}, B{Dom(1 % p)}, T, reversed(N);
  for (size_t i = 0; i < N; ++i) reversed[i] = Dom(s[N - 1 - i] % p);
  size_t L = 0, m = 1;
  uint64_t b_inverse = 1 % p;  // of the discrepancy b, which changes with L only
  for (size_t n = 0; n < N; ++n) {
    // sum_i C[i] s[n - i], with s[n - i] = reversed[N - 1 - n + i].
    const Dom d = dot_mod(C.data(), reversed.data() + (N - 1 - n), L + 1, p);
    if (d == 0) {
      ++m;
      continue;
    }
    // C -= d / b X^m B
    const bool longer = 2 * L <= n;
    if (longer) T = C;
    if (C.size() < B.size() + m) C.resize(B.size() + m, 0);
    add_scaled(C.data() + m, B.data(), B.size(), Dom(mul_mod(p - d, b_inverse, p)), p);
    if (longer) {
      L = n + 1 - L;
      B.swap(T);
      b_inverse = inv_mod(d, p);
      m = 1;
    } else {
      ++m;
    }
    if (C.size() < L + 1) C.resize(L + 1, 0);
  }
  // The generator X^L C(1/X): C has degree at most L.
  ModPoly g(L + 1, 0);
  for (size_t i = 0; i <= L; ++i) g[L - i] = C[i];
  return g;
}

SequenceCertificate::SequenceCertificate(const std::vector<Dom>& s, uint32_t D, uint64_t p)
    : s_(s), D_(D), p_(p) {
  if (D == 0 || s.size() < 2 * size_t(D)) return;
  generator_ = least_generator(s, 2 * size_t(D), p);
  full_ = generator_.size() == size_t(D) + 1;
}

bool SequenceCertificate::is_minimal_polynomial(const ModPoly& f) const {
  return full_ && f == generator_;
}

bool SequenceCertificate::represents(const ModPoly& Q, const std::vector<uint64_t>& u) const {
  if (!full_ || Q.size() > D_ || u.size() < D_) return false;
  // u_i = sum_k Q_k s_(i+k): row i of the Hankel matrix is s from i on.
  const uint32_t p = uint32_t(p_);
  const std::vector<Dom> q(Q.begin(), Q.end());
  std::vector<Dom> Hq(D_, 0);
#ifdef ZEL_VARIANT_INT
  if (!q.empty()) dot_products_u32(s_.data(), 1, D_, q.data(), uint32_t(q.size()), p, Hq.data());
#else
  for (uint32_t i = 0; i < D_; ++i) Hq[i] = dot_mod(q.data(), s_.data() + i, q.size(), p);
#endif
  for (uint32_t i = 0; i < D_; ++i)
    if (Hq[i] != u[i] % p_) return false;
  return true;
}

}  // namespace zel::ZEL_BUILD
