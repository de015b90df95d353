// The segmented table of monomial pointers.
#include "engine/mono/relative_expos.hpp"

namespace zel::ZEL_BUILD {

RelativeTable<ExposW*> relative_Expos{"Expos"};

}  // namespace zel::ZEL_BUILD
