// Text form of a monomial: "x1^2*x3", "1" for the monomial 1.
#pragma once

#include <cstdint>

#include "engine/mono/expos_words.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Prints m on the output channel: header form when `header` is non-zero
// (an `Expos*`), word form otherwise (an `ExposW*`).  Factors are joined by
// "*", an exponent above 1 is written "%s^%u"; variables without a name, and
// the homogenising variable, print as "?".  No line end.
void see_Expos2(const void* m, int header);
inline void see_Expos(const ExposW* m) { see_Expos2(m, 0); }

}  // namespace zel::ZEL_BUILD
