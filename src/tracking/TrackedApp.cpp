#include "tracking/TrackedApp.h"

#include <cmath>
#include <limits>

#include "platform/Workspace.h"

namespace pelko {

namespace {
constexpr double kIconPoints = 128;
constexpr int kPixelsWithoutScreen = 256;
}  // namespace

TrackedApp::TrackedApp(std::string bundleID, std::string name, AppImage icon, int32_t pid, bool isActive,
                       bool isHidden, bool isMinimized, std::optional<std::string> windowTitle,
                       std::optional<int64_t> windowNumber)
    : bundleID(std::move(bundleID)),
      name(std::move(name)),
      icon(std::move(icon)),
      pid(pid),
      windowTitle(std::move(windowTitle)),
      windowNumber(windowNumber),
      isActive(isActive),
      isHidden(isHidden),
      isMinimized(isMinimized),
      id(makeID(this->bundleID, pid, windowNumber)) {
  // The object-level announcement comes first, because this subscription is each field's first.
  auto announce = [this](const auto&) { willChange_.send(std::monostate{}); };
  this->windowTitle.publisher().dropFirst().sink(announce).store(forwarding_);
  this->isActive.publisher().dropFirst().sink(announce).store(forwarding_);
  this->isHidden.publisher().dropFirst().sink(announce).store(forwarding_);
  this->isMinimized.publisher().dropFirst().sink(announce).store(forwarding_);
}

std::string TrackedApp::makeID(const std::string& bundleID, int32_t pid,
                               std::optional<int64_t> windowNumber) {
  std::string result = bundleID + "-" + std::to_string(pid);
  if (windowNumber) result += "-" + std::to_string(*windowNumber);
  return result;
}

std::string TrackedApp::displayName() const {
  const auto& title = windowTitle.get();
  return title ? *title : name;
}

std::shared_ptr<TrackedApp> TrackedApp::fromRunningApplication(const platform::RunningApplication& app,
                                                               platform::Workspace& workspace,
                                                               std::optional<double> mainScreenScale) {
  auto bundleID = app.bundleIdentifier();
  if (!bundleID) return nullptr;
  if (app.isTerminated()) return nullptr;
  std::string name = app.localizedName().value_or(*bundleID);
  auto source = app.icon();
  if (!source) source = workspace.iconForFile(app.bundleURL().value_or(""));
  AppImage icon = rasterizeIcon(AppImage{*source}, mainScreenScale);
  return std::make_shared<TrackedApp>(*bundleID, std::move(name), std::move(icon), app.processIdentifier(),
                                      app.isActive(), app.isHidden(), false, std::nullopt, std::nullopt);
}

AppImage TrackedApp::rasterizeIcon(const AppImage& icon, std::optional<double> mainScreenScale) {
  int pixels = kPixelsWithoutScreen;
  if (mainScreenScale) {
    double wanted = *mainScreenScale * kIconPoints;
    // A bitmap of no pixels (or of a nonsensical scale) cannot be made: keep the image as it is.
    if (!std::isfinite(wanted) || wanted < 1 || wanted > std::numeric_limits<int>::max()) return icon;
    pixels = static_cast<int>(wanted);
  }
  return AppImage{icon.source, Size{kIconPoints, kIconPoints}, pixels, pixels};
}

}  // namespace pelko
