// The prime table of one build and the per-prime constants.
//
// Integer build: V = ZEL_C(vectorize) lanes (default 5), lane l modulo
// ZEL_C(Primes)[l], chosen by init_Dom from the default table.  Prime-field
// build: one lane modulo the caller's prime (set_field_prime).
// The tables come from xmalloc_spec (category 5) and live until the next
// memory reset; every rebuild takes a new block.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

extern uint32_t ZEL_C(vectorize);       // lanes in use (always 1 in the prime-field build)
extern uint32_t ZEL_C(maxi_vectorize);  // lanes the table was sized for
extern uint32_t* ZEL_C(Primes);         // prime of each lane
extern uint32_t* Primes_ori;            // the primes as init_Dom chose them
extern uint32_t* modulo6;               // 10^6 mod p, per lane
extern uint32_t* modulo32;              // 2^32 mod p, per lane
extern uint32_t offset_primes;          // primes skipped from the top of the default table
extern char state1[128];                // state of the C library's random()
extern double ZEL_C(taille_maxi);       // largest coefficient seen, in 32-bit words
extern double ZEL_C(local_taille_maxi);
extern int32_t ZEL_C(want_raw_output);  // print residues as they are

// Runs at the end of init_Dom to (re)start the GMP side; null until that
// layer installs itself.
extern void (*init_INT_hook)();

// Integer build: takes ZEL_C(vectorize) primes from the default table, the
// window starting offset_primes primes below the top, in increasing order;
// computes modulo6 / modulo32; restarts random() from seed 1.
// Fatal: "Not enough primes in default table\n" when V > maxi_vectorize,
// "Offset is not valid [2] ! %u %u %u %d\n" when the window leaves the table.
void init_Dom();

// Integer build: the prime table of a batch chosen by the caller: lane l
// modulo primes[l] (v primes, each above 2^31); sets ZEL_C(vectorize) and
// ZEL_C(maxi_vectorize) to v, computes modulo6 / modulo32, runs
// init_INT_hook and restarts random() from seed 1, as init_Dom does.
void set_batch_primes(const uint32_t* primes, uint32_t v);

// Prime-field build: one lane modulo p.  p must be a prime below 65536
// (fatal otherwise: residues are 16 bits and inverses need a prime).
void set_field_prime(uint32_t p);

// Integer build: ZEL_C(maxi_vectorize); prime-field build: 1.
uint32_t numberOfPrimes();
// The build's prime array.
uint32_t* listOfPrimes();

// Raises the size statistics to `words` (32-bit words of a coefficient)
// when larger; the GMP layer's enregistre(c) passes its estimate here.
void enregistre_size(double words);

// Whether n is prime: Miller-Rabin to the bases 2, 7 and 61, which no
// composite below 4759123141 > 2^32 passes: exact for every 32-bit n.
bool is_prime32(uint32_t n);

// Prime-field build: nothing to prepare.
inline void init_urgent_implement_Dom() {}

}  // namespace zel::ZEL_BUILD
