// File opening, the home directory, string utilities and sorts (shared by
// both builds, tested once).
#include "server/base/files.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "server/base/sorts.hpp"
#include "server/base/strings.hpp"
#include "server/log_capture.hpp"
#include "support/seeds.hpp"

using namespace orv;

namespace {

// The directories this process made and has not removed yet.  A death
// test's child that is a fresh process runs its test again from the start
// and ends inside it by exit(), which skips the destructors of the test's
// locals: such a child removes its own directories on exit.  A forked child
// leaves alone those of its parent, which is still using them.
class TempDirsLeft {
 public:
  void add(const std::string& path) { left_.push_back({getpid(), path}); }
  void forget(const std::string& path) {
    left_.erase(std::remove_if(left_.begin(), left_.end(),
                               [&](const Made& m) { return m.path == path; }),
                left_.end());
  }
  ~TempDirsLeft() {
    std::error_code ignored;
    for (const Made& m : left_)
      if (m.owner == getpid()) std::filesystem::remove_all(m.path, ignored);
  }

 private:
  struct Made {
    pid_t owner;
    std::string path;
  };
  std::vector<Made> left_;
};

TempDirsLeft& temp_dirs_left() {
  static TempDirsLeft left;
  return left;
}

// A fresh directory for the test's files, removed with them.
struct TempDir {
  std::string path;
  TempDir() {
    char name[] = "/tmp/orv_filesXXXXXX";
    path = mkdtemp(name);
    temp_dirs_left().add(path);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
    temp_dirs_left().forget(path);
  }
  std::string file(const std::string& name, const std::string& text) const {
    std::string p = path + "/" + name;
    std::ofstream(p) << text;
    return p;
  }
};

std::string read_all(FILE* f) {
  std::string s;
  for (int c; (c = getc(f)) != EOF;) s += char(c);
  return s;
}

bool exists(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

}  // namespace

TEST(ServerFiles, DashMeansTheStandardStreams) {
  EXPECT_EQ(ouvrir("-", "r"), stdin);
  EXPECT_EQ(ouvrir("-", "w"), stdout);
}

TEST(ServerFiles, CompressedFilesAreReadThroughGzipAndNamesNeverReachAShell) {
  TempDir dir;
  // A name with blanks and shell characters, compressed.
  std::string plain = dir.file("a b;$(touch x)'q.txt", "x^2+y\n");
  std::string gz = plain + ".gz";
  ASSERT_EQ(std::system(("gzip -c \"" + dir.path + "/a b;\\$(touch x)'q.txt\" > \"" + dir.path +
                         "/a b;\\$(touch x)'q.txt.gz\"")
                            .c_str()),
            0);
  FILE* f = ouvrir(gz.c_str(), "r");
  EXPECT_EQ(read_all(f), "x^2+y\n");
  fclose(f);
  // Opened for writing, a .gz name is a plain file.
  std::string out = dir.path + "/w.gz";
  f = ouvrir(out.c_str(), "w");
  fputs("plain", f);
  fclose(f);
  std::ifstream back(out);
  std::string word;
  back >> word;
  EXPECT_EQ(word, "plain");
  // A name built to run a command when given to a shell opens nothing and
  // runs nothing.
  std::string evil = dir.path + "/none;touch " + dir.path + "/pwned;.gz";
  human_user = 0;
  EXPECT_EXIT(
      {
        log_output = stderr;
        ouvrir(evil.c_str(), "r");
      },
      testing::ExitedWithCode(3), "Fichier .*none;touch .* non ouvrable !\n");
  human_user = 1;
  EXPECT_FALSE(exists(dir.path + "/pwned"));
  EXPECT_FALSE(exists("x"));
}

TEST(ServerFilesDeath, APersonIsAskedForAnotherNameUntilTheInputEnds) {
  orv_test::use_fresh_children();
  TempDir dir;
  std::string good = dir.file("good.txt", "ok");
  std::string answers = dir.file("answers", "  missing1\n" + good + "\n");
  auto ask = [&](const std::string& input, const char* mode) {
    log_output = stdout;
    if (!freopen(input.c_str(), "r", stdin)) exit(9);
    if (!freopen("/dev/null", "w", stdout)) exit(9);
    log_output = stderr;
    FILE* f = ouvrir((dir.path + "/nodir/missing0").c_str(), mode);
    exit(read_all(f) == "ok" ? 0 : 1);
  };
  EXPECT_EXIT(ask(answers, "r"), testing::ExitedWithCode(0),
              "Je ne peux pas trouver .*missing0 !\nEntrer un nouveau nom: .*"
              "Je ne peux pas trouver missing1 !\nEntrer un nouveau nom: $");
  // A typed name holds at most 255 characters: a longer word is read in
  // pieces, each tried as a name.
  std::string long_answers = dir.file("long", std::string(300, 'a') + "\n" + good + "\n");
  EXPECT_EXIT(ask(long_answers, "r"), testing::ExitedWithCode(0),
              "Entrer un nouveau nom: .*Je ne peux pas trouver a{255} !\n.*"
              "Je ne peux pas trouver a{45} !\nEntrer un nouveau nom: $");
  // At the end of the input the prompt gives up.
  std::string empty = dir.file("empty", "   \n");
  EXPECT_EXIT(ask(empty, "r"), testing::ExitedWithCode(3),
              "Entrer un nouveau nom: #error \\(fatal\\): Fichier .*missing0 non ouvrable !\n$");
  EXPECT_EXIT(ask(empty, "w"), testing::ExitedWithCode(3), "Je ne peux pas ouvrir .*missing0 !\n");
  EXPECT_EXIT(ask(empty, "a"), testing::ExitedWithCode(3),
              "Fichier .*missing0 non ouvrable !\nEntrer");
}

TEST(ServerFiles, ReadJobAndTryPath) {
  TempDir dir;
  std::string job = dir.file("job.orv", "job");
  FILE* f = read_job(job.c_str());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(last_file_input, job);
  fclose(f);
  f = read_job("");  // the last input again
  EXPECT_EQ(read_all(f), "job");
  fclose(f);
  EXPECT_EQ(read_job("-"), stdin);
  f = try_path("job.orv", "/nonexistent", dir.path.c_str(), "r");
  EXPECT_EQ(read_all(f), "job");
  fclose(f);
  EXPECT_EXIT((log_output = stderr, try_path("job.orv", nullptr, "/nonexistent", "r")),
              testing::ExitedWithCode(3), "Cannot open job.orv !\n");
  want_Maple_syntax = 1;
  EXPECT_STREQ(name_of_init_file(), ".maplerc");
  want_Maple_syntax = 0;
  EXPECT_STREQ(name_of_init_file(), ".orvrc");
}

TEST(ServerFilesDeath, TheHomeDirectoryComesFromTheProgramName) {
  orv_test::use_fresh_children();
  auto home_of = [](const char* name, const char* expect) {
    log_output = stderr;
    set_ORVHOME(name);
    set_ORVHOME("other/ignored");  // once set, it stays
    exit(get_ORVHOME() == expect ? 0 : 1);
  };
  EXPECT_EXIT(home_of("bin/serveur", "bin"), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(home_of("/serveur", ""), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(home_of("/usr/lib/orv/serveur", "/usr/lib/orv"), testing::ExitedWithCode(0), "");
  std::string sh = which_command("sh");
  ASSERT_NE(sh.find('/'), std::string::npos);
  EXPECT_EXIT(home_of("sh", sh.substr(0, sh.rfind('/')).c_str()), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(home_of("~serveur", ""), testing::ExitedWithCode(3),
              "Fail to find path in ~serveur \\[2\\]\n");
  EXPECT_EQ(which_command("no_such_serveur_here"), "no_such_serveur_here");
  EXPECT_EXIT(home_of("no_such_serveur_here", ""), testing::ExitedWithCode(3),
              "Fail to find path in no_such_serveur_here \\[3\\]\n");
  EXPECT_EXIT((log_output = stderr, get_ORVHOME()), testing::ExitedWithCode(3),
              "Cannot find the home directory of Orv\n");
  EXPECT_EXIT(home_of("", ""), testing::ExitedWithCode(3),
              "Cannot find the home directory of Orv\n");
  set_path_ORVHOME("/opt/orv");
  EXPECT_EQ(get_ORVHOME(), "/opt/orv");
}

TEST(ServerStrings, HashesAndNameParts) {
  EXPECT_EQ(Hash_String(""), 0u);
  EXPECT_EQ(Hash_String("a"), 97u);
  EXPECT_EQ(Hash_String("ab"), 97u * 256 + 98);
  EXPECT_EQ(Hash_String("abcd"), (((97u * 256 + 98) * 256 + 99) * 256 + 100) % 16777213u);
  // Bytes count as signed: 0xFF is -1, which wraps to 2^32 - 1.
  EXPECT_EQ(Hash_String("\xff"), 4294967295u % 16777213u);
  EXPECT_EQ(Hash_String("x\xe9"), (120u * 256 + uint32_t(-23)) % 16777213u);

  char* dir = is_a_path("dir/sub/file", '/');
  EXPECT_STREQ(dir, "dir/sub");
  std::free(dir);
  EXPECT_EQ(is_a_path("file", '/'), nullptr);
  EXPECT_EQ(is_a_path(nullptr, '/'), nullptr);
  EXPECT_EQ(ext_name("job", "orv"), "job.orv");
  EXPECT_EQ(ext_name("job.txt", "orv"), "job.txt");
  EXPECT_EQ(ext_name("job", ""), "job");
  EXPECT_EQ(principale("job.orv.gz"), "job");
  EXPECT_EQ(principale("job"), "job");
}

TEST(ServerSorts, ShellSortsAgreeWithTheStandardSort) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(11);
  EXPECT_EQ(improved_shell_first_gap(20), 13);
  EXPECT_EQ(improved_shell_next_gap(13), 4);
  EXPECT_EQ(improved_shell_next_gap(4), 1);
  EXPECT_EQ(improved_shell_next_gap(1), 0);
  EXPECT_EQ(improved_shell_first_gap(40), 40);
  auto cmp = [](const int* a, const int* b) { return *a > *b ? 1 : *a < *b ? -1 : 0; };
  auto before = [](const int* a, const int* b) { return *a <= *b; };
  for (long n : {0L, 1L, 2L, 20L, 257L}) {
    std::vector<int> values(static_cast<size_t>(n), 0);
    for (auto& v : values) v = int(rng() % 50);
    std::vector<int> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    for (int kind = 0; kind < 3; ++kind) {
      std::vector<int*> ptr;
      for (auto& v : values) ptr.push_back(&v);
      if (kind == 0) shell_sort(ptr.data(), n, cmp);
      if (kind == 1) shell_boolean_sort(ptr.data(), n, before);
      if (kind == 2) improved_shell_sort(ptr.data(), n, cmp);
      std::vector<int> got;
      for (int* p : ptr) got.push_back(*p);
      EXPECT_EQ(got, sorted) << "n=" << n << " kind=" << kind;
    }
  }
}
