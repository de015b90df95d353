// Which build of the server code is being compiled.
//
// The server code is compiled twice like the engine (ZEL_VARIANT_INT or
// ZEL_VARIANT_FP) but never includes engine headers: this is its own view of
// the build.  Internal code lives in `orv::ORV_BUILD`; exported C names carry
// `Orv_int_` or `Orv_` through ORV_C.
#pragma once

#if defined(ZEL_VARIANT_INT) == defined(ZEL_VARIANT_FP)
#error "define exactly one of ZEL_VARIANT_INT and ZEL_VARIANT_FP"
#endif

#ifdef ZEL_VARIANT_INT
#define ORV_BUILD int_build
#define ORV_C(name) Orv_int_##name
#else
#define ORV_BUILD fp_build
#define ORV_C(name) Orv_##name
#endif

#define ORV_EXPORT extern "C" __attribute__((visibility("default")))

namespace orv::ORV_BUILD {
#ifdef ZEL_VARIANT_INT
inline constexpr bool kIntegerBuild = true;
#else
inline constexpr bool kIntegerBuild = false;
#endif
}  // namespace orv::ORV_BUILD
