// Random primes outside the default table (see prime_draw.hpp).
#include "engine/coef/prime_draw.hpp"

#include <pthread.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

#include "engine/coef/default_primes.hpp"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

namespace {

struct Draw {
  std::mt19937_64 generator;
  pid_t owner = 0;  // the process that seeded it; 0: not seeded
};
Draw draw;

void seed(Draw& d) {
  uint32_t words[8] = {};
  if (const char* fixed = std::getenv("ZEL_DRAW_SEED")) {
    const uint64_t s = std::strtoull(fixed, nullptr, 10);
    words[0] = uint32_t(s);
    words[1] = uint32_t(s >> 32);
  } else {
    char* at = reinterpret_cast<char*>(words);
    for (size_t left = sizeof words; left > 0;) {
      const ssize_t got = getrandom(at, left, 0);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) Fatal("No entropy for the draw of the primes\n");
      at += got;
      left -= size_t(got);
    }
  }
  std::seed_seq sequence(words, words + 8);
  d.generator.seed(sequence);
  d.owner = getpid();
  // A forked child seeds afresh: its pid tells it, and this handler too
  // (under the sanitizers the pid check alone missed the fork).
  static const bool forgets_in_child =
      pthread_atfork(nullptr, nullptr, [] { draw.owner = 0; }) == 0;
  (void)forgets_in_child;
}

}  // namespace

uint32_t draw_prime() {
  if (draw.owner != getpid()) seed(draw);
  const uint64_t low = (uint64_t(3) << 30) + 1;
  const uint64_t high = Zel_Default_Primes32()[0];  // excluded
  for (;;) {
    const uint32_t n = uint32_t((low + draw.generator() % (high - low)) | 1);
    if (n < high && is_prime32(n)) return n;
  }
}

void reseed_prime_draw() { seed(draw); }

}  // namespace zel::ZEL_BUILD
