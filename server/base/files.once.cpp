// Installation paths and file opening; shared by both builds (compiled once).
#include "server/base/files.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "server/base/runtime.hpp"
#include "server/io/stubs.hpp"

namespace orv {

int want_Maple_syntax = 0;

static bool home_set = false;
static std::string internal_ORVHOME;

bool has_ORVHOME() { return home_set; }

void set_path_ORVHOME(const char* path) {
  internal_ORVHOME = path ? path : "";
  home_set = true;
}

static std::string up_to_last_slash(const std::string& s) { return s.substr(0, s.rfind('/')); }

void set_ORVHOME(const char* name) {
  if (home_set) return;
  if (name && std::strchr(name, '/')) {
    set_path_ORVHOME(up_to_last_slash(name).c_str());
    return;
  }
  if (name && name[0] == '~') Fatal("Fail to find path in %s [2]\n", name);
  if (!name || !*name) Fatal("Cannot find the home directory of Orv\n");
  std::string found = which_command(name);
  if (found.find('/') == std::string::npos) Fatal("Fail to find path in %s [3]\n", found.c_str());
  set_path_ORVHOME(up_to_last_slash(found).c_str());
}

const std::string& get_ORVHOME() {
  if (!home_set) set_ORVHOME(nullptr);
  return internal_ORVHOME;
}

// PATH as it was at the first search: the directories are its pieces
// between ':'.  (Kept as one string: a vector of strings would leave a
// template instance among the library's exported symbols.)
static bool path_read = false;
static std::string path_dirs;

std::string which_command(const char* name) {
  if (!name || !*name) return name ? name : "";
  if (!path_read) {
    const char* path = std::getenv("PATH");
    if (!path) return name;
    path_dirs = path;
    path_read = true;
  }
  size_t start = 0;
  for (;;) {
    size_t colon = path_dirs.find(':', start);
    std::string candidate =
        path_dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start) +
        "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return name;
}

FILE* try_path(const char* name, const char* dir1, const char* dir2, const char* mode) {
  for (const char* dir : {dir1, dir2}) {
    if (!dir) continue;
    std::string path = std::string(dir) + "/" + name;
    if (FILE* f = fopen(path.c_str(), mode)) return f;
  }
  Fatal("Cannot open %s !\n", name);
}

static bool ends_with(const char* s, const char* tail) {
  size_t n = std::strlen(s), k = std::strlen(tail);
  return n >= k && std::strcmp(s + n - k, tail) == 0;
}

static bool is_compressed(const char* name) {
  return (std::strlen(name) > 2 && ends_with(name, ".gz")) || ends_with(name, ".Z");
}

// Reads a compressed file through gzip without a shell: the file is opened
// here and becomes gzip's standard input, so its name never reaches a
// command line.  gzip runs as a grandchild that init reaps, so closing the
// stream with fclose leaves no zombie behind.
static FILE* open_decompressed(const char* name) {
  std::string gzip = which_command("gzip");
  if (gzip.find('/') == std::string::npos) return nullptr;
  int in = open(name, O_RDONLY | O_CLOEXEC);
  if (in < 0) return nullptr;
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    close(in);
    return nullptr;
  }
  pid_t child = fork();
  if (child == 0) {
    pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    if (dup2(in, 0) < 0 || dup2(pipe_fds[1], 1) < 0) _exit(127);
    execl(gzip.c_str(), "gzip", "-cd", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in);
  close(pipe_fds[1]);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) < 0 || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    close(pipe_fds[0]);
    return nullptr;
  }
  FILE* f = fdopen(pipe_fds[0], "r");
  if (!f) close(pipe_fds[0]);
  return f;
}

// A typed file name holds at most 255 characters; a longer word is taken
// in pieces, the rest waiting for the next prompt.
static constexpr size_t kMaxTypedName = 255;

static bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// One blank-delimited word from the standard input; false at the end of it.
static bool read_word(std::string& word) {
  int c;
  do c = getchar();
  while (is_blank(c));
  if (c == EOF) return false;
  word.clear();
  while (c != EOF && !is_blank(c)) {
    word += char(c);
    if (word.size() == kMaxTypedName) return true;
    c = getchar();
  }
  return true;
}

FILE* ouvrir(const char* name, const char* mode) {
  if (!name) name = "";
  bool reading = std::strcmp(mode, "r") == 0;
  if (std::strcmp(name, "-") == 0) {
    if (reading) return stdin;
    if (std::strcmp(mode, "w") == 0) return stdout;
  }
  FILE* f = reading && is_compressed(name) ? open_decompressed(name) : fopen(name, mode);
  if (f) return f;
  if (!human_user) {
    Perror("fopen(%s,%s)", name, mode);
    Fatal("Fichier %s non ouvrable !\n", name);
  }
  std::string current = name;
  for (;;) {
    Perror("fopen(%s,%s)", current.c_str(), mode);
    if (mode[0] == 'w')
      Output("Je ne peux pas ouvrir %s !\n", current.c_str());
    else if (mode[0] == 'r')
      Output("Je ne peux pas trouver %s !\n", current.c_str());
    else
      Output("Fichier %s non ouvrable !\n", current.c_str());
    Output("Entrer un nouveau nom: ");
    std::string next;
    if (!read_word(next)) Fatal("Fichier %s non ouvrable !\n", current.c_str());
    current = next;
    if ((f = fopen(current.c_str(), mode))) return f;
  }
}

FILE* read_job(const char* name) {
  FILE* f;
  if (!name || !*name) {
    f = ouvrir(last_file_input.c_str(), "r");
  } else if (std::strcmp(name, "-") == 0) {
    f = stdin;
  } else {
    f = ouvrir(name, "r");
    if (f) last_file_input = name;
  }
  if (!f) {
    Erreur(")read ne peut ouvrir %s !\n", name ? name : "");
    return nullptr;
  }
  int from_string = Orv_int_read_from_string;
  Orv_int_read_from_string = 0;
  Orv_int_switch_buffer(f, interactive, from_string);
  return f;
}

const char* name_of_init_file() { return want_Maple_syntax ? ".maplerc" : ".orvrc"; }

void show_help(const char*) {}

}  // namespace orv
