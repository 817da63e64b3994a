#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "settings/ColorHex.h"
#include "settings/StringListJson.h"

namespace pelko {
namespace {

TEST(ColorHex, WritesRoundedUpperCaseComponentsWithoutAlpha) {
  EXPECT_EQ(hexString(Color::white()), "#FFFFFF");
  EXPECT_EQ(hexString(Color::fromWhite(0.12)), "#1F1F1F");
  EXPECT_EQ(hexString(Color{0.5, 0, 0, 1}), "#800000");
  EXPECT_EQ(hexString(Color{0.5, 0, 0, 0.3}), "#800000");
}

TEST(ColorHex, ClampsComponentsSoEveryTextReadsBack) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(hexString(Color{1.2, -0.1, 2.0, 1}), "#FF00FF");
  EXPECT_EQ(hexString(Color{nan, inf, -inf, 1}), "#00FF00");
  for (Color c : {Color{1.2, -0.1, 2.0, 1}, Color{nan, 0.3, 0.7, 1}})
    EXPECT_TRUE(colorFromHex(hexString(c)).has_value()) << hexString(c);
}

TEST(ColorHex, ReadsSixDigitsWithTrimmedHashes) {
  for (const char* text : {"aBcDeF", "#aBcDeF", "###aBcDeF", "aBcDeF#", "#aBcDeF##"}) {
    auto color = colorFromHex(text);
    ASSERT_TRUE(color) << text;
    EXPECT_DOUBLE_EQ(color->red, 0xAB / 255.0);
    EXPECT_DOUBLE_EQ(color->green, 0xCD / 255.0);
    EXPECT_DOUBLE_EQ(color->blue, 0xEF / 255.0);
    EXPECT_EQ(color->alpha, 1.0);
  }
  auto translucentBack = colorFromHex(hexString(Color{0.2, 0.4, 0.6, 0.5}));
  ASSERT_TRUE(translucentBack);
  EXPECT_EQ(translucentBack->alpha, 1.0);
}

TEST(ColorHex, RejectsMalformedTexts) {
  for (const char* text : {"FFFFF", "FFFFFFF", " FFFFFF", "FFFFFF ", "0xFFFF", "FFFFFG", "FFF#FFF", "", "#",
                           "-00001", "++FFFF", "-", "é12345"})
    EXPECT_FALSE(colorFromHex(text).has_value()) << '"' << text << '"';
  EXPECT_FALSE(colorFromHex(std::nullopt).has_value());
}

TEST(ColorHex, SignRulesOfTheStrictParser) {
  auto plus = colorFromHex("+FFFFF");
  ASSERT_TRUE(plus);
  EXPECT_DOUBLE_EQ(plus->red, 15 / 255.0);
  EXPECT_DOUBLE_EQ(plus->green, 1.0);
  EXPECT_DOUBLE_EQ(plus->blue, 1.0);
  EXPECT_EQ(colorFromHex("-00000"), Color::black());
}

TEST(StringListJson, EncodesCompactlyAndDecodesWhatItWrites) {
  StringList list{"com.a", "quote\"back\\slash", "line\nbreak", "\x01", "ünï"};
  auto data = encodeStringListJson(list);
  ASSERT_TRUE(data);
  EXPECT_EQ(std::string(data->begin(), data->begin() + 9), "[\"com.a\",");
  EXPECT_EQ(decodeStringListJson(*data), list);
  EXPECT_EQ(encodeStringListJson({}), platform::PlistData({'[', ']'}));
  EXPECT_FALSE(encodeStringListJson({"bad\xff"}).has_value());
}

TEST(StringListJson, DecodingIsStrict) {
  auto decode = [](std::string text) {
    return decodeStringListJson(platform::PlistData(text.begin(), text.end()));
  };
  EXPECT_EQ(decode(" [ \"a\" , \"b\\u00e9\\ud83d\\ude00\" ] "), (StringList{"a", "bé\xF0\x9F\x98\x80"}));
  for (const char* text : {"", "[", "[\"a\",]", "[1]", "{\"a\":1}", "[\"a\"] x", "[\"\\ud800\"]", "[\"\t\"]",
                           "[\"a\" \"b\"]", "[\"\\x\"]", "[\"\xff\"]"})
    EXPECT_FALSE(decode(text).has_value()) << text;
}

}  // namespace
}  // namespace pelko
