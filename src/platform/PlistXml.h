#pragma once

#include <optional>
#include <string>

#include "platform/PropertyList.h"

namespace pelko::platform {

// The XML property-list format (version 1.0, the DOCTYPE the standard tools write and read).
std::string writePlistXml(const PlistValue& root);

// Parses an XML property list; nothing when the text is not a well-formed one. `error`, when given,
// receives a one-line description of the first problem.
std::optional<PlistValue> parsePlistXml(const std::string& text, std::string* error = nullptr);

}  // namespace pelko::platform
