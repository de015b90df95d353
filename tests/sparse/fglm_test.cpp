// The sparse FGLM and the scalar Wiedemann entries, end to end on systems
// built from their solutions.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/driver/threads.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/mem/files.hpp"
#include "sparse/entries.hpp"
#include "sparse/fglm.hpp"
#include "sparse/session_projection.hpp"
#include "point_system.hpp"
#include "sparse_util.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

// The printed form of a polynomial given lowest coefficient first, n of them.
std::string printed(const NPoly& c, int n, const std::string& var) {
  std::string out;
  bool any = false;
  for (int e = n - 1; e >= 0; --e) {
    const uint64_t v = e < static_cast<int>(c.size()) ? c[e] : 0;
    if (v == 0) continue;
    out += (any ? "+ " : " ") + std::to_string(v) + " " + (e > 0 ? "*" + var + "^" + std::to_string(e) : "\n");
    any = true;
  }
  if (n <= 0 || c.empty() || c[0] == 0) out += "\n";
  return out;
}

struct Call {
  PointSystem& sys;
  std::vector<int32_t> coords;
  std::vector<int32_t> degrees;
  std::vector<char*> names;
  uint32_t prime;
  std::string out, err;
  int32_t ret = 0;
  PointSystem::Rows rows;  // the dense rows of the last run, as it left them

  explicit Call(PointSystem& s) : sys(s), coords{s.coord_x, 0}, degrees{-7, -7},
      prime(static_cast<uint32_t>(s.p)) {
    static char x[] = "x", z[] = "z";
    names = {x, z};
  }

  void run(int32_t print, int32_t minpoly_only = 0, int32_t estimate = -1, int32_t proc = -1,
           int32_t bk = -1, int32_t sqfr = 0) {
    rows = sys.rows();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ret = ZEL_C(w_fglm)(sys.D, sys.sparse.data(), sys.nosp.data(), 2, coords.data(),
                        rows.fglm_rows(), 1, degrees.data(), &prime, 0, print, names.data(), sqfr,
                        minpoly_only, estimate, proc, bk);
    err = testing::internal::GetCapturedStderr();
    out = testing::internal::GetCapturedStdout();
  }

  NPoly stored(int j) const { return from_dom(last_fglm_results().row(j), degrees[j]); }
  // The first count residues of dense row j (at most its padded length).
  NPoly in_row(int j, int32_t count) {
    const int32_t w = kIntegerBuild ? 4 : 8, padded = (sys.D + w - 1) / w * w;
    NPoly r;
    for (int32_t i = 0; i < std::min(count, padded); ++i) {
      if constexpr (kIntegerBuild)
        r.push_back(rows.block32[static_cast<size_t>(j * padded + i)]);
      else
        r.push_back(static_cast<uint16_t>(rows.table[j][i]));
    }
    trim(r);
    return r;
  }
};

}  // namespace

TEST(SparseFglm, ParametrisationOfPointSystemsInStoreAndPrintMode) {
  SEED_TRACE();
  auto rng = make_rng(11);
  for (uint64_t p : build_primes()) {
    for (int32_t D : {1, 2, 9, 50, 500}) {
      for (bool zero : {false, true}) {
        SCOPED_TRACE("p=" + std::to_string(p) + " D=" + std::to_string(D) +
                     (zero ? " with z = 0" : ""));
        PointSystem sys(p, D, rng, zero);
        const NPoly M = sys.minpoly(), R = sys.x_stored();

        Call store(sys);
        store.run(0);
        ASSERT_EQ(store.ret, D);
        ASSERT_EQ(store.degrees[1], D);
        ASSERT_EQ(store.stored(1), M);
        if (D >= 2) {
          ASSERT_EQ(store.degrees[0], ndeg(R));
          ASSERT_EQ(store.stored(0), R);
        } else {
          ASSERT_EQ(store.degrees[0], -7);  // no coordinate, entry untouched
        }
        EXPECT_EQ(store.out, "");

        Call print(sys);
        print.run(1);
        ASSERT_EQ(print.ret, D);
        // Without a coordinate for x (D = 1) nothing opens the bracket.
        std::string want = D >= 2 ? "[x+" + printed(R, ndeg(R) + 1, "z") : "";
        want += ",\nz^" + std::to_string(D) + "+" + printed(M, D, "z") + "]\n";
        ASSERT_EQ(print.out, want);
        EXPECT_EQ(print.degrees[1], -7);  // print mode stores nothing

        // The minimal-polynomial-only path agrees, in both modes.
        Call mp(sys);
        mp.run(0, 1);
        ASSERT_EQ(mp.ret, D);
        ASSERT_EQ(mp.stored(1), M);
        mp.run(1, 1);
        ASSERT_EQ(mp.out, "\n[" + printed(M, D + 1, "z") + "]\n");
      }
    }
  }
}

// Store mode writes variable j's polynomial into dense row j when the row's
// padded length holds it: with D = 8 the minimal polynomial's nine
// coefficients do not fit and its row stays as it was.  The library's table
// holds every polynomial.
TEST(SparseFglm, StoreModeWritesEachPolynomialIntoItsRowWhenItFits) {
  std::mt19937_64 rng(13);
  for (int32_t D : {9, 8}) {
    SCOPED_TRACE("D=" + std::to_string(D));
    PointSystem sys(build_primes().front(), D, rng, false);
    ASSERT_GE(sys.dense.size(), 2u);
    const NPoly M = sys.minpoly(), R = sys.x_stored();
    Call c(sys);
    c.rows = sys.rows();
    const NPoly untouched = c.in_row(1, D + 1);
    c.run(0);
    ASSERT_EQ(c.ret, D);
    ASSERT_EQ(c.stored(0), R);
    ASSERT_EQ(c.stored(1), M);
    EXPECT_EQ(c.in_row(0, ndeg(R) + 1), R);
    EXPECT_EQ(c.in_row(1, D + 1), D == 9 ? M : untouched);
  }
}

// Modulo 2 the symmetric form of the residue 1 is -1: rows holding it are
// accepted, and the minimal polynomial of the projections divides the true one.
TEST(SparseFglm, RowsModuloTwoAreAccepted) {
  std::mt19937_64 rng(12);
  for (int k = 0; k < 4; ++k) {
    PointSystem sys(2, 2, rng, false);
    Call c(sys);
    c.run(0, 1);
    ASSERT_GE(c.ret, 1);
    EXPECT_TRUE(ndivmod(sys.minpoly(), c.stored(1), 2).second.empty());
  }
}

TEST(SparseFglm, PrintedAnswerLayout) {
  std::mt19937_64 rng(4);
  PointSystem sys(build_primes()[0], 9, rng, true);
  const std::string R = printed(sys.x_stored(), 9, "z"), M = printed(sys.minpoly(), 9, "z");
  static char x[] = "x", y[] = "y", z[] = "z";
  std::vector<char*> names{x, y, z};
  uint32_t prime = static_cast<uint32_t>(sys.p);
  auto print = [&](std::vector<int32_t> coords) {
    PointSystem::Rows rows = sys.rows();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ZEL_C(w_fglm)(sys.D, sys.sparse.data(), sys.nosp.data(), 3, coords.data(), rows.fglm_rows(),
                  1, nullptr, &prime, 0, 1, names.data(), 0, 0, -1, -1, -1);
    testing::internal::GetCapturedStderr();
    return testing::internal::GetCapturedStdout();
  };
  // Five lines: x opens with "[", y with ",", a lone ",", z's line, a lone "]".
  EXPECT_EQ(print({sys.coord_x, sys.coord_x, 0}), "[x+" + R + ",y+" + R + ",\nz^9+" + M + "]\n");
  // No coordinate for the first variable: no "[", the answer begins with ",".
  EXPECT_EQ(print({-1, sys.coord_x, 0}), ",y+" + R + ",\nz^9+" + M + "]\n");
}

TEST(SparseFglm, ThreadCountDoesNotChangeTheAnswer) {
  if constexpr (kIntegerBuild) GTEST_SKIP() << "the integer build is single-threaded";
  SEED_TRACE();
  auto rng = make_rng(12);
  PointSystem sys(build_primes()[0], 40, rng, true);
  min_threaded_work = 0;  // the products take the threaded path at this size too
  for (int32_t t : {1, 2, 3, 8}) {
    internal_threads(t);
    Call c(sys);
    c.run(0);
    ASSERT_EQ(c.ret, 40);
    ASSERT_EQ(c.stored(1), sys.minpoly());
    ASSERT_EQ(c.stored(0), sys.x_stored());
  }
  min_threaded_work = kDefaultThreadedWork;
  internal_threads(1);
}

TEST(SparseFglm, EstimateAndBlockSizeDoNotStarveTheFullPath) {
  SEED_TRACE();
  auto rng = make_rng(13);
  PointSystem sys(build_primes()[0], 20, rng, false);
  for (int32_t estimate : {-1, 0, 4, 19, 20, 50}) {
    for (int32_t bk : {-1, 0, 3}) {
      Call c(sys);
      c.run(0, 0, estimate, -1, bk);
      ASSERT_EQ(c.ret, 20) << estimate << " " << bk;
      ASSERT_EQ(c.stored(1), sys.minpoly());
      ASSERT_EQ(c.stored(0), sys.x_stored());
    }
  }
  // On the minimal-polynomial-only path an estimate at least the degree works.
  Call c(sys);
  c.run(0, 1, 19);
  EXPECT_NE(c.stored(1), sys.minpoly());  // 38 terms cannot show degree 20
  c.run(0, 1, 20);
  EXPECT_EQ(c.stored(1), sys.minpoly());
}

TEST(SparseFglm, DegenerateMinimalPolynomialIsReportedNotReturned) {
  const uint64_t p = build_primes()[0];
  std::mt19937_64 rng(1);
  PointSystem sys(p, 3, rng, false);
  // Points with equal z: z's minimal polynomial has degree 1 < D, so there is
  // no parametrisation by z; build T as z = 5 on every point: T = 5 I.
  sys.sparse = {-1, -1};
  sys.nosp = {0, 0, 1, 0, 2, 0, -1, -1};
  sys.dense = {{5, 0, 0}, {0, 5, 0}, {0, 0, 5}};
  Call c(sys);
  c.run(0);
  EXPECT_EQ(c.ret, -1);
  EXPECT_EQ(c.degrees[1], -1);
  EXPECT_EQ(c.degrees[0], -7);
  EXPECT_NE(c.err.find("Cas pas encore fait ! [msg 2]\n"), std::string::npos);
  c.run(1);
  EXPECT_EQ(c.ret, -1);
  EXPECT_EQ(c.out, "");
  // The minimal polynomial alone is found: X - 5.
  Call m(sys);
  m.run(0, 1);
  EXPECT_EQ(m.ret, 1);
  EXPECT_EQ(m.stored(1), (NPoly{p - 5, 1}));
  // Square-free flag on a nilpotent T (minimal polynomial X^2).
  sys.D = 2;
  sys.sparse = {0, 1, -1, -1};
  sys.nosp = {1, 0, -1, -1};
  sys.dense = {{0, 0}};
  sys.coord_x = -1;
  Call n(sys);
  n.run(0, 1, -1, -1, -1, 0);
  EXPECT_EQ(n.stored(1), (NPoly{0, 0, 1}));
  n.run(0, 1, -1, -1, -1, 1);
  EXPECT_EQ(n.stored(1), (NPoly{0, 1}));
}

TEST(SparseFglm, RepeatedRootsAndTheSquareFreeFlag) {
  // T the companion matrix of M on {1, z, ..., z^(D-1)}, x the monomial z^2:
  // the full path gives M and R = -X^2; with the square-free flag, the
  // square-free part of M and R reduced modulo it.
  for (uint64_t p : build_primes()) {
    std::mt19937_64 rng(5);
    PointSystem sys(p, 3, rng, false);
    for (const NPoly& M : {nfromroots({0, 0, 0, 4, 4, 9}, p), nfromroots({2, 2, 5}, p),
                           nfromroots({0, 0, 0, 0}, p)}) {
      const int32_t D = ndeg(M);
      sys.D = D;
      sys.sparse.clear();
      for (int32_t c = 0; c + 1 < D; ++c) sys.sparse.insert(sys.sparse.end(), {c, c + 1});
      sys.sparse.insert(sys.sparse.end(), {-1, -1});
      sys.nosp = {D - 1, 0, -1, -1};
      sys.dense = {NPoly(D)};
      for (int32_t i = 0; i < D; ++i) sys.dense[0][i] = (p - M[i]) % p;
      sys.coord_x = 2;
      const NPoly R{0, 0, p - 1};
      NPoly dM;
      for (int32_t i = 1; i <= D; ++i) dM.push_back(M[i] * i % p);
      const NPoly Msf = nmonic(ndivmod(M, ngcd(M, dM, p), p).first, p);
      for (int32_t sqfr : {0, 1}) {
        SCOPED_TRACE("p=" + std::to_string(p) + " D=" + std::to_string(D) +
                     " sqfr=" + std::to_string(sqfr));
        Call c(sys);
        c.run(0, 0, -1, -1, -1, sqfr);
        ASSERT_EQ(c.ret, sqfr ? ndeg(Msf) : D);
        EXPECT_EQ(c.stored(1), sqfr ? Msf : M);
        EXPECT_EQ(c.stored(0), sqfr ? ndivmod(R, Msf, p).second : R);
      }
    }
  }
}

TEST(SparseFglm, SessionModeWritesTheKrylovVectors) {
  const uint64_t p = build_primes()[0];
  std::mt19937_64 rng(2);
  PointSystem sys(p, 10, rng, false);
  // Tests run in parallel processes, both builds at once: one name each.
  const std::string base = testing::TempDir() + "zel_session_" +
                           (kIntegerBuild ? "int_" : "fp_") + std::to_string(getpid());
  paral_session_name = base.c_str();
  Call c(sys);
  c.run(0, 0, -1, 2, 3);
  paral_session_name = "";
  EXPECT_EQ(c.ret, 0);
  std::ifstream in(base + ".2");
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string text = ss.str();
  std::remove((base + ".2").c_str());
  // L = 10 / 3 = 3: six vectors of three coordinates.
  std::vector<std::string> lines;
  std::istringstream ls(text);
  for (std::string l; std::getline(ls, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 8u) << text;
  EXPECT_EQ(lines[0], "[");
  EXPECT_EQ(lines[7], "]:");
  for (int i = 2; i < 7; ++i) EXPECT_EQ(lines[i][0], ',') << lines[i];
  // Process 2 starts from the second vector drawn after seeding.
  uint32_t cell = static_cast<uint32_t>(p);
  Table_Primes = &cell;
  init_wiedemann();
  std::vector<Coord> v(16);
  choose_random(v.data(), 10);
  choose_random(v.data(), 10);
  // Its line holds the session's projection of that vector.
  std::vector<uint32_t> w(3);
  SessionProjection(3, 10, static_cast<uint32_t>(p)).apply(v.data(), w.data());
  std::ostringstream first;
  first << "[" << w[0] << "," << w[1] << "," << w[2] << "]";
  EXPECT_EQ(lines[1], first.str());
}

TEST(SparseFglm, ScalarWiedemannEntries) {
  SEED_TRACE();
  auto rng = make_rng(14);
  for (uint64_t p : build_primes()) {
    for (bool zero : {false, true}) {
      PointSystem sys(p, 9, rng, zero);
      PointSystem::Rows rows = sys.rows();
      uint32_t prime = static_cast<uint32_t>(p);
      testing::internal::CaptureStdout();
      testing::internal::CaptureStderr();
      int32_t d;
      std::vector<uint32_t> got(10);
      d = ZEL_C(w_minpoly2)(&prime, 9, sys.sparse.data(), sys.nosp.data(), rows.plain_rows(), 0);
      std::memcpy(got.data(), rows.plain_rows(), sizeof(uint32_t) * 10);
      const std::string out = testing::internal::GetCapturedStdout();
      testing::internal::GetCapturedStderr();
      ASSERT_EQ(d, 9);
      NPoly g(got.begin(), got.end());
      trim(g);
      ASSERT_EQ(g, sys.minpoly());
      EXPECT_EQ(out.rfind("span A^9 b = [", 0), 0u);

      // Companion matrix in single-index form; rows D-2 and D-1 dense so the
      // result has room in the rows.  The integer build's entry of this form
      // does nothing.
      const NPoly M = sys.minpoly();
      std::vector<int32_t> shifts;
      for (int i = 0; i < 7; ++i) shifts.push_back(i);
      shifts.push_back(-1);
      std::vector<int32_t> nosp{7, 0, 8, 0, -1, -1};
      std::vector<uint64_t> r7(9, 0), r8(9, 0);
      r7[8] = 1;
      for (int i = 0; i < 9; ++i) r8[i] = (p - M[i]) % p;
      PointSystem comp = sys;
      comp.dense = {r7, r8};
      PointSystem::Rows crow = comp.rows();
      const std::vector<uint32_t> before(crow.block32.data(), crow.block32.data() + 20);
      testing::internal::CaptureStdout();
      testing::internal::CaptureStderr();
      d = ZEL_C(w_minpoly)(prime, 9, shifts.data(), nosp.data(), crow.plain_rows());
      std::memcpy(got.data(), crow.plain_rows(), sizeof(uint32_t) * 10);
      const std::string err = testing::internal::GetCapturedStderr();
      const std::string out2 = testing::internal::GetCapturedStdout();
      if constexpr (kIntegerBuild) {
        EXPECT_EQ(d, 0);
        EXPECT_EQ(err + out2, "");
        EXPECT_EQ(std::vector<uint32_t>(crow.block32.data(), crow.block32.data() + 20), before);
        continue;
      }
      ASSERT_EQ(d, 9);
      g.assign(got.begin(), got.end());
      trim(g);
      ASSERT_EQ(g, M);
      // One dense row has no room for ten 32-bit coefficients in this build.
      std::vector<int32_t> one{8, 0, -1, -1};
      std::vector<int32_t> shifts8{0, 1, 2, 3, 4, 5, 6, 7, -1};
      comp.dense = {r8};
      PointSystem::Rows one_row = comp.rows();
      testing::internal::CaptureStderr();
      d = ZEL_C(w_minpoly)(prime, 9, shifts8.data(), one.data(), one_row.plain_rows());
      const std::string e = testing::internal::GetCapturedStderr();
      EXPECT_EQ(d, -1) << e;
    }
  }
}

using SparseFglmDeathTest = testing::Test;

TEST(SparseFglmDeathTest, InterfaceErrorsEndTheProcessWithStatus3) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::mt19937_64 rng(3);
  PointSystem sys(build_primes()[0], 4, rng, false);
  Call c(sys);
  auto call = [&](int32_t version) {
    PointSystem::Rows rows = sys.rows();
    ZEL_C(w_fglm)(4, sys.sparse.data(), sys.nosp.data(), 2, c.coords.data(), rows.fglm_rows(),
                  version, c.degrees.data(), &c.prime, 0, 0, c.names.data(), 0, 0, -1, -1, -1);
  };
  EXPECT_EXIT(call(2), testing::ExitedWithCode(3), "incompatible V=2<>1");
  c.coords[0] = 4;  // outside the normal set
  EXPECT_EXIT(call(1), testing::ExitedWithCode(3), "coordinate out of range");
  c.coords[0] = 1;
  if constexpr (!kIntegerBuild) {
    PointSystem::Rows bad = sys.rows();
    bad.sym[0][1] = -32768;  // no residue of the symmetric range
    EXPECT_EXIT(ZEL_C(w_fglm)(4, sys.sparse.data(), sys.nosp.data(), 2, c.coords.data(),
                              bad.fglm_rows(), 1, c.degrees.data(), &c.prime, 0, 0,
                              c.names.data(), 0, 0, -1, -1, -1),
                testing::ExitedWithCode(3), "symmetric range");
    // A row off the 16-byte boundary of the kernel's aligned loads.
    PointSystem::Rows moved = sys.rows();
    zel::sparse_detail::AlignedBuf<int16_t> room(16);
    std::copy(moved.sym[0].data(), moved.sym[0].data() + 8, room.data() + 1);
    moved.table[0] = room.data() + 1;
    EXPECT_EXIT(ZEL_C(w_fglm)(4, sys.sparse.data(), sys.nosp.data(), 2, c.coords.data(),
                              moved.fglm_rows(), 1, c.degrees.data(), &c.prime, 0, 0,
                              c.names.data(), 0, 0, -1, -1, -1),
                testing::ExitedWithCode(3), "16-byte boundary");
  }
  sys.sparse[1] = 99;
  EXPECT_EXIT(call(1), testing::ExitedWithCode(3), "copy row out of range");

  std::vector<int32_t> pairs{0, 1, -1, -1}, nosp{1, 0, -1, -1};
  PointSystem two(build_primes()[0], 2, rng, false);
  two.dense = {{1, 1}};
  PointSystem::Rows rows2 = two.rows();
  auto minpoly2 = [&](uint32_t p) {
    uint32_t cell = p;
    ZEL_C(w_minpoly2)(&cell, 2, pairs.data(), nosp.data(), rows2.plain_rows(), 0);
    std::exit(0);
  };
  EXPECT_EXIT(minpoly2(kIntegerBuild ? 4294967291u : 65521u), testing::ExitedWithCode(0), "");
  if constexpr (!kIntegerBuild) {
    EXPECT_EXIT(minpoly2(65537), testing::ExitedWithCode(3), "Pas la bonne version de la lib !");
    // Read as a signed value this prime would pass for a small one.
    EXPECT_EXIT(minpoly2(0x80000011u), testing::ExitedWithCode(3), "Pas la bonne version");
  }
  EXPECT_EXIT(minpoly2(0), testing::ExitedWithCode(3), "prime out of range");
}
