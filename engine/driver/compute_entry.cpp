// Shared parts of the compute entries (see compute_entry.hpp), the date
// stamp and the memory-state hook.
#include "engine/api/entry_guard.hpp"
#include "engine/driver/compute_entry.hpp"

#include "engine/api/stop_flag.hpp"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "engine/api/handles.hpp"
#include "engine/api/record.hpp"
#include "engine/api/session.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/pairs.hpp"
#include "engine/f4/symbolic.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/code_table.hpp"

namespace zel::ZEL_BUILD {

uint32_t want_buildmatrix = 0;
uint32_t want_rr_form = 0;
uint32_t want_radical_strateg1 = 0;
uint32_t want_add_equations = 0;

const char* compute_mode_name(int32_t mode) {
  static const char* const kNames[] = {
      "ZEL_COMPUTE_GBASIS",          "ZEL_COMPUTE_RRFORM",
      "ZEL_COMPUTE_RRFORM_SQFR",     "ZEL_COMPUTE_MINPOLY",
      "ZEL_COMPUTE_MINPOLY_SQFR",    "ZEL_COMPUTE_GBASIS_NF",
      "ZEL_COMPUTE_GBASIS_NF_RECOMPUTE", "ZEL_COMPUTE_RADICAL_STRATEG1",
      "ZEL_COMPUTE_RADICAL_STRATEG2", "ZEL_COMPUTE_NOP",
      "ZEL_COMPUTE_GBASIS_MULTI",    "ZEL_COMPUTE_MATRIXN"};
  return mode >= 1 && mode <= 12 ? kNames[mode - 1] : "ZEL_???";
}

namespace {

// Prints the results on the standard error stream when the replay program
// runs with a first argument of 1.
void record_display_block() {
  record1(
      "    if (want_display) {\n"
      "      int i;\n"
      "      fprintf(stderr,\"[\\n\");\n"
      "      for (i=0;i<nb;i++) {\n"
      "        if (i) fprintf(stderr,\",\\n\");\n");
  record1(kIntegerBuild ? "        ZEL(see_Dpol_INT)(resultat[i]);\n"
                        : "        ZEL(see_Dpol)(resultat[i]);\n");
  record1(
      "      }\n"
      "      fprintf(stderr,\"\\n]\\n\");\n"
      "    }\n");
}

}  // namespace

void record_groebner_call(uint32_t nb, int32_t mingbasis_strong, int32_t block,
                          int32_t restrict_, const sZEL_Comp_Desc* env) {
  if (!libmode_record) return;
  record("  {\n    int nb;\n\tstruct sZEL_Comp_Desc Env;\n    ZEL_Comp_Desc env=&Env;\n");
  record("    room_for_inputs(%u);\n", nb);
  record("    env->_compute=%s;\n", compute_mode_name(env->_compute));
  record("    env->_nb=%d;\n", env->_nb);
  record("    env->_force_elim=%d;\n", env->_force_elim);
  record("    env->_off=%d;\n", env->_off);
  record("    env->_index=%d;\n", env->_index);
  record("    env->_zone=%d;\n", env->_zone);
  record("    env->_memory=%d;\n", env->_memory);
  record("    env->_nb2=%d;\n", env->_nb2);
  record("    env->_bk2=%d;\n", env->_bk2);
  record("    env->_force_elim2=%d;\n", env->_force_elim2);
  record("    env->_aggressive2=%d;\n", env->_aggressive2);
  record("    env->_dlim=%d;\n", env->_dlim);
  record("    env->_skip=%d;\n", env->_skip);
  record("    nb=ZEL(groebner)(base,%u,resultat,%d,%d,&t0,bk0,pas0,%d,env);\n", nb,
         mingbasis_strong, block, restrict_);
  record("    { int i; for (i=0;i<nb;i++) keep_handle(resultat[i]); }\n");
  record_display_block();
  record("  }\n  global_nb=0;\n");
  record("flush");
}

void record_groebner_inputs(void* const* base, uint32_t nb) {
  if (!libmode_record) return;
  // The replay's `base` holds the polynomials made since the last request,
  // in order; anything else is named by its number in the session.
  // A build that keeps no handle table records its inputs as made.
  for (uint32_t i = 0; i < nb; ++i)
    if (find_handle(base[i]) == nullptr) return;
  const uint32_t first = first_input_since_request();
  bool as_made = first + nb == handle_count();
  for (uint32_t i = 0; i < nb && as_made; ++i) as_made = find_handle(base[i])->number == first + i;
  if (as_made) return;
  record("  {\n    static const unsigned idx[%u]={", nb > 0 ? nb : 1u);
  for (uint32_t i = 0; i < nb; ++i) record(i ? ",%u" : "%u", find_handle(base[i])->number);
  if (nb == 0) record1("0");
  record("};\n    int i;\n    room_for_inputs(%u);\n    for (i=0;i<%u;i++) base[i]=handles[idx[i]];\n  }\n",
         nb, nb);
}

void record_hilbert_call(uint32_t nb, int32_t mingbasis_strong, int32_t block,
                         int32_t restrict_) {
  if (!libmode_record) return;
  record("  {\n    int nb;\n    room_for_inputs(%u);\n"
         "    nb=ZEL(hilbert)(base,%u,resultat,%d,%d,&t0,bk0,pas0,%d);\n",
         nb, nb, mingbasis_strong, block, restrict_);
  record_display_block();
  record("  }\n  global_nb=0;\n");
  record("flush");
}

namespace {

// _memory > 0: zone tables of _memory * 30000 entries (never smaller than
// now).  _index > 0: at most _index matrix columns, with a fresh monomial
// code table sized for it.  Values <= 0 leave the settings alone: both are
// capacities kept for the rest of the session.
void apply_table_options(const sZEL_Comp_Desc& env) {
  if (env._memory > 0) {
    const uint64_t slots = uint64_t(env._memory) * 30000;
    if (slots > 0xFFFFFFFFull / 8)
      Fatal("Zel interface error: _memory=%d asks for too large zone tables\n", env._memory);
    enlarge_zone_tables(uint32_t(slots));
  }
  // A column limit lasts for the session, like the tables: a request
  // without _index runs under the last one given.  A refused limit leaves the
  // one in force (and its table) as it was; nothing changes before the
  // refusal, which a host may unwind by longjmp.
  if (env._index > 0) {
    const uint32_t columns = uint32_t(env._index);
    const uint32_t prime = hash_prime_for(columns);
    if (prime == 0) Fatal("Cannot find corresponding prime for MAX_INDEX=%u\n", columns);
    zel_max_index = columns;
    zel_hash_prime = prime;
    Base_Exposants* t = engine_Table_de_Recherche();
    empty_Table_de_Recherche(t);
    ZEL_C(ptr_Base_Exposants) = t;
  }
}

// Aggressive elimination and its skip are options of the prime-field build
// alone; the integer build always runs without them.
void apply_aggressive(const sZEL_Comp_Desc& env) {
  ZEL_C(want_aggressive) = 0;
  want_skip_comput = 0;
#ifdef ZEL_VARIANT_FP
  if (env._aggressive2 >= 1) {
    ZEL_C(want_aggressive2) = uint32_t(env._aggressive2);
    for (uint32_t& a : aggressive_tab) a = uint32_t(env._aggressive2);
    ZEL_C(want_aggressive) = 1;
    std::fprintf(stderr, "********** Set -O2 %d\n", env._aggressive2);
  }
  if (env._skip > 0) want_skip_comput = uint32_t(env._skip);
#else
  (void)env;
#endif
}

// The degree limit of a request (_dlim > 0; else none).  Mode 1 makes no
// pair above it; the modes that need the whole basis refuse one the limit
// cut short.
void apply_degree_limit(const sZEL_Comp_Desc& env) {
  const uint32_t limit = env._dlim > 0 ? uint32_t(env._dlim) : kNoDegreeLimit;
  const bool whole_basis = env._compute != ZEL_COMPUTE_GBASIS;
  Dlim = whole_basis ? kNoDegreeLimit : limit;
  whole_basis_dlim = whole_basis ? limit : kNoDegreeLimit;
}

}  // namespace

void begin_request(const sZEL_Comp_Desc& env) {
  start_unless_stopped_before();
  want_buildmatrix = 0;
  want_rr_form = 0;
  want_radical_strateg1 = 0;
  want_add_equations = 0;
  want_mingbasis = 0;
  want_mingbasis_strong = 1;
  want_eliminated = 0;
  nb_of_renormed = 0;
  want_automatique = 0;
  // Set and cleared within one step of the main loop: an error in between
  // leaves them set.
  ZEL_C(want_ignore_simulin) = 0;
  use_strong_order = 0;
  apply_table_options(env);
  apply_aggressive(env);
  apply_degree_limit(env);
}

void begin_request_without_options(int32_t mode) {
  sZEL_Comp_Desc env{};
  env._compute = mode;
  begin_request(env);
}

double process_cpu_seconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

void check_compute_arrays(void* const* base, uint32_t nb, void* const* result, const char* who) {
  if (nb > 0 && base == nullptr) Fatal("Zel interface error: no input array given to %s\n", who);
  if (result == nullptr) Fatal("Zel interface error: no result array given to %s\n", who);
  for (uint32_t i = 0; i < nb; ++i)
    if (base[i] == nullptr) Fatal("Zel interface error: input polynomial %u of %s is null\n", i, who);
  require_session(who);
}

}  // namespace zel::ZEL_BUILD

ZEL_EXPORT I32 ZEL_C(recompute)(char* buffer, I32 size) try {
  ZEL_ENTRY_CLAIM;
  if (buffer == nullptr || size <= 0) return 0;
  std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  return I32(std::strftime(buffer, size_t(size), "%a %b %e %H:%M:%S", &local));
} ZEL_ENTRY_CATCH("recompute")

ZEL_EXPORT void ZEL_C(memory_state)(void) {
  ZEL_ENTRY_CLAIM;
}
