#include "platform/sim/SimulatedMac.h"

#include <algorithm>

#include "platform/sim/SimAccessibility.h"
#include "platform/sim/SimDistributedNotifications.h"
#include "platform/sim/SimScreens.h"
#include "platform/sim/SimWindowServer.h"
#include "platform/sim/SimWorkspace.h"

namespace pelko::sim {

using platform::WorkspaceNotificationName;

using Lock = std::lock_guard<std::recursive_mutex>;

namespace {
class SimProcessExistence final : public platform::ProcessExistence {
 public:
  explicit SimProcessExistence(SimulatedMac& mac) : mac_(mac) {}
  bool processExists(int32_t pid) override { return mac_.isRunning(pid); }

 private:
  SimulatedMac& mac_;
};
}  // namespace

SimulatedMac::SimulatedMac(Scheduler& scheduler, bool includeOwnProcess)
    : scheduler_(scheduler), anchor_(std::make_shared<Anchor>()) {
  anchor_->mac = this;
  workspace_ = std::make_unique<SimWorkspace>(*this);
  windowServer_ = std::make_unique<SimWindowServer>(*this);
  accessibility_ = std::make_unique<SimAccessibility>(*this);
  screens_ = std::make_unique<SimScreens>(*this);
  distributed_ = std::make_unique<SimDistributedNotifications>(scheduler);
  processExistence_ = std::make_unique<SimProcessExistence>(*this);
  displays_.push_back({nextDisplay_++, Rect(0, 0, 1920, 1080), 2.0, "Built-in Display"});

  appShell_.onActivateOwnProcess = [this] {
    Lock lock(anchor_->mutex);
    record("activate pid=" + std::to_string(appShell_.pid) + " options=0", appShell_.pid);
    activateLocked(appShell_.pid, platform::activateNone);
  };
  if (includeOwnProcess) {
    App app;
    app.pid = appShell_.pid;
    app.serial = nextSerial_++;
    app.setup.bundleID = appShell_.bundleID;
    app.setup.name = "Pelko";
    app.setup.bundlePath = "/Applications/Pelko.app";
    app.setup.executablePath = appShell_.executablePath;
    app.setup.policy = platform::ActivationPolicy::accessory;
    app.handle = std::make_shared<SimRunningApplication>(anchor_, app.pid, app.serial, app.setup);
    apps_.emplace(app.pid, std::move(app));
    launchOrder_.push_back(appShell_.pid);
  }
}

SimulatedMac::~SimulatedMac() {
  Lock lock(anchor_->mutex);
  anchor_->mac = nullptr;
  appShell_.onActivateOwnProcess = nullptr;
}

platform::Workspace& SimulatedMac::workspace() {
  return *workspace_;
}
platform::WindowServer& SimulatedMac::windowServer() {
  return *windowServer_;
}
platform::Accessibility& SimulatedMac::accessibility() {
  return *accessibility_;
}
platform::Screens& SimulatedMac::screens() {
  return *screens_;
}
platform::DistributedNotifications& SimulatedMac::distributedNotifications() {
  return *distributed_;
}
platform::ProcessExistence& SimulatedMac::processExistence() {
  return *processExistence_;
}

// ---- Lookups ----

SimulatedMac::App* SimulatedMac::findApp(int32_t pid) {
  auto it = apps_.find(pid);
  return it == apps_.end() ? nullptr : &it->second;
}
const SimulatedMac::App* SimulatedMac::findApp(int32_t pid) const {
  auto it = apps_.find(pid);
  return it == apps_.end() ? nullptr : &it->second;
}
SimulatedMac::App* SimulatedMac::runningApp(int32_t pid) {
  return findApp(pid);
}

SimulatedMac::Window* SimulatedMac::findWindow(WindowID window) {
  return windowIndex_.find(window);
}
const SimulatedMac::Window* SimulatedMac::findWindow(WindowID window) const {
  return windowIndex_.find(window);
}

bool SimulatedMac::isVisible(const Window& window) const {
  return !window.minimized && window.space == activeSpace_;
}

bool SimulatedMac::isOnScreen(const Window& window) const {
  const App* app = findApp(window.owner);
  return app && !app->hidden && isVisible(window);
}

SimulatedMac::AppWindow& SimulatedMac::appEntry(const Window& window) {
  std::vector<AppWindow>& mine = findApp(window.owner)->windows;
  return *std::find_if(mine.begin(), mine.end(),
                       [&](const AppWindow& entry) { return entry.window == &window; });
}

const std::string* SimulatedMac::internSubrole(const std::optional<std::string>& subrole) {
  if (!subrole) return nullptr;
  return &*subroles_.insert(*subrole).first;
}

std::vector<WindowID> SimulatedMac::appWindowsFrontToBack(int32_t pid) const {
  std::vector<WindowID> result;
  const App* app = findApp(pid);
  if (!app) return result;
  result.reserve(app->windows.size());
  for (const AppWindow& entry : app->windows) result.push_back(entry.number);
  return result;
}

std::vector<WindowID> SimulatedMac::axWindowList(int32_t pid) const {
  std::vector<WindowID> result;
  const App* app = findApp(pid);
  if (!app) return result;
  result.reserve(app->windows.size());
  for (const AppWindow& entry : app->windows)
    if (entry.listedInAccessibility && !entry.minimized && entry.space == activeSpace_)
      result.push_back(entry.number);
  for (const AppWindow& entry : app->windows)
    if (entry.listedInAccessibility && entry.minimized) result.push_back(entry.number);
  return result;
}

std::optional<size_t> SimulatedMac::displayIndexFor(const Rect& bounds) const {
  std::optional<size_t> best;
  double bestArea = 0;
  for (size_t i = 0; i < displays_.size(); ++i) {
    double area = bounds.intersectionArea(displays_[i].bounds);
    if (area > bestArea) {
      bestArea = area;
      best = i;
    }
  }
  return best;
}

platform::AXElement SimulatedMac::makeElement(int32_t pid, SimElementKind kind, WindowID window) const {
  return platform::AXElement(std::make_shared<SimAXElementRef>(pid, kind, window));
}

// ---- Notifications and the log ----

void SimulatedMac::postWorkspace(WorkspaceNotificationName name, int32_t pid) {
  platform::WorkspaceNotification notification{name, nullptr};
  if (const App* app = findApp(pid)) notification.application = app->handle;
  std::weak_ptr<Anchor> weak = anchor_;
  scheduler_.mainAsync([weak, notification] {
    SimulatedMac* mac = nullptr;
    if (auto anchor = weak.lock()) {
      Lock lock(anchor->mutex);
      mac = anchor->mac;
    }
    if (mac) mac->workspace_->deliver(notification);
  });
}

void SimulatedMac::postAX(int32_t pid, WindowID window, std::string_view notification) {
  App* app = findApp(pid);
  if (!app) return;
  if (window) {
    const Window* w = findWindow(window);
    if (w && !w->listedInAccessibility) return;
  }
  auto application = makeElement(pid, SimElementKind::application);
  auto target = window ? makeElement(pid, SimElementKind::window, window) : application;
  std::string name(notification);
  auto& observers = app->observers;
  observers.erase(
      std::remove_if(observers.begin(), observers.end(), [](auto& weak) { return weak.expired(); }),
      observers.end());
  for (const auto& weakObserver : observers) {
    auto observer = weakObserver.lock();
    if (!observer || !observer->wants(target, application, name)) continue;
    std::weak_ptr<SimAXObserver> weak = observer;
    scheduler_.mainAsync([weak, target, application, name] {
      if (auto o = weak.lock()) o->deliver(target, application, name);
    });
  }
}

void SimulatedMac::postScreensChanged() {
  std::weak_ptr<Anchor> weak = anchor_;
  scheduler_.mainAsync([weak] {
    SimulatedMac* mac = nullptr;
    if (auto anchor = weak.lock()) {
      Lock lock(anchor->mutex);
      mac = anchor->mac;
    }
    if (mac) mac->screens_->deliverChange();
  });
}

void SimulatedMac::record(std::string text, int32_t pid, WindowID window, AXError result, bool appendCode) {
  if (result != AXError::success && appendCode) text += " -> error " + std::to_string(platform::code(result));
  actions_.push_back({std::move(text), pid, window, result});
  if (actions_.size() > kActionLogCapacity) actions_.pop_front();
}

// ---- Observations ----

std::vector<SimAction> SimulatedMac::actions() const {
  Lock lock(anchor_->mutex);
  return {actions_.begin(), actions_.end()};
}

std::vector<std::string> SimulatedMac::actionTexts() const {
  Lock lock(anchor_->mutex);
  std::vector<std::string> texts;
  for (const auto& action : actions_) texts.push_back(action.text);
  return texts;
}

void SimulatedMac::clearActions() {
  Lock lock(anchor_->mutex);
  actions_.clear();
}

std::vector<std::string> SimulatedMac::openedURLs() const {
  Lock lock(anchor_->mutex);
  return {openedURLs_.begin(), openedURLs_.end()};
}

int SimulatedMac::windowCaptureCount() const {
  Lock lock(anchor_->mutex);
  return captureCount_;
}

int SimulatedMac::axRequestCount(int32_t pid) const {
  return appField(pid, &App::axRequests);
}

double SimulatedMac::hungWaitSeconds(int32_t pid) const {
  return appField(pid, &App::hungWait);
}

int SimulatedMac::liveObserverCount(int32_t pid) const {
  Lock lock(anchor_->mutex);
  const App* app = findApp(pid);
  if (!app) return 0;
  return static_cast<int>(std::count_if(app->observers.begin(), app->observers.end(),
                                        [](const auto& weak) { return !weak.expired(); }));
}

}  // namespace pelko::sim
