// Which build of the server code is being compiled.
//
// The server code is compiled twice like the engine (ZEL_VARIANT_INT or
// ZEL_VARIANT_FP) but never includes engine headers: this is its own view of
// the build.  Internal code lives in `orv::ORV_BUILD`; exported C names carry
// `Orv_int_` or `Orv_` through ORV_C.
//
// Some server state is one copy for the whole process, used by both builds:
// the runtime (messages, Fatal, time, files, printers) and the protocol bus.
// It lives in namespace `orv` itself (no build namespace) and its sources are
// named *.once.cpp so that they are compiled once; the prime-field build
// reaches the same objects through the one shared library.  Headers of that
// shared part must not depend on the build.
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
