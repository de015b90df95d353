// The engine's host services over the external-call interface.  One host
// serves the whole process, so this file is compiled once.
#include <signal.h>

#include <cstdio>
#include <cstring>

#include "engine/api/binding.hpp"
#include "engine/api/host.hpp"

namespace zel {

HostKernel Maple_kernel = nullptr;
uint32_t* Zel_int_zone = nullptr;

namespace {

// The text is printed as it stands: a "%" in a message reaches the host as
// "%".
void host_print(const char* text) {
  if (Maple_kernel) MaplePrintf(Maple_kernel, "%s", text);
}

void host_user_info(const char* text) {
  if (Maple_kernel) MapleUserInfo(Maple_kernel, 1, "zel", text);
}

// A raise that returns (a host with no call to unwind) leaves the message
// to the default raise, and error_Maple ends the process.
void host_raise(const char* text) {
  if (Maple_kernel) Maple_kernel->raise_error(Maple_kernel, text, nullptr, nullptr);
  default_host().raise(text);
}

int host_interrupt_pending() { return Maple_kernel ? MapleGetInterruptValue(Maple_kernel) : 0; }

void host_check_interrupt() {
  if (Maple_kernel) MapleCheckInterrupt(Maple_kernel);
}

// The number read from the seventh character of the host's "version" option
// ("Maple 13.02 ..." gives 13.02); 5.0 when nothing reads there, 0.0 when the
// host gives no such text.
double host_version() {
  if (!Maple_kernel) return 0.0;
  HostValue v = MapleKernelOptions(Maple_kernel, "version");
  if (IsMaplePointerNULL(Maple_kernel, v)) return 0.0;
  const char* s = MapleToString(Maple_kernel, v);
  if (s == nullptr || std::strlen(s) < 7) return 0.0;
  double version = 5.0;
  if (std::sscanf(s + 6, "%lf", &version) != 1) version = 5.0;
  return version;
}

const HostServices kBindingHost = {host_print,  host_user_info,       host_raise,
                                   host_interrupt_pending, host_check_interrupt,
                                   host_version};

// The handler the process had before the first install; one for both
// builds, so that whichever build installed last, the original comes back.
struct sigaction original_sigint;
bool sigint_saved = false;

// The host unloading the library takes our handlers with it: give SIGINT
// back.
__attribute__((destructor)) void restore_sigint_at_unload() { restore_sigint(); }

}  // namespace

void host_error(HostKernel kv, const char* msg, HostValue a1, HostValue a2) {
  leave_for_host_unwind();
  MapleRaiseError2(kv, msg, a1, a2);
}

void install_sigint(void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, sigint_saved ? nullptr : &original_sigint);
  sigint_saved = true;
}

void restore_sigint() {
  if (!sigint_saved) return;
  sigaction(SIGINT, &original_sigint, nullptr);
  sigint_saved = false;
}

void bind_host(HostKernel kv) {
  Maple_kernel = kv;
  if (current_host().print != host_print) set_host(kBindingHost);
}

}  // namespace zel
