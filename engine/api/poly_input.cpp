// The C interface's polynomial input and output on residue polynomials
// (Dpol), both builds: exponents, residues, term counts and the export.
#include "engine/api/poly_input.hpp"

#include <unistd.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "engine/api/entry_guard.hpp"
#include "engine/api/handles.hpp"
#include "engine/api/record.hpp"
#include "engine/call_zel.h"
#include "engine/coef/primes.hpp"
#include "engine/f4/dpol_sort.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_order.hpp"
#include "engine/mono/expos_pool.hpp"
#ifdef ZEL_VARIANT_INT
#include "engine/poly/dpol_int.hpp"
#endif

namespace zel::ZEL_BUILD {

Dpol* handle_Dpol(void* p, const char* who) {
  if (p == nullptr) Fatal("Zel interface error: null polynomial given to %s\n", who);
  check_live_handle(p, who, false);
  return static_cast<Dpol*>(p);
}

Dpol* residue_handle_Dpol(void* p, const char* who) {
  Dpol* d = handle_Dpol(p, who);
#ifdef ZEL_VARIANT_INT
  if (has_int_coefficients(d))
    Fatal("Zel interface error: %s reads or writes residues, but this polynomial has integer "
          "coefficients (set_coeff_raw, set_coeff_gmp, export_poly_INT)\n",
          who);
#endif
  return d;
}

Dpol* sorted_handle_Dpol(void* p, const char* who) {
  if (p == nullptr) Fatal("Zel interface error: null polynomial given to %s\n", who);
  check_live_handle(p, who, true);
  return static_cast<Dpol*>(p);
}

void mark_sorted(void* p, bool sorted) {
  if (HandleState* h = find_handle(p)) h->sorted = sorted;
}

void check_term(const Dpol* p, uint32_t i, const char* who) {
  if (i >= p->n)
    Fatal("Zel interface error: %s of term %u in a polynomial of %u terms\n", who, i, p->n);
}

void check_term_storage(uint32_t nterms, uint64_t bytes) {
  // A count of -1 or an overflowed one would otherwise have its storage
  // committed page by page for a long while before the allocation fails.
  uint64_t limit = kMaxZoneRequest;
  const char* what = "one zone allocation holds";
  const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
  if (pages > 0 && page > 0 && uint64_t(pages) * uint64_t(page) < limit) {
    limit = uint64_t(pages) * uint64_t(page);
    what = "the machine's memory";
  }
  if (bytes > limit)
    Fatal("Zel interface error: creat_poly(%u): its terms need %llu bytes, more than %s (%llu "
          "bytes)\n",
          nterms, static_cast<unsigned long long>(bytes), what,
          static_cast<unsigned long long>(limit));
}

void check_exponent_array(const int32_t* e, uint32_t nvars) {
  if (nvars > real_nb_of_affine_variables)
    Fatal("Zel interface error: %u exponents given for %u variables\n", nvars,
          real_nb_of_affine_variables);
  if (nvars > 0 && e == nullptr) Fatal("Zel interface error: no exponents given\n");
}

void check_exponents(const int32_t* e, uint32_t nvars) {
  check_exponent_array(e, nvars);
  for (uint32_t j = 0; j < nvars; ++j) {
    if (e[j] < 0) Fatal("Zel interface error: negative exponent %d\n", e[j]);
    if (uint32_t(e[j]) > kMaxExponent)
      Fatal("Zel interface error: power products should be < %d", int(kMaxExponent));
  }
}

bool exportable_terms(Expos* const* mono, uint32_t first, uint32_t end, uint32_t nvars) {
  const uint32_t n = real_nb_of_affine_variables;
  if (nvars > n) {
    Stderr("Zel interface error: %u exponents asked for %u variables\n", nvars, n);
    return false;
  }
  for (uint32_t t = first; t < end; ++t) {
    const ExposW* w = words_of(mono[t]);
    for (uint32_t j = nvars; j < n; ++j) {
      if (get_field(w, j) == 0) continue;
      Stderr("Zel interface error: %u exponents asked for, but term %u has exponent %u in "
             "variable %u\n",
             nvars, t, get_field(w, j), j);
      return false;
    }
  }
  return true;
}

bool same_monomial(const Expos* a, const Expos* b) {
  const ExposW* wa = words_of(a);
  const ExposW* wb = words_of(b);
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k)
    if (get_word(wa, k) != get_word(wb, k)) return false;
  return true;
}

std::vector<uint32_t> decreasing_order(Expos* const* mono, uint32_t n) {
  std::vector<uint32_t> perm(n);
  std::iota(perm.begin(), perm.end(), 0u);
  std::sort(perm.begin(), perm.end(), [mono](uint32_t a, uint32_t b) {
    return comp5_Expos(words_of(mono[a]), words_of(mono[b])) > 0;
  });
  return perm;
}

void homogenise_terms(Expos** mono, uint32_t n, bool copy_raised) {
  uint32_t D = 0;
  for (uint32_t t = 0; t < n; ++t) D = std::max(D, total_degree(words_of(mono[t])));
  if (copy_raised) {
    for (uint32_t t = 0; t < n; ++t) {
      const uint32_t d = total_degree(words_of(mono[t]));
      if (d == D) continue;
      const uint32_t h = nb_of_affine_variables;
      const uint64_t e = uint64_t(get_field(words_of(mono[t]), h)) + (D - d);
      if (e > kMaxExponent)
        Fatal("Homogenisation raises the exponent of the homogenising variable to %llu (at most %u)\n",
              static_cast<unsigned long long>(e), kMaxExponent);
      ExposW* w = copy_offset_Expos(words_of(mono[t]));
      set_field(w, h, uint32_t(e));
      mono[t] = header_of(w);
    }
  } else {
    std::vector<ExposW*> w(n);
    for (uint32_t t = 0; t < n; ++t) w[t] = words_of(mono[t]);
    renormalize_input(w.data(), n);
  }
}

namespace {

Dom add_mod(Dom a, Dom b, uint32_t p) {
  const uint64_t s = uint64_t(a) + b;
  return Dom(s >= p ? s - p : s);
}

// The residue polynomial as normalize_input_terms sees it.
struct DpolTerms {
  Dpol* p;
  uint32_t& n() { return p->n; }
  Expos** mono() { return p->mono; }
  bool zero(uint32_t t) const {
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l)
      if (lanes(p)[l][t] != 0) return false;
    return true;
  }
  void move(uint32_t from, uint32_t to) {
    p->mono[to] = p->mono[from];
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) lanes(p)[l][to] = lanes(p)[l][from];
  }
  void add(uint32_t to, uint32_t from) {
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l)
      lanes(p)[l][to] = add_mod(lanes(p)[l][to], lanes(p)[l][from], ZEL_C(Primes)[l]);
  }
  // Decreasing monomial order, coefficients of every lane moving along.
  void sort() {
#ifdef ZEL_VARIANT_FP
    force_sort_Dpol(p);
#else
    const uint32_t n = p->n;
    if (n < 2) return;
    const std::vector<uint32_t> perm = decreasing_order(p->mono, n);
    std::vector<Expos*> m2(n);
    for (uint32_t i = 0; i < n; ++i) m2[i] = p->mono[perm[i]];
    std::copy(m2.begin(), m2.end(), p->mono);
    std::vector<Dom> c2(n);
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) {
      Dom* c = lanes(p)[l];
      for (uint32_t i = 0; i < n; ++i) c2[i] = c[perm[i]];
      std::copy(c2.begin(), c2.end(), c);
    }
#endif
  }
};

}  // namespace

void normalize_input_Dpol(Dpol* p, bool copy_raised) {
  DpolTerms terms{p};
  normalize_input_terms(terms, copy_raised);
}

void normalize_input_handle(void* h, Dpol* p, bool copy_raised, const char* who) {
  DpolTerms terms{p};
  refuse_coefficients_without_exponents(terms, h, who);
  normalize_input_terms(terms, copy_raised);
}

void coefficient_without_exponents(const void* h, uint32_t t, const char* who) {
  const HandleState* s = find_handle(h);
  Fatal("Zel interface error: %s was given polynomial %u whose term %u has a coefficient but no "
        "exponents\n",
        who, s != nullptr ? s->number : 0u, t);
}

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT void ZEL_C(set_expos2)(void* h, UI32 i, const I32* e, UI32 nvars) try {
  ZEL_ENTRY_CLAIM;
  // The recording reads e[0 .. nvars): check the handle and the sizes first.
  // Exponent values are checked after it, so the replay holds that failure.
  Dpol* p = handle_Dpol(h, "set_expos2");
  check_term(p, i, "set_expos2");
  check_exponent_array(e, nvars);
  if (libmode_record) {
    // A C array needs at least one element, even for no exponents.
    record("  {\n    I32 e[%u]={%d", nvars > 0 ? nvars : 1u, nvars > 0 ? e[0] : 0);
    for (UI32 j = 1; j < nvars; ++j) record(",%d", e[j]);
    record("};\n    ZEL(set_expos2)(prev,%u,e,%u);\n  }\n", i, nvars);
  }
  check_exponents(e, nvars);
  mark_sorted(h, false);
  // Zone 3, like the polynomial: the monomial lives as long as the session.
  ExposW* w;
  {
    InZone3 z3;
    w = words_of(ZEL_C(new_heap_Expos)());
  }
  for (uint32_t k = 0; k < nb_of_blocks_of_variables; ++k) set_word(w, k, 0);
  for (uint32_t j = 0; j < nvars; ++j) set_field(w, j, uint32_t(e[j]));
  put_hash(header_of(w), 0);
  p->mono[i] = header_of(w);
} ZEL_ENTRY_CATCH("set_expos2")

ZEL_EXPORT void ZEL_C(set_coeff_I32)(void* h, UI32 i, I32 c) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record) record("  ZEL(set_coeff_I32)(prev,%u,%d);\n", i, c);
  Dpol* p = residue_handle_Dpol(h, "set_coeff_I32");
  check_term(p, i, "set_coeff_I32");
  if (ZEL_C(Primes) == nullptr) Fatal("Zel interface error: set_coeff_I32 before reset_coeffs\n");
  // Residues must lie in [0, p): a raw 16 or 32-bit copy of a negative or
  // large c would be a wrong coefficient.
  lanes(p)[0][i] = Dom(reduce_I32(c, ZEL_C(Primes)[0]));
  mark_sorted(h, false);
} ZEL_ENTRY_CATCH("set_coeff_I32")

ZEL_EXPORT UI32 ZEL_C(nb_terms)(void* h) try {
  ZEL_ENTRY_CLAIM;
  return handle_Dpol(h, "nb_terms")->n;
} ZEL_ENTRY_CATCH("nb_terms")
ZEL_EXPORT UI32 ZEL_C(size_poly)(void* h) try {
  ZEL_ENTRY_CLAIM;
  return handle_Dpol(h, "size_poly")->n;
} ZEL_ENTRY_CATCH("size_poly")

ZEL_EXPORT I32 ZEL_C(export_poly)(UI32 nvars, UI32 m, UI32* exps, UI32* coeffs, void* h) try {
  ZEL_ENTRY_CLAIM;
  Dpol* p = sorted_handle_Dpol(h, "export_poly");
  residue_handle_Dpol(h, "export_poly");
  if (m != p->n) return -1;
  if (m > 0 && ((exps == nullptr && nvars > 0) || coeffs == nullptr))
    Fatal("Zel interface error: null output array given to export_poly\n");
  if (!exportable_terms(p->mono, 0, m, nvars)) return -1;
  for (uint32_t t = 0; t < m; ++t) {
    const ExposW* w = words_of(p->mono[t]);
    for (uint32_t j = 0; j < nvars; ++j) exps[size_t(t) * nvars + j] = get_field(w, j);
    coeffs[t] = lanes(p)[0][t];
  }
  return 1;
} ZEL_ENTRY_CATCH("export_poly")

// ---- residue accessors ------------------------------------------------------

ZEL_EXPORT void ZEL_C(set_coeff)(void* h, UI32 i, const Dom* c) try {
  ZEL_ENTRY_CLAIM;
  Dpol* p = residue_handle_Dpol(h, "set_coeff");
  check_term(p, i, "set_coeff");
  if (c == nullptr) Fatal("Zel interface error: no residues given to set_coeff\n");
  if (ZEL_C(Primes) == nullptr) Fatal("Zel interface error: set_coeff before reset_coeffs\n");
  for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) {
    if (c[l] >= ZEL_C(Primes)[l])
      Fatal("Zel interface error: residue %u is not below the prime %u\n", unsigned(c[l]),
            ZEL_C(Primes)[l]);
    lanes(p)[l][i] = c[l];
  }
  mark_sorted(h, false);
} ZEL_ENTRY_CATCH("set_coeff")

ZEL_EXPORT Dom* ZEL_C(get_coeff)(void* h, UI32 i, Dom* c) try {
  ZEL_ENTRY_CLAIM;
  Dpol* p = residue_handle_Dpol(h, "get_coeff");
  check_term(p, i, "get_coeff");
  if (c == nullptr) Fatal("Zel interface error: no output array given to get_coeff\n");
  for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) c[l] = lanes(p)[l][i];
  return c;
} ZEL_ENTRY_CATCH("get_coeff")

ZEL_EXPORT void* ZEL_C(assign_expos)(const I32* e, UI32 n) try {
  ZEL_ENTRY_CLAIM;
  check_exponents(e, n);
  ExposW* w = zero_Expos();
  for (uint32_t j = 0; j < n; ++j) set_field(w, j, uint32_t(e[j]));
  register_monomial(header_of(w));
  return header_of(w);
} ZEL_ENTRY_CATCH("assign_expos")

ZEL_EXPORT void* ZEL_C(set_expos)(void* h, UI32 i, const I32* e) try {
  ZEL_ENTRY_CLAIM;
  Dpol* p = handle_Dpol(h, "set_expos");
  check_term(p, i, "set_expos");
  void* m = ZEL_C(assign_expos)(e, real_nb_of_affine_variables);
  p->mono[i] = static_cast<Expos*>(m);
  mark_sorted(h, false);
  return m;
} ZEL_ENTRY_CATCH("set_expos")

ZEL_EXPORT void ZEL_C(set_expos_d)(void* h, UI32 i, void* m) try {
  ZEL_ENTRY_CLAIM;
  Dpol* p = handle_Dpol(h, "set_expos_d");
  check_term(p, i, "set_expos_d");
  check_live_monomial(m, "set_expos_d");
  p->mono[i] = static_cast<Expos*>(m);
  mark_sorted(h, false);
} ZEL_ENTRY_CATCH("set_expos_d")

ZEL_EXPORT void ZEL_C(get_expos)(void* h, UI32 i, I32* e) try {
  ZEL_ENTRY_CLAIM;
  Dpol* p = handle_Dpol(h, "get_expos");
  check_term(p, i, "get_expos");
  if (p->mono[i] == nullptr) Fatal("Zel interface error: get_expos of term %u, which is not set\n", i);
  if (e == nullptr && real_nb_of_affine_variables > 0)
    Fatal("Zel interface error: no exponent array given to get_expos\n");
  for (uint32_t j = 0; j < real_nb_of_affine_variables; ++j)
    e[j] = I32(get_field(words_of(p->mono[i]), j));
} ZEL_ENTRY_CATCH("get_expos")

// Homogenises in place; the monomials already are in the engine's form.
ZEL_EXPORT void ZEL_C(sort_poly)(void* h) try {
  ZEL_ENTRY_CLAIM;
  Dpol* p = handle_Dpol(h, "sort_poly");
  std::vector<ExposW*> w(p->n);
  for (uint32_t t = 0; t < p->n; ++t) w[t] = p->mono[t] ? words_of(p->mono[t]) : nullptr;
  renormalize_input(w.data(), p->n);
} ZEL_ENTRY_CATCH("sort_poly")


ZEL_EXPORT UI32 ZEL_C(size_memory_coeff)(void) {
  ZEL_ENTRY_CLAIM;
  return 8 * ZEL_C(vectorize);
}
