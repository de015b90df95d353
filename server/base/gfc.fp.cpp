// GFC set-up, parsing and the few operations too long to inline.
#include "server/base/gfc.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "server/base/decimal.hpp"
#include "server/base/orv_malloc.hpp"
#include "server/base/runtime.hpp"

namespace orv::ORV_BUILD {

uint64_t MAGIC = 0;
uint32_t inv_tab_GFC[kGfcTableSize];
GFC Modulo6 = 0;

namespace {

char random_state[128];

bool is_prime_small(uint32_t p) {
  if (p < 2) return false;
  for (uint32_t d = 2; d * d <= p; ++d)
    if (p % d == 0) return false;
  return true;
}

}  // namespace

void init_random() {
  initstate(1, random_state, sizeof random_state);
  setstate(random_state);
}

void no_prime_GFC() { Fatal("cGFC: no prime is set (init_GFC has not run)\n"); }

void init_GFC() {
  MAGIC = 0;
  init_random();
  set_module_GFC(DEFAULT_MODULE_GFC);
}

int set_module_GFC(uint32_t p) {
  if (p > 65534) Fatal("Prime must be < %u !\n", 65535);
  // A composite modulus would leave holes in the inverse table (and the
  // fill below divides by them): refuse it before touching the state.
  if (!is_prime_small(p)) Fatal("The modulus %u of GFC is not a prime !\n", p);
  if (p == MAGIC) return 2;
  MAGIC = p;
  std::memset(inv_tab_GFC, 0, sizeof inv_tab_GFC);
  inv_tab_GFC[1] = 1;
  Modulo6 = mult(cGFC(1000), cGFC(1000));
  // x^-1 = -(p / x) * (p mod x)^-1, with p mod x < x already filled.
  for (uint32_t x = 2; x < p; ++x) inv_tab_GFC[x] = minus(mult(p / x, inv_tab_GFC[p % x]));
  return 1;
}

void set_modules_GFC(const uint32_t*, uint32_t) { Fatal("set_module_GFC not implemented\n"); }

GFC rdm_GFC(uint32_t) { return cGFC(random()); }

GFC String_to_GFC(const char* s) {
  DecimalDigits d = scan_decimal(s, "String_to_GFC");
  GFC v = 0;
  for_each_chunk(d, [&](uint32_t chunk) {
    mult_d(v, Modulo6);
    add_d(v, cGFC(chunk));
  });
  return d.negative ? minus(v) : v;
}

char* coerce_Cste_String(GFC a) {
  char* s = static_cast<char*>(ORV_C(Orv_malloc)(16));
  if (s == nullptr) Fatal("Pas assez de memoire pour une chaine\n");
  std::snprintf(s, 16, "%u", a);
  return s;
}

GFC exp(GFC a, int64_t n) {
  if (n == 0) return 1;
  uint64_t e = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  GFC base = n < 0 ? inv(a) : a;
  GFC r = 1;
  while (e != 0) {  // square and multiply: same value as e-1 multiplications
    if (e & 1) mult_d(r, base);
    mult_d(base, base);
    e >>= 1;
  }
  return r;
}

GFC binomial_GFC(int64_t n, int64_t k) {
  if (n < 0 || k < 0 || k > n) return 0;
  if (k == 0) return 1;
  if (2 * k > n) return binomial_GFC(n, n - k);
  GFC r = cGFC(n);
  for (int64_t i = n - k + 1; i <= n - 1; ++i) mult_d(r, cGFC(i));
  for (int64_t j = 2; j <= k; ++j) quot_d(r, cGFC(j));
  return r;
}

void afficherHeader_GFC() { Output("%ccoeffring %codulo %u\n", '#', 'm', modulus_GFC()); }
void afficher_NTL_GFC() { Output("%u\n", modulus_GFC()); }
void inter_info_GFC() { Output("Entier Z/%uZ codage classique \n", modulus_GFC()); }

}  // namespace orv::ORV_BUILD
