// The driver behind the compute modes that do more than one basis: a basis
// for the degree order (optionally a second one on another block), then one
// follow-up (normal forms, the multiplication matrix solved by the sparse
// FGLM, or a copy), optionally the radical strategy (the square-free minimal
// polynomial joins the basis, which is computed again) and, unless only the
// minimal polynomial is wanted, the rational parametrisation.
#pragma once

#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Polynomial handles whose new entries are left unwritten: the rooms sized
// for the largest requests (100,000 handles) then touch only the pages the
// polynomials fill, not 800 KB at every call.
struct RoomAllocator : std::allocator<Dpol*> {
  template <class U> struct rebind { using other = RoomAllocator; };
  void construct(Dpol** p) noexcept { ::new (static_cast<void*>(p)) Dpol*; }
  template <class... A> void construct(Dpol** p, A&&... a) {
    ::new (static_cast<void*>(p)) Dpol*(std::forward<A>(a)...);
  }
};
using PolyRoom = std::vector<Dpol*, RoomAllocator>;

// first[0 .. m-m2-1]: the system; its last m2 entries are added for the
// second basis (block bk2, elimination elim2).  second[0 .. m_second-1]:
// the polynomials to reduce (normal-form modes) or the localisers divided
// out of the minimal polynomial (radical strategy).  The CPU seconds of the
// first basis are added to *cpu.  Returns the number of polynomials written
// into result.  The modes' flags (want_buildmatrix, want_add_equations, ...)
// are read from compute_entry.hpp.
// first_basis (when given): receives the first basis computed for the
// system, as it stands when the follow-ups start (they only read it); left
// empty when the basis is not computed (compute_basis 0).  Its polynomials
// live with the command's work, until the caller's zones are restored.
// The eliminations' multiply-adds (elimination_products) of the first basis
// that the last call computed; 0 when it computed none.
extern uint64_t first_basis_products;
uint32_t gbasis_universal_cmd(Dpol** first, uint32_t m, Dpol** result, Dpol** second,
                              uint32_t m_second, double* cpu, uint32_t sqfr, int32_t minpoly,
                              int32_t compute_basis, uint32_t bk, uint32_t elim, uint32_t m2,
                              uint32_t bk2, uint32_t elim2, PolyRoom* first_basis = nullptr);

// The arguments of one compute mode (2 .. 12) for the universal command,
// with X[0 .. n-1] the converted inputs and nb_second the record's _nb;
// sets the mode's flags.  Modes the library does not run are fatal.
// basis_given (change-of-order modes 2-5, 8, 9, 12): the system part of X is
// already the mode's degree-order basis, monic, and is not computed again.
// first_basis: as for gbasis_universal_cmd.
uint32_t run_solving_mode(int32_t mode, Dpol** X, uint32_t n, uint32_t nb_second, Dpol** result,
                          double* cpu, uint32_t bk0, int32_t force_elim, uint32_t nb2, uint32_t bk2,
                          int32_t force_elim2, bool basis_given = false,
                          PolyRoom* first_basis = nullptr);

}  // namespace zel::ZEL_BUILD
