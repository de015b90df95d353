// The inner loop of Euclid's one-degree steps: T := T + (m1 X + m0) S over
// residues modulo p, and its one-factor form T := T + w S.  The integer
// build runs it eight or four coefficients at a time when the processor has
// 512-bit or 256-bit vectors (chosen at load time); every form gives the
// plain loop's residues.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/variant.hpp"
#include "sparse/modarith.hpp"

namespace zel::ZEL_BUILD {

// T[j] := T[j] + m1 S[j-1] + m0 S[j] mod p for j = 1 .. top (nothing for
// top < 1); residues in [0, p), T and S distinct.
void add_shifted_pair(Dom* T, const Dom* S, const FixedFactor& m1, const FixedFactor& m0,
                      int32_t top, uint32_t p);

// y[i] := y[i] + w x[i] mod p for i < n; residues in [0, p), w < p.
void add_scaled(Dom* y, const Dom* x, size_t n, Dom w, uint32_t p);
// T[i] := S[i-1] + a X[i] + b Y[i] mod p for i < n (S[-1] read as 0): one
// step of h -> t h + b y modulo a monic g of degree n, X = -g, a = h's top
// coefficient.  Residues; T distinct from S, X and Y.
void shifted_two_scaled(Dom* T, const Dom* S, const Dom* X, Dom a, const Dom* Y, Dom b,
                        size_t n, uint32_t p);

// Every form the processor can run, the plain loop first (for the tests).
using ShiftedPairKernel = std::function<void(Dom*, const Dom*, const FixedFactor&,
                                             const FixedFactor&, int32_t, uint32_t)>;
std::vector<ShiftedPairKernel> add_shifted_pair_kernels();
using ScaledKernel =
    std::function<void(Dom*, const Dom*, size_t, const FixedFactor&, uint32_t)>;
std::vector<ScaledKernel> add_scaled_kernels();
using ShiftedTwoScaledKernel = std::function<void(Dom*, const Dom*, const Dom*, const FixedFactor&,
                                                  const Dom*, const FixedFactor&, size_t, uint32_t)>;
std::vector<ShiftedTwoScaledKernel> shifted_two_scaled_kernels();

}  // namespace zel::ZEL_BUILD
