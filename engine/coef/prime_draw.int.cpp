// Random primes outside the default table (see prime_draw.hpp).
#include "engine/coef/prime_draw.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <random>

#include "engine/coef/default_primes.hpp"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

ssize_t (*prime_draw_entropy)(void* buffer, size_t length, unsigned flags) = getrandom;

namespace {

struct Draw {
  std::mt19937_64 generator;
  pid_t owner = 0;  // the process that seeded it; 0: not seeded
};
Draw draw;

// ZEL_DRAW_SEED into *seed when it is set and not empty.  Anything but a
// whole decimal number below 2^64 ends the request: read leniently, a typo
// or a stray blank would fix the draw without a word.
bool fixed_seed(uint64_t* seed) {
  const char* text = std::getenv("ZEL_DRAW_SEED");
  if (text == nullptr || *text == '\0') return false;
  uint64_t value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    const unsigned digit = unsigned(*c) - unsigned('0');
    if (digit > 9 || value > (UINT64_MAX - digit) / 10)
      Fatal("ZEL_DRAW_SEED must be a whole decimal number below 2^64, not \"%s\"\n", text);
    value = value * 10 + digit;
  }
  *seed = value;
  return true;
}

// Fills the buffer from /dev/urandom; false when it cannot be read.
bool read_urandom(char* at, size_t left) {
  const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  while (left > 0) {
    const ssize_t got = read(fd, at, left);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    at += got;
    left -= size_t(got);
  }
  close(fd);
  return left == 0;
}

// Fills the buffer with the system's entropy: getrandom, else /dev/urandom
// (kernels without getrandom, or filters that forbid it).
void system_entropy(char* at, size_t left) {
  while (left > 0) {
    const ssize_t got = prime_draw_entropy(at, left, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    at += got;
    left -= size_t(got);
  }
  if (left > 0 && !read_urandom(at, left)) Fatal("No entropy for the draw of the primes\n");
}

void seed(Draw& d) {
  uint32_t words[8] = {};
  uint64_t fixed = 0;
  if (fixed_seed(&fixed)) {
    words[0] = uint32_t(fixed);
    words[1] = uint32_t(fixed >> 32);
  } else {
    system_entropy(reinterpret_cast<char*>(words), sizeof words);
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
