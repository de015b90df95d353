// Server runtime messages, the fatal path and the start-up; shared by both
// builds (compiled once).
#include "server/base/runtime.hpp"

#include <netdb.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "server/base/time.hpp"
#include "server/io/bus.hpp"
#include "server/io/stubs.hpp"

namespace orv {

FILE* log_output = stdout;
FILE* remember_log_output = stdout;
FILE* orv_stderr = nullptr;
FILE* lisp_file = stdout;
FILE* axiom_output = nullptr;
FILE* caspi_output = nullptr;
FILE* file = nullptr;
int interactive = 1;
int memo_interactive = 1;
int want_log = 0;
int want_quiet = 0;
int human_user = 1;
int want_time = 0;
int want_storage = 1;
int Fatal_loop = 0;
std::string job_name = "orv.input";
std::string last_file_input;
long double epsilon = 1e-20L;

FILE* error_stream() { return orv_stderr ? orv_stderr : stderr; }

// A stream may have been closed by close_file and cleared: write nothing then.
static void vwrite(FILE* out, const char* prefix, const char* fmt, va_list ap) {
  if (!out) return;
  if (prefix) fputs(prefix, out);
  vfprintf(out, fmt, ap);
  fflush(out);
}

void Output(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vwrite(log_output, nullptr, fmt, ap);
  va_end(ap);
}

void Warning(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vwrite(log_output, "#C Warning: ", fmt, ap);
  va_end(ap);
}

void Erreur(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vwrite(log_output, "Error: ", fmt, ap);
  va_end(ap);
}

void Perror(const char* fmt, ...) {
  int err = errno;  // the formatting below may change it
  if (log_output) {
    va_list ap;
    va_start(ap, fmt);
    vfprintf(log_output, fmt, ap);
    va_end(ap);
    char text[512];
    const char* why = strerror_r(err, text, sizeof text);
    fprintf(log_output, " : %s\n", why);
    fflush(log_output);
  }
  errno = 0;
}

void Stderr(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vwrite(error_stream(), nullptr, fmt, ap);
  va_end(ap);
}

void Inform(const char* s) {
  if (want_quiet || !log_output || !s) return;
  fputs(s, log_output);
  fflush(log_output);
}

void Outputc(int c) {
  if (!log_output) return;
  fputc(c, log_output);
  fflush(log_output);
}

void Flush() {
  if (log_output) fflush(log_output);
}

void switch_Output() {
  FILE* t = log_output;
  log_output = remember_log_output;
  remember_log_output = t;
}

void (*fatal_raise)(const char* message) = nullptr;

void Fatal(const char* fmt, ...) {
  if (Fatal_loop) _exit(5);
  va_list ap;
  if (fatal_raise != nullptr) {
    char text[1024];
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    fatal_raise(text);
  }
  va_start(ap, fmt);
  vwrite(log_output, "#error (fatal): ", fmt, ap);
  va_end(ap);
  Fatal_loop = 1;
  last_info();
  close_file();
  exit(3);
}

void last_info() {
  if (want_time)
    Output("\n     Total Time: Central ORV: %.2f sec + Serveurs: %.2f sec\n", delay(),
           delay_serveur());
  if (want_storage) {
    Orv_int_how_much_BigNum_I();
    Orv_int_how_much_GC();
  }
}

// Closes a stream once even when several globals name it (the log, the Lisp
// output and the Fortran output are all the standard output at load), and
// clears every global that named it so that later messages are dropped
// instead of written to a closed stream.
static void close_stream(FILE* s) {
  if (!s) return;
  FILE** users[] = {&log_output, &remember_log_output, &axiom_output, &lisp_file, &caspi_output,
                    &file,       &orv_stderr};
  for (FILE** u : users)
    if (*u == s) *u = nullptr;
  fclose(s);
}

void close_file() {
  if (!interactive) close_stream(file);
  if (log_output != axiom_output) {
    if (want_log) close_stream(log_output);
    close_stream(axiom_output);
  } else if ((want_log || axiom_output) && log_output && fileno(log_output) >= 0) {
    close_stream(log_output);
  }
  close_stream(lisp_file);
  close_stream(caspi_output);
  Orv_int_close_all_bus();
}

std::string init_hostname() {
  char name[256];
  if (gethostname(name, sizeof name) != 0) return "localhost";
  name[sizeof name - 1] = 0;
  struct addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_UNSPEC;
  hints.ai_flags = AI_CANONNAME;
  struct addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return "localhost";
  std::string official = found->ai_canonname ? found->ai_canonname : "";
  freeaddrinfo(found);
  return official.empty() ? "localhost" : official;
}

const std::string& host_name() {
  static const std::string name = init_hostname();
  return name;
}

void init_admin() {
  job_name = default_job;
  last_file_input = "orv.input";
  if (const char* e = std::getenv("ORVEPSILON")) {
    epsilon = std::strtold(e, nullptr);
    Stderr("Change epsilon by ORVEPSILON: %f !\n", double(epsilon));
  }
}

}  // namespace orv
