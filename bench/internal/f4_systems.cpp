// Benchmark driver of the F4 engine (prime-field build): standard systems
// modulo 65521 with 1 and several threads.  For each system and thread count
// it prints the median wall time of several runs (after one warm-up), the
// number of F4 steps, the largest matrix (rows x columns), the total of the
// matrix rows, the basis size, a hash of the basis and a hash of every
// printed matrix line, so that a fast wrong answer or a changed matrix shows.
//
//   f4_systems_fp [-r runs] [-t 1,4] [system ...]    systems: cyclic-7 katsura-10 ...
#include <omp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/api/host.hpp"
#include "engine/mem/messages.hpp"
#include "support/engine_gb.hpp"
#include "support/zel_systems.h"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

std::string printed;
void capture(const char* text) { printed += text; }
void ignore(const char*) {}

struct Figures {
  double seconds = 0;
  uint32_t steps = 0, max_rows = 0, max_cols = 0;
  uint64_t total_rows = 0;
  uint64_t lines = 1469598103934665603ULL;  // hash of every printed matrix line
  size_t basis = 0;
  uint64_t hash = 0;
};

uint64_t basis_hash(const std::vector<SysPoly>& G) {
  uint64_t h = 1469598103934665603ULL;
  auto mix = [&](uint64_t x) { h = (h ^ x) * 1099511628211ULL; };
  for (const SysPoly& f : G) {
    mix(f.size());
    for (const auto& [e, c] : f) {
      for (uint32_t x : e) mix(x);
      mix(c);
    }
  }
  return h;
}

Figures run_once(const System& sys, int threads) {
  Figures fig;
  EngineGB e(sys.nvars, sys.nvars, 65521, threads, 5000000);
  ZEL_C(want_quiet) = 0;
  printed.clear();
  const double t0 = omp_get_wtime();
  const auto G = e.basis(sys.polys);
  fig.seconds = omp_get_wtime() - t0;
  fig.basis = G.size();
  fig.hash = basis_hash(G);
  for (size_t at = printed.find("\nMatrix "); at != std::string::npos;
       at = printed.find("\nMatrix ", at + 1)) {
    unsigned r = 0, c = 0, f = 0;
    if (std::sscanf(printed.c_str() + at, "\nMatrix %u x %u x %u", &r, &c, &f) != 3) continue;
    ++fig.steps;
    fig.total_rows += r;
    for (uint64_t x : {r, c, f}) fig.lines = (fig.lines ^ x) * 1099511628211ULL;
    if (uint64_t(r) * c > uint64_t(fig.max_rows) * fig.max_cols) {
      fig.max_rows = r;
      fig.max_cols = c;
    }
  }
  return fig;
}

System make_system(const std::string& name, uint32_t p) {
  const size_t dash = name.rfind('-');
  const uint32_t n = uint32_t(std::atoi(name.c_str() + dash + 1));
  const std::string kind = name.substr(0, dash);
  if (kind == "cyclic") return cyclic(n, p);
  if (kind == "katsura") return katsura(n, p);
  if (kind == "eco") return eco(n, p);
  if (kind == "noon") return noon(n, p);
  std::fprintf(stderr, "unknown system %s\n", name.c_str());
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  std::vector<int> threads = {1, 4};
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-r") && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (!std::strcmp(argv[i], "-t") && i + 1 < argc) {
      threads.clear();
      for (char* s = std::strtok(argv[++i], ","); s; s = std::strtok(nullptr, ","))
        threads.push_back(std::max(1, std::atoi(s)));
    } else {
      names.push_back(argv[i]);
    }
  }
  if (names.empty())
    names = {"cyclic-7", "cyclic-8", "katsura-10", "katsura-11", "eco-11", "noon-7"};
  zel::HostServices host = zel::current_host();
  host.print = capture;
  host.user_info = ignore;
  zel::set_host(host);
  zel::Zel_verb_info = 4;
  std::printf("%-12s %7s %10s %6s %18s %12s %6s %18s %18s\n", "system", "threads", "median s",
              "steps", "largest matrix", "rows total", "basis", "hash", "matrix lines");
  for (const std::string& name : names) {
    const System sys = make_system(name, 65521);
    for (int t : threads) {
      run_once(sys, t);  // warm-up
      std::vector<Figures> all;
      for (int k = 0; k < runs; ++k) all.push_back(run_once(sys, t));
      std::sort(all.begin(), all.end(),
                [](const Figures& a, const Figures& b) { return a.seconds < b.seconds; });
      const Figures& m = all[all.size() / 2];
      char mat[40];
      std::snprintf(mat, sizeof mat, "%ux%u", m.max_rows, m.max_cols);
      std::printf("%-12s %7d %10.3f %6u %18s %12llu %6zu %018llx %018llx\n", name.c_str(), t,
                  m.seconds, m.steps, mat, (unsigned long long)m.total_rows, m.basis,
                  (unsigned long long)m.hash, (unsigned long long)m.lines);
      std::fflush(stdout);
    }
  }
  return 0;
}
