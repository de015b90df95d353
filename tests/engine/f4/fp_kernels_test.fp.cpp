// The multiply-add of a pivot into the interleaved lanes of a block of rows:
// every version this processor runs against plain 32-bit sums that add
// 2^32 mod p where they wrap, for every layout of the pivot.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/f4/fp_kernels.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

// A pivot of `lead` and terms at the given offsets (after the leading one)
// with coefficients coef, in one of the layouts ('d'ense, 's'hort, 'r'uns,
// 'a'bsolute), and the arrays it points into.
struct TestPivot {
  PivotCols pv;
  std::vector<uint16_t> off;
  std::vector<uint32_t> col, seg;
  std::vector<Dom> dense;
};

TestPivot make_pivot(char layout, uint32_t lead, const std::vector<uint32_t>& offs,
                     const std::vector<Dom>& coef) {
  TestPivot t;
  PivotCols& pv = t.pv;
  pv.coef = coef.data();
  pv.n = uint32_t(offs.size());
  pv.lead = lead;
  pv.last = lead + offs.back();
  switch (layout) {
    case 'd':
      t.dense.assign(offs.back(), 0);
      for (size_t j = 0; j < offs.size(); ++j) t.dense[offs[j] - 1] = coef[j];
      pv.dense = t.dense.data();
      pv.span = offs.back();
      break;
    case 's':
      for (uint32_t o : offs) t.off.push_back(uint16_t(o));
      pv.off = t.off.data();
      break;
    case 'r':
      for (size_t j = 0; j < offs.size(); ++j) {
        if (j == 0 || offs[j] != offs[j - 1] + 1) {
          t.seg.push_back(lead + offs[j]);
          t.seg.push_back(0);
        }
        ++t.seg.back();
      }
      pv.seg = t.seg.data();
      pv.nseg = uint32_t(t.seg.size() / 2);
      break;
    default:
      for (uint32_t o : offs) t.col.push_back(lead + o);
      pv.col = t.col.data();
  }
  return t;
}

// The first 64-byte aligned entry of v (the lanes of a column fill a line).
uint32_t* aligned(std::vector<uint32_t>& v) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(v.data());
  return reinterpret_cast<uint32_t*>((at + 63) & ~uintptr_t(63));
}

// One version of add_pivot_lanes for blocks of L rows.
template <uint32_t L>
AddPivotLanes<L> width_of(const LaneKernel& k) {
  if constexpr (L == kLanes)
    return k.add;
  else
    return k.add_wide;
}

template <uint32_t L>
void check_every_version(std::mt19937_64& rng) {
  const auto& kernels = lane_kernels();
  for (uint32_t p : {65521u, 65519u, 7u}) {
    const uint32_t wrap = uint32_t((uint64_t(1) << 32) % p);
    for (long it = 0; it < iterations(20); ++it) {
      const uint32_t ncols = 40 + uint32_t(rng() % 200);
      const uint32_t lead = 1 + uint32_t(rng() % 20);
      std::vector<uint32_t> offs;
      std::vector<Dom> coef;
      for (uint32_t o = 1; lead + o <= ncols; ++o)
        if (rng() % 3 == 0) {
          offs.push_back(o);
          coef.push_back(Dom(rng() % p));  // zeros too, as dense pivots hold them
        }
      if (offs.empty()) continue;
      LaneMultipliers<L> m{};
      m.wrap = wrap;
      for (uint32_t k = 0; k < L; ++k) m.m[k] = uint16_t(rng() % 4 == 0 ? 0 : rng() % p);
      // Lanes near the top of 32 bits, so that most sums wrap.
      const size_t size = (ncols + 1) * L;
      std::vector<uint32_t> start(size);
      for (uint32_t& x : start) x = uint32_t(rng()) | (rng() % 2 ? 0xFFF00000u : 0u);
      for (char layout : {'d', 's', 'r', 'a'}) {
        const TestPivot t = make_pivot(layout, lead, offs, coef);
        std::vector<uint32_t> want(size + 16);
        uint32_t* w = aligned(want);
        std::copy(start.begin(), start.end(), w);
        for (size_t j = 0; j < offs.size(); ++j)
          for (uint32_t k = 0; k < L; ++k) {
            uint32_t& a = w[(lead + offs[j]) * L + k];
            const uint32_t x = uint32_t(m.m[k]) * coef[j];
            a += x;
            if (a < x) a += wrap;
          }
        for (const LaneKernel& kernel : kernels) {
          SCOPED_TRACE(std::string(kernel.name) + " lanes " + std::to_string(L) + " layout " +
                       layout + " p " + std::to_string(p));
          std::vector<uint32_t> got(size + 16);
          uint32_t* g = aligned(got);
          std::copy(start.begin(), start.end(), g);
          EXPECT_EQ(width_of<L>(kernel)(g, m, t.pv), lead + offs.back());
          EXPECT_TRUE(std::equal(g, g + size, w));
        }
      }
    }
  }
}

TEST(LaneKernels, EveryVersionGivesThePlainSums) {
  SEED_TRACE();
  auto rng = make_rng(61);
  ASSERT_FALSE(lane_kernels().empty());
  EXPECT_STREQ(lane_kernels().back().name, "base");
  check_every_version<kLanes>(rng);
  check_every_version<kWideLanes>(rng);
}

}  // namespace
