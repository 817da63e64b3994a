#include "shell/PelkoURL.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace pelko {

namespace {

bool isSchemeCharacter(char c, bool first) {
  auto u = static_cast<unsigned char>(c);
  if (std::isalpha(u)) return true;
  return !first && (std::isdigit(u) || c == '+' || c == '-' || c == '.');
}

// The host of an authority: without the user information before the last '@' and without a port.
std::string hostOf(std::string_view authority) {
  if (auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  if (!authority.empty() && authority.front() == '[') {
    auto close = authority.find(']');
    return std::string(authority.substr(0, close == std::string_view::npos ? authority.size() : close + 1));
  }
  return std::string(authority.substr(0, authority.find(':')));
}

// The toolkit's own options that take the next argument as their value, without the leading dashes
// (one or two: the toolkit reads both forms).
constexpr std::array<std::string_view, 14> kToolkitOptionsWithValue = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "title",         "name"};

bool takesValue(std::string_view option) {
  if (option.size() < 2 || option.front() != '-') return false;
  option.remove_prefix(option[1] == '-' ? 2 : 1);
  return std::find(kToolkitOptionsWithValue.begin(), kToolkitOptionsWithValue.end(), option) !=
         kToolkitOptionsWithValue.end();
}

}  // namespace

std::string controlCharacterRefusal(std::string_view url) {
  std::string shown;
  for (size_t i = 0; i < url.size();) {
    const size_t length = controlCharacterLength(url, i);
    if (length == 0) {
      shown += url[i++];
      continue;
    }
    for (size_t end = i + length; i < end; ++i) {
      if (url[i] == '\n') {
        shown += "\\n";
        continue;
      }
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(url[i]));
      shown += escaped;
    }
  }
  return "Pelko: a URL holding a line break or another control character is refused: \"" + shown + "\"";
}

std::vector<std::string> urlsAmongArguments(const std::vector<std::string>& arguments) {
  std::vector<std::string> urls;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.empty() || argument.front() == '-') continue;
    if (i > 0 && takesValue(arguments[i - 1])) continue;
    if (PelkoURL::parse(argument).scheme) urls.push_back(argument);
  }
  return urls;
}

PelkoURL PelkoURL::parse(std::string_view text) {
  PelkoURL url;
  url.absoluteString = std::string(text);
  auto colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0) return url;
  for (size_t i = 0; i < colon; ++i) {
    if (!isSchemeCharacter(text[i], i == 0)) return url;
  }
  url.scheme = std::string(text.substr(0, colon));

  std::string_view rest = text.substr(colon + 1);
  if (rest.substr(0, 2) != "//") return url;
  rest.remove_prefix(2);
  std::string host = hostOf(rest.substr(0, rest.find_first_of("/?#")));
  if (!host.empty()) url.host = std::move(host);
  return url;
}

}  // namespace pelko
