#include "platform/PlistXml.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>

#include "foundation/Utf8.h"

namespace pelko::platform {

namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
constexpr std::string_view kFooter = "</plist>\n";

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kBase64LineLength = 68;

// Hostile files must not exhaust the stack.
constexpr int kMaxDepth = 512;

// ---------------------------------------------------------------------------------------------------
// Calendar arithmetic (proleptic Gregorian, UTC) for <date>.

constexpr int64_t kSecondsPerDay = 86'400;
// Days from 1970-01-01 to 2001-01-01, the reference date of the format.
constexpr int64_t kReferenceDayFromUnixEpoch = 11'323;

int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146'097 + static_cast<int64_t>(doe) - 719'468;
}

struct CivilDate {
  int64_t year;
  unsigned month;
  unsigned day;
};

CivilDate civilFromDays(int64_t z) {
  z += 719'468;
  const int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
  const auto doe = static_cast<unsigned>(z - era * 146'097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

bool isLeapYear(int64_t y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned daysInMonth(int64_t y, unsigned m) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

// The readers of the format only understand four-digit years and whole seconds, so a date is written
// truncated to the second and kept within years 1 to 9999; a non-finite one becomes the reference date
// rather than text nobody could read back.
std::string formatDate(const PlistDate& date) {
  static const double kMin =
      static_cast<double>((daysFromCivil(1, 1, 1) - kReferenceDayFromUnixEpoch) * kSecondsPerDay);
  static const double kMax = static_cast<double>(
      (daysFromCivil(9999, 12, 31) - kReferenceDayFromUnixEpoch + 1) * kSecondsPerDay - 1);
  double seconds = date.secondsSinceReferenceDate;
  if (std::isnan(seconds)) seconds = 0;
  seconds = std::clamp(std::floor(seconds), kMin, kMax);
  const auto total = static_cast<int64_t>(seconds);
  int64_t days = total / kSecondsPerDay;
  int64_t rest = total % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  const CivilDate civil = civilFromDays(days + kReferenceDayFromUnixEpoch);
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02d:%02d:%02dZ", static_cast<long long>(civil.year),
                civil.month, civil.day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                static_cast<int>(rest % 60));
  return buffer;
}

// ---------------------------------------------------------------------------------------------------
// Writing

class Writer {
 public:
  std::string take() { return std::move(out_); }

  void value(const PlistValue& v, int depth) {
    std::visit([&](const auto& x) { write(x, depth); }, v.storage());
  }

 private:
  void indent(int depth) { out_.append(static_cast<size_t>(depth), '\t'); }

  // Markup characters become entities. Control characters (and a carriage return, which readers
  // would otherwise fold into a line feed) become character references so they survive a round trip;
  // bytes that are not UTF-8 become U+FFFD, as the file must stay readable by every tool.
  void text(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
      const auto c = static_cast<unsigned char>(s[i]);
      switch (c) {
        case '&':
          out_ += "&amp;";
          break;
        case '<':
          out_ += "&lt;";
          break;
        case '>':
          out_ += "&gt;";
          break;
        case '\t':
        case '\n':
          out_ += static_cast<char>(c);
          break;
        default:
          if (c < 0x20 || c == 0x7F) {
            char buffer[12];
            std::snprintf(buffer, sizeof buffer, "&#x%X;", c);
            out_ += buffer;
          } else if (c >= 0x80) {
            const size_t length = utf8SequenceLength(s, i);
            if (length == 0) {
              out_ += "\xEF\xBF\xBD";
              ++i;
            } else {
              out_.append(s.substr(i, length));
              i += length;
            }
            continue;
          } else {
            out_ += static_cast<char>(c);
          }
      }
      ++i;
    }
  }

  void simple(std::string_view tag, std::string_view content, int depth) {
    indent(depth);
    out_ += '<';
    out_ += tag;
    out_ += '>';
    out_ += content;
    out_ += "</";
    out_ += tag;
    out_ += ">\n";
  }

  void write(bool b, int depth) {
    indent(depth);
    out_ += b ? "<true/>\n" : "<false/>\n";
  }

  void write(int64_t i, int depth) { simple("integer", std::to_string(i), depth); }

  void write(double d, int depth) {
    if (std::isnan(d)) return simple("real", "nan", depth);
    if (std::isinf(d)) return simple("real", d > 0 ? "+infinity" : "-infinity", depth);
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, d);
    (void)error;  // 64 characters always hold the shortest form of a double
    simple("real", std::string_view(buffer, static_cast<size_t>(end - buffer)), depth);
  }

  void write(const std::string& s, int depth) {
    indent(depth);
    out_ += "<string>";
    text(s);
    out_ += "</string>\n";
  }

  void write(const PlistData& data, int depth) {
    std::string encoded;
    encoded.reserve((data.size() + 2) / 3 * 4);
    for (size_t i = 0; i < data.size(); i += 3) {
      const uint32_t n = (uint32_t{data[i]} << 16) | (i + 1 < data.size() ? uint32_t{data[i + 1]} << 8 : 0) |
                         (i + 2 < data.size() ? uint32_t{data[i + 2]} : 0);
      encoded += kBase64Alphabet[(n >> 18) & 63];
      encoded += kBase64Alphabet[(n >> 12) & 63];
      encoded += i + 1 < data.size() ? kBase64Alphabet[(n >> 6) & 63] : '=';
      encoded += i + 2 < data.size() ? kBase64Alphabet[n & 63] : '=';
    }
    indent(depth);
    out_ += "<data>\n";
    for (size_t i = 0; i < encoded.size(); i += kBase64LineLength) {
      indent(depth);
      out_.append(encoded, i, kBase64LineLength);
      out_ += '\n';
    }
    indent(depth);
    out_ += "</data>\n";
  }

  void write(const PlistDate& date, int depth) { simple("date", formatDate(date), depth); }

  void write(const PlistValue::Array& array, int depth) {
    indent(depth);
    if (array.empty()) {
      out_ += "<array/>\n";
      return;
    }
    out_ += "<array>\n";
    for (const auto& element : array) value(element, depth + 1);
    indent(depth);
    out_ += "</array>\n";
  }

  void write(const PlistValue::Dictionary& dict, int depth) {
    indent(depth);
    if (dict.empty()) {
      out_ += "<dict/>\n";
      return;
    }
    out_ += "<dict>\n";
    for (const auto& [key, element] : dict) {
      indent(depth + 1);
      out_ += "<key>";
      text(key);
      out_ += "</key>\n";
      value(element, depth + 1);
    }
    indent(depth);
    out_ += "</dict>\n";
  }

  std::string out_;
};

// ---------------------------------------------------------------------------------------------------
// Parsing

struct ParseError {
  size_t offset;
  std::string message;
};

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '-' || c == '.' || c == ':' || u >= 0x80;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// What a short piece of the input looks like, for messages: on one line, whatever it holds.
std::string printable(std::string_view s) {
  constexpr size_t kLimit = 40;
  std::string out;
  for (char c : s.substr(0, kLimit)) out += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
  if (s.size() > kLimit) out += "...";
  return out;
}

std::string quoted(std::string_view s) {
  return "\"" + printable(s) + "\"";
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  PlistValue document() {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    checkEncoding();
    prolog();
    const Root root = rootTag();
    PlistValue value = element(root.tag, root.depth);
    epilog(root);
    return value;
  }

  // Like document(), for a dictionary at the root, but a value that cannot be represented costs only
  // its top-level entry, and damage further on costs only the entries from there to the end.
  PlistDictionaryRecovery recoverDictionary() {
    recovering_ = true;
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    prolog();
    const Root root = rootTag();
    if (root.tag.name != "dict") failAt(root.tag.offset, "the root is not a dictionary");
    PlistDictionaryRecovery recovery;
    try {
      if (!root.tag.empty) {
        for (;;) {
          misc();
          if (atEnd()) failAtEnd("dict");
          if (lookingAt("</")) break;
          auto [key, value] = entry(root.depth + 1);
          if (valueProblem_) {
            recovery.droppedEntries.push_back({std::move(key), describe(*valueProblem_)});
            valueProblem_.reset();
            continue;
          }
          recovery.values[std::move(key)] = std::move(value);
        }
        closeTag("dict");
      }
      epilog(root);
    } catch (const ParseError& e) {
      // A cut inside a closing tag is the first damage, whatever it left unclosed further out.
      recovery.damage = describe(cut_ ? *cut_ : e);
    }
    if (cut_ && recovery.damage.empty()) recovery.damage = describe(*cut_);
    return recovery;
  }

  std::string describe(const ParseError& e) const {
    return "line " + std::to_string(lineAt(e.offset)) + ": " + e.message;
  }

  size_t lineAt(size_t offset) const {
    offset = std::min(offset, text_.size());
    return 1 + static_cast<size_t>(
                   std::count(text_.begin(), text_.begin() + static_cast<ptrdiff_t>(offset), '\n'));
  }

 private:
  struct Tag {
    std::string name;
    bool empty = false;
    size_t offset = 0;
  };
  // The root element's opening tag, inside <plist> or standing alone.
  struct Root {
    Tag tag;
    bool wrapped = false;
    int depth = 0;
  };

  Root rootTag() {
    if (atEnd()) fail("no property list in the text");
    Root root{openTag()};
    if (root.tag.name != "plist") return root;
    if (root.tag.empty) fail("empty <plist>");
    misc();
    if (lookingAt("</")) fail("empty <plist>");
    return Root{openTag(), true, 1};
  }

  void epilog(const Root& root) {
    misc();
    if (root.wrapped) {
      closeTag("plist");
      misc();
    }
    if (!atEnd()) fail("unexpected content after the property list");
  }

  [[noreturn]] void fail(std::string message) const { throw ParseError{pos_, std::move(message)}; }
  [[noreturn]] void failAt(size_t offset, std::string message) const {
    throw ParseError{offset, std::move(message)};
  }
  // The text ended while `tag` was still open: a file cut short. Named at the line where it ends.
  [[noreturn]] void failAtEnd(const std::string& tag) const {
    throw ParseError{text_.size(), "missing </" + tag + ">, the text ends here"};
  }
  // A well-formed element whose value cannot be represented. The element has been read to its end, so
  // a recovering read can go on after it; the first such problem is kept.
  void valueFailAt(size_t offset, std::string message) {
    if (!recovering_) failAt(offset, std::move(message));
    if (!valueProblem_) valueProblem_ = ParseError{offset, std::move(message)};
  }
  // The placeholder a recovering read carries on with; its entry is dropped.
  PlistValue unrepresentable(size_t offset, std::string message) {
    valueFailAt(offset, std::move(message));
    return {};
  }

  bool atEnd() const { return pos_ >= text_.size(); }
  bool lookingAt(std::string_view s) const { return text_.substr(pos_, s.size()) == s; }
  void skipSpace() {
    while (!atEnd() && isSpace(text_[pos_])) ++pos_;
  }

  // The whole text must be UTF-8, whatever it declares; other encodings are refused rather than
  // misread.
  void checkEncoding() {
    for (size_t i = pos_; i < text_.size();) {
      const size_t length = utf8SequenceLength(text_, i);
      if (length == 0) failAt(i, "the text is not valid UTF-8");
      i += length;
    }
  }

  // Skips `<!--...-->`, or returns false when not at one.
  bool comment() {
    if (!lookingAt("<!--")) return false;
    const size_t end = text_.find("-->", pos_ + 4);
    if (end == std::string_view::npos) fail("unterminated comment");
    pos_ = end + 3;
    return true;
  }

  // Skips `<?...?>`, or returns false when not at one.
  bool processingInstruction() {
    if (!lookingAt("<?")) return false;
    const size_t end = text_.find("?>", pos_ + 2);
    if (end == std::string_view::npos) fail("unterminated processing instruction");
    pos_ = end + 2;
    return true;
  }

  void misc() {
    for (;;) {
      skipSpace();
      if (!comment() && !processingInstruction()) return;
    }
  }

  void prolog() {
    if (lookingAt("<?xml") && pos_ + 5 < text_.size() && isSpace(text_[pos_ + 5])) {
      const size_t start = pos_;
      processingInstruction();
      declaration(text_.substr(start, pos_ - start));
    }
    for (;;) {
      misc();
      if (!lookingAt("<!DOCTYPE")) return;
      doctype();
    }
  }

  void declaration(std::string_view decl) {
    const size_t at = decl.find("encoding");
    if (at == std::string_view::npos) return;
    size_t i = at + 8;
    while (i < decl.size() && isSpace(decl[i])) ++i;
    if (i >= decl.size() || decl[i] != '=') return;
    ++i;
    while (i < decl.size() && isSpace(decl[i])) ++i;
    if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\'')) return;
    const size_t end = decl.find(decl[i], i + 1);
    if (end == std::string_view::npos) return;
    const std::string_view encoding = decl.substr(i + 1, end - i - 1);
    if (!equalsIgnoringCase(encoding, "UTF-8") && !equalsIgnoringCase(encoding, "US-ASCII") &&
        !equalsIgnoringCase(encoding, "ASCII")) {
      failAt(0, "unsupported encoding " + quoted(encoding) + " (only UTF-8 is read)");
    }
  }

  // The DOCTYPE is not validated against; it is skipped, internal subset included.
  void doctype() {
    int brackets = 0;
    char quote = 0;
    for (pos_ += 9; !atEnd(); ++pos_) {
      const char c = text_[pos_];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '[') {
        ++brackets;
      } else if (c == ']') {
        --brackets;
      } else if (c == '>' && brackets <= 0) {
        ++pos_;
        return;
      }
    }
    fail("unterminated <!DOCTYPE>");
  }

  std::string name() {
    const size_t start = pos_;
    while (!atEnd() && isNameChar(text_[pos_])) ++pos_;
    if (pos_ == start) fail("expected a tag name");
    return std::string(text_.substr(start, pos_ - start));
  }

  // Reads `<name attr="v" ...>` or `<name .../>`. Attributes are checked for form only.
  Tag openTag() {
    Tag tag;
    tag.offset = pos_;
    if (atEnd()) fail("unexpected end of the text");
    if (text_[pos_] != '<') fail("expected a tag, found text " + quoted(text_.substr(pos_)));
    ++pos_;
    if (!atEnd() && text_[pos_] == '/') fail("unexpected closing tag");
    tag.name = name();
    for (;;) {
      const size_t before = pos_;
      skipSpace();
      if (atEnd()) fail("unterminated <" + tag.name + "> tag");
      if (lookingAt("/>")) {
        pos_ += 2;
        tag.empty = true;
        return tag;
      }
      if (text_[pos_] == '>') {
        ++pos_;
        return tag;
      }
      if (pos_ == before) fail("malformed <" + tag.name + "> tag");
      name();
      skipSpace();
      if (atEnd() || text_[pos_] != '=') fail("malformed attribute in <" + tag.name + ">");
      ++pos_;
      skipSpace();
      if (atEnd() || (text_[pos_] != '"' && text_[pos_] != '\'')) {
        fail("malformed attribute in <" + tag.name + ">");
      }
      const size_t end = text_.find(text_[pos_], pos_ + 1);
      if (end == std::string_view::npos) fail("unterminated attribute in <" + tag.name + ">");
      pos_ = end + 1;
    }
  }

  void closeTag(const std::string& expected) {
    if (atEnd()) failAtEnd(expected);
    if (!lookingAt("</")) fail("expected </" + expected + ">");
    const size_t start = pos_;
    // A text that ends part-way through the closing tag was cut there; what the element holds is whole,
    // so a recovering read keeps it and carries on to the end of the text.
    const std::string whole = "</" + expected + ">";
    const std::string_view rest = text_.substr(pos_);
    if (rest.size() < whole.size() && std::string_view(whole).substr(0, rest.size()) == rest) {
      ParseError cut{start, "the text ends inside </" + expected + ">"};
      if (!recovering_) throw cut;
      if (!cut_) cut_ = cut;
      pos_ = text_.size();
      return;
    }
    pos_ += 2;
    const std::string found = name();
    skipSpace();
    if (found != expected || atEnd() || text_[pos_] != '>') {
      failAt(start, "expected </" + expected + ">, found </" + found + ">");
    }
    ++pos_;
  }

  // Character data up to the closing tag, with references resolved, CDATA sections taken literally and
  // comments dropped. Child elements are errors.
  std::string content(const Tag& tag) {
    std::string out;
    if (tag.empty) return out;
    for (;;) {
      if (atEnd()) failAtEnd(tag.name);
      const char c = text_[pos_];
      if (c == '<') {
        if (lookingAt("</")) break;
        if (comment()) continue;
        if (lookingAt("<![CDATA[")) {
          const size_t end = text_.find("]]>", pos_ + 9);
          if (end == std::string_view::npos) fail("unterminated CDATA section");
          out.append(text_.substr(pos_ + 9, end - pos_ - 9));
          pos_ = end + 3;
          continue;
        }
        fail("unexpected element inside <" + tag.name + ">");
      }
      if (c == '&') {
        reference(out);
        continue;
      }
      out += c;
      ++pos_;
    }
    closeTag(tag.name);
    // A strict read has checked the whole text already.
    if (recovering_ && !isValidUtf8(out)) valueFailAt(tag.offset, "<" + tag.name + "> is not valid UTF-8");
    return out;
  }

  void reference(std::string& out) {
    const size_t start = pos_;
    const size_t end = text_.find(';', pos_);
    if (end == std::string_view::npos || end - pos_ > 12) fail("unterminated entity reference");
    const std::string_view ref = text_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    if (ref == "amp") return void(out += '&');
    if (ref == "lt") return void(out += '<');
    if (ref == "gt") return void(out += '>');
    if (ref == "quot") return void(out += '"');
    if (ref == "apos") return void(out += '\'');
    if (ref.size() >= 2 && ref[0] == '#') {
      const bool hex = ref[1] == 'x' || ref[1] == 'X';
      const std::string_view digits = ref.substr(hex ? 2 : 1);
      uint32_t cp = 0;
      auto [p, error] = std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
      if (!digits.empty() && error == std::errc() && p == digits.data() + digits.size() &&
          appendUtf8(out, cp)) {
        return;
      }
      return valueFailAt(start, "invalid character reference &" + printable(ref) + ";");
    }
    valueFailAt(start, "unknown entity &" + printable(ref) + ";");
  }

  PlistValue element(const Tag& tag, int depth) {
    if (depth > kMaxDepth) failAt(tag.offset, "nesting deeper than " + std::to_string(kMaxDepth) + " levels");
    const std::string& n = tag.name;
    if (n == "dict") return dictionary(tag, depth);
    if (n == "array") return array(tag, depth);
    if (n == "string") return content(tag);
    if (n == "true" || n == "false") {
      if (!tag.empty) {
        if (!trim(content(tag)).empty()) valueFailAt(tag.offset, "<" + n + "> must be empty");
      }
      return n == "true";
    }
    if (n == "integer") return integer(tag);
    if (n == "real") return real(tag);
    if (n == "data") return data(tag);
    if (n == "date") return date(tag);
    if (n == "key") failAt(tag.offset, "<key> outside a <dict>");
    failAt(tag.offset, "unknown element <" + n + ">");
  }

  PlistValue dictionary(const Tag& tag, int depth) {
    PlistValue::Dictionary dict;
    if (tag.empty) return dict;
    for (;;) {
      misc();
      if (atEnd()) failAtEnd("dict");
      if (lookingAt("</")) break;
      // A repeated key keeps its last value.
      auto [key, value] = entry(depth + 1);
      dict[std::move(key)] = std::move(value);
    }
    closeTag("dict");
    return dict;
  }

  // One `<key>` and the value after it, the value at `depth`.
  std::pair<std::string, PlistValue> entry(int depth) {
    const Tag keyTag = openTag();
    if (keyTag.name != "key") failAt(keyTag.offset, "expected <key> in <dict>, found <" + keyTag.name + ">");
    std::string key = content(keyTag);
    misc();
    if (lookingAt("</")) fail("missing value for key " + quoted(key));
    const Tag valueTag = openTag();
    if (valueTag.name == "key") failAt(valueTag.offset, "missing value for key " + quoted(key));
    PlistValue value = element(valueTag, depth);
    return {std::move(key), std::move(value)};
  }

  PlistValue array(const Tag& tag, int depth) {
    PlistValue::Array items;
    if (tag.empty) return items;
    for (;;) {
      misc();
      if (atEnd()) failAtEnd("array");
      if (lookingAt("</")) break;
      items.push_back(element(openTag(), depth + 1));
    }
    closeTag("array");
    return items;
  }

  PlistValue integer(const Tag& tag) {
    const std::string raw = content(tag);
    std::string_view s = trim(raw);
    if (s.empty()) return unrepresentable(tag.offset, "empty <integer>");
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
      negative = s[0] == '-';
      s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
      base = 16;
      s.remove_prefix(2);
    }
    uint64_t magnitude = 0;
    auto [p, error] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (s.empty() || p != s.data() + s.size() ||
        (error != std::errc() && error != std::errc::result_out_of_range)) {
      return unrepresentable(tag.offset, "invalid <integer> " + quoted(raw));
    }
    constexpr uint64_t kMaxPositive = std::numeric_limits<int64_t>::max();
    if (error == std::errc::result_out_of_range || magnitude > kMaxPositive + (negative ? 1 : 0)) {
      return unrepresentable(tag.offset, "<integer> " + quoted(raw) + " is out of range");
    }
    if (negative)
      return magnitude == kMaxPositive + 1 ? std::numeric_limits<int64_t>::min()
                                           : -static_cast<int64_t>(magnitude);
    return static_cast<int64_t>(magnitude);
  }

  PlistValue real(const Tag& tag) {
    const std::string raw = content(tag);
    std::string_view s = trim(raw);
    if (s.empty()) return unrepresentable(tag.offset, "empty <real>");
    bool negative = false;
    std::string_view unsignedPart = s;
    if (s[0] == '+' || s[0] == '-') {
      negative = s[0] == '-';
      unsignedPart.remove_prefix(1);
    }
    if (equalsIgnoringCase(unsignedPart, "nan")) return std::numeric_limits<double>::quiet_NaN();
    if (equalsIgnoringCase(unsignedPart, "infinity") || equalsIgnoringCase(unsignedPart, "inf")) {
      return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    double value = 0;
    auto [p, error] = std::from_chars(unsignedPart.data(), unsignedPart.data() + unsignedPart.size(), value);
    if (unsignedPart.empty() || unsignedPart[0] == '+' || unsignedPart[0] == '-' ||
        p != unsignedPart.data() + unsignedPart.size() ||
        (error != std::errc() && error != std::errc::result_out_of_range)) {
      return unrepresentable(tag.offset, "invalid <real> " + quoted(raw));
    }
    if (error == std::errc::result_out_of_range)
      return unrepresentable(tag.offset, "<real> " + quoted(raw) + " is out of range");
    return negative ? -value : value;
  }

  PlistValue data(const Tag& tag) {
    const std::string raw = content(tag);
    PlistData out;
    uint32_t bits = 0;
    int count = 0;
    int padding = 0;
    for (char c : raw) {
      if (isSpace(c)) continue;
      int v = -1;
      if (c == '=') {
        ++padding;
        continue;
      }
      if (c >= 'A' && c <= 'Z') v = c - 'A';
      if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
      if (c >= '0' && c <= '9') v = c - '0' + 52;
      if (c == '+') v = 62;
      if (c == '/') v = 63;
      if (v < 0 || padding > 0) return unrepresentable(tag.offset, "invalid base64 in <data>");
      bits = (bits << 6) | static_cast<uint32_t>(v);
      if (++count == 4) {
        out.push_back(static_cast<uint8_t>(bits >> 16));
        out.push_back(static_cast<uint8_t>(bits >> 8));
        out.push_back(static_cast<uint8_t>(bits));
        bits = 0;
        count = 0;
      }
    }
    if (count == 1 || padding > 2 || (padding > 0 && count + padding != 4)) {
      return unrepresentable(tag.offset, "invalid base64 in <data>");
    }
    if (count == 2) out.push_back(static_cast<uint8_t>(bits >> 4));
    if (count == 3) {
      out.push_back(static_cast<uint8_t>(bits >> 10));
      out.push_back(static_cast<uint8_t>(bits >> 2));
    }
    return out;
  }

  PlistValue date(const Tag& tag) {
    const std::string raw = content(tag);
    const std::string_view s = trim(raw);
    // YYYY-MM-DDTHH:MM:SSZ, the year possibly negative or longer than four digits.
    size_t i = 0;
    const auto number = [&](size_t minDigits, size_t maxDigits, int64_t& out) {
      const size_t start = i;
      out = 0;
      while (i < s.size() && i - start < maxDigits && s[i] >= '0' && s[i] <= '9')
        out = out * 10 + (s[i++] - '0');
      return i - start >= minDigits;
    };
    const auto literal = [&](char c) { return i < s.size() && s[i++] == c; };
    const bool negativeYear = !s.empty() && s[0] == '-';
    if (negativeYear) ++i;
    int64_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    const bool wellFormed = number(4, 9, year) && literal('-') && number(2, 2, month) && literal('-') &&
                            number(2, 2, day) && literal('T') && number(2, 2, hour) && literal(':') &&
                            number(2, 2, minute) && literal(':') && number(2, 2, second) && literal('Z') &&
                            i == s.size();
    if (negativeYear) year = -year;
    if (!wellFormed || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, static_cast<unsigned>(month)) || hour > 23 || minute > 59 || second > 59) {
      return unrepresentable(tag.offset, "invalid <date> " + quoted(raw));
    }
    const int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                         kReferenceDayFromUnixEpoch;
    return PlistDate{static_cast<double>(days * kSecondsPerDay + hour * 3600 + minute * 60 + second)};
  }

  std::string_view text_;
  size_t pos_ = 0;
  bool recovering_ = false;
  std::optional<ParseError> valueProblem_;
  std::optional<ParseError> cut_;
};

}  // namespace

std::string writePlistXml(const PlistValue& root) {
  Writer writer;
  writer.value(root, 0);
  std::string body = writer.take();
  std::string out;
  out.reserve(kHeader.size() + body.size() + kFooter.size());
  out += kHeader;
  out += body;
  out += kFooter;
  return out;
}

std::optional<PlistValue> parsePlistXml(const std::string& text, std::string* error) {
  Parser parser(text);
  try {
    return parser.document();
  } catch (const ParseError& e) {
    if (error) *error = parser.describe(e);
    return std::nullopt;
  }
}

std::optional<PlistDictionaryRecovery> recoverPlistDictionary(const std::string& text, std::string* error) {
  Parser parser(text);
  try {
    return parser.recoverDictionary();
  } catch (const ParseError& e) {
    if (error) *error = parser.describe(e);
    return std::nullopt;
  }
}

}  // namespace pelko::platform
