#include "foundation/DebugLog.h"

#include <mutex>
#include <utility>

namespace pelko {

namespace {
std::mutex& sinkMutex() {
  static std::mutex mutex;
  return mutex;
}
DebugLogSink& currentSink() {
  static DebugLogSink sink;
  return sink;
}
}  // namespace

void debugLog(std::string_view message) {
  std::lock_guard lock(sinkMutex());
  if (auto& sink = currentSink()) sink(message);
}

DebugLogSink setDebugLogSink(DebugLogSink sink) {
  std::lock_guard lock(sinkMutex());
  return std::exchange(currentSink(), std::move(sink));
}

}  // namespace pelko
