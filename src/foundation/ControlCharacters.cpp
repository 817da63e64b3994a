#include "foundation/ControlCharacters.h"

#include <algorithm>

namespace pelko {

size_t controlCharacterLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t at) { return at < text.size() ? static_cast<unsigned char>(text[at]) : 0u; };
  if (i >= text.size()) return 0;
  const unsigned first = byte(i);
  if (first < 0x20 || first == 0x7F) return 1;
  if (first == 0xC2 && byte(i + 1) >= 0x80 && byte(i + 1) <= 0x9F) return 2;  // U+0080..U+009F
  if (first == 0xE2 && byte(i + 1) == 0x80 && (byte(i + 2) == 0xA8 || byte(i + 2) == 0xA9)) return 3;
  return 0;
}

bool holdsControlCharacter(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i)
    if (controlCharacterLength(text, i) > 0) return true;
  return false;
}

std::string withControlCharactersHidden(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = controlCharacterLength(text, i);
    if (length == 0) {
      shown += text[i++];
      continue;
    }
    // The whole character goes: a continuation byte left behind would reach the terminal raw.
    shown += '?';
    i += length;
  }
  return shown;
}

}  // namespace pelko
