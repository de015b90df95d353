#include "sparse/univariate.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "sparse/descriptor.hpp"
#include "sparse/dot_product.hpp"
#include "sparse/exit.hpp"
#include "sparse/messages.hpp"
#include "sparse/modarith.hpp"
#include "sparse/shifted_combination.hpp"

namespace zel::ZEL_BUILD {

int32_t true_degree(const Dom* P, int32_t top) {
  while (top >= 0 && P[top] == 0) --top;
  return top;
}

void addmul_poly(Dom* P, const Dom* Q, int32_t s, Dom c, int32_t* dP, int32_t dQ) {
  const uint32_t p = current_prime();
  c = static_cast<Dom>(c % p);
  if (dQ < 0 || c == 0) return;
  const int32_t top = s + dQ;
  const int32_t d = *dP;
  if (d >= top) {
    for (int32_t i = 0; i <= dQ; ++i) P[s + i] = ADDMUL(c, Q[i], P[s + i], p);
    // The top may cancel, and with it coefficients below s as well.
    if (d == top) *dP = true_degree(P, top);
    return;
  }
  for (int32_t i = s; i <= d; ++i) P[i] = ADDMUL(c, Q[i - s], P[i], p);
  for (int32_t i = std::max(d + 1, 0); i < s; ++i) P[i] = 0;
  for (int32_t i = std::max(d + 1, s); i <= top; ++i) P[i] = MUL(c, Q[i - s], p);
  *dP = true_degree(P, top);
}

void mul_tronquer(Dom* R, int32_t* dR, const Dom* A, int32_t dA, const Dom* B, int32_t dB,
                  int32_t n) {
  const uint32_t p = current_prime();
  if (n < 1) n = 1;
#ifdef ZEL_VARIANT_INT
  // With A reversed every coefficient is the dot product of two contiguous
  // stretches, A[k - j] = Arev[dA - k + j], j from jlo(k) to jhi(k).  Four
  // consecutive coefficients share B + j over the j they all have: the
  // several-row kernel sums them, the rows one entry apart backwards; the
  // at most three j at either end that not all four have are added apart.
  std::vector<Dom> Arev(A, A + std::max(dA + 1, 0));
  std::reverse(Arev.begin(), Arev.end());
  const Reducer reduce_p(p);
  auto jlo = [&](int32_t k) { return std::max(0, k - dA); };
  auto jhi = [&](int32_t k) { return std::min(dB, k); };
  Dom shared[4];
  for (int32_t k0 = 0; k0 < n; k0 += 4) {
    const int32_t count = std::min(n - k0, 4);
    const int32_t lo = jlo(k0 + count - 1), hi = jhi(k0);
    if (lo <= hi)
      dot_products_u32(Arev.data() + (dA - k0 + lo), -1, static_cast<uint32_t>(count), B + lo,
                       static_cast<uint32_t>(hi - lo + 1), p, shared);
    for (int32_t r = 0; r < count; ++r) {
      const int32_t k = k0 + r;
      unsigned __int128 rest = 0;
      for (int32_t j = jlo(k); j <= jhi(k); ++j) {
        if (lo <= hi && j == lo) j = hi + 1;  // the shared stretch
        if (j > jhi(k)) break;
        rest += static_cast<uint64_t>(Arev[dA - k + j]) * B[j];
      }
      R[k] = ADD(lo <= hi ? shared[r] : Dom(0), reduce_p(rest), p);
    }
  }
#else
  for (int32_t k = 0; k < n; ++k) {
    Acc acc = 0;
    const int32_t jlo = std::max(0, k - dA), jhi = std::min(dB, k);
    for (int32_t j = jlo; j <= jhi; ++j) acc += mul_wide(A[k - j], B[j]);
    R[k] = reduce(acc, p);
  }
#endif
  *dR = true_degree(R, n - 1);
}

int32_t derivative(const Dom* P, int32_t d, Dom* Q) {
  const uint32_t p = current_prime();
  for (int32_t i = 1; i <= d; ++i)
    Q[i - 1] = MUL(static_cast<Dom>(static_cast<uint32_t>(i) % p), P[i], p);
  return true_degree(Q, d - 1);
}

int32_t reverse(Dom* P, int32_t n) {
  if (n < 0) return -1;
  for (int32_t i = 0, j = n; i < j; ++i, --j) std::swap(P[i], P[j]);
  return true_degree(P, n);
}

void quo2(Dom* A, int32_t* dA, Dom* B, int32_t* dB, Dom* U, int32_t* dU, Dom* V, int32_t* dV) {
  const int32_t da = *dA, db = *dB, du = *dU, dv = *dV;
  if (db < 0) {
    std::fprintf(err_stream(), "B=0 !!\n");
    return;
  }
  const uint32_t p = current_prime();
  const Reducer reduce_p(p);
  const Dom inv = INV_2args(B[db], p);
  // Exact working rows, reduced only where a coefficient is needed.
  std::vector<Acc> Rw(std::max(da + 1, db), 0);
  for (int32_t i = 0; i <= da; ++i) Rw[i] = A[i];
  const int32_t topU = std::max(du, dv + std::max(da - db, 0));
  std::vector<Acc> Uw(topU + 1, 0);
  for (int32_t i = 0; i <= du; ++i) Uw[i] = U[i];
  for (int32_t i = da; i >= db; --i) {
    const Dom lead = reduce_p(Rw[i]);
    if (lead == 0) continue;
    const Dom m = NEG(MUL(lead, inv, p), p);
    Acc* r = Rw.data() + (i - db);
    for (int32_t j = db; j >= 0; --j) r[j] += mul_wide(m, B[j]);
    Acc* u = Uw.data() + (i - db);
    for (int32_t j = dv; j >= 0; --j) u[j] += mul_wide(m, V[j]);
  }
  std::copy(B, B + db + 1, A);
  *dA = db;
  if (dv >= 0) std::copy(V, V + dv + 1, U);
  *dU = dv;
  for (int32_t k = 0; k < db; ++k) B[k] = reduce_p(Rw[k]);
  *dB = true_degree(B, db - 1);
  for (int32_t k = 0; k <= topU; ++k) V[k] = reduce_p(Uw[k]);
  *dV = true_degree(V, topU);
}

namespace {

// The four rows of an extended Euclidean run on (A, B): remainders R0, R1
// and the cofactors of B, U0 = 0 and U1 = 1 (R_i = U_i * B mod A).
struct EuclidRows {
  std::vector<Dom> R0, R1, U0, U1;
  int32_t d0, d1, du0 = -1, du1 = 0;
  EuclidRows(const Dom* A, int32_t dA, const Dom* B, int32_t dB)
      : R0(width(dA, dB), 0), R1(R0), U0(R0), U1(R0), d0(dA), d1(dB) {
    if (dA >= 0) std::copy(A, A + dA + 1, R0.begin());
    if (dB >= 0) std::copy(B, B + dB + 1, R1.begin());
    U1[0] = 1;
  }
  static size_t width(int32_t dA, int32_t dB) {
    return static_cast<size_t>(std::max({dA, dB, 0})) + 2;
  }
  // Entries above each degree are zero, so the steps below need no bounds
  // for the terms the shorter row lacks.
  void step() {
    if (d0 == d1 + 1 && d1 >= 0) return linear_step();
    quo2(R0.data(), &d0, R1.data(), &d1, U0.data(), &du0, U1.data(), &du1);
    for (auto [row, d] : {std::pair{&R0, d0}, {&R1, d1}, {&U0, du0}, {&U1, du1}})
      std::fill(row->begin() + (d + 1), row->end(), Dom(0));
  }

  // The usual step, a quotient q1 X + q0: the new remainder R0 - q R1 and
  // cofactor U0 - q U1 overwrite R0 and U0, then the rows change places
  // (quo2's result, without its copies and its working rows).
  void linear_step() {
    const uint32_t p = current_prime();
    const Dom inv = INV_2args(R1[d1], p);
    const Dom q1 = MUL(R0[d0], inv, p);
    const Dom q0 = MUL(SUB(R0[d0 - 1], d1 >= 1 ? MUL(q1, R1[d1 - 1], p) : Dom(0), p), inv, p);
    const FixedFactor m1(NEG(q1, p), p), m0(NEG(q0, p), p);
    // T[j] += m1 S[j-1] + m0 S[j] for j <= top.
    auto subtract = [&](std::vector<Dom>& T, const std::vector<Dom>& S, int32_t top) {
      T[0] = ADD(T[0], m0.times(S[0]), p);
      add_shifted_pair(T.data(), S.data(), m1, m0, top, p);
    };
    // The top two coefficients cancel by the choice of q.
    subtract(R0, R1, d1 - 1);
    R0[d0] = R0[d0 - 1] = 0;
    const int32_t top_u = std::max(du0, du1 + 1);
    subtract(U0, U1, top_u);
    d0 = true_degree(R0.data(), d1 - 1);
    du0 = true_degree(U0.data(), top_u);
    std::swap(R0, R1);
    std::swap(d0, d1);
    std::swap(U0, U1);
    std::swap(du0, du1);
  }
};

void copy_out(Dom* dst, int32_t* ddst, const std::vector<Dom>& src, int32_t d) {
  if (d >= 0) std::copy(src.begin(), src.begin() + d + 1, dst);
  *ddst = d;
}

}  // namespace

void egcd(Dom* A, int32_t* dA, Dom* B, int32_t* dB, int32_t k) {
  EuclidRows e(A, *dA, B, *dB);
  while (e.d1 > k && e.d1 >= 0) e.step();
  copy_out(A, dA, e.R1, e.d1);
  copy_out(B, dB, e.U1, e.du1);
}

void gcd(Dom* A, int32_t* dA, Dom* B, int32_t* dB) {
  if (*dB < 0) {
    B[0] = 1;
    *dB = 0;
    return;
  }
  EuclidRows e(A, *dA, B, *dB);
  while (e.d1 >= 0) e.step();
  copy_out(A, dA, e.R0, e.d0);
  copy_out(B, dB, e.U1, e.du1);
}

int32_t rem(const Dom* A, int32_t dA, const Dom* B, int32_t dB, Dom* R) {
  if (dB <= 0) return -1;  // a constant divisor leaves no remainder
  const uint32_t p = current_prime();
  if (dA < dB) {
    for (int32_t k = 0; k < dB; ++k) R[k] = k <= dA ? A[k] : Dom(0);
    return true_degree(R, std::min(dA, dB - 1));
  }
  const Dom inv = B[dB] == 1 ? Dom(1) : INV_2args(B[dB], p);
  const Reducer reduce_p(p);
  std::vector<Acc> W(A, A + dA + 1);
  for (int32_t i = dA; i >= dB; --i) {
    Dom c = reduce_p(W[i]);
    if (c == 0) continue;
    if (inv != 1) c = MUL(c, inv, p);
    const Dom m = NEG(c, p);
    Acc* w = W.data() + (i - dB);
    for (int32_t j = dB; j >= 0; --j) w[j] += mul_wide(m, B[j]);
  }
  for (int32_t k = 0; k < dB; ++k) R[k] = reduce_p(W[k]);
  return true_degree(R, dB - 1);
}

int32_t rem_d(Dom* A, int32_t dA, const Dom* B, int32_t dB) {
  std::vector<Dom> R(std::max({dA + 1, dB, 1}), 0);
  const int32_t r = rem(A, dA, B, dB, R.data());
  if (r >= 0) std::copy(R.begin(), R.begin() + r + 1, A);
  return r;
}

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT int32_t ZEL_C(shift_X)(Dom* P, int32_t d) {
  ZEL_ENTRY_CLAIM;
  // Always d + 1, also for the zero polynomial (d = -1): only P[0] := 0 is
  // written then, and 0 is returned, which outside callers count on.
  for (int32_t i = d; i >= 0; --i) P[i + 1] = P[i];
  P[0] = 0;
  return d + 1;
}

ZEL_EXPORT int32_t ZEL_C(combi_lin)(Dom* P, int32_t dP, uint32_t c, const Dom* Q, int32_t dQ) try {
  ZEL_ENTRY_CLAIM;
  if (modulo == nullptr || *modulo < 2)
    interface_error("combi_lin: no modulus yet, run an entry of the sparse FGLM first\n");
  int32_t d = dP;
  addmul_poly(P, Q, 0, static_cast<Dom>(c % current_prime()), &d, dQ);
  return d;
} ZEL_SPARSE_ENTRY_CATCH("combi_lin")
