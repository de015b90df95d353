// Working buffers of the F4 step, kept by the build between steps and
// between requests.  They grow to the largest step met and are then reused,
// so a step of a size already seen costs no fresh pages (building them anew
// each step made most of the page faults of a run).  Each build has its own
// set, like the rest of its engine state; a step uses them from its calling
// thread only (threads fill entries, never resize; only a backward slot's
// arena grows on the thread that holds the slot).  A memory reset gives
// them back with the rest of the engine's memory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/f4/chunk_arena.hpp"
#include "engine/f4/page_array.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// An accumulator kept all zero between uses: a user expands and collects
// rows so that every entry it touched is zero again when it gives the
// accumulator back.  One not given back (an error ended the step) is
// cleared at its next use.
struct ZeroedAccumulator {
  std::vector<uint64_t> mem;
  bool clean = true;

  uint64_t* take(uint64_t n) {
    if (!clean) std::fill(mem.begin(), mem.end(), 0);
    if (mem.size() < n) mem.resize(n, 0);
    clean = false;
    return mem.data();
  }
  void give_back() { clean = true; }
};

// One thread of the threaded backward pass: the offsets of the row it
// collects, and the memory of the rows it stores until the calling thread
// takes them over.
struct BackwardSlot {
  std::vector<uint32_t> offsets;
  ChunkArena mem;
};

struct StepBuffers {
  // Address space taken at once for term_codes: a step of up to 256
  // million terms grows it without a remap.
  static constexpr size_t kTermCodesReserve = size_t(1) << 30;

  // Symbolic preprocessing: the code of every term of every row, row by row,
  // and where each row starts; the rank of every code; the column order.
  PageArray<uint32_t> term_codes{kTermCodesReserve};
  std::vector<size_t> row_start;
  // Per part of a threaded lookup round, the products its lookups did not
  // find: row (from the round's first), term and home slot.  The room, for
  // every product of the part, is taken on the calling thread, in pages of
  // their own (memory a helper took would stay with an allocator arena of
  // its own), and kept like the rest: mapping pages anew in every step
  // cost faults, and waits for the address map.
  struct Unknown {
    uint32_t row, term, home;
  };
  std::vector<PageArray<Unknown>> not_found;
  std::vector<uint32_t> rank_of_code;
  std::vector<uint32_t> column_order;
  // Elimination: one accumulator per thread slot, and the memory of the
  // interleaved accumulators of the forward pass's blocks of rows.
  std::vector<ZeroedAccumulator> acc;
  std::vector<ZeroedAccumulator> lanes;
  // The threaded backward pass's slots.
  std::vector<BackwardSlot> backward;

  // Accumulators 0 .. n-1 exist (none of them taken yet by this step).
  void accumulators(size_t n) {
    if (acc.size() < n) acc.resize(n);
  }
  // Backward slots 0 .. n-1 exist, with room to collect `width` columns and
  // their memory free.
  void backward_slots(size_t n, size_t width) {
    if (backward.size() < n) backward.resize(n);
    for (size_t s = 0; s < n; ++s) {
      if (backward[s].offsets.size() < width) backward[s].offsets.resize(width);
      backward[s].mem.reset();
    }
  }
  // Block accumulators 0 .. n-1 exist (none of them taken yet).
  void lane_blocks(size_t n) {
    if (lanes.size() < n) lanes.resize(n);
  }
};

// This build's buffers.
StepBuffers& step_buffers();

// Gives the buffers' memory back (a memory reset, or before steps far
// smaller than the largest one).  The page arrays keep their address space:
// mapping it anew would wait while a helper thread faults in zone pages.
inline void release_step_buffers() {
  StepBuffers& b = step_buffers();
  PageArray<uint32_t> term_codes = std::move(b.term_codes);
  std::vector<PageArray<StepBuffers::Unknown>> not_found = std::move(b.not_found);
  b = StepBuffers{};
  term_codes.give_back();
  for (auto& a : not_found) a.give_back();
  b.term_codes = std::move(term_codes);
  b.not_found = std::move(not_found);
}

}  // namespace zel::ZEL_BUILD
