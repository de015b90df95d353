// The segmented table of monomial pointers of one build.
//
// The main loop keeps here the multiplier of each item of an F4 step (word
// form, null for the monomial 1); entries never move while the table grows
// (relative_table.hpp).
// Segments live in the zone that was active when they were added; a memory
// reset forgets the table.
#pragma once

#include <cstdint>

#include "engine/mem/relative_table.hpp"
#include "engine/mono/expos_words.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

extern RelativeTable<ExposW*> relative_Expos;  // "Expos"

inline void reset_relative_Expos() { reset_relative(relative_Expos); }
inline void set_relative_Expos(uint32_t i, ExposW* v) { set_relative(relative_Expos, i, v); }
inline ExposW* get_relative_Expos(uint32_t i) { return get_relative(relative_Expos, i); }

}  // namespace zel::ZEL_BUILD
