// Plain texts for other programs, written once over an exponent traits type
// E and a coefficient traits type C:
//
//   NTL text       a polynomial in one variable as its bracketed coefficient
//                  vector, constant term first: "[ 5 2 0 1]".
//   quotient file  a zero-dimensional basis in linear-algebra terms: the
//                  number of variables, the dimension of the quotient, its
//                  monomial basis (the staircase) and, per polynomial, the
//                  negated leading coefficient, the leading exponents and
//                  the tail's coordinates on the staircase.
#pragma once

#include <cstdint>
#include <vector>

#include "server/base/printers.hpp"
#include "server/base/runtime.hpp"
#include "server/poly/coef_text.hpp"
#include "server/poly/dmp_lists.hpp"
#include "server/poly/staircase.hpp"
#include "server/poly/var_names.hpp"

namespace orv::ORV_BUILD {

// "%d " per exponent of variables 0 to n-1.
template <class E>
Lib_Print& lib_exponents(Lib_Print& out, const uint64_t* e) {
  for (uint32_t i = 0; i < ExpNames<E>::n(); ++i) out << int(E::extraire(e, i)) << ' ';
  return out;
}

template <class E, class C>
struct QuotientFile {
  using D = Dmp<E, C>;
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using CellCell = DmpListList<E, C>;
  using Terms = TermPool<E, C>;
  using Coef = typename C::T;

  // --- NTL text ------------------------------------------------------------------

  // The vector runs to the largest total degree of any term, so that a
  // polynomial whose terms are not in degree order loses none of them.
  static void ntl(const Node* p) {
    uint32_t d = 0;
    for (const Node* t = p; t != nullptr; t = t->next)
      if (E::total_degree(t->e) > d) d = E::total_degree(t->e);
    std::vector<Coef> entry(size_t{d} + 1, C::zero());
    for (const Node* t = p; t != nullptr; t = t->next) entry[E::total_degree(t->e)] = t->coef;
    Fortran << '[';
    for (const Coef& c : entry) {
      Fortran << ' ';
      fortran_coef(Fortran, c);
    }
    Fortran << "]\n";
  }
  static void ntl(const Cell* l) {
    for (; l != nullptr; l = l->next) ntl(l->poly);
  }

  // --- Staircase ---------------------------------------------------------------------

  // The staircase of the basis, largest first, from the staircase code
  // (which sets its base to this basis and refuses one that is not
  // zero-dimensional).
  static Node* staircase(const Cell* basis) {
    for (const Cell* c = basis; c != nullptr; c = c->next)
      if (c->poly == nullptr) Fatal("Quotient basis: the basis holds the zero polynomial\n");
    return DmpStaircase<E, C>::escalier(basis);
  }

  // --- Quotient file -------------------------------------------------------------------

  // The tail's coefficients on the staircase, up to its last term.
  static void tail_vector(const Node* tail, const Node* stairs) {
    Lib << '[';
    for (const Node* s = stairs; s != nullptr && tail != nullptr; s = s->next) {
      if (s != stairs) Lib << ',';
      if (E::eq(tail->e, s->e)) {
        lib_coef(Lib, tail->coef);
        tail = tail->next;
      } else {
        Lib << '0';
      }
    }
    Lib << "]\n";
  }

  static void write(const Cell* basis) {
    Lib << "% nombre de variables:\n" << int(ExpNames<E>::n()) << "\n";
    Node* stairs = staircase(basis);
    const uint32_t dim = Terms::size_(stairs);
    Lib << "% dimension:\n" << unsigned(dim) << "\n";
    Lib << "% base du quotient (a lire a l'envers)\n";
    for (const Node* s = stairs; s != nullptr; s = s->next) lib_exponents<E>(Lib, s->e) << "\n";
    Lib << "% nombre de polynomes dans la base de groebner:\n"
        << int(count(basis)) << "\n"
        << "% format base\n%  coef\n%  exposant\n%  vecteur\n";
    for (const Cell* c = basis; c != nullptr; c = c->next) {
      lib_coef(Lib, minus(c->poly->coef));
      Lib << "\n";
      lib_exponents<E>(Lib, c->poly->e) << "\n";
      tail_vector(c->poly->next, stairs);
    }
    Terms::free_all_(stairs);
  }

  static void write(const CellCell* bases) {
    Lib << "% nombre de bases de Groebner:\n" << int(count(bases)) << "\n";
    unsigned k = 1;
    for (const CellCell* c = bases; c != nullptr; c = c->next, ++k) {
      Lib << "% " << k << " ieme base:\n";
      write(c->list);
    }
    Lib << "% fin de la liste\n";
  }

 private:
  template <class List>
  static uint32_t count(const List* l) {
    uint32_t n = 0;
    for (; l != nullptr; l = l->next) ++n;
    return n;
  }
};

}  // namespace orv::ORV_BUILD
