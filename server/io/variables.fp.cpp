// Variable declarations of the prime-field build: DRLDRL.
#include "server/base/drldrl.hpp"
#include "server/io/variables_common.hpp"

namespace orv::ORV_BUILD {

char** global_List_variables = nullptr;

void add_variable(uint32_t i, const char* name) { name_variable(Liste_variables_DRLDRL, i, name); }

void add_bvariable(const char* name) {
  add_front_variable(Liste_variables_DRLDRL, extra_nb_vars_DRLDRL, name);
}

void add_lvariable(const char*) { ++extra_nb_end_vars_DRLDRL; }

}  // namespace orv::ORV_BUILD
