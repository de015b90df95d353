// Shell sorts over arrays of pointers, in place.  Header-only templates; the
// comparators are plain functions or lambdas.
#pragma once

#include <cstddef>
#include <utility>

namespace orv {

// The gaps 1, 4, 13, 40, ... (each three times the last plus one) are
// taken from the largest not above n down to 1.
inline long improved_shell_first_gap(long n) {
  long g = 1;
  while (3 * g + 1 <= n) g = 3 * g + 1;
  return g;
}
inline long improved_shell_next_gap(long g) { return (g - 1) / 3; }

// Gap n/2 halving down to 1; at each gap, exchanges a[j] and a[j+gap] and
// walks back while cmp(a[j], a[j+gap]) >= 1.  cmp returns 1, -1 or 0.
template <class T, class Cmp>
void shell_sort(T** a, long n, Cmp cmp) {
  for (long gap = n / 2; gap > 0; gap /= 2)
    for (long i = gap; i < n; ++i)
      for (long j = i - gap; j >= 0 && cmp(a[j], a[j + gap]) >= 1; j -= gap)
        std::swap(a[j], a[j + gap]);
}

// The same walk, exchanging while cmp(a[j], a[j+gap]) is false: cmp(x, y)
// tells whether x may stay before y.
template <class T, class Cmp>
void shell_boolean_sort(T** a, long n, Cmp cmp) {
  for (long gap = n / 2; gap > 0; gap /= 2)
    for (long i = gap; i < n; ++i)
      for (long j = i - gap; j >= 0 && !cmp(a[j], a[j + gap]); j -= gap)
        std::swap(a[j], a[j + gap]);
}

// Straight insertion at each gap: a[i] moves down past every a[j] with
// cmp(a[i], a[j]) < 0.
template <class T, class Cmp>
void improved_shell_sort(T** a, long n, Cmp cmp) {
  if (n < 2) return;
  for (long gap = improved_shell_first_gap(n); gap > 0; gap = improved_shell_next_gap(gap)) {
    for (long i = gap; i < n; ++i) {
      T* x = a[i];
      long j = i - gap;
      for (; j >= 0 && cmp(x, a[j]) < 0; j -= gap) a[j + gap] = a[j];
      a[j + gap] = x;
    }
  }
}

}  // namespace orv
