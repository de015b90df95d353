// The sugar package: the sugar degree that a numbered polynomial carries in
// its statistics record, the critical pairs of the sugar algorithm, and the
// package's set-up over one pairing (BigDexp over VGF in the integer build,
// DRLDRL over GFC in the prime-field build).
//
// Memory: critical pairs come from the pairing's SCrit pool and go back with
// kill_SCrit__...; the package's sentinel is one term node of the pairing.
#pragma once

#include <cstdint>

#include "server/base/runtime.hpp"
#include "server/algo/pool_use.hpp"
#include "server/poly/dmp_names.hpp"

namespace orv::ORV_BUILD {

// The node whose exponent vector leads p: the first term behind a header
// node, or p itself.  Zero (or a bare header) is fatal: it has no leading
// monomial.
template <class E, class C>
const DmpNode<E, C>* leading_term(const DmpNode<E, C>* p, const char* who) {
  if (p != nullptr && Dmp<E, C>::is_header(p)) p = p->next;
  if (p == nullptr) Fatal("%s: the polynomial is zero\n", who);
  return p;
}

// The statistics record of a numbered polynomial.  A polynomial without a
// header node has a coefficient in that slot, not a record: reading or
// writing it there would corrupt the coefficient, so it is refused.
template <class E, class C>
DmpStats<E, C>* stats_of(const DmpNode<E, C>* p, const char* who) {
  if (p == nullptr || !Dmp<E, C>::is_header(p))
    Fatal("%s: the polynomial carries no header node\n", who);
  return p->stats;
}

template <class E, class C>
uint32_t sugar(const DmpNode<E, C>* p) {
  return stats_of(p, "sugar")->sugar;
}
template <class E, class C>
void set_sugar(DmpNode<E, C>* p, uint32_t v) {
  stats_of(p, "set_sugar")->sugar = v;
}

// The four leading words of a critical pair, as the sugar algorithm reads
// them.
enum SCritWord : unsigned {
  kSCritFirst = 0,   // the first polynomial (its address)
  kSCritSecond = 1,  // the second polynomial
  kSCritSugar = 2,   // the pair's sugar degree
  kSCritDegree = 3,  // the total degree of the lcm
};

template <class E, class C>
struct Sugar {
  using Node = DmpNode<E, C>;
  using Pair = SCritRec<E, C>;

  static inline Node* sentinel = nullptr;       // the package's sentinel polynomial
  static inline uint32_t sentinel_words = 0;    // the word count it was taken for
  static inline bool init_done = false;

  // A pair of p and q (numbered or plain): the two polynomials, the sugar,
  // and the lcm of their leading monomials.  The link is the caller's.
  static Pair* make(Node* p, Node* q, uint32_t sugar) {
    const Node* lp = leading_term(p, "make_SCrit");
    const Node* lq = leading_term(q, "make_SCrit");
    Pair* c = SCritPool<E, C>::new_();
    c->word[kSCritFirst] = reinterpret_cast<uintptr_t>(p);
    c->word[kSCritSecond] = reinterpret_cast<uintptr_t>(q);
    c->word[kSCritSugar] = sugar;
    ExpExtra<E>::lcm(lp->e, lq->e, c->lcm);
    c->word[kSCritDegree] = E::total_degree(c->lcm);
    return c;
  }

  // Once: the pairing's pools and types.
  static void init() {
    if (init_done) return;
    init_done = true;
    DmpSetup<E, C>::init();
  }

  // Declares the variables.  A new word count rebuilds the pair pool:
  // pairs still out would then be of the old size, so that is refused
  // while any pair is out (the pool stays as it was).  The sentinel is
  // taken again only when the term pool was rebuilt.
  static void set(uint32_t nvar, uint32_t a, uint32_t b, const char* who) {
    DmpSetup<E, C>::set(nvar, a, b);
    using Pairs = SCritPool<E, C>;
    if (Pairs::root != nullptr && Pairs::last_Objet != E::words()) {
      const uint32_t out = records_out<Pairs>();
      if (out != 0)
        Fatal("%s: %u critical pairs are still in use; the variables cannot change\n", who, out);
    }
    Pairs::init_Objet_();
    if (sentinel == nullptr || sentinel_words != E::words()) {
      sentinel = Dmp<E, C>::new_node();
      sentinel->next = nullptr;
      sentinel_words = E::words();
    }
  }
};

// The pasted names, for the pairings that have critical pairs.
#define ORV_SUGAR_NAMES(E, C)                                                                  \
  inline void init_SUGAR__DMP__##E##__##C() { Sugar<Exp##E, Coef##C>::init(); }                \
  inline void set_SUGAR__DMP__##E##__##C(uint32_t nvar, uint32_t a, uint32_t b) {              \
    Sugar<Exp##E, Coef##C>::set(nvar, a, b, "set_SUGAR__DMP__" #E "__" #C);                    \
  }                                                                                            \
  inline s_SCrit__##E##__##C* make_SCrit__##E##__##C(DMP__##E##__##C p, DMP__##E##__##C q,     \
                                                      uint32_t sugar) {                        \
    return Sugar<Exp##E, Coef##C>::make(p, q, sugar);                                          \
  }
#define ORV_PAIRING(E, C, BUILD, SCRIT) ORV_IF_##BUILD(ORV_IF_##SCRIT(ORV_SUGAR_NAMES(E, C)))
#include "server/poly/pairings.def"
#undef ORV_PAIRING
#undef ORV_SUGAR_NAMES

}  // namespace orv::ORV_BUILD
