#pragma once

#include <optional>
#include <string>

#include "platform/ProcessControl.h"
#include "platform/UserDefaults.h"

namespace pelko {

// What an uncaught exception leaves for the next start: "<name>: <reason>" under "PelkoLastCrash".
class CrashMarker {
 public:
  static constexpr const char* kKey = "PelkoLastCrash";

  // "<name>: <reason>", the reason being "unknown" when the exception gave none.
  static std::string text(const platform::UncaughtException& exception);
  // Stores the marker and writes it to disk at once: the process is about to end. Never waits for a
  // hold on the settings the failing thread itself has; when the marker cannot be stored or written,
  // stderr says so and this returns false.
  static bool store(platform::UserDefaults& defaults, const platform::UncaughtException& exception);
  // The marker a previous run left, removed so that it is reported once; nothing when there is none.
  static std::optional<std::string> take(platform::UserDefaults& defaults);
};

}  // namespace pelko
