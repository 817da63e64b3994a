#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pelko {

// The one reader of control characters in text that came from elsewhere (a URL, a path, a key in a
// file): C0 and C1 controls, DEL, and the line and paragraph separators. Whatever of such text reaches
// standard error, the log or another program's line-based protocol goes through here, so a terminal is
// told nothing it would act on and a message stays on one line.

// Length in bytes of the control character that starts at byte `i` (1 to 3), or 0 when none does.
size_t controlCharacterLength(std::string_view text, size_t i);

// Whether `text` holds a line break or another control character.
bool holdsControlCharacter(std::string_view text);

// `text` with each control character shown as one '?', however many bytes it takes.
std::string withControlCharactersHidden(std::string_view text);

}  // namespace pelko
