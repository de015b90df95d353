// VGF on the printers, on the protocol bus and from the text reader.
#pragma once

#include <cstdint>

#include "server/base/printers.hpp"
#include "server/base/vgf.hpp"
#include "server/io/bus.hpp"
#include "server/io/string_or_file.hpp"

namespace orv::ORV_BUILD {

// The Fortran form writes raw residue bytes instead of digits.
extern int32_t want_raw_binary_output;

// Fortran (and exchange) form: bare residues with one prime, else "<a b c>",
// or "[a,b,c]" for Maple; '{' and raw bytes in binary mode.
template <class P>
P& operator<<(Fortran_Form<P>& out, VGF a);
Tex_Print& operator<<(Tex_Print& out, VGF a);  // "<a b>", one prime too
Basic_Print& operator<<(Basic_Print& out, VGF a);
Lib_Print& operator<<(Lib_Print& out, VGF a);
Lisp_Print& operator<<(Lisp_Print& out, VGF a);  // residues separated by blanks

void fortran_pseudo_rational(Fortran_Print& out, VGF a, VGF b);  // writes a
void fortran(VGF a);                                             // on the global Fortran

// Protocol: the word r, then the r residues.
void out_VGF(BUS& bus, VGF a);
void out_protocol_VGF(BUS& bus, VGF a);  // MSG_ORV_RAW first
void out_domain_protocol_VGF(BUS& bus);  // the primes and the offset
inline void out_domain_protocol_VGF(BUS& bus, unsigned) { out_domain_protocol_VGF(bus); }
// Reads a coefficient of n residues, each reduced modulo its prime; fatal
// unless n = r.
void LIRE_VGF(BUS& bus, VGF& a, uint32_t n);

// The same as src.read(buf, n).
uint32_t String_or_File_read(String_or_File& src, uint32_t* buf, uint32_t n);

// A new cell from the text reader: '<' r decimal residues, '{' r raw words;
// any other code gives zero.  Residues are reduced modulo their primes.  A
// residue that does not scan, or fewer than r raw words, is fatal (the
// message names what was read).
void parse_raw_VGF(String_or_File& src, VGF& a, int c);

}  // namespace orv::ORV_BUILD
