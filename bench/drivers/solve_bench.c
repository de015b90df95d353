/* One solving request per process, for whole-process timings:
 *   solve_bench [-t THREADS] [-p PRIME] [-b BK0] [-2 NB2,BK2] fp|qq MODE SYSTEM [DEGREE [TERMS]]
 * SYSTEM: katsura-N, cyclic-N, dense-N-D (N dense polynomials in N
 * variables, every monomial of degree at most D with a pseudo-random
 * coefficient between -1000 and 1000, the same every run) or
 * quadrics-N[-K] (N dense quadrics in N variables without the squares of
 * the first K variables, default 0).
 * fp: modulo PRIME (default 65521; prime-field build), with THREADS threads
 * (default 1); qq: over the rationals (integer build, one thread).  MODE is a
 * compute-mode number (1 basis, 2 rational parametrisation, 4 minimal
 * polynomial, 6 normal forms, 8 square-free minimal polynomial by the
 * radical strategy, 11 a basis for blocks split at variable BK0
 * (default 0), then with NB2 > 0 a second basis of it and the last NB2
 * inputs for blocks split at BK2, 12 multiplication matrix).  Mode 6 reduces
 * one polynomial of TERMS pseudo-random terms of degree up to DEGREE
 * (default 12 and 200) modulo the system's basis,
 * computed first and not timed.  Prints the result count, the largest term
 * count and the computation's own wall seconds, and a hash of the results
 * (their exponents and coefficients), so that a fast wrong answer shows. */
#include <gmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "../../tests/support/zel_systems.h"

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + 1e-9 * t.tv_nsec;
}

/* The prime-field build's modulus. */
static UI32 prime = 65521;

static void mix(unsigned long long* h, unsigned long long x) { *h = (*h ^ x) * 1099511628211ULL; }

/* The hash of result polynomials over the rationals. */
static unsigned long long hash_qq(void** out, UI32 r, int nvars) {
  unsigned long long h = 1469598103934665603ULL;
  UI32 i, t, m;
  size_t k, words;
  for (i = 0; i < r; i++) {
    UI32* e;
    mpz_srcptr* c;
    m = Zel_int_nb_terms(out[i]);
    e = malloc(sizeof(UI32) * ((size_t)m * (size_t)nvars + 1));
    c = Zel_int_export_poly_INT_gmp((UI32)nvars, m, e, out[i]);
    mix(&h, m);
    for (k = 0; k < (size_t)m * (size_t)nvars; k++) mix(&h, e[k]);
    for (t = 0; c != NULL && t < m; t++) {
      mix(&h, (unsigned long long)mpz_sgn(c[t]) + 1);
      words = mpz_size(c[t]);
      for (k = 0; k < words; k++) mix(&h, mpz_getlimbn(c[t], (mp_size_t)k));
    }
    free(e);
  }
  return h;
}

static void* send_qq(const zs_poly* p) {
  int i;
  mpz_t c;
  void* h = Zel_int_creat_poly((UI32)p->nterms);
  mpz_init(c);
  for (i = 0; i < p->nterms; i++) {
    Zel_int_set_expos2(h, (UI32)i, p->e + (size_t)i * (size_t)p->nvars, (UI32)p->nvars);
    mpz_set_si(c, p->c[i]);
    Zel_int_set_coeff_gmp(h, (UI32)i, c);
  }
  mpz_clear(c);
  Zel_int_full_sort_poly2(h);
  return h;
}

/* The hash of result polynomials modulo the prime. */
static unsigned long long hash_fp(void** out, UI32 r, int nvars) {
  unsigned long long h = 1469598103934665603ULL;
  UI32 i, m;
  size_t k;
  for (i = 0; i < r; i++) {
    UI32 *e, *c;
    m = Zel_nb_terms(out[i]);
    e = malloc(sizeof(UI32) * ((size_t)m * (size_t)nvars + 1));
    c = malloc(sizeof(UI32) * ((size_t)m + 1));
    Zel_export_poly((UI32)nvars, m, e, c, out[i]);
    mix(&h, m);
    for (k = 0; k < (size_t)m * (size_t)nvars; k++) mix(&h, e[k]);
    for (k = 0; k < m; k++) mix(&h, c[k]);
    free(e);
    free(c);
  }
  return h;
}

/* TERMS pseudo-random terms of degree up to DEGREE in every variable, with
 * small coefficients (a fixed generator: the same request every run). */
static zs_poly request(int nvars, int degree, int terms) {
  zs_poly f;
  unsigned long long s = 88172645463325252ULL;
  int t, left, e[64];
  zs_init(&f, nvars);
  for (t = 0; t < terms; t++) {
    memset(e, 0, sizeof e);
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    left = (int)((s >> 33) % (unsigned long long)(degree + 1));
    while (left-- > 0) {
      s = s * 6364136223846793005ULL + 1442695040888963407ULL;
      e[(s >> 33) % (unsigned long long)nvars]++;
    }
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    zs_add_term(&f, e, (int)((s >> 33) % 2001) - 1000);
  }
  return f;
}

/* dense-N-D: every monomial of degree at most D in N variables, in each of
 * N polynomials, with a coefficient from a fixed generator. */
static void dense_terms(zs_poly* f, int* e, int v, int left, unsigned long long* s) {
  int k;
  if (v == f->nvars) {
    int c;
    *s = *s * 6364136223846793005ULL + 1442695040888963407ULL;
    c = (int)((*s >> 33) % 2001) - 1000;
    if (c != 0) zs_add_term(f, e, c);
    return;
  }
  for (k = 0; k <= left; k++) {
    e[v] = k;
    dense_terms(f, e, v + 1, left - k, s);
  }
  e[v] = 0;
}

static int dense(int n, int degree, zs_poly* out) {
  unsigned long long s = 0x9E3779B97F4A7C15ULL;
  int k, e[64] = {0};
  for (k = 0; k < n; k++) {
    zs_init(&out[k], n);
    dense_terms(&out[k], e, 0, degree, &s);
  }
  return n;
}

/* quadrics-n-k: n polynomials in n variables, every monomial of degree at
 * most 2 but the squares of the first k variables, with a pseudo-random
 * coefficient (a fixed generator: the same system every run).  Each square
 * left out puts a solution at infinity (quadrics-9-2: 510 solutions), and
 * the degree-order basis is no longer the generic one. */
static int dense_quadrics(int n, int k, zs_poly* out) {
  unsigned long long s = 2685821657736338717ULL;
  int m, i, j, e[64];
  for (m = 0; m < n; m++) {
    zs_init(&out[m], n);
    for (i = -1; i < n; i++)
      for (j = i; j < n; j++) {
        memset(e, 0, sizeof e);
        if (i >= 0) e[i]++;
        if (j >= 0) e[j]++;
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        if (i == j && i >= 0 && i < k) continue;
        zs_add_term(&out[m], e, (int)((s >> 33) % 2001) - 1000);
      }
  }
  return n;
}

/* A basis as sent back: exponents and (integer build) coefficients. */
typedef struct {
  UI32 nterms;
  UI32* e;
  mpz_t* c;
} basis_poly;

/* Mode 6's request: the basis of the system (mode 1, not timed), then the
 * normal form of request() modulo it, timed.  Returns the result count. */
static UI32 normal_forms(int qq, zs_poly* sys, int count, int nvars, char** names, int degree,
                         int terms, void** out, double* seconds) {
  struct sZEL_Comp_Desc env;
  basis_poly* G;
  void* in[4096];
  zs_poly f = request(nvars, degree, terms);
  double t = 0, start;
  UI32 nb, i, k, r;
  int j;
  memset(&env, 0, sizeof env);
  env._compute = ZEL_COMPUTE_GBASIS;
  env._aggressive2 = env._dlim = env._skip = -1;
  if (qq) {
    Zel_int_reset_memory();
    Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
    Zel_int_init(1, 1, 0, NULL);
    Zel_int_reset_coeffs(5);
    Zel_int_reset_expos(0, (UI32)nvars, names);
    for (j = 0; j < count; j++) in[j] = send_qq(&sys[j]);
    nb = Zel_int_groebner(in, (UI32)count, out, 1, 0, &t, 0, -1, 0, &env);
  } else {
    zs_session(0, (UI32)nvars, prime, 0);
    for (j = 0; j < count; j++) in[j] = zs_send(&sys[j]);
    nb = Zel_groebner(in, (UI32)count, out, 1, 0, &t, 0, 8, 0, &env);
  }
  if (nb + 1 > 4096) {
    fprintf(stderr, "basis too large\n");
    exit(1);
  }
  G = malloc(sizeof(basis_poly) * nb);
  for (i = 0; i < nb; i++) {
    G[i].nterms = qq ? Zel_int_nb_terms(out[i]) : Zel_nb_terms(out[i]);
    G[i].e = malloc(sizeof(UI32) * ((size_t)G[i].nterms * (size_t)nvars + 1));
    G[i].c = malloc(sizeof(mpz_t) * (G[i].nterms + 1));
    if (qq) {
      mpz_srcptr* c = Zel_int_export_poly_INT_gmp((UI32)nvars, G[i].nterms, G[i].e, out[i]);
      for (k = 0; k < G[i].nterms; k++) mpz_init_set(G[i].c[k], c[k]);
    } else {
      UI32* c = malloc(sizeof(UI32) * (G[i].nterms + 1));
      Zel_export_poly((UI32)nvars, G[i].nterms, G[i].e, c, out[i]);
      for (k = 0; k < G[i].nterms; k++) mpz_init_set_ui(G[i].c[k], c[k]);
      free(c);
    }
  }
  env._compute = ZEL_COMPUTE_GBASIS_NF;
  env._nb = 1;
  if (qq) {
    Zel_int_reset_memory();
    Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
    Zel_int_init(1, 1, 0, NULL);
    Zel_int_reset_coeffs(5);
    Zel_int_reset_expos(0, (UI32)nvars, names);
    in[0] = send_qq(&f);
  } else {
    zs_session(0, (UI32)nvars, prime, 0);
    in[0] = zs_send(&f);
  }
  for (i = 0; i < nb; i++) {
    void* h = qq ? Zel_int_creat_poly(G[i].nterms) : Zel_creat_poly(G[i].nterms);
    for (k = 0; k < G[i].nterms; k++) {
      const UI32* e = G[i].e + (size_t)k * (size_t)nvars;
      if (qq) {
        Zel_int_set_expos2(h, k, (const I32*)e, (UI32)nvars);
        Zel_int_set_coeff_gmp(h, k, G[i].c[k]);
      } else {
        Zel_set_expos2(h, k, (const I32*)e, (UI32)nvars);
        Zel_set_coeff_I32(h, k, (I32)mpz_get_ui(G[i].c[k]));
      }
      mpz_clear(G[i].c[k]);
    }
    if (qq)
      Zel_int_full_sort_poly2(h);
    else
      Zel_full_sort_poly2(h);
    in[i + 1] = h;
    free(G[i].e);
    free(G[i].c);
  }
  free(G);
  zs_free(&f);
  start = now();
  r = qq ? Zel_int_groebner(in, nb + 1, out, 1, 0, &t, 0, -1, 0, &env)
         : Zel_groebner(in, nb + 1, out, 1, 0, &t, 0, 8, 0, &env);
  *seconds = now() - start;
  return r;
}

int main(int argc, char** argv) {
  static char storage[64][8];
  static char* names[64];
  zs_poly sys[64];
  void* in[64];
  void** out = malloc(sizeof(void*) * 100000);
  struct sZEL_Comp_Desc env;
  double t = 0, start;
  int n, k, qq, mode, count, degree = 12, terms = 200, squares;
  UI32 r, i, most = 0;
  unsigned long long hash = 0;
  int threads = 1, bk0 = 0, nb2 = 0, bk2 = 0, dense_degree;
  while (argc > 2 && argv[1][0] == '-') {
    if (strcmp(argv[1], "-t") == 0) {
      threads = atoi(argv[2]) > 0 ? atoi(argv[2]) : 1;
    } else if (strcmp(argv[1], "-p") == 0) {
      prime = (UI32)strtoul(argv[2], NULL, 10);
    } else if (strcmp(argv[1], "-b") == 0) {
      bk0 = atoi(argv[2]);
    } else if (strcmp(argv[1], "-2") == 0) {
      if (sscanf(argv[2], "%d,%d", &nb2, &bk2) != 2) argc = 0;
    } else {
      argc = 0;
    }
    if (argc == 0) break;
    argv += 2;
    argc -= 2;
  }
  if (argc < 4 || argc > 6 || (strcmp(argv[1], "fp") && strcmp(argv[1], "qq"))) {
    fprintf(stderr,
            "usage: solve_bench [-t THREADS] [-p PRIME] [-b BK0] [-2 NB2,BK2] fp|qq MODE "
            "katsura-N|cyclic-N|dense-N-D|quadrics-N[-K] [DEGREE [TERMS]]\n");
    return 2;
  }
  qq = strcmp(argv[1], "qq") == 0;
  mode = atoi(argv[2]);
  if (argc > 4) degree = atoi(argv[4]);
  if (argc > 5) terms = atoi(argv[5]);
  if (sscanf(argv[3], "dense-%d-%d", &n, &dense_degree) == 2 && n > 0 && n < 64) {
    count = dense(n, dense_degree, sys);
  } else if (sscanf(argv[3], "katsura-%d", &n) == 1) {
    count = zs_katsura(n, sys);
  } else if (sscanf(argv[3], "cyclic-%d", &n) == 1) {
    count = zs_cyclic(n, sys);
  } else if (sscanf(argv[3], "quadrics-%d-%d", &n, &squares) == 2 && n >= 1 && n <= 63) {
    count = dense_quadrics(n, squares, sys);
  } else if (sscanf(argv[3], "quadrics-%d", &n) == 1 && n >= 1 && n <= 63) {
    count = dense_quadrics(n, 0, sys);
  } else {
    fprintf(stderr, "unknown system %s\n", argv[3]);
    return 2;
  }
  n = sys[0].nvars;
  for (k = 0; k < n; k++) {
    snprintf(storage[k], sizeof storage[k], "x%d", k);
    names[k] = storage[k];
  }
  if (!qq) Zel_internal_threads(threads);
  memset(&env, 0, sizeof env);
  env._compute = mode;
  env._aggressive2 = env._dlim = env._skip = -1;
  env._nb2 = nb2;
  env._bk2 = bk2;
  if (mode == ZEL_COMPUTE_GBASIS_NF) {
    r = normal_forms(qq, sys, count, n, names, degree, terms, out, &t);
  } else if (qq) {
    Zel_int_reset_memory();
    Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
    Zel_int_init(1, 1, 0, NULL);
    Zel_int_reset_coeffs(5);
    Zel_int_reset_expos(0, (UI32)n, names);
    for (k = 0; k < count; k++) in[k] = send_qq(&sys[k]);
    start = now();
    r = Zel_int_groebner(in, (UI32)count, out, 1, 0, &t, bk0, -1, 0, &env);
    t = now() - start;
  } else {
    zs_session(0, (UI32)n, prime, 0);
    for (k = 0; k < count; k++) in[k] = zs_send(&sys[k]);
    start = now();
    r = Zel_groebner(in, (UI32)count, out, 1, 0, &t, bk0, 8, 0, &env);
    t = now() - start;
  }
  for (i = 0; i < r; i++) {
    const UI32 m = qq ? Zel_int_nb_terms(out[i]) : Zel_nb_terms(out[i]);
    if (m > most) most = m;
  }
  hash = qq ? hash_qq(out, r, n) : hash_fp(out, r, n);
  printf("%s %s mode %d: %u polynomials, at most %u terms, %.2f s, hash %016llx\n", argv[3],
         argv[1], mode, r, most, t, hash);
  for (k = 0; k < count; k++) zs_free(&sys[k]);
  free(out);
  return 0;
}
