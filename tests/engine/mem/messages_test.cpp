// The message sink, its verbosity routing, and fatal errors.
#include <gtest/gtest.h>

#include <string>

#include "engine/api/host.hpp"
#include "engine/mem/messages.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::captured;

namespace {

TEST(Messages, VerbosityRoutesEveryChannel) {
  zel_test::TestHost host(4);
  Output("a%dz", 5);
  Stderr("%s|", "warn");
  Infos("step %u\n", 3u);
  EXPECT_EQ(captured().printed, "a5zwarn|step 3\n");

  zel::Zel_verb_info = 2;
  Output("info %d\n", 1);
  EXPECT_EQ(captured().user_info, "info 1\n");

  zel::Zel_verb_info = 3;
  testing::internal::CaptureStderr();
  Output("to stderr %d\n", 2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "to stderr 2\n");

  for (int v : {0, 5, -1}) {
    zel::Zel_verb_info = v;
    Output("silent\n");
  }
  EXPECT_EQ(captured().printed, "a5zwarn|step 3\n");
  EXPECT_EQ(captured().user_info, "info 1\n");
}

TEST(Messages, PercentSignsReachTheHostUnchanged) {
  for (int v : {1, 4}) {
    zel_test::TestHost host(v);
    Output_string("100%d done\n");
    EXPECT_EQ(captured().printed, "100%d done\n");
  }
}

TEST(Messages, VerbosityOneGroupsFragmentsIntoLines) {
  zel_test::TestHost host(1);
  for (int i = 0; i < 11; i++) Output("%d", i % 10);
  // The eleventh fragment starts a new line.
  EXPECT_EQ(captured().printed, "0123456789\n0");
  captured().printed.clear();
  Output("tail\n");  // a newline ends the group
  Output("[");
  Output("]");
  EXPECT_EQ(captured().printed, "tail\n[\n]");
  captured().printed.clear();
  Output("x\n");
  for (int i = 0; i < 10; i++) Output(".");
  EXPECT_EQ(captured().printed, "x\n..........");
}

TEST(Messages, FatalRaisesTheExactText) {
  zel_test::TestHost host(0);
  EXPECT_RAISES(Fatal("Bad thing %d in %s\n", 42, "here"), "Bad thing 42 in here\n");
  EXPECT_EQ(captured().raised, "Bad thing 42 in here\n");
  EXPECT_RAISES(ZEL_C(Fatal)("%u%%", 7u), "7%");
}

TEST(Messages, FatalRunsTheCleanupFirst) {
  zel_test::TestHost host(0);
  static int cleaned;
  cleaned = 0;
  fatal_cleanup = [] { cleaned++; };
  EXPECT_RAISES(Fatal("x"), "x");
  fatal_cleanup = nullptr;
  EXPECT_EQ(cleaned, 1);
}

TEST(Messages, LongMessagesAreCut) {
  zel_test::TestHost host(4);
  std::string big(100000, 'q');
  Output("%s", big.c_str());
  EXPECT_EQ(captured().printed.size(), size_t(kMessageBuffer - 1));
}

TEST(Messages, AFailureInsideAParallelRegionIsRaisedAfterIt) {
  zel_test::TestHost host(0);
#pragma omp parallel num_threads(4)
  { record_fatal("worker failed %d\n", 1); }
  EXPECT_RAISES(raise_pending_fatal(), "worker failed 1\n");
  raise_pending_fatal();  // nothing left
}

TEST(MessagesDeath, DefaultHostEndsTheProcessWithStatusOne) {
  EXPECT_EXIT(
      {
        zel::set_host(zel::default_host());
        Fatal("Cannot allocate memory !");
      },
      ::testing::ExitedWithCode(1), "Cannot allocate memory !");
}

TEST(MessagesDeath, AHostWhoseRaiseReturnsStillEndsTheProcess) {
  EXPECT_EXIT(
      {
        zel::HostServices h = zel::default_host();
        h.raise = [](const char*) {};
        zel::set_host(h);
        Fatal("gone");
      },
      ::testing::ExitedWithCode(1), "");
}

TEST(Messages, StreamsDefaultToTheStandardOnes) {
  EXPECT_EQ(ZEL_C(stderr), stderr);
  FILE* out = ZEL_C(output);
  set_engine_streams(nullptr, nullptr);
  EXPECT_EQ(ZEL_C(output), out);
  EXPECT_EQ(Flush(), 0);
}

}  // namespace
