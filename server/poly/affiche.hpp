// The display front end: every result of a computation (a message, a list
// of polynomials, a list of lists) goes out through AFFICHE, in the form the
// server program's flags choose (Fortran, exchange or pretty), and, on
// request, in protocol form on the binary save file.
//
// Usage: AFFICHE() << "text"; AFFICHE() << list;
// Lists are those of the build's degree-ordered pairing (BigDexp over VGF in
// the integer build, DRLDRL over GFC in the prime-field build).
#pragma once

#include <cstdint>

#include "server/io/bus.hpp"
#include "server/poly/dmp_names.hpp"

namespace orv::ORV_BUILD {

// Flags of the front end (values at load in brackets).
extern int32_t want_output;         // results are displayed at all [1]
extern int32_t want_fortran;        // Fortran form on Fortran [1]
extern int32_t want_varne_output;   // exchange form on Varne, without want_fortran [0]
extern int32_t want_maple_input;    // with want_fortran: one polynomial per line in brackets [0]
extern int32_t want_head;           // leading terms only (the lists are cut in place) [0]
extern int32_t want_last_equation;  // the last polynomial of a list only [0]
extern int32_t want_to_save;        // also write each displayed list on the save file [0]
extern BUS* bin_save_file;          // the save file [none]

// Holds nothing: every operator reads the flags above.
struct AFFICHE {};

void operator<<(AFFICHE, const char* s);
void operator<<(AFFICHE, char c);
#ifdef ZEL_VARIANT_INT
void operator<<(AFFICHE, List_DMP__BigDexp__VGF l);
void operator<<(AFFICHE, List_List_DMP__BigDexp__VGF l);
#else
void operator<<(AFFICHE, List_DMP__DRLDRL__GFC l);
void operator<<(AFFICHE, List_List_DMP__DRLDRL__GFC l);
#endif

}  // namespace orv::ORV_BUILD
