#include "engine/driver/mult_map.hpp"

#include <algorithm>

#include "engine/driver/affine_monomials.hpp"
#include "engine/driver/threads.hpp"
#include "engine/f4/team_ranges.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/exact_sums.hpp"

namespace zel::ZEL_BUILD {

namespace {

// A residue in [0, p) in the kernels' form; the dot product of n entries
// (n a multiple of 16, a aligned) as a residue in [0, p).
#ifdef ZEL_VARIANT_INT
Coord to_kernel(uint64_t v, uint64_t) { return Coord(v); }
uint64_t dot(const Coord* a, const Coord* b, uint32_t n, uint64_t p) {
  return dot_product_dense(a, b, n, uint32_t(p));
}
#else
Coord to_kernel(uint64_t v, uint64_t p) {
  return Coord(v <= (p - 1) / 2 ? int64_t(v) : int64_t(v) - int64_t(p));
}
uint64_t dot(const Coord* a, const Coord* b, uint32_t n, uint64_t p) {
  const int64_t c = dot_product_dense_sse(a, b, n, uint32_t(p));
  return uint64_t(c < 0 ? c + int64_t(p) : c);
}
#endif

}  // namespace

MultiplicationMap::MultiplicationMap(uint32_t D, uint64_t p, uint32_t one_column,
                                     uint32_t dense_count)
    : D_(D),
      p_(p),
      one_(one_column),
      width_((dense_count + 15) / 16 * 16),
      copy_from_(D, -1),
      columns_(size_t(D) * width_) {}

void MultiplicationMap::add_dense_row(uint32_t row, const std::vector<uint32_t>& entries) {
  const size_t i = dense_rows_.size();
  dense_rows_.push_back(row);
  for (uint32_t k = 0; k < D_; ++k) columns_[size_t(k) * width_ + i] = to_kernel(entries[k], p_);
}

NfVector MultiplicationMap::one() const {
  NfVector v(D_, 0);
  v[one_] = uint32_t(1 % p_);
  return v;
}

NfVector MultiplicationMap::times_t(const NfVector& v) const {
  // (t * v)[k] = sum over rows c of v[c] T[c][k]: the copy row landing on
  // k, if any, and the dot product of column k with v on the dense rows.
  sparse_detail::AlignedBuf<Coord> on_dense(std::max<uint32_t>(width_, 16));
  for (size_t i = 0; i < dense_rows_.size(); ++i) on_dense[i] = to_kernel(v[dense_rows_[i]], p_);
  NfVector out(D_);
  const uint32_t T = kIntegerBuild ? 1u : uint32_t(std::max<int32_t>(nb_threads, 1));
  run_ranges(T, uint64_t(D_) * width_ / kDotTermsPerWork, D_, [&](uint32_t lo, uint32_t hi) {
    for (uint32_t k = lo; k < hi; ++k) {
      uint64_t s =
          width_ ? dot(columns_.data() + size_t(k) * width_, on_dense.data(), width_, p_) : 0;
      if (copy_from_[k] >= 0) s += v[size_t(copy_from_[k])];
      out[k] = uint32_t(s % p_);
    }
  });
  return out;
}

bool is_zero(const NfVector& v) {
  return std::all_of(v.begin(), v.end(), [](uint32_t x) { return x == 0; });
}

std::vector<NfVector> normal_forms_at_t(const MultiplicationMap& M, const std::vector<ModPoly>& f,
                                        const std::vector<NfVector>& plus) {
  const uint32_t D = M.size();
  std::vector<ExactSums> acc(f.size(), ExactSums(D));
  for (size_t k = 0; k < plus.size() && k < f.size(); ++k)
    for (uint32_t c = 0; c < plus[k].size(); ++c) acc[k].add(c, plus[k][c]);
  size_t top = 0;
  for (const ModPoly& g : f) top = std::max(top, g.size());
  auto coefficient = [&](size_t k, size_t i) { return i < f[k].size() ? f[k][i] : 0; };
  // Two Krylov vectors t^i 1 and t^(i+1) 1 per step.
  const NfVector zero(D, 0);
  NfVector w0 = M.one(), w1;
  for (size_t i = 0; i < top; i += 2) {
    w1 = i + 1 < top ? M.times_t(w0) : zero;
    for (size_t k = 0; k < f.size(); ++k)
      acc[k].add_two(w0.data(), coefficient(k, i), w1.data(), coefficient(k, i + 1));
    if (i + 2 < top) w0 = M.times_t(w1);
  }
  std::vector<NfVector> forms;
  for (const ExactSums& s : acc) forms.push_back(s.residues(uint32_t(M.prime())));
  return forms;
}

bool in_ideal(const MultiplicationMap& M, const std::vector<ModPoly>& f,
              const std::vector<NfVector>& plus) {
  const std::vector<NfVector> forms = normal_forms_at_t(M, f, plus);
  return std::all_of(forms.begin(), forms.end(), [](const NfVector& v) { return is_zero(v); });
}

namespace {

// Gaussian elimination of vectors against the rows kept so far, each with
// its pivot (entry 1) and the combination of Krylov vectors it equals.
struct Echelon {
  uint64_t p;
  std::vector<std::vector<uint64_t>> rows;
  std::vector<ModPoly> combos;
  std::vector<uint32_t> pivots;

  // w -= sum c_k rows[k] until w is zero at every pivot; combo -= the same
  // combination of combos, or += it (add).
  void reduce(std::vector<uint64_t>& w, ModPoly& combo, bool add) const {
    for (size_t k = 0; k < rows.size(); ++k) {
      const uint64_t c = w[pivots[k]];
      if (c == 0) continue;
      const uint64_t minus = p - c;
      for (size_t i = 0; i < w.size(); ++i)
        if (rows[k][i]) w[i] = (w[i] + mul_mod(minus, rows[k][i], p)) % p;
      const uint64_t into = add ? c : minus;
      if (combo.size() < combos[k].size()) combo.resize(combos[k].size(), 0);
      for (size_t i = 0; i < combos[k].size(); ++i)
        if (combos[k][i]) combo[i] = (combo[i] + mul_mod(into, combos[k][i], p)) % p;
    }
  }
};

}  // namespace

KrylovAnswer krylov_solve(const MultiplicationMap& M, const std::vector<NfVector>& targets) {
  const uint64_t p = M.prime();
  Echelon e{p, {}, {}, {}};
  KrylovAnswer answer;
  NfVector v = M.one();
  for (uint32_t i = 0; i <= M.size(); ++i) {
    if (i > 0) v = M.times_t(v);
    std::vector<uint64_t> w(v.begin(), v.end());
    ModPoly combo(i + 1, 0);
    combo[i] = 1;
    e.reduce(w, combo, false);
    const auto nonzero = std::find_if(w.begin(), w.end(), [](uint64_t x) { return x != 0; });
    if (nonzero == w.end()) {  // t^i - (a combination of lower powers) = 0
      answer.minpoly = monic(combo, p);
      break;
    }
    const uint64_t inv = inv_mod(*nonzero, p);
    for (uint64_t& x : w) x = mul_mod(x, inv, p);
    for (uint64_t& x : combo) x = mul_mod(x, inv, p);
    e.pivots.push_back(uint32_t(nonzero - w.begin()));
    e.rows.push_back(std::move(w));
    e.combos.push_back(std::move(combo));
  }
  for (const NfVector& target : targets) {
    std::vector<uint64_t> w(target.begin(), target.end());
    ModPoly combo;
    e.reduce(w, combo, true);
    if (std::all_of(w.begin(), w.end(), [](uint64_t x) { return x == 0; }))
      answer.in_t.emplace_back(trimmed(std::move(combo)));
    else
      answer.in_t.emplace_back(std::nullopt);
  }
  return answer;
}

}  // namespace zel::ZEL_BUILD
