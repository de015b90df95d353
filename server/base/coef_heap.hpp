// The integer build's coefficient heap: VGF cells are bump-allocated from
// blocks of 1,000,000 bytes and never freed one by one.  A computation saves
// a mark, works, restores the mark (dropping every cell made since) and then
// slides the few surviving cells down to the top with one of the compactors.
//
// Zone 1 serves every allocation; zone 2 only the zone-2 compaction.  Blocks
// come from the allocation hook and stay in the zone's table for reuse after
// a restore.  Single-threaded, process-wide.
#pragma once

#include <cstdint>
#include <cstdio>

#include "server/base/orv_variant.hpp"

namespace orv::ORV_BUILD {

struct VGF;

inline constexpr uint32_t kCoefBlockBytes = 1000000;
inline constexpr int32_t kCoefZoneCapacity = 10000;

// One zone of the heap.  swap_zone exchanges two of these wholesale.
struct CoefZone {
  char* top = nullptr;     // next free byte of the current block; null before the first block
  char* end = nullptr;     // end of the current block
  char** table = nullptr;  // block addresses, kCoefZoneCapacity entries
  int32_t next = 0;        // table entries in use; the next block to enter is table[next]
  int32_t held = 0;        // blocks the table holds (in use or free for reuse)
  int32_t capacity = kCoefZoneCapacity;
  int32_t id = 1;  // only printed
};

// A mark of zone 1, fields in the order the callers store them.
struct Garbage_State {
  uint32_t cur_garbages;
  uint32_t max_garbages;
  uint32_t lost_bignum;
  uint32_t limit_garbages;
  char* orv_bignum_tas;
  char** all_garbages;
  char* bot_bignum_tas;
};

extern CoefZone coef_zone1;
extern CoefZone coef_zone2;
extern uint32_t lost_bignum;        // bytes left unused at the ends of zone-1 blocks
extern uint32_t count_glisser_VGF;  // compactions done

// The zone fields under the names the diagnostics and callers use.
inline char*& orv_bignum_tas = coef_zone1.top;
inline char*& bot_bignum_tas = coef_zone1.end;
inline char**& all_garbages = coef_zone1.table;
inline int32_t& cur_garbages = coef_zone1.next;
inline int32_t& max_garbages = coef_zone1.held;
inline int32_t& limit_garbages = coef_zone1.capacity;
inline int32_t& orv_cur_id_garbage = coef_zone1.id;
inline char*& orv_bignum_tas2 = coef_zone2.top;
inline char*& bot_bignum_tas2 = coef_zone2.end;
inline char**& all_garbages2 = coef_zone2.table;
inline int32_t& cur_garbages2 = coef_zone2.next;
inline int32_t& max_garbages2 = coef_zone2.held;
inline int32_t& limit_garbages2 = coef_zone2.capacity;
inline int32_t& orv_cur_id_garbage2 = coef_zone2.id;

// Allocation -----------------------------------------------------------------
void init_Implement_VGF();  // makes the two block tables (once)
void* alloc_Implement_VGF(uint32_t n);
void* alloc_Implement_VGF_2(uint32_t n);
uint32_t* new_Implement_VGF();    // one cell of 4r bytes from zone 1
uint32_t* new_Implement_VGF_2();  // the same from zone 2
uint32_t internal_taille_bignum(uint32_t k);

// Marks ----------------------------------------------------------------------
void save_orv_state_VGF(Garbage_State& s);
void restore_orv_state_VGF(const Garbage_State& s);
void full_save_orv_state_VGF(Garbage_State& s);
void full_restore_orv_state_VGF(const Garbage_State& s);
inline void export_save_orv_state(Garbage_State& s) { save_orv_state_VGF(s); }
inline void export_restore_orv_state(const Garbage_State& s) { restore_orv_state_VGF(s); }
void swap_with_State(Garbage_State& s);
void restore_State(Garbage_State& s);
void tranfert_free_State(Garbage_State& s);
bool is_reset_state_VGF();
void swap_zone();
void reset_zone2();

// Prepared states over caller memory.
void creat_alloc_Implement_VGF(uint32_t k, uint32_t limit, uint32_t size, char** table,
                               Garbage_State& s, char* base);
void creat_alloc_Implement_VGF(uint32_t limit, uint32_t size, char** table, Garbage_State& s,
                               char* base);
void creat_alloc_Implement_VGF(uint32_t limit, uint32_t size, char** table, Garbage_State& s);

// Compaction: each repoints the handles it moves.  The cell contents are
// staged in a side buffer first, so the result does not depend on where the
// blocks lie relative to each other.
void compacteur_glissant(uint32_t n, VGF** h, bool verif);
void other_compacteur_glissant(uint32_t n, VGF** h);
void compacteur_glissant_dbl(uint32_t n, VGF** h);
void compacteur_glissant_zone2(uint32_t n, VGF** h);
void copy_fast_VGF(VGF& a);
void other_copy_fast_VGF(VGF& a);
void copy2_fast_VGF(VGF& a);
int comp_adr(VGF** a, VGF** b);
int strict_comp_adr(VGF** a, VGF** b);
inline uint32_t Nb_glisser_VGF() { return count_glisser_VGF; }

// Diagnostics (not used by the computations) ------------------------------------
void info_orv_state_VGF(const Garbage_State& s);
void info_orv_state_VGF();
void how_much_BigNum_VGF();
void info_GC_VGF();
void debug_Zone_VGF();
void force_tozero_heap();
void Orv_rechercher_pointer(const void* ptr);  // which zone block holds ptr

}  // namespace orv::ORV_BUILD
