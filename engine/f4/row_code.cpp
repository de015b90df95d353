// Gap code of matrix rows: encoders and the column-list decoder.
#include "engine/f4/row_code.hpp"

#include "engine/api/entry_guard.hpp"
#include "engine/call_zel.h"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Longest run of unit gaps one code can carry.
constexpr uint32_t kMaxRun = 126;

// Byte length of the code for one gap g > 1.
inline uint32_t gap_bytes(uint32_t g) { return g <= 125 ? 1 : g <= 65279 ? 3 : 6; }

inline uint8_t* put_gap(uint8_t* o, uint32_t g) {
  if (g <= 125) {
    *o++ = uint8_t(g);
  } else if (g <= 65279) {
    o[0] = 0xFF;
    o[1] = uint8_t(g >> 8);
    o[2] = uint8_t(g);
    o += 3;
  } else {
    o[0] = 0xFF;
    o[1] = 0xFF;
    o[2] = uint8_t(g >> 24);
    o[3] = uint8_t(g >> 16);
    o[4] = uint8_t(g >> 8);
    o[5] = uint8_t(g);
    o += 6;
  }
  return o;
}

// Length of the run of unit gaps starting with the gap into cols[i]
// (cols[i] = cols[i-1] + 1 is known), capped at kMaxRun.
inline uint32_t unit_run(const uint32_t* cols, uint32_t n, uint32_t i) {
  uint32_t k = 1;
  while (k < kMaxRun && i + k < n && cols[i + k] == cols[i + k - 1] + 1) ++k;
  return k;
}

}  // namespace

uint32_t encode_gaps(uint8_t* out, const uint32_t* cols, uint32_t n,
                     uint32_t* ncodes) {
  uint8_t* o = out;
  uint32_t codes = 0;
  uint32_t i = 1;
  while (i < n) {
    const uint32_t g = cols[i] - cols[i - 1];
    if (g == 1) {
      const uint32_t k = unit_run(cols, n, i);
      *o++ = k == 1 ? 0x01 : uint8_t(0x80 | k);
      i += k;
    } else {
      o = put_gap(o, g);
      ++i;
    }
    ++codes;
  }
  *ncodes = codes;
  return uint32_t(o - out);
}

bool encode_gaps_bounded(uint8_t* out, uint32_t capacity, const uint32_t* cols,
                         uint32_t n, uint32_t* ncodes, uint32_t* nbytes) {
  uint32_t used = 0;
  uint32_t codes = 0;
  uint32_t i = 1;
  while (i < n) {
    const uint32_t g = cols[i] - cols[i - 1];
    uint32_t k = 1;
    const uint32_t len = g == 1 ? 1 : gap_bytes(g);
    // The code must end strictly inside the buffer.
    if (uint64_t(used) + len >= capacity) return false;
    if (g == 1) {
      k = unit_run(cols, n, i);
      out[used] = k == 1 ? 0x01 : uint8_t(0x80 | k);
    } else {
      put_gap(out + used, g);
    }
    used += len;
    i += k;
    ++codes;
  }
  if (used >= capacity) return false;  // also an empty code in no room at all
  *ncodes = codes;
  *nbytes = used;
  return true;
}

uint32_t decode_gaps(const uint8_t* code, uint32_t ncodes, uint32_t* cols) {
  uint32_t t = 0;
  cols[t++] = 0;
  walk_gap_code(
      code, ncodes, [&](uint32_t pos) { cols[t++] = pos; },
      [&](uint32_t first, uint32_t k) {
        for (uint32_t j = 0; j < k; ++j) cols[t++] = first + j;
      });
  return t;
}

uint8_t* compress_lzw(const uint32_t* cols, uint32_t n, uint32_t* ncodes,
                      uint32_t* nbytes) {
  const uint64_t room = gap_code_room(n);
  uint8_t* code = static_cast<uint8_t*>(alloc(room));
  const uint32_t used = n < 2 ? (*ncodes = 0, 0u) : encode_gaps(code, cols, n, ncodes);
  realloca(code, used, room);
  *nbytes = used;
  return code;
}

}  // namespace zel::ZEL_BUILD

ZEL_EXPORT void ZEL_C(compactify)(unsigned char* buf, UI32 capacity, const UI32* cols,
                                  UI32 n, UI32* ncodes, UI32* nbytes) try {
  ZEL_ENTRY_CLAIM;
  using namespace zel::ZEL_BUILD;
  uint32_t nc, nb;
  if (!encode_gaps_bounded(buf, capacity, cols, n, &nc, &nb)) Fatal("bug dans Zel(compact)\n");
  *ncodes = nc;
  *nbytes = nb;
} ZEL_ENTRY_CATCH("compactify")
