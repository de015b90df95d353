#include "engine/api/handles.hpp"

#include <unordered_map>

#include "engine/mem/messages.hpp"
#include "engine/mono/expos_layout.hpp"

namespace zel::ZEL_BUILD {

namespace {

std::unordered_map<const void*, HandleState> live;
uint32_t next_number = 0;
uint32_t request_start = 0;
// Each with the number of variables it was made for.
std::unordered_map<const void*, uint32_t> live_monomials;

}  // namespace

void register_handle(const void* p, bool sorted) {
  // The zones hand out the same addresses again after a reset, so a stale
  // entry can only be replaced by a live one.
  live[p] = HandleState{next_number++, sorted};
}

HandleState* find_handle(const void* p) {
  auto it = live.find(p);
  return it == live.end() ? nullptr : &it->second;
}

uint32_t handle_count() { return next_number; }
uint32_t first_input_since_request() { return request_start; }
void start_new_request() { request_start = next_number; }

void forget_handles() {
  // Give the table's memory back too: a reset leaves nothing behind.
  std::unordered_map<const void*, HandleState>().swap(live);
  std::unordered_map<const void*, uint32_t>().swap(live_monomials);
  next_number = 0;
  request_start = 0;
}

void check_live_handle(const void* p, const char* who, bool need_sorted) {
  if (p == nullptr) Fatal("Zel interface error: null polynomial given to %s\n", who);
  const HandleState* h = find_handle(p);
  if (h == nullptr)
    Fatal("Zel interface error: %s was given a polynomial that is not a handle of this session "
          "(made before the last reset_memory?)\n", who);
  if (need_sorted && !h->sorted)
    Fatal("Zel interface error: %s was given polynomial %u whose terms were set after its last "
          "sort: call full_sort_poly2 first\n", who, h->number);
}

void register_monomial(const void* m) { live_monomials[m] = real_nb_of_affine_variables; }

void check_live_monomial(const void* m, const char* who) {
  if (m == nullptr) Fatal("Zel interface error: null monomial given to %s\n", who);
  // A monomial of an earlier session lies in memory given back (or handed
  // out again), so it would be read as whatever is there now.
  const auto it = live_monomials.find(m);
  if (it == live_monomials.end())
    Fatal("Zel interface error: %s was given a monomial that is not one of this session "
          "(assign_expos or set_expos; made before the last reset_memory?)\n", who);
  if (it->second != real_nb_of_affine_variables)
    Fatal("Zel interface error: %s was given a monomial made for %u variables, but the session "
          "has %u since reset_expos\n", who, it->second, real_nb_of_affine_variables);
}

}  // namespace zel::ZEL_BUILD
