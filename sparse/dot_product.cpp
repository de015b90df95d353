#include "sparse/dot_product.hpp"

#include <algorithm>

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

void dot_products_of_vectors(const Dom* rows, uint32_t count, uint32_t n,
                             const std::vector<const Dom*>& x, uint32_t p,
                             const std::vector<Dom*>& out) {
  // Blocks of about 256 KB, a multiple of the four rows the kernels take.
  const uint32_t block = std::max<uint32_t>(4, (uint32_t(1) << 16) / std::max<uint32_t>(n, 1) / 4 * 4);
  for (uint32_t r0 = 0; r0 < count; r0 += block) {
    const uint32_t rows_here = std::min(block, count - r0);
    const Dom* first = rows + size_t(r0) * n;
    for (size_t v = 0; v < x.size(); ++v) {
#ifdef ZEL_VARIANT_INT
      dot_products_u32(first, ptrdiff_t(n), rows_here, x[v], n, p, out[v] + r0);
#else
      for (uint32_t r = 0; r < rows_here; ++r)
        out[v][r0 + r] = dot_product_dense(first + size_t(r) * n, x[v], n, p);
#endif
    }
  }
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
