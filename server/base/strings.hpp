// Small string utilities shared by the server code (namespace `orv`,
// strings.once.cpp).
#pragma once

#include <cstdint>
#include <string>

namespace orv {

// A fresh copy (from the allocation hook) of s up to, not including, its
// last c; null when s is null or holds no c.  Never freed.
char* is_a_path(const char* s, char c);
// src, with "." and ext appended when src holds no '.' and ext is not empty.
std::string ext_name(const char* src, const char* ext);
// src up to, not including, its first '.'.
std::string principale(const char* src);

// h = (h * 256 + b) mod 16777213 over the bytes b taken as signed 8-bit
// values, in unsigned 32-bit arithmetic.  A null string hashes as "?".
uint32_t Hash_String(const char* s);

}  // namespace orv
