// Files of one build.
#include "engine/mem/files.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "engine/api/entry_guard.hpp"
#include "engine/mem/messages.hpp"

extern char** environ;

// The server side's one-time start of this build (server/algo/packages).
#ifdef ZEL_VARIANT_INT
extern "C" void Orv_urgent_init_VGF(FILE* out, FILE* err);
#else
extern "C" void Orv_urgent_init_GFC(FILE* out, FILE* err);
#endif

namespace zel::ZEL_BUILD {

const char* paral_session_name = "";
int32_t fait = 0;
#ifdef ZEL_VARIANT_INT
void (*server_urgent_init)(FILE*, FILE*) = Orv_urgent_init_VGF;
#else
void (*server_urgent_init)(FILE*, FILE*) = Orv_urgent_init_GFC;
#endif

namespace {

// The gzip children of the open streams, so fermer can wait for them.
struct Child {
  FILE* stream;
  pid_t pid;
};
std::vector<Child> children;

bool ends_with(const char* name, size_t len, const char* suffix) {
  size_t n = std::strlen(suffix);
  return len >= n && std::memcmp(name + len - n, suffix, n) == 0;
}

[[noreturn]] void cannot_open(const char* name) { Fatal("Can't open %s%s", name, "\n"); }

// Runs gzip with `args`, its standard input and output on the given
// descriptors.  Returns the child's pid, or -1.
pid_t spawn_gzip(const char* const* args, int in_fd, int out_fd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_fd, 0);
  posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, "gzip", &actions, nullptr, const_cast<char* const*>(args), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

// Opens the gzip pipe: `file_fd` is the compressed file (already opened),
// reading selects the direction.
FILE* gzip_stream(const char* name, int file_fd, bool reading) {
  std::string command = reading ? std::string("gzip -cd ") + name : std::string("gzip -c > ") + name;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    close(file_fd);
    Fatal(reading ? "Can't popen (r) %s\n" : "Can't popen (w) %s\n", command.c_str());
  }
  static const char* const kDecompress[] = {"gzip", "-cd", nullptr};
  static const char* const kCompress[] = {"gzip", "-c", nullptr};
  pid_t pid = reading ? spawn_gzip(kDecompress, file_fd, fds[1])
                      : spawn_gzip(kCompress, fds[0], file_fd);
  close(file_fd);
  FILE* f = nullptr;
  if (pid > 0) f = reading ? fdopen(fds[0], "r") : fdopen(fds[1], "w");
  close(reading ? fds[1] : fds[0]);
  if (f == nullptr) {
    close(reading ? fds[0] : fds[1]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    Fatal(reading ? "Can't popen (r) %s\n" : "Can't popen (w) %s\n", command.c_str());
  }
  children.push_back({f, pid});
  return f;
}

}  // namespace

FILE* ropen_gzip(const char* name) {
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) cannot_open(name);
  return gzip_stream(name, fd, true);
}

FILE* wopen_gzip(const char* name) {
  int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) cannot_open(name);
  return gzip_stream(name, fd, false);
}

FILE* ouvrir(const char* name, const char* mode) {
  const size_t len = std::strlen(name);
  if (std::strcmp(name, "-") == 0 && std::strcmp(mode, "r") == 0) return stdin;
  if ((len >= 3 && ends_with(name, len, ".gz")) || (len >= 2 && ends_with(name, len, ".Z"))) {
    // "rb" must read too: sending it to the writer would truncate the file.
    return mode[0] == 'r' ? ropen_gzip(name) : wopen_gzip(name);
  }
  FILE* f = std::fopen(name, mode);
  if (f == nullptr) cannot_open(name);
  return f;
}

int fermer(FILE* f) {
  if (f == nullptr || f == stdin) return 0;
  for (size_t i = 0; i < children.size(); i++) {
    if (children[i].stream != f) continue;
    pid_t pid = children[i].pid;
    children.erase(children.begin() + long(i));
    int rc = std::fclose(f);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    bool ok = rc == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return ok ? 0 : EOF;
  }
  return std::fclose(f);
}

FILE* ouvrir_paral(int32_t proc) {
  char name[1001];
  int n = std::snprintf(name, sizeof name, "%s.%d", paral_session_name, proc);
  Stderr("Save session in %s for proc %d\n", name, proc);
  // A cut name would be another file: refuse it.
  if (n < 0 || size_t(n) >= sizeof name) cannot_open(name);
  // The file sits in the working directory, which others may write to: a
  // planted link must not redirect the session onto another file, and the
  // session is nobody else's to read.
  int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) cannot_open(name);
  FILE* f = fdopen(fd, "w");
  if (f == nullptr) {
    close(fd);
    cannot_open(name);
  }
  return f;
}

void lib_init() {
  if (fait) return;
  server_urgent_init(ZEL_C(output), ZEL_C(stderr));
  fait = 1;
}

}  // namespace zel::ZEL_BUILD

ZEL_EXPORT FILE* ZEL_C(ouvrir_paral)(int32_t proc) try {
  ZEL_ENTRY_CLAIM;
  return zel::ZEL_BUILD::ouvrir_paral(proc);
} ZEL_ENTRY_CATCH("ouvrir_paral")
