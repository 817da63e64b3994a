#include "shell/CrashMarker.h"

namespace pelko {

std::string CrashMarker::text(const platform::UncaughtException& exception) {
  return exception.name + ": " + exception.reason.value_or("unknown");
}

void CrashMarker::store(platform::UserDefaults& defaults, const platform::UncaughtException& exception) {
  defaults.setObject(kKey, text(exception));
  defaults.synchronize();
}

std::optional<std::string> CrashMarker::take(platform::UserDefaults& defaults) {
  auto marker = defaults.stringForKey(kKey);
  if (!marker) return std::nullopt;
  defaults.removeObject(kKey);
  return marker;
}

}  // namespace pelko
