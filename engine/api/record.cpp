// Session recording (see record.hpp).
#include "engine/api/record.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdarg>
#include <cstring>
#include <ctime>

#include "engine/api/entry_guard.hpp"
#include "engine/call_zel.h"

namespace zel::ZEL_BUILD {

int32_t libmode_record = 0;
FILE* record_file = nullptr;
int32_t init_record_file = 0;

namespace {

std::string g_name;

// Creates `name` for writing, refusing to follow a link or to reuse an
// existing file.  Null (errno set) when it cannot.
FILE* create_exclusive(const std::string& name) {
  int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  FILE* f = ::fdopen(fd, "w");
  if (f == nullptr) ::close(fd);
  return f;
}

// base, then base_2, base_3 ... while the name is taken.  Any other failure
// (no such directory, no permission) ends the search.
FILE* create_unique(const std::string& base, std::string& used) {
  for (int k = 1; k <= 1000; ++k) {
    used = k == 1 ? base : base + "_" + std::to_string(k);
    FILE* f = create_exclusive(used);
    if (f != nullptr) return f;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

const char* const kPrologueHead =
    kIntegerBuild ? "#define LIBMODE 2\n" : "#define LIBMODE 1\n";

// A request writes at most Zel_MAXI_BASE results; the inputs made between
// two requests have no bound, so `base` grows with them (entries past those
// made read as null, as in a fixed array).
const char kPrologueRest[] =
    "#include \"call_zel.h\"\n"
    "\n"
    "#define Zel_MAXI_BASE 100000\n\n"
    "static Dpol* base=0;\nstatic size_t room_base=0;\nstatic I32 global_nb=-1;\n"
    "static Dpol resultat[Zel_MAXI_BASE];\n\n"
    "static void room_for_inputs(size_t n)\n{\n"
    "  size_t k;\n"
    "  if (n<=room_base) return;\n"
    "  k=room_base;\n"
    "  room_base=(n>2*room_base) ? n : 2*room_base;\n"
    "  if (room_base<1024) room_base=1024;\n"
    "  base=(Dpol*)realloc(base,room_base*sizeof(Dpol));\n"
    "  if (!base) exit(2);\n"
    "  for (;k<room_base;k++) base[k]=0;\n}\n\n"
    "static void add_input(Dpol h)\n{\n"
    "  room_for_inputs((size_t)global_nb+1);\n"
    "  base[global_nb++]=h;\n}\n\n";

const char kPrologueMain[] =
    "int main(int argc,char**argv)\n{\n"
    "  int want_display=((argc>1) ? atoi(argv[1]) : 0);\n"
    "  int pas0=((argc>2) ? atoi(argv[2]) : 8);\n"
    "  int bk0=((argc>3) ? atoi(argv[3]) : 0);\n"
    "  Dpol_INT prev;\n"
    "  double t0;  global_nb=0;\n";

// Every handle the session made, in order: inputs given out of the creation
// order, and earlier results, are taken from here.
const char kHandleTable[] =
    "static Dpol* handles=0;\nstatic size_t nb_handles=0, room_handles=0;\n"
    "static void keep_handle(Dpol h)\n{\n"
    "  if (nb_handles==room_handles) {\n"
    "    room_handles=room_handles ? 2*room_handles : 1024;\n"
    "    handles=(Dpol*)realloc(handles,room_handles*sizeof(Dpol));\n"
    "    if (!handles) exit(2);\n"
    "  }\n"
    "  handles[nb_handles++]=h;\n}\n\n";

// A program that ends without closing its recording still leaves a replay
// program that compiles.
void close_at_exit() { record("close"); }

// Opens the recording and writes its prologue, once.
void open_record_file() {
  if (record_file != nullptr) return;
  char stamp[256];
  file_name_stamp("/tmp/", stamp, sizeof stamp - 1);
  std::string used;
  FILE* f = create_unique(stamp, used);
  if (f == nullptr) {
    // Say where the recording goes: the caller looks for it under /tmp.
    const std::string wanted = used;
    f = create_unique("zelrecord", used);
    if (f != nullptr)
      Stderr("Can't create %s: the session is recorded in %s (working directory)\n",
             wanted.c_str(), used.c_str());
  }
  if (f == nullptr) Fatal("Can't open %s%s", used.c_str(), "\n");
  static bool exit_hook = false;
  if (!exit_hook) exit_hook = std::atexit(close_at_exit) == 0;
  record_file = f;
  g_name = used;
  init_record_file = 1;
  std::fputs(kPrologueHead, f);
  std::fputs(kPrologueRest, f);
  std::fputs(kHandleTable, f);
  std::fputs(kPrologueMain, f);
}

}  // namespace

const std::string& record_file_name() { return g_name; }

void file_name_stamp(const char* prefix, char* buffer, size_t size) {
  if (size == 0) return;
  int n = std::snprintf(buffer, size, kIntegerBuild ? "%szel_record_" : "%szel_record_modp_",
                        prefix);
  if (n < 0 || size_t(n) >= size) return;
  std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  std::strftime(buffer + n, size - size_t(n), "%a_%e_%b_%Hh_%Mm_%Ss", &local);
}

int record1(const char* text) {
  open_record_file();
  return std::fputs(text, record_file);
}

int record(const char* format, ...) {
  if (std::strcmp(format, "close") == 0) {
    int r = 0;
    if (record_file != nullptr) {
      std::fputs("  exit(0);\n}\n", record_file);
      r = std::fclose(record_file);
    }
    record_file = nullptr;
    init_record_file = 0;
    return r;
  }
  if (std::strcmp(format, "flush") == 0) return record_file ? std::fflush(record_file) : 0;
  char buf[kRecordBuffer];
  va_list ap;
  va_start(ap, format);
  int n = std::vsnprintf(buf, sizeof buf, format, ap);
  va_end(ap);
  if (n < 0 || n >= kRecordBuffer) Fatal("Size of buf for record too small!\n");
  return record1(buf);
}

void debug(int32_t d) {
  if (d != 0)
    record("/* start debug */\n");
  else
    record("close");
}

std::string c_string_body(const char* s) {
  if (s == nullptr) return "(null)";
  std::string out;
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(s); *c; ++c) {
    if (*c == '"' || *c == '\\') {
      out += '\\';
      out += char(*c);
    } else if (*c < 0x20 || *c >= 0x7f || *c == '?') {
      // '?' too: "??" followed by certain characters would be a trigraph.
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\%03o", unsigned(*c));
      out += esc;
    } else {
      out += char(*c);
    }
  }
  return out;
}

}  // namespace zel::ZEL_BUILD

ZEL_EXPORT void ZEL_C(debug)(I32 d) try {
  ZEL_ENTRY_CLAIM;
  zel::ZEL_BUILD::debug(d);
} ZEL_ENTRY_CATCH("debug")
