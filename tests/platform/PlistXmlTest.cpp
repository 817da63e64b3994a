#include "platform/PlistXml.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace pelko::platform {
namespace {

using Dict = PlistValue::Dictionary;
using Array = PlistValue::Array;

PlistValue roundTrip(const PlistValue& value) {
  std::string error;
  auto parsed = parsePlistXml(writePlistXml(value), &error);
  if (!parsed) {
    ADD_FAILURE() << error;
    return PlistValue();
  }
  return *parsed;
}

std::string wrap(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

TEST(PlistXmlWrite, WritesTheStandardLayout) {
  Dict dict{
      {"b", PlistValue(Array{1, "x"})}, {"a", true}, {"e", PlistValue(Dict{})}, {"f", PlistValue(Array{})}};
  EXPECT_EQ(writePlistXml(dict),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n<dict>\n\t<key>a</key>\n\t<true/>\n\t<key>b</key>\n\t<array>\n"
            "\t\t<integer>1</integer>\n\t\t<string>x</string>\n\t</array>\n"
            "\t<key>e</key>\n\t<dict/>\n\t<key>f</key>\n\t<array/>\n</dict>\n</plist>\n");
}

TEST(PlistXmlWrite, EscapesMarkupReplacesBadBytesAndSpellsOutNonFiniteRealsAndDates) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<PlistValue, std::string> cases[] = {
      {Dict{{"<k&>", ""}}, "<key>&lt;k&amp;&gt;</key>"},
      {std::string("a<b>&c\x01\x1f\r\x7f\td\ne"),
       "<string>a&lt;b&gt;&amp;c&#x1;&#x1F;&#xD;&#x7F;\td\ne</string>"},
      {std::string("a\xff\xc3z\xc3\xa9"), "<string>a\xEF\xBF\xBD\xEF\xBF\xBDz\xc3\xa9</string>"},
      {inf, "<real>+infinity</real>"},
      {-inf, "<real>-infinity</real>"},
      {std::nan(""), "<real>nan</real>"},
      // Dates are whole seconds in UTC.
      {PlistDate{0}, "2001-01-01T00:00:00Z"},
      {PlistDate{-1}, "2000-12-31T23:59:59Z"},
      {PlistDate{0.999}, "2001-01-01T00:00:00Z"},
      {PlistDate{-0.5}, "2000-12-31T23:59:59Z"},
      {PlistDate{730'989'296}, "2024-03-01T12:34:56Z"},  // the day after a leap day
      {PlistDate{-978'307'200}, "1970-01-01T00:00:00Z"},
      {PlistDate{std::nan("")}, "2001-01-01T00:00:00Z"},
      {PlistDate{1e300}, "9999-12-31T23:59:59Z"},
      {PlistDate{-1e300}, "0001-01-01T00:00:00Z"}};
  for (const auto& [value, expected] : cases) {
    const std::string xml = writePlistXml(value);
    EXPECT_NE(xml.find(value.isDate() ? "<date>" + expected + "</date>" : expected), std::string::npos)
        << xml;
    EXPECT_TRUE(parsePlistXml(xml)) << xml;
  }
}

TEST(PlistXmlRoundTrip, EveryKindSurvives) {
  PlistData long_data(200);
  for (size_t i = 0; i < long_data.size(); ++i) long_data[i] = static_cast<uint8_t>(i * 7);
  const double inf = std::numeric_limits<double>::infinity();
  const int64_t lowest = std::numeric_limits<int64_t>::min(), highest = std::numeric_limits<int64_t>::max();
  const PlistData empty, one(1, 1), bytes{0, 1, 2, 0xfe, 0xff};
  const PlistDate start{0}, past{-86'400 * 365.0 * 300}, later{123'456'789};
  const std::string spaced = "  leading and trailing spaces  ", nul("nul\0inside", 10),
                    unicode =
                        "h\xC3\xA9llo w\xC3\xB6rld \xE2\x9C\x93 \xF0\x9F\x98\x80 \xE4\xB8\xAD\xE6\x96\x87",
                    markup = "a<b>&c \"q\" 'a' ]]> &amp; \x01\x02\r\n\t\x7f end";
  const Array nested = {Array{}, Dict{}, Array{Array{1}}};
  const Dict dict = {{"", ""},
                     {"nested", Dict{{"deeper", Array{1, 2.5, "s", Dict{{"x", PlistData{9}}}}}}},
                     {"\xC3\xA9t\xC3\xA9 & <key>", PlistDate{60}}};
  const PlistValue cases[] = {true,  false,     0,     -1,   highest, lowest,  0.1,     -0.0,   1e300, 5e-324,
                              1.0,   inf,       -inf,  "",   spaced,  nul,     unicode, markup, empty, one,
                              bytes, long_data, start, past, later,   Array(), Dict(),  nested, dict};
  for (const auto& value : cases) EXPECT_EQ(roundTrip(value), value) << writePlistXml(value);
  const PlistValue notANumber = roundTrip(std::numeric_limits<double>::quiet_NaN());
  EXPECT_TRUE(notANumber.isReal() && std::isnan(*notANumber.asReal()));
}

TEST(PlistXmlParse, ReadsAHandWrittenFile) {
  const std::tuple<const char*, const char*, PlistValue> entries[] = {
      {"empty", "<string/>", ""},
      {"emptyDict", "<dict/>", Dict{}},
      {"emptyArray", "<array></array>", Array{}},
      {"emptyData", "<data/>", PlistData{}},
      {"entities", "<string>&lt;&amp;&gt;&quot;&apos; &#65;&#x42;&#x1F600; &#xe9;</string>",
       "<&>\"' AB\xF0\x9F\x98\x80 \xC3\xA9"},
      {"cdata", "<string><![CDATA[<raw & text>]]> after</string>", "<raw & text> after"},
      {"commented", "<string>a<!-- hidden -->b</string>", "ab"},
      {"spaced", "<integer>  42\n  </integer>", 42},
      {"hex", "<integer>0x1F</integer>", 31},
      {"plus", "<integer>+7</integer>", 7},
      {"exp", "<real>-1.5E3</real>", -1500.0},
      {"inf", "<real>-INF</real>", -std::numeric_limits<double>::infinity()},
      {"yes", "<true></true>", true},
      {"no", "<false/>", false},
      {"when", "<date>2020-02-29T23:59:59Z</date>", PlistDate{604'713'599}},
      {"bytes", "\n    <data>\n      SGVs\n      bG8=\n    </data>", PlistData{'H', 'e', 'l', 'l', 'o'}},
      {"dup", "<integer>1</integer>", 1},
      {"dup", "<integer>2</integer>", 2}};
  std::string text =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- written by hand -->\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version='1.0'>\n  <dict>\n    <!-- a comment between entries -->\n";
  Dict expected;
  for (const auto& [key, xml, value] : entries) {
    text += std::string("    <key>") + key + "</key>   " + xml + "\n";
    expected[key] = value;
  }
  text += "  </dict>\n</plist>\n<!-- trailing -->\n";
  std::string error;
  auto parsed = parsePlistXml(text, &error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_EQ(*parsed, PlistValue(expected));
}

TEST(PlistXmlParse, AcceptsARootWithoutThePlistElement) {
  auto parsed = parsePlistXml("<array><integer>1</integer></array>");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed, PlistValue(Array{1}));
}

TEST(PlistXmlParse, RejectsMalformedInputWithOneLineNamingTheLine) {
  struct Case {
    std::string text;
    std::string expected;  // part of the message
  };
  const Case cases[] = {
      {"", "line 1: no property list"},
      {"   \n", "no property list"},
      {"<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n</plist>", "line 3: empty <plist>"},
      {"<plist/>", "empty <plist>"},
      {wrap("<dict>"), "line 4: expected </dict>, found </plist>"},
      {"<dict>", "missing </dict>"},
      {"<array><true/>", "missing </array>"},
      {wrap("<dict><key>a</key></dict>"), "missing value for key \"a\""},
      {wrap("<dict><key>a</key><key>b</key><true/></dict>"), "missing value for key \"a\""},
      {wrap("<dict><string>a</string></dict>"), "expected <key> in <dict>, found <string>"},
      {wrap("<array><string>a</array>"), "expected </string>, found </array>"},
      {wrap("<string>a<b/></string>"), "unexpected element inside <string>"},
      {wrap("<string>a &nbsp; b</string>"), "unknown entity &nbsp;"},
      {wrap("<string>a & b</string>"), "entity"},
      {wrap("<string>&#xD800;</string>"), "invalid character reference"},
      {wrap("<string>&#x110000;</string>"), "invalid character reference"},
      {wrap("<integer></integer>"), "empty <integer>"},
      {wrap("<integer>12a</integer>"), "invalid <integer> \"12a\""},
      {wrap("<integer>9223372036854775808</integer>"), "out of range"},
      {wrap("<integer>-9223372036854775809</integer>"), "out of range"},
      {wrap("<integer>99999999999999999999999</integer>"), "out of range"},
      {wrap("<real/>"), "empty <real>"},
      {wrap("<real>1.5.2</real>"), "invalid <real>"},
      {wrap("<real>+-1</real>"), "invalid <real>"},
      {wrap("<real>1e999</real>"), "out of range"},
      {wrap("<data>AB$=</data>"), "invalid base64"},
      {wrap("<data>A</data>"), "invalid base64"},
      {wrap("<data>AB=C</data>"), "invalid base64"},
      {wrap("<date>2021-02-29T00:00:00Z</date>"), "invalid <date>"},
      {wrap("<date>2021-01-01 00:00:00</date>"), "invalid <date>"},
      {wrap("<date>2021-01-01T24:00:00Z</date>"), "invalid <date>"},
      {wrap("<date/>"), "invalid <date>"},
      {wrap("<true>yes</true>"), "<true> must be empty"},
      {wrap("<bogus/>"), "unknown element <bogus>"},
      {wrap("<key>a</key>"), "<key> outside a <dict>"},
      {wrap("<true/><true/>"), "expected </plist>"},
      {wrap("<true/>") + "<false/>", "unexpected content after the property list"},
      {wrap("hello"), "expected a tag, found text \"hello"},
      {wrap("<!-- open"), "unterminated comment"},
      {wrap("<string><![CDATA[x</string>"), "unterminated CDATA"},
      {wrap("<string attr=oops>x</string>"), "malformed attribute"},
      {wrap("<string>caf\xE9</string>"), "not valid UTF-8"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><plist><true/></plist>", "unsupported encoding"},
      {"<!DOCTYPE plist [ <!ENTITY x 'y'> ", "unterminated <!DOCTYPE>"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(parsePlistXml(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.expected), std::string::npos) << "message: " << error << "\ninput: " << c.text;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
  }
}

TEST(PlistXmlRecover, KeepsEveryEntryThatCanBeReadAndNamesWhatWasLost) {
  const std::string
      head = "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<dict>\n<key>a</key><true/>\n",
      z2 = "<key>z</key><integer>2</integer>\n", end = "</dict>\n</plist>\n",
      unrepresentable =
          "<key>big</key><integer>99999999999999999999</integer>\n<key>huge</key><real>1e400</real>\n"
          "<key>nested</key><dict><key>d</key><date>2021-02-30T00:00:00Z</date></dict>\n"
          "<key>bytes</key><data>A</data>\n<key>latin1</key><string>caf\xE9</string>\n"
          "<key>ref</key><string>&#xD800;</string>\n";
  const Dict az{{"a", true}, {"z", 2}}, a{{"a", true}}, azFalse{{"a", true}, {"z", false}};
  struct Case {
    const char* name;
    std::string text;
    Dict kept;
    std::string dropped;  // keys, each followed by a space
    std::string damage;   // part of the message; empty when the document is whole
  };
  const Case cases[] = {
      {"whole", head + z2 + end, az, "", ""},
      {"values that cannot be represented", head + unrepresentable + z2 + end, az,
       "big huge nested bytes latin1 ref ", ""},
      {"cut inside an entry", head + z2 + "<key>cut</key><string>hal", az, "", "line 6: missing </string>"},
      {"cut between entries", head + "<key>z</key><false/>\n", azFalse, "", "missing </dict>"},
      {"broken markup", head + "<key>b</key><bogus/>\n<key>z</key><true/>\n" + end, a, "",
       "unknown element <bogus>"},
      {"trailing garbage", head + end + "garbage", a, "", "unexpected content"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    auto recovery = recoverPlistDictionary(c.text, &error);
    ASSERT_TRUE(recovery) << error;
    EXPECT_EQ(recovery->values, c.kept);
    std::string dropped;
    for (const auto& [key, why] : recovery->droppedEntries) {
      dropped += key + " ";
      EXPECT_EQ(why.rfind("line ", 0), 0u) << why;
    }
    EXPECT_EQ(dropped, c.dropped);
    EXPECT_EQ(recovery->damage.empty(), c.damage.empty()) << recovery->damage;
    EXPECT_NE(recovery->damage.find(c.damage), std::string::npos) << recovery->damage;
    EXPECT_EQ(recovery->lostAnything(), !c.dropped.empty() || !c.damage.empty());
  }
  // Without a dictionary to start from there is nothing to keep.
  for (const std::string text : {"", "<plist version=\"1.0\"><array/></plist>", "bplist00", "<plist><dict"}) {
    std::string error;
    EXPECT_FALSE(recoverPlistDictionary(text, &error)) << text;
    EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
  }
}

// A settings file cut at any byte keeps exactly the entries whose values it holds whole, in file order,
// and names the cut at the line where the text ends.
TEST(PlistXmlRecover, AFileCutAtAnyByteKeepsEveryEntryItHoldsWhole) {
  const Dict whole{{"PelkoBackgroundColor", "#1F1F1FFF"},
                   {"PelkoBadgeOpacity", 0.9},
                   {"PelkoBorderTop", true},
                   {"PelkoCustomAppOrder", Array{"a", "b"}},
                   {"PelkoItemSpacing", 4}};
  const std::string text = writePlistXml(whole);
  // Where each entry's value is known to be whole: once its closing tag has begun ("</"), or after "/>".
  std::vector<size_t> holdsWhole;
  for (const char* end : {"#1F1F1FFF</", "0.9</", "<true/>", "</array>", "<integer>4</"}) {
    const size_t at = text.find(end);
    ASSERT_NE(at, std::string::npos) << end;
    holdsWhole.push_back(std::string(end) == "</array>" ? at + 2 : at + std::strlen(end));
  }
  for (size_t n = text.find("<dict>") + 6; n < text.rfind("</plist>") + 8; ++n) {
    SCOPED_TRACE("cut after " + std::to_string(n) + " bytes: ..." + text.substr(n < 30 ? 0 : n - 30, 30));
    const std::string cut = text.substr(0, n);
    std::string error;
    auto recovery = recoverPlistDictionary(cut, &error);
    ASSERT_TRUE(recovery) << error;
    const size_t expected = static_cast<size_t>(
        std::count_if(holdsWhole.begin(), holdsWhole.end(), [&](size_t at) { return at <= n; }));
    Dict kept;
    for (const auto& [key, value] : whole) {
      if (kept.size() < expected) kept[key] = value;
    }
    EXPECT_EQ(recovery->values, kept);
    EXPECT_TRUE(recovery->droppedEntries.empty());
    const std::string lastLine =
        "line " + std::to_string(1 + std::count(cut.begin(), cut.end(), '\n')) + ": ";
    EXPECT_EQ(recovery->damage.rfind(lastLine, 0), 0u) << recovery->damage;
    EXPECT_EQ(recovery->damage.find(", found </"), std::string::npos) << recovery->damage;
  }
  std::string error;
  EXPECT_FALSE(parsePlistXml(text.substr(0, text.rfind("</real>") + 6), &error));
  EXPECT_NE(error.find("the text ends inside </real>"), std::string::npos) << error;
}

// Random damage to a settings file: nothing crashes or hangs, every message is one line naming a line,
// and a text the strict reader accepts is recovered whole.
TEST(PlistXmlRecover, FuzzedDocumentsAreReadConsistently) {
  const Dict whole{
      {"a", "text &amp; <more>"}, {"b", 0.5},   {"c", Array{1, true, Dict{{"d", PlistData{1, 2}}}}},
      {"e", PlistDate{60}},       {"f", false}, {"g", int64_t{-3}}};
  const std::string seed = writePlistXml(whole);
  const std::string fragments[] = {"<",      ">",     "</",   "/>",        "<dict>", "</dict>", "<key>",
                                   "&",      "&#x0;", "<!--", "<![CDATA[", "\xff",   "\0",      "<array>",
                                   "<real>", "nan",   "]]>",  "<?",        "\"",     "<plist>"};
  uint64_t state = 0x9E3779B97F4A7C15u;
  auto next = [&](uint64_t bound) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<size_t>(state % bound);
  };
  for (int round = 0; round < 20'000; ++round) {
    std::string text = seed;
    for (int edits = 1 + static_cast<int>(next(4)); edits > 0 && !text.empty(); --edits) {
      const size_t at = next(text.size());
      switch (next(4)) {
        case 0:
          text[at] = static_cast<char>(next(256));
          break;
        case 1:
          text.erase(at, 1 + next(8));
          break;
        case 2:
          text.insert(at, fragments[next(std::size(fragments))]);
          break;
        default:
          text.resize(at);
          break;
      }
    }
    SCOPED_TRACE(text);
    std::string strictError, recoverError;
    auto strict = parsePlistXml(text, &strictError);
    auto recovery = recoverPlistDictionary(text, &recoverError);
    for (const std::string* message : {&strictError, &recoverError}) {
      if (message->empty()) continue;
      ASSERT_EQ(message->rfind("line ", 0), 0u) << *message;
      ASSERT_EQ(message->find('\n'), std::string::npos) << *message;
    }
    if (recovery && !recovery->damage.empty()) {
      ASSERT_EQ(recovery->damage.rfind("line ", 0), 0u);
    }
    if (strict && strict->isDictionary()) {
      ASSERT_TRUE(recovery) << recoverError;
      ASSERT_FALSE(recovery->lostAnything()) << recovery->damage;
      ASSERT_EQ(PlistValue(recovery->values), *strict);
    }
  }
}

TEST(PlistXmlParse, RefusesHostileNestingWithoutExhaustingTheStack) {
  std::string deep;
  for (int i = 0; i < 100'000; ++i) deep += "<array>";
  std::string error;
  EXPECT_FALSE(parsePlistXml(wrap(deep), &error));
  EXPECT_NE(error.find("nesting deeper than"), std::string::npos) << error;

  std::string fine;
  for (int i = 0; i < 100; ++i) fine += "<array>";
  for (int i = 0; i < 100; ++i) fine += "</array>";
  EXPECT_TRUE(parsePlistXml(wrap(fine)));
}

}  // namespace
}  // namespace pelko::platform
