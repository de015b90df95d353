// Compact row coding of F4 matrix rows.
//
// A matrix row keeps its column positions once, as a byte code of the gaps
// between consecutive columns, and its coefficients apart, one array per
// residue lane.  All lanes share the one code.
//
// Columns of one matrix run 1 .. ncols, column 1 being the largest monomial.
// A row's terms lie at strictly increasing columns; inside the row a term is
// named by its offset from the leading column (offset 0 = leading term).
//
// The gap code describes offsets c1 < c2 < ... (c0 = 0 is implicit) by their
// gaps g = c(i) - c(i-1).  Each code is one to six bytes:
//   0x01..0x7D              one gap of 1..125
//   0x82..0xFE              a run of k = byte & 0x7F unit gaps (k = 2..126)
//   0xFF hi lo  (hi<=0xFE)  one gap of 126..65279 = hi*256 + lo
//   0xFF 0xFF b3 b2 b1 b0   one gap of 65280 or more, big-endian
// A single unit gap is always 0x01.  The decoders also accept 0x80 (a run of
// length 0: the code is consumed, nothing is placed).  The number of codes,
// not of bytes, travels with the row; decoders stop after that many codes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// `kind` of a row held in the gap code; the elimination refuses any other.
inline constexpr uint32_t CODE_LZW = 3;

// One F4 matrix row.  Records, codes and coefficient arrays live in the
// current zone and go when the step's zone mark is restored.
struct CodedRow {
  uint8_t* code;        // gap code bytes (empty for a row of fewer than 2 terms)
  uint32_t header[2];   // two words copied from the row's header polynomial,
                        // read back when the row becomes a polynomial
  uint32_t lead;        // column of the leading term, 1 .. ncols
  uint32_t width;       // ncols - lead + 1: accumulator entries the row needs
  uint32_t serial;      // serial number of the header polynomial (tie-break)
  uint32_t to_reduce;   // 0 for a reducer, non-zero for a row to be reduced
  uint32_t ncodes;      // number of codes in `code`
  uint32_t kind;        // CODE_LZW
  // One coefficient array per lane, in term order; coefficient 0 is the
  // leading one.  A null lane means the row is zero (or skipped) there.
  Dom* coeffs[];
};

// Bytes of a CodedRow record carrying `lanes` coefficient pointers.
inline constexpr size_t coded_row_bytes(uint32_t lanes) {
  return offsetof(CodedRow, coeffs) + size_t(lanes) * sizeof(Dom*);
}

// Bytes that always suffice for the code of n offsets (six per gap at most).
inline constexpr size_t gap_code_room(uint32_t n) {
  return (size_t(n) + (n & 1u)) * 6u;
}

// Writes the gap code of the n strictly increasing offsets `cols` (cols[0] is
// the leading offset 0) into `out`, which must hold gap_code_room(n) bytes.
// Returns the number of bytes; *ncodes receives the number of codes.
uint32_t encode_gaps(uint8_t* out, const uint32_t* cols, uint32_t n,
                     uint32_t* ncodes);

// The same into a buffer of `capacity` bytes.  Returns false, with nothing
// written past the buffer, when the code would need `capacity` bytes or more.
bool encode_gaps_bounded(uint8_t* out, uint32_t capacity, const uint32_t* cols,
                         uint32_t n, uint32_t* ncodes, uint32_t* nbytes);

// Walks a gap code.  `one(pos)` is called for a single term at offset pos;
// `run(first, k)` for k consecutive terms at offsets first .. first+k-1.
// Terms arrive in order; the leading term (offset 0) is not reported.
// Returns the offset of the last term.  Kernels that read rows (elimination,
// conversion back to polynomials) build on this so every reader agrees.
template <class One, class Run>
inline uint32_t walk_gap_code(const uint8_t* code, uint32_t ncodes, One&& one,
                              Run&& run) {
  uint32_t pos = 0;
  for (uint32_t i = 0; i < ncodes; ++i) {
    const uint32_t b = *code++;
    if (b < 0x80) {
      pos += b;
      one(pos);
    } else if (b == 0xFF) {
      uint32_t g;
      if (code[0] != 0xFF) {
        g = (uint32_t(code[0]) << 8) | code[1];
        code += 2;
      } else {
        g = (uint32_t(code[1]) << 24) | (uint32_t(code[2]) << 16) |
            (uint32_t(code[3]) << 8) | code[4];
        code += 5;
      }
      pos += g;
      one(pos);
    } else {
      const uint32_t k = b & 0x7F;
      if (k) run(pos + 1, k);
      pos += k;
    }
  }
  return pos;
}

// Decodes the offsets of a row into `cols` (cols[0] = 0, then one per coded
// term).  `cols` must hold the row's term count.  Returns the term count.
uint32_t decode_gaps(const uint8_t* code, uint32_t ncodes, uint32_t* cols);

// Gap code of n offsets in the current zone: reserves gap_code_room(n) bytes,
// writes, and gives the unused tail back at once, so no other allocation of
// the zone may come between.  n < 2 gives an empty code and 0 counts.
uint8_t* compress_lzw(const uint32_t* cols, uint32_t n, uint32_t* ncodes,
                      uint32_t* nbytes);

}  // namespace zel::ZEL_BUILD
