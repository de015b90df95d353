// The build report of internal_report: what this build was made with and its
// main limits, on the output channel.
#include <gmp.h>

#include <initializer_list>

#include "engine/api/entry_guard.hpp"
#include "engine/api/host.hpp"
#include "engine/call_zel.h"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/code_table.hpp"
#include "engine/mono/expos_hash.hpp"

using namespace zel::ZEL_BUILD;

namespace {

constexpr bool I = kIntegerBuild;

void setting(const char* name, long long value) { Output("\t%s = %lld\n", name, value); }

}  // namespace

ZEL_EXPORT I32 ZEL_C(internal_report)(void) try {
  ZEL_ENTRY_CLAIM;
  // Printing is the entry's whole job: a C caller, whose messages are
  // silent, reads it on the standard error stream.
  zel::VisibleOutput visible;
  const I32 version = ZEL_C(internal_version)();
  Output("zel library version:%d (LIBMODE=%d)\n", version, I ? 2 : 1);
  Output("    sizeof(UI32_or_64)=%d\n", 8);
  Output("    sizeof(UI32)=%d\n", 4);
  Output("    sizeof(UI64)=%d\n", 8);
  Output("    compiled with gcc %d.%d\n", __GNUC__, __GNUC_MINOR__);
  if (I) {
    Output("    linked with gmp %d", __GNU_MP_VERSION);
    Output(".%d", __GNU_MP_VERSION_MINOR);
    Output(".%d", __GNU_MP_VERSION_PATCHLEVEL);
    Output("\n");
  } else {
    Output("\tOPENMP\n");
  }
  Output("\t%s\n", zel::qem_malloc_report());
  Output(I ? "\tno SSE Signed\n" : "\tSSE signed\n");
  Output("\tAVOID LONGLONG\n");
  if (I) Output("\tNO IMPOSSIBLE CASE\n");
  setting("CHOIX_ORDRE", 3);
  setting("CHOIX_COEF", I ? 2 : 1);
  setting("DYNAMIC_MAX_INDEX", 1);
  setting("VAR_ZONE_MEMORY", 1);
  setting("zone_memory_allocated", static_cast<long long>(zone_memory_allocated));
  setting("MAX_INDEX", zel_max_index);
  setting("HASH_PRIME", zel_hash_prime);
  setting("AFFINE_SET_ZERO", 1);
  for (const char* name : {"SPECIAL_FILTRE", "NEW_ALGO"}) setting(name, 0);
  setting("USE_ORV", 1);
  for (const char* name : {"ALGO_F6_pre", "ALGO_F6", "VERB_F5", "FORCE_F5", "FULL_HEAD", "F5_SYM",
                           "F5_SYM_INVARIANT", "F5_SYM_F6"})
    setting(name, 0);
  setting("F5_SYM_DENSE", 1);
  setting("F5_SYM_NO_HASH", 0);
  setting("F5_SYM_AFFINE", 0);
  setting("SPARSE_LINEAR_ALGEBRA", 1);
  setting("LENGTH_MONOM", 1);
  for (const char* name : {"NEW_ALGO_AFFINE", "EXPLICIT_RENORMS", "ONLINE_RENORMS"})
    setting(name, 0);
  setting("MAXI_VECTORIZE", I ? ZEL_C(maxi_vectorize) : 1);
  setting("INFO_SIZE_MATRIX", 1);
  setting("BIGNNI", 1);
  setting("INCREMENTAL_DIM", 0);
  setting("FINAL_DIM", 1);
  setting("CHOIX_ORDRE", 3);
  setting("CHOIX_COEF", I ? 2 : 1);
  setting("USE_CALLORV", 0);
  setting("USE_MANAGER", 0);
  setting("SINGLE_PRIME", I ? 0 : 1);
  for (const char* name : {"BEST_ORDER", "SQUARE_FREE", "DAVOV", "STATS_USEFUL_POLYS",
                           "GENERATE_CODE"})
    setting(name, 0);
  setting("GENERATE_CODE_COMPACT", I ? 0 : 1);
  setting("STRATEG_GENERATE_CODE", 2);
  setting("GENERATE_CODE_UNROLL", 0);
  setting("USE_INCREMENTAL_INFO", 0);
  setting("USE_ORV", 1);
  Output("      Endian\n");
  Output("\tZEL_EXPERIMENTAL\n");
  Output(I ? "\tMODP_BCLASSIC\n" : "\tMODP_CLASSIC\n");
  setting("SIMUL_OUT", I ? 1 : 0);
  setting("SIMUL_IN", I ? 1 : 0);
  setting("SIMUL_IN_VIRTUEL", 0);
  setting("WEIGHTS", 0);
  Output("\tMAX_GARBAGES=%d\n", int(dynamic_max_garbages));
  return version;
} ZEL_ENTRY_CATCH("internal_report")
