// VGF set-up, construction and residue arithmetic.
#include "server/base/vgf.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "server/base/decimal.hpp"
#include "server/base/runtime.hpp"

namespace orv::ORV_BUILD {

uint32_t* VGF::_prime = nullptr;
uint32_t size_of_vectors = 1;
VGF Modulo6;

namespace {

// The primes and 10^6 must outlive every heap mark: a restore to a mark
// taken before set_VGF would otherwise hand their cells to the next values.
// They are kept outside the heap, regrown when r changes.
std::unique_ptr<uint32_t[]> prime_store;
std::unique_ptr<uint32_t[]> modulo6_store;

inline uint32_t r_() { return size_of_vectors; }
inline uint32_t p_(uint32_t i) { return VGF::_prime[i]; }

inline uint32_t add_mod(uint32_t a, uint32_t b, uint32_t p) {
  uint64_t s = uint64_t{a} + b;
  return static_cast<uint32_t>(s >= p ? s - p : s);
}
inline uint32_t mul_mod(uint32_t a, uint32_t b, uint32_t p) {
  return static_cast<uint32_t>(uint64_t{a} * b % p);
}

}  // namespace

void init_VGF() {
  static bool done = false;
  if (done) return;
  done = true;
  init_Implement_VGF();
  set_vect_module_VGF(nullptr);
}

void set_VGF(uint32_t r) {
  size_of_vectors = r;
  init_VGF();
  set_vect_module_VGF(nullptr);
}

void set_VGF(uint32_t r, const uint32_t* primes) {
  size_of_vectors = r;
  init_VGF();
  set_vect_module_VGF(primes);
}

void set_vect_module_VGF(const uint32_t* primes) {
  const uint32_t r = r_();
  if (r == 0) Fatal("VGF needs at least one prime\n");
  if (primes == nullptr) {
    // The window of r primes ending want_offset_primes below the top of
    // the table must lie inside it.
    if (want_offset_primes < 0 || int64_t{r} + want_offset_primes > kNbDefaultPrimes)
      Fatal("Cannot take %u primes at offset %d from a table of %u primes\n", r, want_offset_primes,
            kNbDefaultPrimes);
    primes = Default_Primes32() + (kNbDefaultPrimes - r - want_offset_primes);
  }
  std::unique_ptr<uint32_t[]> fresh(new uint32_t[r]);
  std::memcpy(fresh.get(), primes, 4 * size_t{r});  // primes may point into the old store
  prime_store = std::move(fresh);
  VGF::_prime = prime_store.get();
  modulo6_store.reset(new uint32_t[r]);
  Modulo6.rep = modulo6_store.get();
  for (uint32_t i = 0; i < r; ++i) Modulo6.rep[i] = 1000000 % p_(i);
}

int set_module_VGF(uint32_t) {
  set_vect_module_VGF(nullptr);
  return 1;
}

void set_modules_VGF(const uint32_t*, uint32_t k) {
  if (k >= r_()) Fatal("VGF is not compiled for %ubits !\n", 64);
  Fatal("Size of the list of primes is %u and should be >= %u\n", k, r_());
}

VGF cVGF(long v) {
  VGF a;
  allocate(a);
  // Exact remainder for every long, LONG_MIN included.
  const bool neg = v < 0;
  const uint64_t mag = neg ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  for (uint32_t i = 0; i < r_(); ++i) {
    uint32_t m = static_cast<uint32_t>(mag % p_(i));
    a.rep[i] = (neg && m != 0) ? p_(i) - m : m;
  }
  return a;
}

VGF copy(VGF a) {
  VGF b;
  allocate(b);
  std::memcpy(b.rep, a.rep, 4 * size_t{r_()});
  return b;
}

VGF pretend_VGF(uint32_t w) {
  VGF a;
  allocate(a);
  for (uint32_t i = 0; i < r_(); ++i) a.rep[i] = w;
  return a;
}

VGF pretend_block_VGF(const uint32_t* words, uint32_t k) {
  if (k > r_()) Fatal("pretend_block_VGF: %u words for a vector of %u residues\n", k, r_());
  VGF a;
  allocate(a);
  for (uint32_t i = 0; i < r_(); ++i) a.rep[i] = i < k ? words[i] : 0;
  return a;
}

VGF rdm_VGF(uint32_t) { return cVGF(static_cast<long>(random())); }

VGF String_to_VGF(const char* s) {
  DecimalDigits d = scan_decimal(s, "String_to_VGF");
  VGF v = cVGF(0);
  for_each_chunk(d, [&](uint32_t chunk) {
    for (uint32_t i = 0; i < r_(); ++i) {
      uint32_t p = p_(i);
      v.rep[i] = add_mod(mul_mod(v.rep[i], Modulo6.rep[i], p), chunk % p, p);
    }
  });
  if (d.negative) neg_d(v);
  return v;
}

bool test(VGF a) {
  for (uint32_t i = 0; i < r_(); ++i)
    if (a.rep[i] != 0) return true;
  return false;
}
bool is_zero(VGF a) { return !test(a); }
bool is_one(VGF a) {
  for (uint32_t i = 0; i < r_(); ++i)
    if (a.rep[i] != 1) return false;
  return true;
}
bool is_neg_one(VGF a) {
  for (uint32_t i = 0; i < r_(); ++i)
    if (a.rep[i] != p_(i) - 1) return false;
  return true;
}
bool comp_EQ(VGF a, VGF b) { return std::memcmp(a.rep, b.rep, 4 * size_t{r_()}) == 0; }

VGF add(VGF a, VGF b) {
  VGF c;
  allocate(c);
  for (uint32_t i = 0; i < r_(); ++i) c.rep[i] = add_mod(a.rep[i], b.rep[i], p_(i));
  return c;
}

VGF& add_d(VGF& a, VGF b) {
  for (uint32_t i = 0; i < r_(); ++i) a.rep[i] = add_mod(a.rep[i], b.rep[i], p_(i));
  return a;
}

VGF minus(VGF a) {
  VGF c;
  allocate(c);
  for (uint32_t i = 0; i < r_(); ++i) c.rep[i] = a.rep[i] == 0 ? 0 : p_(i) - a.rep[i];
  return c;
}

VGF& neg_d(VGF& a) {
  for (uint32_t i = 0; i < r_(); ++i) a.rep[i] = a.rep[i] == 0 ? 0 : p_(i) - a.rep[i];
  return a;
}

VGF mult(VGF a, VGF b) {
  VGF c;
  allocate(c);
  for (uint32_t i = 0; i < r_(); ++i) c.rep[i] = mul_mod(a.rep[i], b.rep[i], p_(i));
  return c;
}

VGF& mult_d(VGF& a, VGF b) {
  for (uint32_t i = 0; i < r_(); ++i) a.rep[i] = mul_mod(a.rep[i], b.rep[i], p_(i));
  return a;
}

VGF mul_d(VGF a, VGF b) {
  VGF h = a;
  mult_d(h, b);
  return h;
}

VGF& lin_d(VGF& a, VGF b, VGF c) {
  // a + b*c < 2^32 + (2^32-1)^2 < 2^64: one remainder is exact.
  for (uint32_t i = 0; i < r_(); ++i)
    a.rep[i] = static_cast<uint32_t>((uint64_t{a.rep[i]} + uint64_t{b.rep[i]} * c.rep[i]) % p_(i));
  return a;
}

uint32_t find_inv(uint32_t x, uint32_t p) {
  int64_t r0 = p, r1 = x % p, t0 = 0, t1 = 1;
  while (r1 != 0) {
    int64_t q = r0 / r1;
    int64_t r2 = r0 - q * r1;
    int64_t t2 = (t0 - static_cast<int64_t>(
                           mul_mod(static_cast<uint32_t>(q % p), static_cast<uint32_t>(t1), p))) %
                 p;
    if (t2 < 0) t2 += p;
    r0 = r1, r1 = r2, t0 = t1, t1 = t2;
  }
  if (r0 != 1) Fatal("not inversible for p=%u\n", p);
  return static_cast<uint32_t>(t0);
}

VGF inv(VGF a) {
  VGF c;
  allocate(c);
  for (uint32_t i = 0; i < r_(); ++i) c.rep[i] = find_inv(a.rep[i], p_(i));
  return c;
}

uint32_t Hash_VGF(VGF a, uint32_t seed) {
  uint32_t h = seed;
  for (uint32_t i = 0; i < r_(); ++i) h = (h * 256u + a.rep[i]) % 16777213u;
  return h;
}

void afficherHeader_VGF() {
  Output("\n#modulo <");
  for (uint32_t i = 0; i < r_(); ++i) Output("%u ", p_(i));
  Output(">\n");
}

void afficher_NTL_VGF() {
  for (uint32_t i = 0; i < r_(); ++i) Output(" %u ", p_(i));
  Output("\n");
}

void defMaple_VGF(const char* name) {
  Output("%s:=[%u", name, p_(0));
  for (uint32_t i = 1; i < r_(); ++i) Output(",%u ", p_(i));
  Output("]:\n");
}

void inter_info_VGF() { Output("Entier INT (Compatible with Zel %u) codage classique \n", r_()); }

const char* factorizer_VGF() {
  static char text[32];
  std::snprintf(text, sizeof text, "VGF %d", static_cast<int>(r_()));
  return text;
}

}  // namespace orv::ORV_BUILD
