#include "sparse/univariate_modp.hpp"

#include <cstddef>
#include <utility>

namespace zel::ZEL_BUILD {

uint64_t univariate_products = 0;

namespace {

uint64_t mul_mod(uint64_t a, uint64_t b, uint64_t p) { return a * b % p; }
// a^-1 mod p (a not 0 mod p) by the extended Euclidean algorithm: a few
// dozen divisions at most, where a^(p-2) takes some sixty; the Euclidean
// gcd of polynomials takes one at each of its steps.
uint64_t inv_mod(uint64_t a, uint64_t p) {
  int64_t r0 = int64_t(p), r1 = int64_t(a % p), t0 = 0, t1 = 1;
  while (r1 != 0) {
    const int64_t q = r0 / r1;
    r0 -= q * r1;
    std::swap(r0, r1);
    t0 -= q * t1;
    std::swap(t0, t1);
  }
  return uint64_t(t0 < 0 ? t0 + int64_t(p) : t0);
}

}  // namespace

ModPoly trimmed(ModPoly a) {
  while (!a.empty() && a.back() == 0) a.pop_back();
  return a;
}

ModPoly monic(ModPoly a, uint64_t p) {
  a = trimmed(std::move(a));
  if (a.empty() || a.back() == 1) return a;
  const uint64_t inv = inv_mod(a.back(), p);
  for (uint64_t& c : a) c = mul_mod(c, inv, p);
  return a;
}

ModPoly poly_mul(const ModPoly& a, const ModPoly& b, uint64_t p) {
  if (a.empty() || b.empty()) return {};
  ModPoly r(a.size() + b.size() - 1, 0);
  univariate_products += uint64_t(a.size()) * b.size();
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j) r[i + j] = (r[i + j] + mul_mod(a[i], b[j], p)) % p;
  return trimmed(std::move(r));
}

namespace {

// x -> c x mod p for residues x, c fixed (p <= 2^32), by Shoup's method:
// with c' = floor(c 2^32 / p), c x - floor(x c' / 2^32) p lies in [0, 2p),
// so a step of a division costs two multiplications, not two divisions.
class TimesFixed {
 public:
  TimesFixed(uint64_t c, uint64_t p) : c_(c), shoup_((c << 32) / p), p_(p) {}
  uint64_t operator()(uint64_t x) const {
    const uint64_t r = x * c_ - ((x * shoup_) >> 32) * p_;
    return r >= p_ ? r - p_ : r;
  }

 private:
  uint64_t c_, shoup_, p_;
};

// a := a mod b, the quotient into q when given.
void divide(ModPoly& a, const ModPoly& b, uint64_t p, ModPoly* q) {
  a = trimmed(std::move(a));
  const uint64_t inv = inv_mod(b.back(), p);
  const size_t db = b.size() - 1;
  if (q) q->assign(a.size() >= b.size() ? a.size() - db : 0, 0);
  while (a.size() >= b.size()) {
    const size_t shift = a.size() - b.size();
    const uint64_t c = mul_mod(a.back(), inv, p);
    if (q) (*q)[shift] = c;
    const TimesFixed times_c(c, p);
    univariate_products += db + 1;
    for (size_t i = 0; i <= db; ++i) {
      const uint64_t m = times_c(b[i]);
      uint64_t& x = a[shift + i];
      x = x >= m ? x - m : x + (p - m);
    }
    a = trimmed(std::move(a));
  }
}

ModPoly derivative(const ModPoly& f, uint64_t p) {
  ModPoly d;
  for (size_t i = 1; i < f.size(); ++i) d.push_back(mul_mod(i % p, f[i], p));
  return trimmed(std::move(d));
}

}  // namespace

ModPoly poly_rem(ModPoly a, const ModPoly& b, uint64_t p) {
  divide(a, b, p, nullptr);
  return a;
}

ModPoly poly_quo(ModPoly a, const ModPoly& b, uint64_t p) {
  ModPoly q;
  divide(a, b, p, &q);
  return trimmed(std::move(q));
}

ModPoly poly_gcd(ModPoly a, ModPoly b, uint64_t p) {
  a = trimmed(std::move(a));
  b = trimmed(std::move(b));
  while (!b.empty()) {
    divide(a, b, p, nullptr);
    std::swap(a, b);
  }
  return monic(std::move(a), p);
}

ModPoly poly_lcm(const ModPoly& a, const ModPoly& b, uint64_t p) {
  return monic(poly_mul(poly_quo(a, poly_gcd(a, b, p), p), b, p), p);
}

ModPoly squarefree_part(const ModPoly& f0, uint64_t p) {
  const ModPoly f = monic(f0, p);
  if (f.size() <= 2) return f;
  const ModPoly df = derivative(f, p);
  if (df.empty()) {
    // f = g(t^p) = g(t)^p over the prime field: the same factors as g.
    ModPoly g;
    for (size_t i = 0; i < f.size(); i += p) g.push_back(f[i]);
    return squarefree_part(g, p);
  }
  // a: each factor whose multiplicity p does not divide, once.  What is
  // left of gcd(f, f') once a's factors are divided out holds the others,
  // each to a multiple of p: a p-th power, taken apart the same way.
  const ModPoly g = poly_gcd(f, df, p);
  const ModPoly a = poly_quo(f, g, p);
  ModPoly rest = g;
  for (ModPoly h = poly_gcd(rest, a, p); h.size() > 1; h = poly_gcd(rest, a, p))
    rest = poly_quo(rest, h, p);
  if (rest.size() <= 1) return monic(a, p);
  return monic(poly_mul(a, squarefree_part(rest, p), p), p);
}

}  // namespace zel::ZEL_BUILD
