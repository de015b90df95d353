// Bump memory of one thread, in chunks that stay between uses.  The zone
// heap serves the calling thread only; a helper thread that must allocate
// while it works takes from its own arena instead.  reset() starts again
// from the first chunk, so a pass no larger than an earlier one costs no
// fresh pages.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

class ChunkArena {
 public:
  // `bytes` bytes, 16-byte aligned, valid until the next reset.
  void* take(uint64_t bytes) {
    bytes = (bytes + 15) & ~uint64_t(15);
    while (chunk_ == chunks_.size() || used_ + bytes > chunks_[chunk_].size) {
      if (chunk_ < chunks_.size() && used_ == 0 && chunks_[chunk_].size < bytes) {
        // Too small for this request even empty: replaced by a larger one.
        chunks_[chunk_] = Chunk(bytes);
        break;
      }
      if (chunk_ < chunks_.size()) ++chunk_;
      if (chunk_ == chunks_.size()) chunks_.emplace_back(std::max(bytes, kChunkBytes));
      used_ = 0;
    }
    char* p = chunks_[chunk_].base() + used_;
    used_ += bytes;
    last_ = p;
    return p;
  }
  // Shrinks the last block taken, at p, to `bytes` bytes.
  void trim_last(const void* p, uint64_t bytes) {
    if (p != last_) return;
    used_ = uint64_t(last_ - chunks_[chunk_].base()) + ((bytes + 15) & ~uint64_t(15));
  }
  void reset() {
    chunk_ = 0;
    used_ = 0;
    last_ = nullptr;
  }

 private:
  static constexpr uint64_t kChunkBytes = uint64_t(1) << 20;
  struct Chunk {
    std::unique_ptr<std::max_align_t[]> mem;
    uint64_t size = 0;
    explicit Chunk(uint64_t bytes)
        : mem(new std::max_align_t[(bytes + sizeof(std::max_align_t) - 1) /
                                   sizeof(std::max_align_t)]),
          size(bytes) {}
    char* base() const { return reinterpret_cast<char*>(mem.get()); }
  };
  std::vector<Chunk> chunks_;
  size_t chunk_ = 0;
  uint64_t used_ = 0;
  const char* last_ = nullptr;
};

}  // namespace zel::ZEL_BUILD
