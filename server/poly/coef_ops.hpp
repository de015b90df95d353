// Coefficient operations the polynomial templates need beyond the traits of
// vgf.hpp and gfc.hpp, chosen by overloading on the traits tag: a value from
// a machine integer, a random value, the absolute value of a residue read in
// the symmetric range, and the smallest prime of the coefficient ring.
#pragma once

#include <cstdint>

#include "server/base/orv_variant.hpp"

#ifdef ZEL_VARIANT_INT
#include "server/base/vgf.hpp"
#include "server/base/vgf_io.hpp"
#else
#include "server/base/gfc.hpp"
#include "server/base/gfc_io.hpp"
#endif

namespace orv::ORV_BUILD {

#ifdef ZEL_VARIANT_INT
inline VGF coef_of(CoefVGF, long v) { return cVGF(v); }
inline VGF coef_random(CoefVGF) { return rdm_VGF(1000); }
// Read in the symmetric range of the first prime, where the small integers
// that weights are made of have one sign.
inline VGF coef_abs(CoefVGF, VGF a) { return a.rep[0] > VGF::_prime[0] / 2 ? minus(a) : copy(a); }
inline uint32_t coef_smallest_prime(CoefVGF) {
  uint32_t p = VGF::_prime[0];
  for (uint32_t i = 1; i < size_of_vectors; ++i)
    if (VGF::_prime[i] < p) p = VGF::_prime[i];
  return p;
}
#else
inline GFC coef_of(CoefGFC, long v) { return cGFC(v); }
inline GFC coef_random(CoefGFC) { return rdm_GFC(1000); }
inline GFC coef_abs(CoefGFC, GFC a) { return a > modulus_GFC() / 2 ? minus(a) : a; }
inline uint32_t coef_smallest_prime(CoefGFC) { return modulus_GFC(); }
#endif

}  // namespace orv::ORV_BUILD
