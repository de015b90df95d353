// Settings that the server program's command line makes, as far as the
// server library reads them.  Plain 32-bit globals of each build, 0 at load
// unless said otherwise.  The runtime's own flags (want_quiet, want_time,
// the log stream, ...) are in server/base/runtime.hpp.
#pragma once

#include <cstdint>

#include "server/base/orv_variant.hpp"

namespace orv::ORV_BUILD {

extern int32_t want_offset_primes;  // -offset: first prime of the coefficient vectors
extern int32_t want_homog;          // -homog: degree enumeration keeps the top degree only
extern int32_t want_qhomogene;      // -qhomog: the last variable homogenises
extern int32_t want_block;          // -block N: size of the first block [-1]
extern int32_t want_elim;           // read by the variable headers
extern int32_t want_intersect;
extern int32_t want_quotient_display;
extern int32_t want_Maple_output;  // read by the Fortran writer
extern int32_t want_rational_output;
extern int32_t want_raw_output;
extern int32_t want_pipe;  // output for a pipe (set by the bridge)
extern int32_t want_pipe2;

}  // namespace orv::ORV_BUILD
