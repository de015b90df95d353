// The integer build's product over a dense-row list: the same copy rows,
// then the contiguous rows in list order.  No caller in the library.
#include <cstring>

#include "engine/mem/zone.hpp"
#include "sparse/matvec.hpp"

namespace zel::ZEL_BUILD {

void apply2v(Dom* y, const Dom* x, int32_t D, const int32_t* list, int32_t k) {
  std::memset(y, 0, sizeof(Dom) * align_vector_size(static_cast<uint32_t>(D)));
  for (const int32_t* s = w_sparse; s[0] >= 0; s += 2) y[s[0]] = x[s[1]];
  dense_matrix_I32_align_vect(y, x, D, list, k);
}

}  // namespace zel::ZEL_BUILD
