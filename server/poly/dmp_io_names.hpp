// The pasted names of the polynomial texts and the protocol encoding
// (out_protocol_DMP__BigDexp__VGF, varne_BigDexp, NTL_DMP__DRLDRL__GFC ...):
// thin wrappers stamped from pairings.def over var_names.hpp,
// text_forms.hpp, protocol.hpp and quotient_file.hpp.  The output operators
// themselves are templates over every pairing (in those headers).
#pragma once

#include <cstdint>
#include <cstdio>

#include "server/poly/dmp_names.hpp"
#include "server/poly/protocol.hpp"
#include "server/poly/quotient_file.hpp"
#include "server/poly/text_forms.hpp"
#include "server/poly/var_names.hpp"

namespace orv::ORV_BUILD {

// clang-format off
#define ORV_STAMP_IO_PAIRING(E, C)                                                                \
  using VarNames__##E = VarNames<Exp##E>;                                                         \
  using MonomText__##E = MonomText<Exp##E>;                                                      \
  using PolyText__##E##__##C = PolyText<Exp##E, Coef##C>;                                         \
  using Protocol__##E##__##C = Protocol<Exp##E, Coef##C>;                                         \
  using QuotientFile__##E##__##C = QuotientFile<Exp##E, Coef##C>;                                 \
                                                                                                  \
  /* Variable names and headers */                                                                \
  inline uint32_t Hash_domain_##E(uint32_t seed) { return VarNames__##E::Hash_domain(seed); }     \
  inline void afficherHeader_##E(Boolean) { VarNames__##E::afficherHeader(); }                    \
  inline void info_##E() { VarNames__##E::info(); }                                               \
  inline void afficherName_##E() { VarNames__##E::afficherName(); }                               \
  inline void assign_list_of_vars_##E() { VarNames__##E::assign_list_of_vars(); }                 \
  inline void display_list_of_vars_##E() { VarNames__##E::display_list_of_vars(); }               \
  inline void rawOutput_##E(const uint64_t* e) { VarNames__##E::rawOutput(e); }                   \
  inline void out_varne_txt_##E(Varne_Print& out) { VarNames__##E::out_varne_txt(out); }          \
  inline Varne_Print& varne_##E(Varne_Print& out, const uint64_t* e) {                            \
    return VarNames__##E::varne(out, e);                                                          \
  }                                                                                               \
  inline Boolean& memo_print_coef_DMP__##E##__##C = PrintCoef<Exp##E, Coef##C>::memo;             \
  inline Boolean print_coef_DMP__##E##__##C(Boolean on) {                                         \
    return PrintCoef<Exp##E, Coef##C>::set(on);                                                   \
  }                                                                                               \
  inline char* fill_DMP__##E##__##C(char* buffer, const char* format) {                           \
    std::sprintf(buffer, format, #E, #C);                                                         \
    return buffer;                                                                                \
  }                                                                                               \
                                                                                                  \
  /* Fortran, TeX, Lisp and pretty forms */                                                       \
  inline Fortran_Print& fortran_##E(Fortran_Print& out, const uint64_t* e) {                      \
    return MonomText__##E::fortran(out, e);                                                       \
  }                                                                                               \
  inline Tex_Print& tex_##E(Tex_Print& out, const uint64_t* e) {                                  \
    return MonomText__##E::tex(out, e);                                                           \
  }                                                                                               \
  inline Basic_Print& zpretty_##E(Basic_Print& out, const uint64_t* e) {                          \
    return MonomText__##E::pretty(out, e);                                                        \
  }                                                                                               \
  inline Fortran_Print& pseudo_rational_fortran(Fortran_Print& out, DMP__##E##__##C p, C d) {     \
    return PolyText__##E##__##C::fortran(out, p, &d);                                             \
  }                                                                                               \
  inline Lisp_Print& operator<<(Lisp_Print& out, Garb_List_DMP__##E##__##C g) {                   \
    return PolyText__##E##__##C::lisp(out, g.list, true);                                         \
  }                                                                                               \
  inline Basic_Print& operator<<(Basic_Print& out, Garb_List_DMP__##E##__##C g) {                 \
    return PolyText__##E##__##C::pretty_garb(out, g.list);                                        \
  }                                                                                               \
  /* Inspection, on the global printers */                                                        \
  inline void fsee_##E(const uint64_t* e) { MonomText__##E::fortran(Fortran, e) << "\n"; }        \
  inline void fsee2_##E##_##C(DMP__##E##__##C p) { Fortran << p << "\n"; }                        \
  inline void fsee1_##E##_##C(List_DMP__##E##__##C l) { Fortran << l << "\n"; }                   \
  inline void fortran_List_DMP__##E##__##C(List_DMP__##E##__##C l) { Fortran << l << "\n"; }      \
  inline void fortran_List_List_DMP__##E##__##C(List_List_DMP__##E##__##C l) {                    \
    Fortran << l << "\n";                                                                         \
  }                                                                                               \
  inline void see2_##E##_##C(DMP__##E##__##C p) { Pretty << p << '\n'; }                          \
  inline void see1_##E##_##C(List_DMP__##E##__##C l) { Pretty << l << '\n'; }                     \
  inline void pretty_List_DMP__##E##__##C(List_DMP__##E##__##C l) { Pretty << l; }                \
  inline void pretty_##E(const uint64_t* e) { MonomText__##E::pretty(Pretty, e); }                \
  inline void zprint_##E(const uint64_t* e) { MonomText__##E::zprint(e); }                        \
                                                                                                  \
  /* Protocol encoding */                                                                         \
  inline void out_protocol_##E(BUS& bus, const uint64_t* e, Boolean drop_last) {                  \
    Protocol__##E##__##C::out_exps(bus, e, drop_last, true);                                      \
  }                                                                                               \
  inline void out_##E(BUS& bus, const uint64_t* e) {                                              \
    Protocol__##E##__##C::out_exps(bus, e, false, false);                                         \
  }                                                                                               \
  inline void out_domain_protocol_##E(BUS& bus) { ExpDomain<Exp##E>::out(bus); }                  \
  inline void out_domain_protocol_DMP__##E##__##C(BUS& bus) {                                     \
    Protocol__##E##__##C::out_domain(bus);                                                        \
  }                                                                                               \
  inline void out_liste_##E(BUS& bus) { Protocol__##E##__##C::out_liste(bus); }                   \
  inline void out_protocol_DMP__##E##__##C(BUS& bus, DMP__##E##__##C p, Boolean drop_last) {      \
    Protocol__##E##__##C::out_poly(bus, p, drop_last, true);                                      \
  }                                                                                               \
  inline void out_protocol_List_DMP__##E##__##C(BUS& bus, List_DMP__##E##__##C l,                 \
                                                Boolean drop_last) {                              \
    Protocol__##E##__##C::out_list(bus, l, drop_last, true);                                      \
  }                                                                                               \
  inline void out_protocol_List_List_DMP__##E##__##C(BUS& bus, List_List_DMP__##E##__##C l,       \
                                                     Boolean drop_last) {                         \
    Protocol__##E##__##C::out_list_list(bus, l, drop_last, true);                                 \
  }                                                                                               \
  inline void out_DMP__##E##__##C(BUS& bus, DMP__##E##__##C p) {                                  \
    Protocol__##E##__##C::out_poly(bus, p, false, false);                                         \
  }                                                                                               \
  inline void out_List_DMP__##E##__##C(BUS& bus, List_DMP__##E##__##C l) {                        \
    Protocol__##E##__##C::out_list(bus, l, false, false);                                         \
  }                                                                                               \
  inline void out_List_List_DMP__##E##__##C(BUS& bus, List_List_DMP__##E##__##C l) {              \
    Protocol__##E##__##C::out_list_list(bus, l, false, false);                                    \
  }                                                                                               \
  inline DMP__##E##__##C read_DMP__##E##__##C(BUS& bus, Messages first) {                         \
    return Protocol__##E##__##C::read(bus, first);                                                \
  }                                                                                               \
  inline DMP__##E##__##C lire_DMP__##E##__##C(BUS& bus) { return Protocol__##E##__##C::lire(bus); } \
  inline List_DMP__##E##__##C read_List_DMP__##E##__##C(BUS& bus) {                               \
    return Protocol__##E##__##C::read_list(bus);                                                  \
  }                                                                                               \
  inline List_List_DMP__##E##__##C read_List_List_DMP__##E##__##C(BUS& bus) {                     \
    return Protocol__##E##__##C::read_list_list(bus);                                             \
  }                                                                                               \
                                                                                                  \
  /* NTL text and the quotient-basis file */                                                      \
  inline void NTL_DMP__##E##__##C(DMP__##E##__##C p) { QuotientFile__##E##__##C::ntl(p); }        \
  inline void NTL_List_DMP__##E##__##C(List_DMP__##E##__##C l) {                                  \
    QuotientFile__##E##__##C::ntl(l);                                                             \
  }                                                                                               \
  inline void Preparation(List_DMP__##E##__##C basis) { QuotientFile__##E##__##C::write(basis); } \
  inline void Preparation(List_List_DMP__##E##__##C bases) {                                      \
    QuotientFile__##E##__##C::write(bases);                                                       \
  }
// clang-format on

#define ORV_PAIRING(E, C, BUILD, SCRIT) ORV_IF_##BUILD(ORV_STAMP_IO_PAIRING(E, C))
#include "server/poly/pairings.def"
#undef ORV_PAIRING

// The exponent lines of the library files, for the build's degree-ordered
// type: a BigDexp vector seen as long long words, a DRLDRL one as ints.
#ifdef ZEL_VARIANT_INT
inline Lib_Print& operator<<(Lib_Print& out, const long long* e) {
  return lib_exponents<ExpBigDexp>(out, reinterpret_cast<const uint64_t*>(e));
}
// The pretty monomial of a BigDexp vector, on the global Pretty.
inline Basic_Print& operator<<(Basic_Print& out, const BigDexp* e) {
  return MonomText<ExpBigDexp>::pretty(out, e);
}
#else
inline Lib_Print& operator<<(Lib_Print& out, const int* e) {
  return lib_exponents<ExpDRLDRL>(out, reinterpret_cast<const uint64_t*>(e));
}
inline Basic_Print& operator<<(Basic_Print& out, const DRLDRL* e) {
  return MonomText<ExpDRLDRL>::pretty(out, e);
}
#endif

}  // namespace orv::ORV_BUILD
