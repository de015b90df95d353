// Helpers of the C interface's polynomial input, shared by both builds.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/mono/expos_words.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// The handle as a polynomial; a null handle is fatal, and so is a handle
// that is not live in this session.
Dpol* handle_Dpol(void* p, const char* who);
// The same, for readers of the terms: its terms must not have been set
// since its last sort (prime-field build).
Dpol* sorted_handle_Dpol(void* p, const char* who);
// A handle whose residues are read or written: in the integer build a
// polynomial with integer coefficients is refused.
Dpol* residue_handle_Dpol(void* p, const char* who);
// After a sort (true) or a change of its terms (false).  The integer build's
// residue polynomials are the engine's own records: nothing is kept for them.
void mark_sorted(void* p, bool sorted);
// Term index i of p must be below its term count (fatal otherwise).
void check_term(const Dpol* p, uint32_t i, const char* who);

// creat_poly's record of nterms terms takes `bytes`: fatal, before any
// memory is touched, when that is more than the machine's memory or than
// one zone allocation can hold.
void check_term_storage(uint32_t nterms, uint64_t bytes);

// Checks e[0 .. nvars) as exponents of the declared variables: nvars at most
// their number, every exponent in 0 .. 32767.  Fatal otherwise; the message
// for a too large exponent is "Zel interface error: power products should
// be < 32767".
void check_exponents(const int32_t* e, uint32_t nvars);
// Only the count and the array: nvars at most the declared variables, e
// non-null when nvars > 0.
void check_exponent_array(const int32_t* e, uint32_t nvars);

// Whether the terms first .. end-1 of mono can be exported with nvars
// exponents each: nvars at most the declared variables, and no term with a
// non-zero exponent past the first nvars (that term would read as another).
// Otherwise says why on the error channel and returns false: the export
// writes nothing and fails.
bool exportable_terms(Expos* const* mono, uint32_t first, uint32_t end, uint32_t nvars);

// c reduced into [0, p).
inline uint32_t reduce_I32(int32_t c, uint32_t p) {
  const int64_t r = int64_t(c) % int64_t(p);
  return uint32_t(r < 0 ? r + p : r);
}

// True when a and b (header form) are the same monomial.
bool same_monomial(const Expos* a, const Expos* b);
// The term indices of mono[0 .. n) by decreasing monomial.
std::vector<uint32_t> decreasing_order(Expos* const* mono, uint32_t n);
// Homogenises the n monomials to their largest total degree (see below).
void homogenise_terms(Expos** mono, uint32_t n, bool copy_raised);

// The normalisation below for any coefficient type.  Terms gives: n() (a
// reference to the term count), mono(), zero(t), move(from, to) (monomial
// and coefficient), add(to, from) (coefficient of `from` added into `to`)
// and sort() (decreasing monomials).
template <class Terms>
void normalize_input_terms(Terms& p, bool copy_raised) {
  if (p.n() == 0) return;
  auto drop_empty = [&p]() {
    uint32_t k = 0;
    for (uint32_t t = 0; t < p.n(); ++t)
      if (p.mono()[t] != nullptr && !p.zero(t)) p.move(t, k++);
    p.n() = k;
  };
  drop_empty();
  // Equal monomials become neighbours; add them up.
  p.sort();
  uint32_t k = 0;
  for (uint32_t t = 0; t < p.n(); ++t) {
    if (k > 0 && same_monomial(p.mono()[k - 1], p.mono()[t]))
      p.add(k - 1, t);
    else
      p.move(t, k++);
  }
  p.n() = k;
  drop_empty();
  homogenise_terms(p.mono(), p.n(), copy_raised);
  // Homogenising may change the order between blocks: sort again.
  p.sort();
}

// Fatal, naming polynomial h (as `who` was given it) and term t: the term
// has a coefficient but no exponents.
[[noreturn]] void coefficient_without_exponents(const void* h, uint32_t t, const char* who);

// A term with a coefficient but no exponents cannot be told from a constant
// whose exponents were forgotten: refuse it rather than drop it as unset.  A
// term with neither counts as zero.  Terms as for normalize_input_terms.
template <class Terms>
void refuse_coefficients_without_exponents(Terms& p, const void* h, const char* who) {
  for (uint32_t t = 0; t < p.n(); ++t)
    if (p.mono()[t] == nullptr && !p.zero(t)) coefficient_without_exponents(h, t, who);
}

// Brings a polynomial given term by term into the form the engine reads:
// drops unset terms (no monomial) and zero terms, adds the coefficients of
// equal monomials, homogenises to the largest total degree, and sorts the
// terms by decreasing monomial.  With copy_raised set a monomial whose
// homogenising exponent must grow is copied first (it may be shared with
// another polynomial); otherwise it is changed in place.
void normalize_input_Dpol(Dpol* p, bool copy_raised);
// The same for the entries that sort handle h (p): a term with a
// coefficient but no exponents is refused first.
void normalize_input_handle(void* h, Dpol* p, bool copy_raised, const char* who);

}  // namespace zel::ZEL_BUILD
