// How the library's own diagnostics (the common factor, the analysis of
// systems, the random systems, the permutation check) write on the Fortran
// printer: through the text forms (a list as "[p1,p2,...]").
#pragma once

#include "server/poly/text_forms.hpp"

namespace orv::ORV_BUILD {

template <class E, class C>
void diag_poly(Fortran_Print& out, const DmpNode<E, C>* p) {
  PolyText<E, C>::fortran(out, p);
}

template <class E>
void diag_monomial(Fortran_Print& out, const uint64_t* e) {
  MonomText<E>::fortran(out, e);
}

template <class E, class C>
void diag_list(Fortran_Print& out, const DmpList<E, C>* l) {
  PolyText<E, C>::fortran(out, l);
}

}  // namespace orv::ORV_BUILD
