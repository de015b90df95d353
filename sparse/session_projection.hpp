// The projection of a block session: each process of a block Wiedemann
// session writes bk linear combinations of the coordinates of every Krylov
// vector to its session file.  Unit vectors (the first bk coordinates)
// would be a poor choice: when the matrix maps one of them to another,
// the projected block sequence has dependent rows and the block-Hankel
// combination meets a singular pivot on a valid input.  A random dense
// bk x D matrix makes that improbable.  Every process of a session must
// use the same matrix, so it is drawn from a fixed seed, apart from the
// process-wide random() that draws the start vectors.
#pragma once

#include <cstdint>
#include <vector>

#include "sparse/descriptor.hpp"

namespace zel::ZEL_BUILD {

class SessionProjection {
 public:
  // rows = max(bk, 1) rows of D residues in [0, p).
  SessionProjection(int32_t bk, int32_t D, uint32_t p);
  int32_t rows() const { return rows_; }
  // out[i] := (row i) . x mod p, in [0, p), for i < rows(); x holds D
  // coordinates in the build's representation.
  void apply(const Coord* x, uint32_t* out) const;

 private:
  int32_t rows_, D_;
  uint32_t p_;
  std::vector<uint32_t> U_;  // row-major, rows_ x D_
};

}  // namespace zel::ZEL_BUILD
