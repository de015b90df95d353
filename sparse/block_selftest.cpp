#include "sparse/block_selftest.hpp"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/driver/prime_sign.hpp"
#include "sparse/block_hankel.hpp"
#include "sparse/block_matrix.hpp"
#include "sparse/descriptor.hpp"
#include "sparse/exit.hpp"
#include "sparse/kat/selftest_kat.hpp"
#include "sparse/modarith.hpp"

namespace zel::ZEL_BUILD {

namespace {

uint32_t block_prime_cell;

// The built-in answers hold modulo 65521 only: the checks run under that
// prime and the session's prime is restored when they pass.
struct KatPrimeScope {
  uint32_t cell = kat::kPrime;
  uint32_t *saved_table = Table_Primes, *saved_modulo = modulo;
  int32_t saved_ok = ZEL_C(modulo_ok), saved_sign = 0, saved_half = 0;

  KatPrimeScope() {
    Table_Primes = modulo = &cell;
    if constexpr (!kIntegerBuild) {
      saved_sign = PrimeSign;
      saved_half = PrimeHalf;
      set_prime_sign(kat::kPrime);
    }
  }
  ~KatPrimeScope() {
    Table_Primes = saved_table;
    modulo = saved_modulo;
    ZEL_C(modulo_ok) = saved_ok;
    if constexpr (!kIntegerBuild) {
      PrimeSign = saved_sign;
      PrimeHalf = saved_half;
    }
  }
};

// The built-in signed data in the build's block representation.
std::vector<MatEntry> entries(const int16_t* data, size_t n) {
  std::vector<MatEntry> out(n);
  for (size_t i = 0; i < n; ++i) {
    if constexpr (kIntegerBuild)
      out[i] = static_cast<MatEntry>(data[i] < 0 ? data[i] + static_cast<int32_t>(kat::kPrime) : data[i]);
    else
      out[i] = data[i];
  }
  return out;
}

bool same(const MatEntry* a, const std::vector<MatEntry>& b) {
  return std::equal(b.begin(), b.end(), a);
}

[[noreturn]] void fail(const char* message, const MatEntry* shown) {
  std::fputs(message, stderr);
  if (shown != nullptr) display_MatDom1(shown, kat::kBk);
  sparse_exit(4);
}

constexpr int32_t kBk = kat::kBk;
constexpr size_t kSz = kBk * kBk;

void check_product() {
  const std::vector<MatEntry> A = entries(kat::product_A, kSz), B = entries(kat::product_B, kSz),
                              AB = entries(kat::product_AB, kSz);
  std::vector<MatEntry> R(kSz, 0);
  mult_MatDom1s(A.data(), B.data(), R.data(), kBk);
  if (!same(R.data(), AB)) fail("mult_MatDom1s nok\n", R.data());
  std::fputs("mult_MatDom1s ok\n", stderr);
}

void check_entry_inverses(uint32_t p) {
  auto check = [&](int32_t a, int32_t r, bool ok) {
    if (ok) return;
    std::fprintf(stderr, "1/%d mod %d = %d\n", a, static_cast<int>(p), r);
    fail("inv_Dom1s nok\n", nullptr);
  };
  const int32_t r0 = inv_Dom1s(23945, p);
  check(23945, r0, static_cast<int16_t>(r0) == 6797);
  for (const int16_t* a = kat::inverse_list; *a != 0; ++a) {
    const int32_t r = inv_Dom1s(*a, p);
    const int64_t ua = *a < 0 ? *a + static_cast<int64_t>(p) : *a;
    const int64_t ur = r < 0 ? r + static_cast<int64_t>(p) : r;
    check(*a, r, ua * ur % p == 1);
  }
  std::fputs("inv_Dom1s ok\n", stderr);
}

// tag: "" for the first matrix, " (2)" for the second.
void check_matrix_inverse(const int16_t* m, const int16_t* minv, const char* tag) {
  const std::vector<MatEntry> X = entries(m, kSz), want = entries(minv, kSz);
  std::vector<MatEntry> Y(kSz), XY(kSz), I(kSz);
  char line[64];
  inv_MatDom1s(X.data(), Y.data(), kBk);
  if (!same(Y.data(), want)) {
    std::snprintf(line, sizeof line, "inv_MatDom1%s nok\n", tag);
    fail(line, Y.data());
  }
  std::fprintf(stderr, "inv_MatDom1%s ok\n", tag);
  mult_MatDom1s(X.data(), Y.data(), XY.data(), kBk);
  identity_MatDom1(I.data(), kBk);
  if (XY != I) {
    std::snprintf(line, sizeof line, "inv_MatDom1%s nok (should be I)\n", tag);
    fail(line, XY.data());
  }
}

void check_block_hankel() {
  constexpr int32_t len = kat::kLen;
  constexpr size_t per_seq = 2 * static_cast<size_t>(len) * kBk;
  const std::vector<MatEntry> seqs = entries(kat::hankel_seqs, kBk * per_seq);
  std::vector<const MatEntry*> seq_ptr(kBk);
  for (int32_t j = 0; j < kBk; ++j) seq_ptr[j] = seqs.data() + j * per_seq;
  std::vector<MatEntry> mx((len + 1) * kSz);
  std::vector<MatEntry*> MX(len + 1);
  for (int32_t i = 0; i <= len; ++i) MX[i] = mx.data() + i * kSz;
  fglm_polys(MX.data(), seq_ptr.data(), kBk, len, 0);
  if (!same(MX[0], entries(kat::hankel_MX0, kSz))) fail("fglm_polys nok (n=10,bk=8,1)\n", MX[0]);
  if (!same(MX[32], entries(kat::hankel_MX32, kSz))) fail("fglm_polys nok (n=10,bk=8,2)\n", MX[32]);
  if (!same(MX[127], entries(kat::hankel_MX127, kSz)))
    fail("fglm_polys nok (n=10,bk=8,3)\n", MX[127]);
  std::fprintf(stderr, "fglm_polys kat10 ok\n%s\n", std::string(70, '-').c_str());
}

}  // namespace

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT void ZEL_C(init_BlockHankel)(uint32_t p) try {
  ZEL_ENTRY_CLAIM;
  if (!prime_ok(p))
    interface_error("%sinit_BlockHankel: prime out of range or not a prime\n", ZEL_PREFIX);
  block_prime_cell = p;
  Table_Primes = &block_prime_cell;
  init_wiedemann();
} ZEL_SPARSE_ENTRY_CATCH("init_BlockHankel")

ZEL_EXPORT void ZEL_C(test_MatDom1)() try {
  ZEL_ENTRY_CLAIM;
  const KatPrimeScope scope;
  check_product();
  if constexpr (kIntegerBuild) coerce_Dom1();
  check_entry_inverses(kat::kPrime);
  check_matrix_inverse(kat::inverse1_M, kat::inverse1_Minv, "");
  check_matrix_inverse(kat::inverse2_M, kat::inverse2_Minv, " (2)");
  check_block_hankel();
} ZEL_SPARSE_ENTRY_CATCH("test_MatDom1")
