// The pretty printer's three-line layout; shared by both builds (compiled
// once).
#include <cstring>

#include "server/base/printers.hpp"
#include "server/base/runtime.hpp"

namespace orv {

char ligne1[kPrettyWidth];
char ligne2[kPrettyWidth];
char ligne3[kPrettyWidth];
int cur_loc = 0;

void Basic_Print::flush() {
  if (cur_loc == 0) return;
  ligne1[cur_loc] = ligne2[cur_loc] = ligne3[cur_loc] = 0;
  Output("%s\n%s\n%s\n", ligne1, ligne2, ligne3);
  cur_loc = 0;
}

static bool breaks_before(char c) { return std::strchr(",[]+-", c) != nullptr && c != 0; }

// One column with c on `line` (1 raised, 2 base, 3 lowered) and blanks on
// the two others.  The line is full at 1000 columns; past column 59 it
// breaks before a separator so that long sums wrap at their terms.
static void put_column(char c, int line) {
  if (cur_loc > 999) Pretty.flush();
  if (cur_loc > 59 && breaks_before(c)) Pretty.flush();
  if (c == '\n') {
    Pretty.flush();
    return;
  }
  ligne1[cur_loc] = line == 1 ? c : ' ';
  ligne2[cur_loc] = line == 2 ? c : ' ';
  ligne3[cur_loc] = line == 3 ? c : ' ';
  ++cur_loc;
}

static void put_text(const char* s, int line) {
  if (!s) return;
  for (; *s; ++s) put_column(*s, line);
}

Basic_Print& Basic_Print::operator<<(char c) {
  put_column(c, 2);
  return *this;
}
Basic_Print& Basic_Print::operator<<(const char* s) {
  put_text(s, 2);
  return *this;
}
Basic_Print& Basic_Print::operator<<(Stack col) {
  if (cur_loc >= 1000) flush();
  ligne1[cur_loc] = col.sup;
  ligne2[cur_loc] = col.base;
  ligne3[cur_loc] = col.inf;
  ++cur_loc;
  return *this;
}
Basic_Print& Basic_Print::operator<<(Boolean b) { return *this << (b != 0 ? "true" : "false"); }

#define ORV_PRETTY_PUT(Type, Format, Cast)        \
  Basic_Print& Basic_Print::operator<<(Type v) {  \
    char text[64];                                \
    snprintf(text, sizeof text, Format, Cast(v)); \
    put_text(text, 2);                            \
    return *this;                                 \
  }
ORV_PRETTY_PUT(unsigned long, "%lu", )
ORV_PRETTY_PUT(unsigned, "%u", )
ORV_PRETTY_PUT(long, "%ld", )
ORV_PRETTY_PUT(int, "%d", )
#undef ORV_PRETTY_PUT

Basic_Print& Basic_Print::operator<<(long double v) {
  char text[64];
  snprintf(text, sizeof text, "%f", double(float(v)));
  put_text(text, 2);
  return *this;
}

Basic_Print& Basic_Print::operator+(const char* s) {
  put_text(s, 1);
  return *this;
}
Basic_Print& Basic_Print::operator-(const char* s) {
  put_text(s, 3);
  return *this;
}
Basic_Print& Basic_Print::operator+(int v) {
  char text[16];
  snprintf(text, sizeof text, "%d", v);
  return *this + static_cast<const char*>(text);
}
Basic_Print& Basic_Print::operator-(int v) {
  char text[16];
  snprintf(text, sizeof text, "%d", v);
  return *this - static_cast<const char*>(text);
}

void pretty_sup_print(const char* s) { put_text(s, 1); }
void pretty_inf_print(const char* s) { put_text(s, 3); }
void flush_pretty() { Pretty.flush(); }
void init_pretty() {
  cur_loc = 0;
  flush_pretty();
}
void pretty_print(const char* s) { Pretty << s; }
void pretty_long(long l) { Pretty << l; }
void pretty_Boolean(int b) { Pretty << (b == 1 ? "true" : "false"); }
void pretty_exp(int e) {
  if (e != 1)
    Pretty + e;
  else
    Pretty << ' ';
}

}  // namespace orv
