// The integer build's compute entry at the edges of its requests: zero
// polynomials among the inputs in every mode, and mode 11's blocks.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/call_zel.h"
#include "support/naive_buchberger_qq.hpp"
#include "support/qq_capi.hpp"
#include "support/test_host.hpp"
#include "support/zel_systems.h"

using namespace zel_test;
using namespace zel_test::buchberger;

namespace {

struct Request {
  int mode = ZEL_COMPUTE_GBASIS;
  int nb = 0, bk0 = 0, nb2 = 0, bk2 = 0, dlim = -1;
};

// The request on handles of the current session; the results stay in out.
UI32 compute(std::vector<void*>& in, std::vector<void*>& out, const Request& r) {
  sZEL_Comp_Desc env{};
  env._compute = r.mode;
  env._nb = r.nb;
  env._nb2 = r.nb2;
  env._bk2 = r.bk2;
  env._dlim = r.dlim;
  double cpu = 0;
  return Zel_int_groebner(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, r.bk0, -1, 0, &env);
}

std::vector<QPoly> run(const std::vector<QPoly>& F, uint32_t n, const Request& r) {
  start_qq_session(0, n);
  std::vector<void*> in = send_qq(F, n), out(100000);
  return receive_qq(out.data(), compute(in, out, r), n);
}

// The reduced basis {x0 - x1 + 3, x1^2 - 6 x1 + 7}: two solutions,
// separated by x1.
std::vector<QPoly> two_points() {
  return {{{NMono{1, 0}, 1}, {NMono{0, 1}, -1}, {NMono{0, 0}, 3}},
          {{NMono{0, 2}, 1}, {NMono{0, 1}, -6}, {NMono{0, 0}, 7}}};
}

TEST(EntryEdgesQQ, ZeroInputsAreIgnoredInEveryMode) {
  zel_test::TestHost host{0};
  const std::vector<QPoly> F = two_points();
  const QPoly zero;
  const std::vector<QPoly> with_zeros = {zero, F[0], zero, F[1]};
  for (int mode = ZEL_COMPUTE_GBASIS; mode <= ZEL_COMPUTE_MATRIXN; ++mode) {
    // Modes 6 and 7 need polynomials to reduce (_nb > 0).
    if (mode == ZEL_COMPUTE_GBASIS_NF || mode == ZEL_COMPUTE_GBASIS_NF_RECOMPUTE ||
        mode == ZEL_COMPUTE_NOP)
      continue;
    SCOPED_TRACE("mode " + std::to_string(mode));
    Request r;
    r.mode = mode;
    EXPECT_EQ(run(with_zeros, 2, r), run(F, 2, r));
  }
  // Mode 10 passes them through.
  Request nop;
  nop.mode = ZEL_COMPUTE_NOP;
  EXPECT_EQ(run({zero, F[0], zero}, 2, nop), (std::vector<QPoly>{zero, F[0], zero}));
  Request multi;
  multi.mode = ZEL_COMPUTE_GBASIS_MULTI;
  multi.nb2 = 1;
  multi.bk2 = 1;
  EXPECT_EQ(run({F[0], F[1], zero}, 2, multi), run({F[0], F[1], F[0]}, 2, multi));
}

// Mode 6 gives zero normal forms; they go to a further mode-6 request, both
// as polynomials to reduce and in the basis.
TEST(EntryEdgesQQ, ZeroNormalFormsFeedFurtherNormalForms) {
  zel_test::TestHost host{0};
  const std::vector<QPoly> F = two_points();
  start_qq_session(0, 2);
  const QPoly x0x1 = {{NMono{1, 1}, 1}};
  std::vector<void*> in = send_qq({F[0], x0x1, F[0], F[1]}, 2), out(100000);
  Request nf;
  nf.mode = ZEL_COMPUTE_GBASIS_NF;
  nf.nb = 2;
  ASSERT_EQ(compute(in, out, nf), 4u);
  std::vector<QPoly> first = receive_qq(out.data(), 4, 2);
  EXPECT_TRUE(first[1].empty());
  const QPoly reduced = {{NMono{0, 1}, 3}, {NMono{0, 0}, -7}};  // x0 x1 = x1^2 - 3 x1
  EXPECT_EQ(first[3], reduced);
  std::vector<void*> again = send_qq({F[0], F[1]}, 2);
  again.insert(again.begin(), {out[1], out[3], out[1]});
  std::vector<void*> out2(100000);
  ASSERT_EQ(compute(again, out2, nf), 4u);
  std::vector<QPoly> second = receive_qq(out2.data(), 4, 2);
  EXPECT_TRUE(second[1].empty());
  EXPECT_EQ(second[3], reduced);
}

// A degree limit below the basis's degree is refused, never solved: every
// limit gives either the refusal or the unlimited answer.
TEST(EntryEdgesQQ, DegreeLimitNeverCutsTheBasisOfASolvingMode) {
  zel_test::TestHost host{0};
  std::vector<zs_poly> raw(4);
  zs_katsura(3, raw.data());
  std::vector<QPoly> F;
  for (zs_poly& f : raw) {
    QPoly g;
    for (int t = 0; t < f.nterms; ++t)
      g.push_back({NMono(f.e + t * f.nvars, f.e + (t + 1) * f.nvars), f.c[t]});
    F.push_back(g);
    zs_free(&f);
  }
  Request r;
  r.mode = ZEL_COMPUTE_MINPOLY;
  const std::vector<QPoly> whole = run(F, 4, r);
  int refused = 0;
  for (r.dlim = 1; r.dlim <= 8; ++r.dlim) {
    SCOPED_TRACE("_dlim=" + std::to_string(r.dlim));
    try {
      EXPECT_EQ(run(F, 4, r), whole);
    } catch (const zel_test::HostError& e) {
      ++refused;
      EXPECT_EQ(std::string(e.what()).rfind("The degree limit _dlim=" + std::to_string(r.dlim) +
                                                " stops the basis before its pairs of degree ",
                                            0),
                0u)
          << e.what();
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_LT(refused, 8);
}

TEST(EntryEdgesQQ, BlockStartsBeyondTheVariablesAreRefused) {
  zel_test::TestHost host{0};
  Request multi;
  multi.mode = ZEL_COMPUTE_GBASIS_MULTI;
  multi.bk0 = 9;
  EXPECT_RAISES(run(two_points(), 2, multi),
                "Zel interface error: bk0=9 exceeds the 2 variables\n");
}

}  // namespace
