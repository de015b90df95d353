// Standard systems over the rationals: the integer build through its C
// interface (creat_poly, set_coeff_gmp, groebner, export_poly_INT), with the
// figures of its loop over batches of primes read from the build's
// internals.  For each system, compute mode (1 basis, 2 rational
// parametrisation, 4 minimal polynomial) and thread count: median wall time
// of several runs after the warm-ups (default one), the median peak
// resident memory, the result count, passes (batches combined), primes,
// batches thrown away, the largest coefficient in 32-bit words, the primes
// after which a change of order took the lifted degree-order basis (0:
// never), and a hash of the exported result so that a fast wrong answer
// shows.
//
// Besides the standard systems: scrambled-n-d and scrambled-moved-n-d, the
// scrambled shape-position systems of scrambled_shape.hpp (n variables,
// eliminant of degree d, combinations with 128-bit coefficients).
//
// Every run is a child process forked before the engine is touched, so its
// peak memory is the computation's own plus the system's terms (as a
// caller that read them from a file holds them) and the small driver.  With -v
// the engine's messages go to standard error.
//
//   qq_systems_int [-r runs] [-w warm-ups] [-t 1,4] [-m 1,2,4] [-v]
//                  [cyclic-7 katsura-9 eco-8 dense-7-2-8 scrambled-5-19 ...]
//
// dense-N-D-B: N dense polynomials in N variables, every monomial of degree
// at most D with a pseudo-random coefficient of up to B bits (either sign),
// the same every run.  ZEL_NO_AVX512=1 in the environment measures the
// AVX2 kernels on a machine that has AVX-512 too.
#include <gmp.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/api/host.hpp"
#include "engine/call_zel.h"
#include "engine/driver/multi_modular.hpp"
#include "bench/internal/scrambled_shape.hpp"
#include "support/zel_systems.h"

namespace {

struct Figures {
  double seconds = 0;
  double peak_mb = 0;
  UI32 basis = 0;
  zel::int_build::ModularFigures loop;
  unsigned long long hash = 1469598103934665603ULL;
  bool ok = true;  // the child process ended normally
};

void mix(unsigned long long* h, unsigned long long x) { *h = (*h ^ x) * 1099511628211ULL; }

using bench::BigPoly;
using System = std::vector<BigPoly>;

void* send(const BigPoly& p) {
  void* h = Zel_int_creat_poly(UI32(p.coeffs.size()));
  for (size_t t = 0; t < p.coeffs.size(); ++t) {
    Zel_int_set_expos2(h, UI32(t), const_cast<int*>(p.exponents.data() + t * size_t(p.nvars)),
                       UI32(p.nvars));
    Zel_int_set_coeff_gmp(h, UI32(t), const_cast<mpz_ptr>(p.coeffs[t].get_mpz_t()));
  }
  Zel_int_full_sort_poly2(h);
  return h;
}

// Writes a system into its argument and returns its polynomial count.
using Generator = std::function<int(zs_poly*)>;

// The exponents of every monomial of degree at most `left` in variables
// [v, nvars), e fixed before v, handed to each.
void each_monomial(int* e, int v, int nvars, int left, const std::function<void(const int*)>& use) {
  if (v == nvars) {
    use(e);
    return;
  }
  for (int k = 0; k <= left; ++k) {
    e[v] = k;
    each_monomial(e, v + 1, nvars, left - k, use);
  }
  e[v] = 0;
}

int dense_random(int nvars, int degree, int bits, zs_poly* out) {
  unsigned long long s = 0x9E3779B97F4A7C15ULL;
  const long long range = (1LL << bits) - 1;
  int e[64] = {};
  for (int k = 0; k < nvars; ++k) {
    zs_init(&out[k], nvars);
    each_monomial(e, 0, nvars, degree, [&](const int* m) {
      s = s * 6364136223846793005ULL + 1442695040888963407ULL;
      const long long c = static_cast<long long>((s >> 20) % (2 * range + 1)) - range;
      if (c != 0) zs_add_term(&out[k], m, int(c));
    });
  }
  return nvars;
}

// A system given as term lists with machine coefficients (zel_systems.h).
System from_term_lists(const Generator& generate) {
  std::vector<zs_poly> sys(64);
  const int count = generate(sys.data());
  System out;
  for (int k = 0; k < count; ++k) {
    BigPoly p;
    p.nvars = sys[k].nvars;
    for (int t = 0; t < sys[k].nterms; ++t) {
      const int* e = sys[k].e + size_t(t) * size_t(p.nvars);
      p.exponents.insert(p.exponents.end(), e, e + p.nvars);
      p.coeffs.emplace_back(sys[k].c[t]);
    }
    out.push_back(std::move(p));
    zs_free(&sys[k]);
  }
  return out;
}

bool verbose = false;

Figures compute(const System& sys, int threads, int mode) {
  static char storage[64][8];
  static char* names[64];
  const int count = int(sys.size());
  const int nvars = sys[0].nvars;
  for (int i = 0; i < nvars; ++i) {
    std::snprintf(storage[i], sizeof storage[i], "x%d", i);
    names[i] = storage[i];
  }
  Zel_int_reset_memory();
  Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
  Zel_int_init(verbose ? 0 : 1, 1, 0, nullptr);
  if (verbose) zel::Zel_verb_info = 3;  // every message on standard error
  Zel_int_reset_coeffs(5);
  Zel_int_reset_expos(0, UI32(nvars), names);
  Zel_int_internal_threads(threads);
  std::vector<void*> in;
  for (int k = 0; k < count; ++k) in.push_back(send(sys[k]));
  std::vector<void*> out(100000);
  sZEL_Comp_Desc env{};
  env._compute = mode;
  double cpu = 0;
  Figures f;
  const auto t0 = std::chrono::steady_clock::now();
  f.basis = Zel_int_groebner(in.data(), UI32(count), out.data(), 1, 0, &cpu, 0, -1, 0, &env);
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  f.loop = zel::int_build::last_modular_figures;
  std::vector<UI32> e, c;
  for (UI32 i = 0; i < f.basis; ++i) {
    const UI32 m = Zel_int_nb_terms(out[i]);
    UI32 width = 0;
    e.resize(size_t(m) * nvars + 1);
    c.resize(size_t(m) * (f.loop.largest_words + 2) + 1);
    if (Zel_int_export_poly_INT(UI32(nvars), m, e.data(), c.data(), I32(c.size()), out[i], &width) !=
        1) {
      std::fprintf(stderr, "cannot export polynomial %u\n", unsigned(i));
      std::exit(1);
    }
    mix(&f.hash, m);
    for (size_t k = 0; k < size_t(m) * nvars; ++k) mix(&f.hash, e[k]);
    for (size_t k = 0; k < size_t(m) * width; ++k) mix(&f.hash, c[k]);
  }
  Zel_int_internal_threads(1);
  return f;
}

// compute() in a child process; its figures come back through a pipe, with
// the child's peak resident memory.
Figures run_once(const System& sys, int threads, int mode) {
  int fd[2];
  if (pipe(fd) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("fork");
    std::exit(1);
  }
  if (pid == 0) {
    close(fd[0]);
    const Figures f = compute(sys, threads, mode);
    Zel_int_free_memory();
    const ssize_t w = write(fd[1], &f, sizeof f);
    _exit(w == ssize_t(sizeof f) ? 0 : 1);
  }
  close(fd[1]);
  Figures f;
  const ssize_t got = read(fd[0], &f, sizeof f);
  close(fd[0]);
  int status = 0;
  struct rusage ru {};
  if (wait4(pid, &status, 0, &ru) < 0 || got != ssize_t(sizeof f) || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0)
    f = Figures{}, f.ok = false;
  f.peak_mb = double(ru.ru_maxrss) / 1024.0;
  return f;
}

// The system a name on the command line stands for; empty when unknown.
System system_named(const std::string& name) {
  for (const char* prefix : {"scrambled-moved-", "scrambled-"}) {
    int n = 0, d = 0;
    const std::string p = prefix;
    if (name.compare(0, p.size(), p) == 0 &&
        std::sscanf(name.c_str() + p.size(), "%d-%d", &n, &d) == 2) {
      if (n < 2 || n > 40 || d < 2 || d > 200) return {};
      return bench::scrambled_shape(n, d, 128, p == "scrambled-moved-");
    }
  }
  int vars = 0, degree = 0, bits = 0;
  if (std::sscanf(name.c_str(), "dense-%d-%d-%d", &vars, &degree, &bits) == 3) {
    if (vars < 1 || vars > 40 || degree < 1 || bits < 1 || bits > 30) return {};
    return from_term_lists([=](zs_poly* out) { return dense_random(vars, degree, bits, out); });
  }
  const size_t dash = name.rfind('-');
  const std::string kind = dash == std::string::npos ? name : name.substr(0, dash);
  const int n = dash == std::string::npos ? 0 : std::atoi(name.c_str() + dash + 1);
  int (*standard)(int, zs_poly*) = kind == "cyclic"    ? zs_cyclic
                                   : kind == "katsura" ? zs_katsura
                                   : kind == "eco"     ? zs_eco
                                   : kind == "noon"    ? zs_noon
                                                       : nullptr;
  if (!standard || n < 2 || n > 40) return {};
  return from_term_lists([standard, n](zs_poly* out) { return standard(n, out); });
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3, warmups = 1;
  std::vector<int> threads = {1, 4};
  std::vector<int> modes = {1};
  std::vector<std::string> systems;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-r") && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (!std::strcmp(argv[i], "-w") && i + 1 < argc) {
      warmups = std::max(0, std::atoi(argv[++i]));
    } else if (!std::strcmp(argv[i], "-t") && i + 1 < argc) {
      threads.clear();
      for (char* s = std::strtok(argv[++i], ","); s; s = std::strtok(nullptr, ","))
        threads.push_back(std::max(1, std::atoi(s)));
    } else if (!std::strcmp(argv[i], "-m") && i + 1 < argc) {
      modes.clear();
      for (char* s = std::strtok(argv[++i], ","); s; s = std::strtok(nullptr, ","))
        modes.push_back(std::atoi(s));
    } else if (!std::strcmp(argv[i], "-v")) {
      verbose = true;
    } else {
      systems.push_back(argv[i]);
    }
  }
  if (systems.empty())
    systems = {"cyclic-6", "cyclic-7", "katsura-8", "katsura-9", "katsura-10", "eco-8"};
  std::printf("%-20s %4s %7s %9s %8s %6s %6s %6s %9s %8s %6s %18s\n", "system", "mode",
              "threads", "median s", "peak MB", "count", "passes", "primes", "discarded", "words",
              "taken", "hash");
  for (const std::string& name : systems) {
    const System sys = system_named(name);
    // What building it took and gave back is not the computation's: the
    // children start from the system alone.
    malloc_trim(0);
    if (sys.empty()) {
      std::fprintf(stderr,
                   "unknown system %s (cyclic-n, katsura-n, eco-n, noon-n, dense-n-d-b, "
                   "scrambled-n-d, scrambled-moved-n-d)\n",
                   name.c_str());
      return 2;
    }
    for (int mode : modes)
      for (int t : threads) {
        for (int w = 0; w < warmups; ++w) run_once(sys, t, mode);
        std::vector<Figures> all;
        for (int r = 0; r < runs; ++r) all.push_back(run_once(sys, t, mode));
        std::vector<double> peaks;
        for (const Figures& f : all) peaks.push_back(f.peak_mb);
        std::sort(peaks.begin(), peaks.end());
        std::sort(all.begin(), all.end(),
                  [](const Figures& a, const Figures& b) { return a.seconds < b.seconds; });
        const Figures& m = all[all.size() / 2];
        std::printf("%-20s %4d %7d %9.3f %8.1f %6u %6u %6u %9u %8u %6u %018llx\n", name.c_str(),
                    mode, t, m.seconds, peaks[peaks.size() / 2], unsigned(m.basis),
                    m.loop.passes, m.loop.primes, m.loop.discarded, m.loop.largest_words,
                    m.loop.basis_primes, m.hash);
        if (!std::all_of(all.begin(), all.end(), [](const Figures& f) { return f.ok; }))
          std::printf("%-20s %4d %7d (a run failed)\n", name.c_str(), mode, t);
        std::fflush(stdout);
      }
  }
  return 0;
}
