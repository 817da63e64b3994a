#include "settings/StringListJson.h"

#include <cstdint>
#include <string_view>

#include "foundation/Utf8.h"

namespace pelko {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<StringList> parseDocument() {
    skipWhitespace();
    if (!consume('[')) return std::nullopt;
    StringList result;
    skipWhitespace();
    if (!consume(']')) {
      while (true) {
        skipWhitespace();
        auto element = parseString();
        if (!element) return std::nullopt;
        result.push_back(std::move(*element));
        skipWhitespace();
        if (consume(']')) break;
        if (!consume(',')) return std::nullopt;
      }
    }
    skipWhitespace();
    if (pos_ != text_.size()) return std::nullopt;
    return result;
  }

 private:
  bool consume(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  void skipWhitespace() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
      ++pos_;
  }

  std::optional<uint32_t> parseHex4() {
    if (text_.size() - pos_ < 4) return std::nullopt;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      char c = text_[pos_++];
      value <<= 4;
      if (c >= '0' && c <= '9')
        value |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        value |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        value |= static_cast<uint32_t>(c - 'A' + 10);
      else
        return std::nullopt;
    }
    return value;
  }

  std::optional<std::string> parseString() {
    if (!consume('"')) return std::nullopt;
    std::string out;
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) return std::nullopt;
      switch (text_[pos_++]) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          auto unit = parseHex4();
          if (!unit) return std::nullopt;
          uint32_t codePoint = *unit;
          if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) return std::nullopt;  // lone low surrogate
          if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
            if (!consume('\\') || !consume('u')) return std::nullopt;
            auto low = parseHex4();
            if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (*low - 0xDC00);
          }
          appendUtf8(out, codePoint);
          break;
        }
        default:
          return std::nullopt;
      }
    }
    return std::nullopt;  // unterminated
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

std::optional<platform::PlistData> encodeStringListJson(const StringList& list) {
  std::string json = "[";
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string& element = list[i];
    if (!isValidUtf8(element)) return std::nullopt;
    if (i > 0) json += ',';
    json += '"';
    for (char c : element) {
      switch (c) {
        case '"':
          json += "\\\"";
          break;
        case '\\':
          json += "\\\\";
          break;
        case '\n':
          json += "\\n";
          break;
        case '\r':
          json += "\\r";
          break;
        case '\t':
          json += "\\t";
          break;
        case '\b':
          json += "\\b";
          break;
        case '\f':
          json += "\\f";
          break;
        default:
          if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            json += "\\u00";
            json += kHex[(c >> 4) & 0xF];
            json += kHex[c & 0xF];
          } else {
            json += c;
          }
      }
    }
    json += '"';
  }
  json += ']';
  return platform::PlistData(json.begin(), json.end());
}

std::optional<StringList> decodeStringListJson(const platform::PlistData& data) {
  std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  if (!isValidUtf8(text)) return std::nullopt;
  return Parser(text).parseDocument();
}

}  // namespace pelko
