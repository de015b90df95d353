// A map from addresses to small values, by open addressing, for the passes
// over a basis's terms that meet the same shared monomial blocks again and
// again.  Kept at most half full; grows by doubling as entries come.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

template <class V>
class AddressMap {
 public:
  AddressMap() { slots_.assign(size_t(1) << bits_, Slot{nullptr, V{}}); }

  // The value of `key`, made with make() when the key is new.
  template <class Make>
  V find_or_add(const void* key, Make make) {
    uint64_t s = home(key);
    while (slots_[s].key != nullptr) {
      if (slots_[s].key == key) return slots_[s].value;
      s = (s + 1) & mask();
    }
    const V v = make();
    slots_[s] = {key, v};
    if (2 * ++count_ > slots_.size()) grow();
    return v;
  }

 private:
  struct Slot {
    const void* key;
    V value;
  };
  uint64_t mask() const { return slots_.size() - 1; }
  uint64_t home(const void* key) const {
    return (uint64_t(reinterpret_cast<uintptr_t>(key)) * 0x9E3779B97F4A7C15ULL) >> (64 - bits_);
  }
  void grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    ++bits_;
    slots_.assign(size_t(1) << bits_, Slot{nullptr, V{}});
    for (const Slot& e : old) {
      if (e.key == nullptr) continue;
      uint64_t s = home(e.key);
      while (slots_[s].key != nullptr) s = (s + 1) & mask();
      slots_[s] = e;
    }
  }

  uint32_t bits_ = 10;
  uint64_t count_ = 0;
  std::vector<Slot> slots_;
};

}  // namespace zel::ZEL_BUILD
