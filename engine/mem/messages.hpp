// The engine's text runtime, one per build: printf-style messages that all
// end in the host's message sink (info_Maple, routed by the verbosity), the
// fatal-error path, and the build's output and error streams.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "engine/variant.hpp"

#define ZEL_PRINTF(f, a) __attribute__((format(printf, f, a)))

namespace zel::ZEL_BUILD {

// The build's output stream (standard output until the session set-up gives
// a log stream) and error stream (standard error).  Only flushed here: the
// text itself goes through info_Maple.  The sparse layer writes its progress
// on ZEL_C(stderr).
extern FILE* ZEL_C(output);
extern FILE* ZEL_C(stderr);
// Which stream Infos flushes: the error stream when non-zero.
extern int32_t want_pipe2;

// Sets both streams (the engine's early initialisation calls this with
// stdout and stderr; a null stream leaves that stream unchanged).
void set_engine_streams(FILE* out, FILE* err);

// Messages are formatted into a buffer of this size; longer ones are cut.
inline constexpr int kMessageBuffer = 65526;

// General output channel: monomials, coefficients, polynomials, reports.
void Output(const char* format, ...) ZEL_PRINTF(1, 2);
// Integer build: the string unformatted (the prime-field build prints it too).
void Output_string(const char* s);
// Warnings and progress notes; flushes the error stream afterwards.
int Stderr(const char* format, ...) ZEL_PRINTF(1, 2);
// Progress lines of the main loop; flushes the stream chosen by want_pipe2.
void Infos(const char* format, ...) ZEL_PRINTF(1, 2);
// Flushes the output stream.
int Flush();

// Runs before a fatal error is raised (the integer build's GMP layer leaves
// its context here).  Null when nothing needs undoing.
extern void (*fatal_cleanup)();

// Formats the message and raises it as a host error (error_Maple); the host
// unwinds the call.  If the host's raise returns, the process ends with
// status 1.  Must run on the host's thread (not inside an OpenMP worker: use
// record_fatal there and raise_pending_fatal after the parallel region).
[[noreturn]] void Fatal(const char* format, ...) ZEL_PRINTF(1, 2);
[[noreturn]] void vFatal(const char* format, va_list ap);

// Inside an OpenMP region: keeps the first message of any thread; returns.
void record_fatal(const char* format, ...) ZEL_PRINTF(1, 2);
// After the region: raises the kept message, if any, through Fatal.
void raise_pending_fatal();

// Always 0.
inline int GetTick() { return 0; }

}  // namespace zel::ZEL_BUILD

// The same services under the build's C names (Zel_int_Fatal / Zel_Fatal ...).
extern "C" {
void ZEL_C(Fatal)(const char* format, ...) __attribute__((noreturn)) ZEL_PRINTF(1, 2);
void ZEL_C(Output)(const char* format, ...) ZEL_PRINTF(1, 2);
int ZEL_C(Stderr)(const char* format, ...) ZEL_PRINTF(1, 2);
void ZEL_C(Infos)(const char* format, ...) ZEL_PRINTF(1, 2);
}
