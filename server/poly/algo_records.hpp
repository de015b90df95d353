// Records of the server algorithms that live in pools of their own: FGLM
// blocks and their lists (integer build), triangular-decomposition states
// (prime-field build), staircase elements and Hilbert-numerator terms (both).
// Their fields belong to the algorithms; the pools touch only the links and
// what the release and copy hooks below say.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "server/base/cell_lists.hpp"
#include "server/base/printers.hpp"
#include "server/poly/dmp_names.hpp"

namespace orv::ORV_BUILD {

// A staircase element: a word, the link, an exponent vector.
struct cogen {
  uint64_t word;
  cogen* next;
  uint64_t e[];
};

// A term of a Hilbert numerator; lists start with a head term whose fields
// are not used.
struct univarpoly {
  std::conditional_t<kIntegerBuild, uint16_t, uint8_t> degree;
  int64_t coef;
  univarpoly* next;
};
static_assert(sizeof(univarpoly) == 24);

#ifdef ZEL_VARIANT_INT
using StaircaseExp = ExpBigDexp;
#else
using StaircaseExp = ExpDRLDRL;
#endif

struct StaircasePolicy : PoolPolicyBase<cogen, StaircasePolicy> {
  static constexpr bool variable_size = true;
  static const char* name() { return "staircase"; }
  static uint32_t words() { return StaircaseExp::words(); }
  static uint32_t shown_size() { return 8 * StaircaseExp::words() + 16; }
};
ORV_DECLARE_POOL(ORV_POOL_PREFIXED, staircase, cogen, StaircasePolicy)
ORV_DECLARE_POOL_COPIES(ORV_POOL_PREFIXED, staircase, cogen)

struct HilbPolyPolicy : PoolPolicyBase<univarpoly, HilbPolyPolicy> {
  static const char* name() { return "Hilb_Poly"; }
};
ORV_DECLARE_POOL(ORV_POOL_PREFIXED, Hilb_Poly, univarpoly, HilbPolyPolicy)
ORV_DECLARE_POOL_COPIES(ORV_POOL_PREFIXED, Hilb_Poly, univarpoly)

// The Hilbert-numerator block allocator's own name (the staircase's is the
// stamped one).
inline void ORV_C(orv_hilb_poly)() { ORV_C(Pool_Hilb_Poly)::orv_(); }

#ifdef ZEL_VARIANT_INT

// An FGLM block: a one-term polynomial, a polynomial, an index, the link.
struct sBloc {
  sDMP__BigDexp__VGF* mono;
  sDMP__BigDexp__VGF* poly;
  int index;
  sBloc* next;
};

struct sList_Bloc {
  sBloc* bloc;
  sList_Bloc* next;
};

struct BlocPolicy : PoolPolicyBase<sBloc, BlocPolicy> {
  static const char* name() { return "Bloc"; }
  // The monomial's coefficient is never read; it is zeroed before the term
  // goes back to its pool.
  static void kill_hook(sBloc* b) {
    if (b->mono != nullptr) {
      b->mono->coef = cVGF(0);
      kill_DMP__BigDexp__VGF(b->mono);
    }
    kill_all_DMP__BigDexp__VGF(b->poly);
  }
  static void kill_all_hook(sBloc* b) { kill_hook(b); }
  static void copy_record(sBloc* dst, sBloc* src) {
    if (src->mono != nullptr) src->mono->coef = cVGF(0);
    *dst = *src;
    dst->mono = copy_DMP__BigDexp__VGF(src->mono);
    dst->poly = copy_DMP__BigDexp__VGF(src->poly);
  }
};
ORV_DECLARE_POOL(ORV_POOL_PLAIN, Bloc, sBloc, BlocPolicy)
ORV_DECLARE_POOL_COPIES(ORV_POOL_PLAIN, Bloc, sBloc)

struct ListBlocPolicy : PoolPolicyBase<sList_Bloc, ListBlocPolicy> {
  static const char* name() { return "List_Bloc"; }
  static void kill_all_hook(sList_Bloc* c) { kill_all_Bloc(c->bloc); }
};
ORV_DECLARE_POOL(ORV_POOL_PLAIN, List_Bloc, sList_Bloc, ListBlocPolicy)

// Lists of block lists, as the lists of polynomials.
using BlocLists = CellList<Pool_List_Bloc, sList_Bloc, sBloc*, &sList_Bloc::bloc>;
inline sList_Bloc* cons_List_Bloc(sBloc* b, sList_Bloc* l) { return BlocLists::cons(b, l); }
inline sList_Bloc* concat_List_Bloc(sList_Bloc* a, sList_Bloc* b) {
  return BlocLists::concat(a, b);
}
inline sList_Bloc* reverse_List_Bloc(sList_Bloc* l) { return BlocLists::reverse(l); }
inline sBloc* elt_List_Bloc(sList_Bloc* l, int i) { return BlocLists::elt(l, i); }
inline sList_Bloc* delete_List_Bloc(sBloc* b, sList_Bloc* l) { return BlocLists::remove(b, l); }
inline sList_Bloc* copy_all_List_Bloc(sList_Bloc* l) { return BlocLists::copy_all(l, copy_Bloc); }
inline sList_Bloc* copy_List_Bloc(sList_Bloc* l) { return copy_all_List_Bloc(l); }
inline void init_List_Bloc() { init_Objet_List_Bloc(); }

// A single block prints nothing; the list printers write only the brackets
// and separators around them.
inline Basic_Print& operator<<(Basic_Print& out, sBloc*) { return out; }
inline Fortran_Print& operator<<(Fortran_Print& out, sBloc*) { return out; }
inline Lisp_Print& operator<<(Lisp_Print& out, sBloc*) { return out; }
inline Varne_Print& operator<<(Varne_Print& out, sBloc*) { return out; }
Varne_Print& operator<<(Varne_Print& out, sList_Bloc* l);      // "{a , b}"
Fortran_Print& operator<<(Fortran_Print& out, sList_Bloc* l);  // "[a,b]"
Basic_Print& operator<<(Basic_Print& out, sList_Bloc* l);      // "[a,b]"
Lisp_Print& operator<<(Lisp_Print& out, sList_Bloc* l);        // "(a b)", "NIL" when empty

// Blocks have no hash: a non-empty list is fatal.
uint32_t Hash_List_Bloc(sList_Bloc* l, uint32_t h);

#else

// A state of the triangular decomposition.
struct sState {
  int level;
  sList_DMP__DRLDRL__GFC* pending;
  sList_DMP__DRLDRL__GFC* triangular;
  sState* next;

  sState(int lv, sList_DMP__DRLDRL__GFC* pend, sList_DMP__DRLDRL__GFC* tri, sState* nx)
      : level(lv), pending(pend), triangular(tri), next(nx) {}
  // States come from their pool; the size is that of the record.
  static void* operator new(size_t);
  static void operator delete(void*) {}
};

struct StatePolicy : PoolPolicyBase<sState, StatePolicy> {
  static const char* name() { return "State"; }
  static void copy_record(sState* dst, const sState* src) {
    std::memcpy(static_cast<void*>(dst), static_cast<const void*>(src), sizeof(sState));
  }
};
ORV_DECLARE_POOL(ORV_POOL_PLAIN, State, sState, StatePolicy)
ORV_DECLARE_POOL_COPIES(ORV_POOL_PLAIN, State, sState)

inline void* sState::operator new(size_t) { return new_State(); }

#endif

}  // namespace orv::ORV_BUILD
