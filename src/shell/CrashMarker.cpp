#include "shell/CrashMarker.h"

#include <cstdio>

#include "foundation/ControlCharacters.h"

namespace pelko {

std::string CrashMarker::text(const platform::UncaughtException& exception) {
  return exception.name + ": " + exception.reason.value_or("unknown");
}

bool CrashMarker::store(platform::UserDefaults& defaults, const platform::UncaughtException& exception) {
  // The thread that failed may be the one holding the store: the way-out forms never wait for it.
  const std::string marker = text(exception);
  const char* why = nullptr;
  if (!defaults.setObjectOnTheWayOut(kKey, marker)) {
    why = "the settings were in use by another thread";
  } else if (!defaults.synchronizeOnTheWayOut()) {
    why = "the settings file was in use by another thread or could not be written";
  }
  if (!why) return true;
  std::fprintf(stderr, "Pelko: the uncaught exception (%s) is not recorded for the next start: %s.\n",
               withControlCharactersHidden(marker).c_str(), why);
  std::fflush(stderr);
  return false;
}

std::optional<std::string> CrashMarker::take(platform::UserDefaults& defaults) {
  auto marker = defaults.stringForKey(kKey);
  if (!marker) return std::nullopt;
  defaults.removeObject(kKey);
  return marker;
}

}  // namespace pelko
