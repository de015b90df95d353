// The engine's thread count.  Only the prime-field build runs parallel parts
// (on the worker team, engine/f4/worker_team, whose kernels read nb_threads
// to cut their work into parts).
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// 1 until set; never below 1.
extern int32_t nb_threads;

// Prime-field build: sets nb_threads and the OpenMP runtime's thread count
// to n (a count <= 0 means 1), writes "Set number of OPENMP threads to %d\n"
// and returns the count set.  Integer build: single-threaded, writes a
// warning and returns -1.
int32_t internal_threads(int32_t n);

}  // namespace zel::ZEL_BUILD
