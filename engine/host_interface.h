/* The host's external-call interface, as the binding sees it.
 *
 * A computer-algebra host loads libzel.so and calls the binding's entries
 * (zel_gbasis_init, zel_int_send_poly, ...) with its kernel handle and the
 * sequence of host values it was given.  Everything the binding asks of the
 * host goes through the kernel handle: it points at a table of operations
 * that the host fills.  The inline functions below give those operations
 * their names; each takes the kernel handle first.
 *
 * Conventions the binding relies on:
 * - Arguments are counted from 1 (MapleArg(kv, args, 1) is the first).
 * - The raise operations do not return: the host unwinds the call, by an
 *   exception or, as a host written in C must, by longjmp (then no
 *   destructor or catch block of the library runs).  The interrupt check
 *   may unwind the same way.  A host with no call to unwind may return from
 *   a raise; the wrappers below then end the process with the message and
 *   status 1.
 * - In a raised message "%N" is replaced by the host's text of value N and
 *   "%-N" by its ordinal ("4th"); other text stays as it is.
 * - MaplePrintf is printf-style: a "%" that is to be printed must be "%%".
 * - Host values stay alive as long as the host keeps them; values the
 *   binding returns belong to the host.
 * - The data block of an rtable is reached in place; an rtable created over
 *   a foreign block leaves that block to its creator. */
#ifndef ZEL_HOST_INTERFACE_H
#define ZEL_HOST_INTERFACE_H

#include <gmp.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A value of the host (integer, string, name, list, rtable, expression, ...). */
typedef struct HostObject* HostValue;
struct HostOperations;
/* The kernel handle: the host's table of operations. */
typedef const struct HostOperations* HostKernel;

/* Data type codes of rtables. */
#define HOST_RT_INTEGER32 4
#define HOST_RT_FLOAT64 8
/* Element orders of rtables. */
#define HOST_RT_FORTRAN_ORDER 0
#define HOST_RT_C_ORDER 1

/* The settings of an rtable that the binding reads or sets. */
typedef struct {
  int32_t data_type;         /* HOST_RT_... */
  int32_t order;             /* HOST_RT_C_ORDER or HOST_RT_FORTRAN_ORDER */
  int32_t foreign;           /* non-zero: the data block is not the host's */
  int32_t num_dimensions;
  HostValue index_functions; /* the host's null pointer when there are none */
} HostRTableSettings;

struct HostOperations {
  int32_t (*num_args)(HostKernel kv, HostValue args);
  HostValue (*arg)(HostKernel kv, HostValue args, int32_t i);
  int32_t (*is_integer32)(HostKernel kv, HostValue v);
  int32_t (*to_integer32)(HostKernel kv, HostValue v);
  HostValue (*from_integer)(HostKernel kv, long n);
  HostValue (*from_float)(HostKernel kv, double x);
  HostValue (*from_string)(HostKernel kv, const char* s);
  HostValue (*null_value)(HostKernel kv);
  char* (*to_string)(HostKernel kv, HostValue v);
  int32_t (*is_rtable)(HostKernel kv, HostValue v);
  void (*rtable_settings)(HostKernel kv, HostRTableSettings* s, HostValue rt);
  void* (*rtable_data)(HostKernel kv, HostValue rt);
  uint64_t (*rtable_num_elements)(HostKernel kv, HostValue rt);
  void (*rtable_defaults)(HostKernel kv, HostRTableSettings* s);
  HostValue (*rtable_create)(HostKernel kv, const HostRTableSettings* s, void* data,
                             const int32_t* bounds);
  int32_t (*is_pointer_null)(HostKernel kv, HostValue v);
  int32_t (*is_unassigned_name)(HostKernel kv, HostValue v);
  int32_t (*is_null)(HostKernel kv, HostValue v);
  int32_t (*is_list)(HostKernel kv, HostValue v);
  uint64_t (*list_length)(HostKernel kv, HostValue list);
  HostValue (*list_select)(HostKernel kv, HostValue list, int32_t i);
  HostValue (*list_alloc)(HostKernel kv, int32_t n);
  void (*list_assign)(HostKernel kv, HostValue list, int32_t i, HostValue v);
  void (*to_gmp_integer)(HostKernel kv, HostValue v, mpz_ptr out);
  HostValue (*from_gmp_integer)(HostKernel kv, mpz_srcptr z);
  HostValue (*numeric_add)(HostKernel kv, HostValue a, HostValue b);
  HostValue (*numeric_multiply)(HostKernel kv, HostValue a, HostValue b);
  HostValue (*numeric_power)(HostKernel kv, HostValue a, HostValue b);
  void (*assign)(HostKernel kv, HostValue name, HostValue value);
  void (*gc_protect)(HostKernel kv, HostValue v);
  void (*raise_error)(HostKernel kv, const char* msg, HostValue a1, HostValue a2);
  void (*vprintf)(HostKernel kv, const char* format, va_list ap);
  void (*user_info)(HostKernel kv, int32_t level, const char* name, const char* text);
  HostValue (*kernel_option)(HostKernel kv, const char* option);
  int32_t (*interrupt_value)(HostKernel kv);
  void (*check_interrupt)(HostKernel kv);
};

#if defined(__GNUC__)
#define HOST_NORETURN __attribute__((noreturn))
#else
#define HOST_NORETURN
#endif

static inline int32_t MapleNumArgs(HostKernel kv, HostValue args) { return kv->num_args(kv, args); }
static inline HostValue MapleArg(HostKernel kv, HostValue args, int32_t i) {
  return kv->arg(kv, args, i);
}
static inline int32_t IsMapleInteger32(HostKernel kv, HostValue v) {
  return kv->is_integer32(kv, v);
}
static inline int32_t MapleToInteger32(HostKernel kv, HostValue v) {
  return kv->to_integer32(kv, v);
}
static inline HostValue ToMapleInteger(HostKernel kv, long n) { return kv->from_integer(kv, n); }
static inline HostValue ToMapleFloat(HostKernel kv, double x) { return kv->from_float(kv, x); }
static inline HostValue ToMapleString(HostKernel kv, const char* s) {
  return kv->from_string(kv, s);
}
static inline HostValue ToMapleNULL(HostKernel kv) { return kv->null_value(kv); }
/* The string's characters; they belong to the host. */
static inline char* MapleToString(HostKernel kv, HostValue v) { return kv->to_string(kv, v); }
static inline int32_t IsMapleRTable(HostKernel kv, HostValue v) { return kv->is_rtable(kv, v); }
static inline void RTableGetSettings(HostKernel kv, HostRTableSettings* s, HostValue rt) {
  kv->rtable_settings(kv, s, rt);
}
static inline void* RTableDataBlock(HostKernel kv, HostValue rt) { return kv->rtable_data(kv, rt); }
static inline uint64_t RTableNumElements(HostKernel kv, HostValue rt) {
  return kv->rtable_num_elements(kv, rt);
}
static inline void RTableGetDefaults(HostKernel kv, HostRTableSettings* s) {
  kv->rtable_defaults(kv, s);
}
/* A new rtable with the settings s and, per dimension, a lower and an upper
 * bound.  With data null the host allocates (and zeroes) the block; with a
 * foreign block the rtable is a view of it. */
static inline HostValue RTableCreate(HostKernel kv, const HostRTableSettings* s, void* data,
                                     const int32_t* bounds) {
  return kv->rtable_create(kv, s, data, bounds);
}
static inline int32_t IsMaplePointerNULL(HostKernel kv, HostValue v) {
  return kv->is_pointer_null(kv, v);
}
static inline int32_t IsMapleUnassignedName(HostKernel kv, HostValue v) {
  return kv->is_unassigned_name(kv, v);
}
static inline int32_t IsMapleNULL(HostKernel kv, HostValue v) { return kv->is_null(kv, v); }
static inline int32_t IsMapleList(HostKernel kv, HostValue v) { return kv->is_list(kv, v); }
static inline uint64_t MapleListLength(HostKernel kv, HostValue list) {
  return kv->list_length(kv, list);
}
static inline HostValue MapleListSelect(HostKernel kv, HostValue list, int32_t i) {
  return kv->list_select(kv, list, i);
}
static inline HostValue MapleListAlloc(HostKernel kv, int32_t n) { return kv->list_alloc(kv, n); }
static inline void MapleListAssign(HostKernel kv, HostValue list, int32_t i, HostValue v) {
  kv->list_assign(kv, list, i, v);
}
/* Sets out (initialised by the caller) to the host integer v. */
static inline void MapleToGMPInteger(HostKernel kv, HostValue v, mpz_ptr out) {
  kv->to_gmp_integer(kv, v, out);
}
static inline HostValue GMPIntegerToMaple(HostKernel kv, mpz_srcptr z) {
  return kv->from_gmp_integer(kv, z);
}
static inline HostValue MapleNumericAdd(HostKernel kv, HostValue a, HostValue b) {
  return kv->numeric_add(kv, a, b);
}
static inline HostValue MapleNumericMultiply(HostKernel kv, HostValue a, HostValue b) {
  return kv->numeric_multiply(kv, a, b);
}
static inline HostValue MapleNumericPower(HostKernel kv, HostValue a, HostValue b) {
  return kv->numeric_power(kv, a, b);
}
static inline void MapleAssign(HostKernel kv, HostValue name, HostValue value) {
  kv->assign(kv, name, value);
}
static inline void MapleGcProtect(HostKernel kv, HostValue v) { kv->gc_protect(kv, v); }
/* After a raise that returned: the message (its values left out) on the
 * standard error stream, and the process ends with status 1. */
static inline HOST_NORETURN void HostRaiseReturned(const char* msg) {
  size_t n = strlen(msg);
  fputs(msg, stderr);
  if (n == 0 || msg[n - 1] != '\n') fputc('\n', stderr);
  fflush(stderr);
  exit(1);
}
static inline HOST_NORETURN void MapleRaiseError(HostKernel kv, const char* msg) {
  kv->raise_error(kv, msg, 0, 0);
  HostRaiseReturned(msg);
}
static inline HOST_NORETURN void MapleRaiseError1(HostKernel kv, const char* msg, HostValue a1) {
  kv->raise_error(kv, msg, a1, 0);
  HostRaiseReturned(msg);
}
static inline HOST_NORETURN void MapleRaiseError2(HostKernel kv, const char* msg, HostValue a1,
                                                  HostValue a2) {
  kv->raise_error(kv, msg, a1, a2);
  HostRaiseReturned(msg);
}
static inline void MaplePrintf(HostKernel kv, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
static inline void MaplePrintf(HostKernel kv, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  kv->vprintf(kv, format, ap);
  va_end(ap);
}
static inline void MapleUserInfo(HostKernel kv, int32_t level, const char* name, const char* text) {
  kv->user_info(kv, level, name, text);
}
/* The kernel option named (e.g. "version"), or the host's null pointer. */
static inline HostValue MapleKernelOptions(HostKernel kv, const char* option) {
  return kv->kernel_option(kv, option);
}
static inline int32_t MapleGetInterruptValue(HostKernel kv) { return kv->interrupt_value(kv); }
/* Unwinds into the host when the user interrupted; returns otherwise. */
static inline void MapleCheckInterrupt(HostKernel kv) { kv->check_interrupt(kv); }

#ifdef __cplusplus
}
#endif

#endif /* ZEL_HOST_INTERFACE_H */
