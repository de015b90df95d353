// Gap code of matrix rows: byte format, round trips, bounded encoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/call_zel.h"
#include "engine/f4/row_code.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/mem/zone.hpp"
#include "support/engine_memory.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;

namespace {

std::vector<uint8_t> encode(const std::vector<uint32_t>& cols, uint32_t* ncodes) {
  std::vector<uint8_t> buf(gap_code_room(uint32_t(cols.size())) + 1);
  const uint32_t nb = encode_gaps(buf.data(), cols.data(), uint32_t(cols.size()), ncodes);
  buf.resize(nb);
  return buf;
}

std::vector<uint32_t> decode(const std::vector<uint8_t>& code, uint32_t ncodes,
                             size_t room) {
  std::vector<uint32_t> cols(room + 1);
  cols.resize(decode_gaps(code.data(), ncodes, cols.data()));
  return cols;
}

std::vector<uint32_t> offsets_of_gaps(const std::vector<uint32_t>& gaps) {
  std::vector<uint32_t> cols{0};
  for (uint32_t g : gaps) cols.push_back(cols.back() + g);
  return cols;
}

std::vector<uint32_t> unit_run(uint32_t k) { return std::vector<uint32_t>(k, 1); }

}  // namespace

TEST(GapCode, ByteExamples) {
  uint32_t nc = 99;
  EXPECT_EQ(encode({0, 1, 2, 3, 10, 11, 300}, &nc),
            (std::vector<uint8_t>{0x83, 0x07, 0x01, 0xFF, 0x01, 0x21}));
  EXPECT_EQ(nc, 4u);

  using B = std::vector<uint8_t>;
  EXPECT_EQ(encode(offsets_of_gaps({125}), &nc), (B{0x7D}));
  EXPECT_EQ(encode(offsets_of_gaps({126}), &nc), (B{0xFF, 0x00, 0x7E}));
  EXPECT_EQ(encode(offsets_of_gaps({65279}), &nc), (B{0xFF, 0xFE, 0xFF}));
  EXPECT_EQ(encode(offsets_of_gaps({65280}), &nc), (B{0xFF, 0xFF, 0x00, 0x00, 0xFF, 0x00}));
  EXPECT_EQ(nc, 1u);
  EXPECT_EQ(encode(offsets_of_gaps({0xFFFFFFF0u}), &nc),
            (B{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0}));

  EXPECT_EQ(encode(offsets_of_gaps(unit_run(126)), &nc), (B{0xFE}));
  EXPECT_EQ(nc, 1u);
  EXPECT_EQ(encode(offsets_of_gaps(unit_run(127)), &nc), (B{0xFE, 0x01}));
  EXPECT_EQ(nc, 2u);
  EXPECT_EQ(encode(offsets_of_gaps(unit_run(130)), &nc), (B{0xFE, 0x84}));
  EXPECT_EQ(encode(offsets_of_gaps({1, 2}), &nc), (B{0x01, 0x02}));
  EXPECT_EQ(encode(offsets_of_gaps({1, 1}), &nc), (B{0x82}));

  // A row of one term has an empty code.
  EXPECT_TRUE(encode({0}, &nc).empty());
  EXPECT_EQ(nc, 0u);
}

TEST(GapCode, DecoderReadsEveryForm) {
  // 0x80 is an empty run: one code consumed, nothing placed.
  const std::vector<uint8_t> code{0x80, 0x03, 0x82, 0xFF, 0x01, 0x00,
                                  0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00};
  EXPECT_EQ(decode(code, 5, 8), (std::vector<uint32_t>{0, 3, 4, 5, 261, 261 + 65536}));
  // The decoder stops after ncodes codes whatever bytes follow.
  EXPECT_EQ(decode(code, 2, 8), (std::vector<uint32_t>{0, 3}));
  EXPECT_EQ(decode({}, 0, 1), (std::vector<uint32_t>{0}));
}

TEST(GapCode, RandomOffsetListsRoundTrip) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(1);
  for (long it = 0; it < zel_test::iterations(3000); ++it) {
    const uint32_t n = 1 + uint32_t(rng() % 600);
    std::vector<uint32_t> cols{0};
    // Mix of the gap classes: mostly unit gaps and small ones, some long.
    while (cols.size() < n) {
      const uint32_t kind = uint32_t(rng() % 16);
      uint32_t g;
      if (kind < 8) g = 1;
      else if (kind < 12) g = 2 + uint32_t(rng() % 124);
      else if (kind < 14) g = 124 + uint32_t(rng() % 8);
      else if (kind < 15) g = 65270 + uint32_t(rng() % 20);
      else g = 1 + uint32_t(rng() % 3000000);
      cols.push_back(cols.back() + g);
    }
    uint32_t nc;
    const auto code = encode(cols, &nc);
    ASSERT_LE(code.size(), gap_code_room(n));
    ASSERT_EQ(decode(code, nc, n), cols);
    // The bounded encoder gives the same bytes when there is room.
    std::vector<uint8_t> buf(code.size() + 1);
    uint32_t nc2, nb2;
    ASSERT_TRUE(encode_gaps_bounded(buf.data(), uint32_t(buf.size()), cols.data(), n, &nc2, &nb2));
    ASSERT_EQ(nc2, nc);
    ASSERT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + nb2), code);
    // One byte less, and no byte is written past the buffer.
    std::vector<uint8_t> tight(code.size() + 8, 0xAA);
    ASSERT_FALSE(encode_gaps_bounded(tight.data(), uint32_t(code.size()), cols.data(), n, &nc2, &nb2));
    for (size_t b = code.size(); b < tight.size(); ++b) ASSERT_EQ(tight[b], 0xAA);
  }
}

TEST(GapCode, CompactifyNeedsOneByteMoreThanTheCode) {
  zel_test::TestHost host{0};
  zel_test::fresh_engine_memory();
  const std::vector<uint32_t> cols{0, 1, 2, 3, 10, 11, 300};  // six bytes of code
  std::vector<unsigned char> buf(16, 0xAA);
  UI32 nc = 0, nb = 0;
  EXPECT_RAISES(ZEL_C(compactify)(buf.data(), 6, cols.data(), 7, &nc, &nb),
                "bug dans Zel(compact)\n");
  for (size_t i = 6; i < buf.size(); ++i) EXPECT_EQ(buf[i], 0xAA);
  ZEL_C(compactify)(buf.data(), 7, cols.data(), 7, &nc, &nb);
  EXPECT_EQ(nc, 4u);
  EXPECT_EQ(nb, 6u);
  EXPECT_EQ(std::vector<unsigned char>(buf.begin(), buf.begin() + 6),
            (std::vector<unsigned char>{0x83, 0x07, 0x01, 0xFF, 0x01, 0x21}));
  // A row of one term: no code, unless there is no room at all.
  ZEL_C(compactify)(buf.data(), 1, cols.data(), 1, &nc, &nb);
  EXPECT_EQ(nc, 0u);
  EXPECT_EQ(nb, 0u);
  EXPECT_RAISES(ZEL_C(compactify)(buf.data(), 0, cols.data(), 1, &nc, &nb),
                "bug dans Zel(compact)\n");
  zel::reset_engine_memory();
}

TEST(GapCode, CompressInTheZoneKeepsOnlyTheCode) {
  SKIP_IN_MEMDEBUG();
  SEED_TRACE();
  zel_test::TestHost host{0};
  zel_test::fresh_engine_memory();
  auto rng = zel_test::make_rng(8);
  for (int it = 0; it < 200; ++it) {
    const uint32_t n = uint32_t(rng() % 400);
    std::vector<uint32_t> cols;
    for (uint32_t i = 0, c = 0; i < n; ++i, c += 1 + uint32_t(rng() % (rng() % 2 ? 2 : 70000)))
      cols.push_back(c);
    uint32_t nc = 99, nb = 99;
    uint8_t* code = compress_lzw(cols.data(), n, &nc, &nb);
    uint32_t nc2 = 0;
    std::vector<uint8_t> ref(gap_code_room(n) + 1);
    const uint32_t nb2 = n < 2 ? 0 : encode_gaps(ref.data(), cols.data(), n, &nc2);
    ASSERT_EQ(nb, nb2);
    ASSERT_EQ(nc, nc2);
    ASSERT_TRUE(std::equal(code, code + nb, ref.begin()));
    // The reservation was trimmed: the next allocation follows the code.
    uint8_t* next = static_cast<uint8_t*>(alloc_internal(1));
    ASSERT_GE(next, code + nb);
    ASSERT_LT(next, code + nb + 48);  // alloc64 pads its requests
  }
  zel::reset_engine_memory();
}
