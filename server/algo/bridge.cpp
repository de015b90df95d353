#include "server/algo/bridge.hpp"

#include <algorithm>
#include <map>
#include <optional>

#include "engine/coef/primes.hpp"
#include "engine/mem/files.hpp"
#include "engine/mem/messages.hpp"
#include "engine/driver/fatal_exits.hpp"
#include "engine/driver/mult_matrix.hpp"
#include "engine/mono/expos_order.hpp"
#include "server/algo/packages.hpp"
#include "server/algo/transfer.hpp"
#ifdef ZEL_VARIANT_INT
#include "engine/coef/int_arith.hpp"
#include "engine/poly/dpol_int.hpp"
#endif

namespace zel::ZEL_BUILD {

uint64_t term_reduction_products = 0;

namespace {

std::vector<Exps> leading_monomials(Dpol* const* basis, uint32_t nb, uint32_t n) {
  std::vector<Exps> leads;
  for (uint32_t k = 0; k < nb; ++k)
    if (basis[k]->n > 0) leads.push_back(affine_exps(basis[k]->mono[0], n));
  return leads;
}

// The first variable with no pure power among the leading monomials; n
// when every one has one (or a leading monomial is 1).
uint32_t missing_pure_power(const std::vector<Exps>& leads, uint32_t n) {
  std::vector<bool> has(n, false);
  for (const Exps& l : leads) {
    uint32_t vars = 0, last = 0;
    for (uint32_t v = 0; v < n; ++v)
      if (l[v]) ++vars, last = v;
    if (vars == 0) return n;
    if (vars == 1) has[last] = true;
  }
  for (uint32_t v = 0; v < n; ++v)
    if (!has[v]) return v;
  return n;
}

const char* var_name(uint32_t v) { return Liste_variables[v] ? Liste_variables[v] : "?"; }

// --- Normal forms ------------------------------------------------------------

using Words = std::vector<uint64_t>;
struct Greater {
  bool operator()(const Words& a, const Words& b) const {
    return comp5_Expos(reinterpret_cast<const ExposW*>(a.data()),
                       reinterpret_cast<const ExposW*>(b.data())) > 0;
  }
};
using Coeffs = std::vector<uint64_t>;  // one residue per lane
using SparsePoly = std::map<Words, Coeffs, Greater>;

Words pack(const Exps& e) {
  Words w(nb_of_blocks_of_variables, 0);
  for (uint32_t v = 0; v < e.size(); ++v) set_field(reinterpret_cast<ExposW*>(w.data()), v, e[v]);
  return w;
}
Exps unpack(const Words& w, uint32_t n) {
  Exps e(n);
  for (uint32_t v = 0; v < n; ++v) e[v] = get_field(reinterpret_cast<const ExposW*>(w.data()), v);
  return e;
}

SparsePoly to_sparse(const Dpol* p, uint32_t n, uint32_t V) {
  SparsePoly s;
  for (uint32_t t = 0; t < p->n; ++t) {
    Coeffs& c = s[pack(affine_exps(p->mono[t], n))];
    c.resize(V, 0);
    for (uint32_t l = 0; l < V; ++l) c[l] = (c[l] + uint64_t(lanes(p)[l][t])) % ZEL_C(Primes)[l];
  }
  for (auto it = s.begin(); it != s.end();)
    it = std::all_of(it->second.begin(), it->second.end(), [](uint64_t x) { return x == 0; })
             ? s.erase(it)
             : std::next(it);
  return s;
}

struct Reducer {
  Exps lead;
  std::vector<std::pair<Exps, Coeffs>> terms;  // monic in every lane
};

Dpol* to_dpol(const SparsePoly& s, uint32_t n, uint32_t V) {
  Dpol* q = new_Dpol(uint32_t(s.size()));
  uint32_t t = 0;
  for (const auto& [w, c] : s) {
    q->mono[t] = expos_from(unpack(w, n));
    for (uint32_t l = 0; l < V; ++l) lanes(q)[l][t] = Dom(c[l]);
    ++t;
  }
  return q;
}

SparsePoly normal_form(SparsePoly f, const std::vector<Reducer>& G, uint32_t n, uint32_t V) {
  SparsePoly r;
  while (!f.empty()) {
    auto lt = f.begin();
    const Exps e = unpack(lt->first, n);
    const Reducer* g = nullptr;
    for (const Reducer& h : G)
      if (divides(h.lead, e)) {
        g = &h;
        break;
      }
    if (g == nullptr) {
      r.insert(*lt);
      f.erase(lt);
      continue;
    }
    const Coeffs c = lt->second;
    Exps q(n);
    for (uint32_t v = 0; v < n; ++v) q[v] = e[v] - g->lead[v];
    term_reduction_products += uint64_t(g->terms.size()) * V;
    for (const auto& [m, gc] : g->terms) {
      Exps prod(n);
      for (uint32_t v = 0; v < n; ++v) prod[v] = q[v] + m[v];
      Coeffs& dst = f[pack(prod)];
      dst.resize(V, 0);
      bool zero = true;
      for (uint32_t l = 0; l < V; ++l) {
        const uint64_t p = ZEL_C(Primes)[l];
        dst[l] = (dst[l] + p - mul_mod(c[l], gc[l], p)) % p;
        zero = zero && dst[l] == 0;
      }
      if (zero) f.erase(pack(prod));
    }
  }
  return r;
}

// The variable f is a polynomial in, or n when f is constant or in several.
uint32_t only_variable(const SparsePoly& f, uint32_t n) {
  uint32_t found = n;
  for (const auto& term : f) {
    const Exps e = unpack(term.first, n);
    for (uint32_t v = 0; v < n; ++v) {
      if (e[v] == 0) continue;
      if (found != n && found != v) return n;
      found = v;
    }
  }
  return found;
}

// x_v r.
SparsePoly times_variable(const SparsePoly& r, uint32_t v, uint32_t n) {
  SparsePoly shifted;
  for (const auto& [w, c] : r) {
    Exps e = unpack(w, n);
    ++e[v];
    shifted[pack(e)] = c;
  }
  return shifted;
}

// The normal form of f, a polynomial in x_v alone, by Horner's rule
// (r := NF(x_v r) + c_d from the top degree down), as on the server side:
// every r stays on the normal set, where reducing f term by term can
// spread over nearly every monomial below its degree first.
SparsePoly normal_form_univariate(const SparsePoly& f, uint32_t v, const std::vector<Reducer>& G,
                                  uint32_t n, uint32_t V) {
  std::map<uint32_t, Coeffs> by_degree;
  for (const auto& [w, c] : f) by_degree[unpack(w, n)[v]] = c;
  const Words one = pack(Exps(n, 0));
  SparsePoly r;
  for (int64_t d = int64_t(by_degree.rbegin()->first); d >= 0; --d) {
    r = normal_form(times_variable(r, v, n), G, n, V);
    const auto it = by_degree.find(uint32_t(d));
    if (it == by_degree.end()) continue;
    Coeffs& c = r[one];
    c.resize(V, 0);
    for (uint32_t l = 0; l < V; ++l) c[l] = (c[l] + it->second[l]) % ZEL_C(Primes)[l];
    if (std::all_of(c.begin(), c.end(), [](uint64_t x) { return x == 0; })) r.erase(one);
  }
  return normal_form(std::move(r), G, n, V);  // the constant, when 1 lies in the ideal
}

// The normal form of f, a polynomial in the last variable alone, through
// the matrix of multiplication by that variable (last_variable_normal_form):
// Horner's rule term by term redoes the reduction of the same products at
// every one of its deg f steps.  Nothing when the basis is not of the form
// the matrix needs (reduced, monic, sorted, zero-dimensional).
std::optional<SparsePoly> normal_form_by_matrix(const SparsePoly& f, Dpol* const* basis,
                                                uint32_t nb, uint32_t n, uint32_t V) {
  std::vector<Dpol*> nonzero;
  for (uint32_t k = 0; k < nb; ++k)
    if (basis[k]->n > 0) nonzero.push_back(basis[k]);
  const std::vector<uint32_t> primes(ZEL_C(Primes), ZEL_C(Primes) + V);
  std::vector<ModPoly> coefficients(V);
  for (const auto& [w, c] : f) {
    const uint32_t d = get_field(reinterpret_cast<const ExposW*>(w.data()), n - 1);
    for (uint32_t l = 0; l < V; ++l) {
      if (coefficients[l].size() <= d) coefficients[l].resize(d + 1, 0);
      coefficients[l][d] = c[l] % primes[l];
    }
  }
  const std::optional<NormalSetPoly> nf = last_variable_normal_form(
      basis_of(nonzero.data(), uint32_t(nonzero.size())), n, coefficients, primes);
  if (!nf) return std::nullopt;
  SparsePoly r;
  for (size_t t = 0; t < nf->monomials.size(); ++t) {
    Coeffs& c = r[pack(nf->monomials[t])];
    for (uint32_t l = 0; l < V; ++l) c.push_back(nf->coef[l][t]);
  }
  return r;
}

// The inverse of the leading coefficient of s (not 0) in every lane; fatal
// where it is 0 modulo the lane's prime, naming s as `what` number `which`.
Coeffs inverse_of_lead(const SparsePoly& s, uint32_t V, const char* what, uint32_t which) {
  Coeffs inv(V);
  for (uint32_t l = 0; l < V; ++l) {
    const uint64_t p = ZEL_C(Primes)[l], lc = s.begin()->second[l];
    if (lc == 0)
      Fatal("lib_normalForm: %s %u has a leading coefficient 0 modulo %u\n", what, which,
            uint32_t(p));
    inv[l] = inv_mod(lc, p);
  }
  return inv;
}

// The non-zero polynomials of basis[0 .. nb-1] as reducers, monic in every
// lane; a leading coefficient 0 modulo a lane's prime is fatal.
std::vector<Reducer> monic_reducers(Dpol* const* basis, uint32_t nb, uint32_t nv, uint32_t V) {
  std::vector<Reducer> G;
  for (uint32_t k = 0; k < nb; ++k) {
    SparsePoly s = to_sparse(basis[k], nv, V);
    if (s.empty()) continue;
    Reducer r;
    r.lead = unpack(s.begin()->first, nv);
    const Coeffs inv = inverse_of_lead(s, V, "basis polynomial", k);
    for (const auto& [w, c] : s) {
      Coeffs m(V);
      for (uint32_t l = 0; l < V; ++l) m[l] = mul_mod(c[l], inv[l], ZEL_C(Primes)[l]);
      r.terms.emplace_back(unpack(w, nv), m);
    }
    G.push_back(std::move(r));
  }
  return G;
}

// Whether every term of polys[0 .. n-1] is a power of the last variable
// (or a constant).
bool in_last_variable(Dpol* const* polys, uint32_t n, uint32_t nv) {
  for (uint32_t k = 0; k < n; ++k)
    for (uint32_t t = 0; t < polys[k]->n; ++t)
      for (uint32_t v = 0; v + 1 < nv; ++v)
        if (get_field(words_of(polys[k]->mono[t]), v) != 0) return false;
  return nv > 0;
}

// r += s, lane by lane; terms that vanish in every lane go.
void add_into(SparsePoly& r, const SparsePoly& s, uint32_t V) {
  for (const auto& [w, c] : s) {
    Coeffs& dst = r[w];
    dst.resize(V, 0);
    for (uint32_t l = 0; l < V; ++l) dst[l] = (dst[l] + c[l]) % ZEL_C(Primes)[l];
    if (std::all_of(dst.begin(), dst.end(), [](uint64_t x) { return x == 0; })) r.erase(w);
  }
}

// The normal form of f, a polynomial in x_v .. x_{n-1}, modulo a Groebner
// basis, by Horner's rule in each variable in turn as on the server side:
// with f = sum_d x_v^d c_d, r := NF(x_v r) + NF(c_d) from the top degree
// down, each NF(c_d) taken the same way in the later variables.  Every r
// stays on the normal set, where reducing f term by term can spread over
// nearly every monomial below its degree first.
SparsePoly normal_form_by_variables(const SparsePoly& f, uint32_t v,
                                    const std::vector<Reducer>& G, uint32_t n, uint32_t V) {
  if (f.empty() || v == n) return normal_form(f, G, n, V);
  std::map<uint32_t, SparsePoly> coefficient;
  for (const auto& [w, c] : f) {
    Exps e = unpack(w, n);
    const uint32_t d = e[v];
    e[v] = 0;
    coefficient[d][pack(e)] = c;
  }
  if (coefficient.size() == 1 && coefficient.begin()->first == 0)
    return normal_form_by_variables(coefficient.begin()->second, v + 1, G, n, V);
  SparsePoly r;
  for (int64_t d = int64_t(coefficient.rbegin()->first); d >= 0; --d) {
    if (!r.empty()) {
      r = normal_form(times_variable(r, v, n), G, n, V);
    }
    const auto it = coefficient.find(uint32_t(d));
    if (it != coefficient.end()) add_into(r, normal_form_by_variables(it->second, v + 1, G, n, V), V);
  }
  return r;
}

uint32_t degree_of(const SparsePoly& s, uint32_t n) {
  uint32_t d = 0;
  for (const auto& term : s) d = std::max(d, exps_degree(unpack(term.first, n)));
  return d;
}

// f / g when g divides f exactly in every lane (dividing leading terms
// until nothing is left); a remainder or a leading coefficient of g that is
// 0 modulo a lane's prime is fatal.
SparsePoly exact_quotient(SparsePoly f, const SparsePoly& g, uint32_t n, uint32_t V,
                          uint32_t which) {
  if (g.empty()) Fatal("lib_normalForm: divisor %u is zero\n", which);
  const Exps glead = unpack(g.begin()->first, n);
  const Coeffs ginv = inverse_of_lead(g, V, "divisor", which);
  SparsePoly q;
  while (!f.empty()) {
    const Exps e = unpack(f.begin()->first, n);
    if (!divides(glead, e))
      Fatal("lib_normalForm: divisor %u does not divide the polynomial\n", which);
    Exps m(n);
    for (uint32_t v = 0; v < n; ++v) m[v] = e[v] - glead[v];
    Coeffs c(V);
    for (uint32_t l = 0; l < V; ++l)
      c[l] = mul_mod(f.begin()->second[l], ginv[l], ZEL_C(Primes)[l]);
    q[pack(m)] = c;
    for (const auto& [w, gc] : g) {
      Exps prod = unpack(w, n);
      for (uint32_t v = 0; v < n; ++v) prod[v] += m[v];
      const Words key = pack(prod);
      Coeffs& dst = f[key];
      dst.resize(V, 0);
      bool zero = true;
      for (uint32_t l = 0; l < V; ++l) {
        const uint64_t p = ZEL_C(Primes)[l];
        dst[l] = (dst[l] + p - mul_mod(c[l], gc[l], p)) % p;
        zero = zero && dst[l] == 0;
      }
      if (zero) f.erase(key);
    }
  }
  return q;
}

// --- Hilbert numerator ---------------------------------------------------------

using Series = std::vector<int64_t>;

void add_shifted(Series& a, const Series& b, uint32_t shift, int64_t sign) {
  if (a.size() < b.size() + shift) a.resize(b.size() + shift, 0);
  for (size_t i = 0; i < b.size(); ++i) a[i + shift] += sign * b[i];
}

std::vector<Exps> minimalise(std::vector<Exps> g) {
  std::sort(g.begin(), g.end(),
            [](const Exps& a, const Exps& b) { return exps_degree(a) < exps_degree(b); });
  std::vector<Exps> out;
  for (const Exps& m : g)
    if (std::none_of(out.begin(), out.end(), [&](const Exps& o) { return divides(o, m); }))
      out.push_back(m);
  return out;
}

// Pivots on the variable that most generators contain: N(I) = N(I + <x>)
// + t N(I : x); pairwise coprime generators give the product of (1 - t^d).
Series numerator(std::vector<Exps> g, uint32_t n) {
  g = minimalise(std::move(g));
  std::vector<uint32_t> uses(n, 0);
  bool coprime = true;
  for (const Exps& m : g)
    for (uint32_t v = 0; v < n; ++v)
      if (m[v] && ++uses[v] > 1) coprime = false;
  if (coprime) {
    Series s{1};
    for (const Exps& m : g) {
      Series t = s;
      add_shifted(s, t, exps_degree(m), -1);
    }
    return s;
  }
  const uint32_t x = uint32_t(std::max_element(uses.begin(), uses.end()) - uses.begin());
  std::vector<Exps> plus, colon;
  Exps xv(n, 0);
  xv[x] = 1;
  plus.push_back(xv);
  for (const Exps& m : g) {
    if (!m[x]) plus.push_back(m);
    Exps c = m;
    if (c[x]) --c[x];
    colon.push_back(c);
  }
  Series s = numerator(std::move(plus), n);
  add_shifted(s, numerator(std::move(colon), n), 1, 1);
  return s;
}

// --- Normal forms on the server side -----------------------------------------

#ifdef ZEL_VARIANT_INT
namespace srv = orv::int_build;
using ServerE = srv::ExpBigDexp;
using ServerC = srv::CoefVGF;
#else
namespace srv = orv::fp_build;
using ServerE = srv::ExpDRLDRL;
using ServerC = srv::CoefGFC;
#endif
using ServerNode = srv::DmpNode<ServerE, ServerC>;
using ServerCell = srv::DmpList<ServerE, ServerC>;
using ServerNF = srv::NormalForm<ServerE, ServerC>;

// The server's degree-ordered polynomials order all variables as one
// block, and the prime-field build's hold 8-bit exponents (one-block total
// degrees up to 127).  Reduction never raises the degree in that order, so
// inputs that fit give results that fit; other requests stay on the
// engine's side.
bool server_holds(Dpol* const* polys, uint32_t n, Dpol* const* basis, uint32_t nb,
                  Dpol* const* divisors, uint32_t ndiv) {
  const uint32_t nv = nb_of_affine_variables;
  if (nv == 0 || (var_second_block != 0 && var_second_block < nv)) return false;
#ifdef ZEL_VARIANT_FP
  if (ZEL_C(vectorize) != 1) return false;
  for (auto [set, count] : {std::pair{polys, n}, {basis, nb}, {divisors, ndiv}})
    for (uint32_t k = 0; k < count; ++k)
      for (uint32_t t = 0; t < set[k]->n; ++t)
        if (exps_degree(affine_exps(set[k]->mono[t], nv)) > 127) return false;
#else
  (void)polys, (void)n, (void)basis, (void)nb, (void)divisors, (void)ndiv;
#endif
  return true;
}

// An engine polynomial as a server polynomial (sorted, equal monomials
// added, zero terms dropped).
ServerNode* to_server(const Dpol* p) {
  const auto* const* monomials = reinterpret_cast<const uint64_t* const*>(p->mono);
#ifdef ZEL_VARIANT_INT
  ServerCell* cell = Orv_receive_Poly_multi_VGF(
      nullptr, monomials, reinterpret_cast<const uint32_t* const*>(lanes(p)), p->n,
      ZEL_C(vectorize));
#else
  std::vector<uint32_t> coefs(lanes(p)[0], lanes(p)[0] + p->n);
  ServerCell* cell = Orv_receive_Poly_GFC(nullptr, monomials, coefs.data(), p->n);
#endif
  ServerNode* s = cell->poly;
  srv::ListPool<ServerE, ServerC>::free_(cell);
  return s;
}

Dpol* from_server(const ServerNode* p, uint32_t nv) {
  Dpol* q = new_Dpol(srv::TermPool<ServerE, ServerC>::size_(const_cast<ServerNode*>(p)));
  Exps e(nv);
  for (uint32_t t = 0; p != nullptr; p = p->next, ++t) {
    for (uint32_t v = 0; v < nv; ++v) e[v] = ServerE::extraire(p->e, v);
    q->mono[t] = expos_from(e);
#ifdef ZEL_VARIANT_INT
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) lanes(q)[l][t] = Dom(p->coef.rep[l]);
#else
    lanes(q)[0][t] = Dom(p->coef);
#endif
  }
  return q;
}

// The prime of the first lane where the leading coefficient of p is 0, or 0.
uint32_t vanishing_lead_prime(const ServerNode* p) {
#ifdef ZEL_VARIANT_INT
  for (uint32_t l = 0; l < ZEL_C(vectorize); ++l)
    if (p->coef.rep[l] == 0) return uint32_t(ZEL_C(Primes)[l]);
#else
  if (p->coef == 0) return uint32_t(ZEL_C(Primes)[0]);
#endif
  return 0;
}

uint32_t server_degree(const ServerNode* p) { return p == nullptr ? 0 : ServerE::total_degree(p->e); }

void normal_forms_on_server(Dpol* const* polys, uint32_t n, Dpol* const* basis, uint32_t nb,
                            Dpol* const* divisors, uint32_t ndiv, uint32_t univariate, Dpol** out) {
  const uint32_t nv = nb_of_affine_variables;
#ifdef ZEL_VARIANT_INT
  Orv_set_vars_VGF(nv, nv);
  Orv_set_Coeffs_VGF(ZEL_C(vectorize), reinterpret_cast<const uint32_t*>(ZEL_C(Primes)));
  // Every coefficient made here is dropped on the way out: the results are
  // engine polynomials by then.
  struct HeapMark {
    srv::Garbage_State state;
    HeapMark() { srv::save_orv_state_VGF(state); }
    ~HeapMark() { srv::restore_orv_state_VGF(state); }
  } heap_mark;
#else
  Orv_set_vars_GFC(nv, nv);
  const uint32_t prime = uint32_t(ZEL_C(Primes)[0]);
  Orv_set_Coeffs_GFC(1, &prime);
#endif
  using Lists = srv::DmpLists<ServerE, ServerC>;
  ServerCell* G = nullptr;  // in basis order: the first divisor reduces
  for (uint32_t k = nb; k-- > 0;) {
    ServerNode* g = to_server(basis[k]);
    if (g == nullptr) continue;
    if (const uint32_t p = vanishing_lead_prime(g))
      Fatal("lib_normalForm: basis polynomial %u has a leading coefficient 0 modulo %u\n", k, p);
    G = Lists::L::cons(g, G);
  }
  const std::vector<const ServerNode*> monic_basis = ServerNF::monic_copies(ServerNF::reducers(G));
  for (uint32_t k = 0; k < n; ++k) {
    ServerNode* f = to_server(polys[k]);
    if (univariate == 1) {
      Stderr("Take NF of deg %d --> ", int(server_degree(f)));
      for (uint32_t d = 0; d < ndiv; ++d) {
        ServerNode* g = to_server(divisors[d]);
        if (g == nullptr) Fatal("lib_normalForm: divisor %u is zero\n", d);
        if (const uint32_t p = vanishing_lead_prime(g))
          Fatal("lib_normalForm: divisor %u has a leading coefficient 0 modulo %u\n", d, p);
        bool exact = true;
        f = ServerNF::divide_exactly(f, g, exact);
        srv::TermPool<ServerE, ServerC>::kill_all_(g);
        if (!exact) Fatal("lib_normalForm: divisor %u does not divide the polynomial\n", d);
      }
      Stderr("%d \n", int(server_degree(f)));
    }
    const uint32_t v = univariate == 1 ? srv::Dmp<ServerE, ServerC>::is_univariate(f) : ~0u;
    ServerNode* nf;
    if (v != ~0u) {
      nf = ServerNF::reduce_univariate(f, v, ServerNF::reducers(G));
    } else {
#ifdef ZEL_VARIANT_INT
      nf = srv::GC_normalFormByVariables__BigDexp__VGF_d(f, monic_basis);
#else
      nf = srv::GC_normalFormByVariables__DRLDRL__GFC_d(f, monic_basis);
#endif
    }
    out[2 * k + 1] = from_server(nf, nv);
    srv::TermPool<ServerE, ServerC>::kill_all_(nf);
  }
  ServerNF::release_copies(monic_basis);
  srv::ListPool<ServerE, ServerC>::kill_all_(G);
}

// The numerator through the server's Hilbert package: the variables are
// declared to it and the leading monomials become its staircase
// generators.  The prime-field build's server exponents hold 8 bits (one
// block: total degrees up to 127) and its numerator terms 8-bit degrees;
// the numerator's degree is at most that of the lcm of the generators.
// Generators beyond that stay on the engine's side.
bool server_holds_leads(const std::vector<Exps>& leads, uint32_t n) {
  if (n == 0) return false;
#ifdef ZEL_VARIANT_FP
  Exps lcm(n, 0);
  for (const Exps& e : leads) {
    if (exps_degree(e) > 127) return false;
    for (uint32_t v = 0; v < n; ++v) lcm[v] = std::max(lcm[v], e[v]);
  }
  if (exps_degree(lcm) > 255) return false;
#else
  (void)leads;
#endif
  return true;
}

Series numerator_of_leads(const std::vector<Exps>& leads, uint32_t n) {
  if (!server_holds_leads(leads, n)) return hilbert_numerator(leads, n);
#ifdef ZEL_VARIANT_INT
  Orv_set_vars_VGF(n, n);
#else
  Orv_set_vars_GFC(n, n);
#endif
  std::vector<std::vector<uint16_t>> rows;
  for (const Exps& e : leads) rows.emplace_back(e.begin(), e.end());
  srv::univarpoly* num = srv::hilbert_of_monomials(rows);
  Series s = srv::numerator_coefficients(num);
  srv::ORV_C(kill_all_Hilb_Poly)(num);
  return s;
}

}  // namespace

uint32_t is_zerodim(Dpol* const* basis, uint32_t n) {
  const uint32_t nv = nb_of_affine_variables;
  return missing_pure_power(leading_monomials(basis, n, nv), nv) == nv ? 1 : 0;
}

std::vector<Exps> staircase(Dpol* const* basis, uint32_t nb, uint32_t* D) {
  *D = 0;
  if (nb == 0) return {};
  const uint32_t n = nb_of_affine_variables;
  const std::vector<Exps> leads = leading_monomials(basis, nb, n);
  const uint32_t v = missing_pure_power(leads, n);
  if (v < n)
    Fatal("The basis is not zero-dimensional: no leading monomial is a power of %s\n", var_name(v));
  std::vector<Exps> set;
  if (std::none_of(leads.begin(), leads.end(), [&](const Exps& l) { return exps_degree(l) == 0; }))
    set.push_back(Exps(n, 0));
  for (uint32_t w = n; w-- > 0;) {
    const size_t L = set.size();
    for (size_t e = 0; e < L; ++e)
      for (uint32_t k = 1;; ++k) {
        Exps c = set[e];
        c[w] = k;
        if (std::any_of(leads.begin(), leads.end(), [&](const Exps& l) { return divides(l, c); }))
          break;
        set.push_back(std::move(c));
      }
  }
  *D = uint32_t(set.size());
  Stderr("Found dimension: %d\n", int(*D));
  return set;
}

uint32_t lib_normalForm(Dpol* const* polys, uint32_t n, Dpol* const* basis, uint32_t nb,
                        Dpol* const* divisors, uint32_t ndiv, uint32_t univariate, Dpol** out) {
  if (ndiv > 0 && univariate != 1)
    Fatal("lib_normalForm: divisors are taken only with the univariate flag\n");
  ExitsRaiseFatal server_exits;
  lib_init();
  const uint32_t nv = nb_of_affine_variables, V = ZEL_C(vectorize);
  // Polynomials in the last variable alone (the radical strategy's) go
  // through the matrix of multiplication by it (normal_form_by_matrix),
  // built once for the lanes, where the server's Horner rule reduces every
  // lane of the same products again at each of its deg f steps.
  if (!(univariate == 1 && in_last_variable(polys, n, nv)) &&
      server_holds(polys, n, basis, nb, divisors, ndiv)) {
    SparsePoly unit;
    unit[pack(Exps(nv, 0))] = Coeffs(V, 1);
    for (uint32_t k = 0; k < n; ++k) out[2 * k] = to_dpol(unit, nv, V);
    normal_forms_on_server(polys, n, basis, nb, divisors, ndiv, univariate, out);
    return 2 * n;
  }
  // The basis as monic reducers, for the term-by-term forms only.
  std::vector<Reducer> G;
  bool made = false;
  auto reducers = [&]() -> const std::vector<Reducer>& {
    if (!made) G = monic_reducers(basis, nb, nv, V);
    made = true;
    return G;
  };
  for (uint32_t k = 0; k < n; ++k) {
    SparsePoly one;
    one[pack(Exps(nv, 0))] = Coeffs(V, 1);
    out[2 * k] = to_dpol(one, nv, V);
    SparsePoly f = to_sparse(polys[k], nv, V);
    if (univariate == 1) {
      Stderr("Take NF of deg %d --> ", int(degree_of(f, nv)));
      for (uint32_t d = 0; d < ndiv; ++d)
        f = exact_quotient(std::move(f), to_sparse(divisors[d], nv, V), nv, V, d);
      Stderr("%d \n", int(degree_of(f, nv)));
    }
    const uint32_t v = univariate == 1 ? only_variable(f, nv) : nv;
    std::optional<SparsePoly> nf;
    if (v + 1 == nv) nf = normal_form_by_matrix(f, basis, nb, nv, V);
    if (!nf)
      nf = v < nv ? normal_form_univariate(f, v, reducers(), nv, V)
                  : normal_form_by_variables(f, 0, reducers(), nv, V);
    out[2 * k + 1] = to_dpol(*nf, nv, V);
  }
  return 2 * n;
}

std::vector<int64_t> hilbert_numerator(std::vector<Exps> gens, uint32_t n) {
  Series s = numerator(std::move(gens), n);
  while (s.size() > 1 && s.back() == 0) s.pop_back();
  return s;
}

uint32_t lib_hilbert_compute(void* const* base, uint32_t nb, void** result) {
  ExitsRaiseFatal server_exits;
  lib_init();
  const uint32_t n = nb_of_affine_variables;
  std::vector<Exps> leads;
  for (uint32_t k = 0; k < nb; ++k) {
#ifdef ZEL_VARIANT_INT
    const auto* p = static_cast<const Dpol_INT*>(base[k]);
#else
    const auto* p = static_cast<const Dpol*>(base[k]);
#endif
    if (p->n > 0) leads.push_back(affine_exps(p->mono[0], n));
  }
  const Series s = numerator_of_leads(leads, n);
  if (s.size() > 65525) Fatal("lib_hilbert_compute: numerator of degree %zu\n", s.size() - 1);
  std::vector<uint32_t> degs;
  for (size_t i = s.size(); i-- > 0;)
    if (s[i] != 0) degs.push_back(uint32_t(i));
#ifdef ZEL_VARIANT_INT
  Dpol_INT* q = new_Dpol_INT(uint32_t(degs.size()));
#else
  Dpol* q = new_Dpol(uint32_t(degs.size()));
#endif
  for (size_t t = 0; t < degs.size(); ++t) {
    Exps e(std::max<uint32_t>(n, 1), 0);
    e[0] = degs[t];
    q->mono[t] = expos_from(e);
    const int64_t v = s[degs[t]];
#ifdef ZEL_VARIANT_INT
    if (v > INT32_MAX || v < -INT32_MAX) Fatal("lib_hilbert_compute: coefficient too large\n");
    coeffs_INT(q)[t] = ZEL_C(cINT_I32)(int32_t(v));
#else
    const int64_t p = ZEL_C(Primes)[0];
    lanes(q)[0][t] = Dom(((v % p) + p) % p);
#endif
  }
  result[0] = q;
  return 1;
}

void release_server_memory() { srv::release_unused_pool_blocks(); }

}  // namespace zel::ZEL_BUILD
