// Integer build: lifting over one large common denominator (early_lift.hpp).
#include "engine/coef/early_lift.hpp"

#include <algorithm>
#include <initializer_list>

#include "engine/coef/int_slide.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

namespace {

size_t bits(mpz_srcptr v) { return mpz_sizeinbase(v, 2); }

// GMP takes its scratch, and every block an integer grows into, from zone 1,
// where it stays until a mark is restored: the steps of a remainder sequence
// over M would keep a quadratic amount of it.  So the integers a loop writes
// get room for their largest value first (room()), and each step gives back
// what it took (StepScope).
mp_bitcnt_t room(const INT& M, unsigned times) {
  return mp_bitcnt_t(times) * (bits(&M) + 2 * GMP_NUMB_BITS);
}

// Gives back, when it ends, what zone 1 handed out during its life; the
// integers it watches (and the `n` of `array`) hold what must last.  Should
// one of them have grown into a new block after all, that block is above
// the mark: then nothing is given back.
class StepScope {
 public:
  StepScope(std::initializer_list<mpz_srcptr> watched, const INT* array = nullptr,
            uint32_t n = 0)
      : array_(array), n_(n) {
    for (mpz_srcptr v : watched) watched_[count_++] = v;
    limbs_ = limbs();
    save_GC_state(mark_);
  }
  ~StepScope() {
    if (limbs() == limbs_) restore_GC_state(mark_);
  }
  StepScope(const StepScope&) = delete;
  StepScope& operator=(const StepScope&) = delete;

 private:
  // A block grows only, so the total room tells whether one moved.
  size_t limbs() const {
    size_t s = 0;
    for (unsigned i = 0; i < count_; ++i) s += size_t(watched_[i]->_mp_alloc);
    for (uint32_t j = 0; j < n_; ++j) s += size_t(array_[j]._mp_alloc);
    return s;
  }
  mpz_srcptr watched_[8] = {};
  unsigned count_ = 0;
  const INT* array_;
  uint32_t n_;
  size_t limbs_ = 0;
  HeapMark mark_{};
};

// Steps of the remainder sequence of (r0, r1) taken on their leading bits
// alone (Lehmer): x and y are r0 and r1 shifted right by the same count, so
// that x has 124 bits.  After the steps, (r0, r1) becomes (a r0 + b r1, c r0
// + d r1), and the cofactors (t0, t1) alike; a, b, c and d stay below 2^62.
// A quotient is taken only when both ends of the interval the leading bits
// leave for it agree: every quotient is then the exact one (Knuth, TAOCP
// 4.5.2, algorithm L).  Quotients of 62 bits and more are left to a plain
// step.
struct LeadingSteps {
  int64_t a = 1, b = 0, c = 0, d = 1;
  uint32_t steps = 0;
  // The largest quotient's bits when one had more than `best` on entry,
  // and the pair (c, d) before it: r1 and t1 there are c r0 + d r1 and
  // c t0 + d t1.
  size_t best = 0;
  int64_t best_c = 0, best_d = 1;
};

LeadingSteps leading_steps(mpz_srcptr r0, mpz_srcptr r1, size_t best) {
  constexpr size_t kBits = 124;
  using Wide = __int128;
  constexpr Wide kMost = Wide(1) << 62;
  LeadingSteps s;
  s.best = best;
  const mp_bitcnt_t shift = bits(r0) - kBits;
  // Bits shift .. shift + 127 of v, from the three limbs that hold them.
  auto top = [shift](mpz_srcptr v) {
    const mp_size_t at = mp_size_t(shift / GMP_NUMB_BITS);
    const unsigned offset = unsigned(shift % GMP_NUMB_BITS);
    const mp_size_t n = mpz_size(v);
    auto limb = [&](mp_size_t i) -> unsigned __int128 { return i < n ? mpz_getlimbn(v, i) : 0; };
    unsigned __int128 w = (limb(at + 1) << 64) | limb(at);
    if (offset != 0) w = (w >> offset) | (limb(at + 2) << (128 - offset));
    return Wide(w);
  };
  Wide x = top(r0), y = top(r1);
  for (;;) {
    const Wide lo_den = y + s.c, hi_den = y + s.d;
    if (lo_den <= 0 || hi_den <= 0 || x + s.a < 0 || x + s.b < 0) break;
    const Wide q = (x + s.a) / lo_den;
    if (q >= kMost || q != (x + s.b) / hi_den) break;
    const Wide c = s.a - q * s.c, d = s.b - q * s.d;
    Wide qy;
    if (c >= kMost || c <= -kMost || d >= kMost || d <= -kMost ||
        __builtin_mul_overflow(q, y, &qy))
      break;
    const size_t q_bits = q == 0 ? 0 : size_t(64 - __builtin_clzll(uint64_t(q)));
    if (q_bits > s.best) {
      s.best = q_bits;
      s.best_c = s.c;
      s.best_d = s.d;
    }
    s.a = s.c;
    s.b = s.d;
    s.c = int64_t(c);
    s.d = int64_t(d);
    const Wide r = x - qy;
    x = y;
    y = r;
    ++s.steps;
  }
  return s;
}

// out = a x + b y.
void combine(mpz_ptr out, int64_t a, mpz_srcptr x, int64_t b, mpz_srcptr y) {
  mpz_mul_si(out, x, long(a));
  if (b >= 0)
    mpz_addmul_ui(out, y, static_cast<unsigned long>(b));
  else
    mpz_submul_ui(out, y, static_cast<unsigned long>(-b));
}

// The fraction num / den (den > 0, coprime) of x modulo M that the largest
// quotient of the remainder sequence of (M, x) points at: the quotient that
// follows the pair (r_i, t_i) is about M / |r_i t_i|, large only where
// r_i / t_i is the fraction behind x.  False unless that quotient has more
// than kEarlyMarginBits bits.  num and den are initialised by the caller,
// with room(M, 1); nothing else stays in zone 1.
bool largest_quotient_fraction(const INT& x, const INT& M, mpz_ptr num, mpz_ptr den) {
  StepScope call({num, den});
  // Every value below is at most M: |t_{i+1}| <= M / r_i, and q_i t_i
  // is at most |t_{i+1}|.
  const mp_bitcnt_t most = room(M, 1);
  INT r0, r1, t0, t1, q, tmp, best_num, best_den;
  for (INT* v : {&r0, &r1, &t0, &t1, &q, &tmp, &best_num, &best_den}) mpz_init2(v, most);
  mpz_set(&r0, &M);
  mpz_mod(&r1, &x, &M);
  mpz_set_ui(&t1, 1);
  // Past this many bits a denominator leaves no room for the margin.
  const size_t longest = bits(&M) - kEarlyMarginBits;
  size_t best = 0;
  // A later quotient is at most r0: once r0 is shorter than the best one,
  // none can beat it.
  while (mpz_sgn(&r1) != 0 && bits(&t1) < longest && bits(&r0) > best) {
    StepScope step({&r0, &r1, &t0, &t1, &q, &tmp, &best_num, &best_den});
    // Leading steps shorten r0 and lengthen t1 by less than 64 bits each
    // (their cofactors are below 2^62), and take quotients of less than 62
    // bits: far from where the loop stops, they take the steps it would,
    // some thirty at a time for the cost of a few.
    if (bits(&r1) > std::max<size_t>(best, 64) + 256 && bits(&t1) + 192 < longest) {
      const LeadingSteps s = leading_steps(&r0, &r1, best);
      if (s.steps > 0) {
        if (s.best > best) {
          best = s.best;
          combine(&best_num, s.best_c, &r0, s.best_d, &r1);
          combine(&best_den, s.best_c, &t0, s.best_d, &t1);
        }
        combine(&q, s.a, &r0, s.b, &r1);
        combine(&tmp, s.c, &r0, s.d, &r1);
        mpz_swap(&r0, &q);
        mpz_swap(&r1, &tmp);
        combine(&q, s.a, &t0, s.b, &t1);
        combine(&tmp, s.c, &t0, s.d, &t1);
        mpz_swap(&t0, &q);
        mpz_swap(&t1, &tmp);
        continue;
      }
    }
    mpz_tdiv_qr(&q, &tmp, &r0, &r1);
    if (bits(&q) > best) {
      best = bits(&q);
      mpz_set(&best_num, &r1);
      mpz_set(&best_den, &t1);
    }
    mpz_swap(&r0, &r1);
    mpz_swap(&r1, &tmp);
    mpz_mul(&tmp, &q, &t1);
    mpz_sub(&t0, &t0, &tmp);
    mpz_swap(&t0, &t1);
  }
  if (best <= kEarlyMarginBits) return false;
  mpz_set(num, &best_num);
  mpz_set(den, &best_den);
  if (mpz_sgn(den) < 0) {
    mpz_neg(num, num);
    mpz_neg(den, den);
  }
  mpz_gcd(&tmp, num, den);
  return mpz_cmp_ui(&tmp, 1) == 0;
}

// The denominator d of x1 = n1 / d and x2 = n2 / d modulo M up to a small
// factor, from the ratio x2 / x1 = n2 / n1: that fraction needs room for the
// two numerators only, not for d.  With u / v its lowest terms (v = n1 / g,
// g = gcd(n1, n2)), v / x1 = d / g modulo M, which goes to D (with room(M,
// 2)).  False when x1 has no inverse or the ratio has no fraction behind it.
bool denominator_from_ratio(const INT& x1, const INT& x2, const INT& M, mpz_ptr D) {
  StepScope call({D});
  const mp_bitcnt_t most = room(M, 1);
  INT inv, r, u, v;
  for (INT* w : {&inv, &r, &u, &v}) mpz_init2(w, most);
  if (mpz_invert(&inv, &x1, &M) == 0) return false;
  mpz_mul(&r, &x2, &inv);
  mpz_mod(&r, &r, &M);
  if (!largest_quotient_fraction(r, M, &u, &v)) return false;
  mpz_mul(D, &v, &inv);
  mpz_mod(D, D, &M);
  return true;
}

// Every coefficient times D, brought between -M/2 and M/2, into y; true when
// each is small.  D starts as the denominator of one coefficient (an
// integer) or, with `residue`, as a residue modulo M of the denominator
// divided by a small integer.  A coefficient that D misses leaves a fraction
// with a small denominator there: D takes it in, and once D is complete
// every coefficient is checked against it again.  A residue must end as a
// small integer, made positive.  D and y[0..t) have room(M, 2) and room(M,
// 1); nothing else stays in zone 1.
bool over_one_denominator(const INT* slots, uint32_t t, const INT& M, bool residue, mpz_ptr D,
                          INT* y) {
  StepScope call({D}, y, t);
  INT half, n, d, product;
  mpz_init(&half);
  mpz_fdiv_q_2exp(&half, &M, 1);
  for (INT* v : {&n, &d}) mpz_init2(v, room(M, 1));
  mpz_init2(&product, room(M, 2));
  const size_t longest = bits(&M) - kEarlyMarginBits;
  auto symmetric = [&](mpz_ptr v, mpz_srcptr a) {
    mpz_mod(v, a, &M);
    if (mpz_cmp(v, &half) > 0) mpz_sub(v, v, &M);
  };
  auto over_D = [&](uint32_t j) {
    StepScope step({&y[j], &product});
    mpz_mul(&product, &slots[j], D);
    symmetric(&y[j], &product);
    return bits(&y[j]) < longest;
  };
  bool extended = residue;
  for (uint32_t j = 0; j < t; j++) {
    if (over_D(j)) continue;
    StepScope step({D, &n, &d});
    if (!largest_quotient_fraction(y[j], M, &n, &d)) return false;
    mpz_mul(D, D, &d);
    if (residue)
      mpz_mod(D, D, &M);
    else if (bits(D) >= longest)
      return false;
    extended = true;
  }
  if (residue) {
    symmetric(D, D);
    if (mpz_sgn(D) == 0 || bits(D) >= longest) return false;
    mpz_abs(D, D);
  }
  for (uint32_t j = 0; extended && j < t; j++)
    if (!over_D(j)) return false;
  return true;
}

}  // namespace

int lift_over_one_denominator(INT* extra, INT* slots, uint32_t t, const INT& M) {
  // The last terms with a non-zero image: in the polynomials this serves
  // the trailing coefficients have the smallest numerators.
  uint32_t probe = t;
  while (probe > 0 && mpz_sgn(&slots[probe - 1]) == 0) --probe;
  if (probe-- == 0) return 0;
  uint32_t second = probe;
  while (second > 0 && mpz_sgn(&slots[second - 1]) == 0) --second;
  HeapMark m;
  save_GC_state(m);
  auto* y = static_cast<INT*>(alloc64(sizeof(INT) * t));
  for (uint32_t j = 0; j < t; j++) mpz_init2(&y[j], room(M, 1));
  INT n, D, g;
  mpz_init2(&n, room(M, 1));
  mpz_init2(&D, room(M, 2));
  mpz_init2(&g, room(M, 1));
  // One coefficient's fraction needs room for its numerator times the
  // denominator; the ratio of two, once they share the denominator, for
  // their two numerators: it lifts first when the denominator is the
  // larger, as it is in the parametrisations of a change of order.
  bool found = largest_quotient_fraction(slots[probe], M, &n, &D) &&
               over_one_denominator(slots, t, M, false, &D, y);
  if (!found && second-- > 0 && denominator_from_ratio(slots[probe], slots[second], M, &D))
    found = over_one_denominator(slots, t, M, true, &D, y);
  if (!found) {
    restore_GC_state(m);
    return 0;
  }
  // y_j / D in lowest terms over their lcm L = D / g: numerators y_j / g.
  mpz_set(&g, &D);
  for (uint32_t j = 0; j < t; j++) {
    StepScope step({&g});
    mpz_gcd(&g, &g, &y[j]);
  }
  for (uint32_t j = 0; j < t; j++) {
    StepScope step({&y[j]});
    mpz_divexact(&y[j], &y[j], &g);
  }
  if (extra != nullptr) {
    mpz_init(extra);
    mpz_divexact(extra, &D, &g);
  }
  for (uint32_t j = 0; j < t; j++) slots[j] = y[j];
  restore_and_slide_array(m, extra, slots, t);
  return 1;
}

}  // namespace zel::ZEL_BUILD
