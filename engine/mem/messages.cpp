// Messages and fatal errors of one build.
#include "engine/api/entry_guard.hpp"
#include "engine/mem/messages.hpp"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "engine/api/host.hpp"
#include "engine/call_zel.h"

namespace zel::ZEL_BUILD {

FILE* ZEL_C(output) = stdout;
FILE* ZEL_C(stderr) = stderr;
int32_t want_pipe2 = 1;
void (*fatal_cleanup)() = nullptr;

void set_engine_streams(FILE* out, FILE* err) {
  if (out != nullptr) ZEL_C(output) = out;
  if (err != nullptr) ZEL_C(stderr) = err;
}

namespace {

void emit(const char* format, va_list ap) {
  char buf[kMessageBuffer];
  std::vsnprintf(buf, sizeof buf, format, ap);
  info_Maple(buf);
}

int flush_stream(FILE* f) { return f ? std::fflush(f) : 0; }

std::string pending_fatal;
bool has_pending_fatal = false;
// A named OpenMP critical section would export a symbol; a mutex does not.
std::mutex pending_mutex;

}  // namespace

void Output(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  emit(format, ap);
  va_end(ap);
}

void Output_string(const char* s) { info_Maple(s); }

int Stderr(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  emit(format, ap);
  va_end(ap);
  return flush_stream(ZEL_C(stderr));
}

void Infos(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  emit(format, ap);
  va_end(ap);
  flush_stream(want_pipe2 ? ZEL_C(stderr) : ZEL_C(output));
}

int Flush() { return flush_stream(ZEL_C(output)); }

void vFatal(const char* format, va_list ap) {
  char buf[kMessageBuffer];
  std::vsnprintf(buf, sizeof buf, format, ap);
  if (fatal_cleanup != nullptr) fatal_cleanup();
  error_Maple(buf);
}

void Fatal(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  vFatal(format, ap);
}

void record_fatal(const char* format, ...) {
  char buf[kMessageBuffer];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(buf, sizeof buf, format, ap);
  va_end(ap);
  std::lock_guard<std::mutex> lock(pending_mutex);
  if (!has_pending_fatal) {
    pending_fatal = buf;
    has_pending_fatal = true;
  }
}

void raise_pending_fatal() {
  if (!has_pending_fatal) return;
  std::string text;
  text.swap(pending_fatal);
  has_pending_fatal = false;
  Fatal("%s", text.c_str());
}

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT void ZEL_C(Fatal)(const char* format, ...) try {
  ZEL_ENTRY_CLAIM;
  va_list ap;
  va_start(ap, format);
  vFatal(format, ap);
} ZEL_ENTRY_CATCH("Fatal")

ZEL_EXPORT void ZEL_C(Output)(const char* format, ...) try {
  ZEL_ENTRY_CLAIM;
  char buf[kMessageBuffer];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(buf, sizeof buf, format, ap);
  va_end(ap);
  Output_string(buf);
} ZEL_ENTRY_CATCH("Output")

ZEL_EXPORT int ZEL_C(Stderr)(const char* format, ...) try {
  ZEL_ENTRY_CLAIM;
  char buf[kMessageBuffer];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(buf, sizeof buf, format, ap);
  va_end(ap);
  return Stderr("%s", buf);
} ZEL_ENTRY_CATCH("Stderr")

ZEL_EXPORT void ZEL_C(Infos)(const char* format, ...) try {
  ZEL_ENTRY_CLAIM;
  char buf[kMessageBuffer];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(buf, sizeof buf, format, ap);
  va_end(ap);
  Infos("%s", buf);
} ZEL_ENTRY_CATCH("Infos")
