#include "platform/sim/SimAccessibility.h"

#include <algorithm>
#include <sstream>

namespace pelko::sim {

using Lock = std::lock_guard<std::recursive_mutex>;
using platform::AXCopyResult;
using platform::AXElement;
using platform::AXValue;
namespace ax = platform::ax;

namespace {

AXCopyResult value(AXValue v) {
  return {AXError::success, std::move(v)};
}
AXCopyResult failure(AXError error) {
  return {error, std::nullopt};
}

const SimAXElementRef* simRef(const AXElement& element) {
  return dynamic_cast<const SimAXElementRef*>(element.ref());
}

std::string describe(const AXValue& v) {
  std::ostringstream out;
  if (auto b = v.asBool())
    out << (*b ? "true" : "false");
  else if (auto i = v.asInteger())
    out << *i;
  else if (auto d = v.asReal())
    out << *d;
  else if (auto s = v.asString())
    out << '"' << *s << '"';
  else if (auto p = v.asPoint())
    out << '(' << p->x << ", " << p->y << ')';
  else if (auto z = v.asSize())
    out << '(' << z->width << ", " << z->height << ')';
  else if (auto e = v.asElement()) {
    const SimAXElementRef* ref = simRef(*e);
    if (ref && ref->kind() != SimElementKind::application)
      out << "window=" << ref->window();
    else
      out << "pid=" << e->pid();
  } else if (auto list = v.asElements())
    out << '[' << list->size() << " elements]";
  return out.str();
}

}  // namespace

// ---- Element identity ----

size_t SimAXElementRef::hash() const {
  size_t h = std::hash<int32_t>()(pid_);
  h = h * 31 + static_cast<size_t>(kind_);
  h = h * 31 + std::hash<WindowID>()(window_);
  return h;
}

bool SimAXElementRef::isEqual(const platform::AXElementRef& other) const {
  auto* o = dynamic_cast<const SimAXElementRef*>(&other);
  return o && o->pid_ == pid_ && o->kind_ == kind_ && o->window_ == window_;
}

// ---- Observers ----

SimAXObserver::SimAXObserver(std::weak_ptr<SimulatedMac::Anchor> anchor, int32_t pid,
                             platform::AXObserverCallback callback)
    : anchor_(std::move(anchor)), pid_(pid), callback_(std::move(callback)) {}

std::optional<int> SimAXObserver::notificationBit(std::string_view notification) const {
  auto known = std::find(vocabulary_.begin(), vocabulary_.end(), notification);
  if (known == vocabulary_.end()) return std::nullopt;
  return static_cast<int>(known - vocabulary_.begin());
}

std::optional<int> SimAXObserver::addNotificationName(std::string_view notification) {
  if (auto bit = notificationBit(notification)) return bit;
  if (vocabulary_.size() == kMaxNotificationNames) return std::nullopt;
  vocabulary_.emplace_back(notification);
  return static_cast<int>(vocabulary_.size() - 1);
}

AXError SimAXObserver::addNotification(const AXElement& element, std::string_view notification) {
  auto anchor = anchor_.lock();
  if (!anchor) return AXError::invalidUIElementObserver;
  Lock lock(anchor->mutex);
  if (!anchor->mac) return AXError::invalidUIElementObserver;
  if (element.pid() != pid_) return AXError::illegalArgument;
  auto target = anchor->mac->accessibility_->resolve(element);
  if (target.error != AXError::success) return target.error;
  auto bit = addNotificationName(notification);
  if (!bit) return AXError::failure;
  uint64_t& names = registrations_[element];
  const uint64_t mask = uint64_t{1} << *bit;
  if (names & mask) return AXError::notificationAlreadyRegistered;
  names |= mask;
  return AXError::success;
}

AXError SimAXObserver::removeNotification(const AXElement& element, std::string_view notification) {
  auto anchor = anchor_.lock();
  if (!anchor) return AXError::invalidUIElementObserver;
  Lock lock(anchor->mutex);
  auto it = registrations_.find(element);
  auto bit = notificationBit(notification);
  if (it == registrations_.end() || !bit || !(it->second & (uint64_t{1} << *bit)))
    return AXError::notificationNotRegistered;
  it->second &= ~(uint64_t{1} << *bit);
  if (it->second == 0) registrations_.erase(it);
  return AXError::success;
}

void SimAXObserver::addToMainRunLoop() {
  if (auto anchor = anchor_.lock()) {
    Lock lock(anchor->mutex);
    onRunLoop_ = true;
  }
}

void SimAXObserver::removeFromMainRunLoop() {
  if (auto anchor = anchor_.lock()) {
    Lock lock(anchor->mutex);
    onRunLoop_ = false;
  }
}

bool SimAXObserver::wants(const AXElement& target, const AXElement& application,
                          std::string_view notification) const {
  auto bit = notificationBit(notification);
  if (!bit) return false;
  auto registeredOn = [&](const AXElement& element) {
    auto it = registrations_.find(element);
    return it != registrations_.end() && (it->second & (uint64_t{1} << *bit)) != 0;
  };
  return registeredOn(target) || (!(application == target) && registeredOn(application));
}

void SimAXObserver::deliver(const AXElement& target, const AXElement& application,
                            const std::string& notification) {
  platform::AXObserverCallback callback;
  {
    auto anchor = anchor_.lock();
    if (!anchor) return;
    Lock lock(anchor->mutex);
    if (!anchor->mac || !onRunLoop_ || !wants(target, application, notification)) return;
    callback = callback_;
  }
  if (callback) callback(target, notification);
}

// ---- The port ----

AXElement SimAccessibility::createApplicationElement(int32_t pid) {
  return mac_.makeElement(pid, SimElementKind::application);
}

SimAccessibility::Target SimAccessibility::resolve(const AXElement& element) {
  Target target;
  target.ref = simRef(element);
  if (!target.ref) {
    target.error = AXError::illegalArgument;
    return target;
  }
  if (!mac_.permissions_.accessibilityTrusted) {
    target.error = AXError::apiDisabled;
    return target;
  }
  target.app = mac_.findApp(target.ref->processIdentifier());
  if (!target.app) {
    target.error = AXError::invalidUIElement;
    return target;
  }
  ++target.app->axRequests;
  if (target.app->hung) {
    target.app->hungWait += target.ref->messagingTimeout();
    target.error = AXError::cannotComplete;
    return target;
  }
  if (target.app->axError) {
    target.error = *target.app->axError;
    return target;
  }
  if (target.ref->kind() != SimElementKind::application) {
    target.window = mac_.findWindow(target.ref->window());
    if (!target.window || target.window->owner != target.app->pid ||
        (target.ref->kind() == SimElementKind::closeButton && !target.window->hasCloseButton))
      target.error = AXError::invalidUIElement;
  }
  return target;
}

AXError SimAccessibility::setMessagingTimeout(const AXElement& element, float seconds) {
  const SimAXElementRef* ref = simRef(element);
  if (!ref || !(seconds >= 0)) return AXError::illegalArgument;
  ref->setMessagingTimeout(seconds);
  return AXError::success;
}

AXCopyResult SimAccessibility::copyAttributeValue(const AXElement& element, std::string_view attribute) {
  Lock lock(mac_.anchor_->mutex);
  Target target = resolve(element);
  if (target.error != AXError::success) return failure(target.error);
  if (target.window && target.window->readErrors) {
    auto it = target.window->readErrors->find(attribute);
    if (it != target.window->readErrors->end()) return failure(it->second);
  }
  auto it = target.app->readErrors.find(attribute);
  if (it != target.app->readErrors.end()) return failure(it->second);

  switch (target.ref->kind()) {
    case SimElementKind::application:
      return readApplication(*target.app, attribute);
    case SimElementKind::window:
      return readWindow(*target.window, attribute);
    case SimElementKind::closeButton:
      if (attribute == ax::kRole) return value(std::string(ax::kButtonRole));
      if (attribute == ax::kSubrole) return value(std::string(ax::kCloseButtonSubrole));
      if (attribute == ax::kParent)
        return value(mac_.makeElement(target.app->pid, SimElementKind::window, target.window->number));
      return failure(AXError::attributeUnsupported);
  }
  return failure(AXError::attributeUnsupported);
}

AXCopyResult SimAccessibility::readApplication(SimulatedMac::App& app, std::string_view attribute) {
  auto windowElement = [&](WindowID number) {
    return mac_.makeElement(app.pid, SimElementKind::window, number);
  };
  if (attribute == ax::kRole) return value(std::string(ax::kApplicationRole));
  if (attribute == ax::kTitle) {
    if (!app.setup.name) return failure(AXError::noValue);
    return value(*app.setup.name);
  }
  if (attribute == ax::kWindows) {
    std::vector<WindowID> numbers = mac_.axWindowList(app.pid);
    std::vector<AXElement> elements;
    elements.reserve(numbers.size());
    for (WindowID number : numbers) elements.push_back(windowElement(number));
    return value(std::move(elements));
  }
  if (attribute == ax::kMainWindow || attribute == ax::kFocusedWindow) {
    WindowID number = attribute == ax::kMainWindow ? app.mainWindow : app.focusedWindow;
    const SimulatedMac::Window* window = mac_.findWindow(number);
    if (!window || !window->listedInAccessibility) return failure(AXError::noValue);
    return value(windowElement(number));
  }
  if (attribute == ax::kFrontmost) return value(mac_.frontmost_ == app.pid);
  if (attribute == ax::kHidden) return value(app.hidden);
  return failure(AXError::attributeUnsupported);
}

AXCopyResult SimAccessibility::readWindow(SimulatedMac::Window& window, std::string_view attribute) {
  const SimulatedMac::App* app = mac_.findApp(window.owner);
  if (attribute == ax::kRole) return value(std::string(ax::kWindowRole));
  if (attribute == ax::kSubrole) {
    if (!window.subrole) return failure(AXError::noValue);
    return value(*window.subrole);
  }
  if (attribute == ax::kTitle) return value(window.title);
  if (attribute == ax::kPosition) return value(window.bounds.origin);
  if (attribute == ax::kSize) return value(window.bounds.size);
  if (attribute == ax::kMinimized) return value(window.minimized);
  if (attribute == ax::kMain) return value(app && app->mainWindow == window.number);
  if (attribute == ax::kFocused) return value(app && app->focusedWindow == window.number);
  if (attribute == ax::kFullScreen) return value(window.fullScreen);
  if (attribute == ax::kCloseButton) {
    if (!window.hasCloseButton) return failure(AXError::noValue);
    return value(mac_.makeElement(window.owner, SimElementKind::closeButton, window.number));
  }
  if (attribute == ax::kParent) return value(mac_.makeElement(window.owner, SimElementKind::application));
  return failure(AXError::attributeUnsupported);
}

AXError SimAccessibility::setAttributeValue(const AXElement& element, std::string_view attribute,
                                            const AXValue& newValue) {
  Lock lock(mac_.anchor_->mutex);
  const SimAXElementRef* ref = simRef(element);
  if (!ref) return AXError::illegalArgument;
  const bool isApplication = ref->kind() == SimElementKind::application;
  std::string text = "set " + std::string(attribute) + " " +
                     (isApplication ? "pid=" + std::to_string(ref->processIdentifier())
                                    : "window=" + std::to_string(ref->window())) +
                     " " + describe(newValue);

  Target target = resolve(element);
  AXError result = target.error;
  if (result == AXError::success) {
    auto written = target.app->writeErrors.find(attribute);
    if (target.app->refusedWriteError)
      result = *target.app->refusedWriteError;
    else if (written != target.app->writeErrors.end())
      result = written->second;
    else if (isApplication)
      result = writeApplication(*target.app, attribute, newValue);
    else if (ref->kind() == SimElementKind::window)
      result = writeWindow(*target.window, attribute, newValue);
    else
      result = AXError::attributeUnsupported;
  }
  mac_.record(text, ref->processIdentifier(), isApplication ? 0 : ref->window(), result);
  return result;
}

AXError SimAccessibility::writeApplication(SimulatedMac::App& app, std::string_view attribute,
                                           const AXValue& v) {
  if (attribute == ax::kFrontmost) {
    if (!v.asBool()) return AXError::illegalArgument;
    if (*v.asBool() && !app.refusesActivation) mac_.activateLocked(app.pid, platform::activateNone);
    return AXError::success;
  }
  if (attribute == ax::kHidden) {
    if (!v.asBool()) return AXError::illegalArgument;
    if (*v.asBool())
      mac_.hideLocked(app.pid);
    else
      mac_.unhideLocked(app.pid);
    return AXError::success;
  }
  if (attribute == ax::kMainWindow || attribute == ax::kFocusedWindow) {
    const AXElement* element = v.asElement();
    const SimAXElementRef* ref = element ? simRef(*element) : nullptr;
    if (!ref || ref->kind() != SimElementKind::window || ref->processIdentifier() != app.pid)
      return AXError::illegalArgument;
    const SimulatedMac::Window* window = mac_.findWindow(ref->window());
    if (!window) return AXError::invalidUIElement;
    if (attribute == ax::kMainWindow)
      mac_.setMainWindowLocked(app.pid, window->number);
    else
      mac_.setFocusedWindowLocked(app.pid, window->number);
    return AXError::success;
  }
  return AXError::attributeUnsupported;
}

AXError SimAccessibility::writeWindow(SimulatedMac::Window& window, std::string_view attribute,
                                      const AXValue& v) {
  const WindowID number = window.number;
  if (attribute == ax::kPosition) {
    if (!v.asPoint()) return AXError::illegalArgument;
    const Rect before = window.bounds;
    mac_.setFrameLocked(number, Rect(*v.asPoint(), window.bounds.size));
    mac_.noteFrameWrite(window, before);
    return AXError::success;
  }
  if (attribute == ax::kSize) {
    if (!v.asSize()) return AXError::illegalArgument;
    const Rect before = window.bounds;
    mac_.setFrameLocked(number, Rect(window.bounds.origin, *v.asSize()));
    mac_.noteFrameWrite(window, before);
    return AXError::success;
  }
  if (attribute == ax::kMinimized) {
    if (!v.asBool()) return AXError::illegalArgument;
    mac_.setMinimizedLocked(number, *v.asBool());
    return AXError::success;
  }
  if (attribute == ax::kMain || attribute == ax::kFocused) {
    if (!v.asBool()) return AXError::illegalArgument;
    if (*v.asBool()) {
      if (attribute == ax::kMain)
        mac_.setMainWindowLocked(window.owner, number);
      else
        mac_.setFocusedWindowLocked(window.owner, number);
    }
    return AXError::success;
  }
  if (attribute == ax::kFullScreen) {
    if (!v.asBool()) return AXError::illegalArgument;
    mac_.setFullScreen(number, *v.asBool());
    return AXError::success;
  }
  return AXError::attributeUnsupported;
}

AXError SimAccessibility::performAction(const AXElement& element, std::string_view action) {
  Lock lock(mac_.anchor_->mutex);
  const SimAXElementRef* ref = simRef(element);
  if (!ref) return AXError::illegalArgument;
  std::string text(action);
  if (ref->kind() == SimElementKind::closeButton) text += " AXCloseButton";
  text += ref->kind() == SimElementKind::application ? " pid=" + std::to_string(ref->processIdentifier())
                                                     : " window=" + std::to_string(ref->window());
  Target target = resolve(element);
  AXError result = target.error;
  if (result == AXError::success) {
    auto failing = target.app->actionErrors.find(action);
    if (failing != target.app->actionErrors.end())
      result = failing->second;
    else if (ref->kind() == SimElementKind::window && action == ax::kRaiseAction)
      mac_.raiseLocked(target.window->number);
    else if (ref->kind() == SimElementKind::closeButton && action == ax::kPressAction)
      mac_.closeWindowLocked(target.window->number);
    else
      result = AXError::actionUnsupported;
  }
  mac_.record(text, ref->processIdentifier(), ref->window(), result);
  return result;
}

platform::AXWindowNumberResult SimAccessibility::windowNumber(const AXElement& element) {
  Lock lock(mac_.anchor_->mutex);
  Target target = resolve(element);
  if (target.error != AXError::success) return {target.error, 0};
  if (target.ref->kind() != SimElementKind::window) return {AXError::illegalArgument, 0};
  if (target.window->numberUnavailable) return {AXError::failure, 0};
  return {AXError::success, target.window->number};
}

platform::AXObserverResult SimAccessibility::createObserver(int32_t pid,
                                                            platform::AXObserverCallback callback) {
  Lock lock(mac_.anchor_->mutex);
  if (!mac_.permissions_.accessibilityTrusted) return {AXError::apiDisabled, nullptr};
  if (!callback) return {AXError::illegalArgument, nullptr};
  SimulatedMac::App* app = mac_.findApp(pid);
  if (app && app->observerCreationError) return {*app->observerCreationError, nullptr};
  auto observer = std::make_shared<SimAXObserver>(mac_.anchor_, pid, std::move(callback));
  if (app) app->observers.push_back(observer);
  return {AXError::success, observer};
}

}  // namespace pelko::sim
