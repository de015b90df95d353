// Set-up shared by the text and protocol tests: each pairing of the build
// with one-prime VGF coefficients (so that they print as bare residues),
// the residue a small value prints as, and the printers pointed at captures.
#pragma once

#include <string>

#include "server/log_capture.hpp"
#include "server/poly/dmp_io_names.hpp"
#include "server/poly/pairing_fixture.hpp"

namespace orv_test {

// Also forgets the names other tests gave the first variables.
template <class P>
void text_setup(uint32_t nvar) {
  global_List_variables = nullptr;
  for (uint32_t i = 0; i < 16; ++i) ExpNames<typename P::E>::table()[i] = nullptr;
  P::setup(nvar);
#ifdef ZEL_VARIANT_INT
  set_VGF(1);
#endif
}

// The residue of v, as an unsigned decimal.
inline std::string residue(long v) {
#ifdef ZEL_VARIANT_INT
  long p = long(VGF::_prime[0]);
#else
  long p = long(modulus_GFC());
#endif
  return std::to_string(((v % p) + p) % p);
}
// How the pretty and library printers show a coefficient of the build.
inline std::string framed(long v) {
#ifdef ZEL_VARIANT_INT
  return "<" + residue(v) + ">";
#else
  return residue(v);
#endif
}

template <class P>
using NodeOf = DmpNode<typename P::E, typename P::C>;
template <class P>
using CellOf = DmpList<typename P::E, typename P::C>;

template <class P>
CellOf<P>* list_of(std::initializer_list<NodeOf<P>*> polys) {
  CellOf<P>* first = nullptr;
  CellOf<P>* last = nullptr;
  for (auto* p : polys) DmpLists<typename P::E, typename P::C>::L::push_back(first, last, p);
  return first;
}

}  // namespace orv_test
