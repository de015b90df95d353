// Integer build: random primes outside the default table, for the batches
// that must not be known in advance (the multi-modular loop's batches after
// the first).  The table is public: an input can be built to be bad, or to
// lift wrongly, modulo every prime of it.  Outside it lie about 98 million
// primes between 2^31 and the table's smallest, more than any input can
// cover.  The engine's residue arithmetic takes any prime above 2^31 (its
// reductions need the prime's top bit set, nothing more).
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Whether n is prime: Miller-Rabin with the bases 2, 7 and 61, exact for
// every 32-bit n.
bool is_prime32(uint32_t n);

// The next prime of the draw: uniform over the odd numbers above 2^31 and
// below the table's smallest prime, the first prime among them taken.  The
// draw is seeded on first use with 256 bits from the system's entropy, or
// from ZEL_DRAW_SEED when that is set (tests that replay a run), and again
// in a forked child, whose draw would otherwise repeat its parent's.
uint32_t draw_prime();

// Starts the draw again from its seed, as on first use (tests).
void reseed_prime_draw();

}  // namespace zel::ZEL_BUILD
