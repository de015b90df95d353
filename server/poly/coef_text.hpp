// How each text form writes a coefficient of the build: VGF through its own
// printers in the integer build; in the prime-field build the residue, as a
// long on the exchange, Lisp and pretty printers and as an unsigned decimal
// in the Fortran form and the library files.
#pragma once

#include "server/base/printers.hpp"

#ifdef ZEL_VARIANT_INT
#include "server/base/vgf_io.hpp"
#else
#include "server/base/gfc_io.hpp"
#endif

namespace orv::ORV_BUILD {

#ifdef ZEL_VARIANT_INT
inline void exchange_coef(Varne_Print& out, VGF c) { out << c; }
inline void fortran_coef(Fortran_Print& out, VGF c) { out << c; }
inline void lisp_coef(Lisp_Print& out, VGF c) { out << c; }
inline void pretty_coef(Basic_Print& out, VGF c) { out << c; }
inline void lib_coef(Lib_Print& out, VGF c) { out << c; }
#else
inline void exchange_coef(Varne_Print& out, GFC c) { out << Uniq_GFC(c); }
inline void fortran_coef(Fortran_Print& out, GFC c) { out << static_cast<unsigned>(c); }
inline void lisp_coef(Lisp_Print& out, GFC c) { out << Uniq_GFC(c); }
inline void pretty_coef(Basic_Print& out, GFC c) { out << Uniq_GFC(c); }
inline void lib_coef(Lib_Print& out, GFC c) { out << static_cast<unsigned>(c); }
#endif

}  // namespace orv::ORV_BUILD
