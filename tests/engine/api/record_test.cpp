// The session recording: file creation, commands, the prologue and the
// records of the set-up calls.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/api/record.hpp"
#include "support/test_host.hpp"
#include "tests/engine/api/api_session.hpp"

using namespace zel::ZEL_BUILD;

namespace {

std::string slurp(const std::string& name) {
  std::ifstream in(name);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

struct RecordTest : ::testing::Test {
  zel_test::TestHost host{0};
  std::vector<std::string> made;
  // Closes the recording and remembers its file for removal.
  std::string close_recording() {
    std::string name = record_file_name();
    record("close");
    made.push_back(name);
    return name;
  }
  void TearDown() override {
    if (record_file) close_recording();
    libmode_record = 0;
    for (auto& f : made) std::remove(f.c_str());
    ZEL_C(reset_memory)();
  }
};

TEST_F(RecordTest, CommandsAndPrologue) {
  ASSERT_EQ(record_file, nullptr);
  const std::string before = record_file_name();
  record("flush");  // never opens a file
  EXPECT_EQ(record_file, nullptr);
  EXPECT_EQ(record_file_name(), before);
  // debug(1) opens a file even while recording is off.
  ZEL_C(debug)(1);
  ASSERT_NE(record_file, nullptr);
  EXPECT_EQ(init_record_file, 1);
  const std::string name = record_file_name();
  EXPECT_EQ(name.rfind(kIntegerBuild ? "/tmp/zel_record_" : "/tmp/zel_record_modp_", 0), 0u);
  ZEL_C(debug)(0);
  record("close");  // a second close writes nothing
  made.push_back(name);
  EXPECT_EQ(record_file, nullptr);
  EXPECT_EQ(init_record_file, 0);
  const std::string text = slurp(name);
  const std::string head = kIntegerBuild ? "#define LIBMODE 2\n" : "#define LIBMODE 1\n";
  EXPECT_EQ(text.rfind(head + "#include \"call_zel.h\"\n\n#define Zel_MAXI_BASE 100000\n\n", 0), 0u);
  EXPECT_NE(text.find("  double t0;  global_nb=0;\n/* start debug */\n  exit(0);\n}\n"),
            std::string::npos);
  EXPECT_EQ(count(text, "exit(0)"), 1u);
}

// A program that ends without switching the recording off still leaves a
// complete replay program.
TEST(RecordDeathTest, TheRecordingIsClosedAtExit) {
  const std::string marker = "/tmp/zel_record_test_exit_" + std::to_string(getpid());
  EXPECT_EXIT(
      {
        record("/* exit test */\n");
        std::FILE* m = std::fopen(marker.c_str(), "w");
        std::fputs(record_file_name().c_str(), m);
        std::fclose(m);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  const std::string name = slurp(marker);
  std::remove(marker.c_str());
  ASSERT_FALSE(name.empty());
  const std::string text = slurp(name);
  std::remove(name.c_str());
  EXPECT_NE(text.find("/* exit test */\n  exit(0);\n}\n"), std::string::npos);
}

TEST_F(RecordTest, RecordingsAreNeverOverwrittenNorLinksFollowed) {
  // A victim file and links planted at the names of this second and the next
  // few (the clock may tick during the test).
  const std::string victim = "/tmp/zel_record_test_victim_" + std::to_string(getpid());
  { std::ofstream(victim) << "keep"; }
  made.push_back(victim);
  std::vector<std::string> links;
  for (int dt = 0; dt < 3; ++dt) {
    char stamp[256];
    std::time_t t = std::time(nullptr) + dt;
    std::tm local;
    localtime_r(&t, &local);
    char when[128];
    std::strftime(when, sizeof when, "%a_%e_%b_%Hh_%Mm_%Ss", &local);
    std::snprintf(stamp, sizeof stamp, "/tmp/%s%s",
                  kIntegerBuild ? "zel_record_" : "zel_record_modp_", when);
    if (symlink(victim.c_str(), stamp) == 0) links.push_back(stamp);
  }
  record("/* one */\n");
  const std::string first = close_recording();
  record("/* two */\n");
  const std::string second = close_recording();
  for (auto& l : links) {
    EXPECT_NE(first, l);
    EXPECT_NE(second, l);
    std::remove(l.c_str());
  }
  EXPECT_NE(first, second);
  EXPECT_EQ(slurp(victim), "keep");
  EXPECT_NE(slurp(first).find("/* one */"), std::string::npos);
  EXPECT_NE(slurp(second).find("/* two */"), std::string::npos);
  EXPECT_EQ(slurp(second).find("/* one */"), std::string::npos);
}

TEST_F(RecordTest, OverlongRecordsAreRefusedAndNamesEscaped) {
  std::string big(kRecordBuffer, 'a');
  EXPECT_RAISES(record("%s", big.c_str()), "Size of buf for record too small!\n");
  EXPECT_EQ(c_string_body("x\"y\\z\n?\?=\t"), "x\\\"y\\\\z\\012\\077\\077=\\011");
  EXPECT_EQ(c_string_body("plain_1"), "plain_1");
}

TEST_F(RecordTest, SetUpCallsAreRecordedBeforeTheyRun) {
  ZEL_C(reset_memory)();
  ZEL_C(init_urgent)(sizeof(Dom), 2, "DRLDRL", 100000, 1);
  ZEL_C(init)(1, 1, 0, nullptr);
  char a[] = "a\"b", b[] = "c";
  char* names[] = {a, b};
  ZEL_C(reset_expos)(1, 1, names);
  // A refused call is in the recording too.
  EXPECT_RAISES(ZEL_C(init_urgent)(sizeof(Dom), 2, "LEX", 100000, 1),
                "Zel was compiled for a elimination ordering and Orv for LEX\n");
  const std::string text = slurp(close_recording());
  const std::string init_urgent = "  ZEL(init_urgent)(" + std::to_string(sizeof(Dom)) +
                                  ",2,\"DRLDRL\",100000,0); /* sizeof(Dom), sizeof(NNI) */\n";
  EXPECT_NE(text.find(init_urgent + "  ZEL(init)(1,1,0,log_output);\n"), std::string::npos);
  EXPECT_NE(text.find("  {\n    char* vars[2]={\"a\\\"b\",\"c\"};\n    ZEL(reset_expos)(1,1,vars);\n  }\n"),
            std::string::npos);
  EXPECT_NE(text.find("\"LEX\""), std::string::npos);
}

#ifdef ZEL_VARIANT_FP
TEST_F(RecordTest, APolynomialOfMTermsRecordsOneLinePerCall) {
  ZEL_C(reset_memory)();
  ZEL_C(init_urgent)(2, 2, "DRLDRL", 100000, 1);
  ZEL_C(init)(1, 1, 0, nullptr);
  UI32 pr[] = {65521};
  ZEL_C(reset_coeffs)(1, pr);
  ZEL_C(reset_expos)(0, 2, zel_test::test_names(2));
  void* h = ZEL_C(creat_poly)(3);
  for (UI32 i = 0; i < 3; ++i) {
    I32 e[] = {I32(i), 2};
    ZEL_C(set_expos2)(h, i, e, 2);
    ZEL_C(set_coeff_I32)(h, i, -I32(i));
  }
  ZEL_C(full_sort_poly2)(h);
  ZEL_C(internal_threads)(1);
  const std::string text = slurp(close_recording());
  EXPECT_NE(text.find("  {\n    UI32 pr[]={(UI32)(65521)};\n    ZEL(reset_coeffs)(1,pr);\n  }\n"),
            std::string::npos);
  EXPECT_EQ(count(text, "  prev=ZEL(creat_poly)(3);\n  add_input(prev);\n"), 1u);
  EXPECT_EQ(count(text, "ZEL(set_expos2)(prev,"), 3u);
  EXPECT_NE(text.find("  {\n    I32 e[2]={2,2};\n    ZEL(set_expos2)(prev,2,e,2);\n  }\n"),
            std::string::npos);
  EXPECT_EQ(count(text, "ZEL(set_coeff_I32)(prev,"), 3u);
  EXPECT_NE(text.find("  ZEL(set_coeff_I32)(prev,2,-2);\n"), std::string::npos);
  EXPECT_EQ(count(text, "  ZEL(full_sort_poly2)(prev);\n"), 1u);
  EXPECT_NE(text.find("  Zel_internal_threads(1);\n"), std::string::npos);
}
#endif

}  // namespace
