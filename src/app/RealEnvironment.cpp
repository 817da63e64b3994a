#include "app/RealEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/real/FreedesktopTrash.h"
#include "platform/real/PlistFileUserDefaults.h"
#include "platform/real/PosixChildProcess.h"
#include "platform/real/PosixFileSystem.h"
#include "platform/real/PosixProcessControl.h"
#include "platform/real/QtEventMonitors.h"
#include "platform/real/QtScreens.h"
#include "platform/real/RealScheduler.h"
#include "platform/real/SysfsPowerSources.h"
#include "platform/real/SystemLocaleTimeZone.h"
#include "platform/real/XdgAutostartLoginItems.h"
#include "settings/SettingsManager.h"

namespace pelko {

namespace {

// The folder that stands in for the Dock's side of the Mac.
std::string simulatedDockFolder(const std::string& configFolder) {
  const char* variable = std::getenv("PELKO_SIM_DOCK_DIR");
  std::string folder = variable ? variable : "";
  if (folder.empty()) folder = configFolder + "/simulated-dock";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return folder;
}

}  // namespace

RealEnvironment::RealEnvironment(const std::string& configFolder, const std::string& bundleIdentifier,
                                 bool restoreOnly) {
  scheduler = std::make_unique<real::RealScheduler>();
  // A setting's value its reader cannot use is left out and said like one the file itself cannot hold.
  userDefaults = std::make_unique<real::PlistFileUserDefaults>(*scheduler, configFolder, bundleIdentifier,
                                                               &SettingsManager::whyUnreadable);

  real::PosixChildProcess::Options childOptions;
  childOptions.extraEnvironment["PELKO_SIM_DOCK_DIR"] = simulatedDockFolder(configFolder);
  childProcess = std::make_unique<real::PosixChildProcess>(childOptions);

  processControl = std::make_unique<real::PosixProcessControl>();
  fileSystem = std::make_unique<real::PosixFileSystem>();
  loginItems = std::make_unique<real::XdgAutostartLoginItems>(
      *fileSystem, real::XdgAutostartLoginItems::defaultEntryPath("pelko"), executablePath());
  trash = std::make_unique<real::FreedesktopTrash>();
  if (!restoreOnly) {
    powerSources = std::make_unique<real::SysfsPowerSources>();
    localeTimeZone = std::make_unique<real::SystemLocaleTimeZone>();
    screens = std::make_unique<real::QtScreens>(*scheduler);
  }
  eventMonitors = std::make_unique<real::QtEventMonitors>(*scheduler);
}

RealEnvironment::~RealEnvironment() = default;

std::string RealEnvironment::executablePath() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

}  // namespace pelko
