// The stream printers and the global printer objects; shared by both builds
// (compiled once).
#include "server/base/printers.hpp"

#include "server/base/files.hpp"
#include "server/base/runtime.hpp"

namespace orv {

// --- Fortran and exchange forms ---

static void fortran_special(FILE* out, Special_Char c) {
  static const char* const text[] = {"", " <- ", "\n\n ", "*", " "};
  if (out && unsigned(c) <= 4) fputs(text[c], out);
}

template <class P>
void Fortran_Form<P>::kill() {
  if (out) fclose(out);
  out = nullptr;
}

template <class P>
void Fortran_Form<P>::flush() {
  if (out) fflush(out);
}

#define ORV_FORTRAN_PUT(Type, Format)      \
  template <class P>                       \
  P& Fortran_Form<P>::operator<<(Type v) { \
    if (out) fprintf(out, Format, v);      \
    return static_cast<P&>(*this);         \
  }
ORV_FORTRAN_PUT(long, "%ld")
ORV_FORTRAN_PUT(unsigned long, "%lu")
ORV_FORTRAN_PUT(unsigned, "%u")
ORV_FORTRAN_PUT(int, "%d")
ORV_FORTRAN_PUT(double, "%.16lf")
ORV_FORTRAN_PUT(long double, "%.10Lf")
#undef ORV_FORTRAN_PUT

template <class P>
P& Fortran_Form<P>::operator<<(char c) {
  if (out) fputc(c, out);
  return static_cast<P&>(*this);
}

template <class P>
P& Fortran_Form<P>::operator<<(const char* s) {
  if (out && s) fputs(s, out);
  return static_cast<P&>(*this);
}

template <class P>
P& Fortran_Form<P>::operator<<(Special_Char c) {
  fortran_special(out, c);
  return static_cast<P&>(*this);
}

template <class P>
P& var_index(Fortran_Form<P>& p, const char* name, int i) {
  if (p.out) fprintf(p.out, "%s%d", name ? name : "", i);
  return static_cast<P&>(p);
}

template <class P>
P& hexa(Fortran_Form<P>& p, const void* pointer) {
  if (p.out)
    fprintf(p.out, "%lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(pointer)));
  return static_cast<P&>(p);
}

template <class P>
P& raw(Fortran_Form<P>& p, uint32_t word) {
  if (p.out) fwrite(&word, 4, 1, p.out);
  return static_cast<P&>(p);
}

template struct Fortran_Form<Fortran_Print>;
template struct Fortran_Form<Varne_Print>;
template Fortran_Print& var_index(Fortran_Form<Fortran_Print>&, const char*, int);
template Varne_Print& var_index(Fortran_Form<Varne_Print>&, const char*, int);
template Fortran_Print& hexa(Fortran_Form<Fortran_Print>&, const void*);
template Varne_Print& hexa(Fortran_Form<Varne_Print>&, const void*);
template Fortran_Print& raw(Fortran_Form<Fortran_Print>&, uint32_t);
template Varne_Print& raw(Fortran_Form<Varne_Print>&, uint32_t);

Fortran_Print::Fortran_Print() { out = axiom_output; }
Fortran_Print::Fortran_Print(const char* name) { out = ouvrir(name, "w"); }
Varne_Print::Varne_Print() { out = axiom_output; }

// --- TeX ---

void Tex_Print::flush() {
  if (out) fflush(out);
}
Tex_Print& Tex_Print::operator<<(long v) {
  if (out) fprintf(out, "%ld", v);
  return *this;
}
Tex_Print& Tex_Print::operator<<(unsigned v) {
  if (out) fprintf(out, "%u", v);
  return *this;
}
Tex_Print& Tex_Print::operator<<(int v) {
  if (out) fprintf(out, "%d", v);
  return *this;
}
Tex_Print& Tex_Print::operator<<(double v) {
  if (out) fprintf(out, "%f", double(float(v)));
  return *this;
}
Tex_Print& Tex_Print::operator<<(long double v) {
  if (out) fprintf(out, "%f", double(float(v)));
  return *this;
}
Tex_Print& Tex_Print::operator<<(char c) {
  if (!out) return *this;
  if (c == '\n')
    fputs(" \\\\\n", out);
  else
    fputc(c, out);
  return *this;
}
Tex_Print& Tex_Print::operator<<(const char* s) {
  if (out && s) fputs(s, out);
  return *this;
}
Tex_Print& Tex_Print::operator<<(Special_Char c) {
  static const char* const text[] = {"$", " $\\leftarrow$ ", "\n\n\\vspace*{5mm}\n\n\\noindent \\,",
                                     "\\,", "\\,"};
  if (out && unsigned(c) <= 4) fputs(text[c], out);
  return *this;
}
Tex_Print& var_index(Tex_Print& p, const char* name, int i) {
  if (p.out) fprintf(p.out, " $%s_{%d}$ ", name ? name : "", i);
  return p;
}

// --- Lisp ---

void Lisp_Print::flush() {
  if (lisp_file) fflush(lisp_file);
}
Lisp_Print& Lisp_Print::operator<<(long v) {
  lisp_long(v);
  return *this;
}
Lisp_Print& Lisp_Print::operator<<(unsigned v) {
  if (lisp_file) fprintf(lisp_file, "%u", v);
  return *this;
}
Lisp_Print& Lisp_Print::operator<<(int v) {
  if (lisp_file) fprintf(lisp_file, "%d", v);
  return *this;
}
Lisp_Print& Lisp_Print::operator<<(float v) {
  if (lisp_file) fprintf(lisp_file, "%f", double(v));
  return *this;
}
Lisp_Print& Lisp_Print::operator<<(long double v) { return *this << float(v); }
Lisp_Print& Lisp_Print::operator<<(char c) {
  if (lisp_file) fputc(c, lisp_file);
  return *this;
}
Lisp_Print& Lisp_Print::operator<<(const char* s) {
  lisp_print(s);
  return *this;
}
void lisp_long(long l) {
  if (lisp_file) fprintf(lisp_file, "%ld", l);
}
void lisp_print(const char* s) {
  if (lisp_file && s) fputs(s, lisp_file);
}
void lisp_Boolean(int b) { lisp_print(b == 1 ? "true" : "false"); }

// --- Library files ---

void Lib_Print::flush() {
  if (out) fflush(out);
}
Lib_Print& Lib_Print::operator<<(int v) {
  if (out) fprintf(out, "%d", v);
  return *this;
}
Lib_Print& Lib_Print::operator<<(unsigned v) {
  if (out) fprintf(out, "%u", v);
  return *this;
}
Lib_Print& Lib_Print::operator<<(const char* s) {
  if (out && s) fputs(s, out);
  return *this;
}
Lib_Print& Lib_Print::operator<<(char c) {
  if (out) fputc(c, out);
  return *this;
}

// The global printers, in one unit so that they are built in this order.
Flush_All FLUSH;
Basic_Print Pretty;
Fortran_Print Fortran;
Varne_Print Varne;
Tex_Print Tex;
Lib_Print Lib;

}  // namespace orv
