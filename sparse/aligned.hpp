// Zero-filled heap buffers on 64-byte boundaries for iteration vectors and
// dense rows, padded by the caller to the vector width.  Owned by one run.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace zel::sparse_detail {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

template <class T>
struct AlignedBuf {
  std::unique_ptr<T[], FreeDeleter> mem;
  size_t n = 0;

  AlignedBuf() = default;
  explicit AlignedBuf(size_t count) : n(count) {
    size_t bytes = (count * sizeof(T) + 63) / 64 * 64;
    if (bytes == 0) bytes = 64;
    void* p = std::aligned_alloc(64, bytes);
    if (p == nullptr) throw std::bad_alloc();
    std::memset(p, 0, bytes);
    mem.reset(static_cast<T*>(p));
  }
  T* data() { return mem.get(); }
  const T* data() const { return mem.get(); }
  T& operator[](size_t i) { return mem[i]; }
  const T& operator[](size_t i) const { return mem[i]; }
  size_t size() const { return n; }
};

}  // namespace zel::sparse_detail
