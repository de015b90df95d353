// Where this layer writes its progress, timing and failure lines.
#pragma once

#include <cstdio>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// The engine's error stream of this build, or the process's standard error
// while the engine has not been initialised.
FILE* err_stream();

}  // namespace zel::ZEL_BUILD
