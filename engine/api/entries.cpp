// Small entries of the C interface: threads, scheduler, stop flag, CPU time
// and the debugging stops.
#include <sys/resource.h>
#include <unistd.h>

#include "engine/api/entry_guard.hpp"
#include "engine/api/interrupt.hpp"
#include "engine/api/record.hpp"
#include "engine/api/session.hpp"
#include "engine/api/stop_flag.hpp"
#include "engine/call_zel.h"
#include "engine/driver/threads.hpp"
#include "engine/mem/messages.hpp"

using namespace zel::ZEL_BUILD;

ZEL_EXPORT I32 ZEL_C(internal_threads)(I32 n) try {
  ZEL_ENTRY_CLAIM;
  if (libmode_record)
    record(kIntegerBuild ? "  Zel_int_internal_threads(%d);\n" : "  Zel_internal_threads(%d);\n", n);
  return internal_threads(n);
} ZEL_ENTRY_CATCH("internal_threads")

ZEL_EXPORT I32 ZEL_C(scheduler)(void) {
  ZEL_ENTRY_CLAIM;
  return 0;
}

// Any thread may read the stop flag here.  The host is polled only from
// inside a call, by its thread: the poll may reset the engine's memory and
// unwind through the host, both of which belong to that call.
ZEL_EXPORT I32 ZEL_C(stop_immediately)(void) try {
  const zel::EntryClaim claim(zel::EntryClaim::IfHeld{});
  if (claim.held()) checkInterrupt();
  return ZEL_C(stop_immediately_semaphore);
} ZEL_ENTRY_CATCH("stop_immediately")

ZEL_EXPORT I32 ZEL_C(want_full_lift)(void) {
  ZEL_ENTRY_CLAIM;
  return ZEL_C(want_lift);
}

ZEL_EXPORT double ZEL_C(cpu)(void) try {
  ZEL_ENTRY_CLAIM;
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
} ZEL_ENTRY_CATCH("cpu")

// Holds the process for a debugger to attach; sleeps rather than burning a
// core while it waits.
ZEL_EXPORT void ZEL_C(attendre)(void) try {
  ZEL_ENTRY_CLAIM;
  Stderr("Attendre\n");
  for (;;) pause();
} ZEL_ENTRY_CATCH("attendre")

ZEL_EXPORT I32 ZEL_C(attendre1)(void) {
  ZEL_ENTRY_CLAIM;
  return 1;
}

#ifdef ZEL_VARIANT_FP
// The prime-field build has no GMP context to hold.
ZEL_EXPORT void ZEL_C(enter)(void) {
  ZEL_ENTRY_CLAIM;
}
ZEL_EXPORT void ZEL_C(exit)(void) {
  ZEL_ENTRY_CLAIM;
}
#endif
