// Lists of polynomials and lists of such lists for one pairing, and the
// pairing's set-up (its pools, its variable count, its information line).
#pragma once

#include <cstdint>
#include <cstdlib>

#include "server/base/cell_lists.hpp"
#include "server/base/runtime.hpp"
#include "server/poly/dmp.hpp"

namespace orv::ORV_BUILD {

template <class E, class C>
struct DmpLists {
  using P = Dmp<E, C>;
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using CellCell = DmpListList<E, C>;
  using L = CellList<ListPool<E, C>, Cell, Node*, &Cell::poly>;
  using LL = CellList<ListListPool<E, C>, CellCell, Cell*, &CellCell::list>;

  static Cell* copy_list(Cell* l) {
    return L::copy_all(l, [](Node* p) { return P::copy(p); });
  }
  static CellCell* copy_list_list(CellCell* l) { return LL::copy_all(l, copy_list); }

  static uint32_t size_first(Cell* l) {
    return l == nullptr ? 0xFFFFFFFFu : TermPool<E, C>::size_(l->poly);
  }

  // The largest coefficient size of a polynomial, or of a list of them.
  static unsigned size(const Node* p) {
    unsigned m = 0;
    for (; p != nullptr; p = p->next) {
      unsigned s = C::size(p->coef);
      if (s > m) m = s;
    }
    return m;
  }
  static unsigned size(const Cell* l) {
    unsigned m = 0;
    for (; l != nullptr; l = l->next) {
      unsigned s = size(l->poly);
      if (s > m) m = s;
    }
    return m;
  }

  // Polynomials with a header node, by number.
  static Node* find(uint32_t n, Cell* l) {
    for (; l != nullptr; l = l->next)
      if (P::number(l->poly) == n) return l->poly;
    return nullptr;
  }
  static Node* find(uint32_t n, Cell* l1, Cell* l2) {
    Node* p = find(n, l1);
    return p != nullptr ? p : find(n, l2);
  }

  // Keeps the list increasing by number: p goes behind a first cell of the
  // same number and in front of a later one.
  static Cell* insert(Node* p, Cell* l) {
    Cell* c = L::cons(p, nullptr);
    if (l == nullptr) return c;
    const uint32_t k = P::number(p);
    if (P::number(l->poly) > k) {
      c->next = l;
      return c;
    }
    Cell* at = l;
    while (at->next != nullptr && P::number(at->next->poly) < k) at = at->next;
    c->next = at->next;
    at->next = c;
    return l;
  }

  // Keeps the list decreasing under cmp applied to the first term behind
  // each header node.
  template <class Cmp>
  static Cell* insert(Node* p, Cell* l, Cmp cmp) {
    Cell* c = L::cons(p, nullptr);
    if (l == nullptr) return c;
    Node* key = p->next;
    if (cmp(l->poly->next, key) < 0) {
      c->next = l;
      return c;
    }
    Cell* at = l;
    while (at->next != nullptr && cmp(at->next->poly->next, key) > 0) at = at->next;
    c->next = at->next;
    at->next = c;
    return l;
  }
};

// ORV_MAX_COEF sizes the gathering table of the coefficient slides; text
// that is not a positive number takes the default.
inline uint32_t read_max_coef() {
  constexpr uint32_t kDefault = 600000;
  const char* s = std::getenv("ORV_MAX_COEF");
  if (s == nullptr) return kDefault;
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (end == s || v <= 0 || v > 0x40000000L) return kDefault;
  return static_cast<uint32_t>(v);
}

template <class E, class C>
struct DmpSetup {
  static inline uint32_t max_coef = 20000;          // MAX_COEF of the pairing
  static inline const char* info_string = nullptr;  // the reduction's last method, if any
  static inline bool init_done = false;

  static void init() {
    if (init_done) return;
    init_done = true;
    max_coef = read_max_coef();
    C::init();
    E::init();
    ListPool<E, C>::init_Objet_();
    ListListPool<E, C>::init_Objet_();
    StatsPool<E, C>::init_Objet_();
  }

  // Sets the variable count; the term pool follows a change of word count.
  static void set(uint32_t nvar, uint32_t a, uint32_t b) {
    E::set_nb_var(nvar, a, b);
    TermPool<E, C>::init_Objet_();
  }

  static void inter_info() {
    Output("Polynomes(%s) a coef ", pairing_name<E, C>());
    if (C::handler() != nullptr)
      C::handler()();
    else
      Output("%s\n", C::name);
    TermPool<E, C>::how_much_();
    if (info_string != nullptr)
      Output("package %s: %s\n", pairing_name<E, C>(), info_string);
    else
      Output("package %s non actif ou pas d'infos !\n", pairing_name<E, C>());
  }
};

}  // namespace orv::ORV_BUILD
