#include "sparse/entries.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <utility>

#include "engine/api/host.hpp"
#include "engine/mem/zone.hpp"
#include "sparse/exit.hpp"
#include "sparse/fglm.hpp"
#include "sparse/matvec.hpp"
#include "sparse/messages.hpp"
#include "sparse/modarith.hpp"

namespace zel::ZEL_BUILD {

namespace {

FglmResults results;

// The prime cell of the entry that takes its prime by value.
uint32_t own_prime_cell;

[[noreturn]] void bad_argument(const char* entry, const char* what) {
  interface_error("%s%s: %s\n", ZEL_PREFIX, entry, what);
}

// The sequences of projections hold 2D terms, indexed by 32-bit integers.
void check_order(const char* entry, int32_t D) {
  if (D < 1) bad_argument(entry, "empty matrix");
  if (D >= INT32_MAX / 2) bad_argument(entry, "matrix order out of range");
}

// Every row and column the lists name lies in [0, D): the products index
// the vectors with them unchecked.
void check_lists(const char* entry, int32_t D, bool pair_form) {
  if (w_sparse == nullptr || w_nosp == nullptr) bad_argument(entry, "null row list");
  if (pair_form) {
    for (const int32_t* s = w_sparse; s[0] >= 0; s += 2)
      if (s[0] >= D || s[1] < 0 || s[1] >= D) bad_argument(entry, "copy row out of range");
  } else {
    for (const int32_t* s = w_sparse; s[0] >= 0; ++s)
      if (int64_t(s[0]) + 1 >= D) bad_argument(entry, "copy row out of range");
  }
  for (const int32_t* s = w_nosp; s[0] >= 0; s += 2)
    if (s[0] >= D) bad_argument(entry, "dense row out of range");
}

// The vector kernel reads the rows with aligned 16-byte loads: a row off
// that boundary would fault inside the product.
template <class Rows>
void check_aligned_rows(const char* entry, Rows rows) {
  if constexpr (!kIntegerBuild) {
    const int32_t k = count_dense_rows();
    for (int32_t r = 0; r < k; ++r)
      if (reinterpret_cast<uintptr_t>(rows[r]) % 16 != 0)
        bad_argument(entry, "dense row not on a 16-byte boundary");
  }
}

// The vector kernel's lanes hold sums of two products exactly only for row
// entries in the symmetric range: refuse any other row.  Modulo 2 the range
// is {-1, 0, 1}: -1 and 1 both stand for the residue 1 (the symmetric form
// of 1 is 1 - 2, and the kernels fold their sums to either).
template <class Rows>
void check_symmetric_rows(const char* entry, Rows rows, int32_t D, uint32_t p) {
  if constexpr (!kIntegerBuild) {
    const int32_t half = p == 2 ? 1 : static_cast<int32_t>((p - 1) / 2), k = count_dense_rows();
    for (int32_t r = 0; r < k; ++r) {
      if (rows[r] == nullptr) bad_argument(entry, "null dense row");
      for (int32_t c = 0; c < D; ++c)
        if (rows[r][c] < -half || rows[r][c] > half)
          bad_argument(entry, "dense row entry outside the symmetric range");
    }
  }
}

// Writes the minimal polynomial as 32-bit values over the start of the dense
// rows, when they have the room.
int32_t store_minpoly(const MinpolyOut& m, void* rows, int32_t D) {
  if (rows == nullptr || m.degree < 0) return m.degree;
  const uint64_t room = static_cast<uint64_t>(count_dense_rows()) *
                        align_vector_size(static_cast<uint32_t>(D)) * sizeof(Dom);
  const uint64_t need = (static_cast<uint64_t>(m.degree) + 1) * sizeof(uint32_t);
  if (need > room) {
    std::fprintf(err_stream(), "No room for %d coefficients in the dense rows\n", m.degree + 1);
    return -1;
  }
  for (int32_t i = 0; i <= m.degree; ++i) {
    const uint32_t v = m.coeffs[i];
    std::memcpy(static_cast<char*>(rows) + i * sizeof v, &v, sizeof v);
  }
  return m.degree;
}

// Store mode also hands variable j's polynomial (lowest degree first) back in
// the caller's row j, when the rows include row j and it has room for the
// degree + 1 residues: a row holds align_vector_size(D) slots, so every
// polynomial but a minimal polynomial of degree D with D a multiple of the
// padding fits.  The prime-field build's 16-bit slots receive the residue's
// bits.  Run after the products: the rows are the matrix until then.
template <class Rows>
void store_in_caller_row(Rows rows, int32_t D, int32_t j, const Dom* coeffs, int32_t degree) {
  const uint32_t room = align_vector_size(static_cast<uint32_t>(D));
  if (degree < 0 || j >= count_dense_rows() || static_cast<uint32_t>(degree) + 1 > room) return;
  if constexpr (kIntegerBuild) {
    std::copy(coeffs, coeffs + degree + 1, rows + static_cast<size_t>(j) * room);
  } else {
    for (int32_t i = 0; i <= degree; ++i) rows[j][i] = static_cast<int16_t>(coeffs[i]);
  }
}

// The FGLM entry's rows: a row table or one contiguous block, by build.
template <class Rows>
void set_dense_rows(Rows rows) {
  if constexpr (kIntegerBuild)
    w_cfs = rows;
  else
    w_cfs_tab = rows;
}

}  // namespace

const FglmResults& last_fglm_results() { return results; }

void keep_fglm_sequences(std::vector<Dom> sequence,
                         std::vector<std::vector<Dom>> variable_sequences, ModPoly generator) {
  results.sequence = std::move(sequence);
  results.variable_sequences = std::move(variable_sequences);
  results.generator = std::move(generator);
}

}  // namespace zel::ZEL_BUILD

using namespace zel::ZEL_BUILD;

ZEL_EXPORT int32_t ZEL_C(w_fglm)(int32_t D, int32_t* sparse, int32_t* nosp, int32_t nvars,
                                 int32_t* coords, FglmRowsArg rows, int32_t version,
                                 int32_t* degrees, uint32_t* prime, int32_t verbose,
                                 int32_t print, char** names, int32_t sqfr, int32_t minpoly_only,
                                 int32_t estimate, int32_t proc, int32_t bk) try {
  ZEL_ENTRY_CLAIM;
  static const char kEntry[] = "w_fglm";
  Table_Primes = prime;
  init_wiedemann();
  w_lvars = names != nullptr && nvars >= 1 ? names[nvars - 1] : nullptr;
  w_nosp = nosp;
  set_dense_rows(rows);
  w_sparse = sparse;
  wid_size_matrix = D;
  if (version != 1) interface_error("incompatible V=%d<>%d\n", version, 1);

  if (prime == nullptr || !prime_ok(*prime)) bad_argument(kEntry, "prime out of range or not a prime");
  check_order(kEntry, D);
  if (nvars < 1 || coords == nullptr) bad_argument(kEntry, "no variable");
  check_lists(kEntry, D, true);
  if (count_dense_rows() > 0 && rows == nullptr) bad_argument(kEntry, "null dense rows");
  check_symmetric_rows(kEntry, rows, D, *prime);
  check_aligned_rows(kEntry, rows);
  for (int32_t j = 0; j < nvars; ++j)
    if (coords[j] >= D) bad_argument(kEntry, "coordinate out of range");
  if (coords[nvars - 1] < 0) bad_argument(kEntry, "no coordinate for the minimal polynomial");
  const bool session = proc > 0;
  if (!session && print == 1 && names == nullptr) bad_argument(kEntry, "no variable names");
  if (!session && print != 1 && degrees == nullptr) bad_argument(kEntry, "no degree table");

  if (session || print == 1)
    return fglm_sparse(D, verbose, nvars, coords, nullptr, degrees, names, sqfr, minpoly_only,
                       estimate, proc, bk);
  // Store mode: results get a table of their own, D+1 residues per variable.
  results.nvars = nvars;
  const size_t width = static_cast<size_t>(D) + 1;
  results.width = D + 1;
  results.coeffs = std::vector<Dom>(static_cast<size_t>(nvars) * width, 0);
  results.sequence.clear();
  results.variable_sequences.clear();
  results.generator.clear();
  std::vector<Dom*> out(nvars);
  for (int32_t j = 0; j < nvars; ++j) out[j] = results.coeffs.data() + static_cast<size_t>(j) * width;
  // The run's own degree table tells which variables it stored: the others
  // keep their row and degree entry.
  constexpr int32_t kNotStored = INT32_MIN;
  std::vector<int32_t> stored(nvars, kNotStored);
  const int32_t found = fglm_sparse(D, verbose, nvars, coords, out.data(), stored.data(), nullptr,
                                    sqfr, minpoly_only, estimate, proc, bk);
  for (int32_t j = 0; j < nvars; ++j) {
    if (stored[j] == kNotStored) continue;
    degrees[j] = stored[j];
    store_in_caller_row(rows, D, j, results.row(j), stored[j]);
  }
  return found;
} ZEL_SPARSE_ENTRY_CATCH("w_fglm")

ZEL_EXPORT int32_t ZEL_C(w_minpoly2)(uint32_t* prime, int32_t D, int32_t* sparse, int32_t* nosp,
                                     PlainRowsArg rows, int32_t sqfr) try {
  ZEL_ENTRY_CLAIM;
  static const char kEntry[] = "w_minpoly2";
  if (prime == nullptr) bad_argument(kEntry, "no prime");
  Table_Primes = prime;
  init_wiedemann();
  w_sparse = sparse;
  w_cfs = rows;
  w_nosp = nosp;
  wid_size_matrix = D;
  std::fprintf(err_stream(), "Prime = %u\n", *prime);
  if (!kIntegerBuild && *prime > 65521u) interface_error("Pas la bonne version de la lib !\n");
  if (!prime_ok(*prime)) bad_argument(kEntry, "prime out of range or not a prime");
  check_order(kEntry, D);
  check_lists(kEntry, D, true);
  if (count_dense_rows() > 0 && rows == nullptr) bad_argument(kEntry, "null dense rows");
  return store_minpoly(minpoly_sparse2(D, sqfr), rows, D);
} ZEL_SPARSE_ENTRY_CATCH("w_minpoly2")

ZEL_EXPORT int32_t ZEL_C(w_minpoly)(uint32_t p, int32_t D, int32_t* shifts, int32_t* nosp,
                                    PlainRowsArg rows) try {
  ZEL_ENTRY_CLAIM;
  // The single-index form belongs to the prime-field build; the integer
  // build's entry exists for its callers but touches nothing.
  if constexpr (kIntegerBuild) return 0;
  static const char kEntry[] = "w_minpoly";
  // This entry takes p by value: it keeps its own cell for the kernels.
  own_prime_cell = p;
  Table_Primes = &own_prime_cell;
  init_wiedemann();
  w_sparse = shifts;
  w_nosp = nosp;
  w_cfs = rows;
  wid_size_matrix = D;
  std::fprintf(err_stream(), "Prime = %d\n", static_cast<int>(p));
  if (!kIntegerBuild && p > 65521u) interface_error("Pas la bonne version de la lib !\n");
  if (!prime_ok(p)) bad_argument(kEntry, "prime out of range or not a prime");
  check_order(kEntry, D);
  check_lists(kEntry, D, false);
  if (count_dense_rows() > 0 && rows == nullptr) bad_argument(kEntry, "null dense rows");
  return store_minpoly(minpoly_sparse(D), rows, D);
} ZEL_SPARSE_ENTRY_CATCH("w_minpoly")
