// The file opener, gzip streams and the per-process files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/mem/files.hpp"
#include "engine/mem/messages.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;

namespace {

struct FilesTest : ::testing::Test {
  zel_test::TestHost host{4};
  std::string dir;
  std::string cwd;
  void SetUp() override {
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    cwd = buf;
    char tmpl[] = "/tmp/zel_files_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    ASSERT_EQ(chdir(cwd.c_str()), 0);
    std::system(("rm -rf '" + dir + "'").c_str());
  }
  std::string path(const std::string& leaf) const { return dir + "/" + leaf; }
};

std::string slurp(FILE* f) {
  std::string s;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  return s;
}

std::string file_bytes(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool exists(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

TEST_F(FilesTest, GzipRoundTripWithAHostileName) {
  // Shell syntax in a name is only a name.
  const std::string name = path("a b;touch pwned;'$(touch pwned2)\".gz");
  std::string text;
  for (int i = 0; i < 20000; i++) text += "line " + std::to_string(i) + "\n";
  FILE* w = ouvrir(name.c_str(), "w");
  std::fputs(text.c_str(), w);
  EXPECT_EQ(fermer(w), 0);
  EXPECT_FALSE(exists("pwned"));
  EXPECT_FALSE(exists(path("pwned")));
  EXPECT_FALSE(exists("pwned2"));
  std::string raw = file_bytes(name);
  ASSERT_GE(raw.size(), 2u);
  EXPECT_EQ(uint8_t(raw[0]), 0x1f);  // really compressed
  EXPECT_EQ(uint8_t(raw[1]), 0x8b);
  EXPECT_LT(raw.size(), text.size());
  FILE* r = ouvrir(name.c_str(), "r");
  EXPECT_EQ(slurp(r), text);
  EXPECT_EQ(fermer(r), 0);
  // "rb" reads as well; it must not truncate the file.
  r = ouvrir(name.c_str(), "rb");
  EXPECT_EQ(slurp(r), text);
  EXPECT_EQ(fermer(r), 0);
}

TEST_F(FilesTest, CompressedSuffixes) {
  const std::string z = path(".Z");  // the suffix alone still means gzip
  FILE* w = ouvrir(z.c_str(), "w");
  std::fputs("hello\n", w);
  EXPECT_EQ(fermer(w), 0);
  EXPECT_EQ(uint8_t(file_bytes(z)[0]), 0x1f);
  FILE* r = ouvrir(z.c_str(), "r");
  EXPECT_EQ(slurp(r), "hello\n");
  fermer(r);
  // A two-character name is tested for ".Z" only, and "gz" is not ".gz".
  ASSERT_EQ(chdir(dir.c_str()), 0);
  FILE* plain = ouvrir("gz", "w");
  std::fputs("plain", plain);
  fermer(plain);
  EXPECT_EQ(file_bytes(path("gz")), "plain");
  ASSERT_EQ(chdir(cwd.c_str()), 0);
}

TEST_F(FilesTest, MissingOrCorruptCompressedFilesFail) {
  const std::string missing = path("missing.gz");
  EXPECT_RAISES(ouvrir(missing.c_str(), "r"), "Can't open " + missing + "\n");
  const std::string bad = path("bad.gz");
  {
    std::ofstream out(bad);
    out << "this is not gzip data";
  }
  FILE* r = ouvrir(bad.c_str(), "r");
  slurp(r);
  EXPECT_EQ(fermer(r), EOF);
  const std::string nodir = path("no/such/dir/x.gz");
  EXPECT_RAISES(ouvrir(nodir.c_str(), "w"), "Can't open " + nodir + "\n");
  const std::string nodir2 = path("no/such/dir/x.txt");
  EXPECT_RAISES(ouvrir(nodir2.c_str(), "w"), "Can't open " + nodir2 + "\n");
}

TEST_F(FilesTest, DashIsStandardInputOnlyForReading) {
  EXPECT_EQ(ouvrir("-", "r"), stdin);
  EXPECT_EQ(fermer(stdin), 0);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  FILE* f = ouvrir("-", "w");
  std::fputs("dash", f);
  fermer(f);
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  EXPECT_EQ(file_bytes(path("-")), "dash");
}

TEST_F(FilesTest, PerProcessFiles) {
  std::string session = path("sess");
  const char* saved = paral_session_name;
  paral_session_name = session.c_str();
  FILE* f = ZEL_C(ouvrir_paral)(3);
  std::fputs("[1,2]", f);
  std::fclose(f);
  paral_session_name = saved;
  EXPECT_EQ(file_bytes(session + ".3"), "[1,2]");
  EXPECT_EQ(zel_test::captured().printed,
            "Save session in " + session + ".3 for proc 3\n");
}

TEST(LibInit, StartsTheServerSideOnce) {
  static int starts;
  static FILE* err_seen;
  starts = 0;
  auto saved = server_urgent_init;
  server_urgent_init = [](FILE*, FILE* err) {
    starts++;
    err_seen = err;
  };
  int32_t was = fait;
  fait = 0;
  lib_init();
  lib_init();
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(err_seen, ZEL_C(stderr));
  fait = was;
  server_urgent_init = saved;
}

}  // namespace
