// Segmented index tables of one build: tables that grow without moving their
// contents, so pointers into them stay valid while an F4 step fills them.
//
// Segment 0 holds 1024 elements and segment k twice as many as segment k-1.
// Segments come from alloc64 in whatever zone is active when they are added;
// restoring a mark of that zone gives them up (the owner then starts the
// table again).  At most 31 segments exist.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

inline constexpr uint32_t kRelativeFirst = 1024;
inline constexpr uint32_t kRelativeMaxSegments = 31;

template <class T>
struct RelativeTable {
  const char* name;                  // type name for the failure messages
  uint32_t current = 0;              // number of segments
  uint32_t relative_ptr = 0;         // base added to every index
  uint64_t size_relative[32] = {};   // elements of each segment
  T* abs_ptr[32] = {};               // start of each segment
};

namespace relative_detail {
template <class T>
void add_segment(RelativeTable<T>& t) {
  if (t.current >= kRelativeMaxSegments)
    Fatal("Cannot extend %s data type cur=%d>=%d\n", t.name, int(t.current),
          int(kRelativeMaxSegments));
  uint64_t len = t.current == 0 ? kRelativeFirst : 2 * t.size_relative[t.current - 1];
  t.abs_ptr[t.current] = static_cast<T*>(alloc64(len * sizeof(T)));
  t.size_relative[t.current] = len;
  t.current++;
}

// Finds the slot of element j, or null when no segment holds it.
template <class T>
T* locate(RelativeTable<T>& t, uint64_t j) {
  uint64_t start = 0;
  for (uint32_t k = 0; k < t.current; k++) {
    if (j < start + t.size_relative[k]) return t.abs_ptr[k] + (j - start);
    start += t.size_relative[k];
  }
  return nullptr;
}
}  // namespace relative_detail

// Sets the base to 0 and creates segment 0 when the table has none; the
// segments and contents of an earlier step are kept.
template <class T>
void reset_relative(RelativeTable<T>& t) {
  if (t.current == 0) relative_detail::add_segment(t);
  t.relative_ptr = 0;
}

// Abandons every segment (they stay in their zone) and the base.
template <class T>
void forget_relative(RelativeTable<T>& t) {
  t.current = 0;
  t.relative_ptr = 0;
}

// Stores v at index i, adding segments (possibly several) as needed.  The
// table must have been reset first.
template <class T>
void set_relative(RelativeTable<T>& t, uint32_t i, const T& v) {
  const uint64_t j = uint64_t(uint32_t(t.relative_ptr + i));
  for (;;) {
    if (T* slot = relative_detail::locate(t, j)) {
      std::memcpy(static_cast<void*>(slot), &v, sizeof(T));
      return;
    }
    relative_detail::add_segment(t);
  }
}

// Address of element i (stable while the table grows); fatal
// "Illegal access get_relative_ %s\n" when no segment holds it.
template <class T>
T* at_relative(RelativeTable<T>& t, uint32_t i) {
  const uint64_t j = uint64_t(uint32_t(t.relative_ptr + i));
  T* slot = t.current ? relative_detail::locate(t, j) : nullptr;
  if (slot == nullptr) Fatal("Illegal access get_relative_ %s\n", t.name);
  return slot;
}

template <class T>
T get_relative(RelativeTable<T>& t, uint32_t i) {
  return *at_relative(t, i);
}

// The engine's tables whose element types are known here.  The monomial,
// pair and matrix-row layers declare theirs next to their types:
//   inline RelativeTable<Expos> relative_Expos{"Expos"};
extern RelativeTable<int32_t> relative_Indexes;   // "Indexes"
extern RelativeTable<uint8_t> relative_CBoolean;  // "CBoolean" (truth values)

inline void reset_relative_Indexes() { reset_relative(relative_Indexes); }
inline void set_relative_Indexes(uint32_t i, int32_t v) { set_relative(relative_Indexes, i, v); }
inline int32_t get_relative_Indexes(uint32_t i) { return get_relative(relative_Indexes, i); }
inline void reset_relative_CBoolean() { reset_relative(relative_CBoolean); }
// Keeps the low 8 bits of v.
inline void set_relative_CBoolean(uint32_t i, uint32_t v) {
  set_relative(relative_CBoolean, i, uint8_t(v));
}
inline uint8_t get_relative_CBoolean(uint32_t i) { return get_relative(relative_CBoolean, i); }

}  // namespace zel::ZEL_BUILD
