// The host entries both builds share: the request's start, the compute with
// its twelve arguments, and the small entries (threads, report, version,
// debug level, CPU time).
#include "engine/api/binding.hpp"

#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/api/entry_guard.hpp"
#include "engine/api/host.hpp"
#include "engine/api/interrupt.hpp"
#include "engine/api/stop_flag.hpp"
#include "engine/call_zel.h"
#include "engine/zel_binding.h"
#include "engine/mem/raw_block.hpp"
#include "engine/mono/expos_layout.hpp"

namespace zel::ZEL_BUILD {

ModuleTable module_table = {};
int32_t current_debug = 0;

namespace {

// The compute mode named by the host's string; anything unknown is a basis.
int32_t compute_mode(const char* s) {
  static const struct {
    const char* name;
    int32_t mode;
  } kModes[] = {{"ZEL_COMPUTE_RRFORM", ZEL_COMPUTE_RRFORM},
                {"ZEL_COMPUTE_RRFORM_SQFR", ZEL_COMPUTE_RRFORM_SQFR},
                {"ZEL_COMPUTE_MINPOLY", ZEL_COMPUTE_MINPOLY},
                {"ZEL_COMPUTE_MINPOLY_SQFR", ZEL_COMPUTE_MINPOLY_SQFR},
                {"ZEL_COMPUTE_GBASIS_NF", ZEL_COMPUTE_GBASIS_NF},
                {"ZEL_COMPUTE_GBASIS_NF_RECOMPUTE", ZEL_COMPUTE_GBASIS_NF_RECOMPUTE},
                {"ZEL_COMPUTE_RADICAL_STRATEG1", ZEL_COMPUTE_RADICAL_STRATEG1},
                {"ZEL_COMPUTE_RADICAL_STRATEG2", ZEL_COMPUTE_RADICAL_STRATEG2},
                {"ZEL_COMPUTE_NOP", ZEL_COMPUTE_NOP},
                {"ZEL_COMPUTE_GBASIS_MULTI", ZEL_COMPUTE_GBASIS_MULTI},
                {"ZEL_COMPUTE_MATRIXN", ZEL_COMPUTE_MATRIXN}};
  for (const auto& m : kModes)
    if (s != nullptr && std::strcmp(s, m.name) == 0) return m.mode;
  return ZEL_COMPUTE_GBASIS;
}

// Fills the compute record from the options table: element 0 is the count c
// of its entries, itself included, so element i is read when c > i; the later
// fields default when c is short.
void fill_record(HostKernel kv, HostValue table, sZEL_Comp_Desc& r) {
  if (!IsMapleRTable(kv, table)) zel::host_error(kv, "array is not of type INTEGER32");
  HostRTableSettings s;
  RTableGetSettings(kv, &s, table);
  if (s.data_type != HOST_RT_INTEGER32 || !IsMaplePointerNULL(kv, s.index_functions))
    zel::host_error(kv, "array is not of type INTEGER32");
  const uint64_t size = RTableNumElements(kv, table);
  const int32_t* o = static_cast<const int32_t*>(RTableDataBlock(kv, table));
  if (size == 0 || o[0] < 4)
    zel::host_error(kv, "Incorrect number of options for this version of the interface !");
  const int32_t c = o[0];
  // The table must hold the entries its count announces (up to element 10,
  // the last one read).
  if (size < uint64_t(c < 11 ? c : 11))
    zel::host_error(kv, "the options table of count %1 holds only %2 entries",
                     ToMapleInteger(kv, c), ToMapleInteger(kv, long(size)));
  if (c >= 12)
    std::fprintf(stderr,
                 "Warning some optional parameters (number %d) are not correctly parsed by this "
                 "version of the interface !\n",
                 c);
  std::fflush(stderr);
  r._off = o[1];
  r._index = o[2];
  r._zone = o[3];
  r._memory = c >= 5 ? o[4] : 0;
  r._nb2 = c >= 6 ? o[5] : 0;
  r._bk2 = c >= 7 ? o[6] : 0;
  r._force_elim2 = c >= 8 ? o[7] : 0;
  r._aggressive2 = c >= 9 ? o[8] : -1;
  r._dlim = c >= 10 ? o[9] : -1;
  r._skip = c >= 11 ? o[10] : -1;
}

}  // namespace

void catch_sigint(int) { ZEL_C(stop_immediately_semaphore) = 1; }

void forget_module_table() { module_table.global_nb = 0; }

void expect_args(HostKernel kv, HostValue args, int32_t n) {
  if (MapleNumArgs(kv, args) != n)
    zel::host_error(kv, "%-1 arguments expected", ToMapleInteger(kv, n));
}

int32_t integer_arg(HostKernel kv, HostValue args, int32_t i) {
  HostValue v = MapleArg(kv, args, i);
  if (!IsMapleInteger32(kv, v))
    zel::host_error(kv, "integer expected for %-1 argument, instead got %2",
                     ToMapleInteger(kv, i), v);
  return MapleToInteger32(kv, v);
}

uint32_t count_arg(HostKernel kv, HostValue args, int32_t i, int32_t least) {
  const int32_t v = integer_arg(kv, args, i);
  if (v < least)
    zel::host_error(kv, "the %-1 argument must be at least %2", ToMapleInteger(kv, i),
                     ToMapleInteger(kv, least));
  return uint32_t(v);
}

int32_t* int32_rtable_arg(HostKernel kv, HostValue v, uint64_t need, const char* not_rtable,
                          const char* wrong_type) {
  if (IsMaplePointerNULL(kv, v) || !IsMapleRTable(kv, v)) zel::host_error(kv, not_rtable);
  HostRTableSettings s;
  RTableGetSettings(kv, &s, v);
  if (s.data_type != HOST_RT_INTEGER32 || !IsMaplePointerNULL(kv, s.index_functions))
    zel::host_error(kv, wrong_type);
  const uint64_t size = RTableNumElements(kv, v);
  if (size < need)
    zel::host_error(kv, "the array holds %1 entries where %2 are needed",
                     ToMapleInteger(kv, long(size)), ToMapleInteger(kv, long(need)));
  return static_cast<int32_t*>(RTableDataBlock(kv, v));
}

HostValue run_compute(HostKernel kv, HostValue args, bool hilbert, EngineCall engine) {
  const int32_t given = MapleNumArgs(kv, args);
  if (given != 12) {
    if (hilbert) zel::host_error(kv, "Incorrect number of arguments ! (C code - Hilbert)");
    zel::host_error(kv,
                     "Incorrect number of arguments ! (C code new version with Options "
                     "table/12 args --> receive %-1 arguments)",
                     ToMapleInteger(kv, given));
  }
  sZEL_Comp_Desc record{};
  if (!hilbert) fill_record(kv, MapleArg(kv, args, 12), record);
  // Checked before they are converted: the host's own error for a value of
  // another type may unwind past everything of ours.
  integer_arg(kv, args, 4);
  const int32_t verbosity = integer_arg(kv, args, 5);
  const int32_t pas0 = integer_arg(kv, args, 6);
  const int32_t bk0 = integer_arg(kv, args, 7);
  const int32_t restrict_ = integer_arg(kv, args, 8);
  if (!hilbert) {
    record._nb = integer_arg(kv, args, 10);
    record._force_elim = integer_arg(kv, args, 11);
  }
  const char* mode = MapleToString(kv, MapleArg(kv, args, 9));
  if (!hilbert) record._compute = compute_mode(mode);
  Zel_verb_info = verbosity;

  // The table's polynomials are the input; the results replace them.
  std::vector<void*> input(module_table.base, module_table.base + module_table.global_nb);
  module_table.global_nb = 0;
  double cpu = 0.0;
  uint32_t r = engine(input.data(), uint32_t(input.size()), &cpu, bk0, pas0, restrict_, &record);
  // A stop that came after the engine's last look at it gives no result
  // either.
  const bool stopped = !hilbert && ZEL_C(stop_immediately_semaphore) == 1;
  if (stopped) r = 0;

  uint32_t first = 0, largest = 0;
  for (uint32_t i = 0; i < r; ++i) {
    const uint32_t n = ZEL_C(nb_terms)(module_table.base[i]);
    if (i == 0) first = n;
    if (n > largest) largest = n;
  }
  module_table.global_nb = r;
  MapleAssign(kv, MapleArg(kv, args, 1), ToMapleFloat(kv, cpu));
  MapleAssign(kv, MapleArg(kv, args, 2), ToMapleInteger(kv, long(first)));
  MapleAssign(kv, MapleArg(kv, args, 3), ToMapleInteger(kv, long(r)));
  if (stopped) {
    ZEL_C(stop_immediately_semaphore) = 0;
    return ToMapleInteger(kv, -2);
  }
  return ToMapleInteger(kv, long(largest));
}

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

// The start of a request: memory reset, session set-up, variables x1, x2, ...
// and an empty table.  The integer build takes n1, n2, an ignored integer and
// the recording flag; the prime-field build the prime before the flag.
ZEL_EXPORT HostValue ZEL_LC(gbasis_init)(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  ZEL_C(reset_memory)();
  ZEL_C(local_reset_memory)();
  zel::int_build::forget_module_table();
  zel::fp_build::forget_module_table();
  const int32_t count = kIntegerBuild ? 4 : 5;
  expect_args(kv, args, count);
  int32_t a[5];
  for (int32_t i = 1; i <= count; ++i) a[i - 1] = integer_arg(kv, args, i);
  // The variables are named before the engine sees their number: refuse a
  // count it would refuse rather than allocating billions of names first.
  const UI32 n1 = count_arg(kv, args, 1, 0), n2 = count_arg(kv, args, 2, 0);
  if (uint64_t(n1) + n2 >= kMaxNamedVariables)
    zel::host_error(kv, "at most %1 variables, instead got %2",
                     ToMapleInteger(kv, long(kMaxNamedVariables) - 1),
                     ToMapleInteger(kv, long(n1) + long(n2)));
  const int32_t record_flag = a[count - 1];
  ZEL_C(stop_immediately_semaphore) = 0;
  if (zel::ZEL_BUILD::MapleVersion() < 11.0) zel::install_sigint(catch_sigint);

  ZEL_C(init_urgent)(sizeof(Dom), 2, "DRLDRL", kModuleSlots, current_debug != 0 ? 1 : record_flag);
  ZEL_C(init)(1, 1, 0, nullptr);
  std::vector<char*> names(size_t(n1) + n2);
  for (size_t i = 0; i < names.size(); ++i) {
    names[i] = static_cast<char*>(zel::Zel_malloc(16));
    if (names[i] == nullptr) zel::host_error(kv, "Not enough memory [zel]");
    std::snprintf(names[i], 16, "x%d", int(i + 1));
  }
#ifdef ZEL_VARIANT_INT
  ZEL_C(reset_coeffs)(1);
#else
  UI32 primes[1] = {UI32(a[3])};
  ZEL_C(reset_coeffs)(1, primes);
#endif
  ZEL_C(reset_expos)(n1, n2, names.data());
  module_table.global_nb = 0;
  return ToMapleInteger(kv, 1);
} ZEL_BINDING_ENTRY_CATCH(ZEL_LPREFIX "gbasis_init")

ZEL_EXPORT HostValue ZEL_LC(gbasis_compute)(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  return run_compute(kv, args, false,
                     [](void** in, uint32_t n, double* cpu, int32_t bk0, int32_t pas0,
                        int32_t restrict_, sZEL_Comp_Desc* record) -> uint32_t {
                       return ZEL_C(groebner)(in, n, module_table.base, 1, 0, cpu, bk0, pas0,
                                              restrict_, record);
                     });
} ZEL_BINDING_ENTRY_CATCH(ZEL_LPREFIX "gbasis_compute")

ZEL_EXPORT HostValue ZEL_LC(hilbert_compute)(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  return run_compute(kv, args, true,
                     [](void** in, uint32_t n, double* cpu, int32_t bk0, int32_t pas0,
                        int32_t restrict_, sZEL_Comp_Desc*) -> uint32_t {
                       return ZEL_C(hilbert)(in, n, module_table.base, 1, 0, cpu, bk0, pas0,
                                             restrict_);
                     });
} ZEL_BINDING_ENTRY_CATCH(ZEL_LPREFIX "hilbert_compute")

// Returns the previous level; a non-zero level starts the session recording
// (it is written from the next gbasis_init on), zero closes it.
ZEL_EXPORT HostValue ZEL_LC(debug_level)(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  expect_args(kv, args, 1);
  const int32_t d = integer_arg(kv, args, 1);
  const int32_t previous = current_debug;
  current_debug = d;
  ZEL_C(debug)(d);
  return ToMapleInteger(kv, previous);
} ZEL_BINDING_ENTRY_CATCH(ZEL_LPREFIX "debug_level")

namespace {
// Runs f with the engine's messages on the standard error stream.
template <class F>
auto on_stderr(F f) {
  const int32_t saved = zel::Zel_verb_info;
  zel::Zel_verb_info = 3;
  auto r = f();
  zel::Zel_verb_info = saved;
  return r;
}
}  // namespace

ZEL_EXPORT HostValue ZEL_LC(internal_threads)(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  expect_args(kv, args, 1);
  const int32_t n = integer_arg(kv, args, 1);
  return ToMapleInteger(kv, on_stderr([n] { return ZEL_C(internal_threads)(n); }));
} ZEL_BINDING_ENTRY_CATCH(ZEL_LPREFIX "internal_threads")

ZEL_EXPORT HostValue ZEL_LC(internal_report)(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  return ToMapleInteger(kv, on_stderr([] { return ZEL_C(internal_report)(); }));
} ZEL_BINDING_ENTRY_CATCH(ZEL_LPREFIX "internal_report")

ZEL_EXPORT HostValue ZEL_LC(internal_version)(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  return ToMapleInteger(kv, ZEL_C(internal_version)());
} ZEL_BINDING_ENTRY_CATCH(ZEL_LPREFIX "internal_version")

ZEL_EXPORT HostValue ZEL_LC(scheduler)(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  return ToMapleInteger(kv, ZEL_C(scheduler)());
} ZEL_BINDING_ENTRY_CATCH(ZEL_LPREFIX "scheduler")

ZEL_EXPORT double ZEL_LC(my_cpu)(void) try {
  ZEL_ENTRY_CLAIM;
  return ZEL_C(cpu)();
} ZEL_ENTRY_CATCH(ZEL_LPREFIX "my_cpu")

// Forgets the export zone of the receive entries (its memory goes with the
// next memory reset).
ZEL_EXPORT void ZEL_C(local_reset_memory)(void) {
  ZEL_ENTRY_CLAIM;
  zel::Zel_int_zone = nullptr;
}
