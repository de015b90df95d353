// The set-up of the server algorithms' packages and the one-time start of
// the server side that the engine's lib_init runs (Orv_urgent_init_VGF in
// the integer build, Orv_urgent_init_GFC in the prime-field build).
//
// Every set-up here may be called again: it builds its pools the first time
// only, so records that callers hold stay valid and the pools keep their
// taking order.
#pragma once

#include <cstdio>

#include "server/algo/hilbert.hpp"
#include "server/algo/normal_form.hpp"
#include "server/algo/sugar.hpp"

namespace orv::ORV_BUILD {

#ifdef ZEL_VARIANT_INT
// The change of ordering: the lexicographic pairing and the FGLM block pools.
void init_ORDERING__DMP__BigDexp__VGF__DMP__BigLexp__VGF();
#else
// The triangular decomposition: the normal-form package and the state pool.
void init_LEXTRI__DMP__DRLDRL__GFC();
#endif

// Every package of the build, once.
void init_algorithm_packages();

}  // namespace orv::ORV_BUILD

// Once per process and build: the printers write on out, the error
// stream is err, the packages are ready.  Later calls do nothing.
#ifdef ZEL_VARIANT_INT
ORV_EXPORT void Orv_urgent_init_VGF(FILE* out, FILE* err);
#else
ORV_EXPORT void Orv_urgent_init_GFC(FILE* out, FILE* err);
#endif
