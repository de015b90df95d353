// The integer build's host entries that carry integers: polynomials in
// (coefficient words or host integers) and results out (a word array, a list
// of host integers, or a host expression), the export zone, the unload and
// the switch of GMP's memory functions.
#include <gmp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "engine/api/binding.hpp"
#include "engine/api/entry_guard.hpp"
#include "engine/api/interrupt.hpp"
#include "engine/call_zel.h"
#include "engine/coef/int_context.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/zel_binding.h"

using namespace zel::ZEL_BUILD;

namespace {

void* table_slot_for_new_poly(HostKernel kv) {
  if (module_table.global_nb >= kModuleSlots) zel::host_error(kv, "Incorrect index");
  return nullptr;
}

// An export failure: the code on the standard error stream, then the error.
[[noreturn]] void export_failed(HostKernel kv, int32_t code, int where, int32_t shown) {
  std::fprintf(stderr, "Export poly bug %d [%d]\n", code, where);
  std::fflush(stderr);
  zel::host_error(kv, "cannot export poly: code=%-1", ToMapleInteger(kv, shown));
}

// When result k+1 exists, name := its term count.
void assign_next_count(HostKernel kv, HostValue name, uint32_t k) {
  if (k + 1 < module_table.global_nb)
    MapleAssign(kv, name, ToMapleInteger(kv, long(Zel_int_nb_terms(module_table.base[k + 1]))));
}

bool valid_result(HostKernel kv, HostValue args, int32_t i, uint32_t* k) {
  const int32_t v = integer_arg(kv, args, i);
  *k = uint32_t(v);
  return v >= 0 && uint32_t(v) < module_table.global_nb;
}

}  // namespace

// send_poly(W, nvars, m, E, C): E holds m * nvars exponents, C m * W
// coefficient words (sign word, then the magnitude least significant first).
ZEL_EXPORT HostValue zel_int_send_poly(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  expect_args(kv, args, 5);
  const uint32_t w = count_arg(kv, args, 1, 1);
  const uint32_t nvars = count_arg(kv, args, 2, 0);
  const uint32_t m = count_arg(kv, args, 3, 0);
  const int32_t* e = int32_rtable_arg(kv, MapleArg(kv, args, 4), uint64_t(m) * nvars,
                                      "rtable expected for parameter 1",
                                      "integer[4] rtable expected for parameter 1");
  const int32_t* c = int32_rtable_arg(kv, MapleArg(kv, args, 5), uint64_t(m) * w,
                                      "rtable expected for parameter 1",
                                      "integer[4] rtable expected for parameter 1");
  table_slot_for_new_poly(kv);
  void* p = Zel_int_creat_poly(m);
  for (uint32_t i = 0; i < m; ++i) {
    Zel_int_set_expos2(p, i, e + uint64_t(i) * nvars, nvars);
    Zel_int_set_coeff_raw(p, i, c + uint64_t(i) * w, w);
  }
  Zel_int_full_sort_poly2(p);
  module_table.base[module_table.global_nb++] = p;
  return ToMapleNULL(kv);
} ZEL_BINDING_ENTRY_CATCH("zel_int_send_poly")

// send_poly_gmp(nvars, m, E, L): the coefficients as a list of m host
// integers.
ZEL_EXPORT HostValue zel_int_send_poly_gmp(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  expect_args(kv, args, 4);
  const uint32_t nvars = count_arg(kv, args, 1, 0);
  const uint32_t m = count_arg(kv, args, 2, 0);
  HostValue table = MapleArg(kv, args, 3);
  if (IsMaplePointerNULL(kv, table) || IsMapleUnassignedName(kv, table))
    zel::host_error(kv, "Incorrect paramaters 3 not an array");
  const int32_t* e = int32_rtable_arg(kv, table, uint64_t(m) * nvars,
                                      "array is not of type INTEGER32",
                                      "array is not of type INTEGER32");
  HostValue list = MapleArg(kv, args, 4);
  if (!IsMapleList(kv, list)) zel::host_error(kv, "Args 3 is not a list !\n");
  if (MapleListLength(kv, list) < m)
    zel::host_error(kv, "the list holds %1 coefficients where %2 are needed",
                     ToMapleInteger(kv, long(MapleListLength(kv, list))),
                     ToMapleInteger(kv, long(m)));
  table_slot_for_new_poly(kv);
  {
    // The host converts into an integer of engine memory, whose failure
    // takes the fatal path (GMP's own functions would end the process); it
    // goes back with the next memory reset.
    IntContext in;
    void* p = Zel_int_creat_poly(m);
    mpz_t z;
    mpz_init(z);
    for (uint32_t i = 0; i < m; ++i) {
      Zel_int_set_expos2(p, i, e + uint64_t(i) * nvars, nvars);
      MapleToGMPInteger(kv, MapleListSelect(kv, list, int32_t(i + 1)), z);
      Zel_int_set_coeff_gmp(p, i, z);
    }
    Zel_int_full_sort_poly2(p);
    module_table.base[module_table.global_nb++] = p;
  }
  return ToMapleNULL(kv);
} ZEL_BINDING_ENTRY_CATCH("zel_int_send_poly_gmp")

// receive_poly(k, nvars, m, E, name): the exponents of result k into E; its
// coefficients returned as an m x B host array of words (B the common width).
// The array is the host's own copy: it outlives the next export and reset.
ZEL_EXPORT HostValue zel_int_receive_poly(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  expect_args(kv, args, 5);
  if (zel::Zel_int_zone == nullptr) {
    zel::Zel_int_zone = static_cast<uint32_t*>(zel::Zel_malloc(zel::kExportZoneBytes));
    if (zel::Zel_int_zone == nullptr) zel::host_error(kv, "Not enough memory [zel]");
  }
  uint32_t k;
  const bool exists = valid_result(kv, args, 1, &k);
  const uint32_t nvars = count_arg(kv, args, 2, 0);
  const uint32_t m = count_arg(kv, args, 3, 0);
  int32_t* e = int32_rtable_arg(kv, MapleArg(kv, args, 4), uint64_t(m) * nvars,
                                "rtable expected for parameter 1",
                                "integer[4] rtable expected for parameter 1");
  if (!exists) export_failed(kv, -1, 7, -1);
  UI32 width = 0;
  const int32_t code =
      Zel_int_export_poly_INT(nvars, m, reinterpret_cast<UI32*>(e), zel::Zel_int_zone,
                              int32_t(zel::kExportZoneBytes / 4), module_table.base[k], &width);
  if (code < 0) export_failed(kv, code, 7, code);
  assign_next_count(kv, MapleArg(kv, args, 5), k);
  HostRTableSettings s;
  RTableGetDefaults(kv, &s);
  s.data_type = HOST_RT_INTEGER32;
  s.order = HOST_RT_C_ORDER;
  s.num_dimensions = 2;
  s.foreign = 0;
  const int32_t bounds[4] = {1, int32_t(m), 1, int32_t(width)};
  HostValue rt = RTableCreate(kv, &s, nullptr, bounds);
  std::memcpy(RTableDataBlock(kv, rt), zel::Zel_int_zone, uint64_t(m) * width * sizeof(UI32));
  return rt;
} ZEL_BINDING_ENTRY_CATCH("zel_int_receive_poly")

// receive_poly_gmp(k, nvars, m, E, name): the exponents into E and a list of
// the m coefficients as host integers.
ZEL_EXPORT HostValue zel_int_receive_poly_gmp(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  expect_args(kv, args, 5);
  uint32_t k;
  const bool exists = valid_result(kv, args, 1, &k);
  const uint32_t nvars = count_arg(kv, args, 2, 0);
  const uint32_t m = count_arg(kv, args, 3, 0);
  HostValue table = MapleArg(kv, args, 4);
  if (IsMaplePointerNULL(kv, table) || IsMapleUnassignedName(kv, table))
    zel::host_error(kv, "args 4 is not array !\n");
  int32_t* e = int32_rtable_arg(kv, table, uint64_t(m) * nvars, "args 4 is not array !\n",
                                "array is not of type INTEGER32");
  if (!exists) export_failed(kv, -1, 3, -1);
  mpz_srcptr* coeffs =
      Zel_int_export_poly_INT_gmp(nvars, m, reinterpret_cast<UI32*>(e), module_table.base[k]);
  if (coeffs == nullptr) export_failed(kv, -1, 3, -1);
  // The coefficients live in engine memory: copy each before the host sees it.
  std::vector<mpz_srcptr> kept(coeffs, coeffs + m);
  assign_next_count(kv, MapleArg(kv, args, 5), k);
  HostValue list = MapleListAlloc(kv, int32_t(m));
  // Each coefficient is copied into an integer of engine memory, whose
  // failure takes the fatal path (GMP's own functions would end the process;
  // the memory goes back with the next memory reset); the host makes its own
  // integer from the copy, outside the context, with its own functions.
  mpz_t z;
  {
    IntContext in;
    mpz_init(z);
  }
  for (uint32_t i = 0; i < m; ++i) {
    {
      IntContext in;
      mpz_set(z, kept[i]);
    }
    MapleListAssign(kv, list, int32_t(i + 1), GMPIntegerToMaple(kv, z));
  }
  return list;
} ZEL_BINDING_ENTRY_CATCH("zel_int_receive_poly_gmp")

// receive_poly_new(k, vars, nvars): [first term, sum of the terms] of result
// k as host expressions in vars, coefficients left out and every exponent
// above 10 taken as 10.
ZEL_EXPORT HostValue zel_int_receive_poly_new(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  expect_args(kv, args, 3);
  uint32_t k;
  const bool exists = valid_result(kv, args, 1, &k);
  HostValue vars = MapleArg(kv, args, 2);
  const uint32_t nvars = count_arg(kv, args, 3, 0);
  if (!exists) export_failed(kv, -1, 6, 3);
  if (!IsMapleList(kv, vars) || MapleListLength(kv, vars) < nvars)
    zel::host_error(kv, "a list of %1 variables expected", ToMapleInteger(kv, long(nvars)));
  void* p = module_table.base[k];
  const uint32_t m = Zel_int_nb_terms(p);
  std::vector<UI32> exps(uint64_t(m) * nvars);
  if (m > 0 && Zel_int_export_poly_INT_gmp(nvars, m, exps.data(), p) == nullptr)
    export_failed(kv, -1, 5, -1);
  HostValue first = ToMapleInteger(kv, 0), sum = ToMapleInteger(kv, 0);
  for (uint32_t t = 0; t < m; ++t) {
    HostValue term = ToMapleInteger(kv, 1);
    for (uint32_t j = 0; j < nvars; ++j) {
      const UI32 d = exps[uint64_t(t) * nvars + j];
      if (d == 0) continue;
      HostValue power = MapleNumericPower(kv, MapleListSelect(kv, vars, int32_t(j + 1)),
                                          ToMapleInteger(kv, long(d > 10 ? 10 : d)));
      term = MapleNumericMultiply(kv, term, power);
    }
    if (t == 0) first = term;
    sum = t == 0 ? term : MapleNumericAdd(kv, sum, term);
  }
  HostValue out = MapleListAlloc(kv, 2);
  MapleListAssign(kv, out, 1, first);
  MapleListAssign(kv, out, 2, sum);
  return out;
} ZEL_BINDING_ENTRY_CATCH("zel_int_receive_poly_new")

ZEL_EXPORT HostValue zel_int_receive_monom(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  return ToMapleNULL(kv);
} ZEL_BINDING_ENTRY_CATCH("zel_int_receive_monom")

// The host unloads the library: every Zel_malloc block goes back (the results
// of both builds with them), and SIGINT to the handler it had before.
ZEL_EXPORT HostValue zel_int_unload(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  Zel_int_free_memory();
  zel::Zel_int_zone = nullptr;
  zel::int_build::forget_module_table();
  zel::fp_build::forget_module_table();
  zel::restore_sigint();
  return ToMapleInteger(kv, 1);
} ZEL_BINDING_ENTRY_CATCH("zel_int_unload")

ZEL_EXPORT HostValue zel_int_my_time(HostKernel kv, HostValue args) try {
  ZEL_BINDING_ENTRY_CLAIM(kv);
  zel::bind_host(kv);
  const std::time_t now = std::time(nullptr);
  return ToMapleString(kv, std::ctime(&now));
} ZEL_BINDING_ENTRY_CATCH("zel_int_my_time")

ZEL_EXPORT void Zel_int_safe_exit(void) try {
  ZEL_ENTRY_CLAIM;
  ZEL_C(safe_exit_INT)();
} ZEL_ENTRY_CATCH("Zel_int_safe_exit")

// The switch of GMP's memory functions, as the host's side sees it: the
// first push after a pop remembers GMP's current functions.
ZEL_EXPORT void Zel_push_gmp_alloc_fnct(void* (*a)(size_t), void* (*r)(void*, size_t, size_t),
                                        void (*f)(void*, size_t)) try {
  ZEL_ENTRY_CLAIM;
  memo_mp_set_memory_functions(a, r, f);
} ZEL_ENTRY_CATCH("Zel_push_gmp_alloc_fnct")

ZEL_EXPORT void Zel_pop_gmp_alloc_fnct(void) try {
  ZEL_ENTRY_CLAIM;
  memo_reset_mp_set_memory_functions();
} ZEL_ENTRY_CATCH("Zel_pop_gmp_alloc_fnct")

// Never expected to run.  A host that can still be told gets an error rather
// than losing its process.
ZEL_EXPORT void Zel_pop_safe_gmp_alloc_fnct(void) try {
  ZEL_ENTRY_CLAIM;
  std::fprintf(stderr, "Zel_pop_safe_gmp_alloc_fnct %f\n", MapleVersion());
  std::fflush(stderr);
  if (zel::Maple_kernel) zel::host_error(zel::Maple_kernel, "Zel_pop_safe_gmp_alloc_fnct");
  std::exit(4);
} ZEL_ENTRY_CATCH("Zel_pop_safe_gmp_alloc_fnct")
