#include "engine/driver/mult_matrix.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "engine/call_zel.h"
#include "engine/coef/primes.hpp"
#include "engine/driver/affine_monomials.hpp"
#include "engine/driver/fatal_exits.hpp"
#include "engine/driver/mult_map.hpp"
#include "engine/driver/refusal.hpp"
#include "engine/driver/sequence_certificate.hpp"
#include "engine/f4/dpol_sort.hpp"
#include "engine/f4/trace.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mono/expos_order.hpp"
#include "sparse/aligned.hpp"
#include "sparse/entries.hpp"
#include "sparse/exact_sums.hpp"
#include "sparse/modarith.hpp"
#include "sparse/univariate_modp.hpp"
#ifdef ZEL_VARIANT_FP
#include "engine/driver/prime_sign.hpp"
#endif

namespace zel::ZEL_BUILD {

namespace {

double cpu_now() { return double(std::clock()) / CLOCKS_PER_SEC; }

// Packed words of an affine exponent vector, for the engine's orders.
std::vector<uint64_t> packed(const Exps& e) {
  std::vector<uint64_t> w(nb_of_blocks_of_variables, 0);
  ExposW* x = reinterpret_cast<ExposW*>(w.data());
  for (uint32_t v = 0; v < e.size(); ++v) set_field(x, v, e[v]);
  return w;
}

// Every variable needs a pure power among the leading monomials (or one of
// them is 1), else the normal set is infinite.
bool zero_dimensional(const std::vector<Exps>& leads, uint32_t n) {
  std::vector<bool> has_power(n, false);
  for (const Exps& l : leads) {
    uint32_t v = 0, vars = 0;
    for (uint32_t i = 0; i < n; ++i)
      if (l[i] != 0) {
        v = i;
        ++vars;
      }
    if (vars == 0) return true;
    if (vars == 1) has_power[v] = true;
  }
  return std::all_of(has_power.begin(), has_power.end(), [](bool has) { return has; });
}

void require_zero_dimensional(const std::vector<Exps>& leads, uint32_t n) {
  if (!zero_dimensional(leads, n))
    Refuse("The system is not zero-dimensional: this mode needs finitely many solutions\n");
}

// The normal set: the monomials no leading monomial divides, found variable
// by variable from the last one down (each entry extended by powers of the
// variable while the product stays standard).  Fatal unless it has D
// elements (D = 0: any number).
std::vector<Exps> normal_set(const std::vector<Exps>& leads, uint32_t n, uint32_t D) {
  auto standard = [&](const Exps& m) {
    for (const Exps& l : leads)
      if (divides(l, m)) return false;
    return true;
  };
  std::vector<Exps> set{Exps(n, 0)};
  if (!standard(set[0])) set.clear();
  for (uint32_t v = n; v-- > 0;) {
    const size_t L = set.size();
    for (size_t e = L; e-- > 0;) {
      for (uint32_t k = 1;; ++k) {
        Exps c = set[e];
        c[v] = k;
        if (!standard(c)) break;
        if (D != 0 && set.size() >= D) Fatal("bug2 in build_last_matrix\n");
        set.push_back(std::move(c));
      }
    }
  }
  if (D != 0 && set.size() != D)
    Fatal("Bug in build_last_matrix nb=%u<>%u\n", uint32_t(set.size()), D);
  return set;
}

// Exponent vectors hashed for the lookups of every basis term.
struct ExpsHash {
  size_t operator()(const Exps& e) const {
    uint64_t h = 1469598103934665603ULL;
    for (uint32_t x : e) h = (h ^ x) * 1099511628211ULL;
    return size_t(h);
  }
};

// The matrix in the form the sparse FGLM reads, independent of the prime:
// copy pairs, and per dense row where its entries come from.
struct MatrixShape {
  std::vector<int32_t> sparse, nosp;  // ended by -1 once complete
  // Per dense row: the basis index whose leading monomial is x_last * b, or
  // kNormalForm when x_last * b lies further out and needs a normal form.
  std::vector<uint32_t> dense_from;
  std::vector<Exps> dense_product;  // x_last * b of each dense row
  // Per dense row from a basis polynomial: the column of each tail term
  // (term t at entry t - 1), looked up once for every prime.
  std::vector<std::vector<uint32_t>> dense_columns;
  std::vector<int32_t> dense_row_index;  // its row of the matrix (the column of b)
  std::vector<int32_t> coords;      // per variable, -1 when none
  std::unordered_map<Exps, int32_t, ExpsHash> column;  // normal-set monomial -> column
  std::vector<const Exps*> by_column;
  std::map<Exps, uint32_t> lead_of;  // leading monomial -> basis index
};
constexpr uint32_t kNormalForm = ~0u;

[[noreturn]] void not_reduced(uint32_t k) {
  Fatal(
      "build_last_matrix: the basis is not reduced (a tail monomial of polynomial %u "
      "lies outside the normal set)\n",
      k);
}

MatrixShape shape_of(const std::vector<BasisPoly>& G, const std::vector<Exps>& leads,
                     const std::vector<Exps>& set, uint32_t n) {
  MatrixShape s;
  // Columns in the engine's order, the monomial 1 first.
  std::vector<size_t> idx(set.size());
  for (size_t i = 0; i < idx.size(); ++i) idx[i] = i;
  std::vector<std::vector<uint64_t>> words(set.size());
  for (size_t i = 0; i < set.size(); ++i) words[i] = packed(set[i]);
  std::stable_sort(idx.begin(), idx.end(), [&](size_t a, size_t b) {
    return comp5_Expos(reinterpret_cast<const ExposW*>(words[a].data()),
                       reinterpret_cast<const ExposW*>(words[b].data())) < 0;
  });
  s.by_column.resize(set.size());
  for (size_t c = 0; c < idx.size(); ++c) {
    s.column[set[idx[c]]] = int32_t(c);
    s.by_column[c] = &set[idx[c]];
  }
  for (uint32_t k = 0; k < G.size(); ++k) s.lead_of.emplace(leads[k], k);

  s.coords.assign(n, -1);
  s.coords[n - 1] = 0;
  for (uint32_t v = 0; v + 1 < n; ++v) {
    Exps x(n, 0);
    x[v] = 1;
    auto it = s.column.find(x);
    if (it != s.column.end()) s.coords[v] = it->second;
  }
  for (size_t c = 0; c < s.by_column.size(); ++c) {
    Exps prod = *s.by_column[c];
    prod[n - 1] += 1;
    auto col = s.column.find(prod);
    if (col != s.column.end()) {
      s.sparse.push_back(int32_t(c));
      s.sparse.push_back(col->second);
      continue;
    }
    auto lead = s.lead_of.find(prod);
    const uint32_t from = lead == s.lead_of.end() ? kNormalForm : lead->second;
    std::vector<uint32_t> tail_columns;
    if (from != kNormalForm) {
      const BasisPoly& g = G[from];
      for (size_t t = 1; t < g.size(); ++t) {
        auto tc = s.column.find(g.term(t));
        if (tc == s.column.end()) not_reduced(from);
        tail_columns.push_back(uint32_t(tc->second));
      }
    }
    s.dense_columns.push_back(std::move(tail_columns));
    s.nosp.push_back(int32_t(c));
    s.nosp.push_back(0);
    s.dense_from.push_back(from);
    s.dense_product.push_back(std::move(prod));
    s.dense_row_index.push_back(int32_t(c));
  }
  s.sparse.push_back(-1);
  s.nosp.push_back(-1);
  return s;
}

// The monomials whose normal forms the lanes of one change of order take,
// numbered as they are first met, with what each normal form is made of:
// a column of the normal set, the tail of a basis polynomial, or for any
// other monomial u outside the normal set a product x_i * u' with u' still
// outside it, so that NF(u) = sum_j c_j NF(x_i * b_j) where NF(u') = sum_j
// c_j b_j.  Every b_j is smaller than u' in the monomial order, so the
// recursion only visits monomials smaller than u and ends.  None of it
// depends on the prime: the lanes share it, each looking up a monomial and
// its peeled variable once for all of them.
class MonomialIndex {
 public:
  enum class Kind : uint8_t { column, lead, product };
  struct Entry {
    Kind kind = Kind::column;
    uint32_t at = 0;                   // the column, the basis index, or the peeled x_i
    uint32_t smaller = 0;              // product: the number of u'
    std::vector<uint32_t> tail;        // lead: the column of each tail term
    std::vector<int32_t> times_column; // product: the number of x_i * b_j, -1 until met
  };

  MonomialIndex(const std::vector<BasisPoly>& G, const MatrixShape& s, uint32_t n)
      : G_(G), s_(s), n_(n) {}

  uint32_t number(const Exps& u) {
    auto known = numbers_.find(u);
    if (known != numbers_.end()) return known->second;
    Entry e;
    auto col = s_.column.find(u);
    auto lead = s_.lead_of.find(u);
    if (col != s_.column.end()) {
      e.at = uint32_t(col->second);
    } else if (lead != s_.lead_of.end()) {
      e.kind = Kind::lead;
      e.at = lead->second;
      const BasisPoly& g = G_[lead->second];
      for (size_t t = 1; t < g.size(); ++t) {
        auto c = s_.column.find(g.term(t));
        if (c == s_.column.end()) not_reduced(lead->second);
        e.tail.push_back(uint32_t(c->second));
      }
    } else {
      e.kind = Kind::product;
      e.at = peel_variable(u);
      Exps smaller = u;
      smaller[e.at] -= 1;
      e.smaller = number(smaller);
      e.times_column.assign(s_.by_column.size(), -1);
    }
    entries_.push_back(std::move(e));
    return numbers_.emplace(u, uint32_t(entries_.size() - 1)).first->second;
  }

  const Entry& entry(uint32_t k) const { return entries_[k]; }

  // The number of x_i * b_j for the product entry k.
  uint32_t times_column(uint32_t k, uint32_t j) {
    if (entries_[k].times_column[j] < 0) {
      Exps prod = *s_.by_column[j];
      prod[entries_[k].at] += 1;
      const uint32_t m = number(prod);
      entries_[k].times_column[j] = int32_t(m);
    }
    return uint32_t(entries_[k].times_column[j]);
  }

 private:
  // A variable x_i with u / x_i still divisible by a leading monomial (the
  // last variable when it can be).
  uint32_t peel_variable(const Exps& u) const {
    for (const auto& [l, k] : s_.lead_of) {
      if (!divides(l, u)) continue;
      for (uint32_t i = n_; i-- > 0;)
        if (u[i] > l[i]) return i;
    }
    Fatal("Bug in build_last_matrix(4)\n");
  }

  const std::vector<BasisPoly>& G_;
  const MatrixShape& s_;
  const uint32_t n_;
  std::unordered_map<Exps, uint32_t, ExpsHash> numbers_;
  std::deque<Entry> entries_;  // met while others are read: no entry moves
};

// Normal forms of monomials modulo the basis, on one prime, as dense vectors
// over the columns (residues in [0, p)), made as the index says.
class NormalForms {
 public:
  NormalForms(const std::vector<BasisPoly>& G, MonomialIndex& index, uint32_t D, uint32_t lane,
              uint32_t p)
      : G_(G), index_(index), lane_(lane), p_(p), D_(D) {}

  const std::vector<uint32_t>& of(const Exps& u) { return value(index_.number(u)); }

 private:
  const std::vector<uint32_t>& value(uint32_t k) {
    if (k < values_.size() && !values_[k].empty()) return values_[k];
    const MonomialIndex::Entry& e = index_.entry(k);
    std::vector<uint32_t> nf(D_, 0);
    switch (e.kind) {
      case MonomialIndex::Kind::column:
        nf[e.at] = 1;
        break;
      case MonomialIndex::Kind::lead: {
        const BasisPoly& g = G_[e.at];
        for (size_t t = 1; t < g.size(); ++t) {
          const uint32_t a = g.coefficient(lane_, t) % p_;
          nf[e.tail[t - 1]] = a == 0 ? 0 : p_ - a;
        }
        break;
      }
      case MonomialIndex::Kind::product: {
        // Products summed exactly, two columns at a time, and reduced once.
        const uint32_t* outer = value(e.smaller).data();
        ExactSums sums(D_);
        const uint32_t* held = nullptr;
        uint64_t held_factor = 0;
        for (uint32_t j = 0; j < D_; ++j) {
          if (outer[j] == 0) continue;
          const uint32_t* inner = value(index_.times_column(k, j)).data();
          if (held == nullptr) {
            held = inner;
            held_factor = outer[j];
            continue;
          }
          sums.add_two(held, held_factor, inner, outer[j]);
          held = nullptr;
        }
        if (held != nullptr) sums.add_two(held, held_factor, held, 0);
        nf = sums.residues(p_);
        break;
      }
    }
    if (values_.size() <= k) values_.resize(k + 1);
    values_[k] = std::move(nf);
    return values_[k];
  }

  const std::vector<BasisPoly>& G_;
  MonomialIndex& index_;
  const uint32_t lane_, p_, D_;
  std::deque<std::vector<uint32_t>> values_;  // by number; empty until made; none moves
};

// Dense row r of the matrix on lane l: the entries of x_last * b over the
// columns, residues in [0, p).
std::vector<uint32_t> dense_row(const std::vector<BasisPoly>& G, const MatrixShape& s, size_t r,
                                uint32_t l, uint32_t p, NormalForms& normal_forms) {
  if (s.dense_from[r] == kNormalForm) return normal_forms.of(s.dense_product[r]);
  std::vector<uint32_t> row(s.by_column.size(), 0);
  const BasisPoly& g = G[s.dense_from[r]];
  const std::vector<uint32_t>& columns = s.dense_columns[r];
  for (size_t t = 1; t < g.size(); ++t) {
    const uint32_t a = g.coefficient(l, t) % p;
    row[columns[t - 1]] = a == 0 ? 0 : p - a;
  }
  return row;
}

// The map of multiplication by the last variable on lane l, from the rows
// of the matrix.
MultiplicationMap multiplication_map_of(const std::vector<BasisPoly>& G, const MatrixShape& s,
                                        uint32_t n, uint32_t l, uint32_t p,
                                        NormalForms& normal_forms) {
  const size_t nd = s.dense_from.size();
  MultiplicationMap map(uint32_t(s.by_column.size()), p, uint32_t(s.column.at(Exps(n, 0))),
                        uint32_t(nd));
  for (size_t i = 0; s.sparse[i] >= 0; i += 2)
    map.add_copy_row(uint32_t(s.sparse[i]), uint32_t(s.sparse[i + 1]));
  for (size_t r = 0; r < nd; ++r)
    map.add_dense_row(uint32_t(s.dense_row_index[r]), dense_row(G, s, r, l, p, normal_forms));
  return map;
}

// A matrix entry v in [0, p) in the form the dense rows of this build hold.
#ifdef ZEL_VARIANT_FP
using RowEntry = int16_t;
inline RowEntry row_entry(uint32_t v, uint32_t p) {
  return v <= uint32_t(PrimeHalf) ? RowEntry(v) : RowEntry(int32_t(v) - int32_t(p));
}
constexpr uint32_t kRowAlign = 8;
#else
using RowEntry = uint32_t;
inline RowEntry row_entry(uint32_t v, uint32_t) { return v; }
constexpr uint32_t kRowAlign = 4;
#endif

struct LaneAnswer {
  std::vector<int32_t> degrees;
  std::vector<std::vector<uint32_t>> rows;  // per variable, degree+1 coefficients
  std::string failure;                      // why this prime gave no answer, or empty
};

// A lane without an answer, and why (the message raised when no prime of
// the batch gives one).
LaneAnswer failed_lane(const char* format, ...) ZEL_PRINTF(1, 2);
LaneAnswer failed_lane(const char* format, ...) {
  char buf[kMessageBuffer];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(buf, sizeof buf, format, ap);
  va_end(ap);
  LaneAnswer a;
  a.failure = buf;
  return a;
}

void solve_linear_leads(const std::vector<BasisPoly>& G, const MatrixShape& s, uint32_t n,
                        LaneAnswer& a, uint32_t l, uint64_t p);

// The answer most primes of the batch give is the system's; a prime that
// gives another one, or none, is unlucky.  The integer build reports it as
// a bad prime of the batch, as the elimination does (the loop over batches
// then drops the batch and goes on with fresh primes), and its lane takes
// the common answer modulo its prime so that what follows works on
// residues.  When no prime gives an answer, the system has none: fatal.
void set_aside_unlucky_lanes(std::vector<LaneAnswer>& answers,
                             const std::vector<uint32_t>& primes) {
  const size_t V = answers.size();
  auto agree = [&](size_t a, size_t b) {
    return answers[a].failure.empty() && answers[b].failure.empty() &&
           answers[a].degrees == answers[b].degrees;
  };
  size_t common = V, votes = 0;
  for (size_t l = 0; l < V; ++l) {
    size_t k = 0;
    for (size_t m = 0; m < V; ++m) k += agree(l, m);
    if (k > votes) common = l, votes = k;
  }
  if (common == V) Refuse("%s", answers[0].failure.c_str());
  for (size_t l = 0; l < V; ++l) {
    if (agree(l, common)) continue;
#ifdef ZEL_VARIANT_INT
    Stderr("build_last_matrix: the prime %u is unlucky for the change of order (%s)\n", primes[l],
           answers[l].failure.empty() ? "other degrees" : "no answer");
    mark_bad_prime(uint32_t(l), BadPrime::lane_differs);
    answers[l] = answers[common];
    for (std::vector<uint32_t>& row : answers[l].rows)
      for (uint32_t& c : row) c %= primes[l];
#else
    Fatal(
        "build_last_matrix: the primes %u and %u give results of different degrees (an "
        "unlucky prime); run again with other primes\n",
        primes[common], primes[l]);
#endif
  }
}

// Projections the sparse FGLM draws before the dense elimination takes
// over (or, for a normal set too large for it, before the mode gives up).
// A projection misses each irreducible factor g of the minimal polynomial
// with probability p^-deg(g); the lcm of k of them misses it with
// probability p^-(k deg g), so even modulo 2 a few dozen suffice.
constexpr uint32_t kDenseLimit = 1500;
constexpr uint32_t kMinpolyTries = 8, kMinpolyTriesLarge = 40;
constexpr uint32_t kParamTries = 3, kParamTriesLarge = 12;

ModPoly as_mod_poly(const std::vector<uint32_t>& row) {
  return trimmed(ModPoly(row.begin(), row.end()));
}

// degree+1 coefficients (the zero polynomial as the constant 0).
std::vector<uint32_t> as_row(const ModPoly& f) {
  if (f.empty()) return {0};
  return std::vector<uint32_t>(f.begin(), f.end());
}

// Store mode hands variable j's polynomial back in dense row j: the first
// rows are put back after each run, so that every run works on the same
// matrix.
class KeptRows {
 public:
  KeptRows(RowEntry* rows, size_t count) : rows_(rows), saved_(rows, rows + count) {}
  KeptRows(const KeptRows&) = delete;
  KeptRows& operator=(const KeptRows&) = delete;
  ~KeptRows() { std::copy(saved_.begin(), saved_.end(), rows_); }

 private:
  RowEntry* rows_;
  std::vector<RowEntry> saved_;
};

// The certificate of a run's sequence, with the generator the run made
// when it made one.
SequenceCertificate certificate_of(const FglmResults& run, uint32_t D, uint64_t p) {
  if (run.generator.empty()) return SequenceCertificate(run.sequence, D, p);
  return SequenceCertificate(run.sequence, D, p, run.generator);
}

// The sparse FGLM on lane l, modulo p, with every answer checked exactly.
// A projection whose sequence has linear complexity D certifies its answer
// from the sequences alone (sequence_certificate.hpp), the usual case when
// the last variable separates the solutions.  Otherwise the check is on the
// multiplication matrix: the minimal polynomial is the lcm of the
// projections' minimal polynomials once it vanishes on the ideal, a
// parametrisation is kept once each x_j + R_j lies in the ideal (with deg f
// = D, those polynomials then generate the ideal).  When the projections
// keep failing, the dense elimination of the Krylov vectors decides; past
// its size the mode refuses.  The square-free modes take the square-free
// part of the checked answer.
LaneAnswer solve_lane(uint32_t l, uint32_t p, const std::vector<BasisPoly>& G,
                      const MatrixShape& s, MonomialIndex& index, uint32_t D, uint32_t n,
                      const ChangeOrderRequest& request) {
#ifdef ZEL_VARIANT_FP
  set_prime_sign(p);
#endif
  const uint32_t last = n - 1;
  const uint32_t W = (D + kRowAlign - 1) / kRowAlign * kRowAlign;
  const size_t nd = s.dense_from.size();
  sparse_detail::AlignedBuf<RowEntry> block(std::max<size_t>(nd, 1) * W + 16);
  NormalForms normal_forms(G, index, D, l, p);
  // The dense rows straight into the zero-filled block: a row from a basis
  // polynomial writes its tail only.
  for (size_t r = 0; r < nd; ++r) {
    RowEntry* row = block.data() + r * W;
    if (s.dense_from[r] == kNormalForm) {
      const std::vector<uint32_t>& entries = normal_forms.of(s.dense_product[r]);
      for (uint32_t c = 0; c < D; ++c) row[c] = row_entry(entries[c], p);
      continue;
    }
    const BasisPoly& g = G[s.dense_from[r]];
    const std::vector<uint32_t>& columns = s.dense_columns[r];
    const size_t terms = g.size();  // a division: once per row, not per entry
    for (size_t t = 1; t < terms; ++t) {
      uint32_t a = g.coefficient(l, t);
      if (a >= p) a %= p;
      row[columns[t - 1]] = row_entry(a == 0 ? 0 : p - a, p);
    }
  }
  // The map of the exact checks, made when the certificate from the
  // sequences does not decide (an unlucky projection).
  std::optional<MultiplicationMap> made_map;
  auto multiplication_map = [&]() -> const MultiplicationMap& {
    if (!made_map) made_map.emplace(multiplication_map_of(G, s, n, l, p, normal_forms));
    return *made_map;
  };
  std::vector<int32_t> sparse = s.sparse, nosp = s.nosp;
  const char* name = Liste_variables[last] ? Liste_variables[last] : "the last variable";

  // One run of the sparse FGLM with the projections drawn from seed: the
  // degree of the minimal polynomial found (-1: none), the polynomials in
  // last_fglm_results().
  auto fglm = [&](uint32_t seed, bool only_minpoly, int32_t estimate,
                  std::vector<int32_t>& degrees) {
    std::vector<int32_t> coords = s.coords;
    if (only_minpoly)
      for (uint32_t v = 0; v < last; ++v) coords[v] = -1;
    degrees.assign(n, -1);
    ProjectionSeed projections(seed);
    KeptRows kept(block.data(), std::min<size_t>(n, nd) * W);
    ExitsRaiseFatal guard;
#ifdef ZEL_VARIANT_FP
    std::vector<int16_t*> table(std::max<size_t>(nd, 1));
    for (size_t r = 0; r < nd; ++r) table[r] = block.data() + r * W;
    return ZEL_C(w_fglm)(int32_t(D), sparse.data(), nosp.data(), int32_t(n), coords.data(),
                         table.data(), 1, degrees.data(), &p, 0, 0,
                         const_cast<char**>(Liste_variables), 0, only_minpoly ? 1 : 0, estimate,
                         -1, -1);
#else
    return ZEL_C(w_fglm)(int32_t(D), sparse.data(), nosp.data(), int32_t(n), coords.data(),
                         block.data(), 1, degrees.data(), &p, 0, 0,
                         const_cast<char**>(Liste_variables), 0, only_minpoly ? 1 : 0, estimate,
                         -1, -1);
#endif
  };
  auto found = [&](uint32_t j, int32_t degree) {
    const Dom* r = last_fglm_results().row(int32_t(j));
    return std::vector<uint32_t>(r, r + degree + 1);
  };

  // The normal forms of x_0 .. x_{last-1}, for the checks.
  std::vector<NfVector> variables;
  for (uint32_t j = 0; j < last; ++j) {
    Exps x(n, 0);
    x[j] = 1;
    const std::vector<uint32_t>& nf = normal_forms.of(x);
    variables.emplace_back(nf.begin(), nf.end());
  }
  // Where the sequences of the last full run are read for a column: the
  // monomial 1 (the minimal polynomial's sequence), t (the same one step
  // on), a variable with a coordinate; other columns have none.
  enum class Recorded : uint8_t { none, one, t, variable };
  std::vector<Recorded> recorded(D, Recorded::none);
  std::vector<uint32_t> recorded_variable(D, 0);
  recorded[size_t(s.coords[last])] = Recorded::one;
  {
    Exps t(n, 0);
    t[last] = 1;
    auto ct = s.column.find(t);
    if (ct != s.column.end()) recorded[size_t(ct->second)] = Recorded::t;
  }
  for (uint32_t j = 0; j < last; ++j)
    if (s.coords[j] >= 0) {
      recorded[size_t(s.coords[j])] = Recorded::variable;
      recorded_variable[size_t(s.coords[j])] = j;
    }
  // The parametrisation of the last full run, certified from its sequences
  // without a product by the matrix (see sequence_certificate.hpp): f is
  // the least generator of degree D, and -R_j(t) is x_j for every j, the
  // sequence of x_j's normal form being combined from recorded ones.
  auto certified = [&](const LaneAnswer& a) {
    const FglmResults& run = last_fglm_results();
    const SequenceCertificate certificate = certificate_of(run, D, p);
    if (!certificate.is_minimal_polynomial(as_mod_poly(a.rows[last]))) return false;
    for (uint32_t j = 0; j < last; ++j) {
      if (a.degrees[j] < 0) return false;
      ModPoly Q = as_mod_poly(a.rows[j]);
      for (uint64_t& c : Q) c = c == 0 ? 0 : p - c;
      std::vector<uint64_t> u(D, 0);
      for (uint32_t c = 0; c < D; ++c) {
        const uint64_t w = variables[j][c];
        if (w == 0) continue;
        const Dom* seq = nullptr;
        switch (recorded[c]) {
          case Recorded::none:
            return false;
          case Recorded::one:
            seq = run.sequence.data();
            break;
          case Recorded::t:
            seq = run.sequence.data() + 1;
            break;
          case Recorded::variable: {
            const uint32_t k = recorded_variable[c];
            if (k >= run.variable_sequences.size() || run.variable_sequences[k].size() < D)
              return false;
            seq = run.variable_sequences[k].data();
            break;
          }
        }
        const FixedFactor times_w(Dom(w % p), p);
        for (uint32_t i = 0; i < D; ++i) u[i] = ADD(Dom(u[i]), times_w.times(seq[i]), p);
      }
      if (!certificate.represents(Q, u)) return false;
    }
    return true;
  };
  // A parametrisation holds: f vanishes and every x_j + R_j lies in the ideal.
  auto holds = [&](const LaneAnswer& a) {
    std::vector<ModPoly> R;
    for (uint32_t j = 0; j < last; ++j) {
      if (a.degrees[j] < 0) return false;
      R.push_back(as_mod_poly(a.rows[j]));
    }
    R.push_back(as_mod_poly(a.rows[last]));
    return in_ideal(multiplication_map(), R, variables);
  };
  // The parametrisation of one full run.
  auto parametrisation = [&](uint32_t seed, LaneAnswer& a) {
    a.rows.assign(n, {});
    if (fglm(seed, false, -1, a.degrees) != int32_t(D)) return false;
    for (uint32_t j = 0; j < n; ++j)
      if (a.degrees[j] >= 0) a.rows[j] = found(j, a.degrees[j]);
    solve_linear_leads(G, s, n, a, l, p);
    return certified(a) || holds(a);
  };
  auto minimal_polynomial = [&]() -> ModPoly {
    const uint32_t tries = D <= kDenseLimit ? kMinpolyTries : kMinpolyTriesLarge;
    ModPoly lcm{1};
    for (uint32_t seed = 1; seed <= tries; ++seed) {
      // A degree estimate below D bounds the first run only: its answer
      // counts when it vanishes (then it is the minimal polynomial), else
      // it may be no divisor of it and is dropped.
      const int32_t estimate = seed == 1 ? request.estimate : -1;
      const bool bounded = estimate >= 1 && uint32_t(estimate) < D;
      std::vector<int32_t> degrees;
      const int32_t d = fglm(seed, true, estimate, degrees);
      if (d < 0) continue;
      const ModPoly f = monic(as_mod_poly(found(last, d)), p);
      // The least generator of 2D terms with degree D is the minimal
      // polynomial itself (see sequence_certificate.hpp), and then so is
      // the lcm with the earlier runs' divisors of it.
      if (certificate_of(last_fglm_results(), D, p).is_minimal_polynomial(f)) return f;
      if (bounded) {
        if (in_ideal(multiplication_map(), {f})) return f;
        continue;
      }
      lcm = poly_lcm(lcm, f, p);
      if (lcm.size() > D + 1) break;  // cannot happen: each f divides the minimal polynomial
      if (in_ideal(multiplication_map(), {lcm})) return lcm;
    }
    if (D <= kDenseLimit) return krylov_solve(multiplication_map(), {}).minpoly;
    return ModPoly{};  // none confirmed
  };
  // The square-free modes: f's square-free part, every R_j modulo it.
  auto finish = [&](LaneAnswer& a) {
    if (!request.sqfr) return a;
    const ModPoly f = as_mod_poly(a.rows[last]), m = squarefree_part(f, p);
    if (m.size() == f.size()) return a;
    for (uint32_t j = 0; j < last; ++j)
      if (a.degrees[j] >= 0) a.rows[j] = as_row(poly_rem(as_mod_poly(a.rows[j]), m, p));
    a.rows[last] = as_row(m);
    for (uint32_t j = 0; j < n; ++j)
      if (a.degrees[j] >= 0) a.degrees[j] = int32_t(a.rows[j].size()) - 1;
    return a;
  };

  LaneAnswer a;
  if (!request.minpoly_only && parametrisation(1, a)) return finish(a);
  const ModPoly f = minimal_polynomial();
  if (f.empty())
    return failed_lane(
        "The minimal polynomial of %s modulo %u could not be confirmed: %u random projections "
        "gave none that vanishes on the ideal, and %u solutions are too many for the dense "
        "elimination.  Use a larger prime\n",
        name, p, kMinpolyTriesLarge, D);
  const uint32_t degree = uint32_t(f.size()) - 1;
  a.degrees.assign(n, -1);
  a.rows.assign(n, {});
  a.rows[last] = as_row(f);
  a.degrees[last] = int32_t(degree);
  if (request.minpoly_only) return finish(a);
  if (degree < D)
    // The parametrisation needs a minimal polynomial of degree D (the
    // number of solutions with multiplicity).
    return failed_lane(
        "No rational parametrisation by %s: its minimal polynomial has degree %d, but the "
        "system has %u solutions counted with multiplicity, so %s does not separate the "
        "solutions (or cannot see the multiplicity of a multiple one).  The minimal "
        "polynomial alone is available (compute modes 4 and 5); for a parametrisation, "
        "make the last variable a generic linear combination of the variables\n",
        name, int(degree), D, name);
  const uint32_t tries = D <= kDenseLimit ? kParamTries : kParamTriesLarge;
  for (uint32_t seed = 2; seed <= tries; ++seed)
    if (parametrisation(seed, a)) return finish(a);
  if (D > kDenseLimit)
    return failed_lane(
        "No rational parametrisation by %s modulo %u could be confirmed: %u random projections "
        "gave none that holds on the ideal, and %u solutions are too many for the dense "
        "elimination.  Use a larger prime\n",
        name, p, tries, D);
  // x_last generates the algebra: every x_j is a polynomial Q_j in it.
  const KrylovAnswer k = krylov_solve(multiplication_map(), variables);
  a.degrees.assign(n, -1);
  a.rows.assign(n, {});
  a.rows[last] = as_row(k.minpoly);
  a.degrees[last] = int32_t(D);
  for (uint32_t j = 0; j < last; ++j) {
    if (!k.in_t[j])
      return failed_lane("build_last_matrix: x_%u is not a polynomial in %s\n", j, name);
    ModPoly R = *k.in_t[j];
    for (uint64_t& c : R) c = c == 0 ? 0 : p - c;
    a.rows[j] = as_row(R);
    a.degrees[j] = int32_t(a.rows[j].size()) - 1;
  }
  return finish(a);
}

// A variable x_j that is itself a leading monomial has no column: its basis
// polynomial x_j + c_0 + sum c_k x_k (k in the normal set) gives
// R_j = c_0 - sum c_k R_k, with R_last = -t.  Variables whose polynomial is
// not of that form keep degree -1 (no polynomial).
uint64_t pow_mod(uint64_t b, uint64_t e, uint64_t p) {
  uint64_t r = 1;
  for (b %= p; e != 0; e >>= 1, b = mul_mod(b, b, p))
    if (e & 1) r = mul_mod(r, b, p);
  return r;
}

void solve_linear_leads(const std::vector<BasisPoly>& G, const MatrixShape& s, uint32_t n,
                        LaneAnswer& a, uint32_t l, uint64_t p) {
  const uint32_t last = n - 1;
  const uint32_t D = uint32_t(a.rows[last].size()) - 1;
  for (uint32_t j = 0; j < last; ++j) {
    if (s.coords[j] >= 0) continue;
    const BasisPoly* g = nullptr;
    for (size_t k = 0; k < G.size() && g == nullptr; ++k) {
      const Exps e = G[k].term(0);
      if (exps_degree(e) == 1 && e[j] == 1) g = &G[k];
    }
    if (g == nullptr) continue;
    std::vector<uint64_t> R(D, 0);
    bool linear = true;
    for (size_t t = 1; t < g->size() && linear; ++t) {
      const Exps e = g->term(t);
      const uint64_t c = uint64_t(g->coefficient(l, t)) % p;
      if (exps_degree(e) == 0) {
        R[0] = (R[0] + c) % p;
        continue;
      }
      uint32_t k = 0;
      while (e[k] == 0) ++k;
      if (exps_degree(e) != 1) {
        linear = false;
      } else if (k == last) {  // c * t: R_last = -t
        if (D >= 2) {
          R[1] = (R[1] + c) % p;
        } else if (D == 1) {
          // f = f1 t + f0 has one root: -t is f0 / f1 modulo f.
          const uint64_t f0 = uint64_t(a.rows[last][0]) % p, f1 = uint64_t(a.rows[last][1]) % p;
          const uint64_t minus_t = mul_mod(f0, pow_mod(f1, p - 2, p), p);
          R[0] = (R[0] + p - mul_mod(c, minus_t, p)) % p;
        } else {
          linear = false;
        }
      } else if (a.degrees[k] < 0 || s.coords[k] < 0) {
        linear = false;
      } else {
        for (int32_t i = 0; i <= a.degrees[k]; ++i)
          R[size_t(i)] = (R[size_t(i)] + p - mul_mod(c, a.rows[k][size_t(i)], p)) % p;
      }
    }
    if (!linear) continue;
    int32_t d = int32_t(D) - 1;
    while (d > 0 && R[size_t(d)] == 0) --d;
    a.rows[j].assign(R.begin(), R.begin() + d + 1);
    a.degrees[j] = d;
  }
}

struct Staircase {
  std::vector<Exps> set;
  MatrixShape shape;
};

// The normal set and the matrix shape of G (sorted or not).
Staircase staircase_of(const std::vector<BasisPoly>& G, uint32_t n, uint32_t D) {
  std::vector<Exps> leads(G.size());
  uint32_t M = 0;
  for (size_t k = 0; k < G.size(); ++k) {
    if (G[k].size() == 0) Fatal("build_last_matrix: basis polynomial %u has no term\n", uint32_t(k));
    leads[k] = G[k].term(0);
    M = std::max(M, exps_degree(leads[k]));
  }
  Stderr("Maximal degree in G is %d\n", M + 1);
  if (D == 0) require_zero_dimensional(leads, n);
  Staircase st;
  st.set = normal_set(leads, n, D);
  if (st.set.empty()) Refuse("build_last_matrix: the basis has no solution (empty normal set)\n");
  st.shape = shape_of(G, leads, st.set, n);
  return st;
}

}  // namespace

std::vector<ShapePoly> change_order_by_matrix(const std::vector<BasisPoly>& G,
                                              const ChangeOrderRequest& request) {
  if (G.empty()) return {};
  const double start = cpu_now();
  const uint32_t n = request.n;
  if (n == 0) Fatal("ne trouve pas find_main_var\n");
  const Staircase st = staircase_of(G, n, request.D);
  const MatrixShape& s = st.shape;
  const uint32_t D = uint32_t(st.set.size());
  Stderr("Matrix (%d/%d)\n", int(s.dense_from.size()), D);
  Stderr("Build the matrix: %.2f sec\n", cpu_now() - start);

  const uint32_t V = uint32_t(request.primes.size());
  std::vector<LaneAnswer> answers;
  const double t0 = cpu_now();
  MonomialIndex index(G, s, n);
  for (uint32_t l = 0; l < V; ++l)
    answers.push_back(solve_lane(l, request.primes[l], G, s, index, D, n, request));
  set_aside_unlucky_lanes(answers, request.primes);
  Stderr("New FGLM: %.2f sec\n", cpu_now() - t0);

  // Entry j is variable j's polynomial.  A variable of the normal set with
  // degree -1 vanishes at every solution (R_j = 0, as the square-free modes
  // meet it in a non-radical ideal): x_j alone.
  std::vector<ShapePoly> out;
  for (uint32_t j = request.minpoly_only ? n - 1 : 0; j < n; ++j) {
    if (answers[0].degrees[j] < 0 && s.coords[j] < 0)
      Refuse("build_last_matrix: no polynomial for %s\n",
             Liste_variables[j] ? Liste_variables[j] : "?");
    ShapePoly q;
    q.var = j;
    // Union of the lanes' non-zero positions, highest power first (a
    // linear lead's R_j may be shorter on one lane than on another).
    auto entry = [&](const LaneAnswer& a, size_t i) {
      return i < a.rows[j].size() ? a.rows[j][i] : 0u;
    };
    size_t width = 0;
    for (const LaneAnswer& a : answers) width = std::max(width, a.rows[j].size());
    for (size_t i = width; i-- > 0;)
      for (const LaneAnswer& a : answers)
        if (entry(a, i) != 0) {
          q.powers.push_back(uint32_t(i));
          break;
        }
    q.coef.resize(V);
    for (uint32_t l = 0; l < V; ++l)
      for (uint32_t e : q.powers) q.coef[l].push_back(entry(answers[l], e));
    out.push_back(std::move(q));
  }
  return out;
}

std::optional<NormalSetPoly> last_variable_normal_form(const std::vector<BasisPoly>& G, uint32_t n,
                                                       const std::vector<ModPoly>& f,
                                                       const std::vector<uint32_t>& primes) {
  if (G.empty() || n == 0) return std::nullopt;
  std::vector<Exps> leads;
  for (const BasisPoly& g : G) {
    if (g.size() == 0) return std::nullopt;
    for (uint32_t l = 0; l < primes.size(); ++l)
      if (g.coefficient(l, 0) % primes[l] != 1) return std::nullopt;
    // Decreasing terms: the first leads, and no monomial comes twice.
    std::vector<uint64_t> above = packed(g.term(0));
    for (size_t t = 1; t < g.size(); ++t) {
      std::vector<uint64_t> w = packed(g.term(t));
      if (comp5_Expos(reinterpret_cast<const ExposW*>(above.data()),
                      reinterpret_cast<const ExposW*>(w.data())) <= 0)
        return std::nullopt;
      above = std::move(w);
    }
    leads.push_back(g.term(0));
  }
  if (!zero_dimensional(leads, n)) return std::nullopt;
  const std::vector<Exps> set = normal_set(leads, n, 0);
  if (set.empty()) return std::nullopt;
  const std::unordered_set<Exps, ExpsHash> standard(set.begin(), set.end());
  for (const BasisPoly& g : G)
    for (size_t t = 1; t < g.size(); ++t)
      if (standard.count(g.term(t)) == 0) return std::nullopt;
  const MatrixShape s = shape_of(G, leads, set, n);
  std::vector<NfVector> forms;
  MonomialIndex index(G, s, n);
  for (uint32_t l = 0; l < primes.size(); ++l) {
    NormalForms normal_forms(G, index, uint32_t(set.size()), l, primes[l]);
    const MultiplicationMap map = multiplication_map_of(G, s, n, l, primes[l], normal_forms);
    forms.push_back(normal_forms_at_t(map, {f[l]})[0]);
  }
  NormalSetPoly nf;
  nf.coef.resize(primes.size());
  for (size_t c = s.by_column.size(); c-- > 0;) {
    if (std::all_of(forms.begin(), forms.end(), [&](const NfVector& v) { return v[c] == 0; }))
      continue;
    nf.monomials.push_back(*s.by_column[c]);
    for (uint32_t l = 0; l < primes.size(); ++l) nf.coef[l].push_back(forms[l][c]);
  }
  return nf;
}

std::vector<BasisPoly> basis_of(Dpol* const* G, uint32_t nb) {
  const uint32_t n = nb_of_affine_variables, V = ZEL_C(vectorize);
  std::vector<BasisPoly> basis(nb);
  for (uint32_t k = 0; k < nb; ++k) {
    const Dpol* g = G[k];
    basis[k].nvars = n;
    basis[k].exps.reserve(size_t(g->n) * n);
    for (uint32_t t = 0; t < g->n; ++t)
      for (uint32_t v = 0; v < n; ++v) basis[k].exps.push_back(get_field(words_of(g->mono[t]), v));
#ifdef ZEL_VARIANT_INT
    for (uint32_t l = 0; l < V; ++l) basis[k].lane_view.push_back(lanes(g)[l]);
#else
    basis[k].coef.resize(V);
    for (uint32_t l = 0; l < V; ++l) basis[k].coef[l].assign(lanes(g)[l], lanes(g)[l] + g->n);
#endif
  }
  return basis;
}

uint32_t shape_to_dpols(const std::vector<ShapePoly>& shape, Dpol** result) {
  const uint32_t n = nb_of_affine_variables, V = ZEL_C(vectorize);
  uint32_t count = 0;
  for (const ShapePoly& sp : shape) {
    const uint32_t j = sp.var;
    const uint32_t head = j + 1 < n ? 1 : 0;
    Dpol* q = new_Dpol(head + uint32_t(sp.powers.size()));
    Exps e(n, 0);
    if (head) {
      e[j] = 1;
      q->mono[0] = expos_from(e);
      e[j] = 0;
      for (uint32_t l = 0; l < V; ++l) lanes(q)[l][0] = 1;
    }
    for (size_t t = 0; t < sp.powers.size(); ++t) {
      e[n - 1] = sp.powers[t];
      q->mono[head + t] = expos_from(e);
      for (uint32_t l = 0; l < V; ++l) lanes(q)[l][head + t] = Dom(sp.coef[l][t]);
    }
    result[count++] = q;
  }
  return count;
}

uint32_t build_last_matrix(Dpol** G, uint32_t nb, Dpol** result, uint32_t D, int32_t minpoly_only,
                           int32_t sqfr) {
  if (nb == 0) return 0;
  const uint32_t n = nb_of_affine_variables;
  if (n == 0) Fatal("ne trouve pas find_main_var\n");
  if (D == 0) Refuse("build_last_matrix: the basis has no solution (empty normal set)\n");
  sort_totaldeg_Dpol(G, int32_t(nb));
  ChangeOrderRequest request;
  request.n = n;
  request.D = D;
  request.primes.assign(ZEL_C(Primes), ZEL_C(Primes) + ZEL_C(vectorize));
  request.minpoly_only = minpoly_only;
  request.sqfr = sqfr;
  return shape_to_dpols(change_order_by_matrix(basis_of(G, nb), request), result);
}

std::string dump_last_matrix(const std::vector<BasisPoly>& G, uint32_t n, uint32_t prime) {
  if (G.empty()) Fatal("No matrix to dump: the basis is empty\n");
  if (n == 0) Fatal("ne trouve pas find_main_var\n");
  const Staircase st = staircase_of(G, n, 0);
  const MatrixShape& s = st.shape;
  const uint32_t D = uint32_t(st.set.size());
  std::vector<DumpRow> rows(D);
  for (size_t i = 0; s.sparse[i] >= 0; i += 2)
    rows[size_t(s.sparse[i])] = {{Dom(1)}, {uint32_t(s.sparse[i + 1])}};
  MonomialIndex index(G, s, n);
  NormalForms normal_forms(G, index, D, 0, prime);
  for (size_t r = 0; r < s.dense_from.size(); ++r) {
    const std::vector<uint32_t> entries = dense_row(G, s, r, 0, prime, normal_forms);
    DumpRow& row = rows[size_t(s.dense_row_index[r])];
    for (uint32_t c = 0; c < D; ++c)
      if (entries[c] != 0) {
        row.values.push_back(Dom(entries[c]));
        row.columns.push_back(c);
      }
  }
  return dump_matrix(rows, prime);
}

// ---------------------------------------------------------------------------
// The dump file: u32 N0 (rows), u32 N0 again (columns), u32 modulus, u64 nb
// (entries), nb values in [0, p) of the build's residue width (16 bits in
// the prime-field build, 32 in the integer build), nb u32 columns, N0 u32
// row lengths.

std::string dump_matrix(const std::vector<DumpRow>& rows, uint32_t modulus) {
  static uint32_t counter = 0;
  int fd = -1;
  std::string name;
  for (int attempt = 0; attempt < 1000 && fd < 0; ++attempt) {
    name = "/tmp/fmat" + std::to_string(++counter);
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (fd < 0 && errno != EEXIST)
      Fatal("Cannot create %s: %s\n", name.c_str(), std::strerror(errno));
  }
  if (fd < 0) Fatal("Cannot create a fresh /tmp/fmat file\n");
  FILE* f = fdopen(fd, "wb");
  if (f == nullptr) Fatal("Cannot write %s\n", name.c_str());
  const uint32_t N0 = uint32_t(rows.size());
  uint64_t nb = 0;
  for (const DumpRow& r : rows) nb += r.values.size();
  bool ok = std::fwrite(&N0, 4, 1, f) == 1 && std::fwrite(&N0, 4, 1, f) == 1 &&
            std::fwrite(&modulus, 4, 1, f) == 1 && std::fwrite(&nb, 8, 1, f) == 1;
  for (const DumpRow& r : rows)
    ok = ok && std::fwrite(r.values.data(), sizeof(Dom), r.values.size(), f) == r.values.size();
  for (const DumpRow& r : rows)
    ok = ok && std::fwrite(r.columns.data(), 4, r.columns.size(), f) == r.columns.size();
  for (const DumpRow& r : rows) {
    const uint32_t len = uint32_t(r.values.size());
    ok = ok && std::fwrite(&len, 4, 1, f) == 1;
  }
  if (std::fclose(f) != 0 || !ok) Fatal("Cannot write %s\n", name.c_str());
  return name;
}

// A zeroed block of `entries` row entries, or none when it would not fit the
// machine's memory or cannot be had.
static std::optional<sparse_detail::AlignedBuf<RowEntry>> dense_block(uint64_t entries) {
  const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
  if (pages > 0 && page > 0 && entries > uint64_t(pages) * uint64_t(page) / sizeof(RowEntry))
    return std::nullopt;
  try {
    return sparse_detail::AlignedBuf<RowEntry>(size_t(entries));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

int32_t rebuild_matrix(const char* file_name) {
  if (file_name == nullptr) Fatal("rebuild_matrix: no file name\n");
  FILE* f = std::fopen(file_name, "rb");
  if (f == nullptr) Fatal("rebuild_matrix: cannot open %s\n", file_name);
  struct Closer {
    FILE* f;
    ~Closer() { std::fclose(f); }
  } closer{f};
  auto read = [&](void* dst, size_t size, size_t count, const char* what) {
    if (count && std::fread(dst, size, count, f) != count)
      Fatal("rebuild_matrix: %s is too short (reading %s)\n", file_name, what);
  };
  uint32_t N0, m, modulus;
  uint64_t nb;
  read(&N0, 4, 1, "the row count");
  read(&m, 4, 1, "the column count");
  read(&modulus, 4, 1, "the modulus");
  read(&nb, 8, 1, "the entry count");
  if (N0 == 0 || N0 != m || N0 > (1u << 28))
    Fatal("rebuild_matrix: %s: a square matrix is expected (%u x %u)\n", file_name, N0, m);
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || nb > uint64_t(st.st_size) / (sizeof(Dom) + 4))
    Fatal("rebuild_matrix: %s: %llu entries do not fit the file\n", file_name,
          (unsigned long long)nb);
  // Nothing is allocated from the header's counts before the file is seen
  // to hold them: a few bytes must not ask for gigabytes.
  const uint64_t announced = 20 + nb * (sizeof(Dom) + 4) + 4 * uint64_t(N0);
  if (announced > uint64_t(st.st_size))
    Fatal("rebuild_matrix: %s is too short (%llu bytes, its header announces %llu)\n", file_name,
          (unsigned long long)st.st_size, (unsigned long long)announced);
  std::vector<Dom> values(nb);
  std::vector<uint32_t> columns(nb), lengths(N0);
  read(values.data(), sizeof(Dom), nb, "the values");
  read(columns.data(), 4, nb, "the columns");
  read(lengths.data(), 4, N0, "the row lengths");
  uint64_t total = 0;
  for (uint32_t len : lengths) total += len;
  if (total != nb)
    Fatal("rebuild_matrix: %s: the row lengths add up to %llu, not %llu\n", file_name,
          (unsigned long long)total, (unsigned long long)nb);
  for (uint32_t c : columns)
    if (c >= N0) Fatal("rebuild_matrix: %s: column %u outside the matrix\n", file_name, c);

  uint32_t p = ZEL_C(Primes)[0];
  for (Dom v : values)
    if (v >= p) Fatal("rebuild_matrix: %s: value %u is not a residue modulo %u\n", file_name, v, p);
  Stderr("%u x %u matrix\n", N0, m);
  Stderr("mod %u\n", p);
  Stderr("Nb of Nz elements %llu (density %.2f)\n", (unsigned long long)nb,
         100.0 * double(nb) / (double(N0) * double(m)));
#ifdef ZEL_VARIANT_FP
  set_prime_sign(p);
#endif
  const uint32_t n = std::max<uint32_t>(nb_of_affine_variables, 1);
  std::vector<int32_t> coords(n, -1), degrees(n, -1), sparse, nosp;
  coords[n - 1] = 0;
  const uint32_t W = (N0 + kRowAlign - 1) / kRowAlign * kRowAlign;
  std::vector<uint32_t> dense_rows;
  uint64_t at = 0;
  for (uint32_t i = 0; i < N0; ++i) {
    if (lengths[i] == 1 && values[at] == 1) {
      sparse.push_back(int32_t(i));
      sparse.push_back(int32_t(columns[at]));
    } else {
      nosp.push_back(int32_t(i));
      nosp.push_back(0);
      dense_rows.push_back(i);
    }
    at += lengths[i];
  }
  sparse.push_back(-1);
  nosp.push_back(-1);
  std::vector<uint64_t> row_start(N0 + 1, 0);
  for (uint32_t i = 0; i < N0; ++i) row_start[i + 1] = row_start[i] + lengths[i];
  // Every row that is not a copy is held densely, whatever few entries the
  // file gives it: refuse a block the machine cannot hold rather than
  // exhaust it.
  const uint64_t block_entries = std::max<uint64_t>(dense_rows.size(), 1) * W + 16;
  std::optional<sparse_detail::AlignedBuf<RowEntry>> held = dense_block(block_entries);
  if (!held)
    Fatal(
        "rebuild_matrix: %s: %zu dense rows of %u entries need %llu bytes, more than this "
        "machine can hold\n",
        file_name, dense_rows.size(), W, (unsigned long long)(block_entries * sizeof(RowEntry)));
  sparse_detail::AlignedBuf<RowEntry>& block = *held;
  for (size_t r = 0; r < dense_rows.size(); ++r) {
    const uint32_t i = dense_rows[r];
    for (uint64_t k = row_start[i]; k < row_start[i + 1]; ++k)
      block.data()[r * W + columns[k]] = row_entry(values[k], p);
  }
  Stderr("\nSparse: %u Non sparse %u\n", uint32_t(sparse.size() / 2), uint32_t(dense_rows.size()));
  Stderr("Before ZEL(w_fglm) deg_minpol_estimate=%d\n", -1);
  const double t0 = cpu_now();
  {
    ExitsRaiseFatal guard;
#ifdef ZEL_VARIANT_FP
    std::vector<int16_t*> table(std::max<size_t>(dense_rows.size(), 1));
    for (size_t r = 0; r < dense_rows.size(); ++r) table[r] = block.data() + r * W;
    ZEL_C(w_fglm)
    (int32_t(N0), sparse.data(), nosp.data(), int32_t(n), coords.data(), table.data(), 1,
     degrees.data(), &p, 1, 1, const_cast<char**>(Liste_variables), 0, 1, -1, -1, -1);
#else
    ZEL_C(w_fglm)
    (int32_t(N0), sparse.data(), nosp.data(), int32_t(n), coords.data(), block.data(), 1,
     degrees.data(), &p, 1, 1, const_cast<char**>(Liste_variables), 0, 1, -1, -1, -1);
#endif
  }
  Stderr("New FGLM: %.2f sec\n", cpu_now() - t0);
  return 0;
}

}  // namespace zel::ZEL_BUILD
