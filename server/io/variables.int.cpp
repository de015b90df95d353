// Variable declarations of the integer build: BigDexp and BigLexp.
#include "server/base/bigdexp.hpp"
#include "server/base/biglexp.hpp"
#include "server/io/variables_common.hpp"

namespace orv::ORV_BUILD {

char** global_List_variables = nullptr;

void add_variable(uint32_t i, const char* name) {
  name_variable(Liste_variables_BigDexp, i, name);
  name_variable(Liste_variables_BigLexp, i, name);
}

void add_bvariable(const char* name) {
  add_front_variable(Liste_variables_BigDexp, extra_nb_vars_BigDexp, name);
  add_front_variable(Liste_variables_BigLexp, extra_nb_vars_BigLexp, name);
}

void add_lvariable(const char*) {
  ++extra_nb_end_vars_BigDexp;
  ++extra_nb_end_vars_BigLexp;
}

}  // namespace orv::ORV_BUILD
