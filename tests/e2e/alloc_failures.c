/* Allocation failures: the N-th allocation of a session (its set-up, its
 * input and its request) fails, alone or with every later one, for N over
 * the session's allocations.  Every run must end with status 0 and the
 * answer of the run without failures, or with status 1 and a message on
 * the standard error stream: never a signal, another status or a word on
 * the standard output.  The program's own malloc family stands in front of
 * the C library's for the whole process (the library's, GMP's and the C++
 * runtime's calls alike).
 *
 *   e2e_alloc_failures [points [name [most]]]
 *     points: about that many N per case, evenly spread, besides N = 1..40
 *             (default 0: every N); name: the cases whose name holds it;
 *     most:   failed runs after which a case stops (default 3)
 *   e2e_alloc_failures -1 name N from: one run in this process
 *
 * Built twice: linked with the library, and (AF_DLOPEN) loading it with
 * dlopen once the program runs, as a host loads it: then the C library sets
 * up the thread-local data of the library and of what it pulls in (the C++
 * runtime) on each thread's first use, with malloc.  That program first
 * loads the library inside a session, its load's allocations failing in
 * turn like the request's.  Built a third time
 * (AF_RUNTIME_FIRST) for a host that loaded the C++ runtime and used it
 * before it loads the library: the runtime's per-thread data then comes
 * from malloc on every thread, and the helper threads of a request, made by
 * an earlier one, meet failing allocations (helpers' allocations alone).
 *
 * (Not under the sanitizers: they bring their own malloc.) */
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define AF_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || defined(AF_SANITIZED)
#include <stdio.h>
int main(void) {
  puts("skipped under the sanitizers");
  return 0;
}
#else
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <execinfo.h>
#include <link.h>
#include <netdb.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef AF_DLOPEN
/* Each entry the sessions call is a pointer that load_library fills: these
 * names turn the header's prototypes into the pointers' definitions and
 * every call into a call through them. */
#define Zel_reset_memory (*af_Zel_reset_memory)
#define Zel_init_urgent (*af_Zel_init_urgent)
#define Zel_init (*af_Zel_init)
#define Zel_reset_coeffs (*af_Zel_reset_coeffs)
#define Zel_reset_expos (*af_Zel_reset_expos)
#define Zel_internal_threads (*af_Zel_internal_threads)
#define Zel_creat_poly (*af_Zel_creat_poly)
#define Zel_set_expos2 (*af_Zel_set_expos2)
#define Zel_set_coeff_I32 (*af_Zel_set_coeff_I32)
#define Zel_full_sort_poly2 (*af_Zel_full_sort_poly2)
#define Zel_groebner (*af_Zel_groebner)
#define Zel_nb_terms (*af_Zel_nb_terms)
#define Zel_export_poly (*af_Zel_export_poly)
#define Zel_int_reset_memory (*af_Zel_int_reset_memory)
#define Zel_int_init_urgent (*af_Zel_int_init_urgent)
#define Zel_int_init (*af_Zel_int_init)
#define Zel_int_reset_coeffs (*af_Zel_int_reset_coeffs)
#define Zel_int_reset_expos (*af_Zel_int_reset_expos)
#define Zel_int_creat_poly (*af_Zel_int_creat_poly)
#define Zel_int_set_expos2 (*af_Zel_int_set_expos2)
#define Zel_int_set_coeff_gmp (*af_Zel_int_set_coeff_gmp)
#define Zel_int_full_sort_poly2 (*af_Zel_int_full_sort_poly2)
#define Zel_int_groebner (*af_Zel_int_groebner)
#define Zel_int_nb_terms (*af_Zel_int_nb_terms)
#define Zel_int_export_poly_INT_gmp (*af_Zel_int_export_poly_INT_gmp)
#define AF_ENTRIES(X)                                                                    \
  X(Zel_reset_memory) X(Zel_init_urgent) X(Zel_init) X(Zel_reset_coeffs)                 \
  X(Zel_reset_expos) X(Zel_internal_threads) X(Zel_creat_poly) X(Zel_set_expos2)         \
  X(Zel_set_coeff_I32) X(Zel_full_sort_poly2) X(Zel_groebner) X(Zel_nb_terms)            \
  X(Zel_export_poly) X(Zel_int_reset_memory) X(Zel_int_init_urgent) X(Zel_int_init)      \
  X(Zel_int_reset_coeffs) X(Zel_int_reset_expos) X(Zel_int_creat_poly)                   \
  X(Zel_int_set_expos2) X(Zel_int_set_coeff_gmp) X(Zel_int_full_sort_poly2)              \
  X(Zel_int_groebner) X(Zel_int_nb_terms) X(Zel_int_export_poly_INT_gmp)
#endif

#include "zel_systems.h"

#ifdef AF_RUNTIME_FIRST
static const int af_runtime_first = 1;
#else
static const int af_runtime_first = 0;
#endif

#ifdef AF_DLOPEN
static const int af_by_dlopen = 1;
/* A load that fails ends the program with this status. */
static int af_load_status = 2;
static void load_library(void) {
  void* lib;
#ifdef AF_RUNTIME_FIRST
  /* A host that runs C++ plug-ins: the runtime is loaded, and a thread has
   * used its per-thread data (a plug-in threw), before the library is. */
  void* runtime = dlopen(AF_RUNTIME, RTLD_NOW | RTLD_GLOBAL);
  void* (*globals)(void);
  if (runtime == NULL || (*(void**)&globals = dlsym(runtime, "__cxa_get_globals")) == NULL) {
    fprintf(stderr, "cannot load %s: %s\n", AF_RUNTIME, dlerror());
    exit(2);
  }
  if (globals() == NULL) exit(2);
#endif
  lib = dlopen(AF_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (lib == NULL) {
    fprintf(stderr, "cannot load %s: %s\n", AF_LIBRARY, dlerror());
    exit(af_load_status);
  }
#define AF_RESOLVE(name)                                         \
  if ((*(void**)&af_##name = dlsym(lib, #name)) == NULL) {       \
    fprintf(stderr, "%s is not in %s\n", #name, AF_LIBRARY);     \
    exit(2);                                                     \
  }
  AF_ENTRIES(AF_RESOLVE)
#undef AF_RESOLVE
}
#else
static const int af_by_dlopen = 0;
static void load_library(void) {}
#endif

/* ---- the failing allocator ------------------------------------------------ */

extern void* __libc_malloc(size_t);
extern void* __libc_calloc(size_t, size_t);
extern void* __libc_realloc(void*, size_t);
extern void* __libc_memalign(size_t, size_t);

static int af_armed;      /* count allocations */
static long af_seen;      /* allocations counted since armed */
static long af_at;        /* the allocation that fails (0: none) */
static int af_from;       /* every later one fails too */
static int af_helpers;    /* count helper threads' allocations only */
static _Thread_local int af_main_thread;
/* The dynamic loader's own allocations, while it loads the library, are
 * not counted: it ends the process when one fails (its table of unique
 * symbols), before any code of the library runs. */
static int af_spare_loader;
static uintptr_t af_loader_from, af_loader_to;

static int af_by_loader(const void* caller) {
  return af_spare_loader && (uintptr_t)caller >= af_loader_from && (uintptr_t)caller < af_loader_to;
}

static int af_fails_for(const void* caller) {
  long n;
  if (!__atomic_load_n(&af_armed, __ATOMIC_ACQUIRE)) return 0;
  if (af_helpers && af_main_thread) return 0;
  if (af_by_loader(caller)) return 0;
  n = __atomic_add_fetch(&af_seen, 1, __ATOMIC_RELAXED);
  if (af_at == 0 || (n != af_at && !(af_from && n > af_at))) return 0;
  errno = ENOMEM; /* as the C library's own failures */
  return 1;
}

#define af_fails() af_fails_for(__builtin_return_address(0))

void* malloc(size_t n) { return af_fails() ? NULL : __libc_malloc(n); }
void* calloc(size_t n, size_t m) { return af_fails() ? NULL : __libc_calloc(n, m); }
void* realloc(void* p, size_t n) {
  if (p != NULL && n == 0) return __libc_realloc(p, n); /* a free */
  return af_fails() ? NULL : __libc_realloc(p, n);
}
void* memalign(size_t a, size_t n) { return af_fails() ? NULL : __libc_memalign(a, n); }
void* aligned_alloc(size_t a, size_t n) {
  return af_fails() ? NULL : __libc_memalign(a, n);
}
int posix_memalign(void** out, size_t a, size_t n) {
  void* p;
  if (a < sizeof(void*) || (a & (a - 1)) != 0) return EINVAL;
  p = af_fails() ? NULL : __libc_memalign(a, n);
  if (p == NULL) return ENOMEM;
  *out = p;
  return 0;
}

/* The C library's name lookup asserts when its own allocations fail; it is
 * no part of this library's error handling, so its allocations never fail
 * here.  (A request should not reach it at all.) */
int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                struct addrinfo** res) {
  typedef int (*Lookup)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
  static Lookup real;
  int armed = __atomic_exchange_n(&af_armed, 0, __ATOMIC_ACQ_REL), got;
  if (real == NULL) real = (Lookup)dlsym(RTLD_NEXT, "getaddrinfo");
  got = real(node, service, hints, res);
  __atomic_store_n(&af_armed, armed, __ATOMIC_RELEASE);
  return got;
}

/* A thread_local with a destructor registers it at its first use on a
 * thread, and the C library aborts when it has no memory for that: none may
 * be made while a session runs. */
int __cxa_thread_atexit_impl(void (*fn)(void*), void* obj, void* dso) {
  typedef int (*Register)(void (*)(void*), void*, void*);
  static Register real;
  static const char says[] =
      "a thread_local with a destructor was made during the session\n";
  if (__atomic_load_n(&af_armed, __ATOMIC_ACQUIRE)) {
    if (write(2, says, sizeof says - 1) < 0) _exit(98);
    _exit(97);
  }
  if (real == NULL) real = (Register)dlsym(RTLD_NEXT, "__cxa_thread_atexit_impl");
  return real(fn, obj, dso);
}

static int af_in_session; /* between arm and disarm */

static void arm(void) {
  af_main_thread = 1;
  af_in_session = 1;
  __atomic_store_n(&af_seen, 0, __ATOMIC_RELAXED);
  __atomic_store_n(&af_armed, 1, __ATOMIC_RELEASE);
}
static long disarm(void) {
  af_in_session = 0;
  __atomic_store_n(&af_armed, 0, __ATOMIC_RELEASE);
  return __atomic_load_n(&af_seen, __ATOMIC_RELAXED);
}

/* Counting stops and goes on within a session, without starting afresh:
 * the binding's case counts the allocations inside its entries alone, not
 * the host's own around them.  Returns whether it counted. */
int af_count(int on) {
  return __atomic_exchange_n(&af_armed, on && af_in_session, __ATOMIC_ACQ_REL);
}

/* ---- the sessions --------------------------------------------------------- */

static void* result[100000];
static unsigned long long hash;
static void mix(unsigned long long x) { hash = (hash ^ x) * 1099511628211ULL; }

/* Katsura-7 modulo 65521: mode and threads. */
static int fp_mode = ZEL_COMPUTE_GBASIS, fp_threads = 1, fp_n = 7;

static zs_poly fp_sys[16];
static void fp_prepare(void) { zs_katsura(fp_n, fp_sys); }

static UI32 fp_session(void) {
  void* in[17];
  struct sZEL_Comp_Desc env;
  double t = 0;
  int k, n;
  zs_session(0, (UI32)fp_n + 1, 65521, 0);
  Zel_internal_threads(fp_threads);
  n = fp_n + 1;
  for (k = 0; k < n; k++) in[k] = zs_send(&fp_sys[k]);
  memset(&env, 0, sizeof env);
  env._compute = fp_mode;
  env._aggressive2 = -1;
  env._dlim = -1;
  env._skip = -1;
  if (fp_mode == ZEL_COMPUTE_GBASIS_MULTI) {
    /* the last input once more as the second computation's */
    in[n] = in[n - 1];
    env._nb2 = 1;
    env._bk2 = n - 1;
    n++;
  }
  return Zel_groebner(in, (UI32)n, result, 1, 0, &t, 0, 8, 0, &env);
}

static void fp_answer(UI32 n) {
  static UI32 e[17 << 12], c[1 << 12];
  UI32 i, t, v = (UI32)fp_n + 1;
  for (i = 0; i < n; i++) {
    const UI32 m = Zel_nb_terms(result[i]);
    if (m > sizeof c / sizeof c[0]) exit(22);
    Zel_export_poly(v, m, e, c, result[i]);
    mix(m);
    for (t = 0; t < v * m; t++) mix(e[t]);
    for (t = 0; t < m; t++) mix(c[t]);
  }
}

/* Katsura-3 over the rationals in mode 2, with `qq_lanes` primes a batch. */
static int qq_lanes = 1, qq_n = 3;

static zs_poly qq_sys[8];
static mpz_t qq_coeffs[8][16];
static char* qq_names[8];
static void qq_prepare(void) {
  static char storage[8][4];
  int k, i;
  zs_katsura(qq_n, qq_sys);
  for (k = 0; k <= qq_n; k++) {
    snprintf(storage[k], sizeof storage[k], "x%d", k);
    qq_names[k] = storage[k];
    if (qq_sys[k].nterms > 16) exit(24);
    for (i = 0; i < qq_sys[k].nterms; i++) mpz_init_set_si(qq_coeffs[k][i], qq_sys[k].c[i]);
  }
}

static UI32 qq_session(void) {
  zs_poly* sys = qq_sys;
  void* in[8];
  struct sZEL_Comp_Desc env;
  double t = 0;
  int k, i, n = qq_n + 1;
  Zel_int_reset_memory();
  Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
  Zel_int_init(1, 1, 0, NULL);
  Zel_int_reset_coeffs((UI32)qq_lanes);
  Zel_int_reset_expos(0, (UI32)qq_n + 1, qq_names);
  for (k = 0; k < n; k++) {
    in[k] = Zel_int_creat_poly((UI32)sys[k].nterms);
    for (i = 0; i < sys[k].nterms; i++) {
      Zel_int_set_expos2(in[k], (UI32)i, sys[k].e + i * sys[k].nvars, (UI32)sys[k].nvars);
      Zel_int_set_coeff_gmp(in[k], (UI32)i, qq_coeffs[k][i]);
    }
    Zel_int_full_sort_poly2(in[k]);
  }
  memset(&env, 0, sizeof env);
  env._compute = ZEL_COMPUTE_RRFORM;
  env._off = 0;
  env._aggressive2 = -1;
  env._dlim = -1;
  env._skip = -1;
  return Zel_int_groebner(in, (UI32)n, result, 1, 0, &t, 0, -1, 0, &env);
}

static void qq_answer(UI32 n) {
  static UI32 e[8 << 10];
  UI32 i, t, v = (UI32)qq_n + 1;
  for (i = 0; i < n; i++) {
    const UI32 m = Zel_int_nb_terms(result[i]);
    mpz_srcptr* c;
    if (m > sizeof e / sizeof e[0] / v) exit(22);
    c = Zel_int_export_poly_INT_gmp(v, m, e, result[i]);
    if (c == NULL) exit(23);
    mix(m);
    for (t = 0; t < v * m; t++) mix(e[t]);
    for (t = 0; t < m; t++) {
      size_t l, w = mpz_size(c[t]);
      mix((unsigned long long)mpz_sgn(c[t]) + 7);
      for (l = 0; l < w; l++) mix(mpz_getlimbn(c[t], (mp_size_t)l));
    }
  }
}

#ifndef AF_DLOPEN
/* Katsura-3 over QQ through the host binding and the stand-in host
 * (alloc_failures_binding.cpp), counting the allocations inside its entries:
 * all of them, or those of the binding alone, the host's integers being on
 * GMP's default functions.  A failure must end the request with a host
 * error that carries a message, after which the next request is right. */
void af_binding_prepare(int gmp_defaults, int longjmp);
int af_binding_request(char* message, size_t size);
unsigned long long af_binding_hash(void);

static unsigned long long binding_expected;

/* The host and its arguments, and one request without failures. */
static void binding_prepare_with(int gmp_defaults, int longjmp) {
  char message[256];
  af_binding_prepare(gmp_defaults, longjmp);
  if (af_binding_request(message, sizeof message) != 0) {
    fprintf(stderr, "a request without failures raised: %s\n", message);
    exit(25);
  }
  binding_expected = af_binding_hash();
}
static void binding_prepare(void) { binding_prepare_with(0, 0); }
static void binding_prepare_on_gmp_defaults(void) { binding_prepare_with(1, 0); }
static void binding_prepare_longjmp(void) { binding_prepare_with(0, 1); }

static UI32 binding_session(void) {
  static char message[1 << 12], next[1 << 12];
  af_count(0);
  if (af_binding_request(message, sizeof message) == 0) return 0;
  disarm();
  if (message[0] == 0) {
    fputs("a host error without a message\n", stderr);
    exit(26);
  }
  if (af_binding_request(next, sizeof next) != 0 || af_binding_hash() != binding_expected) {
    fputs("the request after a host error went wrong\n", stderr);
    exit(27);
  }
  fprintf(stderr, "host error: %s\n", message);
  exit(1);
}

static void binding_answer(UI32 n) {
  (void)n;
  mix(af_binding_hash());
}
#endif

/* ---- one run in a child --------------------------------------------------- */

typedef struct {
  const char* name;
  void (*prepare)(void); /* the caller's own allocations, before counting */
  UI32 (*session)(void);
  void (*answer)(UI32);
  int share; /* points of a sweep, in sixteenths of the asked number */
} Case;

static const Case* current;

/* A signal's report: where it came from (addresses for addr2line). */
static void on_signal(int sig) {
  void* frames[64];
  const int n = backtrace(frames, 64);
  backtrace_symbols_fd(frames, n, 2);
  signal(sig, SIG_DFL);
  raise(sig);
}

/* The session with its allocations counted (and the chosen one failing);
 * then, without failures, the answer's hash and the count on stderr. */
static void run_case(void) {
  UI32 n;
  long seen;
  alarm(120); /* a run that hangs ends with a signal (a busy machine is slow) */
  signal(SIGSEGV, on_signal);
  signal(SIGABRT, on_signal);
  signal(SIGBUS, on_signal);
  current->prepare();
  arm();
  n = current->session();
  seen = disarm();
  hash = 1469598103934665603ULL;
  mix(n);
  current->answer(n);
  fprintf(stderr, "answer %llx after %ld allocations\n", hash, seen);
}

/* Status (128 + signal) of a run, with its standard output and error. */
static int run_child(char* out, size_t out_size, char* err, size_t err_size) {
  int fo = memfd_create("out", 0), fe = memfd_create("err", 0), got = -1;
  ssize_t r;
  pid_t pid;
  if (fo < 0 || fe < 0) exit(2);
  fflush(stdout);
  fflush(stderr);
  if ((pid = fork()) == 0) {
    dup2(fo, 1);
    dup2(fe, 2);
    run_case();
    fflush(stdout);
    exit(0);
  }
  if (waitpid(pid, &got, 0) == pid)
    got = WIFEXITED(got) ? WEXITSTATUS(got) : 128 + WTERMSIG(got);
  r = pread(fo, out, out_size - 1, 0);
  out[r > 0 ? r : 0] = 0;
  r = pread(fe, err, err_size - 1, 0);
  err[r > 0 ? r : 0] = 0;
  close(fo);
  close(fe);
  return got;
}

static int failures = 0;
static long max_failed = 3; /* a case stops after that many */

/* Runs the case without failures, then with allocation N failing (once,
 * and from N on) for about `points` values of N from 1 up to the session's
 * count (0: every one). */
static void sweep(const Case* c, long points, int helpers) {
  static char out[1 << 16], err[1 << 16], answer[128];
  const char* line;
  long total, at, stride, runs = 0, ends_with_answer = 0, failed = 0;
  int from, got, k;
  current = c;
  af_at = 0;
  af_helpers = helpers;
  /* The helpers may have taken no task on a busy machine: try again. */
  for (k = 0; k < 5; k++) {
    got = run_child(out, sizeof out, err, sizeof err);
    if (!helpers || (line = strstr(err, " after ")) == NULL || atol(line + 7) != 0) break;
  }
  if (got != 0 || (line = strstr(err, "answer ")) == NULL || out[0] != 0) {
    fprintf(stderr, "FAILED %s without failures: status %d\nstdout:\n%s\nstderr:\n%s\n", c->name,
            got, out, err);
    failures++;
    return;
  }
  snprintf(answer, sizeof answer, "%.*s", 7 + (int)strcspn(line + 7, " \n"), line);
  total = atol(strstr(line, " after ") + 7);
  points = points * c->share / 16;
  stride = points > 0 && total > points ? total / points : 1;
  /* The first 40, every one: the set-up's first allocations, and the
   * helpers' first ones in the first parallel parts.  The program that
   * loads the library samples halfway between the linked one's points. */
  for (at = 1; at <= total && failed < max_failed;
       at += at < 40 ? 1 : at == 40 && af_by_dlopen && stride > 1 ? stride / 2 : stride) {
    for (from = 0; from <= 1; from++) {
      af_at = at;
      af_from = from;
      got = run_child(out, sizeof out, err, sizeof err);
      runs++;
      if (out[0] == 0 && got == 0 && strncmp(strstr(err, "answer ") ? strstr(err, "answer ") : "",
                                             answer, strlen(answer)) == 0) {
        ends_with_answer++;
        continue;
      }
      if (out[0] == 0 && got == 1 && err[0] != 0 && strstr(err, "answer ") == NULL) continue;
      fprintf(stderr,
              "FAILED %s, allocation %ld of %ld failing%s: status %d (0 with \"%s\", or 1 with a "
              "message on stderr)\nstdout:\n%s\nstderr:\n%s\n",
              c->name, at, total, from ? " and every later one" : "", got, answer, out, err);
      failures++;
      failed++;
      if (got != 128 + SIGALRM) continue;
      failed = max_failed; /* a hang: the next runs would hang too */
      break;
    }
  }
  printf("%s: %ld allocations, %ld runs, %ld with the answer\n", c->name, total, runs,
         ends_with_answer);
  fflush(stdout);
}

static UI32 fp_k7_1_1(void) { fp_mode = 1; fp_threads = 1; return fp_session(); }
static UI32 fp_k7_1_4(void) { fp_mode = 1; fp_threads = 4; return fp_session(); }
static UI32 fp_k7_2_1(void) { fp_mode = 2; fp_threads = 1; return fp_session(); }
static UI32 fp_k7_2_4(void) { fp_mode = 2; fp_threads = 4; return fp_session(); }
static UI32 fp_k7_11(void) { fp_mode = ZEL_COMPUTE_GBASIS_MULTI; fp_threads = 2; return fp_session(); }
static UI32 qq_k3_1(void) { qq_lanes = 1; return qq_session(); }
static UI32 qq_k3_5(void) { qq_lanes = 5; return qq_session(); }

static const Case cases[] = {
    {"katsura-7 mod 65521, mode 1, 1 thread", fp_prepare, fp_k7_1_1, fp_answer, 256},
    {"katsura-7 mod 65521, mode 1, 4 threads", fp_prepare, fp_k7_1_4, fp_answer, 16},
    {"katsura-7 mod 65521, mode 2, 1 thread", fp_prepare, fp_k7_2_1, fp_answer, 16},
    {"katsura-7 mod 65521, mode 2, 4 threads", fp_prepare, fp_k7_2_4, fp_answer, 8},
    {"katsura-7 mod 65521, mode 11, 2 threads", fp_prepare, fp_k7_11, fp_answer, 8},
    {"katsura-3 over QQ, mode 2, 1 prime a batch", qq_prepare, qq_k3_1, qq_answer, 64},
    {"katsura-3 over QQ, mode 2, 5 primes a batch", qq_prepare, qq_k3_5, qq_answer, 64},
#ifndef AF_DLOPEN
    {"katsura-3 over QQ through the host binding", binding_prepare, binding_session,
     binding_answer, 64},
    {"katsura-3 over QQ through the host binding, its own allocations",
     binding_prepare_on_gmp_defaults, binding_session, binding_answer, 256},
    {"katsura-3 over QQ through a host that unwinds by longjmp, after a host error",
     binding_prepare_longjmp, binding_session, binding_answer, 64},
#endif
};

/* The helper threads' allocations alone, each in turn: most fall in the
 * forward pass that overlaps reductions and stores, whose other threads must
 * stop when one fails (a hang ends with the alarm's signal). */
#ifndef AF_RUNTIME_FIRST
static const Case helpers_case = {"katsura-7 mod 65521, mode 1, 4 threads, helpers' allocations",
                                  fp_prepare, fp_k7_1_4, fp_answer, 16};
#else
/* The helpers made by a request without failures, before the session (the
 * only case of this build). */
static void fp_prepare_helpers(void) {
  fp_prepare();
  fp_k7_1_4();
}
static const Case helpers_case = {
    "katsura-7 mod 65521, mode 1, 4 threads, helpers' allocations, helpers made before",
    fp_prepare_helpers, fp_k7_1_4, fp_answer, 16};
#endif

#if defined(AF_DLOPEN) && !defined(AF_RUNTIME_FIRST)
/* The library loaded in the session, its allocations counted: its static
 * initialisers may not throw (the C++ runtime would end the process), and a
 * failure there shows at the first entry.  The C library refusing the load
 * for lack of memory is an error of the host's: status 1, with its message.
 * The C++ runtime is loaded before: the reserve it takes as it loads is what
 * any C++ code throws from once memory has run out, and without it the
 * runtime ends the process at the first throw. */
static void fp_prepare_runtime(void) {
  fp_prepare();
  if (dlopen(AF_RUNTIME, RTLD_NOW | RTLD_GLOBAL) == NULL) {
    fprintf(stderr, "cannot load %s: %s\n", AF_RUNTIME, dlerror());
    exit(2);
  }
}

static int loader_extent(struct dl_phdr_info* info, size_t size, void* data) {
  int k;
  (void)size;
  (void)data;
  if (info->dlpi_addr != getauxval(AT_BASE)) return 0;
  af_loader_from = ~(uintptr_t)0;
  for (k = 0; k < info->dlpi_phnum; k++) {
    const ElfW(Phdr)* h = &info->dlpi_phdr[k];
    if (h->p_type != PT_LOAD) continue;
    if (info->dlpi_addr + h->p_vaddr < af_loader_from) af_loader_from = info->dlpi_addr + h->p_vaddr;
    if (info->dlpi_addr + h->p_vaddr + h->p_memsz > af_loader_to)
      af_loader_to = info->dlpi_addr + h->p_vaddr + h->p_memsz;
  }
  return 1;
}

static UI32 fp_loaded_k7_1_1(void) {
  af_load_status = 1;
  af_spare_loader = 1;
  load_library();
  af_spare_loader = 0;
  return fp_k7_1_1();
}
static const Case load_case = {"loading the library, then katsura-7 mod 65521, mode 1, 1 thread",
                               fp_prepare_runtime, fp_loaded_k7_1_1, fp_answer, 16};
#endif

int main(int argc, char** argv) {
  void* frame;
  const long points = argc > 1 ? atol(argv[1]) : 0;
  const char* only = argc > 2 ? argv[2] : NULL;
  size_t k;
  backtrace(&frame, 1); /* loads what it needs before any allocation fails */
  if (argc > 3) max_failed = atol(argv[3]);
  if (points < 0 && argc > 4) {
    for (k = 0; k < sizeof cases / sizeof cases[0]; k++)
      if (strstr(cases[k].name, only) != NULL) current = &cases[k];
#if defined(AF_DLOPEN) && !defined(AF_RUNTIME_FIRST)
    if (dl_iterate_phdr(loader_extent, NULL) == 0) exit(2);
    if (current == NULL && strstr(load_case.name, only) != NULL) current = &load_case;
    if (current != &load_case)
#endif
      load_library();
    if (current == NULL) current = &helpers_case;
    af_helpers = current == &helpers_case;
    af_at = atol(argv[3]);
    af_from = atoi(argv[4]);
    run_case();
    return 0;
  }
#if defined(AF_DLOPEN) && !defined(AF_RUNTIME_FIRST)
  if (dl_iterate_phdr(loader_extent, NULL) == 0) exit(2);
  /* Before the program loads the library itself. */
  if (only == NULL || strstr(load_case.name, only) != NULL) sweep(&load_case, points, 0);
#endif
  load_library();
  for (k = 0; k < sizeof cases / sizeof cases[0] && !af_runtime_first; k++)
    if (only == NULL || strstr(cases[k].name, only) != NULL) sweep(&cases[k], points, 0);
  if (only == NULL || strstr(helpers_case.name, only) != NULL)
    sweep(&helpers_case, points, 1);
  return failures != 0;
}
#endif
