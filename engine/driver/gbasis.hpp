// The F4 main loop: from input polynomials to a Groebner basis.
//
// Every input is made monic and enters the basis with its critical pairs;
// then, degree by degree, all pairs of the lowest degree are reduced at once
// by one F4 step, and the new polynomials enter the basis with their pairs.
// At the end the basis is made minimal, optionally inter-reduced (and, in a
// strong pass, inter-reduced again without the homogenising variable) and
// optionally restricted to an elimination ideal.
#pragma once

#include <cstdint>

#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Settings read by the main loop; the compute entry sets them per request.
extern uint32_t want_mingbasis;              // inter-reduce the final basis
extern uint32_t want_mingbasis_strong;       // strong pass without the homogenising variable
extern uint32_t want_eliminated;             // keep only polynomials free of the first block
extern uint32_t ZEL_C(want_ignore_cste);     // a constant found: return the basis plus it
extern uint32_t ZEL_C(want_very_quiet);      // no step degrees (default 1)
extern uint32_t ZEL_C(want_ignore_simulin);  // set during the strong pass
// The degree limit of the modes that need the whole basis: steps above it
// are not run, and a basis left with pairs above it is refused (fatal).
// Mode 1's limit is Dlim (engine/f4/pairs.hpp), above which no pair is made
// at all, so that its cut is not seen.
extern uint32_t whole_basis_dlim;
inline constexpr uint32_t kNoDegreeLimit = 1000000000u;  // either limit when none is set
#ifdef ZEL_VARIANT_INT
extern uint32_t want_rr;  // the result (a shape basis) gets its rational parametrisation
#else
// Aggressive elimination threshold per step degree (0 .. 1000).
extern uint32_t aggressive_tab[1001];
#endif

// Computes the basis of input[0 .. n-1] into G (room for the basis, at most
// 100000 polynomials); returns its size, 0 for no input.  A stop request
// unwinds it as a RequestStopped (stopped_request.hpp).  *cpu receives the
// CPU seconds spent (untouched when n = 0).
// The inputs are sorted, made monic and marked in place.  Integer build:
// each lane is computed modulo its prime; lanes found bad are reported by
// the bad-prime report of engine/f4/trace.hpp, and 0 is also returned, at
// once, when the batch is unusable (batch_unusable()).
uint32_t gbasis(Dpol** input, uint32_t n, Dpol** G, double* cpu);

}  // namespace zel::ZEL_BUILD
