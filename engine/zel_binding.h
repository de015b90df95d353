/* The entries a computer-algebra host calls through its external-call
 * interface (host_interface.h), for both builds.
 *
 * A request: gbasis_init, one send per polynomial, one compute (twelve
 * arguments: three names that receive the CPU time, the term count of the
 * first result and the number of results; an ignored integer; the
 * verbosity; the step, block and restriction of groebner; the compute mode
 * as a string, the name of a ZEL_COMPUTE_ constant of call_zel.h such as
 * "ZEL_COMPUTE_RRFORM" (any other string, an unknown or misspelt name
 * too, computes a basis, as "ZEL_COMPUTE_GBASIS" does); _nb and
 * _force_elim; an INTEGER32 table of options whose element 0 is its count
 * c of entries, itself included: elements 1 to 3 are _off, _index, _zone,
 * then, each read only when c reaches past it, _memory, _nb2, _bk2,
 * _force_elim2, _aggressive2, _dlim, _skip), then any number of receives
 * until the next gbasis_init.  Errors are raised as host errors.
 *
 * Threads: one session per process, shared by both builds' entries, and one
 * calling thread at a time.  An entry called while another thread is inside
 * the library raises "<entry>: the library serves one thread at a time" on
 * its own host (the entries that take no kernel raise through the current
 * one) and leaves the other call alone.  Another thread may only interrupt a
 * running request: under a host older than 11.0 by SIGINT, whose handler
 * (installed by gbasis_init) sets the stop flag; a newer host's interrupt is
 * polled by the computing thread.  Zel_stop_immediately (call_zel.h) reads
 * the flag from any thread. */
#ifndef ZEL_BINDING_H
#define ZEL_BINDING_H

#include "host_interface.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Integer build. */
HostValue zel_int_gbasis_init(HostKernel kv, HostValue args);
HostValue zel_int_send_poly(HostKernel kv, HostValue args);
HostValue zel_int_send_poly_gmp(HostKernel kv, HostValue args);
HostValue zel_int_gbasis_compute(HostKernel kv, HostValue args);
HostValue zel_int_hilbert_compute(HostKernel kv, HostValue args);
HostValue zel_int_receive_poly(HostKernel kv, HostValue args);
HostValue zel_int_receive_poly_gmp(HostKernel kv, HostValue args);
HostValue zel_int_receive_poly_new(HostKernel kv, HostValue args);
HostValue zel_int_receive_monom(HostKernel kv, HostValue args);
HostValue zel_int_unload(HostKernel kv, HostValue args);
HostValue zel_int_internal_threads(HostKernel kv, HostValue args);
HostValue zel_int_internal_report(HostKernel kv, HostValue args);
HostValue zel_int_internal_version(HostKernel kv, HostValue args);
HostValue zel_int_scheduler(HostKernel kv, HostValue args);
HostValue zel_int_debug_level(HostKernel kv, HostValue args);
HostValue zel_int_my_time(HostKernel kv, HostValue args);
double zel_int_my_cpu(void);
void Zel_int_local_reset_memory(void);

/* Prime-field build. */
HostValue zel_gbasis_init(HostKernel kv, HostValue args);
HostValue zel_gbasis_compute(HostKernel kv, HostValue args);
HostValue zel_hilbert_compute(HostKernel kv, HostValue args);
HostValue zel_internal_threads(HostKernel kv, HostValue args);
HostValue zel_internal_report(HostKernel kv, HostValue args);
HostValue zel_internal_version(HostKernel kv, HostValue args);
HostValue zel_scheduler(HostKernel kv, HostValue args);
HostValue zel_debug_level(HostKernel kv, HostValue args);
double zel_my_cpu(void);
void Zel_local_reset_memory(void);
void Zel_enter(void);
void Zel_exit(void);
void Zel_safe_exit(void);
/* One polynomial of nterms terms: exps holds nterms * nvars exponents, coeffs
 * nterms coefficients, each read as a signed 32-bit integer and reduced
 * modulo the prime (terms that reduce to 0 are dropped).  Returns 1, or -1
 * when 100000 polynomials are already held. */
int32_t zel_send_poly(uint32_t nvars, uint32_t nterms, uint32_t* exps, uint32_t* coeffs);
/* Exports result k into exps (nterms * nvars) and coeffs (nterms); writes the
 * term count of result k+1, when there is one, to *next.  Returns the export's
 * code (1 on success), -1 when there is no result k. */
int32_t zel_receive_poly(int32_t k, uint32_t nvars, uint32_t nterms, uint32_t* exps,
                         uint32_t* coeffs, uint32_t* next);

#ifdef __cplusplus
}
#endif

#endif /* ZEL_BINDING_H */
