// The certificate of the sparse FGLM's answers from its sequences, on
// algebras small enough to write down modulo 7.
#include <gtest/gtest.h>

#include <vector>

#include "engine/driver/sequence_certificate.hpp"

using namespace zel::ZEL_BUILD;

namespace {

TEST(SequenceCertificate, LeastGeneratorOfFibonacciModuloSeven) {
  const std::vector<Dom> s{0, 1, 1, 2, 3, 5, 1, 6};
  EXPECT_EQ(least_generator(s, s.size(), 7), (ModPoly{6, 6, 1}));  // t^2 - t - 1
}

// A = K[t]/(t^2 - 3), phi(1) = 1, phi(t) = 0: s = 1, 0, 3, 0.
TEST(SequenceCertificate, FullDegreeDecidesTheMinimalPolynomialAndTheElements) {
  const SequenceCertificate c({1, 0, 3, 0}, 2, 7);
  ASSERT_TRUE(c.full_degree());
  EXPECT_TRUE(c.is_minimal_polynomial({4, 0, 1}));
  EXPECT_FALSE(c.is_minimal_polynomial({3, 0, 1}));
  // w = 2 + t: u_i = phi(t^i w) = 2 s_i + s_(i+1).
  EXPECT_TRUE(c.represents({2, 1}, {2, 3}));
  EXPECT_FALSE(c.represents({2, 2}, {2, 3}));
}

// A = K[t]/(t^2 - 1) seen through phi(1) = phi(t) = 1, which misses the
// factor t + 1: nothing is certified, not even the true answer.
TEST(SequenceCertificate, AnUnluckyProjectionCertifiesNothing) {
  const SequenceCertificate c({1, 1, 1, 1}, 2, 7);
  EXPECT_FALSE(c.full_degree());
  EXPECT_FALSE(c.is_minimal_polynomial({6, 0, 1}));
  EXPECT_FALSE(c.represents({0, 1}, {1, 1}));
}

}  // namespace
