// The results of a request, copied out of the zones so that all the memory
// the request took can be given back, then rebuilt in zone 3.
//
// The copy keeps each distinct monomial block once, and per term only the
// block's number and the coefficient: a basis repeats few monomials over
// many terms (its polynomials share the monomials below the staircase), so
// the copy costs a fraction of the results' own size.  The rebuilt
// polynomials give every term a block of its own, as the results had.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

class SavedResults {
 public:
  // Copies polys[0 .. count-1] (lane 0 of the coefficients).
  void save(Dpol* const* polys, uint32_t count);
  // Writes into polys[0 .. count-1] new polynomials of the current zone
  // equal to the saved ones (serials kept).
  void rebuild(Dpol** polys) const;

 private:
  struct Saved {
    uint32_t serial, n;
    size_t at;  // first term in term_block_ and coeffs_
  };
  // The number of the distinct block equal to m, entering it if new.
  uint32_t number_of(const Expos* m);
  const uint64_t* block(uint32_t k) const { return blocks_.data() + size_t(k) * words_; }
  uint64_t hash_of(const uint64_t* b) const;
  void grow_table();

  uint32_t words_ = 0;            // 64-bit words of one block
  std::vector<Saved> polys_;
  std::vector<uint64_t> blocks_;  // the distinct blocks, one after another
  uint32_t nblocks_ = 0;
  std::vector<uint32_t> term_block_;
  std::vector<Dom> coeffs_;
  std::vector<uint32_t> table_;   // open addressing: 1 + block number, 0 free
};

}  // namespace zel::ZEL_BUILD
