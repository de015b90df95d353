// Generators of the classic example systems: cyclic n-roots, Katsura, a
// 0-1 system and random dense polynomials.  With `homog` the last variable
// x(n-1) homogenises.  Lists are built by prepending, so the polynomial
// built last comes first.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "server/base/printers.hpp"
#include "server/base/runtime.hpp"
#include "server/poly/staircase.hpp"

namespace orv::ORV_BUILD {

template <class E, class C>
struct DmpExamples {
  using P = Dmp<E, C>;
  using A = DmpArith<E, C>;
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using L = typename DmpLists<E, C>::L;

  // c x^e for the exponents listed as (variable, power) pairs.
  static Node* term(long c, std::initializer_list<std::pair<unsigned, unsigned>> powers) {
    uint64_t e[kScratchWords];
    E::set_null(e);
    for (auto [v, k] : powers) E::ranger(e, E::extraire(e, v) + k, v);
    return P::monom(e, A::of(c));
  }
  // The product of x((j + i) mod m) for i < k.
  static Node* cyclic_product(unsigned j, unsigned k, unsigned m) {
    uint64_t e[kScratchWords];
    E::set_null(e);
    for (unsigned i = 0; i < k; ++i) {
      unsigned v = (j + i) % m;
      E::ranger(e, E::extraire(e, v) + 1, v);
    }
    return P::monom(e, C::one());
  }

  // A system of n variables (the homogenising one among them) must fit the
  // ring, and a homogeneous one needs that variable.
  static void require_variables(const char* op, unsigned n, bool homog) {
    if (homog && n == 0)
      Fatal("%s_List_%s: a homogeneous system needs at least one variable\n", op,
            pairing_name<E, C>());
    if (n > E::nb_vars())
      Fatal("%s_List_%s: the system needs %u variables, %u are declared\n", op,
            pairing_name<E, C>(), n, E::nb_vars());
  }

  static Cell* cyclic(unsigned n, bool homog) {
    require_variables("cyclic", n, homog);
    const unsigned m = homog ? n - 1 : n;
    Node* g = A::sum(cyclic_product(0, m, m), homog ? term(-1, {{n - 1, n - 1}}) : term(-1, {}));
    Cell* list = L::cons(g, nullptr);
    for (unsigned k = 1; k < m; ++k) {
      Node* f = nullptr;
      for (unsigned j = 0; j < m; ++j) f = A::sum(f, cyclic_product(j, k, m));
      list = L::cons(f, list);
    }
    return list;
  }

  // U(l) = x(|l|) while |l| <= m, else zero.
  static Node* var_u(long l, long m) {
    long a = l < 0 ? -l : l;
    return a <= m ? term(1, {{unsigned(a), 1}}) : nullptr;
  }
  // e(i) = sum over l of U(l) U(i - l), minus x(i) (times h).
  static Node* equation(long i, long m, bool homog) {
    Node* e = nullptr;
    for (long l = -m; l <= m; ++l) e = A::sum(e, A::times(var_u(l, m), var_u(i - l, m)));
    Node* lin =
        homog ? term(-1, {{unsigned(i), 1}, {unsigned(m + 1), 1}}) : term(-1, {{unsigned(i), 1}});
    return A::sum(e, lin);
  }
  static Cell* katsura(unsigned n, bool homog) {
    require_variables("katsura", n, homog);
    const long m = long(n) - (homog ? 2 : 1);
    Cell* list = nullptr;
    for (long i = 0; i < m; ++i) list = L::cons(equation(i, m, homog), list);
    Node* s = homog ? term(-1, {{unsigned(m + 1), 1}}) : term(-1, {});
    for (long l = -m; l <= m; ++l) s = A::sum(s, var_u(l, m));
    return L::cons(s, list);
  }

  static Cell* binary(unsigned n, bool homog) {
    require_variables("exemple_binaire", n, homog);
    const unsigned m = homog ? n - 1 : n;
    Cell* list = nullptr;
    for (unsigned i = 0; i < m; ++i) {
      Node* b = homog ? term(-1, {{i, 1}, {m, 1}}) : term(-1, {{i, 1}});
      list = L::cons(A::sum(term(1, {{i, 2}}), b), list);
    }
    Node* s = nullptr;
    auto c = C::one();
    for (unsigned i = 0; i < m; ++i) {
      Node* t = term(1, {{i, 1}});
      t->coef = c;
      s = A::sum(s, t);
      c = mult(c, A::of(2));
    }
    Node* last = homog ? term(1, {{m, 1}}) : term(1, {});
    last->coef = c;
    return L::cons(A::sum(s, last), list);
  }

  // A copy of the template with random coefficients; terms drawn zero are
  // left out.
  static Node* random(const Node* tpl) {
    Node* p = P::copy(tpl);
    for (Node* t = p; t != nullptr; t = t->next) t->coef = coef_random(C{});
    return DmpTransform<E, C>::filter(p, [](const Node* t) { return test(t->coef); });
  }
  [[noreturn]] static void random_list(unsigned d, unsigned k) {
    Node* tpl = DmpStaircase<E, C>::all_monomes(d);
    Cell* list = nullptr;
    for (unsigned i = 0; i < k; ++i) list = L::cons(random(tpl), list);
    diag_list(Fortran, list);
    Fortran << "\n";
    Fatal("fin temporaire\n");
  }
};

}  // namespace orv::ORV_BUILD
