/* The reduced Groebner basis of katsura-5 over the rationals, computed by
 * the integer build through the C interface (call_zel.h) and printed with
 * exact coefficients, one polynomial per line.  Each polynomial comes back
 * with integer coefficients (the reduced basis element times the lcm of its
 * denominators); it is printed divided by its leading coefficient, so that
 * the basis shows as the monic reduced basis over QQ. */
#include <gmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "call_zel.h"

#define N 6 /* variables u0 .. u5 */

/* Hands over one polynomial given by its terms (small integer
 * coefficients; set_coeff_gmp takes any integer). */
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

/* katsura-5: for m = 0 .. 4, sum over l = -5 .. 5 of u_|l| u_|m-l| - u_m,
 * and u0 + 2 u1 + ... + 2 u5 - 1 (the library adds equal terms). */
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
  mpq_t q;
  if (c == NULL) {
    fprintf(stderr, "cannot export a polynomial\n");
    exit(1);
  }
  mpq_init(q);
  for (t = 0; t < m; t++) {
    int shown = 0;
    /* The coefficient over the leading one, in lowest terms. */
    mpq_set_num(q, c[t]);
    mpq_set_den(q, c[0]);
    mpq_canonicalize(q);
    if (t > 0) printf(mpq_sgn(q) < 0 ? " - " : " + ");
    mpq_abs(q, q);
    if (mpz_cmp_ui(mpq_numref(q), 1) != 0 || mpz_cmp_ui(mpq_denref(q), 1) != 0) {
      gmp_printf("%Qd", q);
      shown = 1;
    }
    for (j = 0; j < N; j++) {
      if (e[t * N + j] == 0) continue;
      printf("%s%s", shown ? "*" : "", names[j]);
      if (e[t * N + j] > 1) printf("^%u", (unsigned)e[t * N + j]);
      shown = 1;
    }
    if (!shown) printf("1");
  }
  printf("\n");
  mpq_clear(q);
  free(e);
}

int main(void) {
  static char name_text[N][4] = {"u0", "u1", "u2", "u3", "u4", "u5"};
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
  Zel_int_reset_expos(N, 0, names);
  katsura(input);

  memset(&request, 0, sizeof request);
  request._compute = ZEL_COMPUTE_GBASIS;
  /* pas0 = -1: the first batch of primes is chosen from the coefficient
   * sizes; _off = 0: batches start at the top of the prime table. */
  n = Zel_int_groebner(input, N, result, 1, 0, &seconds, 0, -1, 0, &request);

  printf("katsura-5 over the rationals, degree reverse lexicographic order: %u polynomials\n",
         (unsigned)n);
  for (i = 0; i < n; i++) print_poly(result[i], names);
  fprintf(stderr, "computed in %.2f s of CPU time\n", seconds);
  Zel_int_free_memory();
  free(result);
  return n == 22 ? 0 : 1;
}
