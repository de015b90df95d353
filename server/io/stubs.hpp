// Services of the text reader and of the storage reports that the library
// does not carry; they keep their names so that callers need not know.
// One copy serves both builds (namespace `orv`, stubs.once.cpp).
#pragma once

#include <cstdint>
#include <cstdio>

namespace orv {

// The text reader's flag that its input comes from a string.
extern int32_t Orv_int_read_from_string;

// Switches the text reader to a new input stream; there is no text reader
// in the library, so nothing happens.
void Orv_int_switch_buffer(FILE* stream, int interactive, int from_string);
// Storage report of the bignum integers: prints nothing, returns 0.
long Orv_int_how_much_BigNum_I();
// Storage report of the collector: prints nothing.
void Orv_int_how_much_GC();

}  // namespace orv
