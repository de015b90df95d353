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
#include <stdio.h>

typedef int32_t I32;
typedef uint32_t UI32;

#ifdef ZEL_INT_BUILD
#define ZEL(name) Zel_int_##name
#else
#define ZEL(name) Zel_##name
#endif

#if defined(__GNUC__)
#define ZEL_C_NORETURN __attribute__((noreturn))
#else
#define ZEL_C_NORETURN
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* 11804 in the integer build, 11803 in the prime-field build. */
I32 Zel_int_internal_version(void);
I32 Zel_internal_version(void);

/* Engine messages: printf-style text handed to the host's message sink.
 * Fatal raises the text as a host error and does not return (a C caller's
 * process ends with status 1). */
void Zel_int_Fatal(const char* format, ...) ZEL_C_NORETURN;
void Zel_Fatal(const char* format, ...) ZEL_C_NORETURN;
void Zel_int_Output(const char* format, ...);
void Zel_Output(const char* format, ...);
int Zel_int_Stderr(const char* format, ...);
int Zel_Stderr(const char* format, ...);
void Zel_int_Infos(const char* format, ...);
void Zel_Infos(const char* format, ...);

/* size bytes, 16-byte aligned, from the engine's current zone; valid until
 * the zone is rolled back or the engine's memory is reset. */
void* Zel_int_alloc64(uint64_t size);
void* Zel_alloc64(uint64_t size);
/* n rounded up to the vector width: 4 (integer build) or 8 (prime field). */
UI32 Zel_int_align_vector_size(UI32 n);
UI32 Zel_align_vector_size(UI32 n);

/* Writes "Save session in %s for proc %d" and opens the parallel method's
 * file of process proc for writing; never returns NULL. */
FILE* Zel_int_ouvrir_paral(I32 proc);
FILE* Zel_ouvrir_paral(I32 proc);

/* Writes the gap code of the n increasing column offsets cols (cols[0] = 0)
 * into buf; the code must end strictly inside the capacity bytes, otherwise
 * the call fails. */
void Zel_int_compactify(unsigned char* buf, UI32 capacity, const UI32* cols, UI32 n,
                        UI32* ncodes, UI32* nbytes);
void Zel_compactify(unsigned char* buf, UI32 capacity, const UI32* cols, UI32 n,
                    UI32* ncodes, UI32* nbytes);

/* Cuts polynomial p (a handle) down to the leading run of its terms that
 * agree with the leading monomial on the first block of variables.  Returns
 * p; null, with p untouched, when p has fewer than two terms, the first block
 * is empty or the leading monomial has none of its variables; null too when
 * the run is the leading term alone (p then keeps that one term). */
void* Zel_int_coeff_Dpol(void* p);
void* Zel_coeff_Dpol(void* p);

#ifdef __cplusplus
}
#endif

#endif /* CALL_ZEL_H */
