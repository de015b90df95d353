// Text printers: one small value class per output form, each holding its
// stream, with an output operator per kind of value.  The polynomial formats
// add their own operators in the polynomial library.  One copy serves both
// builds (namespace `orv`, printers.once.cpp and pretty.once.cpp).
//
// A printer with no stream (Fortran and Varne before the start-up attaches
// one, Lib before the interpreter sets it) writes nothing.
#pragma once

#include <cstdint>
#include <cstdio>

#include "server/base/boolean.hpp"

namespace orv {

// Layout codes written by the polynomial formats; each form renders them in
// its own way (a code above 4 writes nothing).
enum Special_Char : int {
  SC_MATH = 0,       // Fortran: nothing; TeX: "$"
  SC_ARROW = 1,      // " <- "
  SC_PARAGRAPH = 2,  // blank lines between items
  SC_TIMES = 3,      // "*"; TeX: thin space
  SC_BLANK = 4,      // a blank; TeX: thin space
};

// The Fortran (and Maple) form; Varne_Print, the exchange form, shares its
// scalar operators.  P is the printer class, so that chains keep their type.
template <class P>
struct Fortran_Form {
  FILE* out = nullptr;

  P& attach(FILE* stream) {
    out = stream;
    return static_cast<P&>(*this);
  }
  FILE* detach() { return out; }
  // Closes the stream when one is set; the printer then writes nothing.
  void kill();
  void flush();

  P& operator<<(long v);
  P& operator<<(unsigned long v);
  P& operator<<(unsigned v);
  P& operator<<(int v);
  P& operator<<(double v);       // "%.16lf"
  P& operator<<(long double v);  // "%.10Lf"
  P& operator<<(char c);
  P& operator<<(const char* s);  // a null string writes nothing
  P& operator<<(Special_Char c);
};

struct Fortran_Print : Fortran_Form<Fortran_Print> {
  Fortran_Print();                           // on the current axiom_output
  explicit Fortran_Print(const char* name);  // owns the file opened for writing
};

struct Varne_Print : Fortran_Form<Varne_Print> {
  Varne_Print();  // on the current axiom_output
};

// "%s%d" of a name and an index.
template <class P>
P& var_index(Fortran_Form<P>& p, const char* name, int i);
// "%lx" of an address.
template <class P>
P& hexa(Fortran_Form<P>& p, const void* pointer);
// The four bytes of a 32-bit word as they lie in memory.
template <class P>
P& raw(Fortran_Form<P>& p, uint32_t word);

// TeX: numbers in "%f" single precision, a newline ends the line with "\\".
struct Tex_Print {
  FILE* out = stdout;

  void flush();
  Tex_Print& operator<<(long v);
  Tex_Print& operator<<(unsigned v);
  Tex_Print& operator<<(int v);
  Tex_Print& operator<<(double v);
  Tex_Print& operator<<(long double v);
  Tex_Print& operator<<(char c);
  Tex_Print& operator<<(const char* s);
  Tex_Print& operator<<(Special_Char c);
};
// " $%s_{%d}$ ".
Tex_Print& var_index(Tex_Print& p, const char* name, int i);

// Lisp: always on lisp_file.
struct Lisp_Print {
  void flush();
  Lisp_Print& operator<<(long v);
  Lisp_Print& operator<<(unsigned v);
  Lisp_Print& operator<<(int v);
  Lisp_Print& operator<<(float v);
  Lisp_Print& operator<<(long double v);
  Lisp_Print& operator<<(char c);
  Lisp_Print& operator<<(const char* s);
};
void lisp_long(long l);
void lisp_print(const char* s);
void lisp_Boolean(int b);  // "true" only for 1

// The plain form of the library files.
struct Lib_Print {
  FILE* out = nullptr;

  Lib_Print() = default;
  explicit Lib_Print(FILE* stream) : out(stream) {}
  void flush();
  Lib_Print& operator<<(int v);       // "%d"
  Lib_Print& operator<<(unsigned v);  // "%u"
  Lib_Print& operator<<(const char* s);
  Lib_Print& operator<<(char c);
};

// The type of the global FLUSH; it carries nothing.
struct Flush_All {};

// One column of the pretty printer: raised, base and lowered characters.
struct Stack {
  char sup, base, inf;
};

// The pretty printer: text on a three-line layout (exponents raised, indices
// lowered) written through Output on the log.  Its layout state is global:
// three 1024-byte lines and the next column.  A line breaks before ',' '['
// ']' '+' '-' past column 59, at column 1000, and at a newline.
struct Basic_Print {
  int32_t unused = 0;

  Basic_Print& operator<<(char c);
  Basic_Print& operator<<(const char* s);
  Basic_Print& operator<<(Stack col);  // no break test
  Basic_Print& operator<<(Boolean b);  // "true" when not 0
  Basic_Print& operator<<(unsigned long v);
  Basic_Print& operator<<(unsigned v);
  Basic_Print& operator<<(long v);
  Basic_Print& operator<<(int v);
  Basic_Print& operator<<(long double v);
  Basic_Print& operator+(const char* s);  // raised
  Basic_Print& operator-(const char* s);  // lowered
  Basic_Print& operator+(int v);
  Basic_Print& operator-(int v);
  // Writes the pending lines (all three) and starts a new one.
  void flush();
};

// Layout state of the pretty printer.
inline constexpr int kPrettyWidth = 1024;
extern char ligne1[kPrettyWidth];  // raised text
extern char ligne2[kPrettyWidth];  // base line
extern char ligne3[kPrettyWidth];  // lowered text
extern int cur_loc;                // next column

void pretty_sup_print(const char* s);
void pretty_inf_print(const char* s);
void flush_pretty();
void init_pretty();  // drops pending text
void pretty_print(const char* s);
void pretty_long(long l);
void pretty_Boolean(int b);  // "true" only for 1
void pretty_exp(int e);      // raised, or one blank for 1

// The global printers, constructed at load in this order.
extern Flush_All FLUSH;
extern Basic_Print Pretty;
extern Fortran_Print Fortran;
extern Varne_Print Varne;
extern Tex_Print Tex;
extern Lib_Print Lib;

}  // namespace orv
