#include "settings/ColorHex.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace pelko {

namespace {

int componentByte(double component) {
  if (std::isnan(component)) return 0;
  double scaled = std::round(component * 255.0);  // halves away from zero
  if (scaled < 0) return 0;
  if (scaled > 255) return 255;
  return static_cast<int>(scaled);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A whole text as an unsigned radix-16 number with an optional sign; a negative sign is only accepted
// over a zero value, as the strict integer parser the stored texts were written against does.
std::optional<uint64_t> parseUnsignedHex(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    int digit = hexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<uint64_t>(digit);  // at most six digits: no overflow
  }
  if (negative && value != 0) return std::nullopt;
  return value;
}

}  // namespace

std::string hexString(const Color& color) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", componentByte(color.red), componentByte(color.green),
                componentByte(color.blue));
  return buffer;
}

std::optional<Color> colorFromHex(std::optional<std::string_view> hex) {
  if (!hex) return std::nullopt;
  std::string_view text = *hex;
  while (!text.empty() && text.front() == '#') text.remove_prefix(1);
  while (!text.empty() && text.back() == '#') text.remove_suffix(1);
  // Six characters: any byte outside ASCII belongs to a character that cannot parse, so counting bytes
  // gives the same verdict as counting characters.
  if (text.size() != 6) return std::nullopt;
  auto value = parseUnsignedHex(text);
  if (!value) return std::nullopt;
  double red = static_cast<double>((*value >> 16) & 0xFF) / 255.0;
  double green = static_cast<double>((*value >> 8) & 0xFF) / 255.0;
  double blue = static_cast<double>(*value & 0xFF) / 255.0;
  return Color{red, green, blue, 1.0};
}

}  // namespace pelko
