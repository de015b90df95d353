// The normal-form package: the full normal form of a polynomial modulo a
// list (every term irreducible by the leading monomials of the list), and
// its forms that give the coefficient heap back (integer build).
//
// The reduction step is p - (lc p / lc g) x^m g, so the normal form keeps
// the scale of p and its multiplier is 1.  Every coefficient lane is a
// prime field; a leading coefficient of g that vanishes modulo one of the
// primes has no inverse there, which the coefficient type reports (fatal).
//
// Heap forms (GC_..._d): the heap mark is saved on entry and restored at the
// end, so every cell made by the reduction goes away except those the
// results hold, which are slid down to the mark (glisser_DMP__...).  Cells
// the caller made before the call stay where they are.
#pragma once

#include <cstdint>
#include <vector>

#include "server/poly/dmp_names.hpp"

namespace orv::ORV_BUILD {

template <class E, class C>
struct NormalForm {
  using P = Dmp<E, C>;
  using A = DmpArith<E, C>;
  using R = DmpReduce<E, C>;
  using X = ExpExtra<E>;
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;

  // The leading terms of the list's non-zero polynomials (numbered or not),
  // in list order: the first that divides a monomial reduces it.
  static std::vector<const Node*> reducers(const Cell* l) {
    std::vector<const Node*> g;
    for (; l != nullptr; l = l->next) {
      const Node* p = l->poly;
      if (p != nullptr && P::is_header(p)) p = p->next;
      if (p != nullptr) g.push_back(p);
    }
    return g;
  }

  static const Node* divisor(const std::vector<const Node*>& G, const uint64_t* m) {
    for (const Node* g : G)
      if (X::is_sub(m, g->e)) return g;
    return nullptr;
  }

  // Consumes p (a header node stays in front) and returns its normal form.
  static Node* reduce(Node* p, const std::vector<const Node*>& G) {
    Node* header = p != nullptr && P::is_header(p) ? p : nullptr;
    if (header != nullptr) p = header->next;
    Node* head = reduce_terms<false>(p, G);
    if (header == nullptr) return head;
    header->next = head;
    return header;
  }

  // The normal form of p (consumed, no header node); with kMonic every
  // reducer is monic and a step needs no inverse.
  template <bool kMonic>
  static Node* reduce_terms(Node* p, const std::vector<const Node*>& G) {
    Node* head = nullptr;
    Node** tail = &head;
    while (p != nullptr) {
      if (const Node* g = divisor(G, p->e)) {
        p = kMonic ? R::reduce(p, g) : R::reduce_nonmonic(p, g);
        continue;
      }
      Node* t = p;  // irreducible: it stays, the rest goes on
      p = p->next;
      t->next = nullptr;
      *tail = t;
      tail = &t->next;
    }
    return head;
  }

  // The normal form of p (consumed), a polynomial in x_v alone, by
  // Horner's rule: r := NF(x_v r) + c_i from the top degree down.
  // Each r stays on the normal set, so a step reduces only the few terms
  // that x_v pushes out of it.  Reducing p term by term instead can spread
  // over nearly every monomial below its degree before it comes back down
  // (katsura-6: past ten minutes, where this takes milliseconds).
  static Node* reduce_univariate(Node* p, uint32_t v, const std::vector<const Node*>& G) {
    if (p != nullptr && P::is_header(p)) return reduce(p, G);
    uint64_t x[kScratchWords];
    E::set_null(x);
    E::ranger(x, 1, v);
    Node* r = nullptr;
    for (int64_t d = p == nullptr ? -1 : int64_t(E::extraire(p->e, v)); d >= 0; --d) {
      r = reduce(A::shift(x, r), G);
      if (p != nullptr && int64_t(E::extraire(p->e, v)) == d) {
        Node* t = p;
        p = p->next;
        t->next = nullptr;
        E::set_null(t->e);
        r = A::sum(r, t);
      }
    }
    return reduce(r, G);  // the constant, when 1 lies in the ideal
  }

  // Monic copies of the reducers, in list order: a step then needs no
  // inverse.  Made once for many reductions; released by release_copies.
  static std::vector<const Node*> monic_copies(const std::vector<const Node*>& G) {
    std::vector<const Node*> M;
    for (const Node* g : G) M.push_back(A::copy_scale(inv(g->coef), g));
    return M;
  }
  static void release_copies(const std::vector<const Node*>& M) {
    for (const Node* g : M) A::release_all(const_cast<Node*>(g));
  }

  // The normal form of p (consumed; a header node stays in front) modulo a
  // Groebner basis given by monic_copies, by Horner's rule in each
  // variable in turn: with p = sum_d x_v^d c_d, the c_d free of x_0 .. x_v,
  // r := NF(x_v r) + NF(c_d) from the top degree down, each NF(c_d) taken
  // the same way in the later variables.  Every r stays on the normal set,
  // so a step reduces only the few terms that x_v pushes out of it, where
  // reducing p term by term can spread over nearly every monomial below its
  // degree (katsura-6 and 50 terms of degree up to 40: past five minutes,
  // where this takes 40 ms).  Modulo a Groebner basis the normal form of
  // scale 1 is unique, so the result is that of reduce; modulo another list
  // the two may differ.
  static Node* reduce_by_variables(Node* p, const std::vector<const Node*>& M) {
    Node* header = p != nullptr && P::is_header(p) ? p : nullptr;
    if (header != nullptr) p = header->next;
    Node* nf = horner_from(p, 0, M);
    if (header == nullptr) return nf;
    header->next = nf;
    return header;
  }

  // The normal form of p (consumed), a polynomial in x_v .. x_{n-1}, modulo
  // monic reducers.
  static Node* horner_from(Node* p, uint32_t v, const std::vector<const Node*>& G) {
    if (p == nullptr || v == E::nb_vars()) return reduce_terms<true>(p, G);
    // The coefficients c_d: dividing by x_v^d keeps the order of the terms.
    std::vector<Node*> coefficient;
    std::vector<Node**> tail;
    while (p != nullptr) {
      Node* t = p;
      p = p->next;
      t->next = nullptr;
      const uint32_t d = E::extraire(t->e, v);
      if (d >= coefficient.size()) {
        coefficient.resize(d + 1, nullptr);
        tail.resize(d + 1, nullptr);
      }
      if (d > 0) E::ranger(t->e, 0, v);
      Node** end = tail[d] != nullptr ? tail[d] : &coefficient[d];
      *end = t;
      tail[d] = &t->next;
    }
    if (coefficient.size() == 1) return horner_from(coefficient[0], v + 1, G);
    std::vector<uint64_t> x(E::words());  // one frame per variable: no scratch array
    E::set_null(x.data());
    E::ranger(x.data(), 1, v);
    Node* r = nullptr;
    for (size_t d = coefficient.size(); d-- > 0;) {
      if (r != nullptr) r = reduce_terms<true>(A::shift(x.data(), r), G);
      if (coefficient[d] != nullptr) r = A::sum(r, horner_from(coefficient[d], v + 1, G));
    }
    return r;
  }

  // p / g when g divides p exactly: each step takes (lc p / lc g) x^m into
  // the quotient and subtracts it times g.  Consumes p; nullptr and
  // exact = false when a leading monomial of the remainder is not divisible
  // by lm(g) (what remains of p is released).  g is not zero.
  static Node* divide_exactly(Node* p, const Node* g, bool& exact) {
    Node* q = nullptr;
    Node** tail = &q;
    exact = true;
    const auto inverse = inv(g->coef);
    while (p != nullptr) {
      if (!X::is_sub(p->e, g->e)) {
        exact = false;
        A::release_all(p);
        A::release_all(q);
        return nullptr;
      }
      uint64_t m[kScratchWords];
      X::sub(p->e, g->e, m);
      Node* t = P::monom(m, mult(p->coef, inverse));
      *tail = t;
      tail = &t->next;
      p = R::reduce_nonmonic(p, g);
    }
    return q;
  }

  // p - nf for the body of p (no header node); p read, nf read.
  static Node* ideal_part(const Node* p, const Node* nf) {
    if (p != nullptr && P::is_header(p)) p = p->next;
    if (nf != nullptr && P::is_header(nf)) nf = nf->next;
    return A::sum(P::copy(p), A::negate(P::copy(nf)));
  }
};

// The package's set-up: the degree-ordered pairing of the build, once.
void ORV_C(init_Normal)();

#ifdef ZEL_VARIANT_INT
using NormalFormDexp = NormalForm<ExpBigDexp, CoefVGF>;

// The normal form of p (consumed) modulo l; content := its multiplier (1).
// The heap keeps only content and the result's cells.
inline DMP__BigDexp__VGF GC_normalForm__BigDexp__VGF_d(DMP__BigDexp__VGF p,
                                                       List_DMP__BigDexp__VGF l, VGF& content) {
  Garbage_State mark;
  save_orv_state_VGF(mark);
  DMP__BigDexp__VGF nf = NormalFormDexp::reduce(p, NormalFormDexp::reducers(l));
  content = cVGF(1);
  restore_orv_state_VGF(mark);
  glisser_DMP__BigDexp__VGF(content, nf, nullptr);
  return nf;
}

// The same, and rest := p - nf, the part of p that lies in the ideal of l
// (so p = rest + nf).  The heap keeps content and the cells of both.
inline DMP__BigDexp__VGF GC_byNormalForm__BigDexp__VGF_d(DMP__BigDexp__VGF p,
                                                         List_DMP__BigDexp__VGF l, VGF& content,
                                                         DMP__BigDexp__VGF& rest) {
  Garbage_State mark;
  save_orv_state_VGF(mark);
  DMP__BigDexp__VGF original = copy_DMP__BigDexp__VGF(p);
  DMP__BigDexp__VGF nf = NormalFormDexp::reduce(p, NormalFormDexp::reducers(l));
  rest = NormalFormDexp::ideal_part(original, nf);
  kill_all_DMP__BigDexp__VGF(original);
  content = cVGF(1);
  restore_orv_state_VGF(mark);
  glisser_DMP__BigDexp__VGF(content, nf, rest);
  return nf;
}

// reduce_by_variables with the heap kept as by GC_normalForm: only the
// result's cells stay, slid down to the mark (monic_copies made before).
inline DMP__BigDexp__VGF GC_normalFormByVariables__BigDexp__VGF_d(
    DMP__BigDexp__VGF p, const std::vector<const DmpNode<ExpBigDexp, CoefVGF>*>& monic) {
  Garbage_State mark;
  save_orv_state_VGF(mark);
  DMP__BigDexp__VGF nf = NormalFormDexp::reduce_by_variables(p, monic);
  restore_orv_state_VGF(mark);
  glisser_DMP__BigDexp__VGF(nf, Boolean_true);
  return nf;
}
#else
using NormalFormDRLDRL = NormalForm<ExpDRLDRL, CoefGFC>;

// Prime-field twins: the coefficients are values, nothing to give back.
inline DMP__DRLDRL__GFC GC_normalForm__DRLDRL__GFC_d(DMP__DRLDRL__GFC p, List_DMP__DRLDRL__GFC l,
                                                     GFC& content) {
  content = cGFC(1);
  return NormalFormDRLDRL::reduce(p, NormalFormDRLDRL::reducers(l));
}
inline DMP__DRLDRL__GFC GC_byNormalForm__DRLDRL__GFC_d(DMP__DRLDRL__GFC p,
                                                       List_DMP__DRLDRL__GFC l, GFC& content,
                                                       DMP__DRLDRL__GFC& rest) {
  DMP__DRLDRL__GFC original = copy_DMP__DRLDRL__GFC(p);
  DMP__DRLDRL__GFC nf = NormalFormDRLDRL::reduce(p, NormalFormDRLDRL::reducers(l));
  rest = NormalFormDRLDRL::ideal_part(original, nf);
  kill_all_DMP__DRLDRL__GFC(original);
  content = cGFC(1);
  return nf;
}
inline DMP__DRLDRL__GFC GC_normalFormByVariables__DRLDRL__GFC_d(
    DMP__DRLDRL__GFC p, const std::vector<const DmpNode<ExpDRLDRL, CoefGFC>*>& monic) {
  return NormalFormDRLDRL::reduce_by_variables(p, monic);
}
#endif

}  // namespace orv::ORV_BUILD
