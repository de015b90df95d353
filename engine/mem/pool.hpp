// Object pools of one build: fixed-size records on a free list, refilled in
// batches from zone 3.  Taking and returning a record is two pointer moves.
//
// A free record's first 8 bytes hold the link to the next free record.  A
// record taken from a pool is not initialised (its first word still holds
// the old link).  Records live until the next memory reset, which forgets
// every pool.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct Pool {
  void* root;            // head of the free list, null when empty
  uint32_t per_refill;   // records taken from zone 3 per refill
  uint32_t record_size;  // bytes per record (at least 8)
  const char* name;      // type name for the failure message
};

// The three pools of the engine: critical pairs (56 bytes), monomials
// (sz_Expos bytes: the monomial layer sets Expos_pool.record_size when it
// lays out the monomials) and monomial-list nodes (16 bytes).
extern Pool Crit_pool;
extern Pool Expos_pool;
extern Pool List_Expos_pool;

// Bytes taken by all refills since the process started.
extern uint64_t ct_obj_alloc;

// n records of `size` bytes allocated in zone 3 as one chain linked in
// address order (last link null); returns the first record (8-aligned).
// Allocation failure is fatal ("Not enough memory %u when allocation %s !\n").
void* generate(uint32_t n, uint32_t size, const char* name);

// Pops the head record; an empty pool is refilled with generate first.
inline void* pool_take(Pool& pool) {
  void* r = pool.root;
  if (r == nullptr) r = generate(pool.per_refill, pool.record_size, pool.name);
  void* next;
  std::memcpy(&next, r, sizeof next);
  pool.root = next;
  return r;
}

// Pushes a record back: it is the next one handed out.
inline void pool_give(Pool& pool, void* record) {
  std::memcpy(record, &pool.root, sizeof(void*));
  pool.root = record;
}

// Memory reset: empties the three pools (their records die with zone 3).
void forget_pools();

}  // namespace zel::ZEL_BUILD
