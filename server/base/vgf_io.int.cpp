// VGF on the printers, the protocol bus and the text reader.
#include "server/base/vgf_io.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "server/base/runtime.hpp"
#include "server/io/options.hpp"

namespace orv::ORV_BUILD {

int32_t want_raw_binary_output = 0;

namespace {

inline uint32_t r_() { return size_of_vectors; }

// The residues separated by sep, between open and close (0: none).
template <class Out>
void residues(Out& out, VGF a, char open, char sep, char close) {
  if (open) out << open;
  for (uint32_t i = 0; i < r_(); ++i) {
    if (i) out << sep;
    out << static_cast<unsigned>(a.rep[i]);
  }
  if (close) out << close;
}

}  // namespace

template <class P>
P& operator<<(Fortran_Form<P>& out, VGF a) {
  const bool many = r_() > 1;
  if (want_raw_binary_output) {
    out << '{';
    for (uint32_t i = 0; i < r_(); ++i) raw(out, a.rep[i]);
  } else if (want_Maple_output) {
    residues(out, a, many ? '[' : 0, ',', many ? ']' : 0);
  } else {
    residues(out, a, many ? '<' : 0, ' ', many ? '>' : 0);
  }
  return static_cast<P&>(out);
}
template Fortran_Print& operator<<(Fortran_Form<Fortran_Print>&, VGF);
template Varne_Print& operator<<(Fortran_Form<Varne_Print>&, VGF);

Tex_Print& operator<<(Tex_Print& out, VGF a) {
  residues(out, a, '<', ' ', '>');
  return out;
}
Basic_Print& operator<<(Basic_Print& out, VGF a) {
  residues(out, a, '<', ' ', '>');
  return out;
}
Lib_Print& operator<<(Lib_Print& out, VGF a) {
  residues(out, a, '<', ' ', '>');
  return out;
}
// A blank between residues, so that several can be read back apart.
Lisp_Print& operator<<(Lisp_Print& out, VGF a) {
  residues(out, a, 0, ' ', 0);
  return out;
}

void fortran_pseudo_rational(Fortran_Print& out, VGF a, VGF) { out << a; }
void fortran(VGF a) { Fortran << a; }

void out_VGF(BUS& bus, VGF a) {
  uint32_t r = r_();
  bus.ecrirei(&r, 4);
  bus.ecrirei(a.rep, 4 * r);
}

void out_protocol_VGF(BUS& bus, VGF a) {
  bus << MSG_ORV_RAW;
  out_VGF(bus, a);
}

void out_domain_protocol_VGF(BUS& bus) {
  uint32_t r = r_();
  bus << MSG_ORV_set_vect;
  bus.ecrirei(&r, 4);
  bus.ecrirei(VGF::_prime, 4 * r);
  bus << MSG_ORV_set_offset;
  uint32_t offset = static_cast<uint32_t>(want_offset_primes);
  bus.ecrirei(&offset, 4);
}

void LIRE_VGF(BUS& bus, VGF& a, uint32_t n) {
  if (n != r_()) Fatal("Can't read a %d-vector (should be %d)\n", int(n), int(r_()));
  allocate(a);
  bus.lirei(a.rep, 4 * n);
  // A sender's word may be any 32-bit value: keep residues in [0, p), so a
  // multiple of p is a zero coefficient like every other.
  for (uint32_t i = 0; i < n; ++i) a.rep[i] %= VGF::_prime[i];
}

uint32_t String_or_File_read(String_or_File& src, uint32_t* buf, uint32_t n) {
  return src.read(buf, n);
}

// A coefficient read in part would be a wrong number, not a smaller one:
// every residue must be there.
void parse_raw_VGF(String_or_File& src, VGF& a, int c) {
  allocate(a);
  std::memset(a.rep, 0, 4 * size_t{r_()});
  if (c == '<') {
    for (uint32_t i = 0; i < r_(); ++i) {
      char what[96];
      std::snprintf(what, sizeof what, "parse_raw_VGF: residue %u of %u", i + 1, r_());
      a.rep[i] = src.scan_or_fail(what) % VGF::_prime[i];
    }
  } else if (c == '{') {
    uint32_t got = String_or_File_read(src, a.rep, r_());
    if (got > r_()) got = 0;  // a source that gives no raw words
    if (got < r_()) Fatal("parse_raw_VGF: read %u of %u raw words\n", got, r_());
    for (uint32_t i = 0; i < r_(); ++i) a.rep[i] %= VGF::_prime[i];
  }
}

}  // namespace orv::ORV_BUILD
