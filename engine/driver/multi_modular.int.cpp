// The integer build's loop over batches of primes (see multi_modular.hpp).
#include "engine/driver/multi_modular.hpp"
#include "engine/driver/universal_cmd.hpp"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/call_zel.h"
#include "engine/coef/batch_residues.hpp"
#include "engine/coef/chinese.hpp"
#include "engine/coef/default_primes.hpp"
#include "engine/coef/early_lift.hpp"
#include "engine/coef/int_arith.hpp"
#include "engine/coef/int_slide.hpp"
#include "engine/coef/lift_check.hpp"
#include "engine/coef/prime_draw.hpp"
#include "engine/coef/primes.hpp"
#include "engine/coef/residue.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/driver/refusal.hpp"
#include "engine/driver/stopped_request.hpp"
#include "engine/f4/basis.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/trace.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/pool.hpp"
#include "engine/mem/xmalloc.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_pool.hpp"

namespace zel::ZEL_BUILD {

ModularFigures last_modular_figures;
bool draw_later_batches = true;
uint32_t request_prime_limit = kDefaultPrimes;

namespace {

constexpr uint32_t kMaxPasses = 10000;
constexpr uint32_t kResultRoom = 100000;
// Batches in a row that may disagree with the first pass before it is
// computed again.
constexpr uint32_t kMaxDisagreements = 3;
// The batch stops doubling once the build's long-lived arrays (xmalloc,
// counted in KiB) total more than this after a pass's computation.
constexpr uint64_t kDoublingLimitKiB = 512000;

// The change-of-order modes pay the same work for every prime (the basis
// replayed, the sparse FGLM, the parametrisation), and their results all
// need about as many primes: once this many primes have not been enough,
// the total grows by an eighth per pass instead of doubling, so that the
// last pass overshoots the primes needed by at most an eighth (a pass costs
// little beside its primes' change of order).
constexpr uint32_t kSolvingSteps = 64;
// Those batches are whole groups of lanes of the elimination's widest
// kernel (the nearest multiple of 8 to the eighth).
constexpr uint32_t kLaneGroup = 8;
// The passes of a change of order stop lifting the degree-order basis once
// its lifts have cost about as much as the basis's computations (the
// replays that taking it would spare).  Both are counted, not timed, so
// that a request takes the same path on every run and every machine: the
// lifts by the squared limbs of the modulus for every term they try (the
// reconstruction is quadratic in it), the computations by their
// eliminations' multiply-adds (elimination_products).  One squared limb
// of a term costs about as much as 5 (dense systems) to 15 (katsura)
// multiply-adds of a replay.  With 12, the lifts of the katsura systems
// stay below a third of their replays; those of dense-3-5-16 pass them in
// the second pass, those of dense-7-2-8 in the third.
constexpr uint64_t kProductsPerLiftLimb2 = 12;

bool solving_mode(int32_t mode) {
  switch (mode) {
    case ZEL_COMPUTE_RRFORM:
    case ZEL_COMPUTE_RRFORM_SQFR:
    case ZEL_COMPUTE_MINPOLY:
    case ZEL_COMPUTE_MINPOLY_SQFR:
    case ZEL_COMPUTE_RADICAL_STRATEG1:
    case ZEL_COMPUTE_RADICAL_STRATEG2:
    case ZEL_COMPUTE_MATRIXN:
      return true;
    default:
      return false;
  }
}

// The modes whose passes may take the lifted degree-order basis (see
// multi_modular.hpp), when it is the basis they would compute: plain
// degree order on all variables (no block order of the session, no
// lexicographic order).
bool may_take_lifted_basis(const ModularRequest& rq) {
  if (!solving_mode(rq.mode) || var_second_block != 0 || want_Lexico != 0) return false;
  const uint32_t localisers = rq.mode == ZEL_COMPUTE_RADICAL_STRATEG2 ? rq.nb_second : 0;
  return localisers < rq.n;  // else the mode refuses the request as it stands
}

// ---- primes ------------------------------------------------------------------

// The leading coefficient (first non-zero one) of every input.
std::vector<const INT*> leading_coefficients(Dpol_INT* const* in, uint32_t n) {
  std::vector<const INT*> lead;
  for (uint32_t i = 0; i < n; ++i) {
    const INT* c = coeffs_INT(in[i]);
    for (uint32_t t = 0; t < in[i]->n; ++t)
      if (!ZEL_C(is_zero_INT)(c[t])) {
        lead.push_back(&c[t]);
        break;
      }
  }
  return lead;
}

// The input coefficient of largest magnitude; null when there is none.
const INT* widest_coefficient(Dpol_INT* const* input, uint32_t n) {
  const INT* widest = nullptr;
  for (uint32_t i = 0; i < n; ++i) {
    const INT* c = coeffs_INT(input[i]);
    for (uint32_t t = 0; t < input[i]->n; ++t)
      if (widest == nullptr || ZEL_C(ucompare_INT)(c[t], *widest) > 0) widest = &c[t];
  }
  return widest;
}

// Appends p to batch unless it divides a leading coefficient of the input
// (the input would not be monic modulo p); such a prime is counted as skipped.
void take_unless_it_divides_a_lead(uint32_t p, const std::vector<const INT*>& lead,
                                   std::vector<uint32_t>& batch) {
  for (const INT* c : lead)
    if (ZEL_C(INT_to_Dom)(*c, p) == 0) {
      ++last_modular_figures.skipped_primes;
      return;
    }
  batch.push_back(p);
}

std::vector<uint32_t> drawn_batch(uint32_t v, const std::vector<const INT*>& lead,
                                  std::unordered_set<uint32_t>& taken);

// The next v primes of the default table, walking down from its top past
// offset_primes, leaving out those that divide a leading coefficient (the
// input would not be monic modulo them) and those an earlier batch took
// (taken: a prime combined twice has no inverse modulo the product).  Where
// the table runs out (a late offset, a large batch, or many of its primes
// dividing a leading coefficient, as an input built against it may have)
// the rest is drawn (drawn_batch): the end of a public table refuses no
// request.  The batch's primes join taken.  Increasing order, as init_Dom.
std::vector<uint32_t> next_batch(uint32_t v, const std::vector<const INT*>& lead,
                                 std::unordered_set<uint32_t>& taken) {
  std::vector<uint32_t> batch;
  const uint32_t* table = Zel_Default_Primes32();
  while (batch.size() < v && offset_primes < uint32_t(kDefaultPrimes)) {
    const uint32_t p = table[kDefaultPrimes - 1 - int32_t(offset_primes)];
    ++offset_primes;
    if (taken.insert(p).second) take_unless_it_divides_a_lead(p, lead, batch);
  }
  if (batch.size() < v) {
    const std::vector<uint32_t> rest = drawn_batch(v - uint32_t(batch.size()), lead, taken);
    batch.insert(batch.end(), rest.begin(), rest.end());
  }
  std::sort(batch.begin(), batch.end());
  return batch;
}

// v primes drawn at random outside the table (prime_draw.hpp), again
// leaving out those that divide a leading coefficient and those already
// taken (next_batch).  Every batch but the request's first takes these: the
// table is known in advance, and an input built against it can be bad, or
// lift wrongly, modulo every prime of it.  The walk does not move.
// Increasing order.
std::vector<uint32_t> drawn_batch(uint32_t v, const std::vector<const INT*>& lead,
                                  std::unordered_set<uint32_t>& taken) {
  std::vector<uint32_t> batch;
  while (batch.size() < v) {
    const uint32_t p = draw_prime();
    if (taken.insert(p).second) take_unless_it_divides_a_lead(p, lead, batch);
  }
  std::sort(batch.begin(), batch.end());
  return batch;
}

// ---- one pass ----------------------------------------------------------------

// f modulo the primes of the batch, in the current zone: header words
// copied, zero terms dropped, monomials copied (the engine writes their
// hash), lane l of term t holding coefficient t modulo prime l.  A lifted
// basis handed to a change of order (given) keeps the records' monomials,
// which live until the loop ends: that path only reads them, and every
// copy it makes for a computation of its own is on fresh monomials.  It
// enters as the engine's bases come out: monic per prime.
Dpol* to_residues(const Dpol_INT* f, bool given, BatchResidues& batch) {
  const INT* c = coeffs_INT(f);
  uint32_t m = 0;
  for (uint32_t t = 0; t < f->n; ++t) m += !ZEL_C(is_zero_INT)(c[t]);
  Dpol* p = new_Dpol(m);
  p->serial = f->serial;
  p->row_mark = f->row_mark;
  p->flags = f->flags;
  p->input_mark = f->input_mark;
  Dom** lane = lanes(p);
  for (uint32_t t = 0, k = 0; t < f->n; ++t) {
    if (ZEL_C(is_zero_INT)(c[t])) continue;
    if (given) {
      p->mono[k] = f->mono[t];
    } else {
      Expos* e = ZEL_C(new_heap_Expos)();
      std::memcpy(e, f->mono[t], sz_Expos);
      p->mono[k] = e;
    }
    batch.put(c[t], lane, k);
    if (given && k == 0) batch.scale_to_one(lane, 0);
    ++k;
  }
  if (given) batch.unscaled();
  return p;
}

bool same_monomial(const Expos* a, const Expos* b) {
  const ExposW* wa = words_of(a);
  const ExposW* wb = words_of(b);
  for (uint32_t k = 0; k < nb_of_blocks_of_variables; ++k)
    if (get_word(wa, k) != get_word(wb, k)) return false;
  return true;
}

// Settings of the engine for one pass; the first records the trace, the
// others replay it.
void set_pass_flags(bool first, int32_t mingbasis_strong) {
  want_mingbasis = 0;
  nb_of_renormed = 0;
  want_automatique = 0;
  want_mingbasis_strong = uint32_t(mingbasis_strong);
  want_pipe2 = first ? 1 : 0;
  ZEL_C(want_state_percent) = first ? 1 : 0;
  simul_write = first ? 1 : 0;
  ZEL_C(want_very_quiet) = first ? 0 : 1;
  ZEL_C(reset_simulation)();
}

// The session's channel settings, which the passes change, come back when
// the loop ends (also on a fatal error that unwinds).
struct PassFlagsGuard {
  int32_t pipe2 = want_pipe2;
  uint32_t state_percent = ZEL_C(want_state_percent);
  uint32_t very_quiet = ZEL_C(want_very_quiet);
  int32_t raw_output = ZEL_C(want_raw_output);
  uint32_t eliminated = want_eliminated;
  uint32_t check_zero_rows = verify_zero_rows;
  ~PassFlagsGuard() {
    want_pipe2 = pipe2;
    ZEL_C(want_state_percent) = state_percent;
    ZEL_C(want_very_quiet) = very_quiet;
    ZEL_C(want_raw_output) = raw_output;
    want_eliminated = eliminated;
    verify_zero_rows = check_zero_rows;
  }
};

// Runs the mode on the converted inputs X (which it may reorder); the
// results go to G.  Returns their number.  first_basis: as for
// run_solving_mode.  The multiply-adds of the degree-order basis it
// computed are added to *basis_products.
uint32_t run_mode(const ModularRequest& rq, Dpol** X, Dpol** G, PolyRoom* first_basis,
                  uint64_t* basis_products) {
  double spent = 0;
  ZEL_C(want_raw_output) = 1;
  if (rq.mode == ZEL_COMPUTE_NOP) {
    std::copy(X, X + rq.n, G);
    return rq.n;
  }
  uint32_t count;
  if (rq.mode != ZEL_COMPUTE_GBASIS) {
    count = run_solving_mode(rq.mode, X, rq.n, rq.nb_second, G, &spent, rq.bk0, rq.force_elim,
                             rq.nb2, rq.bk2, rq.force_elim2, rq.given_basis != 0, first_basis);
    *basis_products += first_basis_products;
  } else {
    want_eliminated = rq.force_elim != 0;
    count = gbasis(X, rq.n, G, &spent);
    want_eliminated = 0;
  }
  return count;
}

// Keeps the results free of the first `block` variables, then (restrict_)
// those free of the declared first block.
uint32_t filter_results(const ModularRequest& rq, Dpol** G, uint32_t count) {
  if (rq.block != 0) {
    const uint32_t saved = var_second_block;
    var_second_block = rq.block;
    count = restriction(G, count);
    var_second_block = saved;
  }
  if (rq.restrict_ && var_second_block != 0) count = restriction(G, count);
  return count;
}

void print_memory_use() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) pages = resident = 0;
    std::fclose(f);
  }
  const double page = double(sysconf(_SC_PAGESIZE));
  Output(" [RES=%.1fM,VIRT=%.1fM]", resident * page / 1e6, pages * page / 1e6);
}

// ---- monomials of the results --------------------------------------------------

// Copies the monomials of the results into zone 3 across a restore of that
// zone: save() before the restore reads them, place() after it writes one
// copy of each distinct monomial and points the records at them.  Monomials
// shared by several terms stay shared.
struct MonomialKeeper {
  std::vector<char> bytes;                  // sz_Expos bytes per distinct monomial
  std::vector<std::vector<uint32_t>> index; // per result, per term: which one
  uint32_t references = 0;

  void save(Dpol* const* G, uint32_t count) {
    std::unordered_map<const Expos*, uint32_t> seen;
    index.assign(count, {});
    for (uint32_t i = 0; i < count; ++i) {
      index[i].resize(G[i]->n);
      for (uint32_t t = 0; t < G[i]->n; ++t) {
        auto [it, fresh] = seen.emplace(G[i]->mono[t], uint32_t(seen.size()));
        if (fresh) {
          const char* src = reinterpret_cast<const char*>(G[i]->mono[t]);
          bytes.insert(bytes.end(), src, src + sz_Expos);
        }
        index[i][t] = it->second;
      }
      references += G[i]->n;
    }
  }

  // In zone 3 (the caller's InZone3): the distinct monomials.
  std::vector<Expos*> place() const {
    const uint32_t distinct = uint32_t(bytes.size() / sz_Expos);
    std::vector<Expos*> copies(distinct);
    for (uint32_t k = 0; k < distinct; ++k) {
      copies[k] = ZEL_C(new_heap_Expos)();
      std::memcpy(copies[k], bytes.data() + size_t(k) * sz_Expos, sz_Expos);
    }
    Output("Copy %.2f for %u/%u exposants\n",
           references ? 100.0 * distinct / references : 0.0, distinct, references);
    return copies;
  }
};

// ---- the loop ------------------------------------------------------------------

// The records of one family of results that the loop lifts: the mode's
// results and, while the passes also lift it, the degree-order basis they
// compute on the way (see multi_modular.hpp).
struct Family {
  Dpol_INT** result = nullptr;  // the records (zone 3)
  PolyRoom G;                   // this pass's results, residues where the pass left them
  uint32_t count = 0;           // results of the first pass
  uint32_t lifted = 0;
  bool all_lifted() const { return lifted == count; }
};

struct Loop {
  // A copy: once the degree-order basis has lifted, the passes take it as
  // their input (given_basis) in place of the system.
  ModularRequest rq;
  Dpol_INT* const* system;  // the request's own input
  std::vector<const INT*> lead;
  Family mode;
  Family basis;
  std::vector<Dpol_INT*> basis_records;  // sized by the first pass
  std::vector<Dpol_INT*> given;  // the lifted basis, then the localisers (mode 9)
  // The passes lift the degree-order basis beside the mode's results.
  bool lifting_basis = false;
  // Counted work (kProductsPerLiftLimb2): the multiply-adds of the passes'
  // degree-order bases, and the squared limbs per term of its lift attempts.
  uint64_t basis_products = 0;
  uint64_t basis_lift_work = 0;

  uint32_t batch = 0;
  uint32_t pass = 0;    // passes combined so far
  uint32_t primes = 0;  // primes of those passes
  uint32_t used = 0;    // primes of every batch of the request (request_prime_limit)
  uint32_t disagreements = 0;
  // Every result has lifted, the last ones in the first pass or over one
  // denominator: one more batch must confirm them.
  bool confirming = false;
  // This pass lifted a result over one denominator (lift_over_one_denominator).
  bool lifted_early = false;
  // The message of a first pass that refused the request, until a first
  // pass on drawn primes refuses too (then it stands) or answers.
  std::string refused;
  std::unordered_set<uint32_t> taken;  // primes of this loop's batches
  uint32_t entry_serial = gen_sym_Dpol;
  INT M{};  // product of the combined primes (zone 3)

  // Zone marks: the bottom of zones 1 and 2 (they travel with a swap) and
  // of zone 3 before the first record (above the lifted basis once the
  // passes take it), and of zone 3 when the loop began.
  HeapMark base1{}, base2{}, base3{}, entry3{};
  bool swapped = false;

  Loop(const ModularRequest& r, Dpol_INT** out) : rq(r), system(r.input) {
    mode.result = out;
    mode.G.resize(kResultRoom + 1);
    lifting_basis = may_take_lifted_basis(rq);
    lead = leading_coefficients(rq.input, rq.n);
    batch = rq.first_batch;
    save_orv_state2(base1, base2);
    save_orv_state_z3(base3);
    entry3 = base3;
    InZone3 z3;
    M = ZEL_C(cINT_I32)(1);
  }

  ~Loop() {
    if (swapped) swap_zone();
  }

  // The images of the polynomials not yet lifted: the lifts write them at
  // the top of zone 1 (from mark lifts_base on), above the pass's work,
  // reading the residues of the results where the pass left them (a copy
  // of those would add to the pass's peak).  They stay there: what the pass
  // left below them is not read again, and its pages go back (a slide down
  // to the bottom of zone 1 would write them anew, often on pages the pass
  // never took).  That memory is given back to the zone with the images,
  // at the end of the next pass.
  void keep_images(const HeapMark& lifts_base) {
    if (mode.all_lifted())
      restore_GC_state(base1);
    else
      give_back_zone_pages(base1, lifts_base);
  }

  // Lifts result i of family f (residues of f.G[i]) into its record, with
  // the temporaries in zone 2 (given back); lifted coefficients go to zone
  // 3, images of a polynomial not yet lifted to the top of zone 1.
  // In mode 6 the results are pairs (multiplier, normal form): a normal
  // form made integral by the lcm L of its denominators gets L as the
  // coefficient of its multiplier, so that L f = (the integral form) modulo
  // the basis.
  void lift(Family& f, uint32_t i, uint32_t bound_words, const BatchCombination* comb) {
    const bool mode_results = &f == &mode;
    Dpol_INT* r = f.result[i];
    if (!mode_results) {
      const INT& modulus = pass == 0 ? ZEL_C(product_of_primes) : M;
      const uint64_t limbs = uint64_t(std::abs(modulus._mp_size));
      basis_lift_work += uint64_t(r->n) * limbs * limbs;
    }
    INT* slots = coeffs_INT(r);
    const bool pair_member =
        mode_results && rq.mode == ZEL_COMPUTE_GBASIS_NF && i % 2 == 1 && f.result[i - 1]->n == 1;
    INT L{};
    INT* extra = pair_member ? &L : nullptr;
    int ok;
    {
      InZone2 temporaries;
      ZoneScope mark;
      if (pass == 0)
        ok = ZEL_C(primpart)(extra, slots, lanes(f.G[i]), r->n);
      else
        ok = ZEL_C(primpart_upgrade)(extra, slots, lanes(f.G[i]), r->n, bound_words, M, *comb);
      // A change of order's results, and the monic polynomials of its
      // degree-order basis, have one large denominator each: they lift
      // before the plain bound allows.  A later batch checks such results;
      // the basis is taken as a plain lift is, the margin of the test
      // (early_lift.hpp) making a wrong lift as unlikely.
      if (!ok && pass > 0 && solving_mode(rq.mode) &&
          lift_over_one_denominator(extra, slots, r->n, M)) {
        ok = 1;
        if (mode_results) lifted_early = true;
      }
      if (ok) {
        InZone3 keep;
        glisser_INTs_add1(extra, slots, r->n);
        if (pair_member) coeffs_INT(f.result[i - 1])[0] = L;
      } else {
        InZone2 images;
        glisser_INTs(slots, r->n);
      }
    }
    if (ok && pair_member && pass > 0) {
      ZEL_C(see_INT)(L);
      Output("\n");
    }
    r->spare[0] = uint32_t(ok);
    f.lifted += uint32_t(ok);
  }

  // First pass: one record per result of f in zone 3, then the lift.
  void make_records(Family& f, const MonomialKeeper& kept) {
    {
      InZone3 z3;
      const std::vector<Expos*> mono = kept.place();
      for (uint32_t i = 0; i < f.count; ++i) {
        const Dpol* g = f.G[i];
        Dpol_INT* r = new_Dpol_INT(g->n);
        r->serial = g->serial;
        r->row_mark = g->row_mark;
        r->flags = g->flags;
        r->input_mark = g->input_mark;
        r->spare[0] = 0;  // lifted
        r->spare[1] = 0;  // lifted and checked against a later batch
        for (uint32_t t = 0; t < r->n; ++t) r->mono[t] = mono[kept.index[i][t]];
        f.result[i] = r;
      }
    }
    for (uint32_t i = 0; i < f.count; ++i) lift(f, i, 0, nullptr);
  }

  // Later pass: combine with the new batch and lift what has not lifted.
  void combine() {
    lifted_early = false;
    BatchCombination comb;
    uint32_t s;
    {
      InZone3 z3;
      comb = combination_with_batch(M);
      M = ZEL_C(mult_INT)(M, comb.P);
      s = ZEL_C(compute_bound_size)(M);
    }
    Output("Compute_upper bound %u\n", s);
    for (uint32_t i = 0; i < mode.count; ++i)
      if (!mode.result[i]->spare[0]) lift(mode, i, s, &comb);
    if (!lifting_basis) return;
    for (uint32_t i = 0; i < basis.count; ++i)
      if (!basis.result[i]->spare[0]) lift(basis, i, s, &comb);
  }

  // True when this pass's results of f (n of them) have the first pass's shape.
  static bool agrees(const Family& f, uint32_t n) {
    if (n != f.count) {
      Stderr("pas le meme nombre de polynomes %u %u\n", f.count, n);
      return false;
    }
    for (uint32_t i = 0; i < n; ++i) {
      const Dpol_INT* r = f.result[i];
      if (f.G[i]->n != r->n) {
        Stderr("Tailles incompatibles: %u %u\n", r->n, f.G[i]->n);
        return false;
      }
      for (uint32_t t = 0; t < r->n; ++t)
        if (!same_monomial(f.G[i]->mono[t], r->mono[t])) {
          Stderr("Different monomials in polynomial %u, term %u\n", i, t);
          return false;
        }
    }
    return true;
  }

  // Whether the polynomials of f lifted by earlier passes and not checked
  // yet agree with this pass's residues (lift_agrees) at every prime of the
  // batch, which was drawn at random (run_pass): a fresh prime is the check
  // of a lift, but only when the input could not have been built against it.
  bool lifted_values_agree(const Family& f) const {
    BatchResidues residues(ZEL_C(Primes), ZEL_C(vectorize));
    for (uint32_t i = 0; i < f.count; ++i) {
      const Dpol_INT* r = f.result[i];
      if (!r->spare[0] || r->spare[1]) continue;
      if (!lift_agrees(coeffs_INT(r), r->n, lanes(f.G[i]), ZEL_C(Primes), ZEL_C(vectorize),
                       residues)) {
        Stderr("Lifted polynomial %u disagrees with the batch\n", i);
        return false;
      }
    }
    return true;
  }

  // Both checks above, on the families this pass lifts.
  bool pass_agrees(uint32_t n) const {
    if (!agrees(mode, n) || !lifted_values_agree(mode)) return false;
    return !lifting_basis ||
           (agrees(basis, uint32_t(basis.G.size())) && lifted_values_agree(basis));
  }

  // After an accepted pass: every polynomial lifted so far is checked.
  static void mark_checked(Family& f) {
    for (uint32_t i = 0; i < f.count; ++i)
      if (f.result[i]->spare[0]) f.result[i]->spare[1] = 1;
  }

  // Forgets everything combined so far: the next pass is a first pass.  A
  // basis already lifted (and checked) stays the passes' input.
  void restart() {
    restore_orv_state_z3(base3);
    restore_orv_state_z2(base2);
    InZone3 z3;
    M = ZEL_C(cINT_I32)(1);
    pass = disagreements = primes = 0;
    mode.count = mode.lifted = basis.count = basis.lifted = 0;
    confirming = lifted_early = false;
    lifting_basis = rq.given_basis == 0 && may_take_lifted_basis(rq);
    basis_products = basis_lift_work = 0;
    batch = rq.first_batch;
    ++last_modular_figures.restarts;
  }

  // A stop ends the request with nothing (stopped_request.hpp): all the
  // passes made goes back, the records of a lifted basis too.  The
  // exception unwound the pass's own zone scopes.
  void forget_request() {
    restore_GC_state(base1);
    restore_orv_state_z2(base2);
    restore_orv_state_z3(entry3);
    give_back_free_zone_pages();
    // The free lists may run through the records just given back.
    forget_pools();
  }

  // The degree-order basis has lifted in a pass after the first, hence over
  // a modulus with primes drawn at random (see run_pass): the passes from
  // now on take it modulo their primes and run only the change of order.
  // The mode's images gathered so far stay valid: modulo a good prime the
  // reduced basis is unique.
  void take_lifted_basis() {
    const uint32_t localisers = rq.mode == ZEL_COMPUTE_RADICAL_STRATEG2 ? rq.nb_second : 0;
    given.assign(basis.result, basis.result + basis.count);
    given.insert(given.end(), system + (rq.n - localisers), system + rq.n);
    rq.input = given.data();
    rq.n = uint32_t(given.size());
    rq.given_basis = basis.count;
    // The basis's leading coefficients are its only denominators once it
    // is monic: primes that divide one are left out from now on.
    lead = leading_coefficients(rq.input, rq.n);
    // A restart keeps the basis's records.
    save_orv_state_z3(base3);
    last_modular_figures.basis_primes = primes;
    Output("#C degree-order basis lifted: %u polynomials\n", basis.count);
  }

  // Whether the passes go on lifting the basis: whichever of the basis and
  // the mode's results lifts first decides, and the basis is given up once
  // its lifts cost about as much as the passes' degree-order bases
  // (counted work, kProductsPerLiftLimb2):
  // taking it would spare only those, not the changes of order, and its
  // coefficients are then most likely far larger than the answer's (dense
  // systems: the basis needs about four times the answer's primes).  A
  // basis lifted by the first pass alone is given up too: mode 1 would
  // confirm it on a batch of its own, the replays of the next passes are
  // cheap.
  void decide_on_basis() {
    if (!lifting_basis) return;
    if (mode.all_lifted()) {
      lifting_basis = false;
    } else if (basis.all_lifted()) {
      lifting_basis = false;
      if (pass > 0) take_lifted_basis();
    } else if (basis_lift_work * kProductsPerLiftLimb2 > basis_products) {
      lifting_basis = false;
      Output("#C degree-order basis not lifted: its lifts cost more than its replays\n");
    }
  }

  // The mode refused the request on this batch, whose work is forgotten
  // (refusal.hpp): modulo primes that are bad for the system, or that the
  // input was built against (the first batch's are known in advance), it
  // may have seen no solution, or infinitely many, where the system has
  // neither.  A first pass's refusal is therefore checked by a first pass on
  // drawn primes: it stands when that one refuses too, and the request goes
  // on without the refusing primes when it answers.  A later pass that
  // refuses disagrees with the first pass, as a batch departing from its
  // trace does.  Returns true: the loop goes on.
  bool refused_by_batch(const std::string& message) {
    if (pass == 0 && !refused.empty()) Fatal("%s", message.c_str());
    ++last_modular_figures.discarded;
    Output("{batch of %u primes refused the request}\n", batch);
    if (pass == 0)
      refused = message;
    else if (++disagreements >= kMaxDisagreements)
      restart();
    return true;
  }

  // One pass on a fresh batch.  Returns false when the loop is done.
  bool run_pass() {
    ModularFigures& fig = last_modular_figures;
    // The pass gives back the zone-3 records its pools hand out.
    forget_pools();
    gen_sym_Dpol = entry_serial;
    HeapMark images_top, z3_mark;
    save_orv_state2(base1, images_top);  // zone 1 is at its bottom here
    // Every batch after the first is drawn at random: an input can be built
    // against primes known in advance, the table's in its order, and then
    // agrees with a wrong lift at each of them.  A drawn batch checks the
    // lifts of the passes before it, and the lifts of its own pass come
    // from a modulus that the input could not aim at: a value v that
    // reconstructs from it has every drawn prime dividing T - v for the
    // true coefficient T, as a wrong lift that passes a drawn check has
    // (and wrong images beside these lift within the bound's margin only
    // with a probability below 2^-96).  So the result of the last pass,
    // or the degree-order basis that the passes take once it lifts and
    // never check again, can be handed out as it lifts; only what the
    // first pass lifts from primes in table order, and what lifts over
    // one denominator (a weaker test), wait for a drawn batch.
    // A first pass is drawn too once any batch was thrown away (a bad
    // prime, a refusal, a restart): the table's next primes may be aimed at
    // as well, and walking them would let an input built against the table
    // spend the request's primes one batch at a time.
    const bool drawn = used > 0 && draw_later_batches;
    // Every batch counts against the request's primes, those thrown away
    // too, not the primes left out of a batch.
    if (uint64_t(used) + batch > request_prime_limit)
      Fatal("Not enough primes in default table (%d primes used)\n", int(used));
    // The prime table of the batch; set_batch_primes also rebuilds the lift
    // context (init_INT_hook).
    const std::vector<uint32_t> chosen =
        drawn ? drawn_batch(batch, lead, taken) : next_batch(batch, lead, taken);
    used += batch;
    set_batch_primes(chosen.data(), batch);
    std::vector<Dpol*> X(rq.n);
    {
      InZone2 keep;
      BatchResidues batch_primes(ZEL_C(Primes), ZEL_C(vectorize));
      for (uint32_t i = 0; i < rq.n; ++i)
        X[i] = to_residues(rq.input[i], i < rq.given_basis, batch_primes);
    }
    Output("/S:%d -> %u/", int(pass), primes + batch);
    print_memory_use();
    // What the pass made, when it is not combined.
    auto forget_batch = [&] {
      restore_orv_state_z3(z3_mark);
      restore_GC_state(base1);
      restore_orv_state_z2(images_top);
    };
    save_orv_state_z3(z3_mark);
    unwind_if_stopped();

    set_pass_flags(pass == 0, rq.mingbasis_strong);
    // A replay skips the rows the first pass found zero, so a first lane 0
    // whose prime wrongly zeroes a row (and every lane following it) would go
    // unseen.  The batch right after a first pass therefore checks those
    // rows in its own lane 0, another prime: a random combination of them
    // that does not reduce to zero makes the batch depart from the trace.
    verify_zero_rows = pass == 1 && rq.given_basis == 0 ? 1 : 0;
    const uint64_t before = xmalloc_state.total_allocated;
    uint32_t n = 0;
    try {
      RefusalsUnwind unwind;
      n = run_mode(rq, X.data(), mode.G.data(), lifting_basis ? &basis.G : nullptr,
                   &basis_products);
    } catch (const Refusal& r) {
      verify_zero_rows = 0;
      forget_batch();
      return refused_by_batch(r.message);
    }
    verify_zero_rows = 0;
    const uint64_t long_lived = xmalloc_state.total_allocated;
    const uint64_t growth = long_lived - before;
    unwind_if_stopped();
    n = filter_results(rq, mode.G.data(), n);
    // Zone 1 is given back once the lifts have read the results there.
    Output("restore Z1 ");

    // A lane that departs from lane 0 is a bad prime of this batch; lane 0
    // departing from the trace, or results of another shape, say as much
    // against the first pass as against this batch.
    const bool bad = bad_prime_count() != 0;
    const bool departs = pass > 0 && batch_unusable();
    const bool disagree = !bad && pass > 0 && !pass_agrees(n);
    if (bad || disagree) {
      // Nothing of this batch is kept; the pass runs again on fresh primes.
      forget_batch();
      ++fig.discarded;
      Output("{batch of %u primes discarded}\n", batch);
      if ((departs || disagree) && ++disagreements >= kMaxDisagreements) restart();
      return true;
    }
    disagreements = 0;
    refused.clear();
    if (pass > 0) {
      mark_checked(mode);
      if (lifting_basis) mark_checked(basis);
    }

    if (confirming) {
      forget_batch();
      fig.primes += batch;
      primes += batch;
      ++fig.passes;
      Output(" {confirmed}\n");
      return false;
    }
    HeapMark lifts_base;
    save_GC_state(lifts_base);
    if (pass == 0) {
      if (n > kResultRoom) Fatal("Too many polynomials in the result (%u)\n", n);
      mode.count = n;
      basis.count = lifting_basis ? uint32_t(basis.G.size()) : 0;
      basis_records.resize(basis.count);
      basis.result = basis_records.data();
      MonomialKeeper kept, kept_basis;
      kept.save(mode.G.data(), n);
      if (lifting_basis) kept_basis.save(basis.G.data(), basis.count);
      restore_orv_state_z3(z3_mark);
      make_records(mode, kept);
      if (lifting_basis) make_records(basis, kept_basis);
      if (!mode.all_lifted()) {
        InZone3 z3;
        M = ZEL_C(mult_INT)(M, ZEL_C(product_of_primes));
      }
    } else {
      restore_orv_state_z3(z3_mark);
      // The pass's inputs modulo the batch (zone 2, above the images) are
      // not read again: combine() reads the kept residues and the records,
      // and its temporaries take their place.  A computed basis (mode 1)
      // keeps its zone until the pass ends, as its trace may live there.
      if (rq.given_basis != 0) restore_orv_state_z2(images_top);
      // Nothing the pass's computation left in the free parts of the zones
      // or of the heap is read again: their pages go back before the lifts
      // touch new ones, so that the two peaks do not add up.  A change of
      // order on a given basis keeps the heap's: its next pass takes the
      // same arrays again (one set per prime, of the size of the normal
      // set), and the lifts need less than the basis modulo the batch just
      // given back.
      give_back_free_zone_pages();
      if (rq.given_basis == 0) malloc_trim(0);
      combine();
    }
    keep_images(lifts_base);
    fig.primes += batch;
    primes += batch;
    ++fig.passes;
    if (mode.all_lifted())
      Output(" {done}\n");
    else
      Output("{%.2f per completed}\n", 100.0 * mode.lifted / mode.count);

    // The images just made (zone 1) stay; the old ones, the pass's inputs
    // and results (zone 2) go.
    restore_orv_state_z2(base2);
    swap_zone();
    std::swap(base1, base2);
    swapped = !swapped;
    // The zones swap roles every pass, so pages a pass freed would stay
    // resident beside those the next pass touches elsewhere: they go back.
    give_back_free_zone_pages();
    Output("SWAP Z1/2 Memory usage (estimate):  %.3f\n", double(growth) / 1024);
    decide_on_basis();

    // The total of primes doubles while the long-lived memory allows (its
    // total: the computation takes its memory from the zones, so the pass's
    // growth printed above is nearly always 0 and would never stop the
    // doubling); when at most a tenth of the polynomials are left, they are
    // most likely a little larger than the others, and a quarter of it is
    // enough.  While the basis lifts, its polynomials set the pace, as in
    // mode 1.  Once the basis is taken, a pass is only its primes' changes
    // of order, which cost the same however the primes are split into
    // passes: the total grows by an eighth from then on.
    const Family& paced = lifting_basis ? basis : mode;
    if (long_lived > kDoublingLimitKiB)
      Output("pas=%d\n", int(batch));
    else if (!lifting_basis && solving_mode(rq.mode) &&
             (primes >= kSolvingSteps || rq.given_basis != 0))
      batch = std::max((primes / 8 + kLaneGroup / 2) / kLaneGroup, 1u) * kLaneGroup;
    else if (10 * (paced.count - paced.lifted) <= paced.count)
      batch = std::max(primes / 4, kMinFirstBatch);
    else
      batch = primes;
    batch = std::min(batch, kMaxBatch);
    // A first pass that lifts everything has been checked against nothing:
    // a batch whose primes were all bad in the same way, or were aimed at by
    // the input, would go unseen.  Nor has a result lifted over one
    // denominator by the last pass.
    if ((pass == 0 || lifted_early) && mode.count > 0 && mode.all_lifted()) {
      confirming = true;
      batch = kMinFirstBatch;
    }
    ++pass;
    return !mode.all_lifted() || confirming;
  }
};

}  // namespace

uint32_t first_batch_size(int32_t pas0, Dpol_INT* const* input, uint32_t n) {
  const INT* widest = widest_coefficient(input, n);
  const uint32_t words = widest != nullptr ? ZEL_C(Relative_GetLSize_Int)(*widest) : 0;
  // A non-zero integer below 2^(32 w + 1) has at most (32 w + 1) / 31
  // prime factors above 2^31, fewer than 2 w + 1: no coefficient of the
  // input, nor a difference of two, vanishes modulo every prime of such a
  // batch, and the lanes whose primes it spares expose the others.  A
  // smaller batch asked for by the caller would give that up.
  const uint32_t sized = 2 * words + 1;
  if (widest != nullptr && sized > request_prime_limit)
    Fatal(
        "Not enough primes in default table (an input coefficient of %llu bits needs more than "
        "the %u primes a request may take)\n",
        (unsigned long long)mpz_sizeinbase(widest, 2), request_prime_limit);
  if (pas0 > 0) return std::max({uint32_t(pas0), sized, kMinFirstBatch});
  return std::max(sized, uint32_t(8));
}

namespace {

// One run of the loop; the count of results, 0 when stopped.
uint32_t run_loop(const ModularRequest& rq, Dpol_INT** result) {
  Loop loop(rq, result);
  return count_unless_stopped(
      [&] {
        uint32_t attempts = 0;
        while (loop.run_pass()) {
          if (++attempts >= kMaxPasses) Fatal("Pas fait max_step !\n");
        }
        // What the passes kept on the heap for the next one (see run_pass).
        if (loop.rq.given_basis != 0) malloc_trim(0);
        return loop.mode.count;
      },
      [&] { loop.forget_request(); });
}

}  // namespace

uint32_t run_multi_modular(const ModularRequest& rq, Dpol_INT** result) {
  last_modular_figures = ModularFigures{};
  PassFlagsGuard flags;
  const uint32_t count = run_loop(rq, result);
  uint32_t largest = 0;
  for (uint32_t i = 0; i < count; ++i)
    if (result[i]->spare[0])
      for (uint32_t t = 0; t < result[i]->n; ++t)
        largest = std::max(largest, ZEL_C(Relative_GetLSize_Int)(coeffs_INT(result[i])[t]));
  last_modular_figures.largest_words = largest;
  return count;
}

}  // namespace zel::ZEL_BUILD
