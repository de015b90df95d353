// Integer build: random primes outside the default table, for the batches
// that must not be known in advance (the multi-modular loop's batches after
// the first).  The table is public: an input can be built to be bad, or to
// lift wrongly, modulo every prime of it.  Outside it, in the top quarter
// of the 32-bit range, lie about 48 million primes, more than any input can
// cover (their product has about 1.5 billion bits).  The engine's residue
// arithmetic takes any prime above 2^31 (its reductions need the prime's
// top bit set, nothing more); the top quarter keeps the primes nearly as
// large as the table's (31.8 bits on average), so that a batch lifts about
// as much as one of the table.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// The next prime of the draw: an odd number drawn uniformly above 3 2^30
// and below the table's smallest prime, taken when it is prime.  The
// draw is seeded on first use with 256 bits from the system's entropy
// (getrandom, else /dev/urandom; fatal when neither gives them), or from
// ZEL_DRAW_SEED when that is set and not empty (tests that replay a run:
// anything but a whole decimal number below 2^64 is fatal), and again in a
// forked child, whose draw would otherwise repeat its parent's.
uint32_t draw_prime();

// Starts the draw again from its seed, as on first use (tests).
void reseed_prime_draw();

// The call that gives the draw its entropy: getrandom.  Tests put a failing
// one in its place to see the draw fall back on /dev/urandom.
extern ssize_t (*prime_draw_entropy)(void* buffer, size_t length, unsigned flags);

}  // namespace zel::ZEL_BUILD
