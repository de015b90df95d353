/* The library's main job, run by the README's first command: the reduced
 * Groebner basis of cyclic-6 modulo 65521 for the degree reverse
 * lexicographic order, computed by the prime-field build through the C
 * interface (call_zel.h) and printed one polynomial per line. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "call_zel.h"

#define N 6
#define PRIME 65521

/* Hands over one polynomial given by its terms. */
static void* send(int nterms, const I32* exps, const I32* coeffs) {
  void* p = Zel_creat_poly((UI32)nterms);
  int t;
  for (t = 0; t < nterms; t++) {
    Zel_set_expos2(p, (UI32)t, exps + t * N, N);
    Zel_set_coeff_I32(p, (UI32)t, coeffs[t]);
  }
  Zel_full_sort_poly2(p);
  return p;
}

/* cyclic-6: for k = 1 .. 5 the sum over i of x_i x_{i+1} ... x_{i+k-1}
 * (indices modulo 6), and x_0 x_1 ... x_5 - 1. */
static int cyclic(void** polys) {
  I32 exps[N * N], coeffs[N];
  int k, i, j;
  for (k = 1; k < N; k++) {
    memset(exps, 0, sizeof exps);
    for (i = 0; i < N; i++) {
      for (j = i; j < i + k; j++) exps[i * N + j % N]++;
      coeffs[i] = 1;
    }
    polys[k - 1] = send(N, exps, coeffs);
  }
  memset(exps, 0, sizeof exps);
  for (j = 0; j < N; j++) exps[j] = 1;
  coeffs[0] = 1;
  coeffs[1] = -1; /* reduced modulo the prime by the library */
  polys[N - 1] = send(2, exps, coeffs);
  return N;
}

static void print_poly(void* p, char** names) {
  UI32 m = Zel_nb_terms(p), t, j;
  UI32* e = malloc(sizeof(UI32) * (m * N + 1));
  UI32* c = malloc(sizeof(UI32) * (m + 1));
  if (e == NULL || c == NULL || Zel_export_poly(N, m, e, c, p) != 1) {
    fprintf(stderr, "cannot export a polynomial\n");
    exit(1);
  }
  for (t = 0; t < m; t++) {
    int shown = 0;
    printf("%s", t ? " + " : "");
    if (c[t] != 1) {
      printf("%u", (unsigned)c[t]);
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
  free(e);
  free(c);
}

int main(void) {
  static char name_text[N][4] = {"a", "b", "c", "d", "e", "f"};
  char* names[N];
  UI32 prime[1] = {PRIME};
  void* input[N];
  void** result = malloc(sizeof(void*) * 100000);
  struct sZEL_Comp_Desc request;
  double seconds = 0;
  UI32 n, i;

  for (i = 0; i < N; i++) names[i] = name_text[i];
  Zel_reset_memory();
  Zel_init_urgent(2, 2, "DRLDRL", 100000, 0);
  Zel_init(1, 1, 0, NULL);
  Zel_reset_coeffs(1, prime);
  Zel_reset_expos(N, 0, names);
  cyclic(input);

  memset(&request, 0, sizeof request);
  request._compute = ZEL_COMPUTE_GBASIS;
  request._aggressive2 = -1;
  request._dlim = -1;
  request._skip = -1;
  n = Zel_groebner(input, N, result, 1, 0, &seconds, 0, 8, 0, &request);

  printf("cyclic-6 modulo %d, degree reverse lexicographic order: %u polynomials\n", PRIME,
         (unsigned)n);
  for (i = 0; i < n; i++) print_poly(result[i], names);
  fprintf(stderr, "computed in %.2f s of CPU time\n", seconds);
  Zel_free_memory();
  free(result);
  return n == 45 ? 0 : 1;
}
