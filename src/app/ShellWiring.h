#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/real/DesktopUrlWorkspace.h"
#include "screens/DockManager.h"
#include "shell/AppDelegate.h"

namespace pelko {

struct FrontEnds;
struct RealEnvironment;
struct SimulatedWorld;
class ThumbnailServices;

// How the shell is made from the real environment, the simulated world and the front ends: the Dock's
// tools, the desktop's URL handler, the thumbnails, and the factories of the bars, the settings window,
// the About window and the onboarding window. Everything it is made with, and the wiring itself,
// outlives the delegate whose environment it builds; the factories refer to them.
struct ShellWiring {
  ShellWiring(RealEnvironment& real, SimulatedWorld& world, FrontEnds& frontEnds,
              DockManager::Services dockServices, std::string configFolder, bool restoreOnly);
  ~ShellWiring();
  ShellWiring(const ShellWiring&) = delete;
  ShellWiring& operator=(const ShellWiring&) = delete;

  // The delegate's environment for a start with these arguments (the process's, after its name).
  AppDelegate::Environment delegateEnvironment(std::vector<std::string> arguments);
  // The bars' and the settings window's factories; none in a restore-only run.
  AppDelegate::TaskbarsFactory makeTaskbarsFactory();
  AppDelegate::SettingsWindowFactory makeSettingsWindowFactory();

  RealEnvironment& real;
  SimulatedWorld& world;
  FrontEnds& frontEnds;
  const std::string configFolder;
  const bool restoreOnly;
  DockManager::Services dockServices;
  // Files, folders and web pages (the trash, the feedback page) open through the desktop's URL handler;
  // the running applications stay the simulated Mac's.
  real::DesktopUrlWorkspace desktopWorkspace;
  // Thumbnails capture the simulated windows and follow the real pointer; none in a restore-only run.
  std::unique_ptr<ThumbnailServices> thumbnails;
};

}  // namespace pelko
