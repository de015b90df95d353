// A C-interface session of the build under test, as a C caller sets it up.
#pragma once

#include <string>
#include <vector>

#include "engine/call_zel.h"
#include "engine/variant.hpp"

namespace zel_test {

inline constexpr UI32 kTestPrime = 65521;

// Variable names that live as long as the test program.
inline char** test_names(UI32 n) {
  static std::vector<std::string> storage;
  static std::vector<char*> ptrs;
  storage.clear();
  ptrs.clear();
  for (UI32 i = 0; i < n; ++i) storage.push_back("x" + std::to_string(i));
  for (auto& s : storage) ptrs.push_back(&s[0]);
  return ptrs.data();
}

// reset_memory, init_urgent (no recording), init, reset_coeffs, reset_expos.
inline void start_session(UI32 n1, UI32 n2, UI32 prime = kTestPrime) {
  using zel::ZEL_BUILD::Dom;
  ZEL_C(reset_memory)();
  ZEL_C(init_urgent)(sizeof(Dom), 2, "DRLDRL", 100000, 0);
  ZEL_C(init)(1, 1, 0, nullptr);
#ifdef ZEL_VARIANT_INT
  (void)prime;
  ZEL_C(reset_coeffs)(1);
#else
  UI32 pr[] = {prime};
  ZEL_C(reset_coeffs)(1, pr);
#endif
  ZEL_C(reset_expos)(n1, n2, test_names(n1 + n2));
}

}  // namespace zel_test
