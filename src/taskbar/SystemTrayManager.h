#pragma once

#include <memory>
#include <optional>
#include <string>

#include "foundation/Cancellable.h"
#include "foundation/Published.h"
#include "foundation/Scheduler.h"

namespace pelko {

namespace platform {
class LocaleTimeZone;
class PowerSources;
class Workspace;
}  // namespace platform

// Formats one instant as short time or short date text in the locale and time zone it was made with.
class TrayDateFormatter {
 public:
  enum class Style { shortTime, shortDate };
  TrayDateFormatter(Style style, const std::string& localeIdentifier, const std::string& timeZoneIdentifier);
  // `secondsSinceEpoch`: wall-clock time.
  std::string string(double secondsSinceEpoch) const;

 private:
  Style style_;
  std::string locale_;
  std::string timeZone_;
};

// The one data source behind every bar's tray: the time and date texts, kept right to the minute by a
// one-shot timer re-armed after each minute boundary, and the internal battery's state. Formatters are
// rebuilt when the locale or the time zone changes; everything is refreshed when the screens wake.
// Main thread only; the published values are assigned on the main thread.
class SystemTrayManager : public std::enable_shared_from_this<SystemTrayManager> {
 public:
  struct Dependencies {
    Scheduler& scheduler;
    platform::Workspace& workspace;
    platform::PowerSources& powerSources;
    platform::LocaleTimeZone& localeTimeZone;
  };

  // The minute timer fires this long after the next minute boundary (whole seconds counted).
  static constexpr double kBoundaryMargin = 0.1;

  static std::shared_ptr<SystemTrayManager> create(const Dependencies& dependencies);
  ~SystemTrayManager();
  SystemTrayManager(const SystemTrayManager&) = delete;
  SystemTrayManager& operator=(const SystemTrayManager&) = delete;

  Published<std::string> timeString{std::string()};
  Published<std::string> dateString{std::string()};
  Published<std::optional<int>> batteryLevel{std::nullopt};
  Published<bool> isCharging{false};
  Published<bool> hasBattery{false};

  // Does nothing when started already.
  void start();
  // The published values keep their last state; start() starts again.
  void stop();

  bool isStarted() const { return clockTimer_ != nullptr; }
  // The pending minute timer's delay from when it was armed (for tests and diagnostics).
  std::optional<double> clockTimerDelay() const;
  // Whether battery changes are announced by the system; without, the minute timer re-reads it.
  bool observesPowerSources() const { return powerSourceObserver_.isActive(); }

 private:
  explicit SystemTrayManager(const Dependencies& dependencies);

  void updateClock();
  void updateBattery();
  void scheduleClockTimer();
  void cancelClockTimer();
  void rebuildFormatters();
  void clockTimerFired();

  Dependencies deps_;
  WorkItemPtr clockTimer_;
  double clockTimerDelay_ = 0;
  Cancellable localeObserver_;
  Cancellable timezoneObserver_;
  Cancellable wakeObserver_;
  Cancellable powerSourceObserver_;
  TrayDateFormatter timeFormatter_;
  TrayDateFormatter dateFormatter_;
};

}  // namespace pelko
