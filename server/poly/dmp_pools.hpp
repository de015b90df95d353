// The pools of one polynomial pairing: term nodes, list cells, lists of
// lists, statistics records and critical pairs.  Policies only; the pasted
// names come from pairings.def (dmp_names.hpp).
#pragma once

#include <string>

#include "server/base/pool.hpp"
#include "server/poly/dmp_types.hpp"

namespace orv::ORV_BUILD {

// "DMP__BigDexp__VGF" and its twins.
template <class E, class C>
const char* pairing_name() {
  static const std::string s = std::string("DMP__") + E::name + "__" + C::name;
  return s.c_str();
}

template <class E, class C>
struct TermPolicy : PoolPolicyBase<DmpNode<E, C>, TermPolicy<E, C>> {
  using R = DmpNode<E, C>;
  static constexpr bool term_nodes = true;
  static constexpr bool variable_size = true;
  static constexpr uint32_t per_block = 50000;
  static const char* name() { return pairing_name<E, C>(); }
  static uint32_t words() { return E::words(); }
  static uint32_t shown_size() { return R::bytes(E::words()); }
  // Releasing a term leaves its VGF cell to the heap's compaction.
  static void kill_hook(R* x) { C::kill(x->coef); }
  static void kill_all_hook(R* x) { C::kill(x->coef); }
};
template <class E, class C>
using TermPool = Pool<DmpNode<E, C>, TermPolicy<E, C>>;

template <class E, class C>
struct ListPolicy : PoolPolicyBase<DmpList<E, C>, ListPolicy<E, C>> {
  static const char* name() {
    static const std::string s = std::string("List_") + pairing_name<E, C>();
    return s.c_str();
  }
  static void kill_all_hook(DmpList<E, C>* x) { TermPool<E, C>::kill_all_(x->poly); }
};
template <class E, class C>
using ListPool = Pool<DmpList<E, C>, ListPolicy<E, C>>;

template <class E, class C>
struct ListListPolicy : PoolPolicyBase<DmpListList<E, C>, ListListPolicy<E, C>> {
  static const char* name() {
    static const std::string s = std::string("List_List_") + pairing_name<E, C>();
    return s.c_str();
  }
  static void kill_all_hook(DmpListList<E, C>* x) { ListPool<E, C>::kill_all_(x->list); }
};
template <class E, class C>
using ListListPool = Pool<DmpListList<E, C>, ListListPolicy<E, C>>;

template <class E, class C>
struct StatsPolicy : PoolPolicyBase<DmpStats<E, C>, StatsPolicy<E, C>> {
  // Copies must tell a header node (its slot points here) from a term.
  static constexpr bool track_blocks = true;
  static const char* name() {
    static const std::string s = std::string("Statistiques_") + pairing_name<E, C>();
    return s.c_str();
  }
};
template <class E, class C>
using StatsPool = Pool<DmpStats<E, C>, StatsPolicy<E, C>>;

template <class E, class C>
struct SCritPolicy : PoolPolicyBase<SCritRec<E, C>, SCritPolicy<E, C>> {
  static constexpr bool variable_size = true;
  static const char* name() {
    static const std::string s = std::string("SCrit__") + E::name + "__" + C::name;
    return s.c_str();
  }
  static uint32_t words() { return E::words(); }
  static uint32_t shown_size() { return SCritRec<E, C>::bytes(E::words()); }
};
template <class E, class C>
using SCritPool = Pool<SCritRec<E, C>, SCritPolicy<E, C>>;

}  // namespace orv::ORV_BUILD
