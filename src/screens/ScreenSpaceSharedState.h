#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pelko {

// What every bar's screen-space manager shares: applications whose Accessibility interface failed, the
// Mission Control and wake cooldowns, the applications never touched, and look-ups worth keeping. The
// monitor manager owns one and hands it to each manager it makes, so it outlives every rebuild. Main
// thread only.
struct ScreenSpaceSharedState {
  // Applications that answered "API disabled" or "cannot complete", with when they did.
  std::map<int32_t, double> axDisabledPIDs;
  std::map<int32_t, double> axTimedOutPIDs;
  // When Mission Control was last entered or left, and when it was last seen.
  std::optional<double> postMCResumeTime;
  std::optional<double> mcLastDetectedTime;
  // Until when resizing rests after the screens woke.
  std::optional<double> postWakeResumeTime;
  // Remote-desktop and virtual-machine viewers: their windows mirror another screen, so resizing them
  // would resize that screen's picture.
  std::set<std::string> remoteDesktopBundleIDs{
      "com.philandro.anydesk",         "com.teamviewer.TeamViewer", "com.teamviewer.TeamViewerHost",
      "com.parallels.desktop.console", "com.microsoft.rdc.macos",   "com.vmware.fusion",
      "com.citrix.receiver.nomas",     "com.realvnc.vncviewer"};
  // The user's excluded applications.
  std::set<std::string> blacklistedBundleIDs;
  std::map<int32_t, std::string> pidBundleIDCache;
  // -1 until looked up.
  int32_t cachedDockPID = -1;

  void updateBlacklistedBundleIDs(const std::vector<std::string>& bundleIDs) {
    blacklistedBundleIDs = std::set<std::string>(bundleIDs.begin(), bundleIDs.end());
  }
  bool isExcluded(const std::string& bundleID) const {
    return blacklistedBundleIDs.count(bundleID) || remoteDesktopBundleIDs.count(bundleID);
  }
};

}  // namespace pelko
