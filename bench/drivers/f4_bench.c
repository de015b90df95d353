/* Benchmark of the prime-field build through the C interface only: standard
 * systems modulo 65521 (cyclic-n, katsura-n, eco-n, noon-n), degree reverse
 * lexicographic order, with the given thread counts.  For each system and
 * thread count: one warm-up, then the median wall time of the runs, the
 * basis size and a hash of the basis (so that a fast wrong answer shows).
 * The C interface keeps the engine's messages silent, so the matrix sizes
 * come from the internal driver f4_systems_fp (bench/internal), whose hashes
 * are the same.
 *
 *   f4_bench [-r runs] [-t 1,4] [cyclic-8 katsura-10 ...]
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "call_zel.h"

#define PRIME 65521
#define MAXV 32
#define MAXT 4096

/* One polynomial being built: its terms' exponents and coefficients. */
typedef struct {
  int n;
  I32 e[MAXT][MAXV];
  I32 c[MAXT];
} Terms;

static int nvars;
static void* polys[MAXV + 2];
static int npolys;

static void term(Terms* t, const I32* e, I32 c) {
  memcpy(t->e[t->n], e, sizeof(I32) * MAXV);
  t->c[t->n++] = c;
}

static void send(Terms* t) {
  void* p = Zel_creat_poly((UI32)t->n);
  int i;
  for (i = 0; i < t->n; i++) {
    Zel_set_expos2(p, (UI32)i, t->e[i], (UI32)nvars);
    Zel_set_coeff_I32(p, (UI32)i, t->c[i]);
  }
  Zel_full_sort_poly2(p);
  polys[npolys++] = p;
  t->n = 0;
}

static Terms buf;

static void cyclic(int n) {
  I32 e[MAXV];
  int k, i, j;
  for (k = 1; k < n; k++) {
    for (i = 0; i < n; i++) {
      memset(e, 0, sizeof e);
      for (j = 0; j < k; j++) e[(i + j) % n] = 1;
      term(&buf, e, 1);
    }
    send(&buf);
  }
  memset(e, 0, sizeof e);
  for (j = 0; j < n; j++) e[j] = 1;
  term(&buf, e, 1);
  memset(e, 0, sizeof e);
  term(&buf, e, -1);
  send(&buf);
}

/* Variables u_0 .. u_n. */
static void katsura(int n) {
  I32 e[MAXV];
  int m, l;
  for (m = 0; m < n; m++) {
    for (l = -n; l <= n; l++) {
      int k = m - l;
      if (k < -n || k > n) continue;
      memset(e, 0, sizeof e);
      e[l < 0 ? -l : l]++;
      e[k < 0 ? -k : k]++;
      term(&buf, e, 1);
    }
    memset(e, 0, sizeof e);
    e[m] = 1;
    term(&buf, e, -1);
    send(&buf);
  }
  for (l = 0; l <= n; l++) {
    memset(e, 0, sizeof e);
    e[l] = 1;
    term(&buf, e, l == 0 ? 1 : 2);
  }
  memset(e, 0, sizeof e);
  term(&buf, e, -1);
  send(&buf);
}

/* (x_k + sum_{i=1}^{n-k-1} x_i x_{i+k}) x_n - k for k = 1 .. n-1, and
 * x_1 + ... + x_{n-1} + 1; x_i stored at i-1. */
static void eco(int n) {
  I32 e[MAXV];
  int k, i;
  for (k = 1; k <= n - 1; k++) {
    memset(e, 0, sizeof e);
    e[k - 1] = 1;
    e[n - 1] = 1;
    term(&buf, e, 1);
    for (i = 1; i + k <= n - 1; i++) {
      memset(e, 0, sizeof e);
      e[i - 1]++;
      e[i + k - 1]++;
      e[n - 1]++;
      term(&buf, e, 1);
    }
    memset(e, 0, sizeof e);
    term(&buf, e, -k);
    send(&buf);
  }
  for (i = 0; i + 1 < n; i++) {
    memset(e, 0, sizeof e);
    e[i] = 1;
    term(&buf, e, 1);
  }
  memset(e, 0, sizeof e);
  term(&buf, e, 1);
  send(&buf);
}

/* 10 x_i (sum_{j != i} x_j^2) - 11 x_i + 10. */
static void noon(int n) {
  I32 e[MAXV];
  int i, j;
  for (i = 0; i < n; i++) {
    for (j = 0; j < n; j++) {
      if (j == i) continue;
      memset(e, 0, sizeof e);
      e[i] = 1;
      e[j] += 2;
      term(&buf, e, 10);
    }
    memset(e, 0, sizeof e);
    e[i] = 1;
    term(&buf, e, -11);
    memset(e, 0, sizeof e);
    term(&buf, e, 10);
    send(&buf);
  }
}

/* Number of variables of a system, or 0 for an unknown name. */
static int variables_of(const char* name, int* size) {
  const char* dash = strrchr(name, '-');
  if (!dash) return 0;
  *size = atoi(dash + 1);
  if (*size < 2 || *size + 1 > MAXV) return 0;
  if (!strncmp(name, "cyclic-", 7)) return *size;
  if (!strncmp(name, "katsura-", 8)) return *size + 1;
  if (!strncmp(name, "eco-", 4)) return *size;
  if (!strncmp(name, "noon-", 5)) return *size;
  return 0;
}

static void make_system(const char* name, int size) {
  npolys = 0;
  if (!strncmp(name, "cyclic-", 7)) cyclic(size);
  if (!strncmp(name, "katsura-", 8)) katsura(size);
  if (!strncmp(name, "eco-", 4)) eco(size);
  if (!strncmp(name, "noon-", 5)) noon(size);
}

typedef struct {
  double seconds;
  unsigned basis;
  unsigned long long hash;
} Figures;

static double now(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

static unsigned long long mix(unsigned long long h, unsigned long long x) {
  return (h ^ x) * 1099511628211ULL;
}

static Figures run_once(const char* name, int size, int threads) {
  static char text[MAXV][8];
  static char* names[MAXV];
  static void* result[100000];
  UI32 prime[1] = {PRIME};
  struct sZEL_Comp_Desc request;
  Figures f;
  double cpu = 0, t0;
  UI32 n, i, t, j;

  memset(&f, 0, sizeof f);
  for (i = 0; i < (UI32)nvars; i++) {
    snprintf(text[i], sizeof text[i], "x%u", (unsigned)i);
    names[i] = text[i];
  }
  Zel_reset_memory();
  Zel_init_urgent(2, 2, "DRLDRL", 100000, 0);
  Zel_init(1, 0, 0, NULL);
  Zel_reset_coeffs(1, prime);
  Zel_reset_expos((UI32)nvars, 0, names);
  Zel_internal_threads(threads);
  make_system(name, size);
  memset(&request, 0, sizeof request);
  request._compute = ZEL_COMPUTE_GBASIS;
  request._aggressive2 = -1;
  request._dlim = -1;
  request._skip = -1;
  t0 = now();
  n = Zel_groebner(polys, (UI32)npolys, result, 1, 0, &cpu, 0, 8, 0, &request);
  f.seconds = now() - t0;
  f.basis = n;
  f.hash = 1469598103934665603ULL;
  for (i = 0; i < n; i++) {
    UI32 m = Zel_nb_terms(result[i]);
    UI32* e = malloc(sizeof(UI32) * (m * nvars + 1));
    UI32* c = malloc(sizeof(UI32) * (m + 1));
    if (Zel_export_poly((UI32)nvars, m, e, c, result[i]) == 1) {
      f.hash = mix(f.hash, m);
      for (t = 0; t < m; t++) {
        for (j = 0; j < (UI32)nvars; j++) f.hash = mix(f.hash, e[t * nvars + j]);
        f.hash = mix(f.hash, c[t]);
      }
    }
    free(e);
    free(c);
  }
  Zel_free_memory();
  return f;
}

static int by_time(const void* a, const void* b) {
  double x = ((const Figures*)a)->seconds, y = ((const Figures*)b)->seconds;
  return x < y ? -1 : x > y;
}

int main(int argc, char** argv) {
  static const char* defaults[] = {"cyclic-7", "cyclic-8", "katsura-10", "katsura-11", "eco-11"};
  const char* list[64];
  int nlist = 0, runs = 3, threads[16] = {1, 4}, nthreads = 2, a, s, k;
  for (a = 1; a < argc; a++) {
    if (!strcmp(argv[a], "-r") && a + 1 < argc) {
      runs = atoi(argv[++a]);
      if (runs < 1) runs = 1;
    } else if (!strcmp(argv[a], "-t") && a + 1 < argc) {
      char* tok = strtok(argv[++a], ",");
      nthreads = 0;
      while (tok && nthreads < 16) {
        threads[nthreads] = atoi(tok);
        if (threads[nthreads] < 1) threads[nthreads] = 1;
        nthreads++;
        tok = strtok(NULL, ",");
      }
    } else if (nlist < 64) {
      list[nlist++] = argv[a];
    }
  }
  if (nlist == 0)
    for (nlist = 0; nlist < 5; nlist++) list[nlist] = defaults[nlist];
  printf("%-12s %7s %10s %6s %18s\n", "system", "threads", "median s", "basis", "hash");
  for (s = 0; s < nlist; s++) {
    int size = 0;
    nvars = variables_of(list[s], &size);
    if (nvars == 0) {
      fprintf(stderr, "unknown system %s\n", list[s]);
      return 2;
    }
    for (k = 0; k < nthreads; k++) {
      Figures all[64], m;
      int r, nr = runs > 64 ? 64 : runs;
      run_once(list[s], size, threads[k]); /* warm-up */
      for (r = 0; r < nr; r++) all[r] = run_once(list[s], size, threads[k]);
      qsort(all, (size_t)nr, sizeof all[0], by_time);
      m = all[nr / 2];
      printf("%-12s %7d %10.3f %6u %018llx\n", list[s], threads[k], m.seconds, m.basis, m.hash);
      fflush(stdout);
    }
  }
  return 0;
}
