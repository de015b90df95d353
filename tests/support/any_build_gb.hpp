// An engine session of the build under test (the integer build with three
// lanes; variables 0 .. first_block-1 in a first block when first_block is
// given), its polynomials made from term lists and its bases from the main
// loop, as the engine's own polynomials.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/driver/gbasis.hpp"
#include "support/engine_gb.hpp"
#include "support/engine_lanes_gb.hpp"

namespace zel_test {

// Term lists hold integers as residues modulo 2^31 - 1 (as zs_system
// gives them): c above half of it stands for c - (2^31 - 1).
inline int64_t signed_value(uint32_t c) {
  constexpr int64_t P = 2147483647;
  return c > P / 2 ? int64_t(c) - P : int64_t(c);
}

struct AnyBuildGB {
#ifdef ZEL_VARIANT_FP
  EngineGB gb;
  explicit AnyBuildGB(uint32_t n, uint32_t first_block = 0) : gb(n, first_block) {}
  zel::ZEL_BUILD::Dpol* make(const SysPoly& f) {
    SysPoly g;
    for (const auto& [e, c] : f) {
      const int64_t r = signed_value(c) % 65521;
      g.push_back({e, uint32_t(r < 0 ? r + 65521 : r)});
    }
    return gb.make(g);
  }
#else
  EngineLanesGB gb;
  explicit AnyBuildGB(uint32_t n, uint32_t first_block = 0) : gb(n, first_block, 3, 0, true) {}
  zel::ZEL_BUILD::Dpol* make(const SysPoly& f) {
    IntPoly g;
    for (const auto& [e, c] : f) g.push_back({e, signed_value(c)});
    return gb.make(g);
  }
#endif
  std::vector<zel::ZEL_BUILD::Dpol*> basis(const std::vector<SysPoly>& F) {
    std::vector<zel::ZEL_BUILD::Dpol*> in, G(100001);
    for (const SysPoly& f : F) in.push_back(make(f));
    double cpu = 0;
    G.resize(zel::ZEL_BUILD::gbasis(in.data(), uint32_t(in.size()), G.data(), &cpu));
    return G;
  }
};

}  // namespace zel_test
