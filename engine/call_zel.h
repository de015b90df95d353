/* The C interface of both builds of the engine.
 *
 * Names beginning with Zel_int_ belong to the integer build (coefficients in
 * Z, computations modulo batches of 32-bit primes); names beginning with Zel_
 * to the prime-field build (one prime below 2^16).  A program that replays a
 * recorded session writes ZEL(name) and chooses the build by defining
 * ZEL_INT_BUILD before including this header. */
#ifndef CALL_ZEL_H
#define CALL_ZEL_H

#include <stdint.h>

typedef int32_t I32;
typedef uint32_t UI32;

#ifdef ZEL_INT_BUILD
#define ZEL(name) Zel_int_##name
#else
#define ZEL(name) Zel_##name
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* 11804 in the integer build, 11803 in the prime-field build. */
I32 Zel_int_internal_version(void);
I32 Zel_internal_version(void);

#ifdef __cplusplus
}
#endif

#endif /* CALL_ZEL_H */
