// Staircases of a list of polynomials: the monomials that no leading
// monomial divides, enumerated variable by variable; from them the
// zero-dimension tests and the number of solutions (with multiplicity), the
// count of distinct monomials of a list and all monomials up to a degree.
//
// A staircase is a term list of the pairing, one term per standard
// monomial; its coefficients mean nothing (they are all one shared 1).
//
// The enumeration of a variable ends only when some leading monomial is a
// pure power of it: every entry that enumerates therefore checks the
// leading monomials first and refuses, with a message, a list that is not
// zero-dimensional instead of running forever.
//
// State per pairing (the functions are not reentrant): whether the list's
// polynomials start with a header node, the list being enumerated, and the
// monomials gathered by a distinct-monomial count.
#pragma once

#include <cstdint>
#include <vector>

#include "server/base/runtime.hpp"
#include "server/io/options.hpp"
#include "server/poly/dmp_transform.hpp"
#include "server/poly/var_names.hpp"

namespace orv::ORV_BUILD {

template <class E, class C>
struct DmpStaircase {
  using P = Dmp<E, C>;
  using A = DmpArith<E, C>;
  using X = ExpExtra<E>;
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using Terms = TermPool<E, C>;

  static inline bool have_sentinelle = true;
  static inline const Cell* old_base = nullptr;
  static inline Node* memo_all_monoms = nullptr;

  // The leading term; null for a zero polynomial (no node, or a header
  // alone), which has no leading monomial and adds nothing to the ideal.
  static const Node* lead(const Cell* c) {
    if (c->poly == nullptr) return nullptr;
    return have_sentinelle ? c->poly->next : c->poly;
  }

  // Which variables are enumerated and how divisibility reads the leading
  // monomials.
  enum class Mode { kFull, kBlock1 };
  static unsigned last_var(Mode mode) {
    if (mode == Mode::kBlock1) return X::nb_first_block();
    return want_qhomogene ? E::nb_vars() - 1 : E::nb_vars();
  }
  // No leading monomial of old_base divides m.
  static bool standard(const uint64_t* m, Mode mode) {
    for (const Cell* c = old_base; c != nullptr; c = c->next) {
      if (lead(c) == nullptr) continue;
      uint64_t* l = const_cast<Node*>(lead(c))->e;
      bool divides = mode == Mode::kBlock1 ? X::is_block1_sub(m, l)
                     : want_qhomogene      ? X::is_homog_sub(m, l)
                                           : X::is_sub(m, l);
      if (divides) return false;
    }
    return true;
  }

  // The variable of which the part of lm among variables [0, n) is a pure
  // power: its index, n when that part is 1, -1 otherwise.
  static int pure_power(const uint64_t* lm, unsigned n) {
    int found = -1;
    for (unsigned v = 0; v < n; ++v) {
      if (E::extraire(lm, v) == 0) continue;
      if (found >= 0) return -1;
      found = int(v);
    }
    return found < 0 ? int(n) : found;
  }

  // The enumeration over variables [0, n) ends: the leading monomials hold
  // 1 or a pure power of every one of them.  Otherwise the first variable
  // without one, else -1.
  static int missing_power(Mode mode) {
    const unsigned n = last_var(mode);
    std::vector<bool> has(n, false);
    for (const Cell* c = old_base; c != nullptr; c = c->next) {
      if (lead(c) == nullptr) continue;
      int v = pure_power(lead(c)->e, n);
      if (v == int(n)) return -1;
      if (v >= 0) has[unsigned(v)] = true;
    }
    for (unsigned v = 0; v < n; ++v)
      if (!has[v]) return int(v);
    return -1;
  }
  static void require_dim0(Mode mode, const char* op) {
    int v = missing_power(mode);
    if (v >= 0) {
      NameBuffer buf;
      Fatal("%s_%s: the basis is not zero-dimensional (no leading power of %s)\n", op,
            pairing_name<E, C>(), VarNames<E>::name(unsigned(v), buf));
    }
  }

  // Appends, for every monomial t of the list and e = 0, 1, ... while
  // keep(t with x(v)^e) holds, a copy of it; variable by variable over
  // [0, n).  The list is consumed, the new one returned.
  template <class Keep>
  static Node* generate(Node* list, unsigned n, typename C::T one, Keep keep) {
    for (unsigned v = 0; v < n; ++v) {
      Node* head = nullptr;
      Node** tail = &head;
      for (Node* t = list; t != nullptr; t = t->next) {
        for (unsigned e = 0;; ++e) {
          E::ranger(t->e, e, v);
          if (!keep(t->e)) break;
          Node* s = P::term(t->e, one, nullptr);
          *tail = s;
          tail = &s->next;
        }
      }
      *tail = nullptr;
      Terms::kill_all_(list);
      list = head;
    }
    return list;
  }

  static Node* irreductibles(Mode mode) {
    if (old_base == nullptr) return nullptr;
    const auto one = C::one();
    return generate(P::constant(one), last_var(mode), one,
                    [mode](const uint64_t* m) { return standard(m, mode); });
  }

  // --- Entries ------------------------------------------------------------------

  // The staircase of the list's leading monomials (plain polynomials),
  // largest first.
  static Node* escalier(const Cell* list) {
    have_sentinelle = false;
    old_base = list;
    require_dim0(Mode::kFull, "escalier");
    Node* s = irreductibles(Mode::kFull);
    have_sentinelle = true;
    return Terms::trier_(s, P::comp);
  }
  // In the block-1 variables only, increasing in the lexicographic order.
  static Node* escalier_block1(Cell* list) {
    have_sentinelle = false;
    old_base = list;
    require_dim0(Mode::kBlock1, "escalier_block1");
    Node* s = irreductibles(Mode::kBlock1);
    have_sentinelle = true;
    return Terms::trier_(s, P::comp_lex);
  }

  // 0 when a leading monomial is 1 (among the enumerated variables), -1
  // when a variable has no pure power, else the number of solutions.
  static int is_dim0(Cell* list) {
    old_base = list;
    const unsigned n = last_var(Mode::kFull);
    std::vector<bool> has(n, false);
    for (const Cell* c = list; c != nullptr; c = c->next) {
      if (lead(c) == nullptr) continue;
      int v = pure_power(lead(c)->e, n);
      if (v == int(n)) return 0;
      if (v >= 0) has[unsigned(v)] = true;
    }
    for (unsigned v = 0; v < n; ++v)
      if (!has[v]) return -1;
    return int(count(irreductibles(Mode::kFull)));
  }
  static int solutions(Cell* list) {
    have_sentinelle = false;
    int r = is_dim0(list);
    have_sentinelle = true;
    return r;
  }
  // The staircase's size; a list that is not zero-dimensional is refused.
  static uint32_t nb_sol_dim0(Cell* list) {
    old_base = list;
    require_dim0(Mode::kFull, "nb_sol_dim0");
    return count(irreductibles(Mode::kFull));
  }
  static uint32_t count(Node* staircase) {
    uint32_t n = Terms::size_(staircase);
    Terms::kill_all_(staircase);
    return n;
  }

  // 1 when the first nodes' monomials hold 1 or n pure powers (a reduced
  // basis has at most one per variable).
  static int dimension0(const Cell* list) {
    const unsigned n = E::nb_vars();
    unsigned powers = 0;
    for (; list != nullptr && powers < n; list = list->next) {
      if (list->poly == nullptr) continue;
      int v = pure_power(list->poly->e, n);
      if (v == int(n)) return 1;
      if (v >= 0) ++powers;
    }
    return powers >= n ? 1 : 0;
  }

  // Distinct monomials: each polynomial's terms after its header node are
  // gathered by union, so that no coefficient arithmetic can lose one.
  static void gather(const Node* p) {
    if (p == nullptr) return;
    for (const Node* t = p->next; t != nullptr; t = t->next)
      memo_all_monoms = A::unite(memo_all_monoms, P::monom(t->e, C::one()));
  }
  static uint32_t gathered() {
    uint32_t n = Terms::size_(memo_all_monoms);
    Terms::kill_all_(memo_all_monoms);
    memo_all_monoms = nullptr;
    return n;
  }
  static uint32_t sparse_dim(const Cell* list) {
    for (; list != nullptr; list = list->next) gather(list->poly);
    return gathered();
  }

  // All monomials of total degree at most d (exactly d under want_homog),
  // coefficient 1, largest first.
  static Node* all_monomes(unsigned d) {
    const auto one = C::one();
    Node* s = generate(P::constant(one), E::nb_vars(), one,
                       [d](const uint64_t* m) { return E::total_degree(m) <= d; });
    if (want_homog) s = DmpTransform<E, C>::retain_only_deg(s, d);
    return Terms::trier_(s, P::comp);
  }
};

}  // namespace orv::ORV_BUILD
