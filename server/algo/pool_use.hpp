// How many records of a pool are out (taken and not given back) since the
// pool was last built: the set-ups use it to refuse a rebuild that would
// strand live records.
#pragma once

#include <cstdint>

#include "server/base/pool.hpp"

namespace orv::ORV_BUILD {

// Records of fixed-size pools are laid out Pool::kPerBlock to a block (no
// alignment loss); the sentinel counts as out of the pool's own use, not
// the caller's.  0 for a pool that was never built.  Walks the free list.
template <class Pool>
uint32_t records_out() {
  if (Pool::root == nullptr && Pool::stat_orv == 0) return 0;
  uint64_t free_count = 0;
  for (auto* r = Pool::root; r != nullptr; r = Pool::link(r)) ++free_count;
  const uint64_t laid_out = uint64_t{Pool::stat_orv} * Pool::kPerBlock;
  const uint64_t sentinel = Pool::z != nullptr ? 1 : 0;
  return laid_out > free_count + sentinel ? uint32_t(laid_out - free_count - sentinel) : 0;
}

}  // namespace orv::ORV_BUILD
