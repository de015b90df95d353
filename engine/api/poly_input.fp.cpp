// The prime-field build's polynomial records: creation, the input sort with
// its normalisation, and the printer for C callers.
#include <cstring>

#include "engine/api/entry_guard.hpp"
#include "engine/api/handles.hpp"
#include "engine/api/host.hpp"
#include "engine/api/poly_input.hpp"
#include "engine/api/record.hpp"
#include "engine/api/session.hpp"
#include "engine/call_zel.h"
#include "engine/mem/zone.hpp"

using namespace zel::ZEL_BUILD;

ZEL_EXPORT void* ZEL_C(creat_poly)(UI32 nterms) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record) {
    record("  prev=ZEL(creat_poly)(%u);\n", nterms);
    record("  add_input(prev);\n");
    record("  keep_handle(prev);\n");
  }
  require_session("creat_poly");
  check_term_storage(nterms, size_Dpol(nterms, 1));
  Dpol* p;
  {
    InZone3 z3;
    p = new_Dpol(nterms);
  }
  // Unset terms must read as absent, not as whatever the zone held.
  for (uint32_t t = 0; t < nterms; ++t) {
    p->mono[t] = nullptr;
    lanes(p)[0][t] = 0;
  }
  register_handle(p, nterms == 0);
  return p;
} ZEL_ENTRY_CATCH("creat_poly")

ZEL_EXPORT void ZEL_C(full_sort_poly2)(void* h) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record) record("  ZEL(full_sort_poly2)(prev);\n");
  normalize_input_handle(h, handle_Dpol(h, "full_sort_poly2"), false, "full_sort_poly2");
  mark_sorted(h, true);
} ZEL_ENTRY_CATCH("full_sort_poly2")

// Monomials given by set_expos_d may be shared: raised ones are copied.
ZEL_EXPORT void ZEL_C(full_sort_poly)(void* h) try {
  ZEL_ENTRY_CLAIM;
  normalize_input_handle(h, handle_Dpol(h, "full_sort_poly"), true, "full_sort_poly");
  mark_sorted(h, true);
} ZEL_ENTRY_CATCH("full_sort_poly")

ZEL_EXPORT void ZEL_C(see_Dpol)(void* h) try {
  ZEL_ENTRY_CLAIM;
  Dpol* p = sorted_handle_Dpol(h, "see_Dpol");
  // A C caller's messages are silent by default; the replay programs print
  // their results on the standard error stream.
  zel::VisibleOutput visible;
  zel::ZEL_BUILD::ZEL_C(see_Dpol)(p);
} ZEL_ENTRY_CATCH("see_Dpol")
