// Text form of a monomial.
#include "engine/mono/expos_print.hpp"

#include "engine/mem/messages.hpp"

namespace zel::ZEL_BUILD {

void see_Expos2(const void* m, int header) {
  if (!m || real_nb_of_affine_variables == 4294967295u) {
    ZEL_C(Output)("1");
    return;
  }
  const ExposW* w = header ? words_of(static_cast<const Expos*>(m)) : static_cast<const ExposW*>(m);
  const uint32_t n = nb_of_affine_variables;
  bool first = true;
  for (uint32_t j = 0; j <= n; ++j) {
    const uint32_t e = get_field(w, j);
    if (!e) continue;
    if (!first) ZEL_C(Output)("*");
    first = false;
    const char* name = j < kMaxNamedVariables && Liste_variables[j] ? Liste_variables[j] : "?";
    if (e == 1)
      ZEL_C(Output)("%s", name);
    else
      ZEL_C(Output)("%s^%u", name, e);
  }
  if (first) ZEL_C(Output)("1");
}

}  // namespace zel::ZEL_BUILD
