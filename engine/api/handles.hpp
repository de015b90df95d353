// The polynomial handles and monomials the C interface has handed out since
// the last memory reset, one table of each per build.  They let the entries
// refuse a handle or monomial of an earlier session (its memory is gone), a
// monomial made for other variables, or a polynomial whose terms were set
// after its last sort, and give the
// session recording a number for every handle, in the order the replay
// program meets them.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct HandleState {
  uint32_t number;  // creation order in the session, from 0
  bool sorted;      // in the engine's form (sorted, homogenised)
};

// Enters p (creat_poly: not sorted yet; results: sorted).
void register_handle(const void* p, bool sorted);
// The state of p, or null when p is no live handle of this session.
HandleState* find_handle(const void* p);
// Handles handed out since the last reset.
uint32_t handle_count();
// Handles made by creat_poly since the last groebner request (what the
// replay program's `base` array holds), in order.
uint32_t first_input_since_request();
// Called by a compute entry once its inputs are read.
void start_new_request();
// The memory reset forgets them all, and the monomials too.
void forget_handles();

// The live handle p as a polynomial about to be read by `who`: fatal when p
// is null or no handle of this session, or (need_sorted) when its terms were
// set after its last sort.
void check_live_handle(const void* p, const char* who, bool need_sorted);

// Enters a monomial handed out by assign_expos (or set_expos), made for the
// variables declared now.
void register_monomial(const void* m);
// The monomial m as about to be stored by `who`: fatal when m is null, no
// monomial handed out in this session, or made for another number of
// variables (reset_expos since: its exponents sit where others are read).
void check_live_monomial(const void* m, const char* who);

}  // namespace zel::ZEL_BUILD
