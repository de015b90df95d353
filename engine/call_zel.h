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

/* Sparse change of order: univariate polynomials modulo the prime of the
 * last run (entry i the coefficient of X^i, degree -1 for zero).  shift_X
 * multiplies P by X; combi_lin adds c*Q to P; both return the new degree. */
I32 Zel_int_shift_X(UI32* P, I32 d);
I32 Zel_shift_X(uint16_t* P, I32 d);
I32 Zel_int_combi_lin(UI32* P, I32 dP, UI32 c, const UI32* Q, I32 dQ);
I32 Zel_combi_lin(uint16_t* P, I32 dP, UI32 c, const uint16_t* Q, I32 dQ);
/* 1 after each entry of the sparse change of order; 0 once an inverse of
 * zero was asked for since. */
extern I32 Zel_int_modulo_ok;
extern I32 Zel_modulo_ok;

/* Sparse FGLM on the matrix T of multiplication by the last variable, of
 * order D: copy rows as pairs (row, column) ended by a negative row, dense
 * rows as pairs (row, first column) ended by -1, and the dense rows
 * themselves (prime-field build: a table of 16-byte aligned rows of symmetric
 * residues padded to a multiple of 8; integer build: one block of residues,
 * rows padded to a multiple of 4).  Print mode (print = 1) writes the
 * polynomials with the names on the standard output; store mode fills the
 * degree table and keeps the coefficient rows in the library until the next
 * call.  Returns the degree of the minimal polynomial of the last variable,
 * 0 in block-session mode (proc >= 1), -1 when none was found. */
I32 Zel_int_w_fglm(I32 D, I32* sparse, I32* nosp, I32 nvars, I32* coords, UI32* rows,
                   I32 version, I32* degrees, UI32* prime, I32 verbose, I32 print, char** names,
                   I32 sqfr, I32 minpoly_only, I32 estimate, I32 proc, I32 bk);
I32 Zel_w_fglm(I32 D, I32* sparse, I32* nosp, I32 nvars, I32* coords, int16_t** rows,
               I32 version, I32* degrees, UI32* prime, I32 verbose, I32 print, char** names,
               I32 sqfr, I32 minpoly_only, I32 estimate, I32 proc, I32 bk);
/* Scalar Wiedemann: the minimal polynomial of T (dense rows contiguous,
 * residues in [0, p)), written lowest degree first as 32-bit values over the
 * start of the dense rows.  minpoly2 takes copy pairs, minpoly single
 * indices i meaning row i is the unit vector of column i+1.  Return the
 * degree, or -1 when the rows have no room for the result. */
I32 Zel_int_w_minpoly2(UI32* prime, I32 D, I32* sparse, I32* nosp, UI32* rows, I32 sqfr);
I32 Zel_w_minpoly2(UI32* prime, I32 D, I32* sparse, I32* nosp, uint16_t* rows, I32 sqfr);
I32 Zel_int_w_minpoly(UI32 p, I32 D, I32* shifts, I32* nosp, UI32* rows);
I32 Zel_w_minpoly(UI32 p, I32 D, I32* shifts, I32* nosp, uint16_t* rows);

/* A polynomial from a matrix row whose coefficients are held densely (one
 * array of `width` residues per lane), its columns mapped back to monomials
 * through the step's code table; R is the rank of the row's leading
 * monomial.  No function of the library calls it. */
void* Zel_int_clone_ALGO_Dpol(void* row, void* codes, UI32 R);
void* Zel_clone_ALGO_Dpol(void* row, void* codes, UI32 R);
/* Writes "Save session in %s for proc %d" and opens the parallel method's
 * file of process proc for writing; never returns NULL. */
FILE* Zel_int_ouvrir_paral(I32 proc);
FILE* Zel_ouvrir_paral(I32 proc);

#ifdef __cplusplus
}
#endif

#endif /* CALL_ZEL_H */
