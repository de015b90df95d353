/* Solves katsura-3 over the rationals through the C interface: the minimal
 * polynomial of the last variable u3 and the rational parametrisation of
 * the solutions (compute mode ZEL_COMPUTE_RRFORM), printed with their
 * integer coefficients as they come.
 *
 * The last result is F(u3), an integer multiple of the monic minimal
 * polynomial f = F / lc(F), of degree d.  Each other variable comes back
 * as c*u_j + Q_j(u3), which stands for (f'(u3)/d)*u_j + Q_j(u3)/c = 0:
 * at every root t of f (here f has no repeated root),
 *   u_j = -Q_j(t) / (c * f'(t) / d),  with f' the derivative of the MONIC f
 * (F' would be lc(F) times too large).  The program then evaluates this
 * at the real roots of f and checks the solutions in the input equations. */
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

#define MAX_TERMS 64

/* Reads p as lead*u_j + sum of coef[e]*u3^e (j < 0: no u_j term); returns
 * the degree in u3. */
static int read_parametrisation(void* p, int j, double* coef, double* lead) {
  UI32 m = Zel_int_nb_terms(p), e[MAX_TERMS * N], t;
  mpz_srcptr* c = m <= MAX_TERMS ? Zel_int_export_poly_INT_gmp(N, m, e, p) : NULL;
  int deg = 0, k;
  if (c == NULL) {
    fprintf(stderr, "cannot read a result\n");
    exit(1);
  }
  for (k = 0; k < MAX_TERMS; k++) coef[k] = 0;
  *lead = 0;
  for (t = 0; t < m; t++) {
    if (j >= 0 && e[t * N + j] == 1) {
      *lead = mpz_get_d(c[t]);
      continue;
    }
    k = (int)e[t * N + N - 1];
    coef[k] = mpz_get_d(c[t]);
    if (k > deg) deg = k;
  }
  return deg;
}

static long double horner(const double* coef, int deg, long double t) {
  long double v = 0;
  int k;
  for (k = deg; k >= 0; k--) v = v * t + coef[k];
  return v;
}

/* The real roots of the polynomial, by bisection between the sign changes
 * on a fine grid up to the Cauchy bound of its roots. */
static int real_roots(const double* coef, int deg, long double* roots) {
  long double bound = 0, step, a, b, fa, fb;
  int k, found = 0;
  const int steps = 100000;
  for (k = 0; k < deg; k++) {
    long double r = coef[k] / coef[deg];
    if (r < 0) r = -r;
    if (r > bound) bound = r;
  }
  bound += 1;
  step = 2 * bound / steps;
  a = -bound;
  fa = horner(coef, deg, a);
  for (k = 1; k <= steps && found < deg; k++, a = b, fa = fb) {
    b = -bound + k * step;
    fb = horner(coef, deg, b);
    if (fa == 0) {
      roots[found++] = a;
    } else if (fb != 0 && (fa < 0) != (fb < 0)) {
      long double lo = a, hi = b, flo = fa;
      while (hi - lo > 1e-15L * (1 + (lo < 0 ? -lo : lo))) {
        long double mid = (lo + hi) / 2, fm = horner(coef, deg, mid);
        if ((fm < 0) == (flo < 0)) {
          lo = mid;
          flo = fm;
        } else {
          hi = mid;
        }
      }
      roots[found++] = (lo + hi) / 2;
    }
  }
  return found;
}

/* The value of the input polynomial p at the point u. */
static long double evaluate(void* p, const long double* u) {
  UI32 m = Zel_int_nb_terms(p), e[MAX_TERMS * N], t, j, k;
  mpz_srcptr* c = m <= MAX_TERMS ? Zel_int_export_poly_INT_gmp(N, m, e, p) : NULL;
  long double v = 0;
  if (c == NULL) {
    fprintf(stderr, "cannot read an input\n");
    exit(1);
  }
  for (t = 0; t < m; t++) {
    long double term = mpz_get_d(c[t]);
    for (j = 0; j < N; j++)
      for (k = 0; k < e[t * N + j]; k++) term *= u[j];
    v += term;
  }
  return v;
}

/* Reads the solutions off the parametrisation at the real roots of f and
 * checks them in the inputs; returns the number of roots, or -1 when a
 * solution does not satisfy the inputs. */
static int check_real_solutions(void** result, void** input, char** names) {
  double f[MAX_TERMS], df[MAX_TERMS], q[N - 1][MAX_TERMS], c[N - 1], lc;
  long double roots[MAX_TERMS], u[N];
  int d = read_parametrisation(result[N - 1], -1, f, &lc), k, r, j, i;
  lc = f[d];
  /* f' of the monic f = F / lc(F) */
  for (k = 1; k <= d; k++) df[k - 1] = k * f[k] / lc;
  for (j = 0; j + 1 < N; j++) read_parametrisation(result[j], j, q[j], &c[j]);
  r = real_roots(f, d, roots);
  for (k = 0; k < r; k++) {
    long double t = roots[k], dfdt = horner(df, d - 1, t);
    for (j = 0; j + 1 < N; j++) u[j] = -horner(q[j], d - 1, t) / (c[j] * dfdt / d);
    u[N - 1] = t;
    for (j = 0; j < N; j++) printf("%s%s = %.6Lf", j ? ", " : "", names[j], u[j]);
    printf("\n");
    for (i = 0; i < N; i++) {
      long double v = evaluate(input[i], u);
      if (v > 1e-9L || v < -1e-9L) {
        fprintf(stderr, "input %d is %Lg at this point, not 0\n", i, v);
        return -1;
      }
    }
  }
  return r;
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
  printf("real solutions:\n");
  if (check_real_solutions(result, input, names) <= 0) return 1;
  free(result);
  Zel_int_reset_memory();
  return 0;
}
