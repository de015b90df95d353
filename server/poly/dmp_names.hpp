// The pasted names of the polynomial library (add_DMP__BigDexp__VGF_dd and
// kin): one thin inline wrapper per operation and pairing, stamped from
// pairings.def over the templates of dmp.hpp, dmp_lists.hpp and glisser.hpp.
// Each build gets its own pairings: BigDexp and BigLexp over VGF in the
// integer build, DRLDRL over GFC in the prime-field build.
#pragma once

#include <cstdint>

#include "server/base/boolean.hpp"
#include "server/poly/dmp.hpp"
#include "server/poly/dmp_lists.hpp"
#include "server/poly/exp_traits.hpp"

#ifdef ZEL_VARIANT_INT
#include "server/base/vgf.hpp"
#include "server/poly/glisser.hpp"
#define ORV_IF_INT(...) __VA_ARGS__
#define ORV_IF_FP(...)
#else
#include "server/base/gfc.hpp"
#define ORV_IF_INT(...)
#define ORV_IF_FP(...) __VA_ARGS__
#endif
#define ORV_IF_SCRIT(...) __VA_ARGS__
#define ORV_IF_NO_SCRIT(...)

namespace orv::ORV_BUILD {

// clang-format off
#define ORV_STAMP_PAIRING(E, C)                                                                   \
  using sDMP__##E##__##C = DmpNode<Exp##E, Coef##C>;                                              \
  using sList_DMP__##E##__##C = DmpList<Exp##E, Coef##C>;                                         \
  using sList_List_DMP__##E##__##C = DmpListList<Exp##E, Coef##C>;                                \
  using Stats_DMP__##E##__##C = DmpStats<Exp##E, Coef##C>;                                        \
  using DMP__##E##__##C = sDMP__##E##__##C*;                                                      \
  using List_DMP__##E##__##C = sList_DMP__##E##__##C*;                                            \
  using List_List_DMP__##E##__##C = sList_List_DMP__##E##__##C*;                                  \
  using Dmp__##E##__##C = Dmp<Exp##E, Coef##C>;                                                   \
  using DmpLists__##E##__##C = DmpLists<Exp##E, Coef##C>;                                         \
  using DmpSetup__##E##__##C = DmpSetup<Exp##E, Coef##C>;                                         \
  using TermPolicy__##E##__##C = TermPolicy<Exp##E, Coef##C>;                                     \
  using ListPolicy__##E##__##C = ListPolicy<Exp##E, Coef##C>;                                     \
  using ListListPolicy__##E##__##C = ListListPolicy<Exp##E, Coef##C>;                             \
  using StatsPolicy__##E##__##C = StatsPolicy<Exp##E, Coef##C>;                                   \
                                                                                                  \
  /* Pools */                                                                                     \
  ORV_DECLARE_POOL(ORV_POOL_PLAIN, DMP__##E##__##C, sDMP__##E##__##C, TermPolicy__##E##__##C)     \
  ORV_DECLARE_POOL(ORV_POOL_PLAIN, List_DMP__##E##__##C, sList_DMP__##E##__##C,                   \
                   ListPolicy__##E##__##C)                                                        \
  ORV_DECLARE_POOL(ORV_POOL_PLAIN, List_List_DMP__##E##__##C, sList_List_DMP__##E##__##C,         \
                   ListListPolicy__##E##__##C)                                                    \
  ORV_DECLARE_POOL(ORV_POOL_PLAIN, Statistiques_DMP__##E##__##C, Stats_DMP__##E##__##C,           \
                   StatsPolicy__##E##__##C)                                                       \
  ORV_DECLARE_POOL_COPIES(ORV_POOL_PLAIN, Statistiques_DMP__##E##__##C, Stats_DMP__##E##__##C)    \
                                                                                                  \
  /* Construction */                                                                              \
  inline uint32_t& gensym_DMP__##E##__##C = Dmp__##E##__##C::gensym;                              \
  inline DMP__##E##__##C one_DMP__##E##__##C() { return Dmp__##E##__##C::one(); }                 \
  inline DMP__##E##__##C Coerce_from_##C##_DMP__##E##__##C##_d(C c) {                             \
    return Dmp__##E##__##C::constant(c);                                                          \
  }                                                                                               \
  inline DMP__##E##__##C monom_DMP__##E##__##C(const uint64_t* e, C c) {                          \
    return Dmp__##E##__##C::monom(e, c);                                                          \
  }                                                                                               \
  inline DMP__##E##__##C monom_DMP__##E##__##C(const uint64_t* e, C c, DMP__##E##__##C rest) {    \
    return Dmp__##E##__##C::term(e, c, rest);                                                     \
  }                                                                                               \
  inline DMP__##E##__##C monom_DMP__##E##__##C(const uint64_t* e1, const uint64_t* e2, C c) {     \
    return Dmp__##E##__##C::monom(e1, e2, c);                                                     \
  }                                                                                               \
  inline DMP__##E##__##C monom_raw_DMP__##E##__##C(const uint16_t* exps, const uint32_t* words,   \
                                                   uint32_t n) {                                  \
    return Dmp__##E##__##C::monom_raw(exps, words, n);                                            \
  }                                                                                               \
  inline DMP__##E##__##C monom_raw_DMP__##E##__##C(const uint16_t* exps, uint32_t w) {            \
    return Dmp__##E##__##C::monom_raw_word(exps, w);                                                   \
  }                                                                                               \
  inline DMP__##E##__##C monom_raw_DMP__##E##__##C(const uint64_t* exps, C c) {                   \
    return Dmp__##E##__##C::monom_raw_coef(reinterpret_cast<const uint16_t*>(exps), c);                \
  }                                                                                               \
  inline DMP__##E##__##C link_one_DMP__##E##__##C(DMP__##E##__##C p, uint32_t n) {                \
    return Dmp__##E##__##C::link_one(p, n);                                                       \
  }                                                                                               \
  inline DMP__##E##__##C link_one_DMP__##E##__##C(DMP__##E##__##C p) {                            \
    return Dmp__##E##__##C::link_one(p);                                                          \
  }                                                                                               \
                                                                                                  \
  /* Copies */                                                                                    \
  inline DMP__##E##__##C copy_DMP__##E##__##C(DMP__##E##__##C p) {                                \
    return Dmp__##E##__##C::copy(p);                                                              \
  }                                                                                               \
  inline DMP__##E##__##C copy_one_DMP__##E##__##C(DMP__##E##__##C p) {                            \
    return Dmp__##E##__##C::copy_one(p);                                                          \
  }                                                                                               \
  inline DMP__##E##__##C skel_DMP__##E##__##C(DMP__##E##__##C p) {                                \
    return Dmp__##E##__##C::skel(p);                                                              \
  }                                                                                               \
                                                                                                  \
  /* Queries */                                                                                   \
  inline uint64_t* degree_DMP__##E##__##C(DMP__##E##__##C p) { return p->e; }                     \
  inline uint64_t* Degree_DMP__##E##__##C(DMP__##E##__##C p) { return p->e; }                     \
  inline C lc_DMP__##E##__##C(DMP__##E##__##C p) { return p->coef; }                              \
  inline uint32_t totalDegree(DMP__##E##__##C p) { return Dmp__##E##__##C::total_degree(p); }     \
  inline uint32_t totalDegree_DMP__##E##__##C(DMP__##E##__##C p) {                                \
    return Dmp__##E##__##C::total_degree_lead(p);                                                 \
  }                                                                                               \
  inline Boolean constante_DMP__##E##__##C(DMP__##E##__##C p) {                                   \
    return Boolean(Dmp__##E##__##C::constante(p));                                                \
  }                                                                                               \
  inline uint32_t is_univariate_DMP__##E##__##C(DMP__##E##__##C p) {                              \
    return Dmp__##E##__##C::is_univariate(p);                                                     \
  }                                                                                               \
  inline Boolean is_eliminated_DMP__##E##__##C(DMP__##E##__##C p, uint32_t k) {                   \
    return Boolean(Dmp__##E##__##C::is_eliminated(p, k));                                         \
  }                                                                                               \
  inline Boolean is_eliminated_DMP__##E##__##C(DMP__##E##__##C p) {                               \
    return Boolean(Dmp__##E##__##C::is_eliminated(p));                                            \
  }                                                                                               \
  inline Boolean eq_DMP__##E##__##C(DMP__##E##__##C p, DMP__##E##__##C q) {                       \
    return Boolean(Dmp__##E##__##C::eq(p, q));                                                    \
  }                                                                                               \
  inline void extract_raw_first_List_DMP__##E##__##C(List_DMP__##E##__##C cell, uint16_t* exps,  \
                                                     Coef##C::Raw& coef) {                        \
    Dmp__##E##__##C::extract_raw_first(cell, exps, coef, true);                                   \
  }                                                                                               \
  /* The prime-field form hands out the exponents only. */                                        \
  inline void extract_raw_first_List_DMP__##E##__##C##_multi(List_DMP__##E##__##C cell,           \
                                                             uint16_t* exps, Coef##C::Raw& coef) {\
    Dmp__##E##__##C::extract_raw_first(cell, exps, coef, Coef##C::has_heap);                      \
  }                                                                                               \
                                                                                                  \
  /* Comparators and hashes */                                                                    \
  inline int comp_DMP__##E##__##C(DMP__##E##__##C a, DMP__##E##__##C b) {                         \
    return Dmp__##E##__##C::comp(a, b);                                                           \
  }                                                                                               \
  inline int comp_rev_DMP__##E##__##C(DMP__##E##__##C a, DMP__##E##__##C b) {                     \
    return Dmp__##E##__##C::comp_rev(a, b);                                                       \
  }                                                                                               \
  inline int comp_List_DMP__##E##__##C(List_DMP__##E##__##C a, List_DMP__##E##__##C b) {          \
    return Dmp__##E##__##C::comp_List(a, b);                                                      \
  }                                                                                               \
  inline int comp_rev_List_DMP__##E##__##C(List_DMP__##E##__##C a, List_DMP__##E##__##C b) {      \
    return Dmp__##E##__##C::comp_rev_List(a, b);                                                  \
  }                                                                                               \
  inline int comp_garb_List_DMP__##E##__##C(List_DMP__##E##__##C a, List_DMP__##E##__##C b) {     \
    return Dmp__##E##__##C::comp_garb_List(a, b);                                                 \
  }                                                                                               \
  inline int comp_lex_DMP__##E##__##C(DMP__##E##__##C a, DMP__##E##__##C b) {                     \
    return Dmp__##E##__##C::comp_lex(a, b);                                                       \
  }                                                                                               \
  inline int comp2_DMP__##E##__##C(DMP__##E##__##C a, DMP__##E##__##C b) {                        \
    return Dmp__##E##__##C::comp2(a, b);                                                          \
  }                                                                                               \
  inline int comp2_DMP__##E##__##C(List_DMP__##E##__##C a, List_DMP__##E##__##C b) {              \
    return Dmp__##E##__##C::comp2(a, b);                                                          \
  }                                                                                               \
  inline uint32_t Hash_DMP__##E##__##C(DMP__##E##__##C p, uint32_t h) {                           \
    return Dmp__##E##__##C::hash(p, h);                                                           \
  }                                                                                               \
  inline uint32_t Hash_List_DMP__##E##__##C(List_DMP__##E##__##C l, uint32_t h) {                 \
    return Dmp__##E##__##C::hash(l, h);                                                           \
  }                                                                                               \
  inline uint32_t Hash_List_List_DMP__##E##__##C(List_List_DMP__##E##__##C l, uint32_t h) {       \
    return Dmp__##E##__##C::hash(l, h);                                                           \
  }                                                                                               \
                                                                                                  \
  /* Lists of polynomials */                                                                      \
  inline List_DMP__##E##__##C cons_List_DMP__##E##__##C(DMP__##E##__##C p,                        \
                                                        List_DMP__##E##__##C l) {                 \
    return DmpLists__##E##__##C::L::cons(p, l);                                                   \
  }                                                                                               \
  inline List_DMP__##E##__##C concat_List_DMP__##E##__##C(List_DMP__##E##__##C a,                 \
                                                          List_DMP__##E##__##C b) {               \
    return DmpLists__##E##__##C::L::concat(a, b);                                                 \
  }                                                                                               \
  inline List_DMP__##E##__##C reverse_List_DMP__##E##__##C(List_DMP__##E##__##C l) {              \
    return DmpLists__##E##__##C::L::reverse(l);                                                   \
  }                                                                                               \
  inline DMP__##E##__##C elt_List_DMP__##E##__##C(List_DMP__##E##__##C l, int i) {                \
    return DmpLists__##E##__##C::L::elt(l, i);                                                    \
  }                                                                                               \
  inline List_DMP__##E##__##C delete_List_DMP__##E##__##C(DMP__##E##__##C p,                      \
                                                          List_DMP__##E##__##C l) {               \
    return DmpLists__##E##__##C::L::remove(p, l);                                                 \
  }                                                                                               \
  inline List_DMP__##E##__##C copy_all_List_DMP__##E##__##C(List_DMP__##E##__##C l) {             \
    return DmpLists__##E##__##C::copy_list(l);                                                    \
  }                                                                                               \
  inline List_DMP__##E##__##C copy_List_DMP__##E##__##C(List_DMP__##E##__##C l) {                 \
    return DmpLists__##E##__##C::copy_list(l);                                                    \
  }                                                                                               \
  inline DMP__##E##__##C first_List_DMP__##E##__##C(List_DMP__##E##__##C l) { return l->poly; }   \
  inline List_DMP__##E##__##C rest_List_DMP__##E##__##C(List_DMP__##E##__##C l) {                 \
    return l->next;                                                                               \
  }                                                                                               \
  inline List_DMP__##E##__##C safe_rest_List_DMP__##E##__##C(List_DMP__##E##__##C l) {            \
    return l ? l->next : nullptr;                                                                 \
  }                                                                                               \
  inline DMP__##E##__##C rest_DMP__##E##__##C(DMP__##E##__##C p) { return p->next; }              \
  inline uint32_t size_first_List_DMP__##E##__##C(List_DMP__##E##__##C l) {                       \
    return DmpLists__##E##__##C::size_first(l);                                                   \
  }                                                                                               \
  inline unsigned size(DMP__##E##__##C p) { return DmpLists__##E##__##C::size(p); }               \
  inline unsigned size(List_DMP__##E##__##C l) { return DmpLists__##E##__##C::size(l); }          \
  inline DMP__##E##__##C find_DMP__##E##__##C(uint32_t n, List_DMP__##E##__##C l) {               \
    return DmpLists__##E##__##C::find(n, l);                                                      \
  }                                                                                               \
  inline DMP__##E##__##C find_DMP__##E##__##C(uint32_t n, List_DMP__##E##__##C l1,                \
                                              List_DMP__##E##__##C l2) {                          \
    return DmpLists__##E##__##C::find(n, l1, l2);                                                 \
  }                                                                                               \
  inline List_DMP__##E##__##C insert_DMP__##E##__##C(DMP__##E##__##C p,                           \
                                                     List_DMP__##E##__##C l) {                    \
    return DmpLists__##E##__##C::insert(p, l);                                                    \
  }                                                                                               \
  inline List_DMP__##E##__##C insert_DMP__##E##__##C(                                             \
      DMP__##E##__##C p, List_DMP__##E##__##C l, int (*cmp)(DMP__##E##__##C, DMP__##E##__##C)) {  \
    return DmpLists__##E##__##C::insert(p, l, cmp);                                               \
  }                                                                                               \
  /* Consistency hooks: nothing to check. */                                                      \
  inline void integrite(DMP__##E##__##C) {}                                                       \
  inline void integrite(List_DMP__##E##__##C) {}                                                  \
  inline void integrite_garb(List_DMP__##E##__##C) {}                                             \
                                                                                                  \
  /* Lists of lists */                                                                            \
  inline List_List_DMP__##E##__##C cons_List_List_DMP__##E##__##C(List_DMP__##E##__##C p,         \
                                                                  List_List_DMP__##E##__##C l) {  \
    return DmpLists__##E##__##C::LL::cons(p, l);                                                  \
  }                                                                                               \
  inline List_List_DMP__##E##__##C concat_List_List_DMP__##E##__##C(                              \
      List_List_DMP__##E##__##C a, List_List_DMP__##E##__##C b) {                                 \
    return DmpLists__##E##__##C::LL::concat(a, b);                                                \
  }                                                                                               \
  inline List_List_DMP__##E##__##C reverse_List_List_DMP__##E##__##C(                             \
      List_List_DMP__##E##__##C l) {                                                              \
    return DmpLists__##E##__##C::LL::reverse(l);                                                  \
  }                                                                                               \
  inline List_DMP__##E##__##C elt_List_List_DMP__##E##__##C(List_List_DMP__##E##__##C l, int i) { \
    return DmpLists__##E##__##C::LL::elt(l, i);                                                   \
  }                                                                                               \
  inline List_List_DMP__##E##__##C delete_List_List_DMP__##E##__##C(                              \
      List_DMP__##E##__##C p, List_List_DMP__##E##__##C l) {                                      \
    return DmpLists__##E##__##C::LL::remove(p, l);                                                \
  }                                                                                               \
  inline List_List_DMP__##E##__##C copy_all_List_List_DMP__##E##__##C(                            \
      List_List_DMP__##E##__##C l) {                                                              \
    return DmpLists__##E##__##C::copy_list_list(l);                                               \
  }                                                                                               \
  inline List_List_DMP__##E##__##C copy_List_List_DMP__##E##__##C(List_List_DMP__##E##__##C l) {  \
    return DmpLists__##E##__##C::copy_list_list(l);                                               \
  }                                                                                               \
                                                                                                  \
  /* A list of polynomials handed to the pretty and Lisp printers. */                             \
  struct Garb_List_DMP__##E##__##C {                                                              \
    List_DMP__##E##__##C list;                                                                    \
    operator List_DMP__##E##__##C() const { return list; }                                        \
  };                                                                                              \
                                                                                                  \
  /* Set-up */                                                                                    \
  inline uint32_t& MAX_COEF_DMP__##E##__##C = DmpSetup__##E##__##C::max_coef;                     \
  inline void init_List_DMP__##E##__##C() { init_Objet_List_DMP__##E##__##C(); }                  \
  inline void init_List_List_DMP__##E##__##C() { init_Objet_List_List_DMP__##E##__##C(); }        \
  inline void init_DMP__##E##__##C() { DmpSetup__##E##__##C::init(); }                            \
  inline void set_DMP__##E##__##C(uint32_t nvar, uint32_t a, uint32_t b) {                        \
    DmpSetup__##E##__##C::set(nvar, a, b);                                                        \
  }                                                                                               \
  inline void (*DMP__##E##__##C##_handler)() = DmpSetup__##E##__##C::inter_info;                  \
                                                                                                  \
  ORV_GLISSER_##C(E)

// Slides of the integer build's pairings: gather the handles to keep, in the
// documented order, then compact.
#define ORV_GLISSER_GFC(E)
#define ORV_GLISSER_VGF(E)                                                                        \
  using Glisser__##E = Glisser<Exp##E>;                                                           \
  inline void glisser_DMP__##E##__VGF(DMP__##E##__VGF p, Boolean) {                               \
    Glisser__##E::run(MAX_COEF_DMP__##E##__VGF,                                                   \
        "Trop d'entiers a glisser dans glisser_DMP__" #E "__VGF(DMP__" #E "__VGF p,Boolean verif) !\n", \
        false, Glisser__##E::Target::zone1, [&](Glisser__##E::Table& t) { t.terms(p); });         \
  }                                                                                               \
  inline void glisser_DMP__##E##__VGF(VGF& a, DMP__##E##__VGF p, DMP__##E##__VGF q) {             \
    Glisser__##E::run(MAX_COEF_DMP__##E##__VGF,                                                   \
        "Trop d'entiers a glisser dans glisser_DMP__" #E "__VGF(VGF& a,VGF& b,VGF& c,DMP__" #E    \
        "__VGF p,DMP__" #E "__VGF q) !\n",                                                        \
        false, Glisser__##E::Target::zone1, [&](Glisser__##E::Table& t) {                         \
          t.add(&a);                                                                              \
          t.terms(p);                                                                             \
          t.terms(q);                                                                             \
        });                                                                                       \
  }                                                                                               \
  inline void glisser_DMP__##E##__VGF(VGF& a, VGF& b, DMP__##E##__VGF p) {                        \
    Glisser__##E::run(MAX_COEF_DMP__##E##__VGF,                                                   \
        "Trop d'entiers a glisser dans glisser_DMP__" #E "__VGF(VGF& a,VGF& b,DMP__" #E           \
        "__VGF p) !\n",                                                                           \
        false, Glisser__##E::Target::zone1, [&](Glisser__##E::Table& t) {                         \
          t.add(&a);                                                                              \
          t.add(&b);                                                                              \
          t.terms(p);                                                                             \
        });                                                                                       \
  }                                                                                               \
  inline void glisser_DMP__##E##__VGF(VGF& a, VGF& b, VGF& c, DMP__##E##__VGF p,                  \
                                      DMP__##E##__VGF q) {                                        \
    Glisser__##E::run(MAX_COEF_DMP__##E##__VGF,                                                   \
        "Trop d'entiers a glisser dans glisser_DMP__" #E "__VGF(VGF& a,VGF& b,VGF& c,DMP__" #E    \
        "__VGF p,DMP__" #E "__VGF q) !\n",                                                        \
        false, Glisser__##E::Target::zone1, [&](Glisser__##E::Table& t) {                         \
          t.add(&a);                                                                              \
          t.add(&b);                                                                              \
          t.add(&c);                                                                              \
          t.terms(p);                                                                             \
          t.terms(q);                                                                             \
        });                                                                                       \
  }                                                                                               \
  inline void glisser_List_DMP__##E##__VGF(List_DMP__##E##__VGF l) {                              \
    Glisser__##E::run(MAX_COEF_DMP__##E##__VGF,                                                   \
        "Trop d'entiers a glisser dans glisser_List_DMP__" #E "__VGF(List_DMP__" #E "__VGF l) !\n", \
        false, Glisser__##E::Target::zone1, [&](Glisser__##E::Table& t) {                         \
          for (auto c = l; c != nullptr && !t.full; c = c->next) t.terms(c->poly);                \
        });                                                                                       \
  }                                                                                               \
  inline void glisser_List_DMP__##E##__VGF(List_DMP__##E##__VGF l, Boolean) {                     \
    Glisser__##E::run(MAX_COEF_DMP__##E##__VGF,                                                   \
        "Trop d'entiers a glisser dans glisser_List_DMP__" #E "__VGF(List_DMP__" #E               \
        "__VGF l,Boolean verif) !\n",                                                             \
        true, Glisser__##E::Target::zone1, [&](Glisser__##E::Table& t) {                          \
          for (auto c = l; c != nullptr && !t.full; c = c->next) t.terms(c->poly);                \
        });                                                                                       \
  }                                                                                               \
  inline void glisser_garb_List_DMP__##E##__VGF(List_DMP__##E##__VGF l) {                         \
    Glisser__##E::run(MAX_COEF_DMP__##E##__VGF,                                                   \
        "Trop d'entiers a glisser dans glisser_garb_List_DMP__" #E "__VGF !\n",                   \
        false, Glisser__##E::Target::zone1, [&](Glisser__##E::Table& t) {                         \
          for (auto c = l; c != nullptr && !t.full; c = c->next) t.terms(c->poly, true);          \
        });                                                                                       \
  }                                                                                               \
  inline void glisser_List_List_DMP__##E##__VGF(List_List_DMP__##E##__VGF ll) {                   \
    Glisser__##E::run(MAX_COEF_DMP__##E##__VGF,                                                   \
        "Trop d'entiers a glisser dans glisser_List_List_DMP__" #E "__VGF(List_List_DMP__" #E     \
        "__VGF l) !\n",                                                                           \
        false, Glisser__##E::Target::zone1, [&](Glisser__##E::Table& t) {                         \
          for (auto cc = ll; cc != nullptr && !t.full; cc = cc->next)                             \
            for (auto c = cc->list; c != nullptr && !t.full; c = c->next) t.terms(c->poly);       \
        });                                                                                       \
  }                                                                                               \
  inline void glisser2_DMP__##E##__VGF(DMP__##E##__VGF p) {                                       \
    Glisser__##E::run(MAX_COEF_DMP__##E##__VGF,                                                   \
        "Trop d'entiers a glisser dans glisser2_DMP__" #E "__VGF(DMP__" #E "__VGF p) !\n",        \
        false, Glisser__##E::Target::zone2, [&](Glisser__##E::Table& t) { t.terms(p); });         \
  }

// The sugar algorithm's critical pairs.
#define ORV_STAMP_SCRIT(E, C)                                                                     \
  using s_SCrit__##E##__##C = SCritRec<Exp##E, Coef##C>;                                          \
  using SCritPolicy__##E##__##C = SCritPolicy<Exp##E, Coef##C>;                                   \
  ORV_DECLARE_POOL(ORV_POOL_PLAIN, SCrit__##E##__##C, s_SCrit__##E##__##C, SCritPolicy__##E##__##C) \
  ORV_DECLARE_POOL_COPIES(ORV_POOL_PLAIN, SCrit__##E##__##C, s_SCrit__##E##__##C)
// clang-format on

#define ORV_PAIRING(E, C, BUILD, SCRIT) \
  ORV_IF_##BUILD(ORV_STAMP_PAIRING(E, C) ORV_IF_##SCRIT(ORV_STAMP_SCRIT(E, C)))
#include "server/poly/pairings.def"
#undef ORV_PAIRING

#ifdef ZEL_VARIANT_INT
// Only the lexicographic pairing knows its main variable: the first
// variable (from 1) of the leading monomial, or 0xFFFFFFFF for a constant.
inline uint32_t mainVariable(DMP__BigLexp__VGF p) { return mainVariable_BigLexp(p->e); }
// The degree field of a degree-ordered vector (the prime-field build has
// its DRLDRL form beside the type).
inline unsigned totalDegree(const BigDexp* e) { return degree_BigDexp(e); }
#endif

}  // namespace orv::ORV_BUILD

// The arithmetic and everything built on it, stamped the same way.
#include "server/poly/dmp_names_ops.hpp"
