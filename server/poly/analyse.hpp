// The analysis of a system of binomials: variables are rescaled one at a
// time (x replaced by c x) until the first two coefficients of every
// polynomial are 1 or -1; the product of the factors applied to a variable
// is its weight.
#pragma once

#include <cstdint>
#include <vector>

#include "server/base/printers.hpp"
#include "server/base/runtime.hpp"
#include "server/poly/dmp_transform.hpp"

namespace orv::ORV_BUILD {

template <class E, class C>
struct DmpAnalyse {
  using T = DmpTransform<E, C>;
  using X = ExpExtra<E>;
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using Coef = typename C::T;

  static bool unit(Coef c) { return is_one(c) || is_neg_one(c); }

  // x(i) to the first power exactly: i, else -1.
  static int lone_variable(const uint64_t* e) {
    unsigned d = 0;
    int i = X::slow_is_power(e, d);
    return i >= 0 && d == 1 ? i : -1;
  }

  // One rescaling; false when the list is done (a zero or one-term
  // polynomial, or only unit coefficients in front).
  static bool step(Cell* list, std::vector<uint32_t>& weights) {
    if (!want_quiet) {
      Fortran << "Analyse\n";
      diag_list(Fortran, list);
      Fortran << "\n";
    }
    for (const Cell* c = list; c != nullptr; c = c->next)
      if (c->poly == nullptr || c->poly->next == nullptr) return false;
    const Cell* c = list;
    while (c != nullptr && unit(c->poly->coef) && unit(c->poly->next->coef)) c = c->next;
    if (c == nullptr) return false;
    const Node* p = c->poly;
    // A non-unit leading coefficient stands against a lone second variable,
    // which takes it as its factor; otherwise the lone leading variable
    // takes the second coefficient's absolute value.
    const bool lead = !unit(p->coef);
    const int i = lone_variable(lead ? p->next->e : p->e);
    if (i < 0) Fatal("Erreur impossible dans analyse\n");
    const Coef factor = lead ? C::copy(p->coef) : coef_abs(C{}, p->next->coef);
    uint64_t x[kScratchWords];
    E::set_null(x);
    E::ranger(x, 1, unsigned(i));
    if (!want_quiet) {
      diag_monomial<E>(Fortran, x);
      Fortran << " (" << i << ") -> ";
      fortran_coef(Fortran, factor);
      Fortran << "*";
      diag_monomial<E>(Fortran, x);
      Fortran << "\n";
    }
    weights[unsigned(i)] *= coerce_unsigned(factor);
    T::substitute(x, factor, list);
    return true;
  }

  static void run(Cell* list) {
    std::vector<uint32_t> weights(E::nb_vars(), 1);
    while (step(list, weights)) {
    }
    Output("#weights <");
    for (uint32_t w : weights) Output("%u ", w);
    Output(">\n");
  }
};

}  // namespace orv::ORV_BUILD
