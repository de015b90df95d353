// The main loop with its answer made whole after aggressive elimination.
//
// Aggressive elimination (prime-field build, engine/f4/elimination.hpp)
// skips rows on the guess that they reduce to zero; when the guess was
// wrong the result is no basis.  When rows were skipped, the basis is
// completed by a full computation from the inputs and the polynomials found
// (all in the ideal), which also gives the reduced basis.  Every caller of
// the main loop whose result is taken as the basis goes through here.
#pragma once

#include <cstdint>

#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// gbasis(input, n, G, cpu) (engine/driver/gbasis.hpp), then the completion
// when rows were skipped; *cpu receives the seconds of both.
uint32_t complete_gbasis(Dpol** input, uint32_t n, Dpol** G, double* cpu);

}  // namespace zel::ZEL_BUILD
