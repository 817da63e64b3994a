#include "settings/SettingEnumerations.h"

namespace pelko {

std::string_view explanation(MultiMonitorMode mode) {
  switch (mode) {
    case MultiMonitorMode::primaryOnly:
      return "Taskbar only on your main display.";
    case MultiMonitorMode::allOnAll:
      return "Every monitor shows all apps.";
    case MultiMonitorMode::activeMonitorOnly:
      return "Each monitor shows only its own windows. Minimized windows appear on the primary monitor.";
    case MultiMonitorMode::primaryAllOthersOwn:
      return "Primary monitor shows all apps. Other monitors show only their own windows.";
  }
  return {};
}

}  // namespace pelko
