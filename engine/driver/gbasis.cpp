// The F4 main loop.
#include "engine/driver/gbasis.hpp"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "engine/api/host.hpp"
#include "engine/coef/primes.hpp"
#include "engine/coef/residue.hpp"
#include "engine/driver/address_map.hpp"
#include "engine/driver/rational_param.hpp"
#include "engine/driver/stopped_request.hpp"
#include "engine/driver/threads.hpp"
#include "engine/f4/basis.hpp"
#include "engine/f4/criteria.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/new_pairs.hpp"
#include "engine/f4/pairs.hpp"
#include "engine/f4/reducer_search.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/f4/symbolic.hpp"
#include "engine/f4/trace.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/relative_table.hpp"
#include "engine/mem/zone_prefault.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/code_table.hpp"
#include "engine/mono/expos_array.hpp"
#include "engine/mono/expos_hash.hpp"
#include "engine/mono/expos_order.hpp"
#include "engine/mono/expos_pool.hpp"

namespace zel::ZEL_BUILD {

uint32_t want_mingbasis = 0;
uint32_t want_mingbasis_strong = 0;
uint32_t want_eliminated = 0;
uint32_t ZEL_C(want_ignore_cste) = 0;
uint32_t ZEL_C(want_very_quiet) = 1;
uint32_t ZEL_C(want_ignore_simulin) = 0;
uint32_t whole_basis_dlim = kNoDegreeLimit;
#ifdef ZEL_VARIANT_INT
uint32_t want_rr = 0;
#else
uint32_t aggressive_tab[1001] = {};
#endif

namespace {

constexpr uint64_t kMaxSteps = 1000000000ULL;

double cpu_seconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

inline const ExposW* lead_of(const Dpol* p) { return words_of(p->mono[0]); }

inline void give_back(ExposW* w) {
  if (w) ZEL_C(kill_Expos)(pool_block_of(w));
}

// Sorts the inputs: larger total degree of the leading monomial first, then
// the smaller leading monomial, then the larger serial.  The key is a total
// order, so the result is the one a Shell sort on the same key gives.
void sort_inputs(Dpol** v, uint32_t n) {
  std::sort(v, v + n, [](const Dpol* a, const Dpol* b) {
    const uint32_t da = total_degree(lead_of(a)), db = total_degree(lead_of(b));
    if (da != db) return da > db;
    const int32_t c = comp_Expos(lead_of(a), lead_of(b));
    if (c != 0) return c < 0;
    return a->serial > b->serial;
  });
}

// The polynomial f enters the basis with its pairs.  When messages are
// written, the pairs are all made and sorted: the sort writes its "#" marks
// as it compares.
void enter(Dpol* f, Crit** D, Dpol** G, uint32_t* count) {
  const ExposW* m = lead_of(f);
  Crit* P = ZEL_C(want_quiet)
                ? new_pairs(f, G, int32_t(*count))
                : critBackEtrangeronLPC(trier_Crit(ZEL_C(generate_Crit)(f, G, int32_t(*count))));
  Crit* Dp = crit2onLPC(m, *D);
  *D = updatD(P, Dp);
  *count = updatF(m, f, G, *count);
}

void reset_item_tables() {
  reset_relative(relative_Expos);
  reset_relative_CBoolean();
  reset_relative_Indexes();
}

struct Item {
  Dpol* poly;
  ExposW* mult;
};

// Takes every pair of the head degree d out of D and writes the step's items
// behind the reducers (items[k], multiplier and flag in the segmented
// tables).  Returns the number of items.
uint32_t select_pairs(Crit** D, uint32_t d, Dpol** items, uint32_t room) {
  uint32_t t = 0;
  std::vector<Item> group;
  while (*D && (*D)->degree == d) {
    Crit* first = *D;
    group.clear();
    auto add = [&](Dpol* p, ExposW* mult) {
      for (const Item& it : group)
        if (it.poly->serial == p->serial) {
          give_back(mult);
          return;
        }
      group.push_back({p, mult});
    };
    group.push_back({first->p1, first->mult1});
    group.push_back({first->p2, first->mult2});
    Crit* c = first->next;
    while (c && c->degree == d && equal_Expos(c->lcm, first->lcm)) {
      add(c->p1, c->mult1);
      add(c->p2, c->mult2);
      Crit* next = c->next;
      give_back(c->lcm);
      free_Crit(c);
      c = next;
    }
    give_back(first->lcm);
    free_Crit(first);
    *D = c;
    // The pivot of the lcm's column: a product without multiplier first,
    // else the smaller serial.
    std::sort(group.begin(), group.end(), [](const Item& a, const Item& b) {
      if ((a.mult == nullptr) != (b.mult == nullptr)) return a.mult == nullptr;
      return a.poly->serial < b.poly->serial;
    });
    if (uint64_t(t) + group.size() >= room)
      Fatal("Too many products in one F4 step for the table of reductors (%u)!\n", room);
    for (size_t k = 0; k < group.size(); ++k) {
      items[t] = group[k].poly;
      set_relative(relative_Expos, t, group[k].mult);
      set_relative_CBoolean(t, k == 0 ? 0 : 1);
      ++t;
    }
  }
  return t;
}

// One F4 step on the t items behind the r reducers, in its own zone mark.
// Returns the number of new polynomials (in table[r ..]).
uint32_t run_step(Dpol** table, uint32_t r, uint32_t t) {
  const uint32_t saved_aggressive = ZEL_C(want_aggressive);
  uint32_t room = zel_max_index - r - t;
  {
    ZoneScope mark;
    internal_symbolic_reduction(t, table, r, table + r, &room);
  }
  ZEL_C(want_aggressive) = saved_aggressive;
  return room;
}

// Keeps, in order, the polynomials whose leading monomial no other kept
// polynomial's divides (the later of two equal ones stays).  Each test
// through is_reducible is first screened by divisor masks (the divisor's
// homogenising exponent left out, as is_reducible leaves it out), which
// spares most of the word-by-word tests with many variables.
uint32_t minimal_basis(Dpol** G, uint32_t count) {
  std::vector<uint64_t> full(count), divisor(count);
  for (uint32_t i = 0; i < count; ++i) {
    full[i] = divmask(lead_of(G[i]));
    divisor[i] = divmask(lead_of(G[i]), nb_of_affine_variables);
  }
  auto reducible = [&](uint32_t i, uint32_t lo, uint32_t hi) {
    for (uint32_t j = lo; j < hi; ++j)
      if (!(divisor[j] & ~full[i]) && is_reducible(G[i]->mono, G + j, 1)) return true;
    return false;
  };
  auto move = [&](uint32_t to, uint32_t from) {
    G[to] = G[from];
    full[to] = full[from];
    divisor[to] = divisor[from];
  };
  uint32_t pos = count;
  for (uint32_t i = count; i-- > 0;)
    if (!reducible(i, pos, count)) move(--pos, i);
  const uint32_t kept = count - pos;
  for (uint32_t i = 0; i < kept; ++i) move(i, pos + i);
  uint32_t m = 0;
  for (uint32_t i = 0; i < kept; ++i)
    if (!reducible(i, 0, m)) move(m++, i);
  return m;
}

// Inter-reduction of G[0 .. count-1] by one F4 step whose items are the
// basis polynomials themselves (no multiplier, all flagged).
uint32_t inter_reduce(Dpol* const* reducers, uint32_t nred, Dpol** items_at, uint32_t room,
                      Dpol** G, uint32_t count, bool strong) {
  reset_item_tables();
  for (uint32_t k = 0; k < count; ++k) {
    items_at[k] = G[k];
    set_relative(relative_Expos, k, static_cast<ExposW*>(nullptr));
    set_relative_CBoolean(k, 1);
    set_relative_Indexes(k, int32_t(G[k]->serial));
  }
  if (!ZEL_C(want_quiet)) Output("[<-]");
  if (strong) {
    Stderr("Mingbasis2\n");
    use_strong_order = 1;
  }
  {
    ZoneScope mark;
    internal_symbolic_reduction(count, reducers, nred, items_at, &room);
  }
  std::copy(items_at, items_at + room, G);
  return room;
}

// The homogenising variable leaves every term of G[0 .. count-1].
// Monomial blocks are shared (with the caller's inputs, with other
// polynomials of a step), so each term gets a fresh block rather than having
// its own rewritten; terms that shared a block share its fresh one (a block
// per term would cost the basis's size again).  The blocks are matched by
// address.
void dehomogenise_terms(Dpol** G, uint32_t count) {
  const uint32_t h = nb_of_affine_variables;
  const uint32_t B = nb_of_blocks_of_variables;
  AddressMap<Expos*> fresh;
  for (uint32_t k = 0; k < count; ++k) {
    Dpol* p = G[k];
    for (uint32_t i = 0; i < p->n; ++i) {
      const Expos* old = p->mono[i];
      p->mono[i] = fresh.find_or_add(old, [&] {
        Expos* m = ZEL_C(new_Expos)();
        for (uint32_t w = 0; w < B; ++w) set_word(words_of(m), w, get_word(words_of(old), w));
        set_field(words_of(m), h, 0);
        // Hashed once, however many terms share it.
        put_hash(m, hash_Expos(words_of(m)));
        return m;
      });
    }
  }
}

}  // namespace

uint32_t gbasis(Dpol** input, uint32_t n, Dpol** G, double* cpu) {
  const char* verbose_env = std::getenv("VERBOSE");
  const uint32_t verbose = verbose_env ? uint32_t(std::atoi(verbose_env)) : 0;
  const double start = cpu_seconds();
  if (n == 0) return 0;

  // Inputs without terms contribute nothing to the ideal.
  uint32_t ni = 0;
  for (uint32_t i = 0; i < n; ++i)
    if (input[i] && input[i]->n) input[ni++] = input[i];
  if (ni == 0) return 0;
  n = ni;
  for (uint32_t i = 0; i < n; ++i) input[i]->input_mark = 1;
  sort_inputs(input, n);
  for (uint32_t i = 0; i < n; ++i) set_hash(input[i]->n, input[i]->mono);

  // Integer build: a prime dividing a leading coefficient is reported, never
  // fatal; when it is lane 0's, which leads the batch, nothing is computed.
  if (!monic_input_lanes(input, n)) {
    *cpu = cpu_seconds() - start;
    return 0;
  }
  Crit* D = nullptr;
  uint32_t count = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (i == 0)
      count = updatF(nullptr, input[0], G, 0);
    else
      enter(input[i], &D, G, &count);
  }

  Dpol** table = static_cast<Dpol**>(alloc64(uint64_t(zel_max_index) * sizeof(Dpol*)));
  uint32_t r = 0;
  // Segments of an earlier call may be gone with their zone: start afresh.
  forget_relative(relative_Expos);
  forget_relative(relative_CBoolean);
  forget_relative(relative_Indexes);
  reset_item_tables();
  reductors(table, &r, G, count, zel_max_index);

  Dpol* constant = nullptr;
  uint64_t steps = 0;
  ZonePrefault prefault;
  while (D && D->degree <= Dlim && D->degree <= whole_basis_dlim && !constant) {
    unwind_if_stopped();
    const uint32_t d = D->degree;
    // Callers may match the first line, but the option it names does not
    // exist: the second line states the limit.
    if (d > 32767)
      Fatal("You should recompile with BIGNNI=1 (degree =%u)\n"
            "Every degree must stay below 32768: no build of this library goes further\n",
            d);
    if (!ZEL_C(want_very_quiet) || want_pipe2) Infos("[%u]", d);
    if constexpr (kIntegerBuild) Output("[%u]", d);

    reset_item_tables();
    const uint32_t t = select_pairs(&D, d, table + r, zel_max_index - r);
#ifdef ZEL_VARIANT_FP
    ZEL_C(want_aggressive2) =
        ZEL_C(want_aggressive) ? (d <= 999 ? aggressive_tab[d] : zel_max_index) : zel_max_index;
#else
    ZEL_C(want_aggressive2) = zel_max_index;
#endif
    // The items' multipliers go back to the pool once the step is done.
    std::vector<ExposW*> mults(t);
    for (uint32_t k = 0; k < t; ++k) mults[k] = get_relative(relative_Expos, k);
    // With threads to spare, the pages the zones will take in this step
    // are faulted in meanwhile.
    if (nb_threads > 1) prefault.ahead();
    const uint32_t s = run_step(table, r, t);
    for (ExposW* w : mults) give_back(w);

    if (verbose && verbose == d) {
      Output("\n");
      for (uint32_t k = 0; k < s; ++k) {
        if (table[r + k]->row_mark) Output("Base ");
        ZEL_C(see_Dpol)(table[r + k]);
        Output("\n");
      }
    }
    Stderr("<%d>", int(s));
    for (uint32_t k = 0; k < s; ++k) {
      Dpol* p = table[r + k];
      if (!p->row_mark) continue;
      if (is_one_Expos(lead_of(p))) {
        constant = p;
        break;
      }
      enter(p, &D, G, &count);
    }
    if (constant) break;
    reductors(table, &r, table + r, s, zel_max_index);
    if (++steps >= kMaxSteps) break;
  }

  // A step that a stop cut short leaves the basis partial.
  unwind_if_stopped();
  if (D && !constant && D->degree > whole_basis_dlim)
    Fatal(
        "The degree limit _dlim=%u stops the basis before its pairs of degree %u: this compute "
        "mode needs the whole basis\n",
        whole_basis_dlim, D->degree);
  if (constant) {
    if (ZEL_C(want_ignore_cste)) {
      Stderr("!");
      G[count] = constant;
      *cpu = cpu_seconds() - start;
      return count + 1;
    }
    G[0] = constant;
    Infos("\n#C Dimension: -1, Degree: -1\n");
    *cpu = cpu_seconds() - start;
    return 1;
  }

  // The step buffers have the size of the largest step; the inter-reductions
  // ahead are mostly far smaller, and grow them again only as they need.
  release_step_buffers();
  if (want_eliminated) count = restriction(G, count);
  count = minimal_basis(G, count);
  if (!ZEL_C(want_very_quiet)) info_Maple("\n");
  if (!ZEL_C(want_quiet)) Output("Collect %u pols\n", count);
  if (want_mingbasis)
    count = inter_reduce(table, r, table + r, zel_max_index - r - count, G, count, false);
  unwind_if_stopped();
  if (want_mingbasis_strong) {
    dehomogenise_terms(G, count);
    // This last step's monomials lost the homogenising variable, so most are
    // new to the code table, whose slots are dead between steps: its memory
    // goes back first, sized again to this step's codes.
    release_engine_table_pages();
    // The inter-reduced basis goes to zone 2, about the basis's size.
    if (nb_threads > 1) {
      uint64_t bytes = 0;
      for (uint32_t k = 0; k < count; ++k) bytes += size_Dpol(G[k]->n, 1);
      prefault.ahead(bytes);
    }
    ZEL_C(want_ignore_simulin) = 1;
    count = inter_reduce(G, count, table + r, zel_max_index - r - count, G, count, true);
    ZEL_C(want_ignore_simulin) = 0;
  }
  unwind_if_stopped();
  if (want_Lexico && count != real_nb_of_affine_variables)
    Fatal("This is not a triangular system !\n");
#ifdef ZEL_VARIANT_INT
  if (want_rr) apply_rr(G, count);
#endif
  *cpu = cpu_seconds() - start;
  ZEL_C(info_count_lzw)();
  return count;
}

}  // namespace zel::ZEL_BUILD
