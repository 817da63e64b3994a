#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "foundation/Geometry.h"
#include "foundation/Published.h"
#include "foundation/Subject.h"
#include "platform/RunningApplication.h"

namespace pelko {

namespace platform {
class Workspace;
}  // namespace platform

// An entry's icon: the platform's icon and the bitmap it is drawn into. A rasterized icon measures
// 128 x 128 points and carries its pixel size; an icon that was never rasterized has 0 pixels and the
// user interface draws it at whatever size it needs.
struct AppImage {
  platform::AppIcon source;
  Size size{128, 128};
  int pixelsWide = 0;
  int pixelsHigh = 0;
  bool operator==(const AppImage&) const = default;
};

// One taskbar entry: a whole running application (no window number) or one of its windows. The tracker
// creates entries, keeps the same objects across refresh passes and updates their variable fields in
// place on the main thread; item buttons observe the published fields. Entries are equal and hash by
// `id` alone, so a pass can recognise the entries it already has.
class TrackedApp {
 public:
  TrackedApp(std::string bundleID, std::string name, AppImage icon, int32_t pid, bool isActive, bool isHidden,
             bool isMinimized, std::optional<std::string> windowTitle, std::optional<int64_t> windowNumber);
  TrackedApp(const TrackedApp&) = delete;
  TrackedApp& operator=(const TrackedApp&) = delete;

  // The application entry of a running application; nothing for one without a bundle identifier or
  // one that has terminated. `mainScreenScale` is the main screen's backing scale (none without one).
  static std::shared_ptr<TrackedApp> fromRunningApplication(const platform::RunningApplication& app,
                                                            platform::Workspace& workspace,
                                                            std::optional<double> mainScreenScale);

  // Redraws an icon as one bitmap of 128 x 128 points at the main screen's resolution.
  static AppImage rasterizeIcon(const AppImage& icon, std::optional<double> mainScreenScale);

  const std::string bundleID;
  const std::string name;
  const AppImage icon;
  const int32_t pid;
  Published<std::optional<std::string>> windowTitle;
  const std::optional<int64_t> windowNumber;
  Published<bool> isActive;
  Published<bool> isHidden;
  Published<bool> isMinimized;
  // The monitor the tracker assigned the entry to; absent until assigned.
  std::optional<uint32_t> displayID;
  // Set right after a title-changed notification wrote the title, so the next merge keeps it.
  bool titleFreshFromFastPath = false;
  const std::string id;

  bool isWindowEntry() const { return windowNumber.has_value(); }
  // The title when there is one (even an empty one), else the application's name.
  std::string displayName() const;

  // Fires before any published field of the entry is assigned.
  Publisher<std::monostate> objectWillChange() const { return willChange_.publisher(); }

  bool operator==(const TrackedApp& other) const { return id == other.id; }

  static std::string makeID(const std::string& bundleID, int32_t pid, std::optional<int64_t> windowNumber);

 private:
  Subject<std::monostate> willChange_;
  CancellableBag forwarding_;
};

using TrackedAppPtr = std::shared_ptr<TrackedApp>;

}  // namespace pelko

template <>
struct std::hash<pelko::TrackedApp> {
  size_t operator()(const pelko::TrackedApp& app) const noexcept { return std::hash<std::string>()(app.id); }
};
