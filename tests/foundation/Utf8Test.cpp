#include "foundation/Utf8.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

TEST(Utf8, AcceptsExactlyTheShortestFormsOfUnicodeScalarValues) {
  struct Case {
    const char* name;
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"empty", "", true},
      {"ASCII with a NUL", std::string("a\0z", 3), true},
      {"two bytes, lowest", "\xC2\x80", true},
      {"two bytes, highest", "\xDF\xBF", true},
      {"three bytes, lowest", "\xE0\xA0\x80", true},
      {"last before the surrogates", "\xED\x9F\xBF", true},
      {"first after the surrogates", "\xEE\x80\x80", true},
      {"U+FFFF", "\xEF\xBF\xBF", true},
      {"four bytes, lowest", "\xF0\x90\x80\x80", true},
      {"U+10FFFF", "\xF4\x8F\xBF\xBF", true},
      {"overlong NUL", "\xC0\x80", false},
      {"overlong slash", "\xC1\xAF", false},
      {"overlong in three bytes", "\xE0\x9F\xBF", false},
      {"overlong in four bytes", "\xF0\x8F\xBF\xBF", false},
      {"high surrogate", "\xED\xA0\x80", false},
      {"low surrogate", "\xED\xBF\xBF", false},
      {"U+110000", "\xF4\x90\x80\x80", false},
      {"five-byte lead", "\xF8\x88\x80\x80\x80", false},
      {"lone continuation", "a\x80", false},
      {"lead without continuation", "\xC3z", false},
      {"cut short at the end", "ok\xE2\x82", false},
      {"0xFF", "\xFF", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.name;
}

TEST(Utf8, EncodesScalarValuesAndRefusesTheRest) {
  const std::pair<char32_t, std::string> encodings[] = {
      {U'A', "A"}, {0xE9, "\xC3\xA9"}, {0x20AC, "\xE2\x82\xAC"}, {0x1F600, "\xF0\x9F\x98\x80"}};
  for (const auto& [codePoint, bytes] : encodings) {
    std::string out = "<";
    EXPECT_TRUE(appendUtf8(out, codePoint));
    EXPECT_EQ(out, "<" + bytes) << static_cast<uint32_t>(codePoint);
  }
  for (char32_t invalid : {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}}) {
    std::string out;
    EXPECT_FALSE(appendUtf8(out, invalid));
    EXPECT_EQ(out, "");
  }
}

}  // namespace
}  // namespace pelko
