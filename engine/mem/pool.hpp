// Object pools of one build: fixed-size records on a free list, refilled in
// batches from zone 3.  Taking and returning a record is two pointer moves.
//
// A free record's first 8 bytes hold the link to the next free record.  A
// record taken from a pool is not initialised (its first word still holds
// the old link, or whatever the zone left there).  While the free list is
// empty, the last refill's records are handed out in address order, one by
// one as they are taken: linking them all at the refill would touch every
// page of the batch, which counts against a small computation's memory (a
// pass of the integer build starts its pools afresh).  Records live until
// the next memory reset, which forgets every pool.
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
  char* fresh = nullptr;      // the last refill's records not handed out yet
  char* fresh_end = nullptr;  // (fresh .. fresh_end)
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

// The same allocation, records not linked: their first record.
char* generate_unlinked(uint32_t n, uint32_t size, const char* name);

// Pops the head record; with the free list empty, the next record of the
// last refill, refilling first when none is left.
inline void* pool_take(Pool& pool) {
  if (void* r = pool.root) {
    void* next;
    std::memcpy(&next, r, sizeof next);
    pool.root = next;
    return r;
  }
  if (pool.fresh == pool.fresh_end) {
    pool.fresh = generate_unlinked(pool.per_refill, pool.record_size, pool.name);
    pool.fresh_end = pool.fresh + uint64_t(pool.per_refill) * pool.record_size;
  }
  char* r = pool.fresh;
  pool.fresh += pool.record_size;
  return r;
}

// Forgets the pool's records (their zone is being restored).
inline void pool_empty(Pool& pool) {
  pool.root = nullptr;
  pool.fresh = pool.fresh_end = nullptr;
}

// True when the pool would refill on its next take.
inline bool pool_is_empty(const Pool& pool) {
  return pool.root == nullptr && pool.fresh == pool.fresh_end;
}

// Pushes a record back: it is the next one handed out.
inline void pool_give(Pool& pool, void* record) {
  std::memcpy(record, &pool.root, sizeof(void*));
  pool.root = record;
}

// Empties the three pools: at a memory reset (their records die with zone
// 3), and where a request or a pass starts afresh.
void forget_pools();

}  // namespace zel::ZEL_BUILD
