// VGF through the printers, the protocol bus (round trip over a pipe) and
// the text reader.
#include "server/base/vgf_io.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "server/io/options.hpp"
#include "server/log_capture.hpp"

using namespace orv::ORV_BUILD;

namespace {

struct VgfIo : ::testing::Test {
  void SetUp() override {
    want_offset_primes = 0;
    set_VGF(2);
  }
};

std::string fortran_text(VGF a) {
  FILE* f = std::tmpfile();
  orv::Fortran_Print p;
  p.attach(f);
  p << a;
  std::fflush(f);
  std::rewind(f);
  char buf[256] = {};
  size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  return std::string(buf, n);
}

}  // namespace

TEST_F(VgfIo, PrinterForms) {
  VGF a = cVGF(-1);
  EXPECT_EQ(fortran_text(a), "<4294967278 4294967290>");
  want_Maple_output = 1;
  EXPECT_EQ(fortran_text(a), "[4294967278,4294967290]");
  want_Maple_output = 0;
  want_raw_binary_output = 1;
  std::string raw = fortran_text(cVGF(1));
  want_raw_binary_output = 0;
  ASSERT_EQ(raw.size(), 9u);
  EXPECT_EQ(raw[0], '{');
  EXPECT_EQ(raw[1], 1);  // the residue's bytes as they lie in memory
  set_VGF(1);
  EXPECT_EQ(fortran_text(cVGF(7)), "7");  // one prime: the bare residue
  orv_test::StreamCapture log;
  orv::Pretty << cVGF(7);
  orv::flush_pretty();
  EXPECT_EQ(log.take(), "   \n<7>\n   \n");  // pretty still brackets it
}

TEST_F(VgfIo, ProtocolRoundTripOverAPipe) {
  int fd[2];
  ASSERT_EQ(pipe(fd), 0);
  orv::BUS out(fd[1]), in(fd[0]);
  VGF a = cVGF(-12345);
  out_VGF(out, a);
  out_domain_protocol_VGF(out, 99);
  out.flush();
  uint32_t r = 0;
  in.lirei(&r, 4);
  EXPECT_EQ(r, 2u);
  VGF b;
  LIRE_VGF(in, b, r);
  EXPECT_TRUE(comp_EQ(a, b));
  uint32_t words[6];
  in.lirei(words, sizeof words);
  EXPECT_EQ(words[0], 172u);
  EXPECT_EQ(words[1], 2u);
  EXPECT_EQ(words[2], VGF::_prime[0]);
  EXPECT_EQ(words[4], 173u);
  EXPECT_EQ(words[5], 0u);
  close(fd[0]);
  close(fd[1]);
}

TEST_F(VgfIo, TextReaderFormsAndUnknownCodes) {
  auto src = orv::String_or_File::of_string(" 5 4294967290 ");
  VGF a;
  parse_raw_VGF(src, a, '<');
  EXPECT_EQ(a.rep[0], 5u);
  EXPECT_EQ(a.rep[1], 4294967290u);
  auto other = orv::String_or_File::of_string("17");
  parse_raw_VGF(other, a, '?');
  EXPECT_TRUE(is_zero(a));  // not left unset

  FILE* f = std::tmpfile();
  const uint32_t words[2] = {3, 4};
  std::fwrite(words, 4, 2, f);
  std::rewind(f);
  auto file = orv::String_or_File::of_file(f);
  parse_raw_VGF(file, a, '{');
  EXPECT_EQ(a.rep[0], 3u);
  EXPECT_EQ(a.rep[1], 4u);
  std::fclose(f);
}

TEST(VgfIoDeath, WrongWidthsAndStringSourcesEndTheProcess) {
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        set_VGF(2);
        orv::BUS bus;
        VGF a;
        LIRE_VGF(bus, a, 3);
      },
      ::testing::ExitedWithCode(3), "Can't read a 3-vector \\(should be 2\\)");
  EXPECT_EXIT(
      {
        set_VGF(2);
        auto src = orv::String_or_File::of_string("abc");
        VGF a;
        parse_raw_VGF(src, a, '{');
      },
      ::testing::ExitedWithCode(3), "NYA read in String_or_File for String");
}

TEST(VgfIoDeath, TextThatDoesNotScanIsRefused) {
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        set_VGF(2);
        auto src = orv::String_or_File::of_string(" 5 zz>");
        VGF a;
        parse_raw_VGF(src, a, '<');
      },
      ::testing::ExitedWithCode(3),
      "parse_raw_VGF: residue 2 of 2: \"zz>\" is not an unsigned 32-bit number");
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        set_VGF(3);
        FILE* f = std::tmpfile();
        const uint32_t word = 7;
        std::fwrite(&word, 4, 1, f);
        std::rewind(f);
        auto file = orv::String_or_File::of_file(f);
        VGF a;
        parse_raw_VGF(file, a, '{');
      },
      ::testing::ExitedWithCode(3), "parse_raw_VGF: read 1 of 3 raw words");
}
