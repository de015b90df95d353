// The build's allocation hook: a function pointer that the server code calls
// for every pooled record block and coefficient block.  It starts as
// internal_Orv_malloc (big_memory.hpp) and returns null when memory is
// refused; callers test for it.
#pragma once

#include <cstdint>

#include "server/base/big_memory.hpp"
#include "server/base/orv_variant.hpp"

namespace orv::ORV_BUILD {

using Orv_malloc_hook = void* (*)(uint32_t n);

// Orv_int_Orv_malloc in the integer build, Orv_Orv_malloc in the other.
extern Orv_malloc_hook ORV_C(Orv_malloc);

}  // namespace orv::ORV_BUILD
