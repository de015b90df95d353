// A solving mode's refusal of a request for what it saw modulo the primes
// of its batch: no solution, infinitely many, a last variable that does not
// separate the solutions.  Modulo a prime that is bad for the system any of
// these can be seen where the system has none of them, and an input can be
// built against primes known in advance.  While the integer build's loop
// over batches runs a pass (RefusalsUnwind), a refusal therefore unwinds to
// it as a Refusal, and the loop raises it, with the same message, only once
// a batch of drawn primes refuses as well.  Everywhere else, and always in
// the prime-field build, whose prime is the caller's, a refusal is the
// fatal error it says.
#pragma once

#include <string>

#include "engine/mem/messages.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct Refusal {
  std::string message;
};

[[noreturn]] void Refuse(const char* format, ...) ZEL_PRINTF(1, 2);

// While one lives, Refuse throws its Refusal instead of raising it.
extern bool refusals_unwind;
struct RefusalsUnwind {
  RefusalsUnwind();
  ~RefusalsUnwind();
  RefusalsUnwind(const RefusalsUnwind&) = delete;
  RefusalsUnwind& operator=(const RefusalsUnwind&) = delete;

 private:
  bool saved_;
};

}  // namespace zel::ZEL_BUILD
