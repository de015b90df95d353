// The exponent operations that the arithmetic, reductions, transformations
// and staircases use beyond exp_traits.hpp, forwarded to each type's pasted
// names: ExpExtra<ExpBigDexp> and its twins.
#pragma once

#include <cstdint>

#include "server/poly/exp_traits.hpp"

namespace orv::ORV_BUILD {

template <class E>
struct ExpExtra;

// LEAD: how the type splits off a leading coefficient without a variable
// (coeff_ with one argument): kMainVariable or kBlocks.
enum class LeadSplit { kMainVariable, kBlocks };

#define ORV_EXP_EXTRA(X, LEAD)                                                                     \
  template <>                                                                                      \
  struct ExpExtra<Exp##X> {                                                                        \
    static constexpr LeadSplit lead_split = LEAD;                                                  \
    static void sub(const uint64_t* a, const uint64_t* b, uint64_t* out) { sub_##X(a, b, out); }   \
    static bool is_sub(const uint64_t* a, const uint64_t* b) { return is_sub_##X(a, b); }          \
    static bool is_homog_sub(const uint64_t* a, uint64_t* b) { return is_homog_sub_##X(a, b); }    \
    static bool is_block1_sub(const uint64_t* a, const uint64_t* b) {                              \
      return is_block1_sub_##X(a, b);                                                              \
    }                                                                                              \
    static int greater(const uint64_t* a, const uint64_t* b, const uint64_t* c) {                  \
      return greater_##X(a, b, c);                                                                 \
    }                                                                                              \
    static void zinf(const uint64_t* a, const uint64_t* b, uint64_t* out) { zinf_##X(a, b, out); } \
    static void lcm(const uint64_t* a, const uint64_t* b, uint64_t* out) { zsup_##X(a, b, out); }  \
    static void copy(uint64_t* dst, const uint64_t* src) { copy_##X(dst, src); }                   \
    static void permut(uint64_t* e, const unsigned* perm) { permut_##X(e, perm); }                 \
    static bool is_sym_orbit(const uint64_t* e) { return is_sym_orbit_##X(e); }                    \
    static int slow_is_power(const uint64_t* e, unsigned& d) { return slow_is_power_##X(e, d); }   \
    static uint32_t nb_first_block() { return nb_first_block_##X(); }                              \
    static uint32_t main_variable(const uint64_t* e) { return mainVariable_##X(e); }               \
    static void main_degree(uint64_t* b1, uint64_t* b2, const uint64_t* e) {                       \
      mainDegree_##X(b1, b2, e);                                                                   \
    }                                                                                              \
    static const char* name_of(unsigned i) { return Liste_variables_##X[i]; }                      \
  };

#ifdef ZEL_VARIANT_INT
ORV_EXP_EXTRA(BigDexp, LeadSplit::kBlocks)
ORV_EXP_EXTRA(BigLexp, LeadSplit::kMainVariable)
#else
ORV_EXP_EXTRA(DRLDRL, LeadSplit::kBlocks)
#endif

#undef ORV_EXP_EXTRA

// Scratch exponent vectors (a quotient monomial, a common factor, an orbit
// monomial) live on the stack; every vector of the library fits: 2000
// variables take at most 501 words of 16-bit fields.
inline constexpr unsigned kScratchWords = 512;

}  // namespace orv::ORV_BUILD
