// Printing a polynomial record.
#include "engine/coef/dom_string.hpp"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_print.hpp"
#include "engine/poly/dpol.hpp"
#ifdef ZEL_VARIANT_INT
#include "engine/coef/lift_print.hpp"
#endif

namespace zel::ZEL_BUILD {

uint32_t ZEL_C(want_mods) = 0;

namespace {

// Integer build: every residue of the term, "<...>" around several lanes.
[[maybe_unused]] void see_raw_term_int(const Dpol* p, uint32_t i, uint32_t v) {
  if (v > 1) Output("<");
  for (uint32_t k = 0; k < v; ++k) {
    if (k > 0) Output(" ");
    see_Dom(lanes(p)[k][i]);
  }
  if (v > 1) Output(">");
  Output("*");
}

// Prime-field build: a coefficient 1 is left out, and with want_mods the
// residues above p/2 print as negative numbers ("-" for -1).
[[maybe_unused]] void see_raw_term_fp(const Dpol* p, uint32_t i, uint32_t v) {
  const uint32_t prime = ZEL_C(Primes)[0];
  bool printed_number = false;
  for (uint32_t k = 0; k < v; ++k) {
    if (k > 0) Output(" ");
    const uint32_t r = lanes(p)[k][i];
    printed_number = true;
    if (r == 1) {
      printed_number = false;
    } else if (ZEL_C(want_mods) && 2 * r > prime) {
      const int32_t neg = int32_t(r) - int32_t(prime);
      if (neg == -1) {
        Output("-");
        printed_number = false;
      } else {
        Output("%d", neg);
      }
    } else {
      Output("%u", r);
    }
  }
  if (printed_number) Output("*");
}

}  // namespace

#ifdef ZEL_VARIANT_INT
void (*see_Dpol_lifted)(const Dpol* p) = see_Dpol_lifted_terms;
#else
namespace {
// The prime-field build has nothing to lift to: say so per term
// rather than print residues as if they were the coefficients.
void see_unliftable_terms(const Dpol* p) {
  for (uint32_t i = 0; i < p->n; ++i) {
    if (i > 0) Output("+");
    Output("NYA*");
    see_Expos2(p->mono[i], 1);
  }
}

}  // namespace
void (*see_Dpol_lifted)(const Dpol* p) = see_unliftable_terms;
#endif

void ZEL_C(see_Dpol)(const Dpol* p) {
  Output("f%d = ", int(p->serial));
  // Lifting takes integers from zone 1: give them back whatever happens.
  ZoneScope scope;
  if (p->n == 0) {
    Output("0");
    return;
  }
  if (!ZEL_C(want_raw_output)) {
    see_Dpol_lifted(p);
    return;
  }
  const uint32_t v = kIntegerBuild ? ZEL_C(vectorize) : 1;
  for (uint32_t i = 0; i < p->n; ++i) {
    if (i > 0) Output("+");
    if constexpr (kIntegerBuild)
      see_raw_term_int(p, i, v);
    else
      see_raw_term_fp(p, i, v);
    see_Expos2(p->mono[i], 1);
  }
}

}  // namespace zel::ZEL_BUILD
