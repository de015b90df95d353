// The variable declarations of the text input, into the name tables of the
// build's exponent types (BigDexp and BigLexp in the integer build, DRLDRL
// in the prime-field build).  Names are copied into memory from the build's
// allocation hook and never freed.
#pragma once

#include <cstdint>

#include "server/base/orv_variant.hpp"

namespace orv::ORV_BUILD {

// A second table of names by variable index, shared by every text writer of
// the build; when set it overrides the per-type tables.  NULL unless the
// text input sets it.
extern char** global_List_variables;

// The most variables the text input may add in front of the user's.
inline constexpr uint32_t kMaxExtraVariables = 499;

// Names variable i in every name table of the build.
void add_variable(uint32_t i, const char* name);
// Adds a variable in front of the user's: its name goes at index
// extra_nb_vars_<type>, which grows by one.  Fatal beyond 499.
void add_bvariable(const char* name);
// Counts a variable added behind the user's (extra_nb_end_vars_<type>).
void add_lvariable(const char* name);

}  // namespace orv::ORV_BUILD
