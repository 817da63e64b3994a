#pragma once

#include <memory>
#include <string>

namespace pelko::real {
class FreedesktopTrash;
class PlistFileUserDefaults;
class PosixChildProcess;
class PosixFileSystem;
class PosixProcessControl;
class QtEventMonitors;
class QtScreens;
class RealScheduler;
class SysfsPowerSources;
class SystemLocaleTimeZone;
class XdgAutostartLoginItems;
}  // namespace pelko::real

namespace pelko {

// The parts of the Linux machine the program uses as they are: the main queue, a real defaults file
// (read only once the run holds the single-instance lock), real child processes for the Dock's tools,
// real POSIX signals, the file system, the autostart entry, the trash, the battery, the locale and time
// zone, the screens and the pointer. A restore-only run
// shows no bars, so it has no power sources, locale or screens (those stay null). The entry point
// tears the parts down one by one, in the order the program's teardown needs.
struct RealEnvironment {
  RealEnvironment(const std::string& configFolder, const std::string& bundleIdentifier, bool restoreOnly);
  ~RealEnvironment();
  RealEnvironment(const RealEnvironment&) = delete;
  RealEnvironment& operator=(const RealEnvironment&) = delete;

  // This program's file; empty when the system does not say.
  static std::string executablePath();

  std::unique_ptr<real::RealScheduler> scheduler;
  std::unique_ptr<real::PlistFileUserDefaults> userDefaults;
  std::unique_ptr<real::PosixChildProcess> childProcess;
  std::unique_ptr<real::PosixProcessControl> processControl;
  std::unique_ptr<real::PosixFileSystem> fileSystem;
  std::unique_ptr<real::XdgAutostartLoginItems> loginItems;
  std::unique_ptr<real::FreedesktopTrash> trash;
  // The tray's sources.
  std::unique_ptr<real::SysfsPowerSources> powerSources;
  std::unique_ptr<real::SystemLocaleTimeZone> localeTimeZone;
  std::unique_ptr<real::QtScreens> screens;
  // Thumbnails follow the real pointer.
  std::unique_ptr<real::QtEventMonitors> eventMonitors;
};

}  // namespace pelko
