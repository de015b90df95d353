#include "engine/driver/prime_sign.hpp"

extern "C" {
__attribute__((visibility("default"))) int32_t PrimeSign = -1;
__attribute__((visibility("default"))) int32_t PrimeHalf = -1;
}
