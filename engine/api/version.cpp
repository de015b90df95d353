// The version number each build reports to its callers.
#include "engine/api/entry_claim.hpp"
#include "engine/call_zel.h"
#include "engine/variant.hpp"

ZEL_EXPORT I32 ZEL_C(internal_version)(void) {
  ZEL_ENTRY_CLAIM;
  return zel::ZEL_BUILD::kIntegerBuild ? 11804 : 11803;
}
