#pragma once

#include <functional>
#include <string_view>

namespace pelko {

// The one diagnostic log. Messages carry their component prefix ("MM: ", "AppDelegate: ", ...). The
// shipped program discards them; tests and debugging sessions install a sink.
void debugLog(std::string_view message);

using DebugLogSink = std::function<void(std::string_view)>;
// Installs `sink` (or removes it when empty) and returns the previous one.
DebugLogSink setDebugLogSink(DebugLogSink sink);

}  // namespace pelko
