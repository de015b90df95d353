// A host for tests: captures what the engine prints and turns a raised error
// into a C++ exception, so tests can check messages without ending the
// process.
#pragma once

#include <stdexcept>
#include <string>

#include "engine/api/host.hpp"

namespace zel_test {

// What a raise throws; what() is the engine's message.
struct HostError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Everything the host received since the last clear.
struct Captured {
  std::string printed;    // host print
  std::string user_info;  // host user information
  std::string raised;     // the last raised message
  int interrupts_checked = 0;
  bool interrupt_pending = false;
  double version = 0.0;
};
Captured& captured();

// Installs the capturing host and a verbosity, clears the capture; restores
// the previous host and verbosity when destroyed.
struct TestHost {
  explicit TestHost(int verbosity = 4);
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

 private:
  zel::HostServices previous_;
  int previous_verbosity_;
};

}  // namespace zel_test

// Expects `statement` to raise a host error whose text is exactly `text`.
#define EXPECT_RAISES(statement, text)                                  \
  do {                                                                  \
    try {                                                               \
      statement;                                                        \
      ADD_FAILURE() << "no error raised by " #statement;                \
    } catch (const zel_test::HostError& e_) {                           \
      EXPECT_EQ(std::string(e_.what()), std::string(text));             \
    }                                                                   \
  } while (0)
