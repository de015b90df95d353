// Schoolbook univariate arithmetic modulo p on std::vector<uint64_t>, the
// slow and obviously right reference for the sparse layer's polynomials.
// A polynomial is trimmed: no trailing zero, the empty vector is zero.
#pragma once

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace zel_test {

using NPoly = std::vector<uint64_t>;

inline void trim(NPoly& a) {
  while (!a.empty() && a.back() == 0) a.pop_back();
}

inline int ndeg(const NPoly& a) { return static_cast<int>(a.size()) - 1; }

inline uint64_t npow(uint64_t a, uint64_t e, uint64_t p) {
  uint64_t r = 1 % p;
  a %= p;
  while (e) {
    if (e & 1) r = static_cast<uint64_t>(static_cast<unsigned __int128>(r) * a % p);
    a = static_cast<uint64_t>(static_cast<unsigned __int128>(a) * a % p);
    e >>= 1;
  }
  return r;
}

inline uint64_t ninv(uint64_t a, uint64_t p) { return npow(a, p - 2, p); }

inline NPoly nadd(const NPoly& a, const NPoly& b, uint64_t p) {
  NPoly r(std::max(a.size(), b.size()), 0);
  for (size_t i = 0; i < r.size(); ++i)
    r[i] = ((i < a.size() ? a[i] : 0) + (i < b.size() ? b[i] : 0)) % p;
  trim(r);
  return r;
}

inline NPoly nscale(const NPoly& a, uint64_t c, uint64_t p) {
  NPoly r(a.size());
  for (size_t i = 0; i < a.size(); ++i)
    r[i] = static_cast<uint64_t>(static_cast<unsigned __int128>(a[i]) * c % p);
  trim(r);
  return r;
}

inline NPoly nsub(const NPoly& a, const NPoly& b, uint64_t p) {
  NPoly nb = nscale(b, p - 1, p);
  return nadd(a, nb, p);
}

inline NPoly nmul(const NPoly& a, const NPoly& b, uint64_t p) {
  if (a.empty() || b.empty()) return {};
  NPoly r(a.size() + b.size() - 1, 0);
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j)
      r[i + j] = static_cast<uint64_t>(
          (r[i + j] + static_cast<unsigned __int128>(a[i]) * b[j]) % p);
  trim(r);
  return r;
}

// (quotient, remainder) of a by a non-zero b.
inline std::pair<NPoly, NPoly> ndivmod(NPoly a, const NPoly& b, uint64_t p) {
  trim(a);
  if (a.size() < b.size()) return {{}, a};
  NPoly q(a.size() - b.size() + 1, 0);
  const uint64_t li = ninv(b.back(), p);
  for (int i = ndeg(a); i >= ndeg(b); --i) {
    uint64_t c = static_cast<uint64_t>(static_cast<unsigned __int128>(a[i]) * li % p);
    q[i - ndeg(b)] = c;
    for (int j = 0; j <= ndeg(b); ++j)
      a[i - ndeg(b) + j] = static_cast<uint64_t>(
          (a[i - ndeg(b) + j] + static_cast<unsigned __int128>(p - c) * b[j]) % p);
  }
  trim(a);
  trim(q);
  return {q, a};
}

inline NPoly nmonic(const NPoly& a, uint64_t p) {
  return a.empty() ? a : nscale(a, ninv(a.back(), p), p);
}

// Monic gcd.
inline NPoly ngcd(NPoly a, NPoly b, uint64_t p) {
  trim(a);
  trim(b);
  while (!b.empty()) {
    NPoly r = ndivmod(a, b, p).second;
    a = std::move(b);
    b = std::move(r);
  }
  return nmonic(a, p);
}

// prod (X - r) over the roots.
inline NPoly nfromroots(const std::vector<uint64_t>& roots, uint64_t p) {
  NPoly r{1};
  for (uint64_t z : roots) r = nmul(r, NPoly{(p - z % p) % p, 1}, p);
  return r;
}

inline uint64_t neval(const NPoly& a, uint64_t x, uint64_t p) {
  unsigned __int128 r = 0;
  for (int i = ndeg(a); i >= 0; --i) r = (r * x + a[i]) % p;
  return static_cast<uint64_t>(r);
}

// The polynomial of degree < n through (z[k], x[k]), z distinct (Lagrange).
inline NPoly ninterpolate(const std::vector<uint64_t>& z, const std::vector<uint64_t>& x,
                          uint64_t p) {
  NPoly r;
  for (size_t k = 0; k < z.size(); ++k) {
    NPoly l{1};
    uint64_t den = 1;
    for (size_t j = 0; j < z.size(); ++j) {
      if (j == k) continue;
      l = nmul(l, NPoly{(p - z[j]) % p, 1}, p);
      den = static_cast<uint64_t>(static_cast<unsigned __int128>(den) *
                                  ((z[k] + p - z[j]) % p) % p);
    }
    r = nadd(r, nscale(l, static_cast<uint64_t>(static_cast<unsigned __int128>(x[k]) *
                                                    ninv(den, p) % p),
                       p),
             p);
  }
  return r;
}

inline NPoly nrandom(std::mt19937_64& rng, int deg, uint64_t p) {
  NPoly a(deg + 1);
  for (auto& c : a) c = rng() % p;
  if (deg >= 0) a[deg] = 1 + rng() % (p - 1);
  return a;
}

}  // namespace zel_test
