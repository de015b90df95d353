#include "engine/driver/universal_cmd.hpp"

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "engine/call_zel.h"
#include "engine/driver/complete_gbasis.hpp"
#include "engine/driver/compute_entry.hpp"
#include "engine/driver/fast_chg_order.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/driver/mult_matrix.hpp"
#include "engine/driver/rational_param.hpp"
#include "engine/driver/refusal.hpp"
#include "engine/coef/primes.hpp"
#include "engine/driver/affine_monomials.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/dpol_sort.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/pairs.hpp"
#include "engine/f4/trace.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_array.hpp"
#include "engine/mono/expos_hash.hpp"
#include "server/algo/bridge.hpp"

namespace zel::ZEL_BUILD {

uint64_t first_basis_products = 0;

namespace {

constexpr uint32_t kWorkRoom = 100000;

double cpu_now() { return double(std::clock()) / CLOCKS_PER_SEC; }

// A zero-dimensional basis, or a clear refusal.
void require_zerodim(Dpol* const* W, uint32_t nb) {
  if (!is_zerodim(W, nb))
    Refuse("The system is not zero-dimensional: this mode needs finitely many solutions\n");
}

// A basis with at least one solution and finitely many in the variables
// from x_first on (those before it were eliminated on request), or the
// refusals the change of order gives.  The reduced basis of the unit ideal
// is {1}: a leading monomial of degree 0.
void require_solutions(Dpol* const* W, uint32_t nb, uint32_t first) {
  const uint32_t n = nb_of_affine_variables;
  std::vector<bool> has_power(n, false);
  for (uint32_t i = 0; i < nb; ++i) {
    if (W[i]->n == 0) continue;
    const Exps lead = affine_exps(W[i]->mono[0], n);
    uint32_t vars = 0, v = 0;
    for (uint32_t w = 0; w < n; ++w)
      if (lead[w] != 0) ++vars, v = w;
    if (vars == 0) Refuse("build_last_matrix: the basis has no solution (empty normal set)\n");
    if (vars == 1) has_power[v] = true;
  }
  for (uint32_t v = first; v < n; ++v)
    if (!has_power[v])
      Refuse("The system is not zero-dimensional: this mode needs finitely many solutions\n");
}

// The normal set of a zero-dimensional basis, or a clear refusal.
uint32_t normal_set_size(Dpol* const* W, uint32_t nb) {
  require_zerodim(W, nb);
  uint32_t D;
  staircase(W, nb, &D);
  return D;
}

// The polynomials of v[0 .. n-1] that have terms, in order.  A zero
// polynomial adds nothing to an ideal (the main loop leaves such inputs
// out) and has no leading monomial to sort by.
std::vector<Dpol*> without_zeros(Dpol* const* v, uint32_t n) {
  std::vector<Dpol*> kept;
  for (uint32_t i = 0; i < n; ++i)
    if (v[i]->n > 0) kept.push_back(v[i]);
  return kept;
}

// A basis computed after the first one in the same pass of the integer
// build: the first batch's trace follows the first basis only (its last
// inter-reduction is written but never replayed), so this one computes
// every row instead of replaying.
uint32_t later_gbasis(Dpol** polys, uint32_t n, Dpol** out, double* t) {
  struct Ignore {
    uint32_t saved = ZEL_C(want_ignore_simulin);
    ~Ignore() { ZEL_C(want_ignore_simulin) = saved; }
  } ignore;
  ZEL_C(want_ignore_simulin) = 1;
  return complete_gbasis(polys, n, out, t);
}

// A copy homogenised and with its terms sorted for the current block order:
// a basis, or inputs, made under another order enter a run on this one.
Dpol* in_current_order(const Dpol* p) {
  Dpol* q = homogeneous_copy(p);
  force_sort_Dpol(q);
  return q;
}

// The change of order reads the normal set off the leading monomials of a
// basis for the degree order on all variables.  A basis for block orders
// (mode 11 without a second basis, a basis handed over in a session of two
// blocks) is replaced by that basis, computed from from[0 .. n-1], which
// must span the same ideal as W[0 .. nb-1].  Returns the count of W.
uint32_t degree_order_basis(PolyRoom& W, uint32_t nb, Dpol* const* from, uint32_t n) {
  if (var_second_block == 0) return nb;
  var_second_block = 0;
  std::vector<Dpol*> copies(n);
  for (uint32_t i = 0; i < n; ++i) copies[i] = in_current_order(from[i]);
  resort_Dpol(copies.data(), int32_t(n));
  double t = 0;
  return later_gbasis(copies.data(), n, W.data(), &t);
}

// Whether f, the square-free part of the minimal polynomial m of the last
// variable modulo the ideal of the basis W[0 .. nb-1], lies in the ideal
// without a normal form: f divides m, and m's degree is at most the size D
// of the normal set, so a degree of D makes f = m, which vanishes there
// (every solution simple and told apart by the last variable).
bool is_whole_minimal_polynomial(const Dpol* f, Dpol* const* W, uint32_t nb) {
  if (f->n == 0) return false;
  const uint32_t degree = exps_degree(affine_exps(f->mono[0], nb_of_affine_variables));
  return degree == normal_set_size(W, nb);
}

// The radical strategy: result[0] holds the square-free minimal polynomial
// f of the last variable.  Its normal form (after dividing out the
// localisers) joins the basis W[0 .. nb-1] when non-zero, which removes the
// multiplicities (and the localisers' roots); the basis is computed again
// and changed in order.  With nothing to join, W is that basis already.
// Either way its minimal polynomial divides f (or f over the localisers),
// which is square-free on every prime: the change of order takes no
// square-free part of it again.  Returns the new count of result.
uint32_t radical_step(PolyRoom& W, uint32_t nb, Dpol** result, uint32_t count,
                      Dpol** localisers, uint32_t nloc) {
  if (count == 0) Refuse("Cannot find the univariate polynomial !\n");
  if (uint64_t(nb) + 2 > kWorkRoom) Fatal("Intermediate gbasis is too big !");
  Stderr("Compute NF minpoly\n");
  if (nloc > 0) Stderr("Localilisation by %d polynomes\n", int(nloc));
  bool adds = false;
  if (nloc > 0 || !is_whole_minimal_polynomial(result[0], W.data(), nb)) {
    lib_normalForm(result, 1, W.data(), nb, nloc > 0 ? localisers : nullptr, nloc, 1,
                   W.data() + nb);
    W[nb] = W[nb + 1];
    adds = W[nb]->n > 0;
  }
  if (!adds) {
    Stderr("ne rajoute pas de polynome\n");
    return uint32_t(lib_fast_chg_order(W.data(), nb, result, 0, 0, -1, 0));
  }
  Stderr("Reduction a done <>0\n");
  const uint32_t n2 = nb + 1;
  for (uint32_t i = 0; i < n2; ++i) W[i] = homogeneous_copy(W[i]);
  Stderr("Recompute DRL avec %d pols ...\n", int(n2));
  want_Lexico = 0;
  want_mingbasis_strong = 1;
  var_second_block = 0;
#ifdef ZEL_VARIANT_INT
  want_rr = 0;
#endif
  resort_Dpol(W.data(), int32_t(n2));
  PolyRoom G(kWorkRoom);
  double t = 0;
  const uint32_t nb2 = later_gbasis(W.data(), n2, G.data(), &t);
  if (batch_unusable()) return 0;
  Stderr("Recompute RR with %d pols ... <2>\n", int(nb2));
  require_zerodim(G.data(), nb2);
  return uint32_t(lib_fast_chg_order(G.data(), nb2, result, 0, 0, -1, 0));
}

}  // namespace

uint32_t gbasis_universal_cmd(Dpol** first, uint32_t m, Dpol** result, Dpol** second,
                              uint32_t m_second, double* cpu, uint32_t sqfr, int32_t minpoly,
                              int32_t compute_basis, uint32_t bk, uint32_t elim, uint32_t m2,
                              uint32_t bk2, uint32_t elim2, PolyRoom* first_basis) {
  if (first_basis) first_basis->clear();
  if (m < m2) Fatal("Too many polynomials for 2nd computation (m=%d,m2=%d)\n", int(m), int(m2));
  const bool second_basis = m2 > 0;
  std::vector<Dpol*> inputs = without_zeros(first, m - m2);
  const std::vector<Dpol*> added = without_zeros(first + (m - m2), m2);
  inputs.insert(inputs.end(), added.begin(), added.end());
  first = inputs.data();
  m = uint32_t(inputs.size());
  m2 = uint32_t(added.size());
  // The localisers of the radical strategy likewise; the polynomials to
  // reduce keep their places, a zero one has the normal form 0.
  std::vector<Dpol*> localisers;
  if (want_radical_strateg1) {
    localisers = without_zeros(second, m_second);
    second = localisers.data();
    m_second = uint32_t(localisers.size());
  }
  PolyRoom W(kWorkRoom);
  const uint32_t saved_block = var_second_block;
  struct Restore {
    uint32_t block;
    ~Restore() { var_second_block = block; }
  } restore{saved_block};
  want_automatique = 0;
  nb_of_renormed = 0;
  want_Lexico = 0;
  // A basis handed over as it is (mode 6) is one for the session's blocks.
  var_second_block = compute_basis ? bk : saved_block;
  want_eliminated = elim;
  want_mingbasis_strong = 1;
#ifdef ZEL_VARIANT_INT
  want_rr = 0;
#endif

  const uint32_t m1 = m - m2;
  // Inputs sorted for the session's blocks enter a run on other blocks as
  // copies sorted for those (the caller's polynomials stay as they are).
  std::vector<Dpol*> reordered;
  if (bk != saved_block && compute_basis) {
    for (uint32_t i = 0; i < m; ++i) reordered.push_back(in_current_order(first[i]));
    first = reordered.data();
  }
  resort_Dpol(first, int32_t(m1));
  uint32_t nb;
  double t = 0;
  first_basis_products = 0;
  if (compute_basis) {
    const uint64_t products = elimination_products;
    nb = complete_gbasis(first, m1, W.data(), &t);
    first_basis_products = elimination_products - products;
    if (first_basis) {
      first_basis->assign(W.begin(), W.begin() + nb);
      // The caller lifts the basis beside the follow-up's results: the
      // pages the elimination freed go back before the change of order
      // takes its own, so that the two peaks do not add up.
      give_back_free_zone_pages();
      malloc_trim(0);
    }
  } else {
    std::copy(first, first + m1, W.begin());
    nb = m1;
  }
  if (cpu) *cpu += t;
  want_automatique = 0;
  nb_of_renormed = 0;
  want_eliminated = 0;

  if (second_basis) {
    var_second_block = bk2;
    want_eliminated = elim2;
    want_mingbasis_strong = 1;
    if (uint64_t(nb) + m2 > 99999) Fatal("Intermediate gbasis is too big !");
    for (uint32_t i = 0; i < nb; ++i) W[i] = in_current_order(W[i]);
    for (uint32_t i = m1; i < m; ++i) W[nb + i - m1] = in_current_order(first[i]);
    resort_Dpol(W.data(), int32_t(nb + m2));
    Stderr("\nStart 2nd gbasis: bk2=%d for %d polys\n", int(bk2), int(nb + m2));
    PolyRoom W2(kWorkRoom);
    double t2 = 0;
    nb = later_gbasis(W.data(), nb + m2, W2.data(), &t2);
    Stderr("\nDRL gbasis: %.2f sec\n", t2);
    std::copy(W2.begin(), W2.begin() + nb, W.begin());
    want_eliminated = 0;
  }

  // Integer build: lane 0's prime is bad in this batch, which the loop over
  // batches drops; nothing after this point would mean anything.
  if (batch_unusable()) return 0;

  uint32_t count;
  if (m_second > 0 && !want_radical_strateg1) {
    const double t0 = cpu_now();
    if (!want_add_equations) {
      count = lib_normalForm(second, m_second, W.data(), nb, nullptr, 0, 0, result);
      if (want_pipe2) Output("#C Second step time %.2f sec\n", cpu_now() - t0);
      return count;
    }
    if (uint64_t(nb) + 2 * m_second > kWorkRoom) Fatal("Intermediate gbasis is too big !");
    const uint32_t k = lib_normalForm(second, m_second, W.data(), nb, nullptr, 0, 0, W.data() + nb);
    if (want_pipe2) Output("#C Second step time %.2f sec\n", cpu_now() - t0);
    // The normal forms join the basis, which is computed again.  Only the
    // normal forms (odd entries): the multipliers are constants and would
    // make every ideal the unit ideal.
    Stderr("Add:");
    std::vector<Dpol*> kept;
    for (uint32_t i = 0; i < nb; ++i) kept.push_back(homogeneous_copy(W[i]));
    for (uint32_t i = 1; i < k; i += 2) {
      Dpol* p = W[nb + i];
      if (p->n == 0) continue;
      rehomogenise(p);
      Stderr(" %d", int(total_degree(words_of(p->mono[0]))));
      kept.push_back(p);
    }
    Stderr("\n");
    want_automatique = 1;
    nb_of_renormed = 0;
    resort_Dpol(kept.data(), int32_t(kept.size()));
    double t3 = 0;
    count = later_gbasis(kept.data(), uint32_t(kept.size()), result, &t3);
    if (want_pipe2) Output("#C Second 3rt time %.2f sec\n", t3);
    return count;
  }

  const double t0 = cpu_now();
  if (want_buildmatrix || !second_basis) {
    // Without elimination the block basis spans the ideal of the system,
    // whose reduced basis for the degree order is the same from either; the
    // system's polynomials have far lower degrees (a block basis's reach
    // the number of solutions), so they give it at a fraction of the cost.
    if (elim)
      nb = degree_order_basis(W, nb, W.data(), nb);
    else
      nb = degree_order_basis(W, nb, inputs.data(), m1);
  }
  if (want_buildmatrix) {
    count = build_last_matrix(W.data(), nb, result, normal_set_size(W.data(), nb), 0, 0);
  } else if (!second_basis) {
    Stderr("Compute RR with %d pols ...\n", int(nb));
    require_zerodim(W.data(), nb);
    count = uint32_t(lib_fast_chg_order(W.data(), nb, result, sqfr,
                                        want_radical_strateg1 ? 1 : minpoly, -1, 0));
  } else {
    // The second basis is handed out as it is: no change of order refuses
    // an ideal with infinitely many solutions or none, which it would
    // answer with a few polynomials and no word.
    require_solutions(W.data(), nb, std::max(elim ? bk : 0, elim2 ? bk2 : 0));
    Stderr("Copy %d pols ...\n", int(nb));
    std::copy(W.begin(), W.begin() + nb, result);
    count = nb;
  }
  if (want_pipe2) Output("#C Second step time %.2f sec\n", cpu_now() - t0);
  if (batch_unusable()) return count;
  if (want_radical_strateg1) count = radical_step(W, nb, result, count, second, m_second);
  Output("#C a faire: %d\n", int(count));
  if (minpoly == 0) {
    Output("#C avant rr\n");
    // A second basis eliminated down to one polynomial of the last variable
    // is its own parametrisation, whatever its degree.
    if (!(second_basis && lone_univariate(result, count))) apply_rr(result, count);
    Output("#C apres rr\n");
  }
  return count;
}

uint32_t run_solving_mode(int32_t mode, Dpol** X, uint32_t n, uint32_t nb_second, Dpol** result,
                          double* cpu, uint32_t bk0, int32_t force_elim, uint32_t nb2, uint32_t bk2,
                          int32_t force_elim2, bool basis_given,
                          PolyRoom* first_basis) {
  const int32_t compute = basis_given ? 0 : 1;
  if ((mode == ZEL_COMPUTE_GBASIS_NF || mode == ZEL_COMPUTE_GBASIS_NF_RECOMPUTE ||
       mode == ZEL_COMPUTE_RADICAL_STRATEG2) &&
      nb_second > n)
    Fatal("Zel interface error: _nb=%u exceeds the %u input polynomials\n", nb_second, n);
  // With no polynomial to reduce the command would go on to the change of
  // order and answer some other mode's question.
  if ((mode == ZEL_COMPUTE_GBASIS_NF || mode == ZEL_COMPUTE_GBASIS_NF_RECOMPUTE) && nb_second == 0)
    Fatal("Zel interface error: mode %d needs at least one polynomial to reduce (_nb > 0)\n",
          int(mode));
  switch (mode) {
    case ZEL_COMPUTE_RRFORM:
      return gbasis_universal_cmd(X, n, result, nullptr, 0, cpu, 0, 0, compute, 0, 0, 0, 0, 0,
                                  first_basis);
    case ZEL_COMPUTE_RRFORM_SQFR:
      return gbasis_universal_cmd(X, n, result, nullptr, 0, cpu, 1, 0, compute, 0, 0, 0, 0, 0,
                                  first_basis);
    case ZEL_COMPUTE_MINPOLY:
      return gbasis_universal_cmd(X, n, result, nullptr, 0, cpu, 0, 1, compute, 0, 0, 0, 0, 0,
                                  first_basis);
    case ZEL_COMPUTE_MINPOLY_SQFR:
      return gbasis_universal_cmd(X, n, result, nullptr, 0, cpu, 1, 1, compute, 0, 0, 0, 0, 0,
                                  first_basis);
    case ZEL_COMPUTE_GBASIS_NF:
      want_add_equations = 0;
      return gbasis_universal_cmd(X + nb_second, n - nb_second, result, X, nb_second, cpu, 1, 1, 0,
                                  0, 0, 0, 0, 0, first_basis);
    case ZEL_COMPUTE_GBASIS_NF_RECOMPUTE:
      want_add_equations = 1;
      return gbasis_universal_cmd(X + nb_second, n - nb_second, result, X, nb_second, cpu, 1, 1, 1,
                                  0, 0, 0, 0, 0, first_basis);
    case ZEL_COMPUTE_RADICAL_STRATEG1:
      want_radical_strateg1 = 1;
      return gbasis_universal_cmd(X, n, result, nullptr, 0, cpu, 1, 1, compute, 0, 0, 0, 0, 0,
                                  first_basis);
    case ZEL_COMPUTE_RADICAL_STRATEG2:
      want_rr_form = 1;
      want_radical_strateg1 = 1;
      Stderr("call gbasis_universal_cmd\n");
      return gbasis_universal_cmd(X, n - nb_second, result, X + (n - nb_second), nb_second, cpu, 1,
                                  0, compute, 0, 0, 0, 0, 0, first_basis);
    case ZEL_COMPUTE_GBASIS_MULTI:
      // A block start past the last variable would leave the second block
      // empty without a word: the request would be answered as another mode.
      if (bk0 > nb_of_affine_variables)
        Fatal("Zel interface error: bk0=%u exceeds the %u variables\n", bk0,
              nb_of_affine_variables);
      if (nb2 > 0 && bk2 > nb_of_affine_variables)
        Fatal("Zel interface error: _bk2=%u exceeds the %u variables\n", bk2,
              nb_of_affine_variables);
      return gbasis_universal_cmd(X, n, result, nullptr, 0, cpu, 0, 0, 1, bk0, uint32_t(force_elim),
                                  nb2, bk2, uint32_t(force_elim2), first_basis);
    case ZEL_COMPUTE_MATRIXN:
      want_buildmatrix = 1;
      want_mingbasis_strong = 1;
      want_rr_form = 1;
      // The prime-field build stops at the shape form; the integer build
      // goes on to the rational parametrisation.
      return gbasis_universal_cmd(X, n, result, nullptr, 0, cpu, 0, kIntegerBuild ? 0 : 1, compute,
                                  0, 0, 0, 0, 0, first_basis);
    default:
      Fatal("compute mode %d (%s) is not available in this version of the library\n", mode,
            compute_mode_name(mode));
  }
}

}  // namespace zel::ZEL_BUILD
