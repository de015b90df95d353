// Integer build: printing with lifted coefficients, and rational
// interpolation of univariate results.
#include "engine/coef/lift_print.hpp"

#include <algorithm>
#include <vector>

#include "engine/api/session.hpp"
#include "engine/coef/chinese.hpp"
#include "engine/coef/int_context.hpp"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_print.hpp"

namespace zel::ZEL_BUILD {

const char* pending_display = nullptr;
int32_t want_output_is_bad = 0;
const char* ZEL_C(param_variable) = "T";
int32_t ZEL_C(want_denom_coeff_only) = 0;

namespace {

bool is_one(const INT& v) { return mpz_cmp_ui(&v, 1) == 0; }
bool is_minus_one(const INT& v) { return mpz_cmp_si(&v, -1) == 0; }

// "(" n "/" d ")".
void see_fraction(const INT& n, const INT& d) {
  Output("(");
  ZEL_C(see_INT)(n);
  Output("/");
  ZEL_C(see_INT)(d);
  Output(")");
}

// The signed coefficient of a term as the polynomial printers write it
// (`later`: not the first term printed).  True when a "*" must follow before
// a monomial.
bool see_coefficient(const INT& n, const INT& d, bool later, const char* minus_one) {
  if (!is_one(d)) {
    if (later) Output("+");
    see_fraction(n, d);
    return true;
  }
  if (later && mpz_sgn(&n) > 0) Output("+");
  if (is_one(n)) return false;
  if (is_minus_one(n)) {
    Output("%s", minus_one);
    return false;
  }
  ZEL_C(see_INT)(n);
  return true;
}

// Lifts n residues modulo the n given primes (their own Chinese remaindering,
// not the batch's context) to num/den; 0 lifts to 0/1.
bool lift_over(const uint32_t* residues, const uint32_t* primes, uint32_t n, INT* num, INT* den) {
  INT P, u, f;
  mpz_init_set_ui(&P, 1);
  for (uint32_t i = 0; i < n; i++) mpz_mul_ui(&P, &P, primes[i]);
  mpz_init(&u);
  mpz_init(&f);
  for (uint32_t i = 0; i < n; i++) {
    mpz_divexact_ui(&f, &P, primes[i]);
    const uint32_t c = uint32_t(mpz_fdiv_ui(&f, primes[i]));
    INT ci, pi;
    mpz_init_set_ui(&ci, c);
    mpz_init_set_ui(&pi, primes[i]);
    if (mpz_invert(&ci, &ci, &pi) == 0) Fatal("The primes of a lift are not distinct\n");
    mpz_mul(&f, &f, &ci);
    mpz_addmul_ui(&u, &f, residues[i]);
  }
  mpz_mod(&u, &u, &P);
  if (mpz_sgn(&u) == 0) {
    mpz_init(num);
    mpz_init_set_ui(den, 1);
    return true;
  }
  INT B;
  mpz_init(&B);
  mpz_fdiv_q_2exp(&B, &P, 1);
  if (n > 1) mpz_fdiv_q_ui(&B, &B, primes[0]);
  mpz_sqrt(&B, &B);
  return internal_lift_INT(u, P, B, num, den) == 1;
}

// a^-1 mod p (a != 0 mod p).
uint32_t inv_word(uint64_t a, uint64_t p) {
  int64_t r0 = int64_t(p), r1 = int64_t(a % p), t0 = 0, t1 = 1;
  while (r1 != 0) {
    const int64_t q = r0 / r1;
    int64_t r = r0 - q * r1;
    r0 = r1;
    r1 = r;
    int64_t t = (t0 - (q % int64_t(p)) * t1) % int64_t(p);
    t0 = t1;
    t1 = t;
  }
  return uint32_t(t0 < 0 ? t0 + int64_t(p) : t0);
}

uint64_t sub_mod(uint64_t a, uint64_t b, uint64_t p) { return a >= b ? a - b : a + p - b; }

// c = a * x_coef + (x - xk) * b over polynomials modulo p (coefficients
// constant term first, `len` of them).
void recurrence(std::vector<uint64_t>& c, const std::vector<uint64_t>& a, uint64_t ak,
                const std::vector<uint64_t>& b, uint64_t xk, uint64_t p) {
  const size_t len = c.size();
  for (size_t i = 0; i < len; i++) {
    uint64_t v = a[i] * ak % p;
    v = (v + (p - xk % p) % p * b[i]) % p;
    if (i > 0) v = (v + b[i - 1]) % p;
    c[i] = v;
  }
}

int32_t degree_of(const std::vector<uint64_t>& v) {
  int32_t d = int32_t(v.size()) - 1;
  while (d >= 0 && v[size_t(d)] == 0) d--;
  return d;
}

}  // namespace

// A lift reads one residue per prime of the context: without a context for
// the current lanes nothing can be lifted.
namespace {
bool context_fits_lanes() {
  return valid_number_of_primes != 0 && valid_number_of_primes == ZEL_C(vectorize);
}
}  // namespace

bool display_lifted_value(const uint32_t* v, uint32_t n) {
  if (valid_number_of_primes == 0 || n != valid_number_of_primes) return false;
  IntContext ctx;
  ZoneScope scope;
  INT pair[2];
  if (!ZEL_C(lift_one_INT)(v, pair)) return false;
  if (is_one(pair[1]))
    ZEL_C(see_INT)(pair[0]);
  else
    see_fraction(pair[0], pair[1]);
  return true;
}

int secure_see_Dpol_1(const Dpol* p) {
  ZEL_C(want_small) = 0;
  if (p->n == 0) {
    Output("0");
    return 1;
  }
  IntContext ctx;
  ZoneScope scope;
  auto* pairs = static_cast<INT*>(alloc64(sizeof(INT) * 2 * p->n));
  for (uint32_t t = 0; t < p->n; t++) {
    if (!context_fits_lanes() || !ZEL_C(lift_row_INT)(lanes(p), t, pairs + 2 * t, 1)) {
      want_output_is_bad = 1;
      if (pending_display != nullptr) {
        pending_display = nullptr;
        return 0;
      }
      Output("NYA");
      return 0;
    }
    enregistre(pairs[2 * t]);
    enregistre(pairs[2 * t + 1]);
  }
  if (pending_display != nullptr) {
    Output("%s", pending_display);
    pending_display = nullptr;
  }
  for (uint32_t t = 0; t < p->n; t++) {
    if (see_coefficient(pairs[2 * t], pairs[2 * t + 1], t > 0, " -")) Output("*");
    see_Expos2(p->mono[t], 1);
  }
  return 1;
}

namespace {

// Each term lifted on its own: a coefficient that does not lift prints
// "NYA" in its place, and the other terms still print.
void see_terms_one_by_one(const Dpol* p) {
  ZEL_C(want_small) = 0;
  IntContext ctx;
  for (uint32_t t = 0; t < p->n; t++) {
    ZoneScope scope;  // gives back the integers of this term's lift
    INT pair[2];
    if (!context_fits_lanes() || !ZEL_C(lift_row_INT)(lanes(p), t, pair, 1)) {
      want_output_is_bad = 1;
      if (t > 0) Output("+");
      Output("NYA*");
    } else {
      if (!is_one(pair[1])) {
        enregistre(pair[0]);
        enregistre(pair[1]);
      }
      if (see_coefficient(pair[0], pair[1], t > 0, " -")) Output("*");
    }
    see_Expos2(p->mono[t], 1);
  }
}

}  // namespace

void see_Dpol_lifted_terms(const Dpol* p) {
  if (want_secure)
    secure_see_Dpol_1(p);
  else
    see_terms_one_by_one(p);
}

void verifier_coherence(const uint32_t* values, uint32_t n) {
  if (n < 2) return;
  std::vector<uint32_t> v(values, values + n);
  for (uint32_t gap = n / 2; gap > 0; gap /= 2)
    for (uint32_t i = gap; i < n; i++)
      for (uint32_t j = i; j >= gap && v[j - gap] > v[j]; j -= gap) std::swap(v[j], v[j - gap]);
  for (uint32_t i = 1; i < n; i++)
    if (v[i - 1] == v[i]) Fatal("incoherence dans data: %u = %u\n", v[i - 1], v[i]);
}

int internal_param_lift(const uint32_t* points, const uint32_t* values, uint32_t n, uint32_t p,
                        uint32_t* num, uint32_t* den, int32_t* num_degree, int32_t* den_degree) {
  // Equal points make the differences meaningless: check them on every call.
  verifier_coherence(points, n);
  if (n <= 3) return 0;
  const uint64_t P = p;
  // Inverse differences: phi_0(x_j) = y_j; phi_k(x_j) = (x_j - x_{k-1}) /
  // (phi_{k-1}(x_j) - phi_{k-1}(x_{k-1})); a_k = phi_k(x_k).  The
  // convergents A_k / B_k of a_0 + (x - x_0) / (a_1 + (x - x_1) / ...)
  // interpolate the first k + 1 points.
  std::vector<uint64_t> phi(n);
  for (uint32_t j = 0; j < n; j++) phi[j] = values[j] % P;
  std::vector<uint64_t> A_prev(n, 0), A(n, 0), B_prev(n, 0), B(n, 0), next(n, 0);
  A_prev[0] = 1;
  A[0] = phi[0];
  B[0] = 1;
  for (uint32_t k = 1; k + 3 <= n; k++) {
    if ((k - 1) % 128 == 0) Stderr("[%d]", int(k - 1));
    const uint64_t base = phi[k - 1];
    const uint64_t xb = points[k - 1] % P;
    uint32_t zeros = 0;
    for (uint32_t j = k; j < n; j++)
      if (phi[j] == base) zeros++;
    if (zeros == n - k) {
      // phi_{k-1} is constant on the remaining points: A/B fits them all.
      if (double(k) > ZEL_C(taille_maxi)) ZEL_C(taille_maxi) = double(k);
      int32_t dn = degree_of(A), dd = degree_of(B);
      if (dd < 0) return 0;
      // The same normalisation modulo every prime (monic denominator), so
      // that the coefficients can be lifted together.
      const uint64_t lead_inv = inv_word(B[size_t(dd)], P);
      for (int32_t i = 0; i < int32_t(n); i++) {
        num[i] = i <= dn ? uint32_t(A[size_t(i)] * lead_inv % P) : 0;
        den[i] = i <= dd ? uint32_t(B[size_t(i)] * lead_inv % P) : 0;
      }
      *num_degree = dn;
      *den_degree = dd;
      return 1;
    }
    if (zeros != 0) return 0;  // a pole among the points: no fraction through them
    for (uint32_t j = k; j < n; j++) {
      const uint64_t dx = sub_mod(points[j] % P, xb, P);
      phi[j] = dx * inv_word(sub_mod(phi[j], base, P), P) % P;
    }
    recurrence(next, A, phi[k], A_prev, xb, P);
    A_prev.swap(A);
    A.swap(next);
    recurrence(next, B, phi[k], B_prev, xb, P);
    B_prev.swap(B);
    B.swap(next);
  }
  return 0;
}

void display_univ(const uint32_t* coeffs, int32_t degree, uint32_t stride, uint32_t nprimes,
                  const uint32_t* primes, const char* variable) {
  IntContext ctx;
  std::vector<uint32_t> r(nprimes);
  bool first = true;
  for (int32_t d = degree; d >= 0; d--) {
    bool all_zero = true;
    for (uint32_t k = 0; k < nprimes; k++) {
      r[k] = coeffs[size_t(d) + size_t(k) * stride];
      if (r[k] != 0) all_zero = false;
    }
    if (all_zero) continue;
    ZoneScope scope;
    INT n, den;
    bool star;
    if (!lift_over(r.data(), primes, nprimes, &n, &den)) {
      if (!first) Output("+");
      Output("NYA");
      star = true;
    } else if (d == 0 && is_one(den) && (is_one(n) || is_minus_one(n))) {
      // A constant 1 or -1 must show its digit.
      if (!first && mpz_sgn(&n) > 0) Output("+");
      ZEL_C(see_INT)(n);
      star = false;
    } else {
      star = see_coefficient(n, den, !first, "-");
    }
    first = false;
    if (d > 0) {
      if (star) Output("*");
      if (d == 1)
        Output("%s", variable);
      else
        Output("%s^%u", variable, unsigned(d));
    }
  }
  if (first) Output("0");
}

int ZEL_C(param_lift)(const uint32_t* points, const uint32_t* values) {
  const uint32_t V = ZEL_C(maxi_vectorize);
  // Groups of consecutive lanes with the same prime.
  std::vector<uint32_t> starts;
  for (uint32_t l = 0; l < V; l++)
    if (l == 0 || Primes_ori[l] != Primes_ori[l - 1]) starts.push_back(l);
  const uint32_t G = uint32_t(starts.size());
  const uint32_t S = V / G;
  for (uint32_t g = 0; g < G; g++) {
    const uint32_t end = g + 1 < G ? starts[g + 1] : V;
    if (end - starts[g] != S) Fatal("Cas pas fait dans param_lift\n");
  }
  std::vector<uint32_t> num(V, 0), den(V, 0), group_primes(G);
  int32_t dn = -1, dd = -1;
  for (uint32_t g = 0; g < G; g++) {
    const uint32_t f = starts[g];
    group_primes[g] = Primes_ori[f];
    int32_t gn, gd;
    if (!internal_param_lift(points + f, values + f, S, Primes_ori[f], num.data() + f,
                             den.data() + f, &gn, &gd)) {
      Output("NYA");
      return 0;
    }
    dn = std::max(dn, gn);
    dd = std::max(dd, gd);
  }
  auto constant_one = [&](const std::vector<uint32_t>& c, int32_t deg) {
    if (deg != 0) return false;
    for (uint32_t g = 0; g < G; g++)
      if (c[starts[g]] != 1) return false;
    return true;
  };
  const char* x = ZEL_C(param_variable);
  if (ZEL_C(want_denom_coeff_only)) {
    display_univ(den.data(), dd, S, G, group_primes.data(), x);
  } else if (constant_one(den, dd)) {
    display_univ(num.data(), dn, S, G, group_primes.data(), x);
  } else if (constant_one(num, dn)) {
    Output("1/(");
    display_univ(den.data(), dd, S, G, group_primes.data(), x);
    Output(")");
  } else {
    Output("(");
    display_univ(num.data(), dn, S, G, group_primes.data(), x);
    Output(")/(");
    display_univ(den.data(), dd, S, G, group_primes.data(), x);
    Output(")");
  }
  return 1;
}

void ZEL_C(lift_output)(FILE* stream, const uint32_t* residues) {
  set_engine_streams(stream, nullptr);
  IntContext ctx;
  ZoneScope scope;
  INT pair[2];
  if (!ZEL_C(lift_one_INT)(residues, pair)) {
    Output("NYA");
  } else if (is_one(pair[1])) {
    ZEL_C(see_INT)(pair[0]);
  } else {
    see_fraction(pair[0], pair[1]);
  }
}

void ZEL_C(output_INT)(FILE* stream, const INT& v) {
  set_engine_streams(stream, nullptr);
  ZEL_C(see_INT)(v);
}

int ZEL_C(lift_output_sgn)(FILE* stream, const uint32_t* residues, int32_t first,
                           int32_t constant) {
  set_engine_streams(stream, nullptr);
  IntContext ctx;
  ZoneScope scope;
  INT pair[2];
  const int star = constant ? 0 : 1;
  if (!ZEL_C(lift_one_INT)(residues, pair)) {
    Output(first ? "NYA" : "+NYA");
    return star;
  }
  const INT& n = pair[0];
  const INT& d = pair[1];
  if (!is_one(d)) {
    if (!first) Output("+");
    see_fraction(n, d);
    return star;
  }
  if (is_one(n)) {
    Output(constant ? (first ? "1" : "+1") : (first ? "" : "+"));
    return 0;
  }
  if (is_minus_one(n)) {
    Output(constant ? "-1" : "-");
    return 0;
  }
  if (!first && mpz_sgn(&n) > 0) Output("+");
  ZEL_C(see_INT)(n);
  return star;
}

}  // namespace zel::ZEL_BUILD
