// The compact form in which the library's own diagnostics (the common
// factor, the analysis of systems, the random systems) write polynomials on
// the Fortran printer: terms joined by '+', each a coefficient followed by
// "*name^k" factors, names from the type's table or "x<i>".
#pragma once

#include "server/base/printers.hpp"
#include "server/poly/coef_ops.hpp"
#include "server/poly/dmp_types.hpp"
#include "server/poly/exp_extra.hpp"

namespace orv::ORV_BUILD {

template <class E>
void diag_variable(Fortran_Print& out, unsigned i) {
  const char* name = i < kMaxVariables ? ExpExtra<E>::name_of(i) : nullptr;
  if (name != nullptr)
    out << name;
  else
    var_index(out, "x", int(i));
}

// The factors of a monomial, "1" for the monomial 1; `star` puts a '*' in
// front of the first one.
template <class E>
void diag_monomial(Fortran_Print& out, const uint64_t* e, bool star = false) {
  bool any = false;
  for (unsigned i = 0; i < E::nb_vars(); ++i) {
    unsigned k = E::extraire(e, i);
    if (k == 0) continue;
    if (any || star) out << '*';
    diag_variable<E>(out, i);
    if (k > 1) out << '^' << k;
    any = true;
  }
  if (!any && !star) out << '1';
}

template <class E, class C>
void diag_poly(Fortran_Print& out, const DmpNode<E, C>* p) {
  if (p == nullptr) {
    out << '0';
    return;
  }
  for (bool first = true; p != nullptr; p = p->next, first = false) {
    if (!first) out << '+';
    out << coef_shown(C{}, p->coef);
    diag_monomial<E>(out, p->e, true);
  }
}

template <class E, class C>
void diag_list(Fortran_Print& out, const DmpList<E, C>* l) {
  out << '[';
  for (bool first = true; l != nullptr; l = l->next, first = false) {
    if (!first) out << ",\n";
    diag_poly(out, l->poly);
  }
  out << ']';
}

}  // namespace orv::ORV_BUILD
