// Ring operations on distributed polynomials, written once for every
// pairing (E exponent traits, C coefficient traits).
//
// What each operation consumes is part of its contract (the pasted names of
// dmp_names_ops.hpp keep the suffixes): a consumed argument's nodes are
// reused or released to the term pool and must not be used afterwards; an
// argument "in place" is changed and returned; a "read" argument is left as
// it was.  Zero is NULL.  Coefficient arithmetic is that of VGF (residue
// vectors, in-place operations seen through every copy of a handle) or GFC
// (plain values).
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

#include "server/base/runtime.hpp"
#include "server/poly/coef_ops.hpp"
#include "server/poly/dmp.hpp"
#include "server/poly/dmp_lists.hpp"
#include "server/poly/exp_extra.hpp"

namespace orv::ORV_BUILD {

template <class E, class C>
struct DmpArith {
  using P = Dmp<E, C>;
  using X = ExpExtra<E>;
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using Coef = typename C::T;
  using Terms = TermPool<E, C>;
  using Cells = ListPool<E, C>;

  static Coef of(long v) { return coef_of(C{}, v); }
  static Node* release(Node* t) { return Terms::kill_(t); }
  static void release_all(Node* p) { Terms::kill_all_(p); }

  // --- Sum and union: one merge pass over both consumed term lists --------
  //
  // `p` always continues the list that supplied the last output node and
  // `q` is the other one; when q's node is greater the two exchange roles.
  // On equal monomials the node of p is kept: the sum adds q's coefficient
  // into it (and drops it when the sum is zero), the union keeps its
  // coefficient unchanged.  No node is copied.
  template <bool kAdd>
  static Node* merge(Node* p, Node* q) {
    Node* head = nullptr;
    while (head == nullptr) {
      if (p == nullptr) return q;
      if (q == nullptr) return p;
      int c = E::greater(p->e, q->e);
      if (c < 0) std::swap(p, q);
      if (c == 0) {
        if constexpr (kAdd) add_d(p->coef, q->coef);
        q = release(q);
        if (kAdd && !test(p->coef)) {
          p = release(p);
          continue;
        }
      }
      head = p;
      p = p->next;
    }
    Node* tail = head;
    for (;;) {
      if (p == nullptr) {
        tail->next = q;
        break;
      }
      if (q == nullptr) {
        tail->next = p;
        break;
      }
      int c = E::greater(p->e, q->e);
      if (c < 0) {
        Node* rest = q->next;
        tail->next = q;
        tail = q;
        q = p;
        p = rest;
        continue;
      }
      if (c == 0) {
        if constexpr (kAdd) add_d(p->coef, q->coef);
        q = release(q);
        if (kAdd && !test(p->coef)) {
          p = release(p);
          continue;
        }
      }
      tail->next = p;
      tail = p;
      p = p->next;
    }
    return head;
  }
  static Node* sum(Node* p, Node* q) { return merge<true>(p, q); }
  static Node* unite(Node* p, Node* q) { return merge<false>(p, q); }

  // --- Scalings -------------------------------------------------------------

  static Node* negate(Node* p) {
    for (Node* t = p; t != nullptr; t = t->next) neg_d(t->coef);
    return p;
  }

  // c times the single term t: 1 leaves it, 0 releases it (its successor
  // is returned).
  static Node* scal_monom(Coef c, Node* t) {
    if (is_one(c)) return t;
    if (is_zero(c)) return release(t);
    mult_d(t->coef, c);
    return t;
  }

  // A zero c leaves zero coefficients behind.
  static Node* scale(Coef c, Node* p) {
    if (is_one(c)) return p;
    for (Node* t = p; t != nullptr; t = t->next) mult_d(t->coef, c);
    return p;
  }
  static Node* inv_scale(Coef c, Node* p) {
    for (Node* t = p; t != nullptr; t = t->next) quot_d(t->coef, c);
    return p;
  }

  // New nodes, one per term of p in p's order, taken from the pool one
  // after the other: make(new node, source term) fills each.
  template <class Make>
  static Node* map_copy(const Node* p, Make make) {
    Node* head = nullptr;
    Node** tail = &head;
    for (; p != nullptr; p = p->next) {
      Node* t = P::new_node();
      make(t, p);
      *tail = t;
      tail = &t->next;
    }
    *tail = nullptr;
    return head;
  }

  static Node* copy_scale(Coef c, const Node* p) {
    if (is_one(c)) return P::copy(p);
    return map_copy(p, [&](Node* t, const Node* s) {
      t->coef = mult(c, s->coef);
      X::copy(t->e, s->e);
    });
  }

  // c x^m p in place (dec_).
  static Node* shift_scale(Coef c, const uint64_t* m, Node* p) {
    const bool unit = is_one(c);
    for (Node* t = p; t != nullptr; t = t->next) {
      E::add(m, t->e, t->e);
      if (!unit) mult_d(t->coef, c);
    }
    return p;
  }
  // c x^m p as a new polynomial (copy_dec_); the product is formed even for
  // c = 1.
  static Node* copy_shift_scale(Coef c, const uint64_t* m, const Node* p) {
    return map_copy(p, [&](Node* t, const Node* s) {
      t->coef = mult(c, s->coef);
      E::add(m, s->e, t->e);
    });
  }

  // --- Products -------------------------------------------------------------

  // p q, p consumed and q read (mult_..._dd): one partial product per term
  // of q, the last one made from p's own nodes.  Zero q leaves p alone.
  static Node* times_into(Node* p, const Node* q) {
    if (q == nullptr) return nullptr;
    Node* result = nullptr;
    for (; q->next != nullptr; q = q->next)
      result = sum(result, copy_shift_scale(q->coef, q->e, p));
    return sum(result, shift_scale(q->coef, q->e, p));
  }
  static Node* times_copy(const Node* p, const Node* q) { return times_into(P::copy(p), q); }

  // p q, both consumed (mul_..._dd): the factor with fewer terms is walked,
  // the other copied for every term but the last.
  static Node* times(Node* p, Node* q) {
    if (p == nullptr || q == nullptr) {
      release_all(p);
      release_all(q);
      return nullptr;
    }
    Node* small = q;
    Node* large = p;
    if (Terms::size_(p) < Terms::size_(q)) std::swap(small, large);
    while (small != nullptr && !test(small->coef)) small = release(small);
    Node* result = nullptr;
    while (small != nullptr) {
      Node* next = small->next;
      if (test(small->coef)) {
        Node* x = next != nullptr ? P::copy(large) : std::exchange(large, nullptr);
        result = sum(result, shift_scale(small->coef, small->e, x));
      }
      release(small);
      small = next;
    }
    release_all(large);  // left over when the last term's coefficient was zero
    return result;
  }

  // --- Monic forms ------------------------------------------------------------

  static Node* monic(Node* p) {
    if (p == nullptr) return p;
    Coef c = inv(p->coef);
    for (Node* t = p; t != nullptr; t = t->next) mult_d(t->coef, c);
    return p;
  }
  static Cell* monic_all(Cell* l) {
    for (Cell* c = l; c != nullptr; c = c->next) c->poly = monic(c->poly);
    return l;
  }
  // The factor that makes p monic; 1 for zero.
  static Coef content(const Node* p) { return p == nullptr ? C::one() : inv(p->coef); }

  // --- Derivative -------------------------------------------------------------

  // d p / d x(i), p consumed.  Terms free of x(i) and terms whose factor k
  // vanishes in the coefficient ring are released; the others keep their
  // relative order, so the result stays sorted.
  static Node* differentiate(Node* p, uint32_t i) {
    if (i >= E::nb_vars())
      Fatal("differentiate_d: no variable of index %u among %u\n", i, E::nb_vars());
    Node* head = nullptr;
    Node** tail = &head;
    while (p != nullptr) {
      Node* next = p->next;
      unsigned k = E::extraire(p->e, i);
      if (k != 0) mult_d(p->coef, of(long(k)));
      if (k != 0 && test(p->coef)) {
        E::ranger(p->e, k - 1, i);
        *tail = p;
        tail = &p->next;
      } else {
        release(p);
      }
      p = next;
    }
    *tail = nullptr;
    return head;
  }

  // --- Leading coefficients ------------------------------------------------

  // The leading coefficient with respect to x(i), i counted from 1: the
  // leading terms that share the leading term's exponent of x(i), copied
  // with that exponent set to 0, made monic.  i < 1 gives the constant 1.
  static Node* lead_coeff_in(const Node* p, int i) {
    if (i < 1) return P::one();
    if (p == nullptr) return nullptr;
    const unsigned v = unsigned(i - 1);
    if (v >= E::nb_vars()) Fatal("coeff_%s: no variable x%d\n", pairing_name<E, C>(), i);
    const unsigned d = E::extraire(p->e, v);
    Node* head = nullptr;
    Node** tail = &head;
    for (; p != nullptr && E::extraire(p->e, v) == d; p = p->next) {
      Node* t = P::term(p->e, C::copy(p->coef), nullptr);
      E::ranger(t->e, 0, v);
      *tail = t;
      tail = &t->next;
    }
    return monic(head);
  }

  // The pairing's own leading coefficient: in its main variable for the
  // lexicographic type; in the second block, over the terms that share the
  // leading term's first-block part, for the two-block type (the one-block
  // degree type has no split and ends through its exponent layer).
  static Node* lead_coeff(const Node* p) {
    if (p == nullptr) return nullptr;
    if constexpr (X::lead_split == LeadSplit::kMainVariable) {
      return lead_coeff_in(p, int(X::main_variable(p->e)));
    } else {
      uint64_t lead1[kScratchWords], b1[kScratchWords], b2[kScratchWords];
      X::main_degree(lead1, b2, p->e);
      Node* head = P::term(b2, C::copy(p->coef), nullptr);
      Node* tail = head;
      for (p = p->next; p != nullptr; p = p->next) {
        X::main_degree(b1, b2, p->e);
        if (!E::eq(b1, lead1)) break;
        tail = tail->next = P::term(b2, C::copy(p->coef), nullptr);
      }
      return monic(head);
    }
  }

  // --- Shifts -----------------------------------------------------------------

  static Node* shift(const uint64_t* m, Node* p) {
    for (Node* t = p; t != nullptr; t = t->next) E::add(m, t->e, t->e);
    return p;
  }
  // The monomials x^m x^e of p, with coefficients 1.
  static Node* rotate_copy(const uint64_t* m, const Node* p) {
    return map_copy(p, [&](Node* t, const Node* s) {
      t->coef = C::one();
      E::add(m, s->e, t->e);
    });
  }

  // --- Logarithmic forms ------------------------------------------------------

  // x(v) with coefficient k.
  static Node* linear_term(unsigned v, long k) {
    uint64_t e[kScratchWords];
    E::set_null(e);
    E::ranger(e, 1, v);
    return P::monom(e, of(k));
  }

  // For every term t after the leading one, the linear form
  // sum_v e_v(lm p) x_v - sum_v e_v(t) x_v, one list cell each in p's
  // order.  p is read and must be non-zero.
  static Cell* log_forms(const Node* p) {
    Cell* head = nullptr;
    Cell** tail = &head;
    for (const Node* t = p->next; t != nullptr; t = t->next) {
      Node* form = nullptr;
      for (unsigned v = 0; v < E::nb_vars(); ++v) {
        if (unsigned k = E::extraire(p->e, v)) form = sum(form, linear_term(v, long(k)));
        if (unsigned k = E::extraire(t->e, v)) form = sum(form, linear_term(v, -long(k)));
      }
      Cell* c = Cells::new_();
      c->poly = form;
      *tail = c;
      tail = &c->next;
    }
    *tail = nullptr;
    return head;
  }
  static Cell* log_forms(const Cell* l) {
    Cell* out = nullptr;
    for (; l != nullptr; l = l->next)
      if (l->poly != nullptr) out = Cells::append_(out, log_forms(l->poly));
    return out;
  }

  // Both coefficient types estimate 0.0; the largest estimate, at least 0.
  static double size_estimate(const Node* p) {
    double m = 0.0;
    for (; p != nullptr; p = p->next) m = std::max(m, estime_log(p->coef));
    return m;
  }
  static double size_estimate(const Cell* l) {
    double m = 0.0;
    for (; l != nullptr; l = l->next) m = std::max(m, size_estimate(l->poly));
    return m;
  }
};

}  // namespace orv::ORV_BUILD
