// The host-services table and the message sink.  They serve both builds, so
// this file is compiled once (with the integer build's objects).
#include "engine/api/host.hpp"

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

void info_Maple(const char* text) {
  switch (Zel_verb_info) {
    case 1:
      if (std::strchr(text, '\n') != nullptr) {
        g_host.print(text);
        g_fragment_count = 0;
      } else {
        g_fragment_count++;
        if (std::strchr(text, ']') != nullptr || g_fragment_count >= 11) {
          g_host.print("\n");
          g_fragment_count = 0;
        }
        g_host.print(text);
      }
      break;
    case 2:
      g_host.user_info(text);
      break;
    case 3:
      std::fputs(text, stderr);
      std::fflush(stderr);
      break;
    case 4:
      g_host.print(text);
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
  g_host.raise(text);
  g_raising = false;
  std::exit(1);
}

bool host_raise_in_flight() {
  const bool r = g_raising;
  g_raising = false;
  return r;
}

}  // namespace zel
