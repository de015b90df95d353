// Set-up of the block-Hankel layer for a session's prime, and its
// known-answer self-test.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

// Makes p the prime of the block layer (Table_Primes and modulo point at a
// cell of this unit holding p) and restarts the random generator from seed
// 1.  PrimeSign and PrimeHalf are the caller's to set.  A p that is not a
// prime, or (prime-field build) above 65521, the largest prime whose
// symmetric residues the 16-bit entries hold, ends with status 3.
ZEL_EXPORT void ZEL_C(init_BlockHankel)(uint32_t p);

// Checks the matrix product, the entry and matrix inverses and a whole
// block-Hankel solve (bk = 8, len = 128) against built-in answers; writes
// one "ok" line per check on stderr.  The checks run modulo 65521, the
// prime of the built-in data, and the session's prime (modulo, PrimeSign,
// PrimeHalf) is put back afterwards.  The first failed check writes its
// "nok" line, prints the offending matrix and ends the process with status
// 4.  The integer build checks the product, then ends with status 5: it has
// no block inverse.
ZEL_EXPORT void ZEL_C(test_MatDom1)();
