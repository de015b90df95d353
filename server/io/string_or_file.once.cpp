// The text reader's character source; shared by both builds (compiled once).
#include "server/io/string_or_file.hpp"

#include <cctype>
#include <cstdint>
#include <cstdlib>

#include "server/base/runtime.hpp"

namespace orv {

int String_or_File::get() {
  if (kind == 0) return stream ? getc(stream) : EOF;
  if (!text || text[pos] == 0) return EOF;
  return static_cast<unsigned char>(text[pos++]);
}

void String_or_File::unget(int c) {
  if (c == EOF) return;
  if (kind == 0) {
    if (stream) ungetc(c, stream);
  } else if (pos > 0) {
    --pos;
  }
}

bool String_or_File::scan(unsigned& v) {
  int c;
  do c = get();
  while (c != EOF && std::isspace(c));
  if (c == EOF || !std::isdigit(c)) {
    unget(c);
    return false;
  }
  uint64_t value = 0;
  bool fits = true;
  for (; c != EOF && std::isdigit(c); c = get()) {
    value = value * 10 + unsigned(c - '0');
    if (value > UINT32_MAX) {
      fits = false;
      value = UINT32_MAX;  // keep reading the digits, but stay bounded
    }
  }
  unget(c);
  if (!fits) return false;
  v = unsigned(value);
  return true;
}

uint32_t String_or_File::read(uint32_t* buf, uint32_t n) {
  if (kind == 0) return stream ? static_cast<uint32_t>(std::fread(buf, 4, n, stream)) : 0;
  if (kind == 1) {
    std::fputs("NYA read in String_or_File for String\n", error_stream());
    std::fflush(error_stream());
    std::exit(3);
  }
  return 0xFFFFFFFFu;
}

}  // namespace orv
