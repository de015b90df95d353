// Whether the kernels may pick their AVX-512 forms: ZEL_NO_AVX512 set to
// any non-empty value turns them off, so the AVX2 forms can be measured on a
// machine that has both.  Read once; the kernels' dispatch asks it at load.
#pragma once

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

bool avx512_allowed();

}  // namespace zel::ZEL_BUILD
