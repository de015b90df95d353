/* Benchmark of the prime-field build through the C interface only: standard
 * systems modulo 65521 (cyclic-n, katsura-n, eco-n, noon-n), linear systems
 * in many variables (linear-n) and the trivial system x0 - 1, degree reverse
 * lexicographic order, with the given thread counts.
 *
 * Every run is a process of its own (this program started again), so the
 * figures are whole-process ones: wall time from start to exit, including
 * loading the library and the session set-up, and peak resident memory.
 * For each system and thread count: one warm-up, then the median of the
 * runs, the basis size and a hash of the basis (so that a fast wrong answer
 * shows).  The C interface keeps the engine's messages silent, so the matrix
 * sizes come from the internal driver f4_systems_fp, whose hashes agree.
 *
 * With -p the peer `mgb` (Debian package mathicgb) runs the same system,
 * written to NAME.ideal in a temporary directory, as
 *   mgb gb NAME -reducer 26 -threadCount T -outputResult off
 * alternating with our runs; the ratios are ours over the peer's median,
 * of the wall time and of the processor time (user and system, all
 * threads; on a loaded machine the steadier of the two).  The
 * peer's input names variables by single letters, so it runs on systems of
 * at most 52 variables.
 *
 *   f4_bench [-r runs] [-t 1,4] [-p] [system ...]
 */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "call_zel.h"

#define PRIME 65521
#define PEER_MAX_VARS 52

/* The system being built: its polynomials' terms, exponents row by row. */
static int nvars;
static int npolys;
static int nterms, cap_terms;
static I32* term_exps;  /* nterms rows of nvars exponents */
static I32* term_coef;
static int* poly_end;   /* end (in terms) of each polynomial */
static int cap_polys;

static void* xalloc(size_t n) {
  void* p = calloc(n ? n : 1, 1);
  if (!p) {
    fprintf(stderr, "out of memory\n");
    exit(2);
  }
  return p;
}

static void start_system(int n) {
  nvars = n;
  npolys = nterms = 0;
  free(term_exps);
  free(term_coef);
  free(poly_end);
  cap_terms = 1024;
  cap_polys = 64;
  term_exps = xalloc(sizeof(I32) * (size_t)cap_terms * (size_t)n);
  term_coef = xalloc(sizeof(I32) * (size_t)cap_terms);
  poly_end = xalloc(sizeof(int) * (size_t)cap_polys);
}

/* Appends a zero exponent row and returns it; the term's coefficient is c. */
static I32* term(I32 c) {
  I32* e;
  if (nterms == cap_terms) {
    cap_terms *= 2;
    term_exps = realloc(term_exps, sizeof(I32) * (size_t)cap_terms * (size_t)nvars);
    term_coef = realloc(term_coef, sizeof(I32) * (size_t)cap_terms);
    if (!term_exps || !term_coef) {
      fprintf(stderr, "out of memory\n");
      exit(2);
    }
  }
  e = term_exps + (size_t)nterms * (size_t)nvars;
  memset(e, 0, sizeof(I32) * (size_t)nvars);
  term_coef[nterms++] = c;
  return e;
}

static void end_poly(void) {
  if (npolys == cap_polys) {
    cap_polys *= 2;
    poly_end = realloc(poly_end, sizeof(int) * (size_t)cap_polys);
    if (!poly_end) exit(2);
  }
  poly_end[npolys++] = nterms;
}

static void cyclic(int n) {
  int k, i, j;
  start_system(n);
  for (k = 1; k < n; k++) {
    for (i = 0; i < n; i++) {
      I32* e = term(1);
      for (j = 0; j < k; j++) e[(i + j) % n] = 1;
    }
    end_poly();
  }
  {
    I32* e = term(1);
    for (j = 0; j < n; j++) e[j] = 1;
  }
  term(-1);
  end_poly();
}

/* Variables u_0 .. u_n. */
static void katsura(int n) {
  int m, l;
  start_system(n + 1);
  for (m = 0; m < n; m++) {
    for (l = -n; l <= n; l++) {
      int k = m - l;
      I32* e;
      if (k < -n || k > n) continue;
      e = term(1);
      e[l < 0 ? -l : l]++;
      e[k < 0 ? -k : k]++;
    }
    term(-1)[m] = 1;
    end_poly();
  }
  for (l = 0; l <= n; l++) term(l == 0 ? 1 : 2)[l] = 1;
  term(-1);
  end_poly();
}

/* (x_k + sum_{i=1}^{n-k-1} x_i x_{i+k}) x_n - k for k = 1 .. n-1, and
 * x_1 + ... + x_{n-1} + 1; x_i stored at i-1. */
static void eco(int n) {
  int k, i;
  start_system(n);
  for (k = 1; k <= n - 1; k++) {
    I32* e = term(1);
    e[k - 1] = 1;
    e[n - 1] = 1;
    for (i = 1; i + k <= n - 1; i++) {
      e = term(1);
      e[i - 1]++;
      e[i + k - 1]++;
      e[n - 1]++;
    }
    term(-k);
    end_poly();
  }
  for (i = 0; i + 1 < n; i++) term(1)[i] = 1;
  term(1);
  end_poly();
}

/* 10 x_i (sum_{j != i} x_j^2) - 11 x_i + 10. */
static void noon(int n) {
  int i, j;
  start_system(n);
  for (i = 0; i < n; i++) {
    for (j = 0; j < n; j++) {
      I32* e;
      if (j == i) continue;
      e = term(10);
      e[i] = 1;
      e[j] += 2;
    }
    term(-11)[i] = 1;
    term(10);
    end_poly();
  }
}

/* x_i + x_{n-1} + (i + 1) for i = 0 .. n-2: distinct leading variables and
 * tails in the last one, so the system is its own reduced basis and every
 * pair is discarded by the criteria. */
static void linear(int n) {
  int i;
  start_system(n);
  for (i = 0; i + 1 < n; i++) {
    term(1)[i] = 1;
    term(1)[n - 1] = 1;
    term(i + 1);
    end_poly();
  }
}

/* x0 - 1: what a call costs when there is nothing to compute. */
static void trivial(void) {
  start_system(1);
  term(1)[0] = 1;
  term(-1);
  end_poly();
}

/* Builds the named system; 0 for an unknown name. */
static int make_system(const char* name) {
  const char* dash = strrchr(name, '-');
  int size = dash ? atoi(dash + 1) : 0;
  if (!strcmp(name, "trivial")) {
    trivial();
    return 1;
  }
  if (size < 2 || size > 100000) return 0;
  if (!strncmp(name, "cyclic-", 7)) cyclic(size);
  else if (!strncmp(name, "katsura-", 8)) katsura(size);
  else if (!strncmp(name, "eco-", 4)) eco(size);
  else if (!strncmp(name, "noon-", 5)) noon(size);
  else if (!strncmp(name, "linear-", 7)) linear(size);
  else return 0;
  return 1;
}

static double now(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

static unsigned long long mix(unsigned long long h, unsigned long long x) {
  return (h ^ x) * 1099511628211ULL;
}

/* One computation in this process; prints "seconds basis hash" on stdout. */
static int child_run(const char* name, int threads) {
  char** names;
  void** polys;
  void** result = xalloc(sizeof(void*) * 100000);
  UI32 prime[1] = {PRIME};
  struct sZEL_Comp_Desc request;
  double cpu = 0, t0, seconds;
  unsigned long long hash = 1469598103934665603ULL;
  UI32 n, i, t, j;
  int k;

  if (!make_system(name)) return 2;
  names = xalloc(sizeof(char*) * (size_t)nvars);
  for (k = 0; k < nvars; k++) {
    names[k] = xalloc(16);
    snprintf(names[k], 16, "x%d", k);
  }
  Zel_reset_memory();
  Zel_init_urgent(2, 2, "DRLDRL", 100000, 0);
  Zel_init(1, 0, 0, NULL);
  Zel_reset_coeffs(1, prime);
  Zel_reset_expos((UI32)nvars, 0, names);
  Zel_internal_threads(threads);
  polys = xalloc(sizeof(void*) * (size_t)npolys);
  for (k = 0; k < npolys; k++) {
    int first = k ? poly_end[k - 1] : 0, m;
    void* p = Zel_creat_poly((UI32)(poly_end[k] - first));
    for (m = first; m < poly_end[k]; m++) {
      Zel_set_expos2(p, (UI32)(m - first), term_exps + (size_t)m * (size_t)nvars, (UI32)nvars);
      Zel_set_coeff_I32(p, (UI32)(m - first), term_coef[m]);
    }
    Zel_full_sort_poly2(p);
    polys[k] = p;
  }
  memset(&request, 0, sizeof request);
  request._compute = ZEL_COMPUTE_GBASIS;
  request._aggressive2 = -1;
  request._dlim = -1;
  request._skip = -1;
  t0 = now();
  n = Zel_groebner(polys, (UI32)npolys, result, 1, 0, &cpu, 0, 8, 0, &request);
  seconds = now() - t0;
  for (i = 0; i < n; i++) {
    UI32 m = Zel_nb_terms(result[i]);
    UI32* e = xalloc(sizeof(UI32) * ((size_t)m * (size_t)nvars + 1));
    UI32* c = xalloc(sizeof(UI32) * (m + 1));
    if (Zel_export_poly((UI32)nvars, m, e, c, result[i]) == 1) {
      hash = mix(hash, m);
      for (t = 0; t < m; t++) {
        for (j = 0; j < (UI32)nvars; j++) hash = mix(hash, e[t * nvars + j]);
        hash = mix(hash, c[t]);
      }
    }
    free(e);
    free(c);
  }
  Zel_free_memory();
  printf("%.6f %u %llu\n", seconds, (unsigned)n, hash);
  return 0;
}

typedef struct {
  double seconds;   /* whole process, wall time */
  double cpu;       /* whole process, user and system time of all threads */
  double call;      /* the groebner call alone (ours) */
  double peak_mb;   /* peak resident memory */
  unsigned basis;
  unsigned long long hash;
  int ok;
} Figures;

/* Runs argv as a child process, its stdout into `out` (may be null), and
 * measures its wall time and peak resident memory. */
static Figures run_process(char* const* argv, char* out, size_t cap, int quiet) {
  Figures f;
  int fd[2], status = 0;
  size_t used = 0;
  double t0;
  pid_t pid;
  struct rusage ru;
  memset(&f, 0, sizeof f);
  if (pipe(fd) != 0) return f;
  t0 = now();
  pid = fork();
  if (pid < 0) return f;
  if (pid == 0) {
    dup2(fd[1], 1);
    if (quiet) {
      FILE* devnull = freopen("/dev/null", "w", stderr);
      (void)devnull;
    }
    close(fd[0]);
    close(fd[1]);
    execvp(argv[0], argv);
    _exit(127);
  }
  close(fd[1]);
  for (;;) {
    char tmp[4096];
    ssize_t r = read(fd[0], tmp, sizeof tmp);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    if (out && used + (size_t)r < cap) {
      memcpy(out + used, tmp, (size_t)r);
      used += (size_t)r;
    }
  }
  close(fd[0]);
  if (out) out[used] = 0;
  if (wait4(pid, &status, 0, &ru) < 0) return f;
  f.seconds = now() - t0;
  f.cpu = ru.ru_utime.tv_sec + ru.ru_utime.tv_usec * 1e-6 + ru.ru_stime.tv_sec +
          ru.ru_stime.tv_usec * 1e-6;
  f.peak_mb = ru.ru_maxrss / 1024.0;
  f.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return f;
}

static char self_path[4096];

static Figures run_ours(const char* name, int threads) {
  char tbuf[16], out[256];
  char* argv[5];
  Figures f;
  unsigned long long h = 0;
  snprintf(tbuf, sizeof tbuf, "%d", threads);
  argv[0] = self_path;
  argv[1] = "--child";
  argv[2] = (char*)name;
  argv[3] = tbuf;
  argv[4] = NULL;
  f = run_process(argv, out, sizeof out, 0);
  if (f.ok && sscanf(out, "%lf %u %llu", &f.call, &f.basis, &h) == 3)
    f.hash = h;
  else
    f.ok = 0;
  return f;
}

/* Writes the current system as dir/name.ideal in the peer's format; 0 when
 * it cannot be written that way. */
static int write_peer_input(const char* dir, const char* name) {
  static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  char path[4200];
  FILE* f;
  int k, m, v;
  if (nvars > PEER_MAX_VARS) return 0;
  snprintf(path, sizeof path, "%s/%s.ideal", dir, name);
  f = fopen(path, "w");
  if (!f) return 0;
  fprintf(f, "%d %d 1\n", PRIME, nvars);
  for (v = 0; v < nvars; v++) fprintf(f, v ? " 1" : "1");
  fprintf(f, "\n%d\n", npolys);
  for (k = 0; k < npolys; k++) {
    int first = k ? poly_end[k - 1] : 0, written = 0;
    for (m = first; m < poly_end[k]; m++) {
      const I32* e = term_exps + (size_t)m * (size_t)nvars;
      I32 c = term_coef[m];
      int constant = 1, earlier = 0, later;
      /* The peer does not merge equal monomials: write each once, with the
       * sum of its coefficients. */
      for (later = first; later < m && !earlier; later++)
        earlier = !memcmp(e, term_exps + (size_t)later * (size_t)nvars, sizeof(I32) * (size_t)nvars);
      if (earlier) continue;
      for (later = m + 1; later < poly_end[k]; later++)
        if (!memcmp(e, term_exps + (size_t)later * (size_t)nvars, sizeof(I32) * (size_t)nvars))
          c += term_coef[later];
      if (c == 0) continue;
      for (v = 0; v < nvars; v++) constant &= e[v] == 0;
      if (c < 0)
        fputc('-', f);
      else if (written)
        fputc('+', f);
      written = 1;
      if (c < 0) c = -c;
      if (c != 1 || constant) fprintf(f, "%d", (int)c);
      for (v = 0; v < nvars; v++) {
        if (e[v] == 0) continue;
        fputc(letters[v], f);
        if (e[v] > 1) fprintf(f, "%d", (int)e[v]);
      }
    }
    fputc('\n', f);
  }
  fclose(f);
  return 1;
}

static Figures run_peer(const char* dir, const char* name, int threads) {
  char input[4200], tbuf[16];
  char* argv[11];
  snprintf(input, sizeof input, "%s/%s", dir, name);
  snprintf(tbuf, sizeof tbuf, "%d", threads);
  argv[0] = "mgb";
  argv[1] = "gb";
  argv[2] = input;
  argv[3] = "-reducer";
  argv[4] = "26";
  argv[5] = "-threadCount";
  argv[6] = tbuf;
  argv[7] = "-outputResult";
  argv[8] = "off";
  argv[9] = NULL;
  return run_process(argv, NULL, 0, 1);
}

static int by_double(const void* a, const void* b) {
  double x = *(const double*)a, y = *(const double*)b;
  return x < y ? -1 : x > y;
}

/* Median processor time of n runs: on a loaded machine it moves less than
 * the wall time. */
static double median_cpu(const Figures* f, int n) {
  double v[64];
  int i;
  for (i = 0; i < n; i++) v[i] = f[i].cpu;
  qsort(v, (size_t)n, sizeof v[0], by_double);
  return v[n / 2];
}

static int by_time(const void* a, const void* b) {
  double x = ((const Figures*)a)->seconds, y = ((const Figures*)b)->seconds;
  return x < y ? -1 : x > y;
}

int main(int argc, char** argv) {
  static const char* defaults[] = {"cyclic-8", "katsura-10", "katsura-11", "eco-12", "noon-8"};
  const char* list[64];
  int nlist = 0, runs = 3, threads[16] = {1, 4}, nthreads = 2, peer = 0, a, s, k;
  char dir[] = "/tmp/f4_bench.XXXXXX";
  ssize_t len;

  if (argc == 4 && !strcmp(argv[1], "--child")) return child_run(argv[2], atoi(argv[3]));
  len = readlink("/proc/self/exe", self_path, sizeof self_path - 1);
  if (len <= 0) {
    fprintf(stderr, "cannot find this program's path\n");
    return 2;
  }
  self_path[len] = 0;
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
    } else if (!strcmp(argv[a], "-p")) {
      peer = 1;
    } else if (nlist < 64) {
      list[nlist++] = argv[a];
    }
  }
  if (nlist == 0)
    for (nlist = 0; nlist < 5; nlist++) list[nlist] = defaults[nlist];
  if (peer && !mkdtemp(dir)) {
    fprintf(stderr, "cannot make a temporary directory\n");
    return 2;
  }
  {
    Figures t = run_ours("trivial", 1);
    printf("start-up (trivial system x0 - 1, whole process): %.1f ms, call %.1f ms, peak %.1f MB\n",
           1000 * t.seconds, 1000 * t.call, t.peak_mb);
  }
  printf("%-12s %3s %9s %9s %9s %8s %6s %18s", "system", "thr", "proc s", "call s", "cpu s",
         "peak MB", "basis", "hash");
  if (peer) printf(" %9s %9s %8s %7s %7s", "peer s", "peer cpu", "peer MB", "ratio", "cpu rt");
  printf("\n");
  for (s = 0; s < nlist; s++) {
    int with_peer;
    if (!make_system(list[s])) {
      fprintf(stderr, "unknown system %s\n", list[s]);
      return 2;
    }
    with_peer = peer && write_peer_input(dir, list[s]);
    for (k = 0; k < nthreads; k++) {
      Figures ours[64], theirs[64], m, q;
      int r, nr = runs > 64 ? 64 : runs;
      run_ours(list[s], threads[k]); /* warm-up */
      if (with_peer) run_peer(dir, list[s], threads[k]);
      for (r = 0; r < nr; r++) {
        ours[r] = run_ours(list[s], threads[k]);
        if (with_peer) theirs[r] = run_peer(dir, list[s], threads[k]);
      }
      qsort(ours, (size_t)nr, sizeof ours[0], by_time);
      m = ours[nr / 2];
      printf("%-12s %3d %9.3f %9.3f %9.3f %8.1f %6u %018llx", list[s], threads[k], m.seconds,
             m.call, median_cpu(ours, nr), m.peak_mb, m.basis, m.hash);
      if (!m.ok) printf(" (failed)");
      if (with_peer) {
        qsort(theirs, (size_t)nr, sizeof theirs[0], by_time);
        q = theirs[nr / 2];
        printf(" %9.3f %9.3f %8.1f %7.2f %7.2f", q.seconds, median_cpu(theirs, nr), q.peak_mb,
               q.ok ? m.seconds / q.seconds : 0.0,
               q.ok ? median_cpu(ours, nr) / median_cpu(theirs, nr) : 0.0);
        if (!q.ok) printf(" (peer failed)");
      }
      printf("\n");
      fflush(stdout);
    }
  }
  if (peer) {
    for (s = 0; s < nlist; s++) {
      char path[4200];
      snprintf(path, sizeof path, "%s/%s.ideal", dir, list[s]);
      if (!getenv("F4_BENCH_KEEP")) unlink(path);
    }
    if (!getenv("F4_BENCH_KEEP")) rmdir(dir); else printf("inputs kept in %s\n", dir);
  }
  return 0;
}
