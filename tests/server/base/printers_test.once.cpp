// The printers and the pretty printer's three-line layout (shared by both
// builds, tested once).
#include "server/base/printers.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "server/log_capture.hpp"

using namespace orv;
using orv_test::StreamCapture;

namespace {

// The three lines of each pretty block written on the log.
struct Block {
  std::string sup, base, inf;
};
std::vector<Block> blocks(const std::string& log) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = log.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(log.substr(start, nl - start));
  std::vector<Block> out;
  for (size_t i = 0; i + 2 < lines.size(); i += 3)
    out.push_back({lines[i], lines[i + 1], lines[i + 2]});
  return out;
}

}  // namespace

TEST(ServerPretty, OneCharacterThenANewlineGivesThreeLines) {
  StreamCapture log;
  init_pretty();
  Pretty << 'x' << '\n';
  EXPECT_EQ(log.take(), " \nx\n \n");
  Pretty << '\n';  // nothing pending: nothing written
  flush_pretty();
  EXPECT_EQ(log.take(), "");
}

TEST(ServerPretty, LongLinesBreakBeforeSeparatorsPastColumn59OrAt1000) {
  StreamCapture log;
  init_pretty();
  // A separator up to column 59 stays on the line; the first one past it
  // starts a new line.
  std::string head(59, 'a');
  Pretty << head.c_str() << '+' << "bbbb" << '-' << "c";
  flush_pretty();
  auto b = blocks(log.take());
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0].base, head + "+bbbb");
  EXPECT_EQ(b[1].base, "-c");
  for (char sep : std::string(",[]+-")) {
    init_pretty();
    Pretty << std::string(61, 'y').c_str() << sep;
    flush_pretty();
    auto s = blocks(log.take());
    ASSERT_EQ(s.size(), 2u) << sep;
    EXPECT_EQ(s[1].base, std::string(1, sep));
  }
  // Text without separators breaks only when the line is full.
  init_pretty();
  Pretty << std::string(1500, 'z').c_str();
  flush_pretty();
  b = blocks(log.take());
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0].base.size(), 1000u);
  EXPECT_EQ(b[1].base.size(), 500u);
  EXPECT_EQ(b[0].sup, std::string(1000, ' '));
}

TEST(ServerPretty, RaisedAndLoweredColumnsAndScalars) {
  StreamCapture log;
  init_pretty();
  Pretty << "x";
  Pretty + 12;
  Pretty << '*' << "y";
  Pretty - "i";
  pretty_exp(1);
  pretty_exp(3);
  Pretty << Stack{'^', '=', '_'};
  flush_pretty();
  EXPECT_EQ(log.take(), " 12    3^\nx  *y   =\n     i  _\n");

  Pretty << Boolean(2) << ' ';
  pretty_Boolean(2);
  Pretty << ' ' << Boolean(0) << ' ' << 7UL << ' ' << -3L << ' ' << 5u << ' ' << 1.5L;
  pretty_long(-9);
  flush_pretty();
  auto b = blocks(log.take());
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].base, "true false false 7 -3 5 1.500000-9");

  // init_pretty drops what is pending.
  Pretty << "lost";
  init_pretty();
  EXPECT_EQ(log.take(), "");
}

TEST(ServerPrinters, FortranAndExchangeFormsWriteTheirLayoutCodes) {
  FILE* target = nullptr;
  StreamCapture cap(&target);
  Fortran_Print p;
  p.attach(cap.file);
  p << SC_MATH << '|' << SC_ARROW << '|' << SC_PARAGRAPH << '|' << SC_TIMES << '|' << SC_BLANK
    << '|' << Special_Char(5) << '|';
  p << static_cast<const char*>(nullptr) << 3 << ' ' << -4L << ' ' << 5u << ' ' << 6UL << ' ' << 0.5
    << ' ' << 0.25L;
  var_index(p, "x", 2) << ' ';
  hexa(p, reinterpret_cast<const void*>(0xabcUL));
  raw(p, 0x64636261u);
  p.flush();
  EXPECT_EQ(cap.take(), "| <- |\n\n |*| ||3 -4 5 6 0.5000000000000000 0.2500000000x2 abcabcd");

  Varne_Print v;
  v.attach(cap.file);
  v << "v" << SC_TIMES << 1;
  var_index(v, "y", 0);
  v.flush();
  EXPECT_EQ(cap.take(), "v*1y0");
}

TEST(ServerPrinters, PrintersWithoutAStreamWriteNothing) {
  Fortran_Print p;
  p.attach(nullptr);
  p << "x" << 1 << 2.0 << SC_ARROW << 'c';
  var_index(p, "x", 1);
  raw(p, 1);
  p.flush();
  p.kill();
  Varne_Print v;
  v.attach(nullptr);
  v << "x" << 3u;
  Lib_Print lib;
  lib << "x" << 1 << 2u << 'c';
  lib.flush();
  FILE* saved = lisp_file;
  lisp_file = nullptr;
  Lisp_Print lisp;
  lisp << "x" << 1 << 2.0f;
  lisp_Boolean(1);
  lisp_file = saved;
  Tex_Print t;
  t.out = nullptr;
  t << "x" << '\n' << SC_PARAGRAPH;
  SUCCEED();
}

TEST(ServerPrinters, TexLispAndLibForms) {
  FILE* target = nullptr;
  StreamCapture cap(&target);
  Tex_Print t;
  t.out = cap.file;
  t << 'a' << '\n'
    << SC_MATH << SC_ARROW << SC_PARAGRAPH << SC_TIMES << SC_BLANK << Special_Char(9) << 0.1 << ' '
    << 2L << ' ' << 3u;
  var_index(t, "x", 4);
  t.flush();
  EXPECT_EQ(
      cap.take(),
      "a \\\\\n$ $\\leftarrow$ \n\n\\vspace*{5mm}\n\n\\noindent \\,\\,\\,0.100000 2 3 $x_{4}$ ");

  StreamCapture lisp(&lisp_file);
  Lisp_Print l;
  l << 1 << ' ' << 2L << ' ' << 3u << ' ' << 0.5f << ' ' << 0.25L << ' ' << "s"
    << static_cast<const char*>(nullptr);
  lisp_Boolean(1);
  lisp_Boolean(2);
  lisp_long(-1);
  lisp_print(nullptr);
  EXPECT_EQ(lisp.take(), "1 2 3 0.500000 0.250000 struefalse-1");

  Lib_Print lib(cap.file);
  Lib_Print other;
  other = lib;
  other << -1 << ' ' << 4000000000u << ' ' << "t";
  other.flush();
  EXPECT_EQ(cap.take(), "-1 4000000000 t");
}

TEST(ServerPrinters, AFortranPrinterOnAFileOwnsIt) {
  char name[] = "/tmp/orv_fortranXXXXXX";
  int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  close(fd);
  Fortran_Print p(name);
  p << "abc";
  p.kill();
  p << "dropped";
  FILE* f = std::fopen(name, "r");
  char text[16] = {};
  ASSERT_NE(std::fgets(text, sizeof text, f), nullptr);
  std::fclose(f);
  std::remove(name);
  EXPECT_STREQ(text, "abc");
}
