#pragma once

#include <functional>
#include <stop_token>
#include <thread>

namespace pelko {

// Loads the system's font configuration (fontconfig's files and its caches of the installed fonts) on
// a thread of its own while the application object connects to the display. The bars' first layout
// measures text, and that first use of the fonts would otherwise read all of it on the main thread
// before the first bar is on screen. fontconfig may be started from any thread, but a second caller
// that comes while this one still loads builds a configuration of its own beside it: start-up waits
// for the warm-up (destroys it) before the bars are built, which never takes longer than loading again.
// The thread starts before the application object and the Scheduler exist, which is why it is a thread
// of its own rather than a background queue's task. Destroying the warm-up waits for the thread.
class FontWarmUp {
 public:
  // `load` runs on the thread; by default fontconfig's own start.
  explicit FontWarmUp(std::function<void()> load = loadFontConfiguration);
  // A load that can end early is told through `stop` when the warm-up is being destroyed.
  explicit FontWarmUp(std::function<void(std::stop_token stop)> load);
  ~FontWarmUp() = default;
  FontWarmUp(const FontWarmUp&) = delete;
  FontWarmUp& operator=(const FontWarmUp&) = delete;

  static void loadFontConfiguration();

 private:
  std::jthread thread_;
};

}  // namespace pelko
