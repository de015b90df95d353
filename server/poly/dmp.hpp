// Distributed polynomials, written once for every pairing of an exponent
// traits type E with a coefficient traits type C.
//
// A polynomial is a NULL-terminated list of term nodes, strictly decreasing
// under E::greater, with no zero coefficient (except where an operation
// says otherwise).  Nodes come from the pairing's term pool; every node owns
// its coefficient: copies copy it (a new VGF cell), releases leave the cell
// to the heap's compaction.
//
// A header node may stand in front of a polynomial: its coefficient slot
// points to a statistics record carrying the polynomial's number; its
// exponent vector is not written.
#pragma once

#include <cstdint>
#include <cstring>

#include "server/poly/dmp_pools.hpp"

namespace orv::ORV_BUILD {

template <class E, class C>
struct Dmp {
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using CellCell = DmpListList<E, C>;
  using Stats = DmpStats<E, C>;
  using Coef = typename C::T;
  using Terms = TermPool<E, C>;

  static inline uint32_t gensym = 0;  // the last polynomial number handed out

  static uint32_t words() { return E::words(); }
  static size_t node_bytes() { return Node::bytes(E::words()); }
  // The whole slot is cleared, so that a GFC coefficient (32 bits) leaves
  // no stale pointer bits behind it: is_header can then trust the slot.
  static Node* new_node() {
    Node* t = Terms::new_();
    t->slot = 0;
    return t;
  }

  // --- Construction --------------------------------------------------------

  static Node* term(const uint64_t* e, Coef c, Node* rest) {
    Node* t = new_node();
    t->coef = c;
    std::memcpy(t->e, e, 8 * size_t{words()});
    t->next = rest;
    return t;
  }
  static Node* constant(Coef c) {
    Node* t = new_node();
    t->coef = c;
    E::set_null(t->e);
    t->next = nullptr;
    return t;
  }
  static Node* one() { return constant(C::one()); }
  static Node* monom(const uint64_t* e, Coef c) { return term(e, c, nullptr); }
  static Node* monom(const uint64_t* e1, const uint64_t* e2, Coef c) {
    Node* t = new_node();
    t->coef = c;
    E::add(e1, e2, t->e);
    t->next = nullptr;
    return t;
  }

  // One term from an array of 16-bit exponents, one per variable.
  static Node* monom_raw_coef(const uint16_t* exps, Coef c) {
    Node* t = new_node();
    t->coef = c;
    E::set_null(t->e);
    for (uint32_t i = 0; i < E::nb_vars(); ++i) E::ranger(t->e, exps[i], i);
    t->next = nullptr;
    return t;
  }
  static Node* monom_raw(const uint16_t* exps, const uint32_t* words, uint32_t n) {
    return monom_raw_coef(exps, C::pretend_block(words, n));
  }
  static Node* monom_raw_word(const uint16_t* exps, uint32_t w) {
    return monom_raw_coef(exps, C::pretend(w));
  }

  static Node* link_one(Node* p, uint32_t n) {
    Stats* s = StatsPool<E, C>::new_();
    s->set_number(n);
    Node* h = new_node();
    h->stats = s;
    h->next = p;
    return h;
  }
  static Node* link_one(Node* p) { return link_one(p, ++gensym); }
  static uint32_t number(const Node* p) { return p->stats->number(); }

  // A header node's slot points to a statistics record, not a coefficient:
  // copies keep it (the copy shares the record, number and sugar included)
  // instead of copying it as a coefficient.  A VGF slot holds a pointer into
  // the coefficient heap, a GFC slot a value below 2^16 with the upper bits
  // clear (new_node), and neither lies in a block of the statistics pool.
  static bool is_header(const Node* p) { return StatsPool<E, C>::owns(p->stats); }

  // --- Copies (the argument is untouched) -----------------------------------

  // Copies every node of p; each term's coefficient becomes coef(old one),
  // a numbered header keeps its statistics slot.
  template <class CoefOf>
  static Node* copy_nodes(const Node* p, CoefOf coef) {
    if (p == nullptr) return nullptr;
    Node* first = nullptr;
    Node* last = nullptr;
    const Node* header = is_header(p) ? p : nullptr;
    for (; p != nullptr; p = p->next) {
      Node* t = new_node();
      std::memcpy(static_cast<void*>(t), p, node_bytes());
      if (p != header) t->coef = coef(p->coef);
      if (last)
        last->next = t;
      else
        first = t;
      last = t;
    }
    last->next = nullptr;
    return first;
  }

  static Node* copy(const Node* p) {
    return copy_nodes(p, [](const Coef& c) { return C::copy(c); });
  }

  static Node* copy_one(const Node* p) {
    if (p == nullptr) return nullptr;
    Node* t = new_node();
    std::memcpy(static_cast<void*>(t), p, node_bytes());
    if (!is_header(p)) t->coef = C::copy(p->coef);
    return t;
  }

  static Node* skel(const Node* p) {
    return copy_nodes(p, [](const Coef&) { return C::one(); });
  }

  // --- Queries ----------------------------------------------------------------

  static uint64_t* degree(Node* p) { return p->e; }
  static Coef lc(const Node* p) { return p->coef; }

  // Degree-ordered types read the leading term; the lexicographic one must
  // look at every term.
  static uint32_t total_degree(const Node* p) {
    if (p == nullptr) return 0;
    if constexpr (E::degree_ordered) {
      return E::total_degree(p->e);
    } else {
      uint32_t d = 0;
      for (; p != nullptr; p = p->next) {
        uint32_t t = E::total_degree(p->e);
        if (t > d) d = t;
      }
      return d;
    }
  }

  static uint32_t total_degree_lead(const Node* p) {
    uint32_t d = 0;
    for (uint32_t i = 0; i < E::nb_vars(); ++i) d += E::extraire(p->e, i);
    return d;
  }

  static bool is_degree(const uint64_t* e, uint32_t d) { return E::total_degree(e) <= d; }

  static bool constante(const Node* p) { return p == nullptr || E::null(p->e); }

  static uint32_t is_univariate(const Node* p) {
    uint32_t found = 0xFFFFFFFFu;
    for (; p != nullptr; p = p->next)
      for (uint32_t i = 0; i < E::nb_vars(); ++i) {
        if (E::extraire(p->e, i) == 0) continue;
        if (found != 0xFFFFFFFFu && found != i) return 0xFFFFFFFFu;
        found = i;
      }
    return found;
  }

  static bool is_eliminated(const Node* p, uint32_t k) {
    for (; p != nullptr; p = p->next)
      if (!E::is_eliminated(p->e, k)) return false;
    return true;
  }
  static bool is_eliminated(const Node* p) {
    for (; p != nullptr; p = p->next)
      if (!E::is_eliminated(p->e)) return false;
    return true;
  }

  static bool eq(const Node* p, const Node* q) {
    for (; p != nullptr && q != nullptr; p = p->next, q = q->next)
      if (C::neq(p->coef, q->coef) || !E::eq(p->e, q->e)) return false;
    return p == nullptr && q == nullptr;
  }

  // Takes the first term off the polynomial of a list cell: its exponents
  // go to exps, its coefficient to raw (when want_coef).
  static void extract_raw_first(Cell* cell, uint16_t* exps, typename C::Raw& raw, bool want_coef) {
    if (cell == nullptr || cell->poly == nullptr) return;
    Node* t = cell->poly;
    cell->poly = t->next;
    for (uint32_t i = 0; i < E::nb_vars(); ++i)
      exps[i] = static_cast<uint16_t>(E::extraire(t->e, i));
    if (want_coef) C::raw(raw, t->coef);
  }

  // --- Comparators (negative: the first argument goes first) -----------------

  static int comp(Node* a, Node* b) { return E::greater(b->e, a->e); }
  static int comp_rev(Node* a, Node* b) { return E::greater(a->e, b->e); }
  static int comp_List(Cell* a, Cell* b) { return E::greater(b->poly->e, a->poly->e); }
  static int comp_rev_List(Cell* a, Cell* b) { return E::greater(a->poly->e, b->poly->e); }
  static int comp_garb_List(Cell* a, Cell* b) {
    return E::greater(b->poly->next->e, a->poly->next->e);
  }
  static int comp_lex(Node* a, Node* b) { return E::lex_greater(a->e, b->e); }
  static int comp2(Node* a, Node* b) { return E::greater2(b->e, a->e); }
  static int comp2(Cell* a, Cell* b) { return E::greater2(a->poly->next->e, b->poly->next->e); }

  // --- Hashing (wrapping 32-bit arithmetic, reduced modulo 0xFFFFFD) ----------

  static constexpr uint32_t kHashMod = 0xFFFFFD;
  static uint32_t hash_monom(const Node* t) {
    return (E::hash(t->e, 0) + C::hash(t->coef)) % kHashMod;
  }
  static uint32_t hash(const Node* p, uint32_t h) {
    for (; p != nullptr; p = p->next) h = ((h << 8) + hash_monom(p)) % kHashMod;
    return h;
  }
  static uint32_t hash(const Cell* l, uint32_t h) {
    for (; l != nullptr; l = l->next) h = ((h << 8) + hash(l->poly, 0)) % kHashMod;
    return h;
  }
  static uint32_t hash(const CellCell* l, uint32_t h) {
    for (; l != nullptr; l = l->next) h = ((h << 8) + hash(l->list, 0)) % kHashMod;
    return h;
  }
};

}  // namespace orv::ORV_BUILD
