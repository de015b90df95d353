/* One solving request per process, for whole-process timings:
 *   solve_bench fp|qq MODE katsura-N|cyclic-N
 * fp: modulo 65521 (prime-field build); qq: over the rationals (integer
 * build).  MODE is a compute-mode number (1 basis, 2 rational
 * parametrisation, 4 minimal polynomial, 12 multiplication matrix).  Prints
 * the result count, the largest term count and the computation's own wall
 * seconds, and over the rationals a hash of the results (their exponents and
 * coefficients), so that a fast wrong answer shows. */
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

int main(int argc, char** argv) {
  static char storage[64][8];
  static char* names[64];
  zs_poly sys[64];
  void* in[64];
  void** out = malloc(sizeof(void*) * 100000);
  struct sZEL_Comp_Desc env;
  double t = 0, start;
  int n, k, qq, mode, count;
  UI32 r, i, most = 0;
  unsigned long long hash = 0;
  if (argc != 4 || (strcmp(argv[1], "fp") && strcmp(argv[1], "qq"))) {
    fprintf(stderr, "usage: solve_bench fp|qq MODE katsura-N|cyclic-N\n");
    return 2;
  }
  qq = strcmp(argv[1], "qq") == 0;
  mode = atoi(argv[2]);
  if (sscanf(argv[3], "katsura-%d", &n) == 1) {
    count = zs_katsura(n, sys);
  } else if (sscanf(argv[3], "cyclic-%d", &n) == 1) {
    count = zs_cyclic(n, sys);
  } else {
    fprintf(stderr, "unknown system %s\n", argv[3]);
    return 2;
  }
  n = sys[0].nvars;
  for (k = 0; k < n; k++) {
    snprintf(storage[k], sizeof storage[k], "x%d", k);
    names[k] = storage[k];
  }
  memset(&env, 0, sizeof env);
  env._compute = mode;
  env._aggressive2 = env._dlim = env._skip = -1;
  if (qq) {
    Zel_int_reset_memory();
    Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
    Zel_int_init(1, 1, 0, NULL);
    Zel_int_reset_coeffs(5);
    Zel_int_reset_expos(0, (UI32)n, names);
    for (k = 0; k < count; k++) in[k] = send_qq(&sys[k]);
    start = now();
    r = Zel_int_groebner(in, (UI32)count, out, 1, 0, &t, 0, -1, 0, &env);
    t = now() - start;
    for (i = 0; i < r; i++)
      if (Zel_int_nb_terms(out[i]) > most) most = Zel_int_nb_terms(out[i]);
    hash = hash_qq(out, r, n);
  } else {
    zs_session(0, (UI32)n, 65521, 0);
    for (k = 0; k < count; k++) in[k] = zs_send(&sys[k]);
    start = now();
    r = Zel_groebner(in, (UI32)count, out, 1, 0, &t, 0, 8, 0, &env);
    t = now() - start;
    for (i = 0; i < r; i++)
      if (Zel_nb_terms(out[i]) > most) most = Zel_nb_terms(out[i]);
  }
  printf("%s %s mode %d: %u polynomials, at most %u terms, %.2f s", argv[3], argv[1], mode, r,
         most, t);
  if (qq) printf(", hash %016llx", hash);
  printf("\n");
  for (k = 0; k < count; k++) zs_free(&sys[k]);
  free(out);
  return 0;
}
