#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pelko {

// The one UTF-8 decoder: strict, as Unicode defines the encoding. Overlong forms, surrogates
// (U+D800..U+DFFF), code points above U+10FFFF, stray continuation bytes and sequences cut short are
// all invalid.

// Length (1 to 4) of the well-formed sequence starting at byte `i`, or 0 when the bytes there are not
// one (also when `i` is past the end).
size_t utf8SequenceLength(std::string_view text, size_t i);

bool isValidUtf8(std::string_view text);

// Appends the encoding of `codePoint`, which must be a Unicode scalar value (at most U+10FFFF, not a
// surrogate); returns false and appends nothing otherwise.
bool appendUtf8(std::string& out, char32_t codePoint);

}  // namespace pelko
