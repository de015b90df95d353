// Integer build: sliding survivors down a restored zone mark.
#include "engine/coef/int_slide.hpp"

#include <cstring>
#include <vector>

#include "engine/coef/int_context.hpp"

namespace zel::ZEL_BUILD {

void in_place_copy_INT(INT* v) {
  const size_t n = size_t(v->_mp_size < 0 ? -v->_mp_size : v->_mp_size);
  const size_t room = n > 0 ? n : 1;
  auto* d = static_cast<mp_limb_t*>(alloc64(room * sizeof(mp_limb_t)));
  // The copy may overlap its source from below: memmove reads ahead safely.
  if (n > 0) std::memmove(d, v->_mp_d, n * sizeof(mp_limb_t));
  v->_mp_d = d;
  v->_mp_alloc = int(room);
}

void sort_Adresses(INT** v, uint32_t n) {
  for (uint32_t gap = n / 2; gap > 0; gap /= 2)
    for (uint32_t i = gap; i < n; i++)
      for (uint32_t j = i; j >= gap && v[j - gap]->_mp_d > v[j]->_mp_d; j -= gap) {
        INT* t = v[j];
        v[j] = v[j - gap];
        v[j - gap] = t;
      }
}

namespace {

void slide_sorted(INT** v, uint32_t n) {
  sort_Adresses(v, n);
  for (uint32_t i = 0; i < n; i++) in_place_copy_INT(v[i]);
}

}  // namespace

void ZEL_C(glisser_INT1)(INT* v) { in_place_copy_INT(v); }

void ZEL_C(glisser_INT2)(INT* a, INT* b) {
  INT* v[2] = {a, b};
  slide_sorted(v, 2);
}

void ZEL_C(glisser_INT4)(INT* a, INT* b, INT* c, INT* d) {
  INT* v[4] = {a, b, c, d};
  slide_sorted(v, 4);
}

void glisser_INTs_add1(INT* extra, INT* array, uint32_t n) {
  require_int_context("glisser_INTs");
  std::vector<INT*> v;
  v.reserve(n + 1);
  for (uint32_t i = 0; i < n; i++) v.push_back(array + i);
  if (extra != nullptr) v.push_back(extra);
  slide_sorted(v.data(), uint32_t(v.size()));
}

void glisser_INTs(INT* array, uint32_t n) { glisser_INTs_add1(nullptr, array, n); }

void restore_and_slide(const HeapMark& m, INT* const* v, uint32_t n) {
  require_int_context("restore_and_slide");
#ifdef ZEL_MEMDEBUG
  // The restore frees the sources: keep their limbs aside first.
  std::vector<std::vector<mp_limb_t>> kept(n);
  for (uint32_t i = 0; i < n; i++) {
    const size_t k = size_t(v[i]->_mp_size < 0 ? -v[i]->_mp_size : v[i]->_mp_size);
    kept[i].assign(v[i]->_mp_d, v[i]->_mp_d + k);
  }
  restore_GC_state(m);
  for (uint32_t i = 0; i < n; i++) {
    const size_t room = kept[i].empty() ? 1 : kept[i].size();
    auto* d = static_cast<mp_limb_t*>(alloc64(room * sizeof(mp_limb_t)));
    std::copy(kept[i].begin(), kept[i].end(), d);
    v[i]->_mp_d = d;
    v[i]->_mp_alloc = int(room);
  }
#else
  restore_GC_state(m);
  std::vector<INT*> w(v, v + n);
  slide_sorted(w.data(), n);
#endif
}

void restore_and_slide_array(const HeapMark& m, INT* extra, INT* array, uint32_t n) {
  std::vector<INT*> v;
  v.reserve(n + 1);
  for (uint32_t i = 0; i < n; i++) v.push_back(array + i);
  if (extra != nullptr) v.push_back(extra);
  restore_and_slide(m, v.data(), uint32_t(v.size()));
}

}  // namespace zel::ZEL_BUILD
