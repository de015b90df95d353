// The C interface's session set-up: memory reset, sizes and order check,
// flags, primes and variables.
#include "engine/api/session.hpp"

#include <malloc.h>

#include <cstring>
#include <string>

#include "engine/api/entry_guard.hpp"
#include "engine/api/handles.hpp"
#include "engine/api/interrupt.hpp"
#include "engine/api/record.hpp"
#include "engine/call_zel.h"
#include "engine/coef/primes.hpp"
#include "engine/f4/pairs.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/code_table.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/poly/dpol.hpp"

namespace zel::ZEL_BUILD {

int32_t want_pipe = 1;
int32_t want_secure = 1;
int32_t ZEL_C(want_chinese_only) = 0;
int32_t ZEL_C(want_small) = 1;
int32_t ZEL_C(want_lift) = 1;
const char* internal_id_vars[kNameSlots] = {};
uint32_t current_id_vars = 0;
Crit* z_Crit = nullptr;

namespace {
// init clears the name slots once per session.
bool names_cleared = false;
constexpr uint32_t kMaxiBase = 100000;
// The session was cleared by a memory reset that the other build asked for
// (a caller of this build would not expect it).
bool lost_to_other_build = false;
}  // namespace

bool session_is_set_up() { return zone_tables_ready() && ZEL_C(ptr_Base_Exposants) != nullptr; }

void require_session(const char* who) {
  if (session_is_set_up()) return;
  if (lost_to_other_build)
    Fatal("Zel interface error: %s after a memory reset of the %s build, which also cleared "
          "this build's session: set it up again from init_urgent on\n",
          who, kIntegerBuild ? "prime-field" : "integer");
  Fatal("Zel interface error: %s before init_urgent\n", who);
}

void forget_session_state(bool asked_here, bool had_session) {
  if (asked_here)
    lost_to_other_build = false;
  else if (had_session)
    lost_to_other_build = true;
  gen_sym_Dpol = 0;
  forget_handles();
  ZEL_C(previous_alloc) = nullptr;
  names_cleared = false;
  z_Crit = nullptr;
  ZEL_C(ptr_Base_Exposants) = nullptr;
  release_engine_table_pages();
  // The prime table lived in the memory just given back.
  ZEL_C(Primes) = nullptr;
  Primes_ori = nullptr;
  modulo6 = nullptr;
  modulo32 = nullptr;
}

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT void ZEL_C(reset_memory)(void) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record) record("  ZEL(reset_memory)();\n  nb_handles=0;\n");
  reset_session_memory();
} ZEL_ENTRY_CATCH("reset_memory")

// Every reset empties both builds at once (their blocks share one arena), so
// the flag only says who asked.
ZEL_EXPORT void ZEL_C(reset_memory_internal)(I32 flag) try {
  ZEL_ENTRY_CLAIM;
  reset_session_memory();
} ZEL_ENTRY_CATCH("reset_memory_internal")

ZEL_EXPORT void* ZEL_C(init_urgent)(UI32 size_dom, UI32 size_nni, const char* order,
                                     UI32 maxi_base, I32 rec) try {
  ZEL_ENTRY_CLAIM;
  zel::pseudo_share_memory_min = 0;
  libmode_record = rec != 0;
  set_engine_streams(stdout, stderr);
  if (libmode_record) {
    record("  ZEL(init_urgent)(%u,%u,\"%s\",%u,0); /* sizeof(Dom), sizeof(NNI) */\n", size_dom,
           size_nni, c_string_body(order).c_str(), maxi_base);
    record("flush");
  }
  if (size_dom != sizeof(Dom))
    Fatal("Coefficients (Dom): Orv compiled for %d bits and Zel for %d bits !\n",
          int(8 * size_dom), int(8 * sizeof(Dom)));
  if (maxi_base != kMaxiBase)
    Fatal("MAXI_BASE=%d in Zel and %d in ORV\n", int(kMaxiBase), int(maxi_base));
  if (size_nni != 2)
    Fatal("Exponents: Maple interface compiled for %d bits and Zel for %d bits in LIBMODE=%d!\n",
          int(8 * size_nni), 16, kIntegerBuild ? 2 : 1);
  if (order == nullptr || std::strcmp(order, "DRLDRL") != 0)
    Fatal("Zel was compiled for a elimination ordering and Orv for %s\n",
          order ? order : "(null)");
  ZEL_C(want_quiet) = 1;
  want_pipe = 1;
  want_pipe2 = 1;
  init_zone_tables();
  // An interrupt that resets memory must forget the session's handles too.
  interrupt_reset = reset_session_memory;
  Base_Exposants* t = engine_Table_de_Recherche();
  empty_Table_de_Recherche(t);
  ZEL_C(ptr_Base_Exposants) = t;
  return t;
} ZEL_ENTRY_CATCH("init_urgent")

ZEL_EXPORT void* ZEL_C(init)(I32 quiet, I32 info_on_stderr, I32 chinese_only, FILE* log) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record) record("  ZEL(init)(%d,%d,%d,log_output);\n", quiet, info_on_stderr,
                             chinese_only);
  require_session("init");
  want_pipe2 = info_on_stderr;
  ZEL_C(want_chinese_only) = chinese_only;
  want_secure = 0;
  ZEL_C(want_small) = 1;
  ZEL_C(want_quiet) = want_pipe = (quiet != 0 || info_on_stderr != 0) ? 1 : 0;
  ZEL_C(want_lift) = 1;
  if (!names_cleared) {
    for (uint32_t i = 0; i < kMaxNamedVariables; ++i) Liste_variables[i] = nullptr;
    names_cleared = true;
  }
  Crit* root = ZEL_C(new_Crit)();
  std::memset(root, 0, sizeof *root);
  root->next = root;
  z_Crit = root;
  // A null log keeps the current output stream: messages must go somewhere.
  set_engine_streams(log, nullptr);
  return root;
} ZEL_ENTRY_CATCH("init")

#ifdef ZEL_VARIANT_INT
ZEL_EXPORT void ZEL_C(reset_coeffs)(UI32 n) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record) record("  ZEL(reset_coeffs)(%u);\n", n);
  if (n == 0) Fatal("Zel interface error: at least one prime per batch is needed\n");
  // The prime table goes to zone 3, which init_urgent makes.
  require_session("reset_coeffs");
  ZEL_C(maxi_vectorize) = ZEL_C(vectorize) = n;
  InZone3 z3;
  init_Dom();
} ZEL_ENTRY_CATCH("reset_coeffs")
#else
ZEL_EXPORT void ZEL_C(reset_coeffs)(UI32 n, UI32* pr) try {
  ZEL_ENTRY_CLAIM;
  ZEL_C(vectorize) = 1;
  InZone3 z3;
  if (libmode_record) {
    record("  {\n    UI32 pr[]={(UI32)(%u)};\n", pr ? pr[0] : 0u);
    record("    ZEL(reset_coeffs)(%u,pr);\n  }\n", n);
  }
  if (pr == nullptr) Fatal("Zel interface error: no prime given to reset_coeffs\n");
  // The residues entered so far belong to the old prime.
  if (handle_count() > 0 && ZEL_C(Primes) != nullptr && ZEL_C(Primes)[0] != pr[0])
    Fatal("Zel interface error: reset_coeffs to the prime %u after polynomials were entered "
          "modulo %u: call reset_memory first\n", pr[0], ZEL_C(Primes)[0]);
  // Refuses anything but a prime below 65536: residues are 16 bits and
  // monic needs inverses.
  set_field_prime(pr[0]);
} ZEL_ENTRY_CATCH("reset_coeffs")
#endif

ZEL_EXPORT void ZEL_C(reset_expos)(UI32 n1, UI32 n2, char** names) try {
  ZEL_ENTRY_CLAIM;
  const uint64_t n = uint64_t(n1) + n2;
  // Checked before the recording reads the names.
  // One slot stays for the "?" of the homogenising variable.
  if (n >= kMaxNamedVariables)
    Fatal("Zel interface error: at most %u variables (got %llu)\n", kMaxNamedVariables - 1,
          static_cast<unsigned long long>(n));
  if (n > 0 && names == nullptr) Fatal("Zel interface error: no variable names given\n");
  if (libmode_record) {
    record("  {\n    char* vars[%d]={", int(n));
    for (uint64_t i = 0; i < n && names != nullptr; ++i) {
      if (i > 0) record1(",");
      if (names[i] == nullptr) {
        record1("0");
      } else {
        record1("\"");
        record1(c_string_body(names[i]).c_str());
        record1("\"");
      }
    }
    record("};\n    ZEL(reset_expos)(%u,%u,vars);\n  }\n", n1, n2);
  }
  // The polynomials entered so far are laid out and sorted for the old blocks.
  if (handle_count() > 0 && (n != current_id_vars || n1 != var_second_block))
    Fatal("Zel interface error: reset_expos(%u,%u) after polynomials were entered for the "
          "variables (%u,%u): call reset_memory first\n", n1, n2, var_second_block,
          current_id_vars - var_second_block);
  var_second_block = n1;
  set_Expos(uint32_t(n));
  for (uint32_t i = 0; i < n; ++i) {
    internal_id_vars[i] = names[i];
    Liste_variables[i] = names[i];
  }
  current_id_vars = uint32_t(n);
  Liste_variables[n] = "?";
} ZEL_ENTRY_CATCH("reset_expos")

ZEL_EXPORT void ZEL_C(log)(FILE* log) try {
  ZEL_ENTRY_CLAIM;
  set_engine_streams(log, nullptr);
} ZEL_ENTRY_CATCH("log")

// Giving the blocks back without forgetting the zones that point into them
// would leave the next call on freed memory: free_memory is a full reset.
ZEL_EXPORT I32 ZEL_C(free_memory)(void) try {
  ZEL_ENTRY_CLAIM;
  reset_session_memory();
#ifdef __GLIBC__
  // What went back to the C library goes back to the system as well.
  malloc_trim(0);
#endif
  return 1;
} ZEL_ENTRY_CATCH("free_memory")
