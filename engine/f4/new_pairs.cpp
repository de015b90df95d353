// The new pairs of an entering polynomial: screened before they get records.
#include "engine/f4/new_pairs.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "engine/f4/criteria.hpp"
#include "engine/f4/reducer_search.hpp"
#include "engine/mono/expos_order.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Monomials of up to 64 variables.
constexpr uint32_t kMaxScreenedWords = 16;

}  // namespace

Crit* new_pairs(Dpol* f, Dpol* const* G, int32_t n) {
  if (n < 1) return nullptr;
  const uint32_t B = nb_of_blocks_of_variables;
  // With many variables an lcm in the scratch array costs as much as a
  // record, and the leading monomials are sparse, so few pairs have a
  // divisor among the others: the pairs are all made and walked.
  if (B > kMaxScreenedWords)
    return critBackEtrangeronLPC(trier_Crit(ZEL_C(generate_Crit)(f, G, n)));
  const ExposW* m = words_of(f->mono[0]);

  // Every lcm in one array, with its degree and divisor mask; the pairs
  // outside the degree window do not exist, as in make_Crit1.
  constexpr uint32_t kNone = ~0u;
  std::vector<uint64_t> lcm_words(static_cast<size_t>(n) * B);
  std::vector<uint64_t> mask(static_cast<size_t>(n));
  std::vector<uint32_t> degree(static_cast<size_t>(n), kNone);
  uint32_t lowest = kNone, highest = 0;
  auto lcm_of = [&](uint32_t i) { return reinterpret_cast<const ExposW*>(&lcm_words[size_t(i) * B]); };
  for (uint32_t i = 0; i < uint32_t(n); ++i) {
    // The leading monomials are two loads away: ask for them ahead.
    if (i + 8 < uint32_t(n)) __builtin_prefetch(G[i + 8]);
    if (i + 4 < uint32_t(n)) __builtin_prefetch(G[i + 4]->mono[0]);
    const ExposW* g = words_of(G[i]->mono[0]);
    uint64_t* l = &lcm_words[size_t(i) * B];
    uint64_t lanes = 0;
    for (uint32_t k = 0; k < B; ++k) {
      l[k] = word_max(get_word(m, k), get_word(g, k));
      lanes += word_lanes(l[k]);
    }
    const uint32_t d = lanes_sum(lanes);
    if (d > Dlim || d <= Dlim_min) continue;
    degree[i] = d;
    mask[i] = divmask(lcm_of(i));
    lowest = std::min(lowest, d);
    highest = std::max(highest, d);
  }
  if (lowest == kNone) return nullptr;

  // The pairs by degree, each degree in the order of G (a counting sort).
  std::vector<uint32_t> start(highest - lowest + 2, 0);
  for (uint32_t i = 0; i < uint32_t(n); ++i)
    if (degree[i] != kNone) ++start[degree[i] - lowest + 1];
  for (size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
  std::vector<uint32_t> by_degree(start.back());
  {
    std::vector<uint32_t> at(start.begin(), start.end() - 1);
    for (uint32_t i = 0; i < uint32_t(n); ++i)
      if (degree[i] != kNone) by_degree[at[degree[i] - lowest]++] = i;
  }

  // Degree by degree: a pair goes when the lcm of a pruning run of lower
  // degree divides its own (the pairs that went need no test: the divisor
  // that took them divides as well).  The pairs left get records, sorted as
  // trier_Crit sorts them: each degree lists them in the order of G, and
  // pairs of different degrees never compare equal.  The last divisor found
  // is tried first: neighbouring pairs often share it.
  struct Kept {
    Crit* pair;
    uint32_t index;  // in G
  };
  std::vector<Kept> kept;
  std::vector<uint32_t> pruners;
  for (size_t d = 0; d + 1 < start.size(); ++d) {
    const size_t first = kept.size();
    size_t last = 0;
    for (uint32_t k = start[d]; k < start[d + 1]; ++k) {
      const uint32_t i = by_degree[k];
      auto divides = [&](size_t j) {
        const uint32_t p = pruners[j];
        return !(mask[p] & ~mask[i]) && is_sub_Expos1(lcm_of(i), lcm_of(p));
      };
      bool divided = !pruners.empty() && divides(last);
      for (size_t j = 0; j < pruners.size() && !divided; ++j)
        if (divides(j)) {
          divided = true;
          last = j;
        }
      if (divided) continue;
      Dpol* g = G[i];
      kept.push_back({g->serial < f->serial ? ZEL_C(make_Crit1)(g, f) : ZEL_C(make_Crit1)(f, g), i});
    }
    std::stable_sort(kept.begin() + first, kept.end(), [](const Kept& a, const Kept& b) {
      return compare_pairs(a.pair, b.pair, false) < 0;
    });
    // The runs of equal lcm, walked as critBackEtrangeronLPC walks them: a
    // coprime pair discards its follower and the walk goes on after it, so
    // a run prunes only when the walk reaches its last pair.
    for (size_t a = first, b = first; a < kept.size(); a = b) {
      while (b < kept.size() && equal_Expos(kept[b].pair->lcm, kept[a].pair->lcm)) ++b;
      size_t at = a;
      while (at + 1 < b) at += Disjoint(kept[at].pair) ? 2 : 1;
      if (at + 1 == b) pruners.push_back(kept[a].index);
    }
  }
  for (size_t k = 0; k < kept.size(); ++k)
    kept[k].pair->next = k + 1 < kept.size() ? kept[k + 1].pair : nullptr;
  return critBackEtrangeronLPC(kept.empty() ? nullptr : kept[0].pair);
}

}  // namespace zel::ZEL_BUILD
