// The prime table of one build.
#include "engine/coef/primes.hpp"

#include <cstdlib>
#include <initializer_list>

#include "engine/coef/default_primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/xmalloc.hpp"
#ifdef ZEL_VARIANT_INT
#include "engine/coef/chinese.hpp"
#endif

namespace zel::ZEL_BUILD {

uint32_t ZEL_C(vectorize) = kIntegerBuild ? 5 : 1;
uint32_t ZEL_C(maxi_vectorize) = kIntegerBuild ? 5 : 1;
uint32_t* ZEL_C(Primes) = nullptr;
uint32_t* Primes_ori = nullptr;
uint32_t* modulo6 = nullptr;
uint32_t* modulo32 = nullptr;
uint32_t offset_primes = 0;
char state1[128];
double ZEL_C(taille_maxi) = 0;
double ZEL_C(local_taille_maxi) = 0;
int32_t ZEL_C(want_raw_output) = kIntegerBuild ? 0 : 1;
#ifdef ZEL_VARIANT_INT
void (*init_INT_hook)() = ZEL_C(re_init_Chineese_INT);
#else
void (*init_INT_hook)() = nullptr;
#endif

namespace {

// One block holds the four arrays of V entries.
void allocate_table(uint32_t v) {
  auto* t = static_cast<uint32_t*>(xmalloc_spec(uint64_t(4) * v * sizeof(uint32_t), 5));
  ZEL_C(Primes) = t;
  Primes_ori = t + v;
  modulo6 = t + 2 * v;
  modulo32 = t + 3 * v;
}

void fill_constants(uint32_t l) {
  uint64_t p = ZEL_C(Primes)[l];
  Primes_ori[l] = uint32_t(p);
  modulo6[l] = uint32_t((1000 % p) * (1000 % p) % p);
  modulo32[l] = uint32_t((65536 % p) * (65536 % p) % p);
}

bool is_small_prime(uint32_t p) {
  if (p < 2) return false;
  for (uint32_t d = 2; d * d <= p; d++)
    if (p % d == 0) return false;
  return true;
}

}  // namespace

void init_Dom() {
  const uint32_t v = ZEL_C(vectorize);
  if (v > ZEL_C(maxi_vectorize)) Fatal("Not enough primes in default table\n");
  const int64_t k = int64_t(kDefaultPrimes) - v - int64_t(offset_primes);
  if (k < 0)
    Fatal("Offset is not valid [2] ! %u %u %u %lld\n", unsigned(kDefaultPrimes), v, offset_primes,
          (long long)k);
  allocate_table(v);
  const uint32_t* table = Zel_Default_Primes32();
  for (uint32_t l = 0; l < v; l++) {
    uint32_t p = table[k + l];
    if (p < (uint32_t(1) << 31))
      Fatal("Valid prime p[%u]=%lu should >= 2^%u (in reset_Dom)\n", l, (unsigned long)p, 31u);
    ZEL_C(Primes)[l] = p;
    fill_constants(l);
  }
  if (init_INT_hook != nullptr) init_INT_hook();
  initstate(1, state1, sizeof state1);
  setstate(state1);
}

void set_batch_primes(const uint32_t* primes, uint32_t v) {
  if (v == 0) Fatal("A batch needs at least one prime\n");
  ZEL_C(maxi_vectorize) = ZEL_C(vectorize) = v;
  allocate_table(v);
  for (uint32_t l = 0; l < v; l++) {
    if (primes[l] < (uint32_t(1) << 31))
      Fatal("Valid prime p[%u]=%lu should >= 2^%u (in reset_Dom)\n", l, (unsigned long)primes[l],
            31u);
    ZEL_C(Primes)[l] = primes[l];
    fill_constants(l);
  }
  if (init_INT_hook != nullptr) init_INT_hook();
  initstate(1, state1, sizeof state1);
  setstate(state1);
}

void set_field_prime(uint32_t p) {
  if (p >= 65536) Fatal("The prime-field build needs a prime below 65536 (got %u)\n", p);
  if (!is_small_prime(p))
    Fatal("The prime-field build needs a prime below 65536 (got %u, which is not prime)\n", p);
  ZEL_C(vectorize) = 1;
  allocate_table(1);
  ZEL_C(Primes)[0] = p;
  fill_constants(0);
}

uint32_t numberOfPrimes() { return kIntegerBuild ? ZEL_C(maxi_vectorize) : 1; }
uint32_t* listOfPrimes() { return ZEL_C(Primes); }

void enregistre_size(double words) {
  if (words > ZEL_C(taille_maxi)) ZEL_C(taille_maxi) = words;
  if (words > ZEL_C(local_taille_maxi)) ZEL_C(local_taille_maxi) = words;
}

namespace {

uint64_t power_mod(uint64_t b, uint64_t e, uint64_t n) {
  uint64_t r = 1;
  for (b %= n; e != 0; e >>= 1, b = b * b % n)
    if (e & 1) r = r * b % n;
  return r;
}

}  // namespace

bool is_prime32(uint32_t n) {
  if (n < 2) return false;
  for (uint32_t q : {2u, 3u, 5u, 7u, 11u, 13u, 61u})
    if (n % q == 0) return n == q;
  uint32_t d = n - 1, s = 0;
  for (; d % 2 == 0; d /= 2) ++s;
  for (uint64_t a : {2u, 7u, 61u}) {
    uint64_t x = power_mod(a, d, n);
    if (x == 1 || x == n - 1) continue;
    uint32_t k = 1;
    for (; k < s; ++k) {
      x = x * x % n;
      if (x == n - 1) break;
    }
    if (k == s) return false;
  }
  return true;
}

}  // namespace zel::ZEL_BUILD
