#include "engine/driver/fast_chg_order.hpp"

#include <ctime>
#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/driver/fatal_exits.hpp"
#include "engine/driver/mult_matrix.hpp"
#include "engine/mem/files.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mono/expos_hash.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_pool.hpp"
#include "engine/mono/expos_words.hpp"
#include "server/algo/change_order.hpp"
#include "server/algo/transfer.hpp"
#ifdef ZEL_VARIANT_INT
#include "server/base/coef_heap.hpp"
#endif

namespace zel::ZEL_BUILD {

namespace {

double cpu_now() { return double(std::clock()) / CLOCKS_PER_SEC; }

const uint64_t* const* server_view(const Dpol* p) {
  return reinterpret_cast<const uint64_t* const*>(p->mono);
}

// A polynomial of t fresh monomials, every exponent field 0, for the
// server to write into.
Dpol* fresh_polynomial(uint32_t t) {
  Dpol* q = new_Dpol(t);
  for (uint32_t i = 0; i < t; ++i) {
    q->mono[i] = ZEL_C(new_heap_Expos)();
    for (uint32_t k = 0; k < nb_of_blocks_of_variables; ++k) set_word(words_of(q->mono[i]), k, 0);
  }
  return q;
}

// What the server wrote: the homogenising and spare fields cleared, the
// hash set.
void finish_monomials(Dpol* q) {
  for (uint32_t i = 0; i < q->n; ++i) {
    ExposW* w = words_of(q->mono[i]);
    for (uint32_t v = real_nb_of_affine_variables; v <= max_nb_of_variables; ++v) set_field(w, v, 0);
    put_hash(q->mono[i], hash_Expos(w));
  }
}

[[noreturn]] void short_answer(int32_t i, int32_t size) {
  Fatal("The change of ordering announced %d polynomials but gave %d\n", size, i);
}

#ifdef ZEL_VARIANT_FP
// DRLDRL holds exponents and degrees below 128 only.
bool fits_server_basis(Dpol* const* basis, uint32_t nb) {
  const uint32_t n = real_nb_of_affine_variables;
  for (uint32_t k = 0; k < nb; ++k)
    for (uint32_t t = 0; t < basis[k]->n; ++t) {
      uint32_t d = 0;
      for (uint32_t v = 0; v < n; ++v) d += get_field(words_of(basis[k]->mono[t]), v);
      if (d > 127) return false;
    }
  return true;
}
#endif

}  // namespace

#ifdef ZEL_VARIANT_INT
namespace {

// The change of order on the engine's own polynomials, every lane: the
// server's copy of the basis (one coefficient record of all the lanes per
// term) would only be read back into the same form.  The lines written are
// those of the server's round trip.
int32_t change_order_here(Dpol** basis, uint32_t nb, Dpol** result, uint32_t sqfr,
                          int32_t minpoly, int32_t estimate) {
  const double start = cpu_now();
  ChangeOrderRequest request;
  request.n = real_nb_of_affine_variables;
  request.primes.assign(ZEL_C(Primes), ZEL_C(Primes) + ZEL_C(vectorize));
  request.minpoly_only = minpoly;
  request.sqfr = int32_t(sqfr);
  request.estimate = estimate;
  std::vector<BasisPoly> G = basis_of(basis, nb);
  Stderr("Send polys to Orv: %.2fsec\n", cpu_now() - start);
  double t0 = cpu_now();
  const std::vector<ShapePoly> shape = change_order_by_matrix(G, request);
  std::vector<BasisPoly>().swap(G);
  Stderr("FGLM: %.2fsec\n", cpu_now() - t0);
  t0 = cpu_now();
  const int32_t size = int32_t(shape_to_dpols(shape, result));
  Stderr("Receive polys from Orv: %.2fsec\n", cpu_now() - t0);
  return size;
}

}  // namespace

int32_t lib_fast_chg_order(Dpol** basis, uint32_t nb, Dpol** result, uint32_t sqfr,
                           int32_t minpoly, int32_t estimate, int32_t dump) {
  using namespace orv::int_build;
  if (!dump) {
    ExitsRaiseFatal guard;
    lib_init();
    return change_order_here(basis, nb, result, sqfr, minpoly, estimate);
  }
  const double start = cpu_now();
  ExitsRaiseFatal guard;
  lib_init();
  const uint32_t n = real_nb_of_affine_variables, V = ZEL_C(vectorize);
  Orv_set_vars_VGF(n, n);
  Orv_set_Coeffs_VGF(V, ZEL_C(Primes));
  // Every coefficient the server makes here is dropped on the way out.
  struct HeapMark {
    Garbage_State state;
    HeapMark() { save_orv_state_VGF(state); }
    ~HeapMark() { restore_orv_state_VGF(state); }
  } heap_mark;

  ServerBasisList* list = nullptr;
  for (uint32_t i = 0; i < nb; ++i)
    list = Orv_receive_Poly_multi_VGF(list, server_view(basis[i]),
                                      reinterpret_cast<const uint32_t* const*>(lanes(basis[i])),
                                      basis[i]->n, V);
  Stderr("Send polys to Orv: %.2fsec\n", cpu_now() - start);

  double t0 = cpu_now();
  int32_t size = 0;
  ServerLexList* lex = Orv_fast_changer_order_VGF(list, &size, int32_t(sqfr), minpoly, estimate, dump);
  Stderr("FGLM: %.2fsec\n", cpu_now() - t0);
  if (size < 0) Fatal("The change of ordering failed (it reports %d polynomials)\n", size);
  t0 = cpu_now();
  for (int32_t i = 0; i < size; ++i) {
    if (lex == nullptr) short_answer(i, size);
    const uint32_t t = Orv_size_Poly_VGF(lex);
    Dpol* q = fresh_polynomial(t);
    lex = Orv_send_Poly_multi_lex_VGF(lex, reinterpret_cast<uint64_t* const*>(q->mono),
                                      reinterpret_cast<uint32_t* const*>(lanes(q)), t, V);
    finish_monomials(q);
    result[i] = q;
  }
  Stderr("Receive polys from Orv: %.2fsec\n", cpu_now() - t0);
  return size;
}
#else
int32_t lib_fast_chg_order(Dpol** basis, uint32_t nb, Dpol** result, uint32_t sqfr,
                           int32_t minpoly, int32_t estimate, int32_t dump) {
  using namespace orv::fp_build;
  ExitsRaiseFatal guard;
  lib_init();
  if (ZEL_C(vectorize) != 1)
    Fatal("The prime-field change of ordering works on one prime, not %u\n", ZEL_C(vectorize));
  const uint32_t n = real_nb_of_affine_variables;
  for (uint32_t i = 0; i < nb; ++i)
    if (basis[i]->n > kServerBufferTerms) Fatal("buffo trop petit !\n");
  if (!fits_server_basis(basis, nb)) {
    // The server's degree-order polynomials hold 8-bit exponents: a basis
    // of higher degree takes the same change of order on the engine's side.
    Stderr("Degrees above 127: the change of ordering runs on the engine's polynomials\n");
    if (dump) Fatal("Cannot dump the matrix of a basis of degree above 127\n");
    ChangeOrderRequest request;
    request.n = n;
    request.primes.assign(ZEL_C(Primes), ZEL_C(Primes) + 1);
    request.minpoly_only = minpoly;
    request.sqfr = int32_t(sqfr);
    request.estimate = estimate;
    return int32_t(shape_to_dpols(change_order_by_matrix(basis_of(basis, nb), request), result));
  }
  Orv_set_vars_GFC(n, n);
  Orv_set_Coeffs_GFC(1, ZEL_C(Primes));

  std::vector<uint32_t> buffer(kServerBufferTerms + 1);
  ServerBasisList* list = nullptr;
  for (uint32_t i = 0; i < nb; ++i) {
    for (uint32_t t = 0; t < basis[i]->n; ++t) buffer[t] = lanes(basis[i])[0][t];
    list = Orv_receive_Poly_GFC(list, server_view(basis[i]), buffer.data(), basis[i]->n);
  }

  double t0 = cpu_now();
  int32_t size = 0;
  ServerLexList* lex = Orv_fast_changer_order_GFC(list, &size, int32_t(sqfr), minpoly, estimate, dump);
  Stderr("FGLM: %.2fsec\n", cpu_now() - t0);
  if (size < 0) Fatal("The change of ordering failed (it reports %d polynomials)\n", size);
  t0 = cpu_now();
  for (int32_t i = 0; i < size; ++i) {
    if (lex == nullptr) short_answer(i, size);
    const uint32_t t = Orv_size_Poly_GFC(lex);
    if (t > kServerBufferTerms) Fatal("buffo trop petit !\n");
    Dpol* q = fresh_polynomial(t);
    lex = Orv_send_Poly_lex_GFC(lex, reinterpret_cast<uint64_t* const*>(q->mono), buffer.data(), t);
    for (uint32_t k = 0; k < t; ++k) lanes(q)[0][k] = Dom(buffer[k]);
    finish_monomials(q);
    result[i] = q;
  }
  Stderr("Receive polys from Orv: %.2fsec\n", cpu_now() - t0);
  return size;
}
#endif

}  // namespace zel::ZEL_BUILD
