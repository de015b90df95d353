// The prime-field build's compute entries: groebner (every mode: the
// solving modes through the universal command), hilbert and the
// rational-representation entry.
#include "engine/api/entry_guard.hpp"
#include "engine/api/handles.hpp"
#include "engine/api/poly_input.hpp"
#include "engine/api/record.hpp"
#include "engine/call_zel.h"
#include "engine/driver/complete_gbasis.hpp"
#include "engine/driver/compute_entry.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/driver/saved_results.hpp"
#include "engine/driver/stopped_request.hpp"
#include "engine/driver/universal_cmd.hpp"
#include "server/algo/bridge.hpp"
#include <algorithm>
#include "engine/f4/basis.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/pairs.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/pool.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_pool.hpp"
#include <cstring>
#include <vector>
#include "engine/mono/expos_layout.hpp"
#include "engine/mono/code_table.hpp"

namespace zel::ZEL_BUILD {

namespace {

// The main loop sorts, normalises and dehomogenises its inputs in place, so
// it works on copies (monomials included): a caller may hand the same
// polynomials to another request.  The copies go back with the request's
// memory.  Results of an earlier request are dehomogenised: every copy is
// brought back to the input form.
std::vector<Dpol*> copy_inputs(Dpol* const* in, uint32_t n) {
  std::vector<Dpol*> out(n);
  InZone3 z3;
  for (uint32_t i = 0; i < n; ++i) {
    const Dpol* p = in[i];
    Dpol* q = new_Dpol(p->n);
    for (uint32_t t = 0; t < p->n; ++t) {
      Expos* m = ZEL_C(new_heap_Expos)();
      std::memcpy(m, p->mono[t], sz_Expos);
      q->mono[t] = m;
    }
    if (p->n > 0) std::memcpy(lanes(q)[0], lanes(p)[0], sizeof(Dom) * p->n);
    normalize_input_Dpol(q, false);
    out[i] = q;
  }
  return out;
}

// Where the three zones stood when a request began.  Everything the request
// takes (input copies, pool records, the reducer table, every intermediate
// polynomial) is given back when it ends, so that a session computing many
// bases in a loop stays flat; only the results are kept, rebuilt in zone 3.
struct RequestMarks {
  HeapMark z1, z2, z3;
  RequestMarks() {
    save_orv_state2(z1, z2);
    save_orv_state_z3(z3);
  }
};

void keep_only_results(Dpol** out, uint32_t count, const RequestMarks& marks) {
  // The code table's slots and the step buffers' codes point into the
  // memory given back below, and are emptied before any later use: their
  // memory goes back to the system before the results are copied, so the
  // two never add up.
  release_engine_table_pages();
  release_step_buffers();
  SavedResults saved;
  saved.save(out, count);
  restore_orv_state_z3(marks.z3);
  restore_orv_state2(marks.z1, marks.z2);
  // The request's pages go back too, so that the rebuilt results do not
  // come on top of them.
  give_back_free_zone_pages();
  // The free lists may run through the records just given back.
  forget_pools();
  InZone3 z3;
  saved.rebuild(out);
}

// The results become handles of the session; the next request's inputs
// count from here.
template <class P>
void hand_out_results(P* const* out, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) register_handle(out[i], true);
  start_new_request();
}

// Keeps the results free of the first `first_block` variables.
uint32_t restrict_to(Dpol** G, uint32_t n, uint32_t first_block) {
  const uint32_t saved = var_second_block;
  var_second_block = first_block;
  n = restriction(G, n);
  var_second_block = saved;
  return n;
}

}  // namespace

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT UI32 ZEL_C(groebner)(void** base, UI32 nb, void** result, I32 mingbasis_strong,
                                I32 block, double* cpu, I32 bk0, I32 pas0, I32 restrict_,
                                ZEL_Comp_Desc env) try {
  ZEL_ENTRY_CLAIM;
  const double start = process_cpu_seconds();
  if (env == nullptr) Fatal("Zel interface error: no compute record given to groebner\n");
  // Each request starts from fresh free lists; their records stay in zone 3.
  forget_pools();
  check_compute_arrays(base, nb, result, "groebner");
  for (uint32_t i = 0; i < nb; ++i) check_live_handle(base[i], "groebner", true);
  record_groebner_inputs(base, nb);
  record_groebner_call(nb, mingbasis_strong, block, restrict_, env);
  if (block < 0) Fatal("Zel interface error: negative block %d given to groebner\n", block);
  begin_request(*env);
  const RequestMarks marks;
  double spent = 0;  // the bases' share alone: the call reports all it spent
  std::vector<Dpol*> copies = copy_inputs(reinterpret_cast<Dpol**>(base), nb);
  Dpol** in = copies.data();
  Dpol** out = reinterpret_cast<Dpol**>(result);
  // A stopped request's memory goes back with the marks below.
  uint32_t count = count_unless_stopped([&]() -> uint32_t {
    switch (env->_compute) {
      case ZEL_COMPUTE_GBASIS: {
        want_eliminated = env->_force_elim != 0;
        struct Reset {
          ~Reset() { want_eliminated = 0; }
        } reset;
        return complete_gbasis(in, nb, out, &spent);
      }
      case ZEL_COMPUTE_NOP:
        std::copy(in, in + nb, out);
        return nb;
      default:
        return run_solving_mode(env->_compute, in, nb, env->_nb > 0 ? uint32_t(env->_nb) : 0,
                                out, &spent, bk0 > 0 ? uint32_t(bk0) : 0, env->_force_elim,
                                env->_nb2 > 0 ? uint32_t(env->_nb2) : 0,
                                env->_bk2 > 0 ? uint32_t(env->_bk2) : 0, env->_force_elim2);
    }
  });
  if (block != 0) count = restrict_to(out, count, uint32_t(block));
  if (restrict_ != 0) count = restriction(out, count);
  keep_only_results(out, count, marks);
  hand_out_results(out, count);
  if (cpu != nullptr) *cpu = process_cpu_seconds() - start;
  return count;
} ZEL_ENTRY_CATCH("groebner")

ZEL_EXPORT UI32 ZEL_C(hilbert)(void** base, UI32 nb, void** result, I32 mingbasis_strong,
                               I32 block, double* cpu, I32 bk0, I32 pas0, I32 restrict_) try {
  ZEL_ENTRY_CLAIM;
  forget_pools();
  record_hilbert_call(nb, mingbasis_strong, block, restrict_);
  check_compute_arrays(base, nb, result, "hilbert");
  for (uint32_t i = 0; i < nb; ++i) check_live_handle(base[i], "hilbert", true);
  begin_request_without_options(0);
  const double start = process_cpu_seconds();
  const UI32 count = lib_hilbert_compute(base, nb, result);
  if (cpu != nullptr) *cpu = process_cpu_seconds() - start;
  hand_out_results(result, count);
  return count;
} ZEL_ENTRY_CATCH("hilbert")

ZEL_EXPORT UI32 ZEL_C(gbasis_rr_form)(void** base, UI32 nb, void** result, double* cpu) try {
  ZEL_ENTRY_CLAIM;
  const double start = process_cpu_seconds();
  forget_pools();
  check_compute_arrays(base, nb, result, "gbasis_rr_form");
  for (uint32_t i = 0; i < nb; ++i) check_live_handle(base[i], "gbasis_rr_form", true);
  begin_request_without_options(ZEL_COMPUTE_RRFORM);
  double spent = 0;  // the basis's share alone: the call reports all it spent
  std::vector<Dpol*> copies = copy_inputs(reinterpret_cast<Dpol**>(base), nb);
  const UI32 count = count_unless_stopped([&] {
    return run_solving_mode(ZEL_COMPUTE_RRFORM, copies.data(), nb, 0,
                            reinterpret_cast<Dpol**>(result), &spent, 0, 0, 0, 0, 0);
  });
  hand_out_results(result, count);
  if (cpu != nullptr) *cpu = process_cpu_seconds() - start;
  return count;
} ZEL_ENTRY_CATCH("gbasis_rr_form")
