// Univariate polynomials modulo the current prime p (read through `modulo`).
//
// A polynomial is a caller-owned array of residues in [0, p), entry i the
// coefficient of X^i, with a signed degree, -1 for zero.  Entries above the
// degree are not part of the value.  Operations that change a polynomial in
// place take its degree by pointer.  Scratch rows come from the heap and are
// released on return; nothing outlives a call.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

// X*P in place (P holds d+2 entries); the new degree.
ZEL_EXPORT int32_t ZEL_C(shift_X)(zel::ZEL_BUILD::Dom* P, int32_t d);
// P := P + c*Q in place (P holds max(dP, dQ)+1 entries); the new degree.
ZEL_EXPORT int32_t ZEL_C(combi_lin)(zel::ZEL_BUILD::Dom* P, int32_t dP, uint32_t c,
                                    const zel::ZEL_BUILD::Dom* Q, int32_t dQ);

namespace zel::ZEL_BUILD {

// Highest index i <= top with P[i] != 0, or -1.
int32_t true_degree(const Dom* P, int32_t top);

// P := P + c*X^s*Q in place; P holds max(*dP, s+dQ)+1 entries.  *dP becomes
// the degree of the result, cancellations included.
void addmul_poly(Dom* P, const Dom* Q, int32_t s, Dom c, int32_t* dP, int32_t dQ);

// R := A*B mod X^n, entries 0..n-1 written (at least entry 0); *dR its degree.
void mul_tronquer(Dom* R, int32_t* dR, const Dom* A, int32_t dA, const Dom* B, int32_t dB,
                  int32_t n);

// Q := P' (Q holds max(d, 1) entries); returns its degree.  The factor i is
// taken modulo p whatever the degree.
int32_t derivative(const Dom* P, int32_t d, Dom* Q);

// Exchanges P[i] and P[n-i]; returns the degree of the result (-1 for n < 0).
int32_t reverse(Dom* P, int32_t n);

// One extended-Euclid step: (A, B, U, V) := (B, A mod B, V, U - (A div B)*V).
// Capacities: A >= dB+1, U >= dV+1, V >= max(dU, dV+dA-dB)+1.  A zero B is
// reported and changes nothing.
void quo2(Dom* A, int32_t* dA, Dom* B, int32_t* dB, Dom* U, int32_t* dU, Dom* V, int32_t* dV);

// Extended Euclid on (A, B) until the remainder has degree <= k: A := that
// remainder R, B := its cofactor V, with R = V*B_in mod A_in.  A and B hold
// max(dA, dB)+1 entries.
void egcd(Dom* A, int32_t* dA, Dom* B, int32_t* dB, int32_t k);

// Extended Euclid to the end: A := gcd(A, B) (not monic), B := the cofactor
// that made the remainder vanish (a constant multiple of A / gcd).  A zero B
// leaves A and sets B := 1.
void gcd(Dom* A, int32_t* dA, Dom* B, int32_t* dB);

// R := A mod B (R holds max(dB, 1) entries); returns deg R.  B's leading
// coefficient must be invertible (the callers pass monic divisors).
int32_t rem(const Dom* A, int32_t dA, const Dom* B, int32_t dB, Dom* R);

// A := A mod B in place; returns the new degree.
int32_t rem_d(Dom* A, int32_t dA, const Dom* B, int32_t dB);

}  // namespace zel::ZEL_BUILD
