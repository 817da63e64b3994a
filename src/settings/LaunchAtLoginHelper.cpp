#include "settings/LaunchAtLoginHelper.h"

#include "foundation/DebugLog.h"
#include "platform/PlistXml.h"

namespace pelko {

using platform::LoginItemStatus;

LaunchAtLoginHelper::LaunchAtLoginHelper(platform::LoginItems& loginItems, platform::FileSystem& fileSystem,
                                         const platform::AppShell& appShell)
    : loginItems_(loginItems), fileSystem_(fileSystem), appShell_(appShell) {}

std::string LaunchAtLoginHelper::launchAgentPlistPath() const {
  std::string home = appShell_.homeDirectory();
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  if (home == "/") home.clear();
  return home + "/Library/LaunchAgents/" + kLaunchAgentLabel + ".plist";
}

bool LaunchAtLoginHelper::isEnabled() const {
  if (loginItems_.status() == LoginItemStatus::enabled) return true;
  // A launch agent file that the system never reads starts nothing, wherever it came from.
  return loginItems_.startsLaunchAgents() && fileSystem_.fileExists(launchAgentPlistPath());
}

bool LaunchAtLoginHelper::requiresApproval() const {
  return loginItems_.status() == LoginItemStatus::requiresApproval;
}

void LaunchAtLoginHelper::setEnabled(bool enabled) {
  LoginItemStatus status = loginItems_.status();
  std::string error;
  if (enabled) {
    if (status == LoginItemStatus::enabled || status == LoginItemStatus::requiresApproval) {
      setLaunchAgent(false);
      return;
    }
    if (loginItems_.registerMainApp(error)) {
      setLaunchAgent(false);
    } else if (loginItems_.startsLaunchAgents()) {
      debugLog("LaunchAtLogin: register failed, using launch agent: " + error);
      setLaunchAgent(true);
    } else {
      debugLog("LaunchAtLogin: register failed: " + error);
    }
    return;
  }
  if (status == LoginItemStatus::notRegistered || status == LoginItemStatus::notFound) {
    setLaunchAgent(false);
    return;
  }
  if (!loginItems_.unregisterMainApp(error)) debugLog("LaunchAtLogin: unregister failed: " + error);
  setLaunchAgent(false);
}

void LaunchAtLoginHelper::setLaunchAgent(bool install) {
  // Where the system reads no launch agents, their folder is none of this program's business.
  if (!loginItems_.startsLaunchAgents()) return;
  const std::string path = launchAgentPlistPath();
  if (!install) {
    fileSystem_.removeFile(path);  // a missing file is what we want anyway
    return;
  }
  auto executable = appShell_.mainBundleExecutablePath();
  if (!executable) return;
  const std::string folder = path.substr(0, path.rfind('/'));
  if (!fileSystem_.createDirectories(folder)) {
    debugLog("LaunchAtLogin: cannot create " + folder);
    return;
  }
  platform::PlistValue::Dictionary agent{
      {"Label", kLaunchAgentLabel},
      {"ProgramArguments", platform::PlistValue::Array{*executable}},
      {"RunAtLoad", true},
      {"KeepAlive", false},
  };
  if (!fileSystem_.writeFileAtomically(path, platform::writePlistXml(agent)))
    debugLog("LaunchAtLogin: cannot write " + path);
}

void LaunchAtLoginHelper::openLoginItemsSettings(platform::Workspace& workspace) const {
  for (const std::string& location : loginItems_.settingsLocations())
    if (workspace.openURL(location)) return;
  debugLog("LaunchAtLogin: could not open the login items' settings");
}

}  // namespace pelko
