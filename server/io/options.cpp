// The server program's settings, one set per build.
#include "server/io/options.hpp"

namespace orv::ORV_BUILD {

int32_t want_offset_primes = 0;
int32_t want_homog = 0;
int32_t want_qhomogene = 0;
int32_t want_block = -1;
int32_t want_elim = 0;
int32_t want_intersect = 0;
int32_t want_quotient_display = 0;
int32_t want_Maple_output = 0;
int32_t want_rational_output = 0;
int32_t want_raw_output = 0;
int32_t want_pipe = 0;
int32_t want_pipe2 = 0;

}  // namespace orv::ORV_BUILD
