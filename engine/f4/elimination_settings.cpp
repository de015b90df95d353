// Settings of the elimination, one set per build.
#include "engine/f4/elimination.hpp"

namespace zel::ZEL_BUILD {

uint32_t ZEL_C(want_aggressive) = 0;
uint32_t ZEL_C(want_aggressive2) = 5000000;
uint32_t want_skip_comput = 0;
uint64_t aggressive_skipped_rows = 0;
uint32_t ZEL_C(want_state_percent) = 0;
uint64_t elimination_products = 0;

void ZEL_C(info_count_lzw)() {}

}  // namespace zel::ZEL_BUILD
