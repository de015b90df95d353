// Polynomials, lists and lists of lists in the Fortran (and Maple), TeX,
// Lisp and pretty forms, written once over an exponent traits type E and a
// coefficient traits type C.  Names are the display names of var_names.hpp.
#pragma once

#include <cstdint>
#include <type_traits>

#include "server/base/printers.hpp"
#include "server/io/options.hpp"
#include "server/poly/coef_text.hpp"
#include "server/poly/var_names.hpp"

namespace orv::ORV_BUILD {

template <class E>
struct MonomText {
  using V = VarNames<E>;
#ifdef ZEL_VARIANT_INT
  using DegreeExp = ExpBigDexp;  // the one type whose trace shows its degree
#else
  using DegreeExp = void;
#endif

  // "x^2*y*z^3"; the monomial 1 writes nothing.
  static Fortran_Print& fortran(Fortran_Print& out, const uint64_t* e) {
    bool first = true;
    for (uint32_t i = 0; i < V::N::n(); ++i) {
      unsigned k = E::extraire(e, i);
      if (k == 0) continue;
      if (!first) out << '*';
      first = false;
      NameBuffer buf;
      out << V::name(i, buf);
      if (k != 1) out << '^' << k;
    }
    return out;
  }

  // "x^{2}\,y".
  static Tex_Print& tex(Tex_Print& out, const uint64_t* e) {
    bool first = true;
    for (uint32_t i = 0; i < V::N::n(); ++i) {
      unsigned k = E::extraire(e, i);
      if (k == 0) continue;
      if (!first) out << "\\,";
      first = false;
      NameBuffer buf;
      out << V::name(i, buf);
      if (k != 1) out << "^{" << k << '}';
    }
    return out;
  }

  // Names on the base line, exponents other than 1 raised, a blank after a
  // plain name; "1" for the monomial 1.  Always on the global Pretty.
  static Basic_Print& pretty(Basic_Print& out, const uint64_t* e) {
    bool any = false;
    for (uint32_t i = 0; i < V::N::n(); ++i) {
      unsigned k = E::extraire(e, i);
      if (k == 0) continue;
      any = true;
      NameBuffer buf;
      Pretty << V::name(i, buf);
      if (k != 1)
        Pretty + int(k);
      else
        Pretty << ' ';
    }
    if (!any) Pretty << '1';
    return out;
  }

  // The exponents, last variable first: "[2,1]", led by the degree field
  // for BigDexp: "(d=3)[2,1]".
  static void zprint(const uint64_t* e) {
    const uint32_t n = V::N::n();
    if constexpr (std::is_same_v<E, DegreeExp>) Pretty << "(d=" << E::total_degree(e) << ")";
    Pretty << '[';
    for (uint32_t i = n; i-- > 0;) {
      Pretty << E::extraire(e, i);
      if (i > 0) Pretty << ',';
    }
    Pretty << ']';
  }
};

template <class E, class C>
struct PolyText {
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using CellCell = DmpListList<E, C>;
  using Coef = typename C::T;
  using M = MonomText<E>;

  // --- Fortran ------------------------------------------------------------

  // With a reference coefficient (pseudo-rational form) every printed
  // coefficient passes through fortran_pseudo_rational and non-constant
  // terms always show theirs.
  static Fortran_Print& fortran(Fortran_Print& out, const Node* p, const Coef* reference) {
    if (p == nullptr) return out << '0';
    const bool coefs = PrintCoef<E, C>::memo;
    const bool forced = reference != nullptr;
    const Coef ref = forced ? *reference : p->coef;
    const bool rational = forced || want_rational_output;
    auto coef = [&](Coef c) {
      if (rational)
        fortran_pseudo_rational(out, c, ref);
      else
        fortran_coef(out, c);
    };
    for (const Node* t = p; t != nullptr; t = t->next) {
      if (t != p) out << '+';
      if (!E::null(t->e)) {
        if (coefs) {
          if (forced || !is_one(t->coef) || want_Maple_output) {
            coef(t->coef);
            out << '*';
          }
        } else if (want_raw_output) {
          fortran_coef(out, t->coef);
          out << '*';
        }
        M::fortran(out, t->e);
      } else if (coefs) {
        coef(t->coef);
      } else {
        out << '?';
      }
    }
    return out;
  }
  static Fortran_Print& fortran(Fortran_Print& out, const Node* p) {
    return fortran(out, p, nullptr);
  }
  static Fortran_Print& fortran(Fortran_Print& out, const Cell* l) {
    out << '[';
    for (const Cell* c = l; c != nullptr; c = c->next) {
      if (c != l) out << ',';
      fortran(out, c->poly);
    }
    return out << ']';
  }
  static Fortran_Print& fortran(Fortran_Print& out, const CellCell* l) {
    out << '[';
    for (const CellCell* c = l; c != nullptr; c = c->next) {
      if (c != l) out << ',';
      fortran(out, c->list);
    }
    return out << ']';
  }

  // --- TeX: the leading monomial only -----------------------------------------

  static Tex_Print& tex(Tex_Print& out, const Node* p) {
    out << SC_MATH;
    if (p == nullptr) {
      out << '0';
    } else {
      if (E::null(p->e))
        out << '1';
      else
        M::tex(out, p->e);
      out << " + ...";
    }
    return out << SC_MATH;
  }

  // --- Lisp ---------------------------------------------------------------------

  // "#(3 2 0 1 )": the coefficient, then every exponent.
  static void lisp_term(Lisp_Print& out, const Node* t) {
    out << "#(";
    lisp_coef(out, t->coef);
    out << ' ';
    for (uint32_t i = 0; i < E::nb_vars(); ++i) out << E::extraire(t->e, i) << ' ';
    out << ')';
  }
  static Lisp_Print& lisp(Lisp_Print& out, const Node* p) {
    if (p == nullptr) return out << "NIL";
    out << '(';
    for (const Node* t = p; t != nullptr; t = t->next) {
      if (t != p) out << ' ';
      lisp_term(out, t);
    }
    return out << ')';
  }
  // skip_header: each element starts with a header node, printed from the
  // node behind it.
  static Lisp_Print& lisp(Lisp_Print& out, const Cell* l, bool skip_header = false) {
    if (l == nullptr) return out << "NIL";
    out << '(';
    for (const Cell* c = l; c != nullptr; c = c->next) {
      if (c != l) out << ' ';
      lisp(out, skip_header && c->poly ? c->poly->next : c->poly);
    }
    return out << ')';
  }
  static Lisp_Print& lisp(Lisp_Print& out, const CellCell* l) {
    if (l == nullptr) return out << "NIL";
    out << '(';
    for (const CellCell* c = l; c != nullptr; c = c->next) {
      if (c != l) out << ' ';
      lisp(out, c->list);
    }
    return out << ')';
  }

  // --- Pretty ---------------------------------------------------------------------

  static Basic_Print& pretty(Basic_Print& out, const Node* p) {
    if (p == nullptr) return out << '0';
    for (const Node* t = p; t != nullptr; t = t->next) {
      if (t != p && pseudo_sgn(t->coef) == 1) out << "+ ";
      if (!E::null(t->e)) {
        if (is_one(t->coef)) {
        } else if (is_neg_one(t->coef)) {
          out << "- ";
        } else if (is_complex(t->coef)) {
          out << '(';
          pretty_coef(out, t->coef);
          out << ')';
        } else {
          pretty_coef(out, t->coef);
        }
        M::pretty(Pretty, t->e);
      } else {
        pretty_coef(out, t->coef);
      }
    }
    return out;
  }
  static Basic_Print& pretty(Basic_Print& out, const Cell* l) {
    out << '[';
    for (const Cell* c = l; c != nullptr; c = c->next) {
      if (c != l) out << ',';
      pretty(out, c->poly);
    }
    return out << ']';
  }
  static Basic_Print& pretty(Basic_Print& out, const CellCell* l) {
    out << '[';
    for (const CellCell* c = l; c != nullptr; c = c->next) {
      if (c != l) out << ',';
      pretty(out, c->list);
    }
    return out << ']';
  }
  // Elements behind their header nodes, " , " between them.
  static Basic_Print& pretty_garb(Basic_Print& out, const Cell* l) {
    out << '[';
    for (const Cell* c = l; c != nullptr; c = c->next) {
      if (c != l) out << " , ";
      if (c->poly == nullptr)
        out << '0';
      else
        pretty(out, c->poly->next);
    }
    return out << ']';
  }
};

// The forms as output operators, for every pairing.
template <class E, class C>
Fortran_Print& operator<<(Fortran_Print& out, DmpNode<E, C>* p) {
  return PolyText<E, C>::fortran(out, p);
}
template <class E, class C>
Fortran_Print& operator<<(Fortran_Print& out, DmpList<E, C>* l) {
  return PolyText<E, C>::fortran(out, l);
}
template <class E, class C>
Fortran_Print& operator<<(Fortran_Print& out, DmpListList<E, C>* l) {
  return PolyText<E, C>::fortran(out, l);
}
template <class E, class C>
Tex_Print& operator<<(Tex_Print& out, DmpNode<E, C>* p) {
  return PolyText<E, C>::tex(out, p);
}
template <class E, class C>
Lisp_Print& operator<<(Lisp_Print& out, DmpNode<E, C>* p) {
  return PolyText<E, C>::lisp(out, p);
}
template <class E, class C>
Lisp_Print& operator<<(Lisp_Print& out, DmpList<E, C>* l) {
  return PolyText<E, C>::lisp(out, l);
}
template <class E, class C>
Lisp_Print& operator<<(Lisp_Print& out, DmpListList<E, C>* l) {
  return PolyText<E, C>::lisp(out, l);
}
template <class E, class C>
Basic_Print& operator<<(Basic_Print& out, DmpNode<E, C>* p) {
  return PolyText<E, C>::pretty(out, p);
}
template <class E, class C>
Basic_Print& operator<<(Basic_Print& out, DmpList<E, C>* l) {
  return PolyText<E, C>::pretty(out, l);
}
template <class E, class C>
Basic_Print& operator<<(Basic_Print& out, DmpListList<E, C>* l) {
  return PolyText<E, C>::pretty(out, l);
}

}  // namespace orv::ORV_BUILD
