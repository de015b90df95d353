// This build's part of a memory reset.
#include "engine/mem/build_reset.hpp"

#include "engine/f4/step_buffers.hpp"
#include "engine/mem/pool.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/mem/relative_table.hpp"
#include "engine/mem/xmalloc.hpp"
#include "engine/mem/zone.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"
#ifdef ZEL_VARIANT_INT
#include "engine/coef/chinese.hpp"
#endif

namespace zel::ZEL_BUILD {

void forget_build_memory() {
  release_shared_blocks(kIntegerBuild);
  forget_zones();
  forget_pools();
  forget_xmalloc_chunks();
  // Their segments lived in the zones just emptied.
  forget_relative(relative_Indexes);
  forget_relative(relative_CBoolean);
  // The step's buffers outlive steps and requests, not the session's memory.
  release_step_buffers();
  // Serial numbers of polynomial records start again at 1.
  gen_sym_Dpol = 0;
#ifdef ZEL_VARIANT_INT
  // The lift context lived in an xmalloc block.
  forget_lift_context();
#endif
}

}  // namespace zel::ZEL_BUILD
