// The one place that knows which of the two builds is being compiled.
//
// Every engine and sparse source is compiled twice: once with
// ZEL_VARIANT_INT (computations over the integers by 32-bit primes) and once
// with ZEL_VARIANT_FP (one prime below 2^16, OpenMP threads).  Internal code
// lives in the build's namespace `zel::ZEL_BUILD`, so same-named inline
// functions of the two builds never merge; exported C names carry the
// build's prefix through ZEL_C / ZEL_LC.
#pragma once

#include <cstdint>

#if defined(ZEL_VARIANT_INT) && defined(ZEL_VARIANT_FP)
#error "define only one of ZEL_VARIANT_INT and ZEL_VARIANT_FP"
#endif
#if !defined(ZEL_VARIANT_INT) && !defined(ZEL_VARIANT_FP)
#error "define ZEL_VARIANT_INT or ZEL_VARIANT_FP"
#endif

#ifdef ZEL_VARIANT_INT
#define ZEL_BUILD int_build
#define ZEL_C(name) Zel_int_##name
#define ZEL_LC(name) zel_int_##name
#define ORV_C(name) Orv_int_##name
#define ZEL_PREFIX "Zel_int_"
#define ZEL_LPREFIX "zel_int_"
#else
#define ZEL_BUILD fp_build
#define ZEL_C(name) Zel_##name
#define ZEL_LC(name) zel_##name
#define ORV_C(name) Orv_##name
#define ZEL_PREFIX "Zel_"
#define ZEL_LPREFIX "zel_"
#endif

// Marks a definition as part of the library's C interface.
#define ZEL_EXPORT extern "C" __attribute__((visibility("default")))

namespace zel::ZEL_BUILD {

#ifdef ZEL_VARIANT_INT
inline constexpr bool kIntegerBuild = true;
// A residue modulo one of the build's primes.
using Dom = uint32_t;
#else
inline constexpr bool kIntegerBuild = false;
using Dom = uint16_t;
#endif

}  // namespace zel::ZEL_BUILD
