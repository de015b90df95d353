// The integer build's compute entries: groebner (modes 1 and 10, through the
// loop over batches of primes), hilbert and the rational-representation
// entry.
#include <cstdlib>
#include <ctime>

#include "engine/api/record.hpp"
#include "engine/call_zel.h"
#include "engine/coef/int_context.hpp"
#include "engine/coef/primes.hpp"
#include "engine/driver/compute_entry.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/driver/multi_modular.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/pairs.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/pool.hpp"

namespace zel::ZEL_BUILD {

namespace {

constexpr uint32_t kDefaultDlim = 1000000000;

double cpu_seconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

// Where the first batch starts in the prime table: a random window for a
// negative _off, else _off batches of 8 primes down from the top.
uint32_t prime_offset(int32_t off) {
  if (off < 0) return uint32_t((int64_t(random()) + 1) % 1250);
  return uint32_t((int64_t(off) * 8) % 20000);
}

// Sets every engine setting the request reads, from the record or to its
// default, so that nothing of an earlier request carries over (the tables
// of _index and _memory excepted: they are capacities).
void apply_request(const sZEL_Comp_Desc* env) {
  want_mingbasis = 0;
  nb_of_renormed = 0;
  want_eliminated = 0;
  want_buildmatrix = 0;
  want_rr_form = 0;
  want_radical_strateg1 = 0;
  want_add_equations = 0;
  want_automatique = 1;
  ZEL_C(want_aggressive) = 0;
  apply_table_options(env);
  Dlim = env->_dlim > 0 ? uint32_t(env->_dlim) : kDefaultDlim;
}

}  // namespace

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT UI32 ZEL_C(groebner)(void** base, UI32 nb, void** result, I32 mingbasis_strong,
                                I32 block, double* cpu, I32 /*bk0: mode 11 only*/, I32 pas0,
                                I32 restrict_, ZEL_Comp_Desc env) {
  IntContext gmp;
  const double start = cpu_seconds();
  if (cpu != nullptr) *cpu = 0;
  if (env == nullptr) Fatal("Zel interface error: no compute record given to groebner\n");
  record_groebner_call(nb, mingbasis_strong, block, restrict_, env);
  check_compute_arrays(base, nb, result, "groebner");
  if (block < 0) Fatal("Zel interface error: negative block %d given to groebner\n", block);
  if (env->_compute != ZEL_COMPUTE_GBASIS && env->_compute != ZEL_COMPUTE_NOP)
    Fatal("Zel_int_groebner: compute mode %d (%s) is not available in this version of the "
          "library\n",
          env->_compute, compute_mode_name(env->_compute));

  offset_primes = prime_offset(env->_off);
  Stderr("Set offset primes to %u/%d\n", offset_primes, 20000);
  apply_request(env);
  Output("Lin Bk ignored [NEW lib]");

  ModularRequest rq;
  rq.input = reinterpret_cast<Dpol_INT* const*>(base);
  rq.n = nb;
  rq.mode = env->_compute;
  rq.force_elim = env->_force_elim;
  rq.mingbasis_strong = mingbasis_strong;
  rq.block = uint32_t(block);
  rq.restrict_ = restrict_ != 0;
  rq.first_batch = first_batch_size(pas0, rq.input, nb);
  const uint32_t count = run_multi_modular(rq, reinterpret_cast<Dpol_INT**>(result));
  if (cpu != nullptr) *cpu = cpu_seconds() - start;
  return count;
}

ZEL_EXPORT UI32 ZEL_C(hilbert)(void** /*base*/, UI32 nb, void** /*result*/,
                               I32 mingbasis_strong, I32 block, double* /*cpu*/, I32 /*bk0*/,
                               I32 /*pas0*/, I32 restrict_) {
  record_hilbert_call(nb, mingbasis_strong, block, restrict_);
  Fatal("Zel_int_hilbert: Hilbert series need the server algorithms, which this version of the "
        "library does not carry\n");
}

ZEL_EXPORT UI32 ZEL_C(gbasis_rr_form)(void** /*base*/, UI32 /*nb*/, void** /*result*/,
                                      double* /*cpu*/) {
  Fatal("Zel_int_gbasis_rr_form: rational representations are not available in this version of "
        "the library\n");
}
