// The segmented table of monomial pointers.
#include "engine/mono/relative_expos.hpp"

namespace zel::ZEL_BUILD {

RelativeTable<Expos*> relative_Expos{"Expos"};

}  // namespace zel::ZEL_BUILD
