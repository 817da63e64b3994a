#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/ControlCharacters.h"

namespace pelko {

// The parts of a URL the application's actions look at, read from the string exactly as it came: the
// scheme and host keep their case and their percent escapes, so "PELKO://settings" is not a "pelko"
// URL and "pelko://Settings" is not the settings action.
struct PelkoURL {
  // Nothing when the string has no valid scheme before a ':'.
  std::optional<std::string> scheme;
  // Nothing when there is no authority ("pelko:settings") or it names no host ("pelko://",
  // "pelko:///settings").
  std::optional<std::string> host;
  // The string as given.
  std::string absoluteString;

  static PelkoURL parse(std::string_view text);
};

// What the user is told when `url` is refused for holding a control character (holdsControlCharacter).
// Such a URL is refused whole wherever it arrives: URLs travel between copies one per line, so a line
// break inside one would make two URLs of it. The URL is shown with its control characters escaped (a
// line feed as "\n", others as "\xNN"), so the message stays on one line.
std::string controlCharacterRefusal(std::string_view url);

// The process arguments that are URLs to open, in order: those with a scheme (a letter, then letters,
// digits, '+', '-' or '.', then ':'). Options ("--restore-dock", Qt's "-display :1") are none, and
// neither is the value that follows one of Qt's options that take one ("-display host:0").
std::vector<std::string> urlsAmongArguments(const std::vector<std::string>& arguments);

}  // namespace pelko
