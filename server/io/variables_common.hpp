// One body for the variable declarations of every exponent type: the type's
// name table and counts are passed in.
#pragma once

#include <cstring>

#include "server/base/exp_vector.hpp"
#include "server/base/orv_malloc.hpp"
#include "server/base/runtime.hpp"
#include "server/io/variables.hpp"

namespace orv::ORV_BUILD {

inline char* copy_name(const char* name) {
  size_t n = std::strlen(name ? name : "");
  char* copy = static_cast<char*>(ORV_C(Orv_malloc)(uint32_t(n + 1)));
  if (!copy) Fatal("Cannot allocate %u bytes for a variable name\n", unsigned(n + 1));
  std::memcpy(copy, name ? name : "", n + 1);
  return copy;
}

inline void name_variable(char** table, uint32_t i, const char* name) {
  if (i >= kMaxVariables) Fatal("Too many variables: %u (at most %u)\n", i + 1, kMaxVariables);
  table[i] = copy_name(name);
}

inline void add_front_variable(char** table, uint32_t& count, const char* name) {
  if (count >= kMaxExtraVariables) Fatal("Too much extra variables\n");
  table[count] = copy_name(name);
  ++count;
}

}  // namespace orv::ORV_BUILD
