/* Input that used to crash the library: out-of-range sizes and indices,
 * input left unsorted, absurd thread counts, allocations and term counts,
 * recordings of bad calls, null handles and buffers.  Each case runs in a
 * child and must end with a clear message instead. */
#include <limits.h>
#include <sys/resource.h>

#include "child_case.h"
#include "zel_systems.h"

static void* result[100000];
static char marker[64];
static char* names[] = {marker, "b", "c"};

/* A session of three variables (recording on when asked). */
static void session(int record) {
  UI32 pr[1] = {65521};
  Zel_reset_memory();
  Zel_init_urgent(2, 2, "DRLDRL", 100000, record);
  Zel_init(1, 1, 0, NULL);
  Zel_reset_coeffs(1, pr);
  Zel_reset_expos(0, 3, names);
}

static int32_t shifts[] = {INT_MAX, -1}, none[] = {-1, -1}, nosp[] = {1, 0, -1, -1};
static uint16_t rows[16] = {1, 1};
static void minpoly_shift_near_int_max(void) { Zel_w_minpoly(65521, 2, shifts, nosp, rows); }

static I32 coords[4096], degrees[4096];
static void fglm(I32 D, I32 nvars) {
  UI32 p = 65521;
  I32 j;
  for (j = 0; j < nvars; j++) coords[j] = 0;
  Zel_w_fglm(D, none, none, nvars, coords, NULL, 1, degrees, &p, 0, 0, NULL, 0, 0, -1, -1, -1);
}
static void fglm_order_int_max(void) { fglm(INT_MAX, 1); }
#ifndef __SANITIZE_ADDRESS__ /* the sanitizer's allocator ends the process itself */
/* Room for 4096 results of 2^29 + 1 residues: more than any memory. */
static void fglm_results_beyond_memory(void) { fglm(1 << 29, 4096); }
#endif

static void* unsorted_input(void) {
  static const I32 e[3] = {1, 0, 0};
  void* h;
  session(0);
  h = Zel_creat_poly(2);
  Zel_set_expos2(h, 0, e, 3);
  Zel_set_coeff_I32(h, 0, 1);
  return h; /* term 1 left unset, full_sort_poly2 skipped */
}
static void groebner_on_unsorted_input(void) {
  void* h = unsorted_input();
  zs_groebner(&h, 1, result, 0, 0);
}
static void get_expos_of_unset_term(void) {
  I32 e[3];
  Zel_get_expos(unsorted_input(), 1, e);
}

/* A huge thread count is capped; the next computation runs normally. */
static void huge_thread_count(void) {
  zs_poly sys[4];
  void* in[4];
  int k;
  I32 n = Zel_internal_threads(100000);
  if (n < 1 || n >= 100000) exit(10);
  zs_session(0, 4, 65521, 0);
  zs_cyclic(4, sys);
  for (k = 0; k < 4; k++) {
    in[k] = zs_send(&sys[k]);
    zs_free(&sys[k]);
  }
  if (zs_groebner(in, 4, result, 0, 0) != 7) exit(11);
}

static void alloc64_near_2_64(void) {
  session(0);
  Zel_alloc64(UINT64_MAX - 8);
}

/* With recording on the arguments are checked before the recording reads
 * them: 100000 exponents are not read from an array of three. */
static void recorded_set_expos2_with_too_many_exponents(void) {
  static const I32 e[3] = {1, 2, 3};
  session(1);
  Zel_set_expos2(Zel_creat_poly(1), 0, e, 100000);
}
static void recorded_reset_expos_with_too_many_variables(void) {
  session(1);
  Zel_reset_expos(5000000, 5000000, names);
}

/* A term count of 4000000000 (what -1 or an overflowed count gives) is
 * refused before any of its storage is touched.  The address-space limit
 * (up to 8 GB more) only makes a missing refusal fail at once instead of
 * filling the machine's memory first. */
static void limit_address_space(void) {
#ifndef __SANITIZE_ADDRESS__ /* the sanitizer reserves far more than that */
  struct rlimit r;
  unsigned long long pages = 0;
  FILE* f = fopen("/proc/self/statm", "r");
  if (f == NULL || fscanf(f, "%llu", &pages) != 1) exit(20);
  fclose(f);
  r.rlim_cur = r.rlim_max = pages * (unsigned long long)sysconf(_SC_PAGESIZE) + (8ull << 30);
  if (setrlimit(RLIMIT_AS, &r) != 0) exit(21);
#endif
}
static void creat_poly_of_4000000000_terms(void) {
  limit_address_space();
  session(0);
  Zel_creat_poly(4000000000u);
}
static char* int_names[] = {"x", "y"};
static void int_creat_poly_of_4000000000_terms(void) {
  limit_address_space();
  Zel_int_reset_memory();
  Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
  Zel_int_init(1, 1, 0, NULL);
  Zel_int_reset_coeffs(5);
  Zel_int_reset_expos(2, 0, int_names);
  Zel_int_creat_poly(4000000000u);
}
/* Those records take 10 and 24 bytes a term: a machine with that much
 * memory may hold them. */
static int memory_below(unsigned long long bytes) {
  return (unsigned long long)sysconf(_SC_PHYS_PAGES) * (unsigned long long)sysconf(_SC_PAGESIZE) <
         bytes;
}

/* The rounded size would wrap to 0. */
static void align_vector_size_near_2_32(void) { exit((int)Zel_align_vector_size(0xFFFFFFFFu)); }
static void int_align_vector_size_near_2_32(void) {
  exit((int)Zel_int_align_vector_size(0xFFFFFFFDu));
}

static void nb_terms_of_null(void) { Zel_nb_terms(NULL); }
static void clone_of_null_row(void) { Zel_clone_ALGO_Dpol(NULL, NULL, 0); }
static void export_into_null_buffers(void) {
  static const int e[3] = {1, 0, 0};
  zs_poly f;
  void* h;
  session(0);
  zs_init(&f, 3);
  zs_add_term(&f, e, 1);
  h = zs_send(&f);
  zs_free(&f);
  Zel_export_poly(3, 1, NULL, NULL, h);
}

int main(void) {
  char cmd[256];
  snprintf(marker, sizeof marker, "crash_marker_%ld", (long)getpid());
  cc_expect("w_minpoly with a shift index near INT_MAX", minpoly_shift_near_int_max, 3,
            "copy row out of range");
  cc_expect("w_fglm with D = INT_MAX", fglm_order_int_max, 3, "matrix order out of range");
#ifndef __SANITIZE_ADDRESS__
  cc_expect("w_fglm with results beyond memory", fglm_results_beyond_memory, 3,
            "Zel_w_fglm: not enough memory");
#endif
  cc_expect("groebner on input never sorted", groebner_on_unsorted_input, 1,
            "whose terms were set after its last sort: call full_sort_poly2 first");
  cc_expect("get_expos of an unset term", get_expos_of_unset_term, 1,
            "get_expos of term 1, which is not set");
  cc_expect("internal_threads(100000)", huge_thread_count, 0, "");
  cc_expect("alloc64 near 2^64", alloc64_near_2_64, 1, "Not enough memory in alloc");
  cc_expect("recorded set_expos2 with 100000 exponents",
            recorded_set_expos2_with_too_many_exponents, 1, "100000 exponents given for 3 variables");
  cc_expect("recorded reset_expos with 10^7 variables",
            recorded_reset_expos_with_too_many_variables, 1, "at most 9999 variables");
  if (memory_below(40000000000ull))
    cc_expect("creat_poly(4000000000)", creat_poly_of_4000000000_terms, 1,
              "creat_poly(4000000000): its terms need");
  if (memory_below(96000000000ull))
    cc_expect("integer creat_poly(4000000000)", int_creat_poly_of_4000000000_terms, 1,
              "creat_poly(4000000000): its terms need");
  cc_expect("align_vector_size(0xFFFFFFFF)", align_vector_size_near_2_32, 1,
            "align_vector_size(4294967295): the aligned size does not fit in 32 bits");
  cc_expect("integer align_vector_size(0xFFFFFFFD)", int_align_vector_size_near_2_32, 1,
            "align_vector_size(4294967293): the aligned size does not fit in 32 bits");
  cc_expect("nb_terms(NULL)", nb_terms_of_null, 1, "null polynomial given to nb_terms");
  cc_expect("clone_ALGO_Dpol(NULL, ...)", clone_of_null_row, 1, "null row or code table");
  cc_expect("export_poly into null buffers", export_into_null_buffers, 1,
            "null output array given to export_poly");
  /* The recordings of this run's children hold the marker. */
  snprintf(cmd, sizeof cmd,
           "grep -l -s -F %s /tmp/zel_record_modp_* | xargs -r -d '\\n' rm -f", marker);
  if (system(cmd) != 0) cc_failures++;
  return cc_failures != 0;
}
