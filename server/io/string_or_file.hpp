// The text reader's character source: a file or a string.  One copy serves
// both builds (namespace `orv`, string_or_file.once.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace orv {

struct String_or_File {
  int kind = 0;                // 0 a file, 1 a string
  FILE* stream = nullptr;      // the file, when kind is 0
  const char* text = nullptr;  // the string, when kind is 1 (not owned)
  size_t pos = 0;

  static String_or_File of_file(FILE* f) {
    String_or_File s;
    s.kind = 0;
    s.stream = f;
    return s;
  }
  static String_or_File of_string(const char* t) {
    String_or_File s;
    s.kind = 1;
    s.text = t;
    return s;
  }

  // The next character, EOF at the end.
  int get();
  // Gives back the character get() returned last.
  void unget(int c);
  // Reads one unsigned decimal number after blanks.  False, with v unchanged,
  // when no digit comes or the number does not fit 32 bits.
  bool scan(unsigned& v);
  // The number scan reads.  When none comes there (no digit, or more than 32
  // bits), ends through the server's Fatal with a message that begins with
  // `what` and quotes the word read instead (cut at 32 characters), or says
  // that the input ended.
  unsigned scan_or_fail(const char* what);
  // n raw 32-bit words from a file source with one block read; the count
  // read.  A string source cannot give raw words: the process ends with
  // status 3.  Any other source gives 0xFFFFFFFF.
  uint32_t read(uint32_t* buf, uint32_t n);
};

}  // namespace orv
