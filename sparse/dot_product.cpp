#include "sparse/dot_product.hpp"

#include "sparse/modarith.hpp"

namespace zel::ZEL_BUILD {

Dom dot_product_dense(const Dom* row, const Dom* x, uint32_t n, uint32_t p) {
#ifdef ZEL_VARIANT_INT
  return dot_product_u32(row, x, n, p);
#else
  uint64_t acc = 0;
  for (uint32_t i = 0; i < n; ++i) acc += static_cast<uint32_t>(row[i]) * x[i];
  return static_cast<Dom>(acc % p);
#endif
}

Coord dot_product_dense_C(const Coord* row, const Coord* x, uint32_t n, uint32_t p) {
  if constexpr (kIntegerBuild) {
    unsigned __int128 acc = 0;
    for (uint32_t i = n; i-- > 0;) acc += static_cast<uint64_t>(row[i]) * x[i];
    return reduce(acc, p);
  } else {
    int64_t t = 0;
    for (uint32_t i = n; i-- > 0;) t += static_cast<int32_t>(row[i]) * x[i];
    return fold_symmetric(t, p);
  }
}

Dom dot_product(const Dom* a, const Dom* b, int32_t n) {
  return n <= 0 ? Dom(0) : dot_product_dense(a, b, static_cast<uint32_t>(n), current_prime());
}

}  // namespace zel::ZEL_BUILD
