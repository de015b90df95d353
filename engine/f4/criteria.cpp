// Gebauer-Moeller criteria on pair lists.
#include "engine/f4/criteria.hpp"

#include <vector>

#include "engine/f4/basis.hpp"

namespace zel::ZEL_BUILD {

namespace {

inline const ExposW* leading(const Dpol* p) { return words_of(p->mono[0]); }

// lcm(m, L) equals `lcm`, word by word, without building it.
inline bool lcm_equals(const ExposW* m, const ExposW* L, const ExposW* lcm) {
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k)
    if (word_max(get_word(m, k), get_word(L, k)) != get_word(lcm, k)) return false;
  return true;
}

// Top bit of each field of x set where the field is non-zero (fields below
// 2^15).
inline uint64_t nonzero_fields(uint64_t x) {
  return (((x & 0x7FFF7FFF7FFF7FFFULL) + 0x7FFF7FFF7FFF7FFFULL) | x) & kFieldTopBits;
}

// Disjoint for the pairs of one walk.  Two leading monomials share a
// variable only in a word where both are non-zero, so the test runs over
// the non-zero words of a leading monomial met before: the new pairs of a
// polynomial all have it, and with many variables its non-zero words are
// few.  A pair's lcm is the field-wise maximum of its leading monomials, so
// this is Disjoint's answer.
class CoprimeTest {
 public:
  int operator()(const Crit* c) {
    for (uint32_t i = 0; i < 2; ++i) {
      if (known_[i] == c->p1) return test(i, leading(c->p2));
      if (known_[i] == c->p2) return test(i, leading(c->p1));
    }
    learn(0, c->p1);
    learn(1, c->p2);
    return test(0, leading(c->p2));
  }

 private:
  uint64_t word(const ExposW* m, uint32_t k) const {
    return k == kh_ ? get_word(m, k) & drop_h_ : get_word(m, k);
  }
  void learn(uint32_t i, const Dpol* p) {
    known_[i] = p;
    words_[i].clear();
    for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k)
      if (word(leading(p), k)) words_[i].push_back(k);
  }
  int test(uint32_t i, const ExposW* other) const {
    const ExposW* m = leading(known_[i]);
    for (const uint32_t k : words_[i])
      if (nonzero_fields(word(m, k)) & nonzero_fields(word(other, k))) return 0;
    return 1;
  }

  // The homogenising field is left out, as in Disjoint.
  const uint32_t kh_ = nb_of_affine_variables >> 2;
  const uint64_t drop_h_ = ~(uint64_t(0xFFFF) << (16 * (nb_of_affine_variables & 3)));
  const Dpol* known_[2] = {nullptr, nullptr};
  std::vector<uint32_t> words_[2];
};

}  // namespace

int crit2(const ExposW* m, const ExposW* lcm, const ExposW* L1, const ExposW* L2) {
  if (!is_sub_Expos1(lcm, m)) return 0;
  if (lcm_equals(m, L1, lcm)) return 0;
  if (lcm_equals(m, L2, lcm)) return 0;
  return 1;
}

Crit* crit2onLPC(const ExposW* m, Crit* D) {
  return kill_Crit_if(D, [&](const Crit* c) { return crit2(m, c->lcm, leading(c->p1), leading(c->p2)); });
}

int Disjoint(const Crit* c) {
  // The product of the leading monomials divides the lcm exactly when no
  // variable occurs in both; the homogenising field is left out of the test.
  const ExposW* a = leading(c->p1);
  const ExposW* b = leading(c->p2);
  const uint32_t h = nb_of_affine_variables;
  const uint32_t kh = h >> 2;
  const uint64_t drop_h = ~(uint64_t(0xFFFF) << (16 * (h & 3)));
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k) {
    uint64_t prod = get_word(a, k) + get_word(b, k);
    uint64_t l = get_word(c->lcm, k);
    if (k == kh) {
      prod &= drop_h;
      l &= drop_h;
    }
    if ((l - prod) & kFieldTopBits) return 0;
  }
  return 1;
}

// The walk over the new pairs of one polynomial.  A pair c prunes the rest
// of the list of every pair of degree >= its own whose lcm is a multiple of
// its lcm.  The list is sorted (degree, then larger lcm first), so the pairs
// after c of c's own degree have smaller lcms, and a multiple of the same
// degree would be equal: only the pairs of higher degree can go.  The walk
// therefore prunes from the end of c's degree segment on, and never walks
// the pairs of its own degree again; a system whose pairs share one degree
// costs time linear in the pairs rather than quadratic.
Crit* critBackEtrangeronLPC(Crit* P) {
  Crit head{};
  head.next = P;
  Crit* prev = &head;
  Crit* c = P;
  // The last pair of c's degree segment (c itself when c is the last one).
  Crit* seg_last = nullptr;
  CoprimeTest coprime;
  while (c) {
    const int d = coprime(c);
    Crit* n = c->next;
    if (!n) {
      if (d) {
        kill_deep_Crit(c);
        prev->next = nullptr;
      }
      break;
    }
    if (!seg_last || seg_last->degree != c->degree || seg_last == prev) {
      seg_last = c;
      while (seg_last->next && seg_last->next->degree == c->degree) seg_last = seg_last->next;
    }
    if (equal_Expos(c->lcm, n->lcm)) {
      if (!d) {
        kill_deep_Crit(c);
        prev->next = n;
        c = n;
      } else {
        if (seg_last == n) seg_last = c;
        c->next = kill_deep_Crit(n);
        prev = c;
        c = c->next;
      }
    } else {
      if (seg_last == c)
        c->next = critBackonD1(c->degree, c->lcm, n);
      else
        seg_last->next = critBackonD1(c->degree, c->lcm, seg_last->next);
      if (d) {
        if (seg_last == c) seg_last = nullptr;
        prev->next = kill_deep_Crit(c);
      } else {
        prev = c;
      }
      c = prev->next;
    }
  }
  return head.next;
}

}  // namespace zel::ZEL_BUILD
