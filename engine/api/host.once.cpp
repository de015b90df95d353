// The host-services table and the message sink.  They serve both builds, so
// this file is compiled once (with the integer build's objects).
#include "engine/api/host.hpp"

#include "engine/api/entry_claim.hpp"
#include "engine/coef/int_context.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zel {

namespace {

void default_print(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

void default_user_info(const char* text) {
  std::fputs(text, stderr);
  std::fflush(stderr);
}

// A C caller has nobody to unwind into: say what went wrong and let
// error_Maple end the process.
void default_raise(const char* text) {
  std::fputs(text, stderr);
  size_t n = std::strlen(text);
  if (n == 0 || text[n - 1] != '\n') std::fputc('\n', stderr);
  std::fflush(stderr);
}

int default_interrupt_pending() { return 0; }
void default_check_interrupt() {}
double default_version() { return 0.0; }

const HostServices kDefaultHost = {default_print,  default_user_info,         default_raise,
                                   default_interrupt_pending, default_check_interrupt,
                                   default_version};

HostServices g_host = kDefaultHost;

// Fragments printed since the last line break (verbosity 1).
int g_fragment_count = 0;

}  // namespace

int32_t Zel_verb_info = 0;

const HostServices& default_host() { return kDefaultHost; }

HostServices set_host(const HostServices& host) {
  HostServices old = g_host;
  g_host = host;
  return old;
}

const HostServices& current_host() { return g_host; }

void reset_info_Maple_count() { g_fragment_count = 0; }

namespace {
// The host's print and user information may call entries back (host
// callbacks, entry_claim.hpp).
// Closed on return and when the host throws; an outermost claim forgets one
// the host left by longjmp.  GMP has the caller's memory functions meanwhile:
// the host may make integers of its own (the integer build's INT context
// would put them in engine zones).
struct HostCallback {
  const bool gmp_inside = int_build::int_context_active();
  HostCallback() {
    open_host_callback();
    if (gmp_inside) int_build::memo_reset_mp_set_memory_functions_safe();
  }
  ~HostCallback() {
    if (gmp_inside && int_build::int_context_active())
      int_build::memo_mp_set_memory_functions(int_build::bignum_alloc, int_build::bignum_realloc,
                                              int_build::bignum_free);
    close_host_callback();
  }
  HostCallback(const HostCallback&) = delete;
  HostCallback& operator=(const HostCallback&) = delete;
};
void print_on_host(const char* text) {
  const HostCallback callback;
  g_host.print(text);
}
}  // namespace

void info_Maple(const char* text) {
  switch (Zel_verb_info) {
    case 1:
      if (std::strchr(text, '\n') != nullptr) {
        print_on_host(text);
        g_fragment_count = 0;
      } else {
        g_fragment_count++;
        if (std::strchr(text, ']') != nullptr || g_fragment_count >= 11) {
          print_on_host("\n");
          g_fragment_count = 0;
        }
        print_on_host(text);
      }
      break;
    case 2: {
      const HostCallback callback;
      g_host.user_info(text);
      break;
    }
    case 3:
      std::fputs(text, stderr);
      std::fflush(stderr);
      break;
    case 4:
      print_on_host(text);
      break;
    default:
      break;
  }
}

namespace {
// Set while the host's raise runs; stays set when the raise unwinds.  A
// plain global, not a thread_local: raises and the entries that catch them
// run on the host's thread alone (helper threads hand their failures to it),
// and a thread_local of a library loaded with dlopen takes memory from
// malloc at its first use on a thread, where running out aborts the
// process.
bool g_raising = false;
}  // namespace

void error_Maple(const char* text) {
  g_raising = true;
  // The host may unwind by longjmp: nothing of ours would run again on this
  // thread to give the library back.
  leave_for_host_unwind();
  g_host.raise(text);
  g_raising = false;
  std::exit(1);
}

void forget_host_raise() { g_raising = false; }

bool host_raise_in_flight() {
  const bool r = g_raising;
  g_raising = false;
  return r;
}

}  // namespace zel
