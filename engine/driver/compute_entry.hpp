// What the compute entries of both builds share: their session records, the
// start of a request (every setting it reads) and the mode flags the
// follow-up steps read.
#pragma once

#include <cstdint>

#include "engine/call_zel.h"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Mode flags of the change-of-order and rational-representation steps.
// begin_request clears them; the mode being run sets its own.
extern uint32_t want_buildmatrix;
extern uint32_t want_rr_form;
extern uint32_t want_radical_strateg1;
extern uint32_t want_add_equations;

// "ZEL_COMPUTE_GBASIS" .. "ZEL_COMPUTE_MATRIXN", "ZEL_???" for other values.
const char* compute_mode_name(int32_t mode);

// When recording: makes the replay's `base` hold the nb live handles given
// (by their numbers in the session) unless they are the polynomials made
// since the last request, in order.  Call before record_groebner_call.
void record_groebner_inputs(void* const* base, uint32_t nb);
// The replay block of a groebner call (when recording is on).
void record_groebner_call(uint32_t nb, int32_t mingbasis_strong, int32_t block,
                          int32_t restrict_, const sZEL_Comp_Desc* env);
// The replay block of a hilbert call (when recording is on).
void record_hilbert_call(uint32_t nb, int32_t mingbasis_strong, int32_t block,
                         int32_t restrict_);

// Sets every engine setting a request reads, from its record or to the
// default, so that a request answers the same whatever ran before it in the
// session.  Every compute entry calls it before it computes.  Only the
// tables of _memory and _index outlast the request: they are capacities,
// kept for the rest of the session.
void begin_request(const sZEL_Comp_Desc& env);
// The same for an entry without a record (gbasis_rr_form; hilbert, which
// runs no mode, passes 0): every option at its default.
void begin_request_without_options(int32_t mode);

// The process's CPU seconds so far, helper threads included: a compute
// entry reports the difference between its entry and its return.
double process_cpu_seconds();

// Checks the arrays of a compute call (fatal when missing).
void check_compute_arrays(void* const* base, uint32_t nb, void* const* result, const char* who);

}  // namespace zel::ZEL_BUILD
