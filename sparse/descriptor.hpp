// The multiplication matrix the sparse change of order works on, with its
// modulus and the random generator's state: one set of globals per build.
//
// The caller owns every array; this layer never frees or copies them.  Each
// entry point overwrites the descriptor, so one run at a time.
#pragma once

#include <cstdint>
#include <type_traits>

#include "engine/variant.hpp"

// Set to 1 by every entry; cleared when an inverse of zero was asked for, so
// an outside reader can tell that a zero divisor was met.
ZEL_EXPORT int32_t ZEL_C(modulo_ok);

namespace zel::ZEL_BUILD {

// A coordinate of an iteration vector and an entry of a dense row of the
// sparse FGLM path: symmetric residues in [-(p-1)/2, (p-1)/2] held in 16 bits
// in the prime-field build, residues in [0, p) in the integer build.
using Coord = std::conditional_t<kIntegerBuild, uint32_t, int16_t>;

// D, the order of T and the length of every vector.
extern int32_t wid_size_matrix;
// Copy rows: pairs (destination, source) ended by a negative destination, or
// (scalar Wiedemann, single-index form) indices i meaning y[i] = x[i+1].
extern const int32_t* w_sparse;
// Dense rows in storage order: pairs (row, first column) ended by a negative row.
extern const int32_t* w_nosp;
// Dense rows as a table of aligned row pointers (sparse FGLM path).
extern Coord* const* w_cfs_tab;
// Dense rows one after another, each padded to align_vector_size(D) entries
// (integer build's FGLM path and the scalar Wiedemann path; residues in [0, p)).
extern const Dom* w_cfs;
// The caller's cell holding the prime, and the pointer every kernel reads p through.
extern uint32_t* Table_Primes;
extern uint32_t* modulo;
// Name of the last variable for the printer ("x" while null).
extern const char* w_lvars;

// p as every kernel and the univariate layer see it.
inline uint32_t current_prime() { return *modulo; }

// modulo := Table_Primes, modulo_ok := 1, and the random generator restarted
// from projection_seed (1) on this build's own 128-byte state, so runs repeat
// exactly.
void init_wiedemann();

// The seed init_wiedemann starts from: 1, except while a caller that checks
// the answers asks for fresh random projections (ProjectionSeed).
extern uint32_t projection_seed;
struct ProjectionSeed {
  explicit ProjectionSeed(uint32_t seed) { projection_seed = seed; }
  ~ProjectionSeed() { projection_seed = 1; }
  ProjectionSeed(const ProjectionSeed&) = delete;
  ProjectionSeed& operator=(const ProjectionSeed&) = delete;
};

// Processor time (user + system) of the process, in seconds.
double delay();

}  // namespace zel::ZEL_BUILD
