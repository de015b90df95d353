// Where monomial blocks come from, and the block-level constructors.
//
// Pool blocks (`ZEL_C(new_Expos)`) come from the Expos free list
// (`Expos_pool.root` of engine/mem/pool.hpp, refilled 10000 at a time in zone
// 3); they go back with `ZEL_C(kill_Expos)` or `pool_give(Expos_pool, m)` (or
// with their zone), never to the zone one by one.  Heap blocks
// (`ZEL_C(new_heap_Expos)`) come from the current zone and live until its mark
// is restored: never push one on the free list.
//
// Contents of a fresh block are undefined; headers are written only by
// `set_hash` and by the code table.
#pragma once

#include <cstdint>

#include "engine/mono/expos_words.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Pops a block (header form) from the pool, refilling it when empty.
Expos* ZEL_C(new_Expos)();
// Pushes the block on the free list (null is ignored); returns null.
Expos* ZEL_C(kill_Expos)(Expos* m);
// A block of `sz_Expos` bytes from the current zone (alloc64).
Expos* ZEL_C(new_heap_Expos)();
// Forgets the blocks of the Expos pool / of the List_Expos pool.
void ZEL_C(restore_memory_obj_0)();
void ZEL_C(restore_memory_obj_1)();

// A new pool block holding the monomial 1; returns its word form (header
// unwritten; its header form is the result minus 8).
ExposW* zero_Expos();
// A new pool block holding a copy of m's words; word form, header unwritten.
ExposW* copy_offset_Expos(const ExposW* m);
// dst (B words) = the first-block part of src (header form): fields
// 0 .. var_second_block-1 of src, every other field 0.
void copy_block1_Expos(ExposW* dst, const Expos* src);

// a / b in a new pool block used as word form from its first byte (no
// header); b must divide a.  Give it back with kill_Expos(pool_block_of(q)).
ExposW* sub_Expos(const ExposW* a, const ExposW* b);
// As sub_Expos, but returns null (and gives the block back) when a == b.
ExposW* nil_or_sub_Expos(const ExposW* a, const ExposW* b);
// lcm(a, b) in a new pool block used as word form from its first byte.
ExposW* ZEL_C(lcm_Expos)(const ExposW* a, const ExposW* b);

#ifdef ZEL_VARIANT_INT
// Copies the whole block behind *slot (header and words) into a new heap
// block and stores the copy's address in *slot; the old block is untouched.
void in_place_copy_Expos(Expos** slot);
// Sorts n pointers, each to a word holding a monomial address, so that the
// held addresses ascend (Shell sort, gaps n/2, n/4 .. 1).
void sort_Expos_Adresses(Expos*** v, uint32_t n);
#endif

}  // namespace zel::ZEL_BUILD
