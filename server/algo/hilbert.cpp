#include "server/algo/hilbert.hpp"

#include <algorithm>
#include <cstring>
#include <limits>

#include "server/algo/pool_use.hpp"
#include "server/base/runtime.hpp"

namespace orv::ORV_BUILD {

namespace {

using SE = StaircaseExp;
#ifdef ZEL_VARIANT_INT
using BasisDmp = Dmp<ExpBigDexp, CoefVGF>;
#else
using BasisDmp = Dmp<ExpDRLDRL, CoefGFC>;
#endif
using SX = ExpExtra<SE>;
using Series = std::vector<int64_t>;

cogen* new_generator(const uint64_t* e) {
  cogen* c = ORV_C(new_staircase)();
  std::memcpy(c->e, e, 8 * size_t{SE::words()});
  c->word = SE::total_degree(e);
  c->next = nullptr;
  return c;
}

void release(cogen* g) { ORV_C(free_all_staircase)(g); }

// Keeps the minimal generators (one of equal ones), by increasing degree;
// the others go back to the pool.
cogen* minimalise(cogen* g) {
  g = ORV_C(trier_staircase)(g, [](cogen* a, cogen* b) {
    return a->word < b->word ? -1 : a->word > b->word ? 1 : 0;
  });
  cogen* kept = nullptr;
  cogen** tail = &kept;
  while (g != nullptr) {
    cogen* m = g;
    g = g->next;
    bool divisible = false;
    for (cogen* k = kept; k != nullptr && !divisible; k = k->next)
      divisible = SX::is_sub(m->e, k->e);
    if (divisible) {
      ORV_C(free_staircase)(m);
      continue;
    }
    m->next = nullptr;
    *tail = m;
    tail = &m->next;
  }
  return kept;
}

void add_shifted(Series& a, const Series& b, uint32_t shift, int64_t sign) {
  if (a.size() < b.size() + shift) a.resize(b.size() + shift, 0);
  for (size_t i = 0; i < b.size(); ++i) a[i + shift] += sign * b[i];
}

// Consumes g.  Pivots on the variable that most generators contain:
// N(I) = N(I + <x>) + t N(I : x); pairwise coprime generators give the
// product of the (1 - t^deg).
Series numerator(cogen* g) {
  g = minimalise(g);
  const uint32_t n = SE::nb_vars();
  std::vector<uint32_t> uses(n, 0);
  bool coprime = true;
  for (cogen* m = g; m != nullptr; m = m->next)
    for (uint32_t v = 0; v < n; ++v)
      if (SE::extraire(m->e, v) != 0 && ++uses[v] > 1) coprime = false;
  if (coprime) {
    Series s{1};
    for (cogen* m = g; m != nullptr; m = m->next) {
      const Series t = s;
      add_shifted(s, t, uint32_t(m->word), -1);
    }
    release(g);
    return s;
  }
  const uint32_t x = uint32_t(std::max_element(uses.begin(), uses.end()) - uses.begin());
  // I + <x>: x and the generators without x (copies); I : x: every
  // generator with one x less (in place).
  std::vector<uint64_t> xe(SE::words(), 0);
  SE::ranger(xe.data(), 1, x);
  cogen* plus = new_generator(xe.data());
  for (cogen* m = g; m != nullptr; m = m->next)
    if (SE::extraire(m->e, x) == 0) {
      cogen* c = new_generator(m->e);
      c->next = plus;
      plus = c;
    }
  for (cogen* m = g; m != nullptr; m = m->next) {
    const unsigned k = SE::extraire(m->e, x);
    if (k != 0) {
      SE::ranger(m->e, k - 1, x);
      --m->word;
    }
  }
  Series s = numerator(plus);
  add_shifted(s, numerator(g), 1, 1);
  return s;
}

using Degree = decltype(univarpoly::degree);

univarpoly* numerator_list(const Series& s) {
  size_t top = s.size();
  while (top > 1 && s[top - 1] == 0) --top;
  if (top - 1 > std::numeric_limits<Degree>::max())
    Fatal("start_Hilbert: the numerator has degree %u; its terms hold degrees up to %u\n",
          unsigned(top - 1), unsigned(std::numeric_limits<Degree>::max()));
  // The pool was built once, at the first computation: earlier numerators
  // that callers still hold stay valid.
  if (ORV_C(root_Hilb_Poly) == nullptr) ORV_C(init_Objet_Hilb_Poly)();
  univarpoly* head = ORV_C(new_Hilb_Poly)();
  head->degree = 0;
  head->coef = 0;
  univarpoly* last = head;
  for (size_t d = 0; d < top; ++d) {
    if (s[d] == 0) continue;
    univarpoly* t = ORV_C(new_Hilb_Poly)();
    t->degree = Degree(d);
    t->coef = s[d];
    last->next = t;
    last = t;
  }
  last->next = nullptr;
  return head;
}

// The staircase pool follows the word count of the exponent type; a
// rebuild while elements are out would strand them at the old size.
void prepare_staircase_pool() {
  if (ORV_C(root_staircase) != nullptr && ORV_C(last_Objet_staircase) != SE::words()) {
    const uint32_t out = records_out<ORV_C(Pool_staircase)>();
    if (out != 0)
      Fatal("start_Hilbert: %u staircase elements are still in use; the variables cannot change\n",
            out);
  }
  ORV_C(init_Objet_staircase)();
}

univarpoly* numerator_of(cogen* gens) {
  const Series s = numerator(gens);
  return numerator_list(s);
}

}  // namespace

univarpoly* ORV_C(start_Hilbert)(HilbertBasis basis) {
  prepare_staircase_pool();
  cogen* gens = nullptr;
  for (auto* c = basis; c != nullptr; c = c->next) {
    auto* p = c->poly;
    if (p != nullptr && BasisDmp::is_header(p)) p = p->next;
    if (p == nullptr) continue;
    cogen* g = new_generator(p->e);
    g->next = gens;
    gens = g;
  }
  return numerator_of(gens);
}

univarpoly* hilbert_of_monomials(const std::vector<std::vector<uint16_t>>& monomials) {
  prepare_staircase_pool();
  cogen* gens = nullptr;
  std::vector<uint64_t> e(SE::words());
  for (const auto& m : monomials) {
    SE::set_null(e.data());
    for (uint32_t v = 0; v < SE::nb_vars() && v < m.size(); ++v) SE::ranger(e.data(), m[v], v);
    cogen* g = new_generator(e.data());
    g->next = gens;
    gens = g;
  }
  return numerator_of(gens);
}

std::vector<int64_t> numerator_coefficients(const univarpoly* numerator) {
  std::vector<int64_t> s;
  if (numerator == nullptr) return s;
  for (const univarpoly* t = numerator->next; t != nullptr; t = t->next) {
    if (s.size() <= t->degree) s.resize(size_t{t->degree} + 1, 0);
    s[t->degree] = t->coef;
  }
  if (s.empty()) s.push_back(0);
  return s;
}

}  // namespace orv::ORV_BUILD
