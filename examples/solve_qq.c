/* Solves katsura-3 over the rationals through the C interface: the minimal
 * polynomial f of the last variable u3 and the rational parametrisation of
 * the solutions (compute mode ZEL_COMPUTE_RRFORM).  Each other variable
 * comes back as c*u_j + Q_j(u3): at every solution u_j = -Q_j(u3) / (c *
 * f'(u3) / deg f).  Integer coefficients, printed as they come. */
#include <gmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "call_zel.h"

#define N 4 /* variables u0 .. u3 */

static void* send(int nterms, const I32* exps, const long* coeffs) {
  void* p = Zel_int_creat_poly((UI32)nterms);
  mpz_t c;
  int t;
  mpz_init(c);
  for (t = 0; t < nterms; t++) {
    Zel_int_set_expos2(p, (UI32)t, exps + t * N, N);
    mpz_set_si(c, coeffs[t]);
    Zel_int_set_coeff_gmp(p, (UI32)t, c);
  }
  mpz_clear(c);
  Zel_int_full_sort_poly2(p);
  return p;
}

/* katsura-3: for m = 0 .. 2, sum over l = -3 .. 3 of u_|l| u_|m-l| - u_m,
 * and u0 + 2 u1 + 2 u2 + 2 u3 - 1. */
static void katsura(void** polys) {
  I32 exps[(2 * N + 1) * N];
  long coeffs[2 * N + 1];
  int m, l, k;
  for (m = 0; m < N - 1; m++) {
    memset(exps, 0, sizeof exps);
    k = 0;
    for (l = -(N - 1); l <= N - 1; l++) {
      int a = l < 0 ? -l : l, b = m - l < 0 ? l - m : m - l;
      if (b > N - 1) continue;
      exps[k * N + a]++;
      exps[k * N + b]++;
      coeffs[k++] = 1;
    }
    exps[k * N + m] = 1;
    coeffs[k++] = -1;
    polys[m] = send(k, exps, coeffs);
  }
  memset(exps, 0, sizeof exps);
  for (k = 0; k < N; k++) {
    exps[k * N + k] = 1;
    coeffs[k] = k == 0 ? 1 : 2;
  }
  coeffs[k++] = -1;
  polys[N - 1] = send(k, exps, coeffs);
}

static void print_poly(void* p, char** names) {
  UI32 m = Zel_int_nb_terms(p), t, j;
  UI32* e = malloc(sizeof(UI32) * (m * N + 1));
  mpz_srcptr* c = e ? Zel_int_export_poly_INT_gmp(N, m, e, p) : NULL;
  if (c == NULL) {
    fprintf(stderr, "cannot export a polynomial\n");
    exit(1);
  }
  for (t = 0; t < m; t++) {
    gmp_printf(t == 0 ? "%Zd" : (mpz_sgn(c[t]) < 0 ? " %Zd" : " +%Zd"), c[t]);
    for (j = 0; j < N; j++) {
      if (e[t * N + j] == 0) continue;
      printf("*%s", names[j]);
      if (e[t * N + j] > 1) printf("^%u", (unsigned)e[t * N + j]);
    }
  }
  printf("\n");
  free(e);
}

int main(void) {
  static char name_text[N][4] = {"u0", "u1", "u2", "u3"};
  char* names[N];
  void* input[N];
  void** result = malloc(sizeof(void*) * 100000);
  struct sZEL_Comp_Desc request;
  double seconds = 0;
  UI32 n, i;

  for (i = 0; i < N; i++) names[i] = name_text[i];
  Zel_int_reset_memory();
  Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
  Zel_int_init(1, 1, 0, NULL);
  Zel_int_reset_coeffs(5);
  Zel_int_reset_expos(0, N, names);
  katsura(input);

  memset(&request, 0, sizeof request);
  request._compute = ZEL_COMPUTE_RRFORM;
  n = Zel_int_groebner(input, N, result, 1, 0, &seconds, 0, -1, 0, &request);
  if (n != N) {
    fprintf(stderr, "expected %d polynomials, got %u\n", N, (unsigned)n);
    return 1;
  }
  printf("katsura-3 over the rationals: rational parametrisation by %s\n", names[N - 1]);
  printf("minimal polynomial: ");
  print_poly(result[N - 1], names);
  for (i = 0; i + 1 < N; i++) {
    printf("%s: ", names[i]);
    print_poly(result[i], names);
  }
  free(result);
  Zel_int_reset_memory();
  return 0;
}
