// The server side's change of ordering: from a reduced basis for the degree
// order (a list of server polynomials, as Orv_receive_* builds it) to the
// lexicographic shape basis, through the matrix of multiplication by the
// last variable and the sparse FGLM (the engine's change_order_by_matrix,
// so both sides solve the same matrix the same way).
#pragma once

#include <cstdint>

#include "server/algo/transfer.hpp"

// Consumes list.  Returns the lexicographic polynomials, x_j + R_j(x_last)
// for the variables that have one, then the minimal polynomial of the last
// variable (minpoly = 1: that alone; sqfr: its square-free part), and
// stores their number in *size: 0 for an empty basis.  estimate: the sparse
// FGLM's degree estimate (-1: none).  dump = 1: writes the matrix to a
// fresh "/tmp/fmat<k>" instead and ends the computation (status 5, or the
// engine's fatal error while it runs a server service).  Every failure is
// fatal; *size is never negative.
#ifdef ZEL_VARIANT_INT
ORV_EXPORT orv::int_build::ServerLexList* Orv_fast_changer_order_VGF(
    orv::int_build::ServerBasisList* list, int32_t* size, int32_t sqfr, int32_t minpoly,
    int32_t estimate, int32_t dump);
#else
ORV_EXPORT orv::fp_build::ServerLexList* Orv_fast_changer_order_GFC(
    orv::fp_build::ServerBasisList* list, int32_t* size, int32_t sqfr, int32_t minpoly,
    int32_t estimate, int32_t dump);
#endif
