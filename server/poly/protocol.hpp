// Polynomials, lists and domains on the protocol bus, written once over an
// exponent traits type E and a coefficient traits type C.
//
// A polynomial in protocol form: MSG_ORV_NEED_SORT, then MSG_ORV_NIL for
// zero, or per term MSG_ORV_GDMP (MSG_ORV_LAST_GDMP for the last one), the
// tagged coefficient and the tagged exponent run (16-bit values, variable
// order).  The plain form has no opening word and no tags.
//
// The reader never trusts the sender: terms out of order are sorted and
// equal monomials added, zero terms are dropped (only those), an exponent
// that does not fit the type is fatal, and so is a stream that ends early
// (the bus's read).
#pragma once

#include <cstdint>

#include "server/base/runtime.hpp"
#include "server/io/bus.hpp"
#include "server/poly/dmp_lists.hpp"
#include "server/poly/var_names.hpp"

#ifdef ZEL_VARIANT_INT
#include "server/base/vgf_io.hpp"
#else
#include "server/base/gfc_io.hpp"
#endif

namespace orv::ORV_BUILD {

// --- Coefficients of the build on the bus -------------------------------------

#ifdef ZEL_VARIANT_INT
inline void bus_coef(BUS& bus, VGF c, bool tagged) {
  if (tagged)
    out_protocol_VGF(bus, c);
  else
    out_VGF(bus, c);
}
inline void bus_domain_coef(BUS& bus, VGF) { out_domain_protocol_VGF(bus); }
// The tag (not checked), the length, then the residues; a wrong length is
// fatal.
inline void bus_read_coef(BUS& bus, VGF& c) {
  Messages tag, r;
  bus >> tag >> r;
  LIRE_VGF(bus, c, uint32_t(r));
}
#else
inline void bus_coef(BUS& bus, GFC c, bool tagged) {
  if (tagged)
    out_protocol_GFC(bus, c);
  else
    out_GFC(bus, c);
}
inline void bus_domain_coef(BUS& bus, GFC) { out_domain_protocol_GFC(bus); }
inline void bus_read_coef(BUS& bus, GFC& c) {
  Messages tag, v;
  bus >> tag >> v;
  c = cGFC(int64_t(uint32_t(v)));
}
#endif

// --- Exponent domains ---------------------------------------------------------------

template <class E>
struct ExpDomain;

#ifdef ZEL_VARIANT_INT
template <>
struct ExpDomain<ExpBigDexp> {
  static void out(BUS& bus) {
    const uint32_t w[2] = {MSG_ORV_set_nb_var, internal_nb_var_BigDexp};
    bus.ecrirei(w, 8);
  }
};
template <>
struct ExpDomain<ExpBigLexp> {
  static void out(BUS& bus) {
    const uint32_t w[2] = {MSG_ORV_set_nb_var, internal_nb_var_BigLexp};
    bus.ecrirei(w, 8);
  }
};
#else
template <>
struct ExpDomain<ExpDRLDRL> {
  static void out(BUS& bus) {
    const uint32_t w[3] = {MSG_ORV_set_nb_block, internal_nb_var_DRLDRL,
                           internal_nb_var_block1_DRLDRL};
    bus.ecrirei(w, 12);
  }
};
#endif

template <class E, class C>
struct Protocol {
  using D = Dmp<E, C>;
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using CellCell = DmpListList<E, C>;
  using N = ExpNames<E>;
  using L = typename DmpLists<E, C>::L;
  using LL = typename DmpLists<E, C>::LL;

  // --- Writers ----------------------------------------------------------------------

  // The exponents of variables 0.. in one run; drop_last leaves out the last.
  static void out_exps(BUS& bus, const uint64_t* e, bool drop_last, bool tagged) {
    uint16_t run[kMaxVariables];
    uint32_t k = N::n();
    if (drop_last && k > 0) --k;
    for (uint32_t i = 0; i < k; ++i) run[i] = uint16_t(E::extraire(e, i));
    if (tagged) bus << MSG_ORV_DIRPCAT;
    bus.ecrires(run, 2 * k);
  }

  static void out_poly(BUS& bus, const Node* p, bool drop_last, bool tagged) {
    if (tagged) bus << MSG_ORV_NEED_SORT;
    if (p == nullptr) {
      bus << MSG_ORV_NIL;
      return;
    }
    for (const Node* t = p; t != nullptr; t = t->next) {
      bus << (t->next != nullptr ? MSG_ORV_GDMP : MSG_ORV_LAST_GDMP);
      bus_coef(bus, t->coef, tagged);
      out_exps(bus, t->e, drop_last, tagged);
    }
  }
  static void out_list(BUS& bus, const Cell* l, bool drop_last, bool tagged) {
    bus << MSG_ORV_Begin;
    for (; l != nullptr; l = l->next) out_poly(bus, l->poly, drop_last, tagged);
    bus << MSG_ORV_End;
  }
  static void out_list_list(BUS& bus, const CellCell* l, bool drop_last, bool tagged) {
    bus << MSG_ORV_Begin;
    for (; l != nullptr; l = l->next) out_list(bus, l->list, drop_last, tagged);
    bus << MSG_ORV_End;
  }

  static void out_domain(BUS& bus) {
    ExpDomain<E>::out(bus);
    bus_domain_coef(bus, typename C::T{});
  }

  // The exponent domain, then one atom per variable name (a missing name
  // goes as "?").
  static void out_liste(BUS& bus) {
    ExpDomain<E>::out(bus);
    bus << MSG_ORV_RMT_LIST_VARIABLES;
    for (uint32_t i = 0; i < N::n(); ++i) {
      const char* s = i < kMaxVariables ? N::table()[i] : nullptr;
      bus.out_Atome(s != nullptr ? s : "?", 0);
    }
  }

  // --- Readers ----------------------------------------------------------------------

  // One term: coefficient, then the exponents of the user's variables; those
  // the text input added in front and behind stay 0.
  static Node* lire(BUS& bus) {
    Node* t = D::new_node();
    E::set_null(t->e);
    t->next = nullptr;
    bus_read_coef(bus, t->coef);
    Messages tag;
    bus >> tag;
    const uint32_t front = N::front(), added = front + N::behind();
    if (added > N::n())
      Fatal("Cannot read exponents: %u variables added to %u\n", unsigned(added), unsigned(N::n()));
    const uint32_t m = N::n() - added;
    uint16_t run[kMaxVariables];
    bus.lires(run, 2 * m);
    uint32_t degree[2] = {0, 0};
    for (uint32_t i = 0; i < m; ++i) {
      const uint32_t v = front + i;
      if (run[i] > N::kMaxExponent)
        Fatal("Exponent %u of variable %u does not fit %s (at most %u)\n", unsigned(run[i]),
              unsigned(v), E::name, N::kMaxExponent);
      degree[N::block_of(v)] += run[i];
      E::ranger(t->e, run[i], v);
    }
    if (N::kHasDegree)
      for (uint32_t d : degree)
        if (d > N::kMaxExponent)
          Fatal("Degree %u of a monomial does not fit %s (at most %u)\n", unsigned(d), E::name,
                N::kMaxExponent);
    return t;
  }

  // The terms of one polynomial whose first word the caller has read.
  static Node* read(BUS& bus, Messages first) {
    Messages w = first;
    if (first == MSG_ORV_NEED_SORT) bus >> w;
    if (w == MSG_ORV_NIL) return nullptr;
    Node* head = nullptr;
    Node* tail = nullptr;
    bool decreasing = true;
    for (;;) {
      Node* t = lire(bus);
      if (tail == nullptr) {
        head = t;
      } else {
        if (E::greater(tail->e, t->e) != 1) decreasing = false;
        tail->next = t;
      }
      tail = t;
      if (w == MSG_ORV_LAST_GDMP) break;
      bus >> w;
    }
    return normalise(head, decreasing);
  }

  // Sorts (when needed) into decreasing order, adds the coefficients of equal
  // monomials and drops the terms that are zero.
  static Node* normalise(Node* p, bool sorted) {
    if (!sorted) p = TermPool<E, C>::trier_(p, D::comp);
    Node** link = &p;
    while (Node* t = *link) {
      while (t->next != nullptr && E::eq(t->e, t->next->e)) {
        add_d(t->coef, t->next->coef);
        t->next = TermPool<E, C>::kill_(t->next);
      }
      if (C::is_zero(t->coef))
        *link = TermPool<E, C>::kill_(t);
      else
        link = &t->next;
    }
    return p;
  }

  // The elements up to and including MSG_ORV_End (the caller has read the
  // opening word); NULL when empty.
  static Cell* read_list(BUS& bus) {
    Cell* first = nullptr;
    Cell* last = nullptr;
    for (;;) {
      Messages w;
      bus >> w;
      if (w == MSG_ORV_End) return first;
      L::push_back(first, last, read(bus, w));
    }
  }
  static CellCell* read_list_list(BUS& bus) {
    CellCell* first = nullptr;
    CellCell* last = nullptr;
    for (;;) {
      Messages w;
      bus >> w;
      if (w == MSG_ORV_End) return first;
      LL::push_back(first, last, read_list(bus));
    }
  }
};

}  // namespace orv::ORV_BUILD
