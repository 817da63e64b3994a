#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko::sim {

// The identity of one interface object of the simulated Mac: an application, a window or a window's
// close button. The messaging time-out belongs to the element object and is not part of its identity.
class SimAXElementRef final : public platform::AXElementRef {
 public:
  using Kind = SimElementKind;

  SimAXElementRef(int32_t pid, Kind kind, WindowID window) : pid_(pid), kind_(kind), window_(window) {}

  int32_t processIdentifier() const override { return pid_; }
  size_t hash() const override;
  bool isEqual(const platform::AXElementRef& other) const override;

  Kind kind() const { return kind_; }
  WindowID window() const { return window_; }
  float messagingTimeout() const { return timeout_.load(); }
  void setMessagingTimeout(float seconds) const { timeout_.store(seconds); }

  static constexpr float kDefaultMessagingTimeout = 6.0f;

 private:
  int32_t pid_;
  Kind kind_;
  WindowID window_;
  mutable std::atomic<float> timeout_{kDefaultMessagingTimeout};
};

class SimAXObserver final : public platform::AXObserver, public std::enable_shared_from_this<SimAXObserver> {
 public:
  SimAXObserver(std::weak_ptr<SimulatedMac::Anchor> anchor, int32_t pid,
                platform::AXObserverCallback callback);

  int32_t processIdentifier() const override { return pid_; }
  AXError addNotification(const platform::AXElement& element, std::string_view notification) override;
  AXError removeNotification(const platform::AXElement& element, std::string_view notification) override;
  void addToMainRunLoop() override;
  void removeFromMainRunLoop() override;

  // Whether a change of `target` (of an application whose element is `application`) named
  // `notification` reaches this observer. The caller holds the world's mutex.
  bool wants(const platform::AXElement& target, const platform::AXElement& application,
             std::string_view notification) const;
  // On the main queue: runs the callback when the observer still wants the notification.
  void deliver(const platform::AXElement& target, const platform::AXElement& application,
               const std::string& notification);

 private:
  std::weak_ptr<SimulatedMac::Anchor> anchor_;
  int32_t pid_;
  platform::AXObserverCallback callback_;
  // The bit of a notification name in this observer's vocabulary; nothing when it is not in it.
  std::optional<int> notificationBit(std::string_view notification) const;
  // The same, adding the name when it is new; nothing when the vocabulary is full.
  std::optional<int> addNotificationName(std::string_view notification);

  // The notifications registered on each element, as bits of `vocabulary_`: an observer of an
  // application with many windows holds one registration per window, so each is one word rather than a
  // list of names, and each change asks about two elements only.
  static constexpr size_t kMaxNotificationNames = 64;
  std::vector<std::string> vocabulary_;
  std::unordered_map<platform::AXElement, uint64_t, platform::AXElementHash> registrations_;
  bool onRunLoop_ = false;
};

// The Accessibility port of the simulated Mac.
class SimAccessibility final : public platform::Accessibility {
 public:
  explicit SimAccessibility(SimulatedMac& mac) : mac_(mac) {}

  platform::AXElement createApplicationElement(int32_t pid) override;
  AXError setMessagingTimeout(const platform::AXElement& element, float seconds) override;
  platform::AXCopyResult copyAttributeValue(const platform::AXElement& element,
                                            std::string_view attribute) override;
  AXError setAttributeValue(const platform::AXElement& element, std::string_view attribute,
                            const platform::AXValue& value) override;
  AXError performAction(const platform::AXElement& element, std::string_view action) override;
  platform::AXWindowNumberResult windowNumber(const platform::AXElement& element) override;
  platform::AXObserverResult createObserver(int32_t pid, platform::AXObserverCallback callback) override;

  // What a call on `element` reaches, after the checks every call makes (trust, a running process,
  // faults, a live window). The caller holds the world's mutex.
  struct Target {
    AXError error = AXError::success;
    const SimAXElementRef* ref = nullptr;
    SimulatedMac::App* app = nullptr;
    SimulatedMac::Window* window = nullptr;
  };
  Target resolve(const platform::AXElement& element);

 private:
  platform::AXCopyResult readApplication(SimulatedMac::App& app, std::string_view attribute);
  platform::AXCopyResult readWindow(SimulatedMac::Window& window, std::string_view attribute);
  AXError writeApplication(SimulatedMac::App& app, std::string_view attribute,
                           const platform::AXValue& value);
  AXError writeWindow(SimulatedMac::Window& window, std::string_view attribute,
                      const platform::AXValue& value);

  SimulatedMac& mac_;
};

}  // namespace pelko::sim
