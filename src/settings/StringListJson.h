#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/PropertyList.h"

namespace pelko {

using StringList = std::vector<std::string>;

// The compact JSON array form in which the bundle-identifier lists are stored ("["a","b"]", UTF-8, no
// white space). Encoding fails (nothing) when a string is not valid UTF-8, since JSON cannot carry it.
std::optional<platform::PlistData> encodeStringListJson(const StringList& list);

// Strict decoding: the data must be UTF-8 JSON whose top level is an array of strings only.
std::optional<StringList> decodeStringListJson(const platform::PlistData& data);

}  // namespace pelko
