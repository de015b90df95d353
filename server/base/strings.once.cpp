// Small string utilities; shared by both builds (compiled once).
#include "server/base/strings.hpp"

#include <cstring>

#include "server/base/big_memory.hpp"
#include "server/base/runtime.hpp"

namespace orv {

char* is_a_path(const char* s, char c) {
  if (!s) return nullptr;
  const char* last = std::strrchr(s, c);
  if (!last) return nullptr;
  size_t n = size_t(last - s);
  char* copy = static_cast<char*>(internal_Orv_malloc(uint32_t(n + 1)));
  if (!copy) Fatal("Cannot allocate %u bytes\n", unsigned(n + 1));
  std::memcpy(copy, s, n);
  copy[n] = 0;
  return copy;
}

std::string ext_name(const char* src, const char* ext) {
  std::string out = src ? src : "";
  if (out.find('.') == std::string::npos && ext && *ext) {
    out += '.';
    out += ext;
  }
  return out;
}

std::string principale(const char* src) {
  std::string out = src ? src : "";
  return out.substr(0, out.find('.'));
}

uint32_t Hash_String(const char* s) {
  uint32_t h = 0;
  if (!s) s = "?";  // a missing name hashes like the hidden name
  for (; *s; ++s) h = (h * 256u + uint32_t(int32_t(static_cast<signed char>(*s)))) % 16777213u;
  return h;
}

}  // namespace orv
