// The integer build's C interface as the tests over the rationals use it: a
// session of n1 + n2 variables, polynomials handed over with their
// denominators cleared, results read back as rational term lists.
#pragma once

#include <gmpxx.h>

#include <string>
#include <vector>

#include "engine/call_zel.h"
#include "support/naive_buchberger_qq.hpp"
#include "support/zel_systems.h"

namespace zel_test {

// reset_memory, init_urgent, init, reset_coeffs (lanes primes per batch),
// reset_expos with the names x0, x1, ... (kept alive here).
inline void start_qq_session(uint32_t n1, uint32_t n2, uint32_t lanes = 5) {
  static std::vector<std::string> names;
  static std::vector<char*> ptrs;
  names.clear();
  ptrs.clear();
  for (uint32_t i = 0; i < n1 + n2; ++i) names.push_back("x" + std::to_string(i));
  for (auto& s : names) ptrs.push_back(&s[0]);
  Zel_int_reset_memory();
  Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
  Zel_int_init(1, 1, 0, nullptr);
  Zel_int_reset_coeffs(lanes);
  Zel_int_reset_expos(n1, n2, ptrs.data());
}

// A standard system of zel_systems.h (katsura-n, cyclic-n, ...) over QQ,
// each polynomial in gb's order.
inline std::vector<buchberger::QPoly> qq_system(const buchberger::NaiveGroebnerQQ& gb,
                                                int (*make)(int, zs_poly*), int n) {
  std::vector<zs_poly> raw(64);
  raw.resize(size_t(make(n, raw.data())));
  std::vector<buchberger::QPoly> F;
  for (auto& r : raw) {
    buchberger::QPoly f;
    for (int t = 0; t < r.nterms; ++t) {
      const int* e = r.e + size_t(t) * size_t(r.nvars);
      f.push_back({buchberger::NMono(e, e + r.nvars), mpq_class(r.c[t])});
    }
    F.push_back(gb.normalise(f));
    zs_free(&r);
  }
  return F;
}

// One handle per polynomial (times the lcm of its denominators), through
// creat_poly, set_expos2, set_coeff_gmp and full_sort_poly2.
inline std::vector<void*> send_qq(const std::vector<buchberger::QPoly>& F, uint32_t n) {
  std::vector<void*> in;
  for (buchberger::QPoly f : F) {
    mpz_class den = 1;
    for (auto& t : f) den = lcm(den, mpz_class(t.c.get_den()));
    for (auto& t : f) t.c *= den;
    void* p = Zel_int_creat_poly(UI32(f.size()));
    for (size_t t = 0; t < f.size(); ++t) {
      std::vector<I32> e(f[t].e.begin(), f[t].e.end());
      Zel_int_set_expos2(p, UI32(t), e.data(), n);
      Zel_int_set_coeff_gmp(p, UI32(t), f[t].c.get_num_mpz_t());
    }
    Zel_int_full_sort_poly2(p);
    in.push_back(p);
  }
  return in;
}

// The count results in out as term lists (integer coefficients as given).
inline std::vector<buchberger::QPoly> receive_qq(void* const* out, UI32 count, uint32_t n) {
  std::vector<buchberger::QPoly> B;
  for (UI32 k = 0; k < count; ++k) {
    const UI32 m = Zel_int_nb_terms(out[k]);
    std::vector<UI32> e(size_t(m) * n + 1);
    mpz_srcptr* c = Zel_int_export_poly_INT_gmp(n, m, e.data(), out[k]);
    buchberger::QPoly f;
    for (UI32 t = 0; t < m; ++t)
      f.push_back({buchberger::NMono(e.begin() + t * n, e.begin() + (t + 1) * n),
                   mpq_class(mpz_class(c[t]))});
    B.push_back(f);
  }
  return B;
}

}  // namespace zel_test
