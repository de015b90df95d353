// An exact certificate for the sparse FGLM's answers read from the
// sequence it computed, with no product by the matrix:
//   s_i = phi(t^i)  (i < 2D),   u_i = phi(t^i w)  (i < D),
// phi a linear form on the quotient algebra A of dimension D (the random
// projection), w an element of A.
//
// Why it is exact.  The minimal polynomial mu of t annihilates s, so the
// least generator g of s divides mu, and deg mu <= D.  The Berlekamp-Massey
// algorithm on 2D >= 2 deg g terms finds g itself.  When deg g = D:
//  * g = mu, of degree D, so 1, t, ..., t^(D-1) is a basis of A;
//  * the Hankel matrix H = (s_(i+k)), i, k < D, is invertible: a kernel
//    vector P makes the sequence sum_k P_k s_(i+k) vanish on its first D
//    terms; g (monic, degree D) generates it, so it vanishes altogether and
//    P would be a generator of degree below D;
//  * a Q of degree below D with H Q = u is the element w itself: Q(t) - w
//    = P(t) for some P of degree below D (t generates A), and H P = 0.
// Whatever the projection, then, an answer that passes is the answer; an
// unlucky projection gives deg g < D and must be checked otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/variant.hpp"
#include "sparse/recurrence.hpp"
#include "sparse/univariate_modp.hpp"

namespace zel::ZEL_BUILD {

class SequenceCertificate {
 public:
  // s: the sequence's first terms (at least 2D of them for a certificate),
  // residues in [0, p).
  SequenceCertificate(const std::vector<Dom>& s, uint32_t D, uint64_t p);
  // The same with least_generator(s, 2D, p) already made (the sparse FGLM's
  // full path keeps it with the sequence): the claims rest on it being that.
  SequenceCertificate(const std::vector<Dom>& s, uint32_t D, uint64_t p, ModPoly generator);

  // The least generator of s has degree D: the claims below can be decided.
  bool full_degree() const { return full_; }
  // f (monic) is the minimal polynomial of t.
  bool is_minimal_polynomial(const ModPoly& f) const;
  // Q(t) = w in A, u the sequence of w (at least D terms).
  bool represents(const ModPoly& Q, const std::vector<uint64_t>& u) const;

 private:
  std::vector<Dom> s_;
  uint32_t D_;
  uint64_t p_;
  ModPoly generator_;  // the least generator of s, monic
  bool full_ = false;
};

}  // namespace zel::ZEL_BUILD
