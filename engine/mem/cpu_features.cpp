#include "engine/mem/cpu_features.hpp"

#include <cstdlib>

namespace zel::ZEL_BUILD {

bool avx512_allowed() {
  static const bool allowed = [] {
    const char* off = std::getenv("ZEL_NO_AVX512");
    return off == nullptr || *off == '\0';
  }();
  return allowed;
}

}  // namespace zel::ZEL_BUILD
