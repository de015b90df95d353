#include "support/test_host.hpp"

namespace zel_test {

namespace {
Captured g_captured;

void print(const char* t) { g_captured.printed += t; }
void user_info(const char* t) { g_captured.user_info += t; }
void raise(const char* t) {
  g_captured.raised = t;
  throw HostError(t);
}
int pending() { return g_captured.interrupt_pending ? 1 : 0; }
void check() { g_captured.interrupts_checked++; }
double version() { return g_captured.version; }

const zel::HostServices kTestHost = {print, user_info, raise, pending, check, version};
}  // namespace

Captured& captured() { return g_captured; }

TestHost::TestHost(int verbosity)
    : previous_(zel::set_host(kTestHost)), previous_verbosity_(zel::Zel_verb_info) {
  g_captured = Captured{};
  zel::Zel_verb_info = verbosity;
  zel::reset_info_Maple_count();
}

TestHost::~TestHost() {
  zel::set_host(previous_);
  zel::Zel_verb_info = previous_verbosity_;
}

}  // namespace zel_test
