// The shared runtime: messages, the fatal path, start-up.  The runtime is one
// copy for both builds, so it is tested from the integer build's binary only.
#include "server/base/runtime.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "server/base/time.hpp"
#include "server/log_capture.hpp"

using namespace orv;
using orv_test::StreamCapture;

TEST(ServerRuntime, MessagesWriteTheirPrefixesOnTheLog) {
  StreamCapture log;
  Output("a=%d\n", 1);
  Warning("w %s\n", "x");
  Erreur("e%d\n", 2);
  Outputc('!');
  EXPECT_EQ(log.take(), "a=1\n#C Warning: w x\nError: e2\n!");

  want_quiet = 1;
  Inform("hidden\n");
  want_quiet = 0;
  Inform("shown\n");
  Output("%s", "");
  EXPECT_EQ(log.take(), "shown\n");

  errno = ENOENT;
  Perror("fopen(%s)", "f");
  EXPECT_EQ(log.take(), std::string("fopen(f) : ") + std::strerror(ENOENT) + "\n");
  EXPECT_EQ(errno, 0);
}

TEST(ServerRuntime, StderrFallsBackToTheStandardErrorStreamAndSwitchOutputSwaps) {
  StreamCapture err(&orv_stderr);
  Stderr("to %s", "err");
  EXPECT_EQ(err.take(), "to err");
  FILE* a = log_output;
  FILE* b = remember_log_output;
  switch_Output();
  EXPECT_EQ(log_output, b);
  EXPECT_EQ(remember_log_output, a);
  switch_Output();
  orv_stderr = nullptr;
  EXPECT_EQ(error_stream(), stderr);
}

TEST(ServerRuntime, TimeAccountsServerSecondsAndDateEndsNoLine) {
  EXPECT_EQ(last_serveur(), 0.0f);
  add_serveur(2.5f);
  add_serveur(1.0f);
  EXPECT_EQ(last_serveur(), 1.0f);
  EXPECT_EQ(delay_serveur(), 3.5f);
  EXPECT_GE(delay(), 0.0f);
  EXPECT_EQ(processSize(), 0);
  EXPECT_FLOAT_EQ(in_seconds(0), 0.0f);

  StreamCapture log;
  Date();
  Output("|");
  std::string s = log.text();
  ASSERT_GT(s.size(), 10u);
  EXPECT_EQ(s.find('\n'), std::string::npos);
  EXPECT_EQ(s.back(), '|');
}

TEST(ServerRuntime, InitAdminSetsNamesAndEpsilon) {
  setenv("ORVEPSILON", "0.5", 1);
  StreamCapture err(&orv_stderr);
  init_admin();
  unsetenv("ORVEPSILON");
  EXPECT_EQ(job_name, "input");
  EXPECT_EQ(last_file_input, "orv.input");
  EXPECT_EQ(epsilon, 0.5L);
  EXPECT_EQ(err.text(), "Change epsilon by ORVEPSILON: 0.500000 !\n");
}

// --- The fatal path, in a child process ---

TEST(ServerRuntimeDeath, FatalWritesTheMessageAndEndsWithStatus3) {
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        log_output = stderr;
        Fatal("bad %d\n", 7);
      },
      testing::ExitedWithCode(3), "^#error \\(fatal\\): bad 7\n$");
  // With want_time, the summary line follows the message.
  EXPECT_EXIT(
      {
        log_output = stderr;
        want_time = 1;
        Fatal("late\n");
      },
      testing::ExitedWithCode(3),
      "#error \\(fatal\\): late\n\n     Total Time: Central ORV: [0-9]+\\.[0-9][0-9] sec \\+ "
      "Serveurs: 0\\.00 sec\n");
}

TEST(ServerRuntimeDeath, AFatalErrorDuringTheShutDownEndsWithStatus5AndWritesNothing) {
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        log_output = stderr;
        Fatal_loop = 1;
        Fatal("never shown\n");
      },
      testing::ExitedWithCode(5), "^$");
}

TEST(ServerRuntimeDeath, ShutDownClosesAStreamNamedTwiceOnlyOnce) {
  orv_test::use_fresh_children();
  // The log, the Lisp output and the Fortran output all on one file, as the
  // bridge leaves them: closing each name would close the file three times.
  EXPECT_EXIT(
      {
        FILE* f = std::tmpfile();
        log_output = axiom_output = lisp_file = caspi_output = f;
        want_log = 1;
        interactive = 0;
        file = f;
        orv_stderr = stderr;
        Fatal("x\n");
      },
      testing::ExitedWithCode(3), "");
}
