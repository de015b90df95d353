// Integer build: a batch of primes with its lift context for tests, and
// plain GMP integers on the process's own allocator as the reference side.
//
// Reference integers (RefZ) must live entirely outside the engine's INT
// context: made inside it they would take zone memory that their destructor
// then hands to the C library.  Engine integers are compared through their
// decimal text.
#pragma once

#ifdef ZEL_VARIANT_INT

#include <gmp.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/coef/chinese.hpp"
#include "engine/coef/int_context.hpp"
#include "engine/coef/primes.hpp"
#include "support/engine_memory.hpp"
#include "support/test_host.hpp"

namespace zel_test {

struct RefZ {
  mpz_t v;
  RefZ() { mpz_init(v); }
  explicit RefZ(const char* dec) { mpz_init_set_str(v, dec, 10); }
  RefZ(const RefZ& o) { mpz_init_set(v, o.v); }
  RefZ& operator=(const RefZ& o) {
    mpz_set(v, o.v);
    return *this;
  }
  ~RefZ() { mpz_clear(v); }
};

inline std::string dec(mpz_srcptr v) {
  std::vector<char> buf(mpz_sizeinbase(v, 10) + 2);
  mpz_get_str(buf.data(), 10, v);
  return buf.data();
}

// A uniformly random integer of `bits` bits (the top one may be 0), random sign.
template <class Rng>
RefZ random_ref(Rng& rng, uint32_t bits, bool allow_negative = true) {
  RefZ r;
  for (uint32_t b = 0; b < bits; b += 32) {
    mpz_mul_2exp(r.v, r.v, 32);
    mpz_add_ui(r.v, r.v, uint32_t(rng()));
  }
  mpz_fdiv_r_2exp(r.v, r.v, bits);
  if (allow_negative && (rng() & 1)) mpz_neg(r.v, r.v);
  return r;
}

// The batch of the n primes `offset` below the top of the default table.
inline void use_batch(uint32_t n, uint32_t offset) {
  using namespace zel::ZEL_BUILD;
  ZEL_C(vectorize) = ZEL_C(maxi_vectorize) = n;
  offset_primes = offset;
  init_Dom();  // also rebuilds the lift context
}

// Fresh engine memory, the capturing host, and a batch.
struct BatchFixture : ::testing::Test {
  TestHost host{0};
  uint32_t saved_v = zel::ZEL_BUILD::ZEL_C(vectorize);
  uint32_t saved_max = zel::ZEL_BUILD::ZEL_C(maxi_vectorize);
  void SetUp() override {
    fresh_engine_memory();
    use_batch(5, 0);
  }
  void TearDown() override {
    using namespace zel::ZEL_BUILD;
    ZEL_C(vectorize) = saved_v;
    ZEL_C(maxi_vectorize) = saved_max;
    offset_primes = 0;
    zel::reset_engine_memory();
  }
};

}  // namespace zel_test

#endif
