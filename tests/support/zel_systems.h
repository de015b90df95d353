/* Standard polynomial systems as term lists (cyclic-n, katsura-n, eco-n,
 * noon-n), and their hand-over through the prime-field C interface.  Plain
 * C, so that the end-to-end C programs, the benchmark drivers and the C++
 * tests share one definition; C++ code also gets them as residues modulo a
 * prime (zel_test::System, at the end). */
#ifndef ZEL_TEST_SYSTEMS_H
#define ZEL_TEST_SYSTEMS_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(ZEL_VARIANT_FP) || defined(ZEL_VARIANT_INT)
#include "engine/call_zel.h"
#else
#include "call_zel.h"
#endif

typedef struct {
  int nvars, nterms, cap;
  int* e; /* nterms * nvars exponents */
  int* c; /* nterms coefficients (any sign; the library reduces them) */
} zs_poly;

static inline void zs_init(zs_poly* p, int nvars) {
  p->nvars = nvars;
  p->nterms = 0;
  p->cap = 0;
  p->e = NULL;
  p->c = NULL;
}

static inline void zs_free(zs_poly* p) {
  free(p->e);
  free(p->c);
}

static inline void zs_add_term(zs_poly* p, const int* e, int c) {
  if (p->nterms == p->cap) {
    p->cap = p->cap ? 2 * p->cap : 8;
    p->e = (int*)realloc(p->e, sizeof(int) * (size_t)p->cap * (size_t)p->nvars);
    p->c = (int*)realloc(p->c, sizeof(int) * (size_t)p->cap);
    if (!p->e || !p->c) abort();
  }
  memcpy(p->e + (size_t)p->nterms * (size_t)p->nvars, e, sizeof(int) * (size_t)p->nvars);
  p->c[p->nterms++] = c;
}

/* cyclic-n: n polynomials in n variables. */
static inline int zs_cyclic(int n, zs_poly* out) {
  int k, i, j, e[64];
  for (k = 1; k < n; k++) {
    zs_init(&out[k - 1], n);
    for (i = 0; i < n; i++) {
      memset(e, 0, sizeof e);
      for (j = i; j < i + k; j++) e[j % n]++;
      zs_add_term(&out[k - 1], e, 1);
    }
  }
  zs_init(&out[n - 1], n);
  for (i = 0; i < n; i++) e[i] = 1;
  zs_add_term(&out[n - 1], e, 1);
  memset(e, 0, sizeof e);
  zs_add_term(&out[n - 1], e, -1);
  return n;
}

/* katsura-n: n+1 polynomials in the n+1 variables x0 .. xn.  Repeated
 * products (x_a x_b and x_b x_a) are handed over as separate terms. */
static inline int zs_katsura(int n, zs_poly* out) {
  int m, l, e[64];
  for (m = 0; m < n; m++) {
    zs_init(&out[m], n + 1);
    for (l = -n; l <= n; l++) {
      int a = l < 0 ? -l : l, b = m - l < 0 ? l - m : m - l;
      if (a > n || b > n) continue;
      memset(e, 0, sizeof e);
      e[a]++;
      e[b]++;
      zs_add_term(&out[m], e, 1);
    }
    memset(e, 0, sizeof e);
    e[m] = 1;
    zs_add_term(&out[m], e, -1);
  }
  zs_init(&out[n], n + 1);
  for (l = -n; l <= n; l++) {
    memset(e, 0, sizeof e);
    e[l < 0 ? -l : l] = 1;
    zs_add_term(&out[n], e, 1);
  }
  memset(e, 0, sizeof e);
  zs_add_term(&out[n], e, -1);
  return n + 1;
}

/* eco-n: n polynomials in x1 .. xn, stored at 0 .. n-1. */
static inline int zs_eco(int n, zs_poly* out) {
  int k, i, e[64];
  for (k = 1; k <= n - 1; k++) {
    zs_init(&out[k - 1], n);
    memset(e, 0, sizeof e);
    e[k - 1] = 1;
    e[n - 1] = 1;
    zs_add_term(&out[k - 1], e, 1);
    for (i = 1; i + k <= n - 1; i++) {
      memset(e, 0, sizeof e);
      e[i - 1]++;
      e[i + k - 1]++;
      e[n - 1]++;
      zs_add_term(&out[k - 1], e, 1);
    }
    memset(e, 0, sizeof e);
    zs_add_term(&out[k - 1], e, -k);
  }
  zs_init(&out[n - 1], n);
  for (i = 0; i + 1 < n; i++) {
    memset(e, 0, sizeof e);
    e[i] = 1;
    zs_add_term(&out[n - 1], e, 1);
  }
  memset(e, 0, sizeof e);
  zs_add_term(&out[n - 1], e, 1);
  return n;
}

/* noon-n: 10 x_i (sum over j != i of x_j^2) - 11 x_i + 10, i = 0 .. n-1. */
static inline int zs_noon(int n, zs_poly* out) {
  int i, j, e[64];
  for (i = 0; i < n; i++) {
    zs_init(&out[i], n);
    for (j = 0; j < n; j++) {
      if (j == i) continue;
      memset(e, 0, sizeof e);
      e[i] = 1;
      e[j] += 2;
      zs_add_term(&out[i], e, 10);
    }
    memset(e, 0, sizeof e);
    e[i] = 1;
    zs_add_term(&out[i], e, -11);
    memset(e, 0, sizeof e);
    zs_add_term(&out[i], e, 10);
  }
  return n;
}

/* Hands p over to the prime-field build; returns its handle. */
static inline void* zs_send(const zs_poly* p) {
  int i;
  void* h = Zel_creat_poly((UI32)p->nterms);
  for (i = 0; i < p->nterms; i++) {
    Zel_set_expos2(h, (UI32)i, p->e + (size_t)i * (size_t)p->nvars, (UI32)p->nvars);
    Zel_set_coeff_I32(h, (UI32)i, p->c[i]);
  }
  Zel_full_sort_poly2(h);
  return h;
}

/* A prime-field session modulo prime: n1 + n2 variables named x0, x1 ...
 * (the names live in a static table), recording on when record != 0. */
static inline void zs_session(UI32 n1, UI32 n2, UI32 prime, int record) {
  static char storage[64][8];
  static char* names[64];
  UI32 i, pr[1];
  for (i = 0; i < n1 + n2 && i < 64; i++) {
    snprintf(storage[i], sizeof storage[i], "x%u", (unsigned)i);
    names[i] = storage[i];
  }
  Zel_reset_memory();
  Zel_init_urgent(2, 2, "DRLDRL", 100000, record);
  Zel_init(1, 1, 0, NULL);
  pr[0] = prime;
  Zel_reset_coeffs(1, pr);
  Zel_reset_expos(n1, n2, names);
}

/* A basis request of mode 1 with every option left alone. */
static inline UI32 zs_groebner(void** in, UI32 n, void** out, int force_elim, int restrict_) {
  struct sZEL_Comp_Desc env;
  double t = 0;
  memset(&env, 0, sizeof env);
  env._compute = ZEL_COMPUTE_GBASIS;
  env._force_elim = force_elim;
  env._aggressive2 = -1;
  env._dlim = -1;
  env._skip = -1;
  return Zel_groebner(in, n, out, 1, 0, &t, 0, 8, restrict_, &env);
}

#ifdef __cplusplus
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zel_test {

/* A term: exponent vector and a residue. */
using SysTerm = std::pair<std::vector<uint32_t>, uint32_t>;
using SysPoly = std::vector<SysTerm>;
struct System {
  std::string name;
  uint32_t nvars;
  std::vector<SysPoly> polys;
};

/* The system a generator above builds for n, coefficients reduced modulo p. */
inline System zs_system(const char* kind, int (*generate)(int, zs_poly*), uint32_t n,
                        uint32_t p) {
  std::vector<zs_poly> raw(n + 1);
  const int count = generate(int(n), raw.data());
  System s{std::string(kind) + "-" + std::to_string(n), uint32_t(raw[0].nvars), {}};
  for (int k = 0; k < count; ++k) {
    SysPoly f;
    for (int t = 0; t < raw[k].nterms; ++t) {
      const int* e = raw[k].e + size_t(t) * size_t(raw[k].nvars);
      const int64_t c = raw[k].c[t] % int64_t(p);
      f.push_back({std::vector<uint32_t>(e, e + raw[k].nvars), uint32_t(c < 0 ? c + p : c)});
    }
    s.polys.push_back(f);
    zs_free(&raw[k]);
  }
  return s;
}

inline System cyclic(uint32_t n, uint32_t p) { return zs_system("cyclic", zs_cyclic, n, p); }
/* Variables u_0 .. u_n. */
inline System katsura(uint32_t n, uint32_t p) { return zs_system("katsura", zs_katsura, n, p); }
/* Variables x_1 .. x_n stored at 0 .. n-1. */
inline System eco(uint32_t n, uint32_t p) { return zs_system("eco", zs_eco, n, p); }
inline System noon(uint32_t n, uint32_t p) { return zs_system("noon", zs_noon, n, p); }

}  // namespace zel_test
#endif

#endif
