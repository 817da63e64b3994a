#pragma once

#include <memory>
#include <vector>

#include "foundation/VirtualScheduler.h"
#include "platform/sim/InMemoryUserDefaults.h"
#include "platform/sim/SimAppShell.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimPermissions.h"
#include "settings/LaunchAtLoginHelper.h"
#include "settings/SettingsManager.h"
#include "support/FakeFileSystem.h"

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
  CancellableBag subscriptions;

  std::unique_ptr<SettingsManager> make() {
    return std::make_unique<SettingsManager>(
        SettingsManager::Dependencies{defaults, permissions, appearance, launchAtLogin, scheduler});
  }

  void plant(const std::string& key, const platform::PlistValue& value) { defaults.setObject(key, value); }
  std::optional<platform::PlistValue> stored(const std::string& key) const {
    return defaults.storedObject(key);
  }

  // Every value the setting publishes from now on (its current value is skipped).
  template <class T>
  std::shared_ptr<std::vector<T>> record(Setting<T>& setting) {
    auto values = std::make_shared<std::vector<T>>();
    subscriptions.push_back(
        setting.publisher().dropFirst().sink([values](const T& v) { values->push_back(v); }));
    return values;
  }

  // Appends `text(value)` to `events` whenever the setting publishes (its current value is skipped).
  template <class T, class E, class F>
  void trace(Setting<T>& setting, std::vector<E>& events, F text) {
    subscriptions.push_back(
        setting.publisher().dropFirst().sink([&events, text](const T& v) { events.push_back(text(v)); }));
  }
};

}  // namespace pelko::test
