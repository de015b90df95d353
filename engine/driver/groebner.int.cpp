// The integer build's compute entries: groebner (every mode, through the
// loop over batches of primes), hilbert and the rational-representation
// entry.
#include <cstdlib>
#include <vector>

#include "engine/api/entry_guard.hpp"
#include "engine/api/handles.hpp"
#include "engine/api/record.hpp"
#include "engine/call_zel.h"
#include "engine/coef/int_context.hpp"
#include "engine/coef/primes.hpp"
#include "engine/driver/compute_entry.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/driver/multi_modular.hpp"
#include "server/algo/bridge.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/pairs.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/pool.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Where the first batch starts in the prime table: a random window for a
// negative _off, else _off batches of 8 primes down from the top.
uint32_t prime_offset(int32_t off) {
  if (off < 0) return uint32_t((int64_t(random()) + 1) % 1250);
  return uint32_t((int64_t(off) * 8) % 20000);
}

// Every input must be a live, sorted handle of this session.
void check_inputs(void** base, uint32_t nb, const char* who) {
  for (uint32_t i = 0; i < nb; ++i) check_live_handle(base[i], who, true);
}

// The handles of the inputs, read before a result is written: the result
// array may overlap the caller's array of inputs, which every pass reads.
std::vector<Dpol_INT*> input_handles(void* const* base, uint32_t nb) {
  std::vector<Dpol_INT*> in(nb);
  for (uint32_t i = 0; i < nb; ++i) in[i] = static_cast<Dpol_INT*>(base[i]);
  return in;
}

// The results become handles of the session; the next request's inputs
// count from here.
void hand_out_results(void** out, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) register_handle(out[i], true);
  start_new_request();
}

}  // namespace

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT UI32 ZEL_C(groebner)(void** base, UI32 nb, void** result, I32 mingbasis_strong,
                                I32 block, double* cpu, I32 bk0, I32 pas0,
                                I32 restrict_, ZEL_Comp_Desc env) try {
  ZEL_ENTRY_CLAIM;
  IntContext gmp;
  const double start = process_cpu_seconds();
  if (cpu != nullptr) *cpu = 0;
  if (env == nullptr) Fatal("Zel interface error: no compute record given to groebner\n");
  record_groebner_call(nb, mingbasis_strong, block, restrict_, env);
  check_compute_arrays(base, nb, result, "groebner");
  check_inputs(base, nb, "groebner");
  if (block < 0) Fatal("Zel interface error: negative block %d given to groebner\n", block);
  if (env->_compute < ZEL_COMPUTE_GBASIS || env->_compute > ZEL_COMPUTE_MATRIXN)
    Fatal("Zel_int_groebner: unknown compute mode %d\n", env->_compute);

  // The batches walk down the prime table from the request's offset; the
  // session's own offset (which reset_coeffs uses) comes back afterwards,
  // also when a failure unwinds.
  struct OffsetGuard {
    uint32_t saved = offset_primes;
    ~OffsetGuard() { offset_primes = saved; }
  } offset_guard;
  offset_primes = prime_offset(env->_off);
  Stderr("Set offset primes to %u/%d\n", offset_primes, 20000);
  begin_request(*env);
  Output("Lin Bk ignored [NEW lib]");

  const std::vector<Dpol_INT*> inputs = input_handles(base, nb);
  ModularRequest rq;
  rq.input = inputs.data();
  rq.n = nb;
  rq.mode = env->_compute;
  rq.force_elim = env->_force_elim;
  rq.nb_second = env->_nb > 0 ? uint32_t(env->_nb) : 0;
  rq.bk0 = bk0 > 0 ? uint32_t(bk0) : 0;
  rq.nb2 = env->_nb2 > 0 ? uint32_t(env->_nb2) : 0;
  rq.bk2 = env->_bk2 > 0 ? uint32_t(env->_bk2) : 0;
  rq.force_elim2 = env->_force_elim2;
  rq.mingbasis_strong = mingbasis_strong;
  rq.block = uint32_t(block);
  rq.restrict_ = restrict_ != 0;
  rq.first_batch = first_batch_size(pas0, rq.input, nb);
  const uint32_t count = run_multi_modular(rq, reinterpret_cast<Dpol_INT**>(result));
  hand_out_results(result, count);
  if (cpu != nullptr) *cpu = process_cpu_seconds() - start;
  return count;
} ZEL_ENTRY_CATCH("groebner")

ZEL_EXPORT UI32 ZEL_C(hilbert)(void** base, UI32 nb, void** result, I32 mingbasis_strong,
                               I32 block, double* cpu, I32 /*bk0*/, I32 /*pas0*/,
                               I32 restrict_) try {
  ZEL_ENTRY_CLAIM;
  IntContext gmp;
  record_hilbert_call(nb, mingbasis_strong, block, restrict_);
  check_compute_arrays(base, nb, result, "hilbert");
  check_inputs(base, nb, "hilbert");
  begin_request_without_options(0);
  const double start = process_cpu_seconds();
  const UI32 count = lib_hilbert_compute(base, nb, result);
  hand_out_results(result, count);
  if (cpu != nullptr) *cpu = process_cpu_seconds() - start;
  return count;
} ZEL_ENTRY_CATCH("hilbert")

// Mode 2 on all the polynomials through the loop over batches of primes:
// the rational parametrisation.
ZEL_EXPORT UI32 ZEL_C(gbasis_rr_form)(void** base, UI32 nb, void** result, double* cpu) try {
  ZEL_ENTRY_CLAIM;
  IntContext gmp;
  const double start = process_cpu_seconds();
  check_compute_arrays(base, nb, result, "gbasis_rr_form");
  check_inputs(base, nb, "gbasis_rr_form");
  begin_request_without_options(ZEL_COMPUTE_RRFORM);
  const std::vector<Dpol_INT*> inputs = input_handles(base, nb);
  ModularRequest rq;
  rq.input = inputs.data();
  rq.n = nb;
  rq.mode = ZEL_COMPUTE_RRFORM;
  rq.first_batch = first_batch_size(-1, rq.input, nb);
  const uint32_t count = run_multi_modular(rq, reinterpret_cast<Dpol_INT**>(result));
  hand_out_results(result, count);
  if (cpu != nullptr) *cpu = process_cpu_seconds() - start;
  return count;
} ZEL_ENTRY_CATCH("gbasis_rr_form")
