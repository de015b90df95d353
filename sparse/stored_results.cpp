// The C callers' view of the store-mode results of the FGLM entry.
#include <algorithm>

#include "engine/call_zel.h"
#include "sparse/entries.hpp"
#include "sparse/exit.hpp"

using namespace zel::ZEL_BUILD;

ZEL_EXPORT I32 ZEL_C(w_fglm_result)(I32 j, UI32* out, I32 room) try {
  ZEL_ENTRY_CLAIM;
  const FglmResults& r = last_fglm_results();
  if (r.nvars <= 0 || j < 0 || j >= r.nvars) return -1;
  if (out != nullptr && room > 0) {
    const Dom* row = r.row(j);
    std::copy(row, row + std::min(room, r.width), out);
  }
  return r.width;
} ZEL_SPARSE_ENTRY_CATCH("w_fglm_result")
