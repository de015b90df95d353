#include "engine/driver/mult_map.hpp"

#include <algorithm>

#include "engine/driver/affine_monomials.hpp"

namespace zel::ZEL_BUILD {

void MultiplicationMap::add_dense_row(uint32_t row, const std::vector<uint32_t>& entries) {
  dense_rows_.push_back(row);
  dense_.emplace_back(entries.begin(), entries.begin() + D_);
}

NfVector MultiplicationMap::one() const {
  NfVector v(D_, 0);
  v[one_] = 1 % p_;
  return v;
}

NfVector MultiplicationMap::times_t(const NfVector& v) const {
  // t * v = sum over rows c of v[c] * (row c); the sums are reduced only
  // when `room` more products of two residues might not fit 64 bits.
  NfVector out(D_, 0);
  for (const Copy& c : copies_) out[c.column] = (out[c.column] + v[c.row]) % p_;
  const uint64_t square = (p_ - 1) * (p_ - 1);
  const uint64_t room = square == 0 ? ~uint64_t(0) : (~uint64_t(0) - p_) / square;
  uint64_t added = 0;
  for (size_t r = 0; r < dense_.size(); ++r) {
    const uint64_t c = v[dense_rows_[r]];
    if (c == 0) continue;
    if (added == room) {
      for (uint64_t& x : out) x %= p_;
      added = 0;
    }
    const std::vector<uint32_t>& row = dense_[r];
    for (uint32_t k = 0; k < D_; ++k) out[k] += c * row[k];
    ++added;
  }
  for (uint64_t& x : out) x %= p_;
  return out;
}

bool is_zero(const NfVector& v) {
  return std::all_of(v.begin(), v.end(), [](uint64_t x) { return x == 0; });
}

bool vanishes(const MultiplicationMap& M, const ModPoly& f) {
  if (f.empty()) return true;
  const uint64_t p = M.prime();
  const NfVector one = M.one();
  // Horner: v = f(M) 1.
  NfVector v(M.size(), 0);
  for (size_t i = f.size(); i-- > 0;) {
    if (i + 1 < f.size()) v = M.times_t(v);
    for (uint32_t k = 0; k < M.size(); ++k) v[k] = (v[k] + mul_mod(f[i], one[k], p)) % p;
  }
  return is_zero(v);
}

bool parametrises(const MultiplicationMap& M, const std::vector<ModPoly>& R,
                  const std::vector<NfVector>& nf) {
  const uint64_t p = M.prime();
  std::vector<NfVector> acc = nf;
  size_t top = 0;
  for (const ModPoly& r : R) top = std::max(top, r.size());
  NfVector w = M.one();  // t^i
  for (size_t i = 0; i < top; ++i) {
    if (i > 0) w = M.times_t(w);
    for (size_t j = 0; j < R.size(); ++j) {
      if (i >= R[j].size() || R[j][i] == 0) continue;
      for (uint32_t k = 0; k < M.size(); ++k)
        acc[j][k] = (acc[j][k] + mul_mod(R[j][i], w[k], p)) % p;
    }
  }
  return std::all_of(acc.begin(), acc.end(), is_zero);
}

namespace {

// Gaussian elimination of vectors against the rows kept so far, each with
// its pivot (entry 1) and the combination of Krylov vectors it equals.
struct Echelon {
  uint64_t p;
  std::vector<NfVector> rows, combos;
  std::vector<uint32_t> pivots;

  // w -= sum c_k rows[k] until w is zero at every pivot; combo -= the same
  // combination of combos (sign -1) or += it (sign +1).
  void reduce(NfVector& w, ModPoly& combo, bool add) const {
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
    NfVector w = v;
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
    NfVector w = target;
    ModPoly combo;
    e.reduce(w, combo, true);
    if (is_zero(w))
      answer.in_t.emplace_back(trimmed(std::move(combo)));
    else
      answer.in_t.emplace_back(std::nullopt);
  }
  return answer;
}

}  // namespace zel::ZEL_BUILD
