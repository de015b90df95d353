// Captures what the server runtime writes on its log (or on any stream
// global) into a temporary file, and gives it back as a string.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "server/base/runtime.hpp"

namespace orv_test {

struct StreamCapture {
  FILE** target;
  FILE* saved;
  FILE* file;

  explicit StreamCapture(FILE** stream = &orv::log_output)
      : target(stream), saved(*stream), file(std::tmpfile()) {
    *target = file;
  }
  ~StreamCapture() {
    *target = saved;
    std::fclose(file);
  }
  // Everything written so far; the capture goes on.
  std::string text() {
    std::fflush(file);
    long end = std::ftell(file);
    std::string s(size_t(end), '\0');
    std::rewind(file);
    size_t got = std::fread(&s[0], 1, s.size(), file);
    s.resize(got);
    std::fseek(file, 0, SEEK_END);
    return s;
  }
  // The text so far, then starts afresh.
  std::string take() {
    std::string s = text();
    std::fclose(file);
    file = std::tmpfile();
    *target = file;
    return s;
  }
};

// Death tests re-run the binary for the one test, so the child starts with
// the runtime's load-time state.
inline void use_fresh_children() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

}  // namespace orv_test
