// What the compute entries of both builds share: their session records, the
// table options of a request and the mode flags the follow-up steps read.
#pragma once

#include <cstdint>

#include "engine/call_zel.h"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Mode flags of the change-of-order and rational-representation steps.
// Every request sets each of them (a request never inherits the mode of the
// one before).
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

// _memory > 0: zone tables of _memory * 30000 entries (never smaller than
// now).  _index > 0: at most _index matrix columns, with a fresh monomial
// code table sized for it.  Values <= 0 leave the settings alone.
void apply_table_options(const sZEL_Comp_Desc* env);

// The degree limit of a request (_dlim > 0; else none).  Mode 1 makes no
// pair above it; the modes that need the whole basis refuse one the limit
// cut short (whole_basis: the mode is not 1).
void apply_degree_limit(int32_t dlim, bool whole_basis);

// Checks the arrays of a compute call (fatal when missing).
void check_compute_arrays(void* const* base, uint32_t nb, void* const* result, const char* who);

}  // namespace zel::ZEL_BUILD
