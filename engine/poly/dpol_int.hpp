// Integer build: `Dpol_INT`, the polynomial record with GMP coefficients.
//
// Used for what the C interface receives and for results: the same fields as
// `Dpol` up to the monomial pointer, then, in the same block, ne GMP integers
// (ne = n rounded up to even) and ne monomial pointers.  The coefficients are
// left uninitialised: the C interface's setters fill each one.
#pragma once

#ifndef ZEL_VARIANT_INT
#error "Dpol_INT exists in the integer build only"
#endif

#include <gmp.h>

#include <cstdint>

#include "engine/mono/expos_words.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct Dpol_INT {
  uint32_t serial;  // gen_sym_Dpol + 1 at creation, shared with new_Dpol
  uint32_t row_mark;
  uint32_t flags;       // 0 at creation
  uint32_t input_mark;  // 0 at creation
  uint32_t spare[3];
  uint32_t n;    // number of terms
  Expos** mono;  // n monomials
  // ne GMP integers follow (see coeffs_INT).
};
static_assert(sizeof(Dpol_INT) == 40, "the coefficients follow the 40-byte record");
static_assert(sizeof(__mpz_struct) == 16, "a coefficient is two 32-bit counts and a limb pointer");

// Marks a record with GMP coefficients (in spare[2], which residue records
// keep at 0), so that the residue accessors of the C interface can refuse it.
inline constexpr uint32_t kIntCoefficientsTag = 0x494E5431;
inline bool has_int_coefficients(const void* p) {
  return static_cast<const Dpol_INT*>(p)->spare[2] == kIntCoefficientsTag;
}

// The n coefficients of p.
inline __mpz_struct* coeffs_INT(Dpol_INT* p) { return reinterpret_cast<__mpz_struct*>(p + 1); }
inline const __mpz_struct* coeffs_INT(const Dpol_INT* p) {
  return reinterpret_cast<const __mpz_struct*>(p + 1);
}

// Bytes of a record with room for n terms.
uint64_t size_Dpol_INT(uint32_t n);
// A record with room for n terms in the active zone; monomials and
// coefficients unset.
Dpol_INT* new_Dpol_INT(uint32_t n);

}  // namespace zel::ZEL_BUILD
