// While a solving mode runs the sparse layer or a server service, their
// ways of ending the process become the engine's fatal error: the caller is
// told and the session can be reset.
#pragma once

#include "engine/mem/messages.hpp"
#include "server/base/runtime.hpp"
#include "sparse/exit.hpp"

namespace zel::ZEL_BUILD {

[[noreturn]] inline void raise_server_fatal(const char* message) {
  orv::fatal_raise = nullptr;
  Fatal("%s", message);
}

struct ExitsRaiseFatal {
  bool saved_sparse = exits_raise_fatal;
  void (*saved_server)(const char*) = orv::fatal_raise;
  ExitsRaiseFatal() {
    exits_raise_fatal = true;
    orv::fatal_raise = raise_server_fatal;
  }
  ~ExitsRaiseFatal() {
    exits_raise_fatal = saved_sparse;
    orv::fatal_raise = saved_server;
  }
  ExitsRaiseFatal(const ExitsRaiseFatal&) = delete;
  ExitsRaiseFatal& operator=(const ExitsRaiseFatal&) = delete;
};

}  // namespace zel::ZEL_BUILD
