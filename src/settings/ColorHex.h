#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/Color.h"

namespace pelko {

// The persisted text form of a colour: "#RRGGBB", upper-case, sRGB, opaque (alpha is never written).
// Components outside 0..1 are clamped so that every written text reads back.
std::string hexString(const Color& color);

// The opaque sRGB colour a "#RRGGBB" text describes: any number of '#' is trimmed from both ends, the
// rest must be six hexadecimal digits (either case; a leading '+' or a '-' over a zero value is
// tolerated). Nothing for an absent or malformed text.
std::optional<Color> colorFromHex(std::optional<std::string_view> hex);

}  // namespace pelko
