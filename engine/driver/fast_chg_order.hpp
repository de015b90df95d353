// The change of ordering through the server side: the engine's basis for
// the degree order goes over as server polynomials (received in reverse
// order), the server's change of ordering turns it into lexicographic
// polynomials, and they come back as engine polynomials.  The integer
// build calls the same change of order on the engine's polynomials
// directly (the server would hold a second copy of every lane); only the
// matrix dump still takes the server's way.
#pragma once

#include <cstdint>

#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// The most terms a polynomial may have on the prime-field side's way
// through the server (either direction).
inline constexpr uint32_t kServerBufferTerms = 99999;

// basis[0 .. nb-1]: a reduced, zero-dimensional basis for the degree order.
// Writes the lexicographic result into result (x_j + R_j(x_last) for the
// variables that have one, then the minimal polynomial of the last
// variable; minpoly = 1: that alone; sqfr: square-free) and returns how
// many; 0 for an empty basis (result untouched).  estimate: the sparse
// FGLM's degree estimate (-1: none).  dump = 1 writes the multiplication
// matrix to a fresh "/tmp/fmat<k>" and ends the request with a fatal
// error naming it.  Every failure is fatal, never a count.
int32_t lib_fast_chg_order(Dpol** basis, uint32_t nb, Dpol** result, uint32_t sqfr,
                           int32_t minpoly, int32_t estimate, int32_t dump);

}  // namespace zel::ZEL_BUILD
