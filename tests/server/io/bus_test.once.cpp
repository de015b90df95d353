// The protocol bus over a pipe: byte order, buffering, atoms, the read side.
#include "server/io/bus.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "server/io/string_or_file.hpp"
#include "server/log_capture.hpp"

using namespace orv;

namespace {

struct Pipe {
  int fd[2];
  Pipe() { EXPECT_EQ(pipe(fd), 0); }
  ~Pipe() {
    close(fd[0]);
    if (fd[1] >= 0) close(fd[1]);
  }
  std::vector<unsigned char> drain(size_t n) {
    std::vector<unsigned char> out(n);
    size_t got = 0;
    while (got < n) {
      ssize_t k = read(fd[0], out.data() + got, n - got);
      if (k <= 0) break;
      got += size_t(k);
    }
    out.resize(got);
    return out;
  }
};

}  // namespace

TEST(ServerBus, WritesWordsAndHalfWordsBigEndianWithoutPadding) {
  Pipe p;
  BUS bus(p.fd[1]);
  uint16_t h[3] = {0x0102, 0x0304, 0x0506};
  uint32_t w = 0x0A0B0C0D;
  bus << MSG_ORV_GDMP;
  bus.ecrires(h, 6);
  bus.ecrirei(&w, 4);
  bus.out_Atome("xy", 0);
  out_SI(bus, -2);
  EXPECT_EQ(p.drain(0).size(), 0u);  // nothing leaves before the flush
  bus.flush();
  std::vector<unsigned char> expect = {
      0, 0,  0, 11, 1, 2, 3,   4,   5, 6, 0x0A, 0x0B, 0x0C, 0x0D, 0,    0,
      0, 56, 0, 0,  0, 2, 'x', 'y', 0, 1, 0x86, 0xBC, 0xFF, 0xFF, 0xFF, 0xFE};
  EXPECT_EQ(p.drain(expect.size()), expect);
}

TEST(ServerBus, AFullBufferIsSentBeforeTheItemThatWouldNotFit) {
  Pipe p;
  BUS bus(p.fd[1]);
  std::vector<uint32_t> words(1024, 0x01020304);
  bus.ecrirei(words.data(), 4 * 1023);
  EXPECT_EQ(bus.wpos, 4092u);
  bus.ecrirei(words.data(), 4);  // at 4092 the buffer goes first
  EXPECT_EQ(p.drain(4092).size(), 4092u);
  EXPECT_EQ(bus.wpos, 4u);
  bus.flush();
  p.drain(4);
  std::vector<uint16_t> halves(2048, 0x0102);
  bus.ecrires(halves.data(), 2 * 2047);
  EXPECT_EQ(bus.wpos, 4094u);
  bus.ecrires(halves.data(), 2);
  EXPECT_EQ(p.drain(4094).size(), 4094u);
  EXPECT_EQ(bus.wpos, 2u);
}

TEST(ServerBus, ReadsBackWhatItWroteAcrossBufferBoundaries) {
  Pipe p;
  BUS out(p.fd[1]);
  // 3000 words and 1001 half-words: more than one buffer, and a half-word
  // run that leaves the later words two bytes off their alignment.
  std::vector<uint32_t> words(3000);
  for (uint32_t i = 0; i < words.size(); ++i) words[i] = i * 2654435761u;
  std::vector<uint16_t> halves(1001);
  for (uint16_t i = 0; i < halves.size(); ++i) halves[i] = uint16_t(i * 40503u);
  out.ecrirei(words.data(), 4 * 1500);
  out.ecrires(halves.data(), 2 * 1001);
  out.ecrirei(words.data() + 1500, 4 * 1500);
  float f = 2.5f;
  uint32_t fw[2] = {0, 0};
  std::memcpy(&fw[0], &f, 4);
  out.ecrirei(fw, 8);
  out_SI(out, 12345);
  out << MSG_ORV_End;
  out.flush();
  close(p.fd[1]);
  p.fd[1] = -1;

  BUS in(p.fd[0]);
  std::vector<uint32_t> w2(3000);
  std::vector<uint16_t> h2(1001);
  in.lirei(w2.data(), 4 * 1500);
  in.lires(h2.data(), 2 * 1001);
  in.lirei(w2.data() + 1500, 4 * 1500);
  EXPECT_EQ(w2, words);
  EXPECT_EQ(h2, halves);
  float g = 0;
  in >> g;
  EXPECT_EQ(g, 2.5f);
  int32_t i = 0;
  in_SI(in, i);
  EXPECT_EQ(i, 12345);
  Messages m = MSG_ORV_UNKNOWN;
  in >> m;
  EXPECT_EQ(m, MSG_ORV_End);
}

TEST(ServerBus, MessageNamesForTraces) {
  EXPECT_STREQ(Messages_to_String(MSG_ORV_UNKNOWN), "MSG_ORV_UNKNOWN");
  EXPECT_STREQ(Messages_to_String(MSG_ORV_NIL), "MSG_ORV_NIL");
  EXPECT_STREQ(Messages_to_String(MSG_ORV_NOT_NIL), "MSG_ORV_NOT_NIL");
  EXPECT_STREQ(Messages_to_String(MSG_ORV_Constante), "MSG_ORV_Constante");
  EXPECT_STREQ(Messages_to_String(Messages(2)), "MSG ?");
}

TEST(ServerBusDeath, AMissingTagOrTheEndOfTheStreamIsFatal) {
  orv_test::use_fresh_children();
  auto read_after = [](uint32_t word, bool more) {
    log_output = stderr;
    int fd[2];
    if (pipe(fd) != 0) exit(9);
    BUS out(fd[1]);
    out.ecrirei(&word, 4);
    if (more) out.ecrirei(&word, 4);
    out.flush();
    close(fd[1]);
    BUS in(fd[0]);
    int32_t i;
    in_SI(in, i);
    in_SI(in, i);
    exit(0);
  };
  EXPECT_EXIT(read_after(7, true), testing::ExitedWithCode(3),
              "#error \\(fatal\\): Expected a small integer");
  EXPECT_EXIT(read_after(MSG_TAV_SI, false), testing::ExitedWithCode(3), "end of input");
}

TEST(ServerStringOrFile, ScanReadsUnsignedNumbersFromStringsAndFiles) {
  auto s = String_or_File::of_string("  12 7x 99999999999 4294967295");
  unsigned v = 0;
  EXPECT_TRUE(s.scan(v));
  EXPECT_EQ(v, 12u);
  EXPECT_TRUE(s.scan(v));
  EXPECT_EQ(v, 7u);
  EXPECT_FALSE(s.scan(v));  // 'x' is not a number and stays to be read
  EXPECT_EQ(s.get(), 'x');
  EXPECT_FALSE(s.scan(v));  // too large for 32 bits
  EXPECT_EQ(v, 7u);
  EXPECT_TRUE(s.scan(v));
  EXPECT_EQ(v, 4294967295u);
  EXPECT_FALSE(s.scan(v));

  FILE* f = std::tmpfile();
  std::fputs("\n 31\t5", f);
  std::rewind(f);
  auto file = String_or_File::of_file(f);
  EXPECT_EQ(file.kind, 0);
  EXPECT_TRUE(file.scan(v));
  EXPECT_EQ(v, 31u);
  EXPECT_TRUE(file.scan(v));
  EXPECT_EQ(v, 5u);
  EXPECT_FALSE(file.scan(v));
  std::fclose(f);
}

TEST(ServerStringOrFile, RawWordsComeFromFilesOnly) {
  FILE* f = std::tmpfile();
  const uint32_t words[3] = {1, 0xFFFFFFFFu, 7};
  std::fwrite(words, 4, 3, f);
  std::rewind(f);
  auto file = String_or_File::of_file(f);
  uint32_t got[4] = {};
  EXPECT_EQ(file.read(got, 2), 2u);
  EXPECT_EQ(got[1], 0xFFFFFFFFu);
  EXPECT_EQ(file.read(got, 4), 1u);  // only one word was left
  EXPECT_EQ(got[0], 7u);
  std::fclose(f);
  String_or_File other;
  other.kind = 2;
  EXPECT_EQ(other.read(got, 1), 0xFFFFFFFFu);
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        orv_stderr = stderr;
        auto s = String_or_File::of_string("12");
        s.read(got, 1);
      },
      testing::ExitedWithCode(3), "^NYA read in String_or_File for String\n$");
}
