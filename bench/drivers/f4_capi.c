/* Benchmark driver of the prime-field build through the C interface only
 * (call_zel.h): standard systems modulo 65521 for given thread counts.  For
 * each system and thread count it prints the median wall time of several
 * runs (after one warm-up), the basis size and a hash of the basis, so that
 * a fast wrong answer shows.  The matrix statistics of each step are only
 * visible to the internal driver (bench/internal/f4_systems.cpp).
 *
 *   f4_capi [-r runs] [-t 1,4] [system ...]    systems: cyclic-7 katsura-10 ... */
#include <time.h>

#include "../../tests/support/zel_systems.h"

typedef struct {
  double seconds;
  UI32 basis;
  unsigned long long hash;
} figures;

static double wall(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + 1e-9 * (double)t.tv_nsec;
}

static void mix(unsigned long long* h, unsigned long long x) {
  *h = (*h ^ x) * 1099511628211ULL;
}

static figures run_once(const char* kind, int n, int threads) {
  zs_poly sys[64];
  void* in[64];
  void** out = (void**)malloc(sizeof(void*) * 100000);
  int k, count, nvars;
  UI32 i, t;
  double t0;
  figures f;
  count = strcmp(kind, "cyclic") == 0 ? zs_cyclic(n, sys) : zs_katsura(n, sys);
  nvars = sys[0].nvars;
  zs_session(0, (UI32)nvars, 65521, 0);
  Zel_internal_threads(threads);
  for (k = 0; k < count; k++) {
    in[k] = zs_send(&sys[k]);
    zs_free(&sys[k]);
  }
  t0 = wall();
  f.basis = zs_groebner(in, (UI32)count, out, 0, 0);
  f.seconds = wall() - t0;
  f.hash = 1469598103934665603ULL;
  for (i = 0; i < f.basis; i++) {
    UI32 m = Zel_nb_terms(out[i]);
    UI32* e = (UI32*)malloc(sizeof(UI32) * ((size_t)m * (size_t)nvars + 1));
    UI32* c = (UI32*)malloc(sizeof(UI32) * ((size_t)m + 1));
    Zel_export_poly((UI32)nvars, m, e, c, out[i]);
    mix(&f.hash, m);
    for (t = 0; t < m * (UI32)nvars; t++) mix(&f.hash, e[t]);
    for (t = 0; t < m; t++) mix(&f.hash, c[t]);
    free(e);
    free(c);
  }
  free(out);
  return f;
}

static int by_time(const void* a, const void* b) {
  double x = ((const figures*)a)->seconds, y = ((const figures*)b)->seconds;
  return x < y ? -1 : x > y;
}

int main(int argc, char** argv) {
  int runs = 3, threads[16] = {1, 4}, nthreads = 2, nnames = 0, i, k, r;
  const char* names[64];
  const char* defaults[] = {"cyclic-7", "katsura-10", "katsura-11"};
  for (i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "-r") && i + 1 < argc) {
      runs = atoi(argv[++i]);
      if (runs < 1) runs = 1;
    } else if (!strcmp(argv[i], "-t") && i + 1 < argc) {
      char* s;
      nthreads = 0;
      for (s = strtok(argv[++i], ","); s && nthreads < 16; s = strtok(NULL, ","))
        threads[nthreads++] = atoi(s) > 0 ? atoi(s) : 1;
    } else if (nnames < 64) {
      names[nnames++] = argv[i];
    }
  }
  if (nnames == 0)
    for (nnames = 0; nnames < 3; nnames++) names[nnames] = defaults[nnames];
  printf("%-12s %7s %10s %6s %18s\n", "system", "threads", "median s", "basis", "hash");
  for (i = 0; i < nnames; i++) {
    char kind[32];
    const char* dash = strrchr(names[i], '-');
    int n = dash ? atoi(dash + 1) : 0;
    size_t len = dash ? (size_t)(dash - names[i]) : 0;
    if (!dash || len >= sizeof kind || n < 2 || n > 40) {
      fprintf(stderr, "unknown system %s\n", names[i]);
      return 2;
    }
    memcpy(kind, names[i], len);
    kind[len] = 0;
    if (strcmp(kind, "cyclic") && strcmp(kind, "katsura")) {
      fprintf(stderr, "unknown system %s (cyclic-n or katsura-n)\n", names[i]);
      return 2;
    }
    for (k = 0; k < nthreads; k++) {
      figures all[64];
      int nr = runs < 64 ? runs : 64;
      run_once(kind, n, threads[k]); /* warm-up */
      for (r = 0; r < nr; r++) all[r] = run_once(kind, n, threads[k]);
      qsort(all, (size_t)nr, sizeof all[0], by_time);
      printf("%-12s %7d %10.3f %6u %018llx\n", names[i], threads[k], all[nr / 2].seconds,
             (unsigned)all[nr / 2].basis, all[nr / 2].hash);
      fflush(stdout);
    }
  }
  Zel_free_memory();
  return 0;
}
