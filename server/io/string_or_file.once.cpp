// The text reader's character source; shared by both builds (compiled once).
#include "server/io/string_or_file.hpp"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "server/base/runtime.hpp"

namespace orv {

namespace {
// How much of a word that is not a number a message shows.
constexpr size_t kShownChars = 32;
}  // namespace

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

unsigned String_or_File::scan_or_fail(const char* what) {
  int c;
  do c = get();
  while (c != EOF && std::isspace(c));
  // Keep the word as read, so that the message shows it.
  std::string word;
  uint64_t value = 0;
  bool number = c != EOF && std::isdigit(c);
  for (; c != EOF && std::isdigit(c); c = get()) {
    if (word.size() < kShownChars) word += char(c);
    value = value * 10 + unsigned(c - '0');
    if (value > UINT32_MAX) {
      number = false;
      value = UINT32_MAX;  // keep reading the digits, but stay bounded
    }
  }
  if (number) {
    unget(c);
    return unsigned(value);
  }
  for (; c != EOF && !std::isspace(c) && word.size() < kShownChars; c = get()) word += char(c);
  unget(c);
  if (word.empty()) Fatal("%s: the input ends where a number should be\n", what);
  Fatal("%s: \"%s\" is not an unsigned 32-bit number\n", what, word.c_str());
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
