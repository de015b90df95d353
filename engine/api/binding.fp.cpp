// The prime-field build's host entries with plain C arguments: one
// polynomial in, one result out, as exponent and residue arrays.
#include "engine/api/binding.hpp"
#include "engine/api/entry_guard.hpp"
#include "engine/call_zel.h"
#include "engine/zel_binding.h"

using namespace zel::ZEL_BUILD;

// Appends the polynomial of the nterms terms; -1 when the table is full.
// Each coefficient word is a signed 32-bit integer reduced modulo the prime,
// as set_coeff_I32 does (the host's -1 arrives as 0xFFFFFFFF); a term whose
// value reduces to 0 is dropped by the sort, as a zero one is skipped here.
ZEL_EXPORT I32 zel_send_poly(UI32 nvars, UI32 nterms, UI32* exps, UI32* coeffs) try {
  ZEL_ENTRY_CLAIM;
  if (module_table.global_nb >= kModuleSlots) return -1;
  UI32 kept = 0;
  for (UI32 t = 0; t < nterms; ++t) kept += coeffs[t] != 0;
  void* p = Zel_creat_poly(kept);
  UI32 slot = 0;
  for (UI32 t = 0; t < nterms; ++t) {
    if (coeffs[t] == 0) continue;
    Zel_set_expos2(p, slot, reinterpret_cast<const I32*>(exps + uint64_t(t) * nvars), nvars);
    Zel_set_coeff_I32(p, slot, I32(coeffs[t]));
    ++slot;
  }
  Zel_full_sort_poly2(p);
  module_table.base[module_table.global_nb++] = p;
  return 1;
} ZEL_ENTRY_CATCH("zel_send_poly")

// Exports result k (exponents and residues); when result k+1 exists, its term
// count goes to *next.  -1 when there is no result k.
ZEL_EXPORT I32 zel_receive_poly(I32 k, UI32 nvars, UI32 nterms, UI32* exps, UI32* coeffs,
                                UI32* next) try {
  ZEL_ENTRY_CLAIM;
  if (k < 0 || UI32(k) >= module_table.global_nb) return -1;
  const I32 code = Zel_export_poly(nvars, nterms, exps, coeffs, module_table.base[k]);
  if (UI32(k) + 1 < module_table.global_nb && next != nullptr)
    *next = Zel_nb_terms(module_table.base[k + 1]);
  return code;
} ZEL_ENTRY_CATCH("zel_receive_poly")

// The prime-field build has no GMP context to leave (Zel_enter and Zel_exit
// are with the other entries).
ZEL_EXPORT void Zel_safe_exit(void) {
  ZEL_ENTRY_CLAIM;
}
