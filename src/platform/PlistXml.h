#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/PropertyList.h"

namespace pelko::platform {

// The XML property-list format (version 1.0, the DOCTYPE the standard tools write and read).
std::string writePlistXml(const PlistValue& root);

// Parses an XML property list; nothing when the text is not a well-formed one. `error`, when given,
// receives a one-line description of the first problem.
std::optional<PlistValue> parsePlistXml(const std::string& text, std::string* error = nullptr);

// What a forgiving read of a property list with a dictionary at its root could keep.
struct PlistDictionaryRecovery {
  PlistValue::Dictionary values;
  // Top-level entries left out because a value in them cannot be represented (a number out of range,
  // text that is not UTF-8, a malformed date or base64): the key, and why.
  std::vector<std::pair<std::string, std::string>> droppedEntries;
  // Why the document ends early (cut short or malformed); `values` then holds every complete entry
  // before that point. Empty when the document is whole.
  std::string damage;

  bool lostAnything() const { return !droppedEntries.empty() || !damage.empty(); }
};

// Reads the top-level entries of a dictionary property list one by one, keeping each that can be read.
// Nothing (with `error` set) when not even the root dictionary can be found.
std::optional<PlistDictionaryRecovery> recoverPlistDictionary(const std::string& text,
                                                              std::string* error = nullptr);

}  // namespace pelko::platform
