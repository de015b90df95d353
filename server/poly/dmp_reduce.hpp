// Reduction of distributed polynomials: one step cancels the leading term of
// p against x^m q in a single merge pass that reuses p's nodes and copies
// only the terms of q that meet none of p; on it stand the top reduction by
// a list, the gcd by Euclid's algorithm, the exact quotient and the
// square-free part of a polynomial in one variable.
#pragma once

#include <cstdint>

#include "server/base/runtime.hpp"
#include "server/poly/dmp_arith.hpp"

namespace orv::ORV_BUILD {

template <class E, class C>
struct DmpReduce {
  using P = Dmp<E, C>;
  using A = DmpArith<E, C>;
  using X = ExpExtra<E>;
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using Coef = typename C::T;

  // Names the running merge for the package's information line.
  struct Label {
    explicit Label(const char* what) { DmpSetup<E, C>::info_string = what; }
    ~Label() { DmpSetup<E, C>::info_string = nullptr; }
  };

  // a P + b x^m Q in one merge pass; a == nullptr leaves P's coefficients
  // as they are.  P is consumed, Q read.  The caller has dropped the two
  // leading terms that cancel.
  static Node* combine(const Coef* a, Node* p, Coef b, const uint64_t* m, const Node* q) {
    Node* head = nullptr;
    Node** tail = &head;
    while (p != nullptr && q != nullptr) {
      int c = X::greater(p->e, m, q->e);
      if (c < 0) {
        Node* t = P::new_node();
        t->coef = mult(b, q->coef);
        E::add(m, q->e, t->e);
        *tail = t;
        tail = &t->next;
        q = q->next;
        continue;
      }
      if (a != nullptr) mult_d(p->coef, *a);
      if (c == 0) {
        if (a != nullptr)
          add_d(p->coef, mult(b, q->coef));
        else
          lin_d(p->coef, b, q->coef);
        q = q->next;
        if (!test(p->coef)) {
          p = A::release(p);
          continue;
        }
      }
      *tail = p;
      tail = &p->next;
      p = p->next;
    }
    if (p != nullptr)
      *tail = a != nullptr ? A::scale(*a, p) : p;
    else
      *tail = A::copy_shift_scale(b, m, q);
    return head;
  }

  // (p - lt p) + c x^m (q - lt q).
  static Node* reduce_monic(Node* p, Coef c, const uint64_t* m, const Node* q) {
    Label label("Fast reduction monic case");
    return combine(nullptr, A::release(p), c, m, q->next);
  }

  // p - lc(p) x^m q for a monic q whose leading monomial divides lm(p).
  static Node* reduce(Node* p, const Node* q) {
    if (!is_one(q->coef)) Fatal("Reduce by a non monic polynomial !\n");
    uint64_t m[kScratchWords];
    X::sub(p->e, q->e, m);
    return reduce_monic(p, minus(p->coef), m, q);
  }

  // p - (lc(p) / lc(q)) x^m q.
  static Node* reduce_nonmonic(Node* p, const Node* q) {
    uint64_t m[kScratchWords];
    X::sub(p->e, q->e, m);
    return reduce_monic(p, minus(mult(p->coef, inv(q->coef))), m, q);
  }

  // a (p - lt p) + b x^m (q - lt q); the caller makes a lc(p) + b lc(q) = 0.
  static Node* reduce(Coef a, Node* p, Coef b, const uint64_t* m, const Node* q) {
    Label label("Reduction rapide");
    return combine(&a, A::release(p), b, m, q->next);
  }

  // Top reduction of p by the first divisor of lm(p) in L, from the head of
  // L again after every step.  With pseudo, p keeps its multiplier 1 and
  // the step divides by lc(g); otherwise p is multiplied by lc(g).
  static Node* top_reduce(Node* p, const Cell* l, bool pseudo) {
    uint64_t m[kScratchWords];
    for (const Cell* cur = l; p != nullptr && cur != nullptr;) {
      const Node* g = cur->poly;
      if (g == nullptr || !X::is_sub(p->e, g->e)) {
        cur = cur->next;
        continue;
      }
      X::sub(p->e, g->e, m);
      if (pseudo) {
        Label label("Reduction rapide");
        Coef b = minus(mult(p->coef, inv(g->coef)));
        p = combine(nullptr, A::release(p), b, m, g->next);
      } else {
        Coef a = g->coef;
        p = reduce(a, p, minus(p->coef), m, g);
      }
      cur = l;
    }
    return p;
  }
  static Node* red_po(Node* p, const Cell* l) { return top_reduce(p, l, false); }
  static Node* pseudo_red_po(Node* p, const Cell* l, Coef& multiplier) {
    multiplier = C::one();
    return top_reduce(p, l, true);
  }

  // The monic gcd by repeated top reduction; both consumed.  gcd(p, 0) is
  // p made monic.
  static Node* gcd(Node* p, Node* q) {
    if (q == nullptr) return A::monic(p);
    Cell* cell = ListPool<E, C>::new_();
    cell->next = nullptr;
    cell->poly = A::monic(q);
    Node* r = red_po(p, cell);
    while (r != nullptr) {
      Node* dividend = cell->poly;
      cell->poly = A::monic(r);
      r = red_po(dividend, cell);
    }
    Node* g = cell->poly;
    ListPool<E, C>::free_(cell);
    return g;
  }

  // The exact quotient of p by the first polynomial of L; the others take
  // part in the reduction.  Each step is the pseudo-reduction step, so p
  // keeps its scale and every quotient term lc(p)/lc(g) x^m is exact.
  static Node* exact_quotient(Node* p, const Cell* l) {
    if (l == nullptr || l->poly == nullptr) Fatal("exquo_%s: no divisor\n", pairing_name<E, C>());
    const Coef i0 = inv(l->poly->coef);
    Node* quotient = nullptr;
    uint64_t m[kScratchWords];
    for (const Cell* cur = l; p != nullptr && cur != nullptr;) {
      const Node* g = cur->poly;
      if (g == nullptr || !X::is_sub(p->e, g->e)) {
        cur = cur->next;
        continue;
      }
      X::sub(p->e, g->e, m);
      if (cur == l) quotient = A::sum(quotient, P::monom(m, mult(p->coef, i0)));
      Label label("Reduction rapide");
      Coef b = minus(mult(p->coef, inv(g->coef)));
      p = combine(nullptr, A::release(p), b, m, g->next);
      cur = l;
    }
    if (p != nullptr) Fatal("Not an exact quotient !\n");
    return quotient;
  }

  // p / gcd(p, p') for a polynomial in one variable (p read).  Zero gives
  // zero and a constant 1.  The quotient is the square-free part only when
  // the degree is below every prime of the coefficient ring: modulo a prime
  // q, a factor f(x^q) has the derivative 0 and would be divided out whole.
  // Several variables, or a prime not above the degree, end the process
  // with a message rather than a false answer.
  static Node* square_free(const Node* p, const char* op) {
    if (p == nullptr) return nullptr;
    if (P::constante(p)) return P::one();
    const uint32_t v = P::is_univariate(p);
    if (v == 0xFFFFFFFFu)
      Fatal("%s_%s: the square-free part needs a polynomial in one variable\n", op,
            pairing_name<E, C>());
    const uint32_t degree = P::total_degree(p), prime = coef_smallest_prime(C{});
    if (degree >= prime)
      Fatal("%s_%s: the degree %u is not below the prime %u\n", op, pairing_name<E, C>(), degree,
            prime);
    Node* d = A::differentiate(P::copy(p), v);
    Node* g = gcd(P::copy(p), d);
    Cell cell{g, nullptr};
    Node* q = exact_quotient(P::copy(p), &cell);
    A::release_all(g);
    return q;
  }
};

}  // namespace orv::ORV_BUILD
