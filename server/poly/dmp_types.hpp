// Records of the distributed polynomials, written once over an exponent
// traits type E and a coefficient traits type C:
//
//   DmpNode     a term: coefficient slot, next term, exponent vector of
//               E::words() 64-bit words.  A polynomial is a pointer to its
//               leading term, sorted decreasing; NULL is zero.
//   DmpStats    the statistics record that a header node carries in its
//               coefficient slot (sugar degree, polynomial number).
//   DmpList     a cell of a list of polynomials; DmpListList a list of lists.
//   SCritRec    a critical pair of the sugar algorithm: four words, the link,
//               then the lcm exponent vector.
//
// Nodes and critical pairs end with a flexible exponent vector, so their size
// follows the word count of the exponent type when the pool is (re)built.
#pragma once

#include <cstdint>

#include "server/base/orv_variant.hpp"

namespace orv::ORV_BUILD {

template <class E, class C>
struct DmpStats;

template <class E, class C>
struct DmpNode {
  union {
    typename C::T coef;     // a term's coefficient
    DmpStats<E, C>* stats;  // a header node's statistics record
    uint64_t slot;          // the whole 8-byte slot
  };
  DmpNode* next;
  uint64_t e[];  // exponent vector

  static constexpr uint32_t bytes(uint32_t words) { return 8 * words + 16; }
};
static_assert(sizeof(void*) == 8, "term nodes assume 8-byte pointers");

template <class E, class C>
struct DmpStats {
  uint32_t sugar;  // the polynomial's sugar degree
  uint32_t field1;
  uint32_t field2;
  union {
    DmpStats* next;  // while free or in a list of statistics records
    uint64_t word;   // while in use: the polynomial number in the low 32 bits
  };
  uint32_t number() const { return static_cast<uint32_t>(word); }
  void set_number(uint32_t n) { word = n; }
};

template <class E, class C>
struct DmpList {
  DmpNode<E, C>* poly;
  DmpList* next;
};

template <class E, class C>
struct DmpListList {
  DmpList<E, C>* list;
  DmpListList* next;
};

template <class E, class C>
struct SCritRec {
  uint64_t word[4];  // given meaning by the sugar algorithm
  SCritRec* next;
  uint64_t lcm[];

  static constexpr uint32_t bytes(uint32_t words) { return 8 * words + 40; }
};

}  // namespace orv::ORV_BUILD
