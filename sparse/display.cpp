#include <cinttypes>
#include <cstdio>

#include "sparse/fglm.hpp"

namespace zel::ZEL_BUILD {

void display_poly(const Dom* P, int32_t n) {
  const char* name = w_lvars != nullptr ? w_lvars : "x";
  if (P == nullptr) {
    std::fputs(")", stdout);
    return;
  }
  bool first = true;
  for (int32_t e = n - 1; e >= 0; --e) {
    if (P[e] == 0) continue;
    if (!first) std::fputs("+", stdout);
    first = false;
    if constexpr (kIntegerBuild)
      std::printf(" %u ", static_cast<unsigned>(P[e]));
    else
      std::printf(" %d ", static_cast<int>(P[e]));
    if (e > 0)
      std::printf("*%s^%d", name, e);
    else
      std::fputs("\n", stdout);
  }
  if (n <= 0 || P[0] == 0) std::fputs("\n", stdout);
}

void write_session(FILE* f, const uint32_t* v, int32_t count) {
  for (int32_t i = 0; i < count; ++i) std::fprintf(f, i == 0 ? "[%u" : ",%u", static_cast<unsigned>(v[i]));
  std::fputs("]\n", f);
}

}  // namespace zel::ZEL_BUILD
