/* Input that used to give a wrong answer without an error: aggressive
 * elimination, a composite modulus for the sparse entries, a session
 * changed under polynomials already entered, normal forms of no polynomial
 * and a coefficient without exponents.  Each case runs in a child. */
#include "child_case.h"
#include "zel_systems.h"

static void* result[100000];

/* A digest of the basis result[0 .. n) of cyclic-6 that does not depend on
 * the order of the polynomials: the sum of their hashes. */
static unsigned long long digest(UI32 n) {
  static UI32 e[6 * 4096], c[4096];
  unsigned long long all = n;
  UI32 i, j;
  for (i = 0; i < n; i++) {
    unsigned long long h = 1469598103934665603ull;
    UI32 m = Zel_nb_terms(result[i]);
    if (m > 4096 || Zel_export_poly(6, m, e, c, result[i]) != 1) exit(20);
    for (j = 0; j < 6 * m; j++) h = (h ^ e[j]) * 1099511628211ull;
    for (j = 0; j < m; j++) h = (h ^ c[j]) * 1099511628211ull;
    all += h;
  }
  return all;
}

static UI32 cyclic6(int aggressive) {
  zs_poly sys[6];
  void* in[6];
  struct sZEL_Comp_Desc env;
  double t;
  int k;
  zs_session(0, 6, 65521, 0);
  zs_cyclic(6, sys);
  for (k = 0; k < 6; k++) {
    in[k] = zs_send(&sys[k]);
    zs_free(&sys[k]);
  }
  memset(&env, 0, sizeof env);
  env._compute = ZEL_COMPUTE_GBASIS;
  env._aggressive2 = aggressive;
  env._dlim = -1;
  env._skip = -1;
  return Zel_groebner(in, 6, result, 1, 0, &t, 0, 8, 0, &env);
}

/* Aggressive elimination skips rows of cyclic-6 that do not reduce to zero:
 * the library completes the basis, which must be the reduced basis. */
static void aggressive_gives_the_basis(void) {
  UI32 n = cyclic6(-1);
  unsigned long long plain = digest(n);
  UI32 m = cyclic6(1);
  if (n != 45 || m != 45 || digest(m) != plain) {
    fprintf(stderr, "aggressive: %u polynomials, plain: %u\n", (unsigned)m, (unsigned)n);
    exit(10);
  }
}

/* The sparse entries need a prime modulus: 25 gives no inverses. */
static int32_t pairs[] = {0, 1, -1, -1}, nosp[] = {1, 0, -1, -1};
static uint16_t rows[16] = {1, 1};
static void minpoly2_modulo_25(void) {
  UI32 p = 25;
  Zel_w_minpoly2(&p, 2, pairs, nosp, rows, 0);
}

/* x0 + 2 x1 + 3 x2 in a session of three variables. */
static void* one_input(void) {
  static const int e[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  zs_poly f;
  void* h;
  int k;
  zs_session(0, 3, 65521, 0);
  zs_init(&f, 3);
  for (k = 0; k < 3; k++) zs_add_term(&f, e[k], k + 1);
  h = zs_send(&f);
  zs_free(&f);
  return h;
}

static char* names[] = {"a", "b", "c", "d"};
static void more_variables_after_input(void) {
  one_input();
  Zel_reset_expos(0, 4, names);
}
static void fewer_variables_after_input(void) {
  one_input();
  Zel_reset_expos(0, 2, names);
}
static void other_prime_after_input(void) {
  UI32 pr[1] = {32003};
  one_input();
  Zel_reset_coeffs(1, pr);
}
/* The same variables and prime again change nothing: accepted. */
static void same_session_again(void) {
  UI32 pr[1] = {65521};
  void* h = one_input();
  Zel_reset_coeffs(1, pr);
  Zel_reset_expos(0, 3, names);
  if (zs_groebner(&h, 1, result, 0, 0) != 1) exit(10);
}
static void handle_from_before_a_reset(void) {
  void* h = one_input();
  zs_session(0, 3, 65521, 0);
  zs_groebner(&h, 1, result, 0, 0);
}

/* The integer build keeps its own table of handles. */
static char* int_names[] = {"x", "y"};
static void int_session(void) {
  Zel_int_reset_memory();
  Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
  Zel_int_init(1, 1, 0, NULL);
  Zel_int_reset_coeffs(5);
  Zel_int_reset_expos(2, 0, int_names);
}
static void* int_input(void) {
  static const I32 e[2][2] = {{1, 0}, {0, 1}};
  static const I32 one[2] = {1, 1};
  void* h;
  UI32 t;
  int_session();
  h = Zel_int_creat_poly(2);
  for (t = 0; t < 2; t++) {
    Zel_int_set_expos2(h, t, e[t], 2);
    Zel_int_set_coeff_raw(h, t, one, 2);
  }
  return h;
}
static void int_groebner(void* h) {
  struct sZEL_Comp_Desc env;
  double t;
  memset(&env, 0, sizeof env);
  env._compute = ZEL_COMPUTE_GBASIS;
  env._off = -1;
  Zel_int_groebner(&h, 1, result, 1, 0, &t, 0, -1, 0, &env);
}
static void int_sorted_input(void) {
  void* h = int_input();
  Zel_int_full_sort_poly2(h);
  int_groebner(h);
}
static void int_unsorted_input(void) { int_groebner(int_input()); }
static void int_handle_from_before_a_reset(void) {
  void* h = int_input();
  Zel_int_full_sort_poly2(h);
  int_session();
  int_groebner(h);
}

/* Modes 6 and 7 with _nb = 0, as a zeroed compute record gives: nothing to
 * reduce.  The system {x0 - 1, x1^2 - 2} is zero-dimensional. */
static I32 nf_mode;
static void normal_forms_of_nothing(void) {
  static const int x0[2] = {1, 0}, x1x1[2] = {0, 2}, one[2] = {0, 0};
  zs_poly f[2];
  void* in[2];
  struct sZEL_Comp_Desc env;
  double t;
  int k;
  zs_session(0, 2, 65521, 0);
  zs_init(&f[0], 2);
  zs_add_term(&f[0], x0, 1);
  zs_add_term(&f[0], one, -1);
  zs_init(&f[1], 2);
  zs_add_term(&f[1], x1x1, 1);
  zs_add_term(&f[1], one, -2);
  for (k = 0; k < 2; k++) {
    in[k] = zs_send(&f[k]);
    zs_free(&f[k]);
  }
  memset(&env, 0, sizeof env);
  env._compute = nf_mode;
  Zel_groebner(in, 2, result, 1, 0, &t, 0, 8, 0, &env);
}
static void* int_binomial(const I32* e, const char* c) {
  static const I32 one[2] = {0, 0};
  void* h = Zel_int_creat_poly(2);
  Zel_int_set_expos2(h, 0, e, 2);
  Zel_int_set_coeff_gmp_str(h, 0, "1");
  Zel_int_set_expos2(h, 1, one, 2);
  Zel_int_set_coeff_gmp_str(h, 1, c);
  Zel_int_full_sort_poly2(h);
  return h;
}
static void int_normal_forms_of_nothing(void) {
  static const I32 x[2] = {1, 0}, yy[2] = {0, 2};
  struct sZEL_Comp_Desc env;
  double t;
  void* in[2];
  int_session();
  in[0] = int_binomial(x, "-1");
  in[1] = int_binomial(yy, "-2");
  memset(&env, 0, sizeof env);
  env._compute = nf_mode;
  env._off = -1;
  Zel_int_groebner(in, 2, result, 1, 0, &t, 0, -1, 0, &env);
}

/* x - 1 whose constant term got its coefficient but no set_expos2: the
 * term is refused, not dropped. */
static void constant_without_exponents(void) {
  static const I32 x[1] = {1};
  void* h;
  zs_session(0, 1, 65521, 0);
  h = Zel_creat_poly(2);
  Zel_set_expos2(h, 0, x, 1);
  Zel_set_coeff_I32(h, 0, 1);
  Zel_set_coeff_I32(h, 1, -1);
  Zel_full_sort_poly2(h);
}
static void int_constant_without_exponents(void) {
  static const I32 x[2] = {1, 0};
  void* h;
  int_session();
  h = Zel_int_creat_poly(2);
  Zel_int_set_expos2(h, 0, x, 2);
  Zel_int_set_coeff_gmp_str(h, 0, "1");
  Zel_int_set_coeff_gmp_str(h, 1, "-1");
  Zel_int_full_sort_poly2(h);
}

int main(void) {
  cc_expect("aggressive elimination gives the reduced basis", aggressive_gives_the_basis, 0,
            "completing the basis");
  cc_expect("w_minpoly2 modulo 25", minpoly2_modulo_25, 3, "not a prime");
  cc_expect("reset_expos with more variables after input", more_variables_after_input, 1,
            "reset_expos(0,4) after polynomials were entered");
  cc_expect("reset_expos with fewer variables after input", fewer_variables_after_input, 1,
            "reset_expos(0,2) after polynomials were entered");
  cc_expect("reset_coeffs to another prime after input", other_prime_after_input, 1,
            "reset_coeffs to the prime 32003 after polynomials were entered modulo 65521");
  cc_expect("the same variables and prime again", same_session_again, 0, "");
  cc_expect("groebner on a handle from before a reset", handle_from_before_a_reset, 1,
            "groebner was given a polynomial that is not a handle of this session");
  cc_expect("integer groebner on a sorted handle", int_sorted_input, 0, "");
  cc_expect("integer groebner on an unsorted handle", int_unsorted_input, 1,
            "call full_sort_poly2 first");
  cc_expect("integer groebner on a handle from before a reset", int_handle_from_before_a_reset,
            1, "groebner was given a polynomial that is not a handle of this session");
  for (nf_mode = ZEL_COMPUTE_GBASIS_NF; nf_mode <= ZEL_COMPUTE_GBASIS_NF_RECOMPUTE; nf_mode++) {
    cc_expect("modes 6 and 7 with _nb = 0", normal_forms_of_nothing, 1,
              "needs at least one polynomial to reduce");
    cc_expect("integer modes 6 and 7 with _nb = 0", int_normal_forms_of_nothing, 1,
              "needs at least one polynomial to reduce");
  }
  cc_expect("a constant term without exponents", constant_without_exponents, 1,
            "full_sort_poly2 was given polynomial 0 whose term 1 has a coefficient but no "
            "exponents");
  cc_expect("an integer constant term without exponents", int_constant_without_exponents, 1,
            "full_sort_poly2 was given polynomial 0 whose term 1 has a coefficient but no "
            "exponents");
  return cc_failures != 0;
}
