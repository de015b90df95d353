// Transformations of distributed polynomials: setting a variable to 1,
// homogenisation, permutations of the variables, the forms invariant under
// the cyclic shift of the variables, filters on terms and on lists, the
// rescaling of binomials and the common monomial factor.  Variables are
// indexed from 0; the last one is the one the server reserves for
// homogenisation.
#pragma once

#include <cstdint>

#include "server/base/printers.hpp"
#include "server/base/runtime.hpp"
#include "server/poly/dmp_arith.hpp"
#include "server/poly/dmp_diag.hpp"

namespace orv::ORV_BUILD {

template <class E, class C>
struct DmpTransform {
  using P = Dmp<E, C>;
  using A = DmpArith<E, C>;
  using X = ExpExtra<E>;
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using Coef = typename C::T;

  template <class F>
  static Cell* each(Cell* l, F f) {
    for (Cell* c = l; c != nullptr; c = c->next) c->poly = f(c->poly);
    return l;
  }

  // --- Substituting and homogenising (p consumed or changed in place) -------

  // p with x(v) = 1: every term loses its exponent of v and is summed back,
  // so terms that meet merge and the result is sorted.
  // The exponent fields exist for the ring's variables only.
  static void require_variable(const char* op, unsigned v) {
    if (v >= E::nb_vars()) Fatal("%s: no variable of index %u among %u\n", op, v, E::nb_vars());
  }

  static Node* set_var_one(Node* p, unsigned v) {
    require_variable("eval_var_one_d", v);
    Node* r = nullptr;
    while (p != nullptr) {
      Node* t = p;
      p = p->next;
      t->next = nullptr;
      E::ranger(t->e, 0, v);
      r = A::sum(r, t);
    }
    return r;
  }
  static Cell* set_var_one(Cell* l, unsigned v) {
    return each(l, [v](Node* p) { return set_var_one(p, v); });
  }

  // Stores D - deg(t) as the exponent of v of every term t, D the largest
  // total degree; a homogeneous p is returned as it is.  With v the last
  // variable the degree orders keep the order of the terms.
  static Node* homog(Node* p, unsigned v) {
    require_variable("homog_d", v);
    if (p == nullptr) return p;
    unsigned top = 0, low = 0x10000;
    for (const Node* t = p; t != nullptr; t = t->next) {
      unsigned d = E::total_degree(t->e);
      if (d > top) top = d;
      if (d < low) low = d;
    }
    if (top == low) return p;
    for (Node* t = p; t != nullptr; t = t->next) E::ranger(t->e, top - E::total_degree(t->e), v);
    return p;
  }
  static Cell* homog(Cell* l, unsigned v) {
    return each(l, [v](Node* p) { return homog(p, v); });
  }

  // --- Variables --------------------------------------------------------------

  static Node* permute(Node* p, const unsigned* perm) {
    for (Node* t = p; t != nullptr; t = t->next) X::permut(t->e, perm);
    return TermPool<E, C>::trier_(p, P::comp);
  }

  [[noreturn]] static void permute_diagnostic(const Node* p) {
    Fortran << "Avant ";
    diag_poly(Fortran, p);
    Fortran << "\n"
            << "Apres ";
    diag_poly(Fortran, p);
    Fortran << "\n";
    Fatal("ici\n");
  }

  // --- Cyclic symmetry ---------------------------------------------------------

  // perm[i] = i + 1, the last variable going to 0.
  static void cyclic_shift(unsigned* perm) {
    const unsigned n = E::nb_vars();
    for (unsigned i = 0; i < n; ++i) perm[i] = i + 1 < n ? i + 1 : 0;
  }

  // The sum over the terms of p of their cyclic orbits, each orbit's
  // distinct monomials carrying the coefficient of the term.  p is read.
  static Node* orbit(const Node* p) {
    unsigned perm[kMaxVariables];
    cyclic_shift(perm);
    uint64_t e[kScratchWords];
    Node* result = nullptr;
    for (; p != nullptr; p = p->next) {
      X::copy(e, p->e);
      Node* s = P::monom(e, C::one());
      for (unsigned k = 1; k < E::nb_vars(); ++k) {
        X::permut(e, perm);
        s = A::unite(s, P::monom(e, C::one()));
      }
      result = A::sum(result, A::scale(p->coef, s));
    }
    return result;
  }

  // One term per orbit, the greatest of its orbit, for a p invariant under
  // the cyclic shift; p consumed.  Each step removes the leading term's
  // whole orbit, which only leaves smaller terms behind when the leading
  // term leads its orbit: a p for which it does not is refused.
  static Node* compact(Node* p) {
    Node* result = nullptr;
    while (p != nullptr) {
      result = A::sum(result, P::monom(p->e, C::copy(p->coef)));
      Node* lead = P::monom(p->e, C::copy(p->coef));
      Node* o = orbit(lead);
      A::release(lead);
      if (!E::eq(o->e, p->e))
        Fatal("compact_%s: the polynomial is not invariant under the cyclic shift\n",
              pairing_name<E, C>());
      p = A::sum(p, A::negate(o));
    }
    return result;
  }
  static Node* canonic(const Node* p) { return compact(orbit(p)); }

  // The terms whose exponents do not increase along the variables.
  static Node* keep_orbit_leaders(Node* p) {
    return filter(p, [](const Node* t) { return X::is_sym_orbit(t->e); });
  }
  // The same as new nodes sharing p's coefficient handles; p read.
  static Node* orbit_leaders(const Node* p) {
    Node* head = nullptr;
    Node** tail = &head;
    for (; p != nullptr; p = p->next)
      if (X::is_sym_orbit(p->e)) {
        Node* t = P::term(p->e, p->coef, nullptr);
        *tail = t;
        tail = &t->next;
      }
    *tail = nullptr;
    return head;
  }

  // --- Term filters (in place; dropped terms go back to the pool) ------------

  template <class Keep>
  static Node* filter(Node* p, Keep keep) {
    Node* head = nullptr;
    Node** tail = &head;
    while (p != nullptr) {
      Node* next = p->next;
      if (keep(p)) {
        *tail = p;
        tail = &p->next;
      } else {
        A::release(p);
      }
      p = next;
    }
    *tail = nullptr;
    return head;
  }

  // The constant term and the terms that contain variable 0.
  static Node* keep_first_var(Node* p) {
    return filter(p, [](const Node* t) { return E::null(t->e) || E::extraire(t->e, 0) != 0; });
  }
  static Node* retain_only_deg(Node* p, unsigned d) {
    return filter(p, [d](const Node* t) { return E::total_degree(t->e) == d; });
  }
  // Zero when the leading coefficient is zero, whatever follows.
  static Node* purge_zero(Node* p) {
    if (p != nullptr && !test(p->coef)) {
      A::release_all(p);
      return nullptr;
    }
    return p;
  }

  // --- List filters --------------------------------------------------------------

  // The first cell from `cell` on whose polynomial contains one of the first
  // k variables.
  static Cell* next_not_retain(Cell* cell, unsigned k) {
    while (cell != nullptr && P::is_eliminated(cell->poly, k)) cell = cell->next;
    return cell;
  }

  // Moves the polynomials that contain one of the first k variables to the
  // front, in their order; `out` receives that front part, the rest (free
  // of those variables) is returned.
  static Cell* retain(Cell* l, Cell*& out, unsigned k) {
    Cell* before = nullptr;
    Cell* a = l;
    while (a != nullptr && !P::is_eliminated(a->poly, k)) {
      before = a;
      a = a->next;
    }
    if (a == nullptr) {
      out = l;
      return nullptr;
    }
    for (Cell* b = next_not_retain(a->next, k); b != nullptr; b = next_not_retain(b->next, k)) {
      std::swap(a->poly, b->poly);
      before = a;
      a = a->next;
    }
    if (a == l) {
      out = nullptr;
      return l;
    }
    before->next = nullptr;
    out = l;
    return a;
  }

  // Some polynomial held in the cells [from, to) has a leading monomial
  // that divides m when its last variable is ignored.
  static bool reductible(const uint64_t* m, const Cell* from, const Cell* to) {
    for (; from != nullptr && from != to; from = from->next)
      if (X::is_homog_sub(m, from->poly->e)) return true;
    return false;
  }

  // Unlinks every polynomial whose leading monomial an earlier kept one
  // divides (ignoring the last variable).  Unlinked cells and polynomials
  // are left to the caller, who may hold them elsewhere.
  static Cell* menage_homog(Cell* l) {
    if (l == nullptr) return l;
    Cell* last = l;
    for (Cell* c = l->next; c != nullptr;) {
      Cell* next = c->next;
      if (!reductible(c->poly->e, l, c)) {
        last->next = c;
        last = c;
      } else {
        last->next = next;
      }
      c = next;
    }
    return l;
  }

  // --- Coefficients and factors ------------------------------------------------

  // Multiplies by c the coefficient of the term x^m of every polynomial of
  // L whose first or second term has that monomial, and makes it monic.
  static void substitute(const uint64_t* m, Coef c, Cell* l) {
    for (; l != nullptr; l = l->next) {
      Node* p = l->poly;
      if (p == nullptr) continue;
      if (E::eq(p->e, m))
        mult_d(p->coef, c);
      else if (p->next != nullptr && E::eq(p->next->e, m))
        mult_d(p->next->coef, c);
      else
        continue;
      l->poly = A::monic(p);
    }
  }

  // Divides p in place by the greatest monomial dividing all its terms;
  // returns that monomial's total degree (0 when it is 1 or p is zero).
  static unsigned simpl_factor(Node* p) {
    if (p == nullptr) return 0;
    uint64_t g[kScratchWords];
    X::copy(g, p->e);
    for (const Node* t = p->next; t != nullptr; t = t->next) {
      X::zinf(g, t->e, g);
      if (E::null(g)) return 0;
    }
    if (E::null(g)) return 0;
    Fortran << "Divise par ";
    diag_monomial<E>(Fortran, g);
    Fortran << "\n";
    for (Node* t = p; t != nullptr; t = t->next) X::sub(t->e, g, t->e);
    return E::total_degree(g);
  }

  // Rewrites the head of p (x(v) removed, coefficient lc(p)/lc(q)) and,
  // when every following coefficient of p is that multiple of q's, drops
  // p's terms 2 to |q|.
  static Node* gsl_form(Node* p, const Node* q, unsigned v) {
    const Coef r = quot(p->coef, q->coef);
    E::ranger(p->e, 0, v);
    p->coef = r;
    Node* tp = p->next;
    for (const Node* tq = q->next; tq != nullptr; tq = tq->next, tp = tp->next) {
      if (tp == nullptr) Fatal("GSL_form: p has fewer terms than q\n");
      const Coef r2 = quot(tp->coef, tq->coef);
      if (comp_NEQ(r2, r)) {
        Fortran << "Bad case(2) ";
        fortran_coef(Fortran, tp->coef);
        Fortran << " ";
        fortran_coef(Fortran, tq->coef);
        Fortran << " and ";
        fortran_coef(Fortran, r2);
        Fortran << "\n";
        return p;
      }
    }
    for (Node* t = p->next; t != tp;) t = A::release(t);
    p->next = tp;
    return p;
  }
};

}  // namespace orv::ORV_BUILD
