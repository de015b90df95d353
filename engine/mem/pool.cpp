// Object pools.
#include "engine/mem/pool.hpp"

#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

Pool Crit_pool = {nullptr, 10000, 56, "Crit"};
// 16 bytes: the block of the default monomial layout (one exponent word)
// until set_Expos declares another.
Pool Expos_pool = {nullptr, 10000, 16, "Expos"};
Pool List_Expos_pool = {nullptr, 100000, 16, "List_Expos"};
uint64_t ct_obj_alloc = 0;

char* generate_unlinked(uint32_t n, uint32_t size, const char* name) {
  // 64-bit: a large batch of large records must not wrap to a small block.
  const uint64_t t = uint64_t(n) * size + 8;
  ct_obj_alloc += t;
  char* p;
  {
    InZone3 in_zone3;
    p = static_cast<char*>(alloc64(t));
  }
  if (p == nullptr) {
    Stderr("Number of total alloc: %u*2^32+%u\n", unsigned(ct_obj_alloc >> 32),
           unsigned(ct_obj_alloc));
    Fatal("Not enough memory %llu when allocation %s !\n", (unsigned long long)(t - 8), name);
  }
  return p;
}

void* generate(uint32_t n, uint32_t size, const char* name) {
  char* p = generate_unlinked(n, size, name);
  if (n == 0) return p;
  for (uint32_t i = 0; i + 1 < n; i++) {
    char* next = p + uint64_t(i + 1) * size;
    std::memcpy(p + uint64_t(i) * size, &next, sizeof next);
  }
  char* last = nullptr;
  std::memcpy(p + uint64_t(n - 1) * size, &last, sizeof last);
  return p;
}

void forget_pools() {
  pool_empty(Crit_pool);
  pool_empty(Expos_pool);
  pool_empty(List_Expos_pool);
}

}  // namespace zel::ZEL_BUILD
