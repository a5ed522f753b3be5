#include "machine/cp1252.h"

#include <gtest/gtest.h>

namespace zar {
namespace {

TEST(Cp1252, MapsTheSpecialRangeAndKeepsTheRest) {
  EXPECT_EQ(Cp1252ToUnicode('A'), U'A');
  EXPECT_EQ(Cp1252ToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(Cp1252ToUnicode(0x9F), U'\u0178');
  EXPECT_EQ(Cp1252ToUnicode(0xE4), U'\u00E4');
  EXPECT_EQ(Cp1252ToUnicode(0x81), U'\u0081');  // undefined bytes keep their number
  EXPECT_EQ(Cp1252ToUtf8("\x80 \xe4"), "\xE2\x82\xAC \xC3\xA4");
}

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
  for (int code = 0; code < 256; ++code) {
    const auto back = UnicodeToCp1252(Cp1252ToUnicode(static_cast<Byte>(code)));
    ASSERT_TRUE(back.has_value()) << code;
    EXPECT_EQ(*back, code);
  }
  EXPECT_FALSE(UnicodeToCp1252(U'\u4E2D').has_value());
  EXPECT_FALSE(UnicodeToCp1252(U'\u0080').has_value());  // byte 0x80 is the euro sign
}

}  // namespace
}  // namespace zar
