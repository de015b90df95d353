#include "server/algo/change_order.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/driver/mult_matrix.hpp"
#include "server/base/runtime.hpp"

namespace orv::ORV_BUILD {

namespace {

#ifdef ZEL_VARIANT_INT
using BasisE = ExpBigDexp;
using Coef = CoefVGF;
std::vector<uint32_t> lane_primes() { return {VGF::_prime, VGF::_prime + size_of_vectors}; }
uint32_t lane_residue(VGF c, uint32_t lane) { return c.rep[lane]; }
#else
using BasisE = ExpDRLDRL;
using Coef = CoefGFC;
std::vector<uint32_t> lane_primes() { return {modulus_GFC()}; }
uint32_t lane_residue(GFC c, uint32_t) { return c; }
#endif
using BasisNode = DmpNode<BasisE, Coef>;

// The server basis as the engine's change of order reads it.
std::vector<zel::ZEL_BUILD::BasisPoly> basis_view(const ServerBasisList* list, uint32_t lanes) {
  const uint32_t n = BasisE::nb_vars();
  std::vector<zel::ZEL_BUILD::BasisPoly> G;
  for (; list != nullptr; list = list->next) {
    const BasisNode* p = list->poly;
    if (p != nullptr && Dmp<BasisE, Coef>::is_header(p)) p = p->next;
    zel::ZEL_BUILD::BasisPoly g;
    g.nvars = n;
    g.coef.resize(lanes);
    for (; p != nullptr; p = p->next) {
      for (uint32_t v = 0; v < n; ++v) g.exps.push_back(BasisE::extraire(p->e, v));
      for (uint32_t l = 0; l < lanes; ++l) g.coef[l].push_back(lane_residue(p->coef, l));
    }
    G.push_back(std::move(g));
  }
  return G;
}

[[noreturn]] void end_after_dump(const std::string& name) {
  const std::string message = "The multiplication matrix is written to " + name + "\n";
  if (fatal_raise != nullptr) fatal_raise(message.c_str());
  std::fputs(message.c_str(), stderr);
  std::fflush(nullptr);
  std::exit(5);
}

ServerLexList* change_order(ServerBasisList* list, int32_t* size, int32_t sqfr, int32_t minpoly,
                            int32_t estimate, int32_t dump) {
  if (size == nullptr) Fatal("Orv_fast_changer_order: no place for the size\n");
  *size = 0;
  zel::ZEL_BUILD::ChangeOrderRequest request;
  request.n = BasisE::nb_vars();
  request.primes = lane_primes();
  request.minpoly_only = minpoly;
  request.sqfr = sqfr;
  request.estimate = estimate;
  const std::vector<zel::ZEL_BUILD::BasisPoly> G =
      basis_view(list, uint32_t(request.primes.size()));
  ListPool<BasisE, Coef>::kill_all_(list);
  if (G.empty()) return nullptr;
  if (dump) end_after_dump(zel::ZEL_BUILD::dump_last_matrix(G, request.n, request.primes[0]));
  const std::vector<zel::ZEL_BUILD::ShapePoly> shape =
      zel::ZEL_BUILD::change_order_by_matrix(G, request);

  ServerLexList* lex = nullptr;
  for (size_t k = shape.size(); k-- > 0;) {
    const zel::ZEL_BUILD::ShapePoly& q = shape[k];
    std::vector<std::vector<uint32_t>> by_term(q.powers.size());
    std::vector<const uint32_t*> coefs(q.powers.size());
    for (size_t i = 0; i < q.powers.size(); ++i) {
      for (const std::vector<uint32_t>& lane : q.coef) by_term[i].push_back(lane[i]);
      coefs[i] = by_term[i].data();
    }
    lex = cons_shape_polynomial(lex, q.var, q.powers.data(), coefs.data(),
                                uint32_t(q.powers.size()));
  }
  *size = int32_t(shape.size());
  return lex;
}

}  // namespace

}  // namespace orv::ORV_BUILD

#ifdef ZEL_VARIANT_INT
ORV_EXPORT orv::int_build::ServerLexList* Orv_fast_changer_order_VGF(
    orv::int_build::ServerBasisList* list, int32_t* size, int32_t sqfr, int32_t minpoly,
    int32_t estimate, int32_t dump) {
  return orv::int_build::change_order(list, size, sqfr, minpoly, estimate, dump);
}
#else
ORV_EXPORT orv::fp_build::ServerLexList* Orv_fast_changer_order_GFC(
    orv::fp_build::ServerBasisList* list, int32_t* size, int32_t sqfr, int32_t minpoly,
    int32_t estimate, int32_t dump) {
  return orv::fp_build::change_order(list, size, sqfr, minpoly, estimate, dump);
}
#endif
