// Integer build: a lifted polynomial checked against the residues of a
// batch it was not lifted from.
#pragma once

#ifndef ZEL_VARIANT_INT
#error "lift checks exist in the integer build only"
#endif

#include <cstdint>

#include "engine/coef/batch_residues.hpp"
#include "engine/coef/int_arith.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Whether the integer coefficients c[0..t) are, modulo each of the primes
// primes[0..lanes) (`batch` built on those same primes), proportional to that lane's residues
// (residues[l][0..t)): c_k m_0 = c_0 m_k modulo p_l for every k.  A wrong
// lift passes one prime with probability about 1/p, but only when the
// prime is not known in advance: the callers draw such batches at random.
bool lift_agrees(const INT* c, uint32_t t, Dom* const* residues, const uint32_t* primes,
                 uint32_t lanes, BatchResidues& batch);

}  // namespace zel::ZEL_BUILD
