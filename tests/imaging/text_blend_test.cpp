// The text blend table against an independent computation: IEEE double rounding emulated with
// integers (round to nearest, ties to even, 53-bit significands).
#include <gtest/gtest.h>

#include <cstdint>

#include "imaging/smooth_text.h"

namespace {

// A positive double as significand * 2^exponent with a 53-bit significand.
using u128 = unsigned __int128;

struct Binary {
  unsigned __int128 significand;
  int exponent;
};

Binary roundTo53(unsigned __int128 value, int exponent) {
  int bits = 0;
  for (unsigned __int128 v = value; v; v >>= 1) ++bits;
  if (bits <= 53) return {value, exponent};
  const int drop = bits - 53;
  const unsigned __int128 half = u128(1) << (drop - 1);
  const unsigned __int128 rest = value & ((u128(1) << drop) - 1);
  unsigned __int128 kept = value >> drop;
  if (rest > half || (rest == half && (kept & 1))) ++kept;
  return {kept, exponent + drop};
}

unsigned emulatedEntry(unsigned weight, unsigned value) {
  // 1/255 = 2^60/255 * 2^-60; 255 is odd, so the division never ties.
  const unsigned __int128 two60 = u128(1) << 60;
  unsigned __int128 q = two60 / 255, r = two60 % 255;
  if (2 * r > 255) ++q;
  Binary unit = roundTo53(q, -60);
  Binary scaled = roundTo53(unit.significand * weight, unit.exponent);
  Binary product = roundTo53(scaled.significand * value, scaled.exponent);
  if (product.exponent >= 0) return unsigned(product.significand << product.exponent);
  return unsigned(product.significand >> -product.exponent);  // truncation of a positive value
}

TEST(TextBlendTable, DocumentedEntriesAndAsymmetry) {
  EXPECT_EQ(textBlendEntry(45, 17), 2);
  EXPECT_EQ(textBlendEntry(33, 255), 32);
  EXPECT_EQ(textBlendEntry(17, 45), 3);
  EXPECT_EQ(textBlendEntry(0, 255), 0);
  EXPECT_EQ(textBlendEntry(255, 0), 0);
}

TEST(TextBlendTable, WholeTableMatchesEmulatedDoubleArithmetic) {
  const uint8_t* table = textBlendTable();
  int belowExact = 0;
  for (unsigned w = 0; w < 256; ++w) {
    for (unsigned v = 0; v < 256; ++v) {
      const unsigned expected = emulatedEntry(w, v);
      ASSERT_EQ(table[w * 256 + v], expected) << "w=" << w << " v=" << v;
      const unsigned exact = v * w / 255;
      ASSERT_TRUE(expected == exact || expected + 1 == exact) << "w=" << w << " v=" << v;
      belowExact += expected != exact;
    }
  }
  // The order of rounding matters for some entries: the table is not v * w / 255.
  EXPECT_GT(belowExact, 0);
}

}  // namespace
