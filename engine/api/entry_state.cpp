// What the guards of one build give back when an entry unwinds, kept at
// every outermost claim and put back by the next one when a host left the
// entry without running them (entry_claim.hpp).
//
// Each guard restores a setting to what it was when the guard began; the
// guards live inside an entry, so the settings as the outermost entry found
// them are what its guards would have left.  Only settings are kept: what an
// entry made (polynomials, zone memory) stays until the next memory reset.
#include <cstdint>
#include <utility>

#include "engine/api/interrupt.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/driver/refusal.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/trace.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mem/zone_prefault.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/coef/primes.hpp"
#include "server/base/runtime.hpp"
#include "sparse/descriptor.hpp"
#include "sparse/exit.hpp"
#ifdef ZEL_VARIANT_INT
#include "engine/coef/int_context.hpp"
#else
#include "engine/driver/prime_sign.hpp"
#endif

namespace zel::ZEL_BUILD {

namespace {

struct EntryState {
  int32_t zone_ids[3] = {0, 0, 0};  // which zone each slot held (InZone2, InZone3)
  int32_t pipe2 = 0;
  uint32_t state_percent = 0, very_quiet = 0;
  int32_t raw_output = 0;
  uint32_t eliminated = 0;
  uint32_t second_block = 0;
  uint32_t prime_offset = 0;
  bool sparse_exits_raise = false;
  void (*server_fatal)(const char*) = nullptr;
  bool refusals = false;
  uint32_t seed = 1;
  uint32_t *primes = nullptr, *prime = nullptr;
  int32_t prime_ok = 0;
#ifdef ZEL_VARIANT_INT
  uint32_t int_depth = 0, check_zero_rows = 0;
#else
  int32_t sign = 0, half = 0;
#endif
};

EntryState at_claim;

}  // namespace

void save_entry_state() {
  EntryState& s = at_claim;
  for (int k = 0; k < 3; ++k) s.zone_ids[k] = garbage_zone[k].cur_id_garbage;
  s.pipe2 = want_pipe2;
  s.state_percent = ZEL_C(want_state_percent);
  s.very_quiet = ZEL_C(want_very_quiet);
  s.raw_output = ZEL_C(want_raw_output);
  s.eliminated = want_eliminated;
  s.second_block = var_second_block;
  s.prime_offset = offset_primes;
  s.sparse_exits_raise = exits_raise_fatal;
  s.server_fatal = orv::fatal_raise;
  s.refusals = refusals_unwind;
  s.seed = projection_seed;
  s.primes = Table_Primes;
  s.prime = modulo;
  s.prime_ok = ZEL_C(modulo_ok);
#ifdef ZEL_VARIANT_INT
  s.int_depth = int_context_depth();
  s.check_zero_rows = verify_zero_rows;
#else
  s.sign = PrimeSign;
  s.half = PrimeHalf;
#endif
}

void restore_entry_state() {
  const EntryState& s = at_claim;
  // A helper thread may still fault in pages of a step the host cut short.
  join_zone_prefault();
  // The zones back in their slots, whatever swaps were left undone.
  for (int k = 0; k < 3; ++k)
    for (int j = k + 1; j < 3; ++j)
      if (garbage_zone[j].cur_id_garbage == s.zone_ids[k] && s.zone_ids[k] != 0)
        std::swap(garbage_zone[k], garbage_zone[j]);
  want_pipe2 = s.pipe2;
  ZEL_C(want_state_percent) = s.state_percent;
  ZEL_C(want_very_quiet) = s.very_quiet;
  ZEL_C(want_raw_output) = s.raw_output;
  want_eliminated = s.eliminated;
  var_second_block = s.second_block;
  offset_primes = s.prime_offset;
  exits_raise_fatal = s.sparse_exits_raise;
  orv::fatal_raise = s.server_fatal;
  refusals_unwind = s.refusals;
  projection_seed = s.seed;
  Table_Primes = s.primes;
  modulo = s.prime;
  ZEL_C(modulo_ok) = s.prime_ok;
#ifdef ZEL_VARIANT_INT
  restore_int_context_depth(s.int_depth);
  verify_zero_rows = s.check_zero_rows;
#else
  PrimeSign = s.sign;
  PrimeHalf = s.half;
#endif
}

}  // namespace zel::ZEL_BUILD
