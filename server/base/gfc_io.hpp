// GFC on the printers, on the protocol bus and from the text reader.
#pragma once

#include <cstdint>

#include "server/base/gfc.hpp"
#include "server/base/printers.hpp"
#include "server/io/bus.hpp"
#include "server/io/string_or_file.hpp"

namespace orv::ORV_BUILD {

// A coefficient is written as a long ("%ld") on the Fortran, Lisp and
// pretty printers.
template <class P>
P& operator<<(Fortran_Form<P>& out, Uniq_GFC a) {
  return out << static_cast<long>(a.v);
}
inline Lisp_Print& operator<<(Lisp_Print& out, Uniq_GFC a) { return out << static_cast<long>(a.v); }
inline Basic_Print& operator<<(Basic_Print& out, Uniq_GFC a) {
  return out << static_cast<long>(a.v);
}
inline void lisp(GFC a) { lisp_long(static_cast<long>(a)); }
inline void fortran_pseudo_rational(Fortran_Print& out, GFC a, GFC) {
  out << static_cast<unsigned>(a);
}

void out_domain_protocol_GFC(BUS& bus, uint32_t p);  // MSG_ORV_set_module, p
void out_domain_protocol_GFC(BUS& bus);              // with the current prime
void out_protocol_GFC(BUS& bus, GFC a);              // MSG_ORV_GF, a
void out_GFC(BUS& bus, GFC a);                       // a alone

// One decimal value from the text reader, whatever c is, reduced modulo p;
// fatal when no number comes (the message names what was read).
void parse_raw_GFC(String_or_File& src, GFC& a, int c);

}  // namespace orv::ORV_BUILD
