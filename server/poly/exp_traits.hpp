// The exponent types as the polynomial templates see them: one traits struct
// per type, forwarding to its pasted names.  BigDexp belongs to the integer
// build, DRLDRL to the prime-field build, BigLexp to both.
#pragma once

#include <cstdint>

#include "server/base/orv_variant.hpp"

#include "server/base/biglexp.hpp"
#ifdef ZEL_VARIANT_INT
#include "server/base/bigdexp.hpp"
#else
#include "server/base/drldrl.hpp"
#endif

// DEGREE_ORDERED: the leading term has the largest total degree, so the
// polynomial's degree is read from it.
#define ORV_EXP_TRAITS(X, DEGREE_ORDERED, TOTAL_DEGREE)                                            \
  struct Exp##X {                                                                                  \
    static constexpr const char* name = #X;                                                        \
    static constexpr bool degree_ordered = DEGREE_ORDERED;                                         \
    static uint32_t words() { return internal_nb_dbl_block_##X; }                                  \
    static uint32_t nb_vars() { return nb_variables_##X; }                                         \
    static void set_nb_var(uint32_t n, uint32_t a, uint32_t b) { set_nb_var_##X(n, a, b); }        \
    static void init() { init_##X(); }                                                             \
    static unsigned extraire(const uint64_t* e, unsigned i) { return extraire_##X(e, i); }         \
    static void ranger(uint64_t* e, unsigned v, unsigned i) { ranger_##X(e, v, i); }               \
    static void set_null(uint64_t* e) { set_null_##X(e); }                                         \
    static bool null(const uint64_t* e) { return null_##X(e); }                                    \
    static void add(const uint64_t* a, const uint64_t* b, uint64_t* out) { add_##X(a, b, out); }   \
    static bool eq(const uint64_t* a, const uint64_t* b) { return eq_##X(a, b); }                  \
    static int greater(const uint64_t* a, const uint64_t* b) { return greater_##X(a, b); }         \
    static int greater2(const uint64_t* a, const uint64_t* b) { return greater2_##X(a, b); }       \
    static int lex_greater(const uint64_t* a, const uint64_t* b) { return lex_greater_##X(a, b); } \
    static uint32_t hash(const uint64_t* e, uint32_t seed) { return Hash_##X(e, seed); }           \
    static bool is_eliminated(const uint64_t* e, unsigned k) { return is_eliminated_##X(e, k); }   \
    static bool is_eliminated(const uint64_t* e) { return is_eliminated_##X(e); }                  \
    static uint32_t total_degree(const uint64_t* e) { return TOTAL_DEGREE(e); }                    \
  };

namespace orv::ORV_BUILD {

#ifdef ZEL_VARIANT_INT
ORV_EXP_TRAITS(BigDexp, true, degree_BigDexp)
ORV_EXP_TRAITS(BigLexp, false, totalDegree_BigLexp)
#else
ORV_EXP_TRAITS(DRLDRL, true, totalDegree_DRLDRL)
// The prime-field build's change of ordering writes its results with it.
ORV_EXP_TRAITS(BigLexp, false, totalDegree_BigLexp)
#endif

}  // namespace orv::ORV_BUILD

#undef ORV_EXP_TRAITS
