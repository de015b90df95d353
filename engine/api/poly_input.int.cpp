// The integer build's polynomials with GMP coefficients (Dpol_INT) at the C
// interface: creation, coefficients, the input sort, export and printing,
// and conversions of caller numbers to residues.
//
// Every entry that touches an integer holds the INT context for its body
// only: GMP's memory functions are the caller's again when it returns or
// fails.  Input coefficients are made in zone 3 (they live for the session).
#include <gmp.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/api/entry_guard.hpp"
#include "engine/api/handles.hpp"
#include "engine/api/host.hpp"
#include "engine/api/poly_input.hpp"
#include "engine/api/record.hpp"
#include "engine/api/session.hpp"
#include "engine/call_zel.h"
#include "engine/coef/int_arith.hpp"
#include "engine/coef/int_context.hpp"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_print.hpp"
#include "engine/poly/dpol_int.hpp"

namespace zel::ZEL_BUILD {

namespace {

Dpol_INT* handle_INT(void* p, const char* who) {
  check_live_handle(p, who, false);
  return static_cast<Dpol_INT*>(p);
}

// For the exports: every term must hold a monomial, which only a sort
// ensures (it drops unset terms).
Dpol_INT* sorted_handle_INT(void* p, const char* who) {
  check_live_handle(p, who, true);
  return static_cast<Dpol_INT*>(p);
}

// An output array the export writes into (when it has anything to write).
void check_output(const void* a, bool written, const char* who) {
  if (written && a == nullptr) Fatal("Zel interface error: null output array given to %s\n", who);
}

void check_term_INT(const Dpol_INT* p, uint32_t i, const char* who) {
  if (i >= p->n)
    Fatal("Zel interface error: %s of term %u in a polynomial of %u terms\n", who, i, p->n);
}

// The INT polynomial as normalize_input_terms sees it; sums are made in
// zone 3 like the coefficients.
struct IntTerms {
  Dpol_INT* p;
  uint32_t& n() { return p->n; }
  Expos** mono() { return p->mono; }
  bool zero(uint32_t t) const { return mpz_sgn(&coeffs_INT(p)[t]) == 0; }
  void move(uint32_t from, uint32_t to) {
    p->mono[to] = p->mono[from];
    coeffs_INT(p)[to] = coeffs_INT(p)[from];
  }
  void add(uint32_t to, uint32_t from) {
    INT* c = coeffs_INT(p);
    c[to] = ZEL_C(add_INT)(c[to], c[from]);
  }
  void sort() {
    const uint32_t n = p->n;
    if (n < 2) return;
    const std::vector<uint32_t> perm = decreasing_order(p->mono, n);
    std::vector<Expos*> m2(n);
    std::vector<INT> c2(n);
    for (uint32_t i = 0; i < n; ++i) {
      m2[i] = p->mono[perm[i]];
      c2[i] = coeffs_INT(p)[perm[i]];
    }
    std::copy(m2.begin(), m2.end(), p->mono);
    std::copy(c2.begin(), c2.end(), coeffs_INT(p));
  }
};

// full_sort_poly2's normalisation of p (handle h), in zone 3 like the
// coefficients; copy_raised as for normalize_input_terms.
void sort_input_INT(void* h, Dpol_INT* p, bool copy_raised, const char* who) {
  IntContext ctx;
  InZone3 z3;
  IntTerms terms{p};
  refuse_coefficients_without_exponents(terms, h, who);
  normalize_input_terms(terms, copy_raised);
  mark_sorted(h, true);
}

// The magnitude width in words (export_words_INT) of the widest coefficient.
uint32_t widest_words(const Dpol_INT* p) {
  uint32_t w = 0;
  for (uint32_t t = 0; t < p->n; t++) w = std::max(w, export_words_INT(coeffs_INT(p)[t]));
  return w;
}

void write_exponents(const Dpol_INT* p, uint32_t t, uint32_t nvars, UI32* exps) {
  const ExposW* w = words_of(p->mono[t]);
  for (uint32_t j = 0; j < nvars; ++j) exps[j] = get_field(w, j);
}

// The decimal text of v, made with the caller's GMP functions or ours alike
// (the buffer is our own).
std::string decimal(mpz_srcptr v) {
  std::vector<char> buf(mpz_sizeinbase(v, 10) + 2);
  mpz_get_str(buf.data(), 10, v);
  return buf.data();
}

// Radix of the last convert_from_ntl_int and its residue modulo each prime
// of the table it was made for.
struct RadixCache {
  uint32_t radix = 0;
  const uint32_t* primes = nullptr;
  uint32_t lanes = 0;
  std::vector<uint64_t> mod;
} radix_cache;

}  // namespace

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT void* ZEL_C(creat_poly)(UI32 nterms) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record) {
    record("  prev=ZEL(creat_poly)(%u);\n", nterms);
    record("  add_input(prev);\n");
    record("  keep_handle(prev);\n");
  }
  require_session("creat_poly");
  check_term_storage(nterms, size_Dpol_INT(nterms));
  IntContext ctx;
  InZone3 z3;
  Dpol_INT* p = new_Dpol_INT(nterms);
  // Unset terms must read as absent and zero, not as what the zone held.
  for (uint32_t t = 0; t < nterms; ++t) {
    p->mono[t] = nullptr;
    mpz_init(&coeffs_INT(p)[t]);
  }
  register_handle(p, nterms == 0);
  return p;
} ZEL_ENTRY_CATCH("creat_poly")

ZEL_EXPORT void ZEL_C(set_coeff_raw)(void* h, UI32 i, const I32* u, UI32 n) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record) {
    // A C array needs at least one element, even for a wrong count.
    record("  {\n    I32 u[%u]={%d", n > 0 ? n : 1u, n > 0 && u ? u[0] : 0);
    for (UI32 j = 1; j < n && u; ++j) record(",%d", u[j]);
    record("};\n    ZEL(set_coeff_raw)(prev,%u,u,%u);\n  }\n", i, n);
  }
  Dpol_INT* p = handle_INT(h, "set_coeff_raw");
  check_term_INT(p, i, "set_coeff_raw");
  if (n == 0)
    Fatal("Zel interface error: set_coeff_raw needs at least the sign word (0 words given)\n");
  if (u == nullptr) Fatal("Zel interface error: no words given to set_coeff_raw\n");
  IntContext ctx;
  InZone3 z3;
  coeffs_INT(p)[i] = ZEL_C(import_INT)(u, n);
  mark_sorted(h, false);
} ZEL_ENTRY_CATCH("set_coeff_raw")

ZEL_EXPORT void ZEL_C(set_coeff_gmp)(void* h, UI32 i, mpz_srcptr c) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record) {
    record("  ZEL(set_coeff_gmp_str)(prev,%u,\"", i);
    record1(c ? decimal(c).c_str() : "");
    record1("\");\n");
  }
  Dpol_INT* p = handle_INT(h, "set_coeff_gmp");
  check_term_INT(p, i, "set_coeff_gmp");
  if (c == nullptr) Fatal("Zel interface error: null integer given to set_coeff_gmp\n");
  IntContext ctx;
  InZone3 z3;
  coeffs_INT(p)[i] = ZEL_C(import_gmp_INT)(c, nullptr);
  mark_sorted(h, false);
} ZEL_ENTRY_CATCH("set_coeff_gmp")

ZEL_EXPORT void ZEL_C(set_coeff_gmp_str)(void* h, UI32 i, const char* text) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record) {
    record("  ZEL(set_coeff_gmp_str)(prev,%u,\"", i);
    record1(c_string_body(text).c_str());
    record1("\");\n");
  }
  Dpol_INT* p = handle_INT(h, "set_coeff_gmp_str");
  check_term_INT(p, i, "set_coeff_gmp_str");
  IntContext ctx;
  InZone3 z3;
  INT v;
  if (!parse_INT(text, &v))
    Fatal("Zel interface error: \"%s\" is not an integer\n",
          c_string_body(text).c_str());
  coeffs_INT(p)[i] = v;
  mark_sorted(h, false);
} ZEL_ENTRY_CATCH("set_coeff_gmp_str")

ZEL_EXPORT void ZEL_C(full_sort_poly2)(void* h) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record) record("  ZEL(full_sort_poly2)(prev);\n");
  sort_input_INT(h, handle_INT(h, "full_sort_poly2"), false, "full_sort_poly2");
} ZEL_ENTRY_CATCH("full_sort_poly2")

// The same sort; monomials given by set_expos_d may be shared, so raised ones
// are copied.  A residue record is sorted as the prime-field build does.
ZEL_EXPORT void ZEL_C(full_sort_poly)(void* h) try {
  ZEL_ENTRY_CLAIM;
  Dpol_INT* p = handle_INT(h, "full_sort_poly");
  if (!has_int_coefficients(p)) {
    normalize_input_handle(h, reinterpret_cast<Dpol*>(p), true, "full_sort_poly");
    mark_sorted(h, true);
    return;
  }
  sort_input_INT(h, p, true, "full_sort_poly");
} ZEL_ENTRY_CATCH("full_sort_poly")

ZEL_EXPORT I32 ZEL_C(export_poly_INT)(UI32 nvars, UI32 m, UI32* exps, UI32* out, I32 limit,
                                      void* h, UI32* width) try {
  ZEL_ENTRY_CLAIM;
  Dpol_INT* p = sorted_handle_INT(h, "export_poly_INT");
  if (m != p->n) {
    Stderr("m=%d and nb=%d\n", int(m), int(p->n));
    return -1;
  }
  if (!exportable_terms(p->mono, 0, m, nvars)) return -1;
  const uint32_t B = 1 + widest_words(p);
  if (uint64_t(B) * m >= uint64_t(int64_t(limit) > 0 ? limit : 0)) {
    Stderr("B=%d, nb=%d and max=%d\n", int(B), int(m), int(limit));
    return -2;
  }
  check_output(width, true, "export_poly_INT");
  check_output(exps, m > 0 && nvars > 0, "export_poly_INT");
  check_output(out, m > 0, "export_poly_INT");
  *width = B;
  for (uint32_t t = 0; t < m; t++) {
    write_exponents(p, t, nvars, exps + size_t(t) * nvars);
    ZEL_C(export_INT)(out + size_t(t) * B, coeffs_INT(p)[t], B);
  }
  return 1;
} ZEL_ENTRY_CATCH("export_poly_INT")

ZEL_EXPORT I32 ZEL_C(export_poly_mon_INT)(I32 k, UI32 nvars, I32 m, UI32* exps, UI32* out,
                                          I32 limit, void* h, UI32* width) try {
  ZEL_ENTRY_CLAIM;
  Dpol_INT* p = sorted_handle_INT(h, "export_poly_mon_INT");
  if (m < 0 || uint32_t(m) != p->n || k < 0 || k >= m) {
    Stderr("m=%d and nb=%d (term %d)\n", int(m), int(p->n), int(k));
    return -1;
  }
  if (!exportable_terms(p->mono, uint32_t(k), uint32_t(k) + 1, nvars)) return -1;
  const INT& c = coeffs_INT(p)[k];
  const uint32_t B = 1 + export_words_INT(c);
  if (int64_t(B) >= int64_t(limit)) {
    Stderr("B=%d max=%d\n", int(B), int(limit));
    return -2;
  }
  check_output(width, true, "export_poly_mon_INT");
  check_output(exps, nvars > 0, "export_poly_mon_INT");
  check_output(out, true, "export_poly_mon_INT");
  *width = B;
  write_exponents(p, uint32_t(k), nvars, exps);
  ZEL_C(export_INT)(out, c, B);
  return 1;
} ZEL_ENTRY_CATCH("export_poly_mon_INT")

ZEL_EXPORT mpz_srcptr* ZEL_C(export_poly_INT_gmp)(UI32 nvars, UI32 m, UI32* exps, void* h) try {
  ZEL_ENTRY_CLAIM;
  Dpol_INT* p = sorted_handle_INT(h, "export_poly_INT_gmp");
  if (m != p->n || !exportable_terms(p->mono, 0, m, nvars)) return nullptr;
  check_output(exps, m > 0 && nvars > 0, "export_poly_INT_gmp");
  mpz_srcptr* v;
  {
    // Zone 3: the array lives as long as the polynomial it points into.
    InZone3 z3;
    v = static_cast<mpz_srcptr*>(alloc64(sizeof(mpz_srcptr) * (m > 0 ? m : 1)));
  }
  for (uint32_t t = 0; t < m; t++) {
    write_exponents(p, t, nvars, exps + size_t(t) * nvars);
    v[t] = &coeffs_INT(p)[t];
  }
  return v;
} ZEL_ENTRY_CATCH("export_poly_INT_gmp")

ZEL_EXPORT mpz_srcptr ZEL_C(export_monom_INT)(UI32 k, UI32 nvars, UI32* exps, void* h) try {
  ZEL_ENTRY_CLAIM;
  Dpol_INT* p = sorted_handle_INT(h, "export_monom_INT");
  if (k >= p->n || !exportable_terms(p->mono, k, k + 1, nvars)) return nullptr;
  check_output(exps, nvars > 0, "export_monom_INT");
  write_exponents(p, k, nvars, exps);
  return &coeffs_INT(p)[k];
} ZEL_ENTRY_CATCH("export_monom_INT")

ZEL_EXPORT I32 ZEL_C(see_Dpol_INT)(void* h) try {
  ZEL_ENTRY_CLAIM;
  Dpol_INT* p = handle_INT(h, "see_Dpol_INT");
  // Replay programs print their results even when messages are silent.
  zel::VisibleOutput visible;
  ZEL_C(want_small) = 0;
  IntContext ctx;
  ZoneScope scope;
  if (p->n == 0) {
    Output("0");
    return 1;
  }
  for (uint32_t t = 0; t < p->n; t++) {
    const INT& c = coeffs_INT(p)[t];
    if (t > 0 && mpz_sgn(&c) > 0) Output("+");
    if (mpz_cmp_si(&c, -1) == 0) {
      Output(" -");
    } else if (mpz_cmp_ui(&c, 1) != 0) {
      ZEL_C(see_INT)(c);
      Output("*");
    }
    see_Expos2(p->mono[t], 1);
  }
  return 1;
} ZEL_ENTRY_CATCH("see_Dpol_INT")

ZEL_EXPORT void ZEL_C(convert_from_ntl_int)(const uint64_t* d, I32 n, UI32* r, UI32 radix) try {
  ZEL_ENTRY_CLAIM;
  if (radix < 1) Fatal("radix=%u\n", radix);
  if (ZEL_C(Primes) == nullptr)
    Fatal("Zel interface error: convert_from_ntl_int before reset_coeffs\n");
  const uint32_t V = ZEL_C(vectorize);
  RadixCache& rc = radix_cache;
  // The residues of the radix depend on the primes too: a new prime table
  // (another batch) needs them again.
  if (rc.radix != radix || rc.primes != ZEL_C(Primes) || rc.lanes != V) {
    rc.mod.resize(V);
    for (uint32_t l = 0; l < V; l++) rc.mod[l] = radix % ZEL_C(Primes)[l];
    rc.radix = radix;
    rc.primes = ZEL_C(Primes);
    rc.lanes = V;
  }
  const uint32_t digits = uint32_t(n < 0 ? -int64_t(n) : n);
  for (uint32_t l = 0; l < V; l++) {
    const uint64_t p = ZEL_C(Primes)[l];
    uint64_t acc = 0;
    for (uint32_t k = digits; k-- > 0;)
      acc = (acc * rc.mod[l] + (d[k] & 0xffffffffu) % p) % p;
    r[l] = uint32_t(n < 0 && acc != 0 ? p - acc : acc);
  }
} ZEL_ENTRY_CATCH("convert_from_ntl_int")
