// The sound behaviour of the solving steps where their inputs are
// unexpected: the rational parametrisation outside shape position and for
// d = 0, the dump file of a multiplication matrix (never through a planted
// link), reading one back with checked counts and columns, and the sparse
// layer's process exits turned into the engine's fatal error.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "engine/driver/fatal_exits.hpp"
#include "engine/driver/mult_matrix.hpp"
#include "engine/driver/rational_param.hpp"
#include "support/engine_gb.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::SysPoly;

namespace {

struct SolvingFaults : ::testing::Test {
  zel_test::TestHost host{0};
  zel_test::EngineGB gb{2, 0, 65521};
  Dpol* poly(const SysPoly& f) { return gb.make(f); }
  static SysPoly terms(Dpol* p) {
    SysPoly f;
    for (uint32_t t = 0; t < p->n; ++t)
      f.push_back({{get_field(words_of(p->mono[t]), 0), get_field(words_of(p->mono[t]), 1)},
                   uint32_t(lanes(p)[0][t])});
    return f;
  }
};

TEST_F(SolvingFaults, RationalParametrisation) {
  // f = x1^2 + 1, so f'/2 = x1: x0 + 1 becomes x0 + x1, and x0 + x1
  // becomes x0 - 1.
  Dpol* f = poly({{{0, 2}, 1}, {{0, 0}, 1}});
  Dpol* B[2] = {poly({{{1, 0}, 1}, {{0, 0}, 1}}), f};
  apply_rr(B, 2);
  EXPECT_EQ(terms(B[0]), (SysPoly{{{1, 0}, 1}, {{0, 1}, 1}}));
  EXPECT_EQ(B[1], f);
  Dpol* C[2] = {poly({{{1, 0}, 1}, {{0, 1}, 1}}), f};
  apply_rr(C, 2);
  EXPECT_EQ(terms(C[0]), (SysPoly{{{1, 0}, 1}, {{0, 0}, 65520}}));

  // No univariate polynomial, none at all, a tail that is not univariate,
  // a tail as high as f: clear refusals, the array unchanged.
  EXPECT_RAISES(apply_rr(B, 0), "Cannot find the univariate polynomial !\n");
  Dpol* g = poly({{{1, 1}, 1}, {{0, 0}, 1}});
  Dpol* none[1] = {g};
  EXPECT_RAISES(apply_rr(none, 1), "Cannot find the univariate polynomial !\n");
  Dpol* mixed[2] = {poly({{{2, 0}, 1}, {{0, 1}, 1}}), f};
  EXPECT_RAISES(apply_rr(mixed, 2),
                "apply_rr: the lexicographic basis is not in shape position (polynomial 0 is not "
                "x_j + R(last variable) with deg R below the minimal polynomial's)\n");
  Dpol* high[2] = {poly({{{1, 0}, 1}, {{0, 2}, 1}}), f};
  Dpol* before = high[0];
  // (x1^2 leads x0 + x1^2 in the degree order: not x_j + R either.)
  EXPECT_RAISES(apply_rr(high, 2),
                "apply_rr: the lexicographic basis is not in shape position (polynomial 0 is not "
                "x_j + R(last variable) with deg R below the minimal polynomial's)\n");
  EXPECT_EQ(high[0], before);

  // d = 0 (the constant 1): nothing to rewrite.
  Dpol* one = poly({{{0, 0}, 1}});
  Dpol* D0[2] = {poly({{{1, 0}, 1}, {{0, 0}, 3}}), one};
  Dpol* kept = D0[0];
  apply_rr(D0, 2);
  EXPECT_EQ(D0[0], kept);
}

TEST_F(SolvingFaults, DumpFilesAreFreshAndRebuiltWithChecks) {
  std::vector<DumpRow> rows(2);
  rows[0] = {{1}, {1}};            // row 0: x1 * 1 = x1
  rows[1] = {{65520, 3}, {0, 1}};  // row 1: x1 * x1 = -1 + 3 x1
  const std::string first = dump_matrix(rows, 65521);
  // Plant a link where the next name would go: it is neither followed nor
  // overwritten.
  const int k = std::stoi(first.substr(9));
  const std::string planted = "/tmp/fmat" + std::to_string(k + 1);
  const std::string target = ::testing::TempDir() + "fmat_target";
  { std::ofstream(target) << "keep"; }
  std::remove(planted.c_str());
  ASSERT_EQ(symlink(target.c_str(), planted.c_str()), 0);
  const std::string second = dump_matrix(rows, 65521);
  EXPECT_NE(second, planted);
  std::string text;
  std::getline(std::ifstream(target), text);
  EXPECT_EQ(text, "keep");
  std::remove(planted.c_str());
  std::remove(target.c_str());

  EXPECT_EQ(rebuild_matrix(first.c_str()), 0);

  // A column outside the matrix and a truncated file are refused.
  std::string bytes;
  {
    std::ifstream in(first, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::string bad = bytes;
  bad[20 + 3 * 2] = 9;  // the first column number
  const std::string bad_name = ::testing::TempDir() + "fmat_bad";
  { std::ofstream(bad_name, std::ios::binary) << bad; }
  EXPECT_RAISES(rebuild_matrix(bad_name.c_str()),
                "rebuild_matrix: " + bad_name + ": column 9 outside the matrix\n");
  { std::ofstream(bad_name, std::ios::binary) << bytes.substr(0, bytes.size() - 2); }
  EXPECT_RAISES(rebuild_matrix(bad_name.c_str()),
                "rebuild_matrix: " + bad_name + " is too short (" +
                    std::to_string(bytes.size() - 2) + " bytes, its header announces " +
                    std::to_string(bytes.size()) + ")\n");
  std::remove(bad_name.c_str());
  std::remove(first.c_str());
  std::remove(second.c_str());
}

// 2^20 empty rows fill 4 MB, but each would be held as a dense row of 2^20
// entries: refused before anything of that size is asked for.
TEST_F(SolvingFaults, ADumpOfManyEmptyRowsIsRefused) {
  const uint32_t N0 = 1u << 20, modulus = 65521;
  const uint64_t nb = 0;
  const std::string name = ::testing::TempDir() + "fmat_empty_rows";
  {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&N0), 4).write(reinterpret_cast<const char*>(&N0), 4);
    out.write(reinterpret_cast<const char*>(&modulus), 4);
    out.write(reinterpret_cast<const char*>(&nb), 8);
    const std::vector<uint32_t> lengths(N0, 0);
    out.write(reinterpret_cast<const char*>(lengths.data()), std::streamsize(4 * N0));
  }
  try {
    rebuild_matrix(name.c_str());
    ADD_FAILURE() << "no error raised";
  } catch (const zel_test::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("more than this machine can hold"), std::string::npos)
        << e.what();
  }
  std::remove(name.c_str());
}

TEST_F(SolvingFaults, SparseExitsBecomeFatalErrors) {
  int32_t sparse[] = {-1}, nosp[] = {-1}, coords[] = {-1, 0}, degrees[2];
  uint32_t p = 65521;
  ExitsRaiseFatal guard;
  EXPECT_RAISES(Zel_w_fglm(2, sparse, nosp, 2, coords, nullptr, 2, degrees, &p, 0, 0, nullptr, 0, 0,
                           -1, -1, -1),
                "The sparse change of order failed (status 3)\n");
}

}  // namespace
