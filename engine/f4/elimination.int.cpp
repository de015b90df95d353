// The integer build's elimination works on several lanes at once and
// records or replays the first-prime trace; until that machinery exists a
// basis computation of the integer build stops here with a clear message
// rather than return a wrong result.
#include "engine/f4/elimination.hpp"
#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

uint32_t Zel_int_LINEAR_solve(CodedRow** /*rows*/, uint32_t /*nrows*/, uint32_t /*ncols*/,
                              uint32_t /*nreduce*/, Dpol** /*out*/,
                              const Base_Exposants* /*codes*/) {
  Fatal("The integer build cannot eliminate F4 matrices yet (multi-prime elimination missing)\n");
}

}  // namespace zel::ZEL_BUILD
