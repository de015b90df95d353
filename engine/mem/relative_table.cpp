// The segmented tables whose element types live in the memory layer.
#include "engine/mem/relative_table.hpp"

namespace zel::ZEL_BUILD {

RelativeTable<int32_t> relative_Indexes{"Indexes"};
RelativeTable<uint8_t> relative_CBoolean{"CBoolean"};

}  // namespace zel::ZEL_BUILD
