// Benchmark of the block-Hankel generator (prime-field build, modulo 65521).
// For a matrix order N and block size b, the generator of b sequences of
// 2N numbers (len = N/b steps of b x b blocks) against b separate scalar
// sequences of the same order (b runs with block size 1, len = N).  Prints,
// per case, the median wall time of several runs (after one warm-up), the
// time of b scalar runs, the speed-up b*t(1)/t(b), and a hash of the
// generator; every run is checked (sum_k H_(i+k) MX_k = 0 at i = 0 and
// i = len-1, MX_len = I), so that a fast wrong answer shows.
//
//   block_hankel_fp [-r runs] [N ...]     default: 256 1024 4096
#include <omp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "sparse/block_hankel.hpp"
#include "sparse/descriptor.hpp"

using namespace zel::ZEL_BUILD;

namespace {

constexpr uint32_t kP = 65521;

struct Run {
  double seconds = 0;
  uint64_t hash = 0;
};

int64_t residue(int64_t v) { return (v % kP + kP) % kP; }

// Checks block equation i of the generator, naively.
bool equation_holds(const std::vector<std::vector<int16_t>>& seqs,
                    const std::vector<std::vector<int16_t>>& mx, int bk, int len, int i) {
  for (int a = 0; a < bk; ++a)
    for (int c = 0; c < bk; ++c) {
      int64_t s = 0;
      for (int k = 0; k <= len; ++k)
        for (int t = 0; t < bk; ++t)
          s = (s + residue(seqs[a][(i + k) * bk + t]) * residue(mx[k][t * bk + c])) % kP;
      if (s != 0) return false;
    }
  return true;
}

Run run_once(int bk, int len, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<std::vector<int16_t>> seqs(bk, std::vector<int16_t>(2 * len * bk));
  for (auto& s : seqs)
    for (auto& v : s) v = static_cast<int16_t>(static_cast<int32_t>(rng() % kP) - 32760);
  std::vector<std::vector<int16_t>> mx(len + 1, std::vector<int16_t>(bk * bk));
  std::vector<const int16_t*> sp;
  std::vector<int16_t*> mp;
  for (auto& s : seqs) sp.push_back(s.data());
  for (auto& m : mx) mp.push_back(m.data());
  Run r;
  const double t0 = omp_get_wtime();
  fglm_polys(mp.data(), sp.data(), bk, len, 0);
  r.seconds = omp_get_wtime() - t0;
  for (int e = 0; e < bk * bk; ++e)
    if (mx[len][e] != (e % (bk + 1) == 0 ? 1 : 0)) r.hash = 0xbad;
  if (!equation_holds(seqs, mx, bk, len, 0) || !equation_holds(seqs, mx, bk, len, len - 1)) {
    std::printf("wrong generator: bk=%d len=%d\n", bk, len);
    std::exit(1);
  }
  uint64_t h = 1469598103934665603ULL;
  for (const auto& m : mx)
    for (int16_t v : m) h = (h ^ static_cast<uint16_t>(v)) * 1099511628211ULL;
  r.hash ^= h;
  return r;
}

double median_seconds(int bk, int len, int runs, uint64_t* hash) {
  run_once(bk, len, 1);  // warm-up
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    const Run r = run_once(bk, len, 1);
    t.push_back(r.seconds);
    *hash = r.hash;
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  std::vector<int> orders;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-r") == 0 && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else
      orders.push_back(std::atoi(argv[i]));
  }
  if (orders.empty()) orders = {256, 1024, 4096};
  uint32_t cell = kP;
  Table_Primes = &cell;
  init_wiedemann();
  // The solver's timing lines go to the error streams; keep the table clean.
  if (std::freopen("/dev/null", "w", stderr) == nullptr) return 1;

  std::printf("%6s %3s %6s %10s %12s %8s  %s\n", "N", "b", "len", "t(b) s", "b*t(1) s",
              "speed-up", "hash");
  for (int N : orders) {
    uint64_t hash = 0;
    const double scalar = median_seconds(1, N, runs, &hash);
    for (int b : {1, 2, 4, 8}) {
      if (N % b != 0) continue;
      const double t = b == 1 ? scalar : median_seconds(b, N / b, runs, &hash);
      std::printf("%6d %3d %6d %10.4f %12.4f %8.2f  %016llx\n", N, b, N / b, t, b * scalar,
                  b * scalar / t, static_cast<unsigned long long>(hash));
      std::fflush(stdout);
    }
  }
  return 0;
}
