// Integer build: the lift context, Chinese remaindering over a tree of
// partial products, and rational reconstruction.
#include "engine/coef/chinese.hpp"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/api/session.hpp"
#include "engine/coef/batch_residues.hpp"
#include "engine/coef/int_context.hpp"
#include "engine/coef/int_slide.hpp"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/xmalloc.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_layout.hpp"

namespace zel::ZEL_BUILD {

uint32_t valid_number_of_primes = 0;
uint32_t* valid_Primes = nullptr;
INT ZEL_C(product_of_primes) = {};
INT ZEL_C(maxi_INT) = {};
INT* chinese_cstes = nullptr;

namespace {

// The context's sum x = sum_i (r_i inv_i) (P / p_i), the value the tree
// gives, term by term for a batch of at most kDirectPrimes primes: one
// product of a cofactor by a machine word per prime costs less than the
// tree's operations on integers of a few words each.  The cofactors P / p_i
// take cofactor_limbs limbs each (the limbs of P, zeros on top).
constexpr uint32_t kDirectPrimes = 64;
const mp_limb_t* chinese_cofactors = nullptr;
const uint32_t* chinese_inverses = nullptr;
uint32_t cofactor_limbs = 0;

// ---- machine-word helpers -----------------------------------------------------

// a^-1 mod p by the extended Euclidean algorithm, the cofactor kept in
// [0, p); a and p coprime.
uint32_t inv_mod_word(uint64_t a, uint64_t p) {
  uint64_t r0 = p, r1 = a % p;
  uint64_t t0 = 0, t1 = 1;
  while (r1 != 0) {
    const uint64_t q = r0 / r1;
    const uint64_t r = r0 - q * r1;
    const uint64_t t = (t0 + p - (q % p) * t1 % p) % p;
    r0 = r1;
    r1 = r;
    t0 = t1;
    t1 = t;
  }
  if (r0 != 1) Fatal("The primes of the batch are not distinct (%llu)\n", (unsigned long long)p);
  return uint32_t(t0);
}

void product_of(mpz_ptr r, const uint32_t* primes, uint32_t lo, uint32_t hi);

// cofactor[i] times the product of the primes outside node [a, b) of
// parent [lo, hi) (its sibling's), modulo p_i, for every i of the node,
// then the same down its subtree: at the leaves, prod_{j != i} p_j mod p_i.
// Each sibling's product is reduced modulo all the node's primes at once,
// instead of n^2 products of words with a division each, which took
// seconds for the batch of an input of 10^5 digits.
void gather_cofactors(uint64_t* cofactor, const uint32_t* primes, uint32_t lo, uint32_t hi,
                      uint32_t a, uint32_t b) {
  {
    ZoneScope temporaries;
    INT sibling;
    mpz_init(&sibling);
    if (b == hi)
      product_of(&sibling, primes, lo, a);
    else
      product_of(&sibling, primes, b, hi);
    std::vector<Dom> residue(b - a);
    std::vector<Dom*> lane(b - a);
    for (uint32_t i = 0; i < b - a; i++) lane[i] = &residue[i];
    BatchResidues(primes + a, b - a).put(sibling, lane.data(), 0);
    for (uint32_t i = a; i < b; i++) cofactor[i] = cofactor[i] * residue[i - a] % primes[i];
    mpz_clear(&sibling);
  }
  if (b - a == 1) return;
  const uint32_t m = a + (b - a) / 2;
  gather_cofactors(cofactor, primes, a, b, a, m);
  gather_cofactors(cofactor, primes, a, b, m, b);
}

// inv_i = (prod_{j != i} p_j mod p_i)^-1 mod p_i.
std::vector<uint32_t> cofactor_inverses(const uint32_t* primes, uint32_t n) {
  std::vector<uint64_t> cofactor(n, 1);
  if (n > 1) {
    gather_cofactors(cofactor.data(), primes, 0, n, 0, n / 2);
    gather_cofactors(cofactor.data(), primes, 0, n, n / 2, n);
  }
  std::vector<uint32_t> inv(n);
  for (uint32_t i = 0; i < n; i++) inv[i] = inv_mod_word(cofactor[i], primes[i]);
  return inv;
}

// Past this many primes a product is the product of its halves' (GMP's
// fast multiplication), not a word at a time (quadratic in the primes).
constexpr uint32_t kWordProductPrimes = 32;

// r (initialised) := p_lo ... p_(hi-1).
void product_of(mpz_ptr r, const uint32_t* primes, uint32_t lo, uint32_t hi) {
  // Room for the whole product first, and the sizes of two halves: in a
  // zone a reallocation leaves the old block behind (one limb at a time it
  // would take memory quadratic in the primes), and the halves' room goes
  // back below.
  mpz_realloc2(r, 32 * uint64_t(hi > lo ? hi - lo : 0) + 2 * GMP_NUMB_BITS);
  if (hi - lo <= kWordProductPrimes) {
    mpz_set_ui(r, 1);
    for (uint32_t i = lo; i < hi; i++) mpz_mul_ui(r, r, primes[i]);
    return;
  }
  const uint32_t m = lo + (hi - lo) / 2;
  ZoneScope halves;
  INT left, right;
  mpz_init(&left);
  mpz_init(&right);
  product_of(&left, primes, lo, m);
  product_of(&right, primes, m, hi);
  mpz_mul(r, &left, &right);
  mpz_clear(&left);
  mpz_clear(&right);
}

// Fills node [a, b) of parent [lo, hi) and its subtree at cursor (preorder).
INT* fill_constants(INT* cursor, uint32_t lo, uint32_t hi, uint32_t a, uint32_t b,
                    const uint32_t* primes, const std::vector<uint32_t>& inv) {
  INT* c = cursor++;
  mpz_init(c);
  // The sibling's primes: what the node's partial sum misses of its parent.
  if (b == hi)
    product_of(c, primes, lo, a);
  else
    product_of(c, primes, b, hi);
  if (b - a == 1) {
    mpz_mul_ui(c, c, inv[a]);
    return cursor;
  }
  const uint32_t m = a + (b - a) / 2;
  cursor = fill_constants(cursor, a, b, a, m, primes, inv);
  return fill_constants(cursor, a, b, m, b, primes, inv);
}

// Sum over the subtree of node [a, b) into out (initialised); the node's
// constant is the next one.  Returns the next constant.
const INT* chinese_node(mpz_ptr out, uint32_t a, uint32_t b, const uint32_t* residues,
                        const INT* cursor) {
  const INT* c = cursor++;
  if (b - a == 1) {
    mpz_mul_ui(out, c, residues[a]);
    return cursor;
  }
  const uint32_t m = a + (b - a) / 2;
  INT right;
  mpz_init(&right);
  cursor = chinese_node(out, a, m, residues, cursor);
  cursor = chinese_node(&right, m, b, residues, cursor);
  mpz_add(out, out, &right);
  mpz_mul(out, out, c);
  return cursor;
}

// Copies n integers into one long-lived block (limbs included): the lift
// context must survive every zone restore.  Returns the copies.
INT* keep_long_lived(const INT* v, uint32_t n) {
  size_t limbs = 0;
  for (uint32_t i = 0; i < n; i++) limbs += size_t(std::abs(v[i]._mp_size)) + 1;
  auto* block = static_cast<char*>(xmalloc_spec(n * sizeof(INT) + limbs * sizeof(mp_limb_t), 5));
  INT* out = reinterpret_cast<INT*>(block);
  auto* d = reinterpret_cast<mp_limb_t*>(block + n * sizeof(INT));
  for (uint32_t i = 0; i < n; i++) {
    const int k = std::abs(v[i]._mp_size);
    std::memcpy(d, v[i]._mp_d, size_t(k) * sizeof(mp_limb_t));
    out[i]._mp_size = v[i]._mp_size;
    out[i]._mp_alloc = k + 1;
    out[i]._mp_d = d;
    d += k + 1;
  }
  return out;
}

// The steps of the remainder sequence behind reconstruction, in place:
// (r0, r1) <- (r1, r0 - q r1), (t0, t1) <- (t1, t0 - q t1).
void euclid_step(mpz_ptr r0, mpz_ptr r1, mpz_ptr t0, mpz_ptr t1, mpz_ptr q, mpz_ptr tmp) {
  mpz_tdiv_qr(q, tmp, r0, r1);
  mpz_swap(r0, r1);
  mpz_swap(r1, tmp);
  mpz_mul(tmp, q, t1);
  mpz_sub(t0, t0, tmp);
  mpz_swap(t0, t1);
}

// out := a X + b Y (out distinct from X and Y).
void combination(mpz_ptr out, int64_t a, mpz_srcptr X, int64_t b, mpz_srcptr Y) {
  mpz_mul_si(out, X, a);
  if (b >= 0)
    mpz_addmul_ui(out, Y, uint64_t(b));
  else
    mpz_submul_ui(out, Y, uint64_t(0) - uint64_t(b));
}

// Several steps of the remainder sequence at once (Lehmer): with x, y the
// leading 62 bits of r0 and r1 (r0 = 2^k x + e0, r1 = 2^k y + e1), a
// quotient is the true one when both ends of the interval the dropped bits
// leave give it (Knuth's Algorithm L), and a remainder a r0 + b r1 of the
// sequence lies within 2^k (|a| + |b|) of 2^k (a x + b y).  Steps are taken
// while the quotient is certain and the remainder certainly above 2^k; their
// product is then applied to both pairs.  False (nothing changed) when not
// even one step is.  r0 > r1 >= 0; w0, w1 are scratch.
bool lehmer_steps(mpz_ptr r0, mpz_ptr r1, mpz_ptr t0, mpz_ptr t1, mpz_ptr w0, mpz_ptr w1) {
  const size_t bits = mpz_sizeinbase(r0, 2);
  if (bits <= 62) return false;
  mpz_tdiv_q_2exp(w0, r0, bits - 62);
  mpz_tdiv_q_2exp(w1, r1, bits - 62);
  int64_t x = int64_t(mpz_get_ui(w0)), y = int64_t(mpz_get_ui(w1));
  int64_t A = 1, B = 0, C = 0, D = 1;
  for (;;) {
    if (y + C <= 0 || y + D <= 0 || x + A < 0 || x + B < 0) break;
    const int64_t q = (x + A) / (y + C);
    if (q != (x + B) / (y + D)) break;
    const __int128 a = __int128(A) - __int128(q) * C, b = __int128(B) - __int128(q) * D;
    const __int128 z = __int128(x) - __int128(q) * y;
    const __int128 abs_a = a < 0 ? -a : a, abs_b = b < 0 ? -b : b;
    if (abs_a > INT64_MAX / 4 || abs_b > INT64_MAX / 4 || z <= abs_a + abs_b) break;
    A = C;
    C = int64_t(a);
    B = D;
    D = int64_t(b);
    x = y;
    y = int64_t(z);
  }
  if (B == 0) return false;
  combination(w0, A, r0, B, r1);
  combination(w1, C, r0, D, r1);
  mpz_swap(r0, w0);
  mpz_swap(r1, w1);
  combination(w0, A, t0, B, t1);
  combination(w1, C, t0, D, t1);
  mpz_swap(t0, w0);
  mpz_swap(t1, w1);
  return true;
}

// n = r sign(t), d = |t|, then back down to mark m.  Only a pair without
// common factor is an answer: a common factor divides the modulus, and the
// reduced fraction is then no preimage of the image (the problem has no
// solution at all).  False, m not restored, in that case.
bool finish_fraction(const HeapMark& m, mpz_srcptr r, mpz_srcptr t, INT* num, INT* den) {
  INT g;
  mpz_init(&g);
  mpz_gcd(&g, r, t);
  if (mpz_cmp_ui(&g, 1) != 0) return false;
  mpz_init_set(num, r);
  if (mpz_sgn(t) < 0) mpz_neg(num, num);
  mpz_init(den);
  mpz_abs(den, t);
  INT* out[2] = {num, den};
  restore_and_slide(m, out, 2);
  return true;
}

void set_zero_over_one(INT* num, INT* den) {
  mpz_init(num);
  mpz_init_set_ui(den, 1);
}

// Length of |v| in 32-bit words as the size bound counts it.
uint32_t words(mpz_srcptr v) { return 2 * uint32_t(std::abs(v->_mp_size)); }

void gather(Dom* const* lanes, uint32_t j, uint32_t* residues) {
  for (uint32_t l = 0; l < valid_number_of_primes; l++) residues[l] = lanes[l][j];
}

}  // namespace

// ---- the context ------------------------------------------------------------------

INT prime_product(uint32_t lo, uint32_t hi) {
  INT r;
  mpz_init(&r);
  product_of(&r, valid_Primes, lo, hi > lo ? hi : lo + 1);
  return r;
}

INT* init_Chinese_cstes(const uint32_t* primes, uint32_t n) {
  const std::vector<uint32_t> inv = cofactor_inverses(primes, n);
  INT* cst = static_cast<INT*>(alloc64(sizeof(INT) * 2 * n));
  const uint32_t half = n / 2;
  INT* cursor = fill_constants(cst, 0, n, 0, half, primes, inv);
  fill_constants(cursor, 0, n, half, n, primes, inv);
  return cst;
}

INT Chinese_INT(const uint32_t* residues, const INT* constants, uint32_t n) {
  require_int_context("Chinese_INT");
  if (n == 0 || (n > 1 && constants == nullptr)) Fatal("No primes to lift with\n");
  INT x;
  if (n == 1) {
    mpz_init_set_ui(&x, residues[0]);
    return x;
  }
  if (constants == chinese_cstes && n == valid_number_of_primes && chinese_cofactors != nullptr) {
    // Each term is below 2^32 P and n < 2^32: one limb more than P holds
    // the sum.
    const uint32_t L = cofactor_limbs;
    mpz_init2(&x, (L + 1) * GMP_NUMB_BITS);
    mp_limb_t* d = x._mp_d;
    for (uint32_t k = 0; k <= L; k++) d[k] = 0;
    for (uint32_t i = 0; i < n; i++)
      d[L] += mpn_addmul_1(d, chinese_cofactors + size_t(i) * L, L,
                           mp_limb_t(uint64_t(residues[i]) * chinese_inverses[i]));
    uint32_t size = L + 1;
    while (size > 0 && d[size - 1] == 0) size--;
    x._mp_size = int(size);
    return x;
  }
  HeapMark m;
  save_GC_state(m);
  mpz_init(&x);
  INT right;
  mpz_init(&right);
  const uint32_t half = n / 2;
  const INT* cursor = chinese_node(&x, 0, half, residues, constants);
  chinese_node(&right, half, n, residues, cursor);
  mpz_add(&x, &x, &right);
  INT* out[1] = {&x};
  restore_and_slide(m, out, 1);
  return x;
}

INT ZEL_C(compute_bound)(const INT& P) {
  INT b;
  mpz_init(&b);
  mpz_fdiv_q_2exp(&b, &P, 1);
  if (valid_number_of_primes > 1) mpz_fdiv_q_ui(&b, &b, valid_Primes[0]);
  mpz_sqrt(&b, &b);
  return b;
}

uint32_t ZEL_C(compute_bound_size)(const INT& M) {
  const uint32_t l = words(&M);
  if (l == 0) Fatal("pas fait in compute_bound_size n=%d --> l=%d!\n", 0, int(l));
  // s words each for numerator and denominator leave 2 n d below M with
  // room to spare; a modulus too small for one word gives 0: nothing lifts
  // until more primes come.
  const uint32_t s0 = (l - 1) / 2;
  return s0 > 2 ? s0 - 2 : 0;
}

namespace {

// The tables of the direct sum (see chinese_cofactors) for the context's
// primes, long-lived like the tree constants; none past kDirectPrimes.
void keep_direct_sum_tables(const uint32_t* primes, uint32_t n, const INT& P) {
  chinese_cofactors = nullptr;
  chinese_inverses = nullptr;
  cofactor_limbs = 0;
  if (n < 2 || n > kDirectPrimes) return;
  const uint32_t L = uint32_t(std::abs(P._mp_size));
  const std::vector<uint32_t> inv = cofactor_inverses(primes, n);
  auto* block = static_cast<char*>(xmalloc_spec(
      uint64_t(n) * L * sizeof(mp_limb_t) + uint64_t(n) * sizeof(uint32_t), 5));
  auto* cofactors = reinterpret_cast<mp_limb_t*>(block);
  auto* inverses = reinterpret_cast<uint32_t*>(block + size_t(n) * L * sizeof(mp_limb_t));
  INT q;
  mpz_init(&q);
  for (uint32_t i = 0; i < n; i++) {
    mpz_divexact_ui(&q, &P, primes[i]);
    const uint32_t k = uint32_t(std::abs(q._mp_size));
    for (uint32_t j = 0; j < L; j++) cofactors[size_t(i) * L + j] = j < k ? q._mp_d[j] : 0;
    inverses[i] = inv[i];
  }
  chinese_cofactors = cofactors;
  chinese_inverses = inverses;
  cofactor_limbs = L;
}

}  // namespace

void init_Lift_INT() {
  if (!ZEL_C(want_lift)) return;
  const uint32_t n = numberOfPrimes();
  const uint32_t* primes = listOfPrimes();
  if (n == 0 || primes == nullptr) Fatal("No primes to lift with\n");
  IntContext ctx;
  ZoneScope scope;
  auto* kept_primes = static_cast<uint32_t*>(xmalloc_spec(uint64_t(n) * sizeof(uint32_t), 5));
  std::memcpy(kept_primes, primes, n * sizeof(uint32_t));
  // The bound reads the context's primes.
  valid_Primes = kept_primes;
  valid_number_of_primes = n;
  std::vector<INT> all(2 * n);  // P, B, then the 2n - 2 constants
  all[0] = prime_product(0, n);
  all[1] = ZEL_C(compute_bound)(all[0]);
  if (n > 1) {
    INT* cst = init_Chinese_cstes(kept_primes, n);
    std::copy(cst, cst + 2 * n - 2, all.begin() + 2);
  }
  INT* kept = keep_long_lived(all.data(), n > 1 ? 2 * n : 2);
  ZEL_C(product_of_primes) = kept[0];
  ZEL_C(maxi_INT) = kept[1];
  chinese_cstes = n > 1 ? kept + 2 : nullptr;
  keep_direct_sum_tables(kept_primes, n, kept[0]);
}

void ZEL_C(re_init_Chineese_INT)() { init_Lift_INT(); }
void ZEL_C(init_Chineese_INT)() { init_Lift_INT(); }
void ZEL_C(recursive_init_Chinese)() { init_Lift_INT(); }

void forget_lift_context() {
  valid_number_of_primes = 0;
  valid_Primes = nullptr;
  ZEL_C(product_of_primes) = INT{};
  ZEL_C(maxi_INT) = INT{};
  chinese_cstes = nullptr;
  chinese_cofactors = nullptr;
  chinese_inverses = nullptr;
  cofactor_limbs = 0;
}

// ---- reconstruction -------------------------------------------------------------

namespace {

// Bits above which no value is small, for the two tests: below a bound B,
// shorter than s 32-bit words.
size_t bits_below(const INT& B) { return mpz_sizeinbase(&B, 2); }
size_t bits_shorter(uint32_t s) { return s == 0 ? 0 : 64 * size_t((s - 1) / 2); }

// Rational reconstruction of x modulo M, `small` telling which values fit
// (no value longer than small_bits is):
// the remainder sequence of (M, x mod M) runs until r1 is small; then r1/t1
// is the fraction when t1 is small too and prime to r1.  The sequence
// reaching 0 means x shares a factor with M that no fitting fraction can
// have (x is 0 modulo several primes, say); a common factor of r1 and t1
// divides M too, and the reduced fraction is then no preimage of x (an image
// wrong modulo one prime gives one).  Neither is an error: not lifted, more
// primes will tell.  Called with mark m saved; on success the results are
// slid down to it, otherwise m is restored and the result is 0/1.  A bound
// miss is reported when bound_for_message is given.
template <class Small>
int reconstruct(const HeapMark& m, const INT& x, const INT& M, Small small, size_t small_bits,
                INT* num, INT* den, const INT* bound_for_message) {
  INT r0, r1, t0, t1, q, tmp;
  mpz_init_set(&r0, &M);
  mpz_init(&r1);
  mpz_mod(&r1, &x, &M);
  mpz_init(&t0);
  mpz_init_set_ui(&t1, 1);
  if (small(&r1) && small(&t1)) {
    mpz_init_set(num, &r1);
    mpz_init_set_ui(den, 1);
    INT* out[2] = {num, den};
    restore_and_slide(m, out, 2);
    return 1;
  }
  mpz_init(&q);
  mpz_init(&tmp);
  // Lehmer's steps while r1 is far from small: each of their remainders
  // exceeds 2^k, k = bits(r0) - 62, so none is small (single steps near
  // the end).
  while (mpz_sgn(&r1) != 0 && !small(&r1))
    if (mpz_sizeinbase(&r1, 2) <= small_bits + 2 * 64 || !lehmer_steps(&r0, &r1, &t0, &t1, &q, &tmp))
      euclid_step(&r0, &r1, &t0, &t1, &q, &tmp);
  if (mpz_sgn(&r1) == 0 || !small(&t1)) {
    if (mpz_sgn(&r1) != 0 && bound_for_message != nullptr && !ZEL_C(want_small) &&
        !ZEL_C(want_quiet))
      Output("Bad convergence v2= %f v3=%f b=%f\n", ZEL_C(estime_log_INT)(t1),
             ZEL_C(estime_log_INT)(r1), ZEL_C(estime_log_INT)(*bound_for_message));
    restore_GC_state(m);
    set_zero_over_one(num, den);
    return 0;
  }
  if (finish_fraction(m, &r1, &t1, num, den)) return 1;
  restore_GC_state(m);
  set_zero_over_one(num, den);
  return 0;
}

}  // namespace

int internal_lift_INT(const INT& u, const INT& M, const INT& B, INT* num, INT* den) {
  HeapMark m;
  save_GC_state(m);
  auto below_bound = [&B](mpz_srcptr v) { return mpz_cmpabs(v, &B) < 0; };
  return reconstruct(m, u, M, below_bound, bits_below(B), num, den, &B);
}

int ZEL_C(lift_INT)(const INT& u, INT* num, INT* den) {
  return internal_lift_INT(u, ZEL_C(product_of_primes), ZEL_C(maxi_INT), num, den);
}

int ZEL_C(try_lift_one_INT)(const uint32_t* residues, INT* triple) {
  triple[0] = Chinese_INT(residues, chinese_cstes, valid_number_of_primes);
  if (mpz_sgn(&triple[0]) == 0) {
    set_zero_over_one(&triple[1], &triple[2]);
    return 1;
  }
  return ZEL_C(lift_INT)(triple[0], &triple[1], &triple[2]);
}

int ZEL_C(try_lift_row_INT)(Dom* const* lanes, uint32_t j, INT* triple) {
  std::vector<uint32_t> r(valid_number_of_primes);
  gather(lanes, j, r.data());
  return ZEL_C(try_lift_one_INT)(r.data(), triple);
}

int ZEL_C(lift_one_INT)(const uint32_t* residues, INT* pair) {
  HeapMark m;
  save_GC_state(m);
  INT u = Chinese_INT(residues, chinese_cstes, valid_number_of_primes);
  if (ZEL_C(want_chinese_only)) {
    pair[0] = u;
    mpz_init_set_ui(&pair[1], 1);
    return 1;
  }
  if (mpz_sgn(&u) == 0) {
    restore_GC_state(m);
    set_zero_over_one(&pair[0], &pair[1]);
    return 1;
  }
  const int ok = ZEL_C(lift_INT)(u, &pair[0], &pair[1]);
  INT* out[2] = {&pair[0], &pair[1]};
  restore_and_slide(m, out, 2);
  return ok;
}

int ZEL_C(lift_row_INT)(Dom* const* lanes, uint32_t j, INT* pair, int32_t one) {
  if (one != 1) return 1;
  std::vector<uint32_t> r(valid_number_of_primes);
  gather(lanes, j, r.data());
  return ZEL_C(lift_one_INT)(r.data(), pair);
}

int ZEL_C(recursive_lift_row_INT)(Dom* const* lanes, uint32_t j, INT* pair, int32_t one) {
  return ZEL_C(lift_row_INT)(lanes, j, pair, one);
}

// ---- a further batch ---------------------------------------------------------------

BatchCombination combination_with_batch(const INT& M_old) {
  BatchCombination c;
  c.M_old = M_old;
  c.P = ZEL_C(product_of_primes);
  c.k = ZEL_C(inv_mod_INT)(ZEL_C(mod_INT)(M_old, c.P), c.P);
  return c;
}

int ZEL_C(try_upgrade_lift_one_INT)(const uint32_t* residues, INT* triple, const INT& U,
                                    const INT& M, uint32_t s, const BatchCombination& comb,
                                    int32_t combine_only) {
  HeapMark m;
  save_GC_state(m);
  INT x = Chinese_INT(residues, chinese_cstes, valid_number_of_primes);
  // The old images are reduced already but for the first batch's.
  INT u = U;
  if (mpz_sgn(&U) < 0 || mpz_cmp(&U, &comb.M_old) >= 0) {
    mpz_init(&u);
    mpz_mod(&u, &U, &comb.M_old);
  }
  mpz_sub(&x, &x, &u);
  mpz_mod(&x, &x, &comb.P);
  mpz_mul(&x, &x, &comb.k);
  mpz_mod(&x, &x, &comb.P);
  mpz_mul(&x, &x, &comb.M_old);
  mpz_add(&x, &x, &u);
  triple[0] = x;
  {
    INT* out[1] = {&triple[0]};
    restore_and_slide(m, out, 1);
  }
  if (combine_only) return 0;

  save_GC_state(m);
  auto shorter = [s](mpz_srcptr v) { return words(v) < s; };
  return reconstruct(m, triple[0], M, shorter, bits_shorter(s), &triple[1], &triple[2], nullptr);
}

int ZEL_C(try_upgrade_lift_row_INT)(Dom* const* lanes, uint32_t j, INT* triple, const INT& U,
                                    uint32_t s, const INT& M, const BatchCombination& comb,
                                    int32_t combine_only) {
  std::vector<uint32_t> r(valid_number_of_primes);
  gather(lanes, j, r.data());
  return ZEL_C(try_upgrade_lift_one_INT)(r.data(), triple, U, M, s, comb, combine_only);
}

// ---- a polynomial's terms -------------------------------------------------------

namespace {

// x D mod M between -M/2 and M/2 is the numerator over D when it and D both
// fit: fractions that fit are unique, so this is what the remainder
// sequence would find.  True and n/D (not reduced: the caller only
// multiplies the numerators up to a common denominator, which D divides)
// into num/den then, with mark m restored around the results; false, m
// restored, otherwise.
template <class Small>
bool over_known_denominator(const HeapMark& m, const INT& x, const INT& M, const INT& D,
                            Small small, INT* num, INT* den) {
  if (!small(&D)) return false;
  INT y, half;
  mpz_init(&y);
  mpz_mul(&y, &x, &D);
  mpz_mod(&y, &y, &M);
  mpz_init(&half);
  mpz_fdiv_q_2exp(&half, &M, 1);
  if (mpz_cmp(&y, &half) > 0) mpz_sub(&y, &y, &M);
  if (!small(&y)) {
    restore_GC_state(m);
    return false;
  }
  mpz_init_set(num, &y);
  mpz_init_set(den, &D);
  INT* out[2] = {num, den};
  restore_and_slide(m, out, 2);
  return true;
}

}  // namespace

int lift_sharing_denominator(INT* triple, const INT& M, const INT* B, uint32_t s, INT* D) {
  auto below_bound = [B](mpz_srcptr v) { return mpz_cmpabs(v, B) < 0; };
  auto shorter = [s](mpz_srcptr v) { return words(v) < s; };
  HeapMark m;
  save_GC_state(m);
  if (mpz_sgn(&triple[0]) == 0) {
    set_zero_over_one(&triple[1], &triple[2]);
    return 1;
  }
  const bool known = B ? over_known_denominator(m, triple[0], M, *D, below_bound, &triple[1],
                                                &triple[2])
                       : over_known_denominator(m, triple[0], M, *D, shorter, &triple[1],
                                                &triple[2]);
  if (known) return 1;
  const int ok =
      B ? reconstruct(m, triple[0], M, below_bound, bits_below(*B), &triple[1], &triple[2], B)
        : reconstruct(m, triple[0], M, shorter, bits_shorter(s), &triple[1], &triple[2], nullptr);
  if (ok) mpz_lcm(D, D, &triple[2]);
  return ok;
}

INT ZEL_C(inv_mod_INT)(const INT& a, const INT& m) {
  INT r;
  mpz_init(&r);
  if (mpz_cmp_ui(&m, 1) <= 0 || mpz_invert(&r, &a, &m) == 0)
    Fatal("No inverse modulo the product of the primes (a common factor)\n");
  return r;
}

void ZEL_C(invalid)(uint32_t p) { Fatal("invalid function does not work (prime %u) !\n", p); }

}  // namespace zel::ZEL_BUILD
