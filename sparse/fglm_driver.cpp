// The sparse FGLM: Krylov iteration x(i+1) = T x(i) from one random vector,
// chosen coordinates kept as linearly recurrent sequences, the minimal
// polynomial of the last variable by the Pade step, each other variable's
// polynomial in the last one by the solve.
#include <omp.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "engine/mem/files.hpp"
#include "engine/mem/zone.hpp"
#include "sparse/aligned.hpp"
#include "sparse/entries.hpp"
#include "sparse/fglm.hpp"
#include "sparse/matvec.hpp"
#include "sparse/messages.hpp"
#include "sparse/modarith.hpp"
#include "sparse/recurrence.hpp"
#include "sparse/session_projection.hpp"
#include "sparse/univariate.hpp"

namespace zel::ZEL_BUILD {

namespace {

using sparse_detail::AlignedBuf;

// A coordinate as a residue in [0, p).
template <class C>
inline Dom residue(C c, uint32_t p) {
  if constexpr (kIntegerBuild)
    return c;
  else
    return static_cast<Dom>(c < 0 ? static_cast<int32_t>(c) + static_cast<int32_t>(p) : c);
}

struct Clock {
  double wall0 = omp_get_wtime(), cpu0 = delay();
  double wall() const { return omp_get_wtime() - wall0; }
  double cpu() const { return delay() - cpu0; }
};

// The prime-field build's elapsed-time line (written whatever the verbosity).
void elapsed_line(const Clock& clock, int32_t steps, uint64_t nnz, const char* tail) {
  if constexpr (!kIntegerBuild) {
    const double s = clock.wall();
    const double gop = s > 0 ? static_cast<double>(steps) * nnz / s / 1e9 : 0.0;
    std::fprintf(err_stream(), "\nEllapsed time: %.2f sec GOP:%.2f%s\n", s, gop, tail);
  }
}

// y := T x with the build's product for this path.
struct Product {
  int32_t D;
  std::vector<int32_t> list;  // dense row numbers, in the order of w_nosp
  explicit Product(int32_t d) : D(d), list(count_dense_rows()) {
    for (size_t k = 0; k < list.size(); ++k) list[k] = w_nosp[2 * k];
  }
  template <class C>
  void operator()(C* y, const C* x) const {
    if constexpr (kIntegerBuild)
      apply2(y, x, D);
    else
      apply2v(y, x, D, list.data(), static_cast<int32_t>(list.size()));
  }
};

// The matrix of the parametrisation solves (D^2 residues), kept from run to
// run: a fresh block each run would cost its page faults.  The engine's
// memory reset gives it back (release_fglm_buffers).  Not thread_local: a
// reset would make a thread's copy only to free it, and making one
// registers its destructor, which the C library cannot do without memory.
std::vector<Dom> inverse_rows;
}  // namespace

void release_fglm_buffers() { std::vector<Dom>().swap(inverse_rows); }

int32_t fglm_sparse(int32_t D, int32_t verbose, int32_t nvars, const int32_t* coords,
                    Dom* const* out_rows, int32_t* degrees, const char* const* names,
                    int32_t sqfr, int32_t minpoly_only, int32_t estimate, int32_t proc,
                    int32_t bk) {
  const Clock clock;
  const uint32_t p = current_prime();
  FILE* err = err_stream();
  const bool session = proc > 0;
  const bool store = out_rows != nullptr;
  const int32_t deg = estimate >= 1 && estimate < D ? estimate : D;
  const int32_t L = bk > 0 ? deg / bk : deg;
  // The solving paths read 2*deg (minimal polynomial only) or 2D terms
  // (full path): compute them all, whatever the block size.
  const int32_t n = session ? 2 * L : minpoly_only ? 2 * deg : 2 * D;
  const int32_t last = nvars - 1;

  FILE* file = session ? ouvrir_paral(proc) : nullptr;
  const uint64_t nnz = sparsity_align(D, !kIntegerBuild);
  if (verbose) {
    std::fprintf(err, "Sparsity: %.2f%%\n", static_cast<double>(nnz) / D / D * 100);
    std::fprintf(err, "Nb vars=%d\n", nvars);
  }

  const size_t slots = std::max(align_vector_size(static_cast<uint32_t>(D)),
                                align_vector_size(static_cast<uint32_t>(std::max(bk, 1))));
  AlignedBuf<Coord> xb(slots), yb(slots);
  Coord* x = xb.data();
  Coord* y = yb.data();
  for (int32_t k = 0; k < std::max(proc, 1); ++k) choose_random(x, D);

  // One sequence per variable with a coordinate, on the full path only.
  const bool full = !session && !minpoly_only;
  std::vector<std::vector<Dom>> seq(std::max(last, 0));
  if (full)
    for (int32_t j = 0; j < last; ++j)
      if (coords[j] >= 0) seq[j].assign(D + 1, 0);
  std::vector<Dom> s(session ? 0 : n + 1, 0);

  auto record = [&](int32_t step) {
    s[step] = residue(x[coords[last]], p);
    if (full && step <= D)
      for (int32_t j = 0; j < last; ++j)
        if (!seq[j].empty()) seq[j][step] = residue(x[coords[j]], p);
  };
  // A session writes the projection of each Krylov vector, not chosen
  // coordinates (see session_projection.hpp).
  std::optional<SessionProjection> projection;
  std::vector<uint32_t> projected;
  auto write_projected = [&] {
    projection->apply(x, projected.data());
    write_session(file, projected.data(), projection->rows());
  };
  if (session) {
    projection.emplace(bk, D, p);
    projected.resize(projection->rows());
    std::fputs("[\n", file);
    write_projected();
  } else {
    record(0);
  }

  const Product product(D);
  std::optional<TrimmedDenseRows> trimmed;
  if constexpr (kIntegerBuild) trimmed.emplace(D);
  for (int32_t step = 1; step < n; ++step) {
    if (verbose && step % 1024 == 0) {
      std::fprintf(err, "[%d]", step / 2);
      std::fflush(stderr);
    }
    product(y, x);
    std::swap(x, y);
    if (session) {
      std::fputs(",", file);
      write_projected();
    } else {
      record(step);
    }
  }

  if (session) {
    if constexpr (!kIntegerBuild) {
      const double sec = clock.wall();
      std::fprintf(err, "\nEllapsed time: %.2f sec GOP:%.2f for proc %d\n", sec,
                   sec > 0 ? static_cast<double>(n) * nnz / sec / 1e9 : 0.0, proc);
    }
    if (file != nullptr) {
      std::fputs("]:\n", file);
      fermer(file);
    }
    return 0;
  }

  // The least generator of 2D terms (all but a session's or a bounded
  // run's): of degree D it is the minimal polynomial, it gives the Pade
  // pair at a smaller cost (recurrence.hpp), and the caller's certificate
  // reads it.
  std::vector<Dom> last_dual;
  const ModPoly generator =
      !session && n == 2 * D ? least_generator(s, size_t(n), p, &last_dual) : ModPoly{};
  const bool full_degree = generator.size() == size_t(D) + 1;
  // The caller may certify the answers from the sequences (the Pade step
  // and the solve below work on copies or reverse them in place).
  if (store) keep_fglm_sequences(std::vector<Dom>(s.begin(), s.begin() + n), seq, generator);

  int32_t reduce_flag = 0;
  if (minpoly_only) {
    std::vector<Dom> P(deg + 2, 0);
    int32_t dP = D;
    // The generator of degree D is the Pade step's answer.
    if (full_degree)
      for (int32_t i = 0; i <= D; ++i) P[i] = Dom(generator[i]);
    else
      algo_AD_part1(s.data(), deg, P.data(), &dP);
    if (dP < 0) {
      elapsed_line(clock, n, nnz, "");
      std::fprintf(err, "No minimal polynomial from %d terms\n", n);
      if (store) degrees[last] = -1;
      return -1;
    }
    if (sqfr) dP = sqr_free(P.data(), dP, &reduce_flag);
    if (store) {
      std::copy(P.begin(), P.begin() + dP + 1, out_rows[last]);
      degrees[last] = dP;
    } else {
      std::fputs("\n[", stdout);
      display_poly(P.data(), dP + 1);
      std::fputs("]\n", stdout);
    }
    elapsed_line(clock, n, nnz, "");
    return dP;
  }

  // Full path: the Pade pair of s[0..2D-2], then the solve.
  const int32_t d = D - 1;
  std::vector<Dom> P(D + 1, 0), Q(D + 1, 0), R(D, 0), tail(s.begin() + D, s.begin() + 2 * D);
  int32_t dP, dQ, r;
  // The solves' matrix comes with the pair from the generator, when the
  // solves are worth it (see SolveMatrix).
  int32_t variables = 0;
  for (int32_t j = 0; j < last; ++j) variables += coords[j] >= 0;
  const bool keep_rows = variables >= 3 && D <= kSolveMatrixLimit;
  bool paired = false, rows_made = false;
  if (full_degree) {
    paired = pade_pair_from_generator(s.data(), generator, last_dual, d, P.data(), &dP, Q.data(),
                                      &dQ, keep_rows ? &inverse_rows : nullptr) != 0;
    rows_made = paired && keep_rows;
  }
  if (!paired) paired = algo_AD(s.data(), d, P.data(), &dP, Q.data(), &dQ) != 0;
  if (!paired) {
    elapsed_line(clock, n, nnz, "");
    std::fprintf(err, "Cas pas encore fait ! [msg 2]\n");
    if (store) degrees[last] = -1;
    return -1;
  }
  // The generator of degree D is the tail's solve answered, unless SOLVE
  // has no inverse of P[0] (it says so, and answers 0).
  const bool minpoly_from_generator = full_degree && P[0] != 0;
  const int32_t solves = variables + (minpoly_from_generator ? 0 : 1);
  const SolveMatrix solve(P.data(), Q.data(), dQ, d, solves, rows_made ? &inverse_rows : nullptr);
  // M = X^D - (R[0] X^(D-1) + ... + R[D-1]): its degree is the linear
  // complexity D, also when its low coefficients (roots 0) vanish.
  std::vector<Dom> M(D + 1, 0);
  int32_t m = D;
  if (minpoly_from_generator) {
    for (int32_t i = 0; i <= D; ++i) M[i] = Dom(generator[i]);
  } else {
    solve.solve(R.data(), &r, tail.data());
    for (int32_t i = 0; i < D; ++i) M[D - 1 - i] = NEG(R[i], p);
    M[D] = 1;
  }
  if (sqfr) m = sqr_free(M.data(), m, &reduce_flag);

  // With the matrix, every variable's solve at once (the matrix read once).
  std::vector<std::vector<Dom>> solved;
  std::vector<int32_t> solved_degree(std::max(last, 0), -1);
  if (solve.has_matrix()) {
    solved.assign(std::max(last, 0), {});
    std::vector<Dom*> outs;
    std::vector<const Dom*> ins;
    for (int32_t j = 0; j < last; ++j)
      if (coords[j] >= 0) {
        solved[j].assign(D, 0);
        outs.push_back(solved[j].data());
        ins.push_back(seq[j].data());
      }
    std::vector<int32_t> degrees_out(outs.size());
    solve.solve_all(outs, degrees_out.data(), ins);
    for (int32_t j = 0, v = 0; j < last; ++j)
      if (coords[j] >= 0) solved_degree[j] = degrees_out[v++];
  }
  for (int32_t j = 0; j < last; ++j) {
    if (coords[j] < 0) continue;
    if (solve.has_matrix()) {
      std::copy(solved[j].begin(), solved[j].end(), R.begin());
      r = solved_degree[j];
    } else {
      solve.solve(R.data(), &r, seq[j].data());
    }
    if (r >= 0) {
      for (int32_t i = 0; i <= r; ++i) R[i] = NEG(R[i], p);
      std::fill(R.begin() + r + 1, R.end(), Dom(0));
      r = reverse(R.data(), d);
      if (reduce_flag && r >= 0) r = rem_d(R.data(), r, M.data(), m);
    }
    if (store) {
      if (r >= 0) std::copy(R.begin(), R.begin() + r + 1, out_rows[j]);
      degrees[j] = r;
    } else {
      // The layout is fixed: variable 0 alone opens the bracket (without
      // a coordinate the answer begins with a comma) and the last
      // variable's line always follows a comma.
      std::printf(j == 0 ? "[%s+" : ",%s+", names[j]);
      display_poly(R.data(), r + 1);
    }
  }
  if (store) {
    std::copy(M.begin(), M.begin() + m + 1, out_rows[last]);
    degrees[last] = m;
  } else {
    std::printf(",\n%s^%d+", names[last], m);
    display_poly(M.data(), m);
    std::fputs("]\n", stdout);
  }
  elapsed_line(clock, n, nnz, "");
  if (verbose) std::fprintf(err, "Total time %.2f sec\n", clock.cpu());
  return m;
}

}  // namespace zel::ZEL_BUILD
