#include "engine/driver/prime_sign.hpp"

namespace zel::ZEL_BUILD {

int32_t PrimeSign = -1;
int32_t PrimeHalf = -1;

}  // namespace zel::ZEL_BUILD
