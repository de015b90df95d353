#include "engine/f4/reducer_search.hpp"

#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"

namespace zel::ZEL_BUILD {

void build_reducer_index(ReducerIndex& idx, Dpol* const* reducers, uint32_t n) {
  idx.n = n;
  idx.lead = static_cast<const ExposW**>(zmalloc(uint64_t(n ? n : 1) * sizeof(ExposW*)));
  idx.mask = static_cast<uint64_t*>(zmalloc(uint64_t(n ? n : 1) * sizeof(uint64_t)));
  if (!idx.lead || !idx.mask) Fatal("Cannot allocate memory !");
  for (uint32_t i = 0; i < n; ++i) {
    idx.lead[i] = words_of(reducers[i]->mono[0]);
    idx.mask[i] = divmask(idx.lead[i]);
  }
}

void release_reducer_index(ReducerIndex& idx) {
  zfree(idx.lead);
  zfree(idx.mask);
  idx = ReducerIndex{};
}

}  // namespace zel::ZEL_BUILD
