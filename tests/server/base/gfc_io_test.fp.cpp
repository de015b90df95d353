// GFC on the bus and from the text reader.
#include "server/base/gfc_io.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include "server/log_capture.hpp"

using namespace orv::ORV_BUILD;

TEST(GfcIo, ProtocolWordsAndReducedParsing) {
  init_GFC();
  int fd[2];
  ASSERT_EQ(pipe(fd), 0);
  orv::BUS out(fd[1]), in(fd[0]);
  out_domain_protocol_GFC(out);
  out_protocol_GFC(out, 1234);
  out_GFC(out, 77);
  out.flush();
  uint32_t w[5];
  in.lirei(w, sizeof w);
  EXPECT_EQ(w[0], 9u);
  EXPECT_EQ(w[1], 65521u);
  EXPECT_EQ(w[2], 10u);
  EXPECT_EQ(w[3], 1234u);
  EXPECT_EQ(w[4], 77u);
  close(fd[0]);
  close(fd[1]);

  auto src = orv::String_or_File::of_string("70000 x");
  GFC a = 5;
  parse_raw_GFC(src, a, '<');
  EXPECT_EQ(a, 70000u - 65521u);  // reduced
}

TEST(GfcIoDeath, TextThatDoesNotScanIsRefused) {
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        init_GFC();
        auto src = orv::String_or_File::of_string("  zz>");
        GFC a = 5;
        parse_raw_GFC(src, a, '<');
      },
      ::testing::ExitedWithCode(3), "parse_raw_GFC: \"zz>\" is not an unsigned 32-bit number");
}
