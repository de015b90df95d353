// The pasted names of the arithmetic, reductions, transformations,
// staircases, analysis and example systems (add_DMP__BigDexp__VGF_dd and
// kin): thin wrappers over dmp_arith.hpp, dmp_reduce.hpp,
// dmp_transform.hpp, staircase.hpp, analyse.hpp and examples.hpp, stamped
// from pairings.def.  Included at the end of dmp_names.hpp.
#pragma once

#include <cstdint>

#include "server/poly/analyse.hpp"
#include "server/poly/dmp_arith.hpp"
#include "server/poly/dmp_reduce.hpp"
#include "server/poly/dmp_transform.hpp"
#include "server/poly/examples.hpp"
#include "server/poly/staircase.hpp"

namespace orv::ORV_BUILD {

// clang-format off
#define ORV_STAMP_OPS(E, C)                                                                        \
  using Arith__##E##__##C = DmpArith<Exp##E, Coef##C>;                                             \
  using Reduce__##E##__##C = DmpReduce<Exp##E, Coef##C>;                                           \
  using Transform__##E##__##C = DmpTransform<Exp##E, Coef##C>;                                     \
  using Staircase__##E##__##C = DmpStaircase<Exp##E, Coef##C>;                                        \
  using Examples__##E##__##C = DmpExamples<Exp##E, Coef##C>;                                          \
                                                                                                   \
  /* Arithmetic: the suffixes say what is consumed (dmp_arith.hpp) */                              \
  inline DMP__##E##__##C add_DMP__##E##__##C##_dd(DMP__##E##__##C p, DMP__##E##__##C q) {          \
    return Arith__##E##__##C::sum(p, q);                                                           \
  }                                                                                                \
  inline DMP__##E##__##C or_DMP__##E##__##C##_dd(DMP__##E##__##C p, DMP__##E##__##C q) {           \
    return Arith__##E##__##C::unite(p, q);                                                         \
  }                                                                                                \
  inline DMP__##E##__##C neg_DMP__##E##__##C##_d(DMP__##E##__##C p) {                              \
    return Arith__##E##__##C::negate(p);                                                           \
  }                                                                                                \
  inline DMP__##E##__##C scal_Monom_DMP__##E##__##C(C c, DMP__##E##__##C t) {                      \
    return Arith__##E##__##C::scal_monom(c, t);                                                    \
  }                                                                                                \
  inline DMP__##E##__##C scal_DMP__##E##__##C(C c, DMP__##E##__##C p) {                            \
    return Arith__##E##__##C::scale(c, p);                                                         \
  }                                                                                                \
  inline DMP__##E##__##C inv_scal_DMP__##E##__##C(C c, DMP__##E##__##C p) {                        \
    return Arith__##E##__##C::inv_scale(c, p);                                                     \
  }                                                                                                \
  inline DMP__##E##__##C copy_scal_DMP__##E##__##C(C c, DMP__##E##__##C p) {                       \
    return Arith__##E##__##C::copy_scale(c, p);                                                    \
  }                                                                                                \
  inline DMP__##E##__##C dec_DMP__##E##__##C(C c, const uint64_t* m, DMP__##E##__##C p) {          \
    return Arith__##E##__##C::shift_scale(c, m, p);                                                \
  }                                                                                                \
  inline DMP__##E##__##C copy_dec_DMP__##E##__##C(C c, const uint64_t* m, DMP__##E##__##C p) {     \
    return Arith__##E##__##C::copy_shift_scale(c, m, p);                                           \
  }                                                                                                \
  inline DMP__##E##__##C mult_DMP__##E##__##C##_dd(DMP__##E##__##C p, DMP__##E##__##C q) {         \
    return Arith__##E##__##C::times_into(p, q);                                                    \
  }                                                                                                \
  inline DMP__##E##__##C mult_DMP__##E##__##C(DMP__##E##__##C p, DMP__##E##__##C q) {              \
    return Arith__##E##__##C::times_copy(p, q);                                                    \
  }                                                                                                \
  inline DMP__##E##__##C mul_DMP__##E##__##C##_dd(DMP__##E##__##C p, DMP__##E##__##C q) {          \
    return Arith__##E##__##C::times(p, q);                                                         \
  }                                                                                                \
  inline DMP__##E##__##C hMonic_DMP__##E##__##C(DMP__##E##__##C p) {                               \
    return Arith__##E##__##C::monic(p);                                                            \
  }                                                                                                \
  inline List_DMP__##E##__##C hMonic_List_DMP__##E##__##C(List_DMP__##E##__##C l) {                \
    return Arith__##E##__##C::monic_all(l);                                                        \
  }                                                                                                \
  inline C content(DMP__##E##__##C p) { return Arith__##E##__##C::content(p); }                    \
  inline DMP__##E##__##C differentiate_d(DMP__##E##__##C p, uint32_t i) {                          \
    return Arith__##E##__##C::differentiate(p, i);                                                 \
  }                                                                                                \
  inline DMP__##E##__##C coeff_DMP__##E##__##C(DMP__##E##__##C p, int i) {                         \
    return Arith__##E##__##C::lead_coeff_in(p, i);                                                 \
  }                                                                                                \
  inline DMP__##E##__##C coeff_DMP__##E##__##C(DMP__##E##__##C p) {                                \
    return Arith__##E##__##C::lead_coeff(p);                                                       \
  }                                                                                                \
  inline DMP__##E##__##C shift_DMP__##E##__##C(const uint64_t* m, DMP__##E##__##C p) {             \
    return Arith__##E##__##C::shift(m, p);                                                         \
  }                                                                                                \
  inline void rotate_DMP__##E##__##C##_d(const uint64_t* m, DMP__##E##__##C p) {                   \
    Arith__##E##__##C::shift(m, p);                                                                \
  }                                                                                                \
  inline DMP__##E##__##C rotate_DMP__##E##__##C(const uint64_t* m, DMP__##E##__##C p) {            \
    return Arith__##E##__##C::rotate_copy(m, p);                                                   \
  }                                                                                                \
  inline List_DMP__##E##__##C log_DMP__##E##__##C(DMP__##E##__##C p) {                             \
    return Arith__##E##__##C::log_forms(p);                                                        \
  }                                                                                                \
  inline List_DMP__##E##__##C log_List_DMP__##E##__##C(List_DMP__##E##__##C l) {                   \
    return Arith__##E##__##C::log_forms(l);                                                        \
  }                                                                                                \
  inline double estime_log(DMP__##E##__##C p) { return Arith__##E##__##C::size_estimate(p); }      \
  inline double estime_log(List_DMP__##E##__##C l) { return Arith__##E##__##C::size_estimate(l); } \
  /* The square-free part: of a polynomial in one variable whose degree is                         \
     below the prime, else refused. */                                                             \
  inline DMP__##E##__##C sqfr_DMP__##E##__##C(DMP__##E##__##C p) {                                 \
    return Reduce__##E##__##C::square_free(p, "sqfr");                                             \
  }                                                                                                \
  inline DMP__##E##__##C sqfr_radical_DMP__##E##__##C(DMP__##E##__##C p) {                         \
    return Reduce__##E##__##C::square_free(p, "sqfr_radical");                                     \
  }                                                                                                \
  inline void minus_link_DMP__##E##__##C(DMP__##E##__##C) {}                                       \
                                                                                                   \
  /* Reduction */                                                                                  \
  inline DMP__##E##__##C reduire_DMP__##E##__##C(DMP__##E##__##C p, DMP__##E##__##C q) {           \
    return Reduce__##E##__##C::reduce(p, q);                                                       \
  }                                                                                                \
  inline DMP__##E##__##C reduire_DMP__##E##__##C##_nonmonic(DMP__##E##__##C p,                     \
                                                            DMP__##E##__##C q) {                   \
    return Reduce__##E##__##C::reduce_nonmonic(p, q);                                              \
  }                                                                                                \
  inline DMP__##E##__##C reduire_DMP__##E##__##C(C a, DMP__##E##__##C p, C b, const uint64_t* m,   \
                                                 DMP__##E##__##C q) {                              \
    return Reduce__##E##__##C::reduce(a, p, b, m, q);                                              \
  }                                                                                                \
  inline DMP__##E##__##C redPo(DMP__##E##__##C p, List_DMP__##E##__##C l) {                        \
    return Reduce__##E##__##C::red_po(p, l);                                                       \
  }                                                                                                \
  inline DMP__##E##__##C pseudo_redPo(DMP__##E##__##C p, List_DMP__##E##__##C l, C& mult) {        \
    return Reduce__##E##__##C::pseudo_red_po(p, l, mult);                                          \
  }                                                                                                \
  inline DMP__##E##__##C gcd_DMP__##E##__##C##_dd(DMP__##E##__##C p, DMP__##E##__##C q) {          \
    return Reduce__##E##__##C::gcd(p, q);                                                          \
  }                                                                                                \
  inline DMP__##E##__##C exquo_DMP__##E##__##C(DMP__##E##__##C p, List_DMP__##E##__##C l) {        \
    return Reduce__##E##__##C::exact_quotient(p, l);                                               \
  }                                                                                                \
                                                                                                   \
  /* Transformations and filters */                                                                \
  inline DMP__##E##__##C eval_var_one_DMP__##E##__##C##_d(DMP__##E##__##C p, uint32_t v) {         \
    return Transform__##E##__##C::set_var_one(p, v);                                               \
  }                                                                                                \
  inline List_DMP__##E##__##C eval_var_one_DMP__##E##__##C##_d(List_DMP__##E##__##C l,             \
                                                               uint32_t v) {                       \
    return Transform__##E##__##C::set_var_one(l, v);                                               \
  }                                                                                                \
  inline DMP__##E##__##C eval_var_one_DMP__##E##__##C##_d(DMP__##E##__##C p) {                     \
    return Transform__##E##__##C::set_var_one(p, Exp##E::nb_vars() - 1);                           \
  }                                                                                                \
  inline DMP__##E##__##C de_homog_d(DMP__##E##__##C p, uint32_t v) {                               \
    return Transform__##E##__##C::set_var_one(p, v);                                               \
  }                                                                                                \
  inline List_DMP__##E##__##C de_homog_d(List_DMP__##E##__##C l, uint32_t v) {                     \
    return Transform__##E##__##C::set_var_one(l, v);                                               \
  }                                                                                                \
  inline DMP__##E##__##C homog_d(DMP__##E##__##C p, uint32_t v) {                                  \
    return Transform__##E##__##C::homog(p, v);                                                     \
  }                                                                                                \
  inline List_DMP__##E##__##C homog_d(List_DMP__##E##__##C l, uint32_t v) {                        \
    return Transform__##E##__##C::homog(l, v);                                                     \
  }                                                                                                \
  inline DMP__##E##__##C permut_DMP__##E##__##C##_d(DMP__##E##__##C p, const uint32_t* perm) {     \
    return Transform__##E##__##C::permute(p, perm);                                                \
  }                                                                                                \
  [[noreturn]] inline void permut_fast_DMP__##E##__##C(DMP__##E##__##C p, const uint32_t*) {       \
    Transform__##E##__##C::permute_diagnostic(p);                                                  \
  }                                                                                                \
  inline DMP__##E##__##C orbit_DMP__##E##__##C(DMP__##E##__##C p) {                                \
    return Transform__##E##__##C::orbit(p);                                                        \
  }                                                                                                \
  inline DMP__##E##__##C compact_DMP__##E##__##C##_d(DMP__##E##__##C p) {                          \
    return Transform__##E##__##C::compact(p);                                                      \
  }                                                                                                \
  inline DMP__##E##__##C canonic_DMP__##E##__##C(DMP__##E##__##C p) {                              \
    return Transform__##E##__##C::canonic(p);                                                      \
  }                                                                                                \
  inline DMP__##E##__##C tosym_DMP__##E##__##C##_d(DMP__##E##__##C p) {                            \
    return Transform__##E##__##C::keep_orbit_leaders(p);                                           \
  }                                                                                                \
  inline DMP__##E##__##C tosym_DMP__##E##__##C(DMP__##E##__##C p) {                                \
    return Transform__##E##__##C::orbit_leaders(p);                                                \
  }                                                                                                \
  inline DMP__##E##__##C keep_first_var_DMP__##E##__##C##_d(DMP__##E##__##C p) {                   \
    return Transform__##E##__##C::keep_first_var(p);                                               \
  }                                                                                                \
  inline List_DMP__##E##__##C retain_polys(List_DMP__##E##__##C l, List_DMP__##E##__##C& out,      \
                                           uint32_t k) {                                           \
    return Transform__##E##__##C::retain(l, out, k);                                               \
  }                                                                                                \
  inline List_DMP__##E##__##C menage_homog_d(List_DMP__##E##__##C l) {                             \
    return Transform__##E##__##C::menage_homog(l);                                                 \
  }                                                                                                \
  inline uint32_t simpl_factor(DMP__##E##__##C p) { return Transform__##E##__##C::simpl_factor(p); } \
  inline DMP__##E##__##C GSL_form(DMP__##E##__##C p, DMP__##E##__##C q, uint32_t v) {              \
    return Transform__##E##__##C::gsl_form(p, q, v);                                               \
  }                                                                                                \
                                                                                                   \
  /* Staircases and zero-dimension tests */                                                        \
  inline void sentinelle_DMP__##E##__##C() { Staircase__##E##__##C::have_sentinelle = true; }      \
  inline void no_sentinelle_DMP__##E##__##C() { Staircase__##E##__##C::have_sentinelle = false; }  \
  inline DMP__##E##__##C escalier_DMP__##E##__##C(List_DMP__##E##__##C l) {                        \
    return Staircase__##E##__##C::escalier(l);                                                     \
  }                                                                                                \
  inline DMP__##E##__##C escalier_block1_DMP__##E##__##C(List_DMP__##E##__##C l) {                 \
    return Staircase__##E##__##C::escalier_block1(l);                                              \
  }                                                                                                \
  inline int is_dim0_DMP__##E##__##C(List_DMP__##E##__##C l) {                                     \
    return Staircase__##E##__##C::is_dim0(l);                                                      \
  }                                                                                                \
  inline int calculer_nb_solutions_DMP__##E##__##C(List_DMP__##E##__##C l) {                       \
    return Staircase__##E##__##C::solutions(l);                                                    \
  }                                                                                                \
  inline uint32_t nb_sol_dim0_DMP__##E##__##C(List_DMP__##E##__##C l) {                            \
    return Staircase__##E##__##C::nb_sol_dim0(l);                                                  \
  }                                                                                                \
  inline int dimension0_DMP__##E##__##C(List_DMP__##E##__##C l) {                                  \
    return Staircase__##E##__##C::dimension0(l);                                                   \
  }                                                                                                \
  inline uint32_t sparse_dim(List_DMP__##E##__##C l) { return Staircase__##E##__##C::sparse_dim(l); } \
  inline void sparse_dim_DMP__##E##__##C(DMP__##E##__##C p) { Staircase__##E##__##C::gather(p); }  \
  inline uint32_t compute_sparse_dim_DMP__##E##__##C() { return Staircase__##E##__##C::gathered(); } \
                                                                                                   \
  /* Analysis of systems; the factorisers this library does not carry */                           \
  inline void analyse_system(List_DMP__##E##__##C l) { DmpAnalyse<Exp##E, Coef##C>::run(l); }         \
  [[noreturn]] inline void ntl_factor(DMP__##E##__##C, int) { Fatal("NTL not compiled\n"); }       \
  inline int uspensky(DMP__##E##__##C) { return 0; }                                               \
  inline void info_factors_DMP__##E##__##C() {}                                                    \
                                                                                                   \
  /* Example systems */                                                                            \
  inline List_DMP__##E##__##C cyclic_List_DMP__##E##__##C(uint32_t n, int homog) {                 \
    return Examples__##E##__##C::cyclic(n, homog != 0);                                            \
  }                                                                                                \
  inline List_DMP__##E##__##C katsura_List_DMP__##E##__##C(uint32_t n, int homog) {                \
    return Examples__##E##__##C::katsura(n, homog != 0);                                           \
  }                                                                                                \
  inline List_DMP__##E##__##C exemple_binaire_List_DMP__##E##__##C(uint32_t n, int homog) {        \
    return Examples__##E##__##C::binary(n, homog != 0);                                            \
  }                                                                                                \
  inline DMP__##E##__##C random_DMP__##E##__##C(uint32_t, DMP__##E##__##C tpl) {                   \
    return Examples__##E##__##C::random(tpl);                                                      \
  }                                                                                                \
  [[noreturn]] inline void random_List_DMP__##E##__##C(uint32_t d, uint32_t k) {                   \
    Examples__##E##__##C::random_list(d, k);                                                       \
  }
// clang-format on

#define ORV_PAIRING(E, C, BUILD, SCRIT) ORV_IF_##BUILD(ORV_STAMP_OPS(E, C))
#include "server/poly/pairings.def"
#undef ORV_PAIRING

}  // namespace orv::ORV_BUILD
