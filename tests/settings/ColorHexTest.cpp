#include <gtest/gtest.h>

#include <limits>

#include "settings/ColorHex.h"
#include "settings/StringListJson.h"

namespace pelko {
namespace {

TEST(ColorHex, WritesRoundedUpperCaseClampedComponentsWithoutAlpha) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (auto [color, text] : std::vector<std::pair<Color, const char*>>{
           {Color::white(), "#FFFFFF"},
           {Color::fromWhite(0.12), "#1F1F1F"},
           {Color{0.5, 0, 0, 0.3}, "#800000"},
           {Color{1.2, -0.1, 2.0, 1}, "#FF00FF"},  // out of range: clamped, so the text reads back
           {Color{nan, inf, -inf, 1}, "#00FF00"},
       }) {
    EXPECT_EQ(hexString(color), text);
    EXPECT_TRUE(colorFromHex(hexString(color)).has_value()) << text;
  }
}

TEST(ColorHex, ReadsSixDigitsWithTrimmedHashesAndRejectsTheRest) {
  for (const char* text : {"aBcDeF", "#aBcDeF", "###aBcDeF", "aBcDeF#", "#aBcDeF##"})
    EXPECT_EQ(colorFromHex(text), (Color{0xAB / 255.0, 0xCD / 255.0, 0xEF / 255.0, 1})) << text;
  for (const char* text : {"FFFFF", "FFFFFFF", " FFFFFF", "FFFFFF ", "0xFFFF", "FFFFFG", "FFF#FFF", "", "#",
                           "-00001", "++FFFF", "-", "é12345"})
    EXPECT_FALSE(colorFromHex(text).has_value()) << '"' << text << '"';
  EXPECT_FALSE(colorFromHex(std::nullopt).has_value());
  // The strict parser still takes one leading sign.
  EXPECT_EQ(colorFromHex("+FFFFF"), (Color{15 / 255.0, 1, 1, 1}));
  EXPECT_EQ(colorFromHex("-00000"), Color::black());
}

TEST(StringListJson, EncodesCompactlyAndDecodesStrictly) {
  StringList list{"com.a", "quote\"back\\slash", "line\nbreak", "\x01", "ünï"};
  auto data = encodeStringListJson(list);
  ASSERT_TRUE(data);
  EXPECT_EQ(std::string(data->begin(), data->begin() + 9), "[\"com.a\",");
  EXPECT_EQ(decodeStringListJson(*data), list);
  EXPECT_EQ(encodeStringListJson({}), platform::PlistData({'[', ']'}));
  EXPECT_FALSE(encodeStringListJson({"bad\xff"}).has_value());

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
