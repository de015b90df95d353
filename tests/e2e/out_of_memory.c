/* Memory limits (ulimit -v): a small request runs under a limit well below
 * a gigabyte, and a request of either build whose memory runs out ends with
 * a message and status 1, never a signal, on helper threads too.  Each case
 * runs in a child that sets its own RLIMIT_AS.  (Not under AddressSanitizer:
 * it reserves far more address space than any such limit.) */
#ifdef __SANITIZE_ADDRESS__
#include <stdio.h>
int main(void) {
  puts("skipped under AddressSanitizer");
  return 0;
}
#else
#include <sys/resource.h>

#include "child_case.h"
#include "zel_systems.h"

static void* result[100000];

static unsigned long long mapped_bytes(void) {
  unsigned long long pages = 0;
  FILE* f = fopen("/proc/self/statm", "r");
  if (f == NULL || fscanf(f, "%llu", &pages) != 1) exit(20);
  fclose(f);
  return pages * (unsigned long long)sysconf(_SC_PAGESIZE);
}

/* Lets the process map `room` bytes more than it has now. */
static void limit_to(unsigned long long room) {
  struct rlimit r;
  r.rlim_cur = r.rlim_max = mapped_bytes() + room;
  if (setrlimit(RLIMIT_AS, &r) != 0) exit(21);
}

static void send_katsura(int n, void** in) {
  zs_poly sys[16];
  int k;
  zs_katsura(n, sys);
  for (k = 0; k <= n; k++) {
    in[k] = zs_send(&sys[k]);
    zs_free(&sys[k]);
  }
}

/* {x0 - 3} under a limit set before the library's first allocation. */
static void small_request_under_a_limit(void) {
  static const int one[1] = {1}, none[1] = {0};
  zs_poly f;
  void* h;
  limit_to(512ull << 20);
  zs_session(0, 1, 65521, 0);
  zs_init(&f, 1);
  zs_add_term(&f, one, 1);
  zs_add_term(&f, none, 65521 - 3);
  h = zs_send(&f);
  zs_free(&f);
  if (zs_groebner(&h, 1, result, 0, 0) != 1) exit(10);
}

/* Katsura-10 through the rational-representation entry with 50 MB left
 * beside the zones (already reserved): the change of order's tables do not
 * fit. */
static void prime_field_request_beyond_memory(void) {
  void* in[11];
  double t = 0;
  zs_session(0, 11, 65521, 0);
  send_katsura(10, in);
  limit_to(50ull << 20);
  Zel_gbasis_rr_form(in, 11, result, &t);
}

/* {A x - B, y - x} with A and B of 100,000 digits and 5 MB left, well
 * below what its lifting needs. */
static void integer_request_beyond_memory(void) {
  static char* names[] = {"x", "y"};
  static const I32 x[2] = {1, 0}, y[2] = {0, 1}, one[2] = {0, 0};
  static char digits[100001];
  struct sZEL_Comp_Desc env;
  void* in[2];
  double t = 0;
  mpz_t c;
  memset(digits, '7', 100000);
  Zel_int_reset_memory();
  Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
  Zel_int_init(1, 1, 0, NULL);
  Zel_int_reset_coeffs(1);
  Zel_int_reset_expos(0, 2, names);
  mpz_init_set_str(c, digits, 10);
  in[0] = Zel_int_creat_poly(2);
  Zel_int_set_expos2(in[0], 0, x, 2);
  Zel_int_set_coeff_gmp(in[0], 0, c);
  mpz_sub_ui(c, c, 12345);
  Zel_int_set_expos2(in[0], 1, one, 2);
  Zel_int_set_coeff_gmp(in[0], 1, c);
  Zel_int_full_sort_poly2(in[0]);
  in[1] = Zel_int_creat_poly(2);
  mpz_set_si(c, 1);
  Zel_int_set_expos2(in[1], 0, y, 2);
  Zel_int_set_coeff_gmp(in[1], 0, c);
  mpz_set_si(c, -1);
  Zel_int_set_expos2(in[1], 1, x, 2);
  Zel_int_set_coeff_gmp(in[1], 1, c);
  Zel_int_full_sort_poly2(in[1]);
  mpz_clear(c);
  memset(&env, 0, sizeof env);
  env._compute = ZEL_COMPUTE_GBASIS;
  env._aggressive2 = -1;
  env._dlim = -1;
  env._skip = -1;
  limit_to(5ull << 20);
  Zel_int_groebner(in, 2, result, 1, 0, &t, 0, -1, 0, &env);
}

static void mix(unsigned long long* h, unsigned long long x) { *h = (*h ^ x) * 1099511628211ULL; }

/* Katsura-8 on 4 threads with `sweep_room` bytes left (none: no limit);
 * writes the basis's size and hash to standard error. */
static unsigned long long sweep_room = 0;
static void katsura8_on_4_threads(void) {
  static UI32 e[9 << 13], c[1 << 13];
  void* in[9];
  unsigned long long hash = 1469598103934665603ULL;
  UI32 n, i, t;
  zs_session(0, 9, 65521, 0);
  Zel_internal_threads(4);
  send_katsura(8, in);
  if (sweep_room != 0) limit_to(sweep_room);
  n = zs_groebner(in, 9, result, 0, 0);
  for (i = 0; i < n; i++) {
    const UI32 m = Zel_nb_terms(result[i]);
    if (m > sizeof c / sizeof c[0]) exit(22);
    Zel_export_poly(9, m, e, c, result[i]);
    mix(&hash, m);
    for (t = 0; t < 9 * m; t++) mix(&hash, e[t]);
    for (t = 0; t < m; t++) mix(&hash, c[t]);
  }
  fprintf(stderr, "basis of %u polynomials, hash %llx\n", (unsigned)n, hash);
}

/* Katsura-8 on 4 threads with 46 to 57 MB left, in steps of 256 KB: each
 * run ends with the basis, or with status 1 and a message (out of memory,
 * or no room for a helper thread's stack), wherever the memory runs out:
 * in a helper's task too, or in the calling thread's while helpers still
 * work. */
static void threaded_request_under_limits(void) {
  static char err[1 << 16], answer[256];
  const char* line;
  const int failures = cc_failures;
  unsigned kb;
  sweep_room = 0;
  if (cc_run(katsura8_on_4_threads, err, sizeof err) != 0 ||
      (line = strstr(err, "basis of")) == NULL) {
    fprintf(stderr, "FAILED katsura-8 on 4 threads without a limit:\n%s\n", err);
    cc_failures++;
    return;
  }
  snprintf(answer, sizeof answer, "%.*s", (int)strcspn(line, "\n"), line);
  for (kb = 46 << 10; kb <= 57 << 10; kb += 256) {
    int got;
    sweep_room = (unsigned long long)kb << 10;
    got = cc_run(katsura8_on_4_threads, err, sizeof err);
    if ((got == 0 && strstr(err, answer) != NULL) ||
        (got == 1 && (strstr(err, "memory") != NULL || strstr(err, "out of resources") != NULL)))
      continue;
    fprintf(stderr,
            "FAILED katsura-8 on 4 threads with %u KB left: status %d, expected 0 with \"%s\" "
            "or 1 with a message of memory in:\n%s\n",
            kb, got, answer, err);
    cc_failures++;
  }
  if (cc_failures == failures) printf("ok katsura-8 on 4 threads under limits\n");
}

int main(void) {
  cc_expect("{x0 - 3} with 512 MB of address space", small_request_under_a_limit, 0, "");
  cc_expect("prime-field request beyond memory", prime_field_request_beyond_memory, 1, "memory");
  cc_expect("integer request beyond memory", integer_request_beyond_memory, 1, "memory");
  threaded_request_under_limits();
  return cc_failures != 0;
}
#endif
