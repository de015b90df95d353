// A growing array of plain values held in pages of its own.  Growing remaps
// the pages instead of copying them, so the old and the new storage are
// never resident together: a std::vector that doubles holds both during the
// copy, which made the largest transient of a big step (the codes of all its
// terms, tens of megabytes).  Pages once touched stay with the array, which
// is kept between steps like the other step buffers.
//
// An array may also take, at its first growth, address space for many
// values at once (pages cost nothing until written): growing up to it then
// needs no remap.  A remap waits for every other use of the process's
// address map to end, such as a helper thread faulting in zone pages ahead
// of the step, and the calling thread waited there for tens of
// milliseconds.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <type_traits>

#include "engine/mem/messages.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

template <class T>
class PageArray {
  static_assert(std::is_trivially_copyable_v<T>, "values move with their pages");

 public:
  PageArray() = default;
  // An array that takes address space for `reserve_bytes` at its first
  // growth (or grows by remaps as above when the system refuses as much).
  explicit PageArray(size_t reserve_bytes) : reserve_(reserve_bytes) {}
  PageArray(const PageArray&) = delete;
  PageArray& operator=(const PageArray&) = delete;
  // Moving hands the pages over; assigning an empty array gives them back.
  PageArray(PageArray&& o) noexcept { take(o); }
  PageArray& operator=(PageArray&& o) noexcept {
    if (this != &o) {
      unmap();
      take(o);
    }
    return *this;
  }
  ~PageArray() { unmap(); }

  size_t size() const { return size_; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](size_t i) { return data_[i]; }
  const T& operator[](size_t i) const { return data_[i]; }
  void clear() { size_ = 0; }
  // Empties the array and gives its pages back, keeping its address space
  // (see above): a later growth writes fresh zero pages.
  void give_back() {
    if (data_) madvise(data_, bytes_, MADV_DONTNEED);
    size_ = 0;
  }

  // Gives back the whole pages below value n (their values are lost; the
  // size stays): a reader that has gone past them lets the memory go while
  // it writes elsewhere.
  void give_back_below(size_t n) {
    static const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const size_t bytes = std::min(n * sizeof(T), bytes_) / page * page;
    if (data_ && bytes > 0) madvise(data_, bytes, MADV_DONTNEED);
  }

  // Grows (or shrinks) to n values; the new ones are `fill`.
  void resize(size_t n, T fill) {
    if (n > bytes_ / sizeof(T)) grow(n);
    std::fill(data_ + std::min(size_, n), data_ + n, fill);
    size_ = n;
  }
  // Grows to n values (n >= size()); the new ones are left unset.
  void extend(size_t n) {
    if (n > bytes_ / sizeof(T)) grow(n);
    size_ = n;
  }

 private:
  void grow(size_t n) {
    static const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const size_t want = std::max({n * sizeof(T), 2 * bytes_, size_t(1) << 20});
    const size_t bytes = (want + page - 1) / page * page;
    if (!data_ && reserve_ > bytes) {
      const size_t all = (reserve_ + page - 1) / page * page;
      void* p = mmap(nullptr, all, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
      if (p != MAP_FAILED) {
        data_ = static_cast<T*>(p);
        bytes_ = all;
        return;
      }
    }
    void* p = data_ ? mremap(data_, bytes_, bytes, MREMAP_MAYMOVE)
                    : mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) Fatal("Cannot allocate memory !");
    data_ = static_cast<T*>(p);
    bytes_ = bytes;
  }

  void unmap() {
    if (data_) munmap(data_, bytes_);
  }
  void take(PageArray& o) {
    data_ = o.data_;
    size_ = o.size_;
    bytes_ = o.bytes_;
    reserve_ = o.reserve_;
    o.data_ = nullptr;
    o.size_ = o.bytes_ = 0;
  }

  T* data_ = nullptr;
  size_t size_ = 0;
  size_t bytes_ = 0;
  size_t reserve_ = 0;
};

}  // namespace zel::ZEL_BUILD
