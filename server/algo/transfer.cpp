#include "server/algo/transfer.hpp"

#include <vector>

#include "server/base/runtime.hpp"
#include "server/poly/protocol.hpp"

namespace orv::ORV_BUILD {

namespace {

template <class E, class C>
void declare_variables(uint32_t n, uint32_t b) {
  DmpSetup<E, C>::init();
  DmpSetup<E, C>::set(n, b, 0);
}

// An engine monomial's exponent fields: 16 bits each, after the header.
inline const uint16_t* fields(const uint64_t* m) { return reinterpret_cast<const uint16_t*>(m + 1); }
inline uint16_t* fields(uint64_t* m) { return reinterpret_cast<uint16_t*>(m + 1); }

// A polynomial from t engine terms in any order: sorted, equal monomials
// added, zero terms dropped.  coef_of(i) makes term i's coefficient.
template <class E, class C, class CoefOf>
DmpNode<E, C>* receive(const uint64_t* const* monomials, uint32_t t, CoefOf coef_of) {
  DmpNode<E, C>* first = nullptr;
  bool decreasing = true;  // the engine's degree order is the server's: no sort needed
  for (uint32_t i = t; i-- > 0;) {
    DmpNode<E, C>* node = Dmp<E, C>::monom_raw_coef(fields(monomials[i]), coef_of(i));
    if (first != nullptr && E::greater(node->e, first->e) != 1) decreasing = false;
    node->next = first;
    first = node;
  }
  return Protocol<E, C>::normalise(first, decreasing);
}

// Writes the first t terms of the list's first polynomial through put(i,
// coefficient) and the monomials' fields; releases that polynomial and its
// cell; returns the rest of the list.
template <class E, class C, class Put>
DmpList<E, C>* send(DmpList<E, C>* list, uint64_t* const* monomials, uint32_t t, Put put) {
  if (list == nullptr) Fatal("Cannot send a polynomial from an empty list\n");
  const DmpNode<E, C>* p = list->poly;
  uint32_t i = 0;
  for (; i < t && p != nullptr; ++i, p = p->next) {
    uint16_t* f = fields(monomials[i]);
    for (uint32_t v = 0; v < E::nb_vars(); ++v) f[v] = static_cast<uint16_t>(E::extraire(p->e, v));
    put(i, p->coef);
  }
  if (i < t) Fatal("Cannot send %u terms of a polynomial of %u terms\n", t, i);
  TermPool<E, C>::kill_all_(list->poly);
  return ListPool<E, C>::kill_(list);
}

template <class E, class C>
uint32_t size_first(const DmpList<E, C>* list) {
  return list == nullptr ? 0 : TermPool<E, C>::size_(list->poly);
}

#ifdef ZEL_VARIANT_INT
using Coef = CoefVGF;

VGF coef_from_lanes(const uint32_t* residues, uint32_t lanes) {
  return pretend_block_VGF(residues, lanes);
}
#else
using Coef = CoefGFC;

GFC coef_from_lanes(const uint32_t* residues, uint32_t) { return residues[0] % modulus_GFC(); }
#endif

}  // namespace

ServerLexList* cons_shape_polynomial(ServerLexList* list, uint32_t var, const uint32_t* powers,
                                     const uint32_t* const* coefs, uint32_t terms) {
  using P = Dmp<ExpBigLexp, Coef>;
  const uint32_t n = ExpBigLexp::nb_vars();
  if (n == 0 || var >= n) Fatal("No variable %u among %u for a lexicographic polynomial\n", var, n);
#ifdef ZEL_VARIANT_INT
  const uint32_t lanes = size_of_vectors;
#else
  const uint32_t lanes = 1;
#endif
  std::vector<uint16_t> e(n, 0);
  P::Node* first = nullptr;
  P::Node* last = nullptr;
  auto append = [&](P::Node* t) {
    if (last != nullptr)
      last->next = t;
    else
      first = t;
    last = t;
  };
  if (var + 1 < n) {
    e[var] = 1;
    append(P::monom_raw_coef(e.data(), Coef::one()));
    e[var] = 0;
  }
  for (uint32_t i = 0; i < terms; ++i) {
    if (powers[i] > 0xFFFF) Fatal("Exponent %u does not fit BigLexp\n", powers[i]);
    e[n - 1] = static_cast<uint16_t>(powers[i]);
    append(P::monom_raw_coef(e.data(), coef_from_lanes(coefs[i], lanes)));
  }
  return DmpLists<ExpBigLexp, Coef>::L::cons(first, list);
}

}  // namespace orv::ORV_BUILD

using namespace orv::ORV_BUILD;
using orv::Fatal;

#ifdef ZEL_VARIANT_INT
ORV_EXPORT uint32_t Orv_set_vars_VGF(uint32_t n, uint32_t b) {
  declare_variables<ExpBigDexp, CoefVGF>(n, b);
  declare_variables<ExpBigLexp, CoefVGF>(n, b);
  return 1;
}

ORV_EXPORT void Orv_set_Coeffs_VGF(uint32_t lanes, const uint32_t* primes) {
  if (lanes == 0 || primes == nullptr) Fatal("Orv_set_Coeffs_VGF: no prime\n");
  set_VGF(lanes, primes);
}

ORV_EXPORT ServerBasisList* Orv_receive_Poly_multi_VGF(ServerBasisList* list,
                                                      const uint64_t* const* monomials,
                                                      const uint32_t* const* coefs, uint32_t t,
                                                      uint32_t lanes) {
  if (lanes != size_of_vectors)
    Fatal("Orv_receive_Poly_multi_VGF: %u lanes for coefficients of %u residues\n", lanes,
          size_of_vectors);
  std::vector<uint32_t> residues(lanes);
  DmpNode<ExpBigDexp, CoefVGF>* p = receive<ExpBigDexp, CoefVGF>(monomials, t, [&](uint32_t i) {
    for (uint32_t k = 0; k < lanes; ++k) residues[k] = coefs[k][i];
    return pretend_block_VGF(residues.data(), lanes);
  });
  return DmpLists<ExpBigDexp, CoefVGF>::L::cons(p, list);
}

ORV_EXPORT ServerLexList* Orv_send_Poly_multi_lex_VGF(ServerLexList* list,
                                                      uint64_t* const* monomials,
                                                      uint32_t* const* coefs, uint32_t t,
                                                      uint32_t lanes) {
  if (lanes != size_of_vectors)
    Fatal("Orv_send_Poly_multi_lex_VGF: %u lanes for coefficients of %u residues\n", lanes,
          size_of_vectors);
  return send<ExpBigLexp, CoefVGF>(list, monomials, t, [&](uint32_t i, VGF c) {
    for (uint32_t k = 0; k < lanes; ++k) coefs[k][i] = c.rep[k];
  });
}

ORV_EXPORT uint32_t Orv_size_Poly_VGF(const ServerLexList* list) { return size_first(list); }
#else
ORV_EXPORT uint32_t Orv_set_vars_GFC(uint32_t n, uint32_t b) {
  declare_variables<ExpDRLDRL, CoefGFC>(n, b);
  declare_variables<ExpBigLexp, CoefGFC>(n, b);
  return 1;
}

ORV_EXPORT void Orv_set_Coeffs_GFC(uint32_t lanes, const uint32_t* primes) {
  if (lanes != 1 || primes == nullptr)
    Fatal("Orv_set_Coeffs_GFC: the prime-field side takes one prime, not %u\n", lanes);
  DmpSetup<ExpDRLDRL, CoefGFC>::init();
  set_module_GFC(primes[0]);
}

ORV_EXPORT ServerBasisList* Orv_receive_Poly_GFC(ServerBasisList* list,
                                                 const uint64_t* const* monomials,
                                                 const uint32_t* coefs, uint32_t t) {
  DmpNode<ExpDRLDRL, CoefGFC>* p = receive<ExpDRLDRL, CoefGFC>(
      monomials, t, [&](uint32_t i) { return GFC(coefs[i] % modulus_GFC()); });
  return DmpLists<ExpDRLDRL, CoefGFC>::L::cons(p, list);
}

ORV_EXPORT ServerLexList* Orv_send_Poly_lex_GFC(ServerLexList* list, uint64_t* const* monomials,
                                                uint32_t* coefs, uint32_t t) {
  return send<ExpBigLexp, CoefGFC>(list, monomials, t, [&](uint32_t i, GFC c) { coefs[i] = c; });
}

ORV_EXPORT uint32_t Orv_size_Poly_GFC(const ServerLexList* list) { return size_first(list); }
#endif
