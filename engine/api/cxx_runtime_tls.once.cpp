// The C++ runtime's per-thread data (what a throw and a catch keep) in the
// threads' static blocks, never allocated on a thread's first throw.
//
// A host loads the library with dlopen, and a host written in C brings the
// C++ runtime in with it.  The C library then gives the runtime's per-thread
// data to each thread only at that thread's first use, taking it from
// malloc, and ends the process (status 127) when malloc fails there: the
// first bad_alloc thrown on a thread, helpers included, would do so once
// memory has run out.  A reference through a TLS descriptor to one of the
// runtime's thread-local variables makes the C library try, when it loads
// us, to place the runtime's block in the space it keeps for such modules in
// every thread; when it cannot (a host used the runtime's data before it
// loaded us), the reference falls back to the allocation at first use, as
// without it, and the helper threads take their blocks as they start
// (touch_cxx_runtime_tls).  (An initial-exec reference would force the
// placement and make the load itself fail in that case.)  This file is
// compiled with TLS descriptors where the compiler takes the option (see
// CMakeLists.txt); elsewhere on x86-64 (clang 14) the reference is written
// in assembly.  The anchor is never run: its relocation, made at load, is
// what counts.
#include "engine/api/cxx_runtime_tls.hpp"

#include <exception>
#include <mutex>

namespace zel {

#if defined(ZEL_TLS_DESCRIPTORS) || !defined(__x86_64__)
void* cxx_runtime_tls_anchor() { return &std::__once_callable; }
#else
// What a compiler emits for &std::__once_callable with TLS descriptors, for
// its relocation alone: never executed.
asm(".pushsection .text\n"
    "zel_cxx_runtime_tls_anchor:\n"
    "\tleaq _ZSt15__once_callable@TLSDESC(%rip), %rax\n"
    "\tcall *_ZSt15__once_callable@TLSCALL(%rax)\n"
    "\tret\n"
    ".popsection\n");
#endif

// The count of exceptions in flight lives in that block.  (The runtime
// declares the call pure: a result never used would let it go.)
void touch_cxx_runtime_tls() {
  volatile int in_flight = std::uncaught_exceptions();
  (void)in_flight;
}

}  // namespace zel
