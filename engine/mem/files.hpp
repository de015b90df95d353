// Files of one build: the opener that reads and writes gzip-compressed files
// through a gzip child process, the per-process files of the parallel
// change-of-order method, and the one-time start of the server side.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Opens a file; never returns null (a failure is fatal: "Can't open %s%s"
// with the name and a newline).
//  - "-" with mode "r" is the standard input;
//  - a name ending in ".gz" (at least three characters) or ".Z" (at least
//    two) goes through gzip: modes beginning with "r" read, others write;
//  - anything else is fopen(name, mode).
// Close what it returns with fermer (a gzip stream must wait for its child).
FILE* ouvrir(const char* name, const char* mode);

// Decompresses `name` through "gzip -cd"; the file is opened (and checked)
// here, no shell is involved, so any character in the name is safe.
FILE* ropen_gzip(const char* name);
// Compresses into `name` through "gzip -c"; the file is created here.
FILE* wopen_gzip(const char* name);

// Closes a stream from ouvrir; for a gzip stream also waits for gzip.
// Returns 0, or EOF when closing failed or gzip reported an error (a corrupt
// or truncated compressed file).  The standard input is left open.
int fermer(FILE* f);

// The session name of the parallel method's files (empty by default).
extern const char* paral_session_name;
// Writes "Save session in %s for proc %d\n" through Stderr and opens
// "<session>.<proc>" for writing: never through a link, created with mode
// 0600.  The caller closes it (fermer or fclose).
FILE* ouvrir_paral(int32_t proc);

// Starts the server side once per build with the build's output and error
// streams; set when done.
extern int32_t fait;
void lib_init();
// What lib_init starts: the build's Orv_urgent_init_VGF / Orv_urgent_init_GFC
// (a test may put its own in place).
extern void (*server_urgent_init)(FILE* out, FILE* err);

}  // namespace zel::ZEL_BUILD

extern "C" {
// ouvrir_paral under the build's C name (used by the sparse layer).
FILE* ZEL_C(ouvrir_paral)(int32_t proc);
}
