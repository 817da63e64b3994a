#pragma once

#include <memory>

#include "FakeFileSystem.h"
#include "foundation/VirtualScheduler.h"
#include "platform/sim/InMemoryUserDefaults.h"
#include "platform/sim/SimAppShell.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimPermissions.h"
#include "settings/LaunchAtLoginHelper.h"
#include "settings/SettingsManager.h"

namespace pelko::test {

// A fresh simulated system for one settings store: plant values in `defaults` and set the permission
// and login-item state first, then call make().
struct SettingsTestWorld {
  VirtualScheduler scheduler;
  sim::InMemoryUserDefaults defaults;
  sim::SimPermissions permissions;
  sim::SimAppearance appearance;
  sim::SimLoginItems loginItems;
  sim::SimAppShell appShell;
  FakeFileSystem fileSystem;
  LaunchAtLoginHelper launchAtLogin{loginItems, fileSystem, appShell};

  std::unique_ptr<SettingsManager> make() {
    return std::make_unique<SettingsManager>(
        SettingsManager::Dependencies{defaults, permissions, appearance, launchAtLogin, scheduler});
  }

  std::optional<platform::PlistValue> stored(const std::string& key) const {
    return defaults.storedObject(key);
  }
};

}  // namespace pelko::test
