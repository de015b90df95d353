#include "engine/driver/sequence_certificate.hpp"

#include <utility>

#include "engine/driver/affine_monomials.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/modarith.hpp"

namespace zel::ZEL_BUILD {

SequenceCertificate::SequenceCertificate(const std::vector<Dom>& s, uint32_t D, uint64_t p)
    : s_(s), D_(D), p_(p) {
  if (D == 0 || s.size() < 2 * size_t(D)) return;
  generator_ = least_generator(s, 2 * size_t(D), p);
  full_ = generator_.size() == size_t(D) + 1;
}

SequenceCertificate::SequenceCertificate(const std::vector<Dom>& s, uint32_t D, uint64_t p,
                                         ModPoly generator)
    : s_(s), D_(D), p_(p) {
  if (D == 0 || s.size() < 2 * size_t(D)) return;
  generator_ = std::move(generator);
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
  for (uint32_t i = 0; i < D_; ++i) Hq[i] = dot_product_dense(q.data(), s_.data() + i, uint32_t(q.size()), p);
#endif
  for (uint32_t i = 0; i < D_; ++i)
    if (Hq[i] != u[i] % p_) return false;
  return true;
}

}  // namespace zel::ZEL_BUILD
