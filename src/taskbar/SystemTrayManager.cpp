#include "taskbar/SystemTrayManager.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>
#include <cmath>

#include "platform/LocaleTimeZone.h"
#include "platform/PowerSources.h"
#include "platform/Workspace.h"

namespace pelko {

TrayDateFormatter::TrayDateFormatter(Style style, const std::string& localeIdentifier,
                                     const std::string& timeZoneIdentifier)
    : style_(style), locale_(localeIdentifier), timeZone_(timeZoneIdentifier) {}

std::string TrayDateFormatter::string(double secondsSinceEpoch) const {
  const QLocale locale(QString::fromStdString(locale_));
  QTimeZone zone(QByteArray::fromStdString(timeZone_));
  if (!zone.isValid()) zone = QTimeZone::utc();
  const QDateTime instant =
      QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(secondsSinceEpoch * 1000)), zone);
  const QString text = style_ == Style::shortTime ? locale.toString(instant.time(), QLocale::ShortFormat)
                                                  : locale.toString(instant.date(), QLocale::ShortFormat);
  return text.toStdString();
}

std::shared_ptr<SystemTrayManager> SystemTrayManager::create(const Dependencies& dependencies) {
  return std::shared_ptr<SystemTrayManager>(new SystemTrayManager(dependencies));
}

SystemTrayManager::SystemTrayManager(const Dependencies& dependencies)
    : deps_(dependencies),
      timeFormatter_(TrayDateFormatter::Style::shortTime, deps_.localeTimeZone.currentLocaleIdentifier(),
                     deps_.localeTimeZone.systemTimeZoneIdentifier()),
      dateFormatter_(TrayDateFormatter::Style::shortDate, deps_.localeTimeZone.currentLocaleIdentifier(),
                     deps_.localeTimeZone.systemTimeZoneIdentifier()) {}

SystemTrayManager::~SystemTrayManager() {
  stop();
}

void SystemTrayManager::start() {
  deps_.scheduler.assertMainThread("SystemTrayManager::start");
  if (clockTimer_) return;
  updateClock();
  updateBattery();
  scheduleClockTimer();

  std::weak_ptr<SystemTrayManager> weak = weak_from_this();
  localeObserver_ = deps_.localeTimeZone.currentLocaleDidChange().sink([weak](const std::monostate&) {
    if (auto self = weak.lock()) self->rebuildFormatters();
  });
  timezoneObserver_ = deps_.localeTimeZone.systemTimeZoneDidChange().sink([weak](const std::monostate&) {
    if (auto self = weak.lock()) self->rebuildFormatters();
  });
  wakeObserver_ = deps_.workspace.notifications(platform::WorkspaceNotificationName::screensDidWake)
                      .sink([weak](const platform::WorkspaceNotification&) {
                        auto self = weak.lock();
                        if (!self) return;
                        self->updateClock();
                        self->updateBattery();
                        self->cancelClockTimer();
                        self->scheduleClockTimer();
                      });
  if (auto changes = deps_.powerSources.changeNotifications()) {
    powerSourceObserver_ = changes->sink([weak](const std::monostate&) {
      if (auto self = weak.lock()) self->updateBattery();
    });
  }
}

void SystemTrayManager::stop() {
  cancelClockTimer();
  localeObserver_.cancel();
  timezoneObserver_.cancel();
  wakeObserver_.cancel();
  powerSourceObserver_.cancel();
}

std::optional<double> SystemTrayManager::clockTimerDelay() const {
  if (!clockTimer_) return std::nullopt;
  return clockTimerDelay_;
}

void SystemTrayManager::updateClock() {
  const double now = deps_.scheduler.wallClockNow();
  timeString = timeFormatter_.string(now);
  dateString = dateFormatter_.string(now);
}

void SystemTrayManager::updateBattery() {
  namespace keys = platform::power_source_keys;
  const auto sources = deps_.powerSources.powerSources();
  if (!sources || sources->empty()) {
    hasBattery = false;
    batteryLevel = std::nullopt;
    return;
  }
  const platform::PlistValue::Dictionary* battery = nullptr;
  for (const auto& source : *sources) {
    if (!source) continue;
    auto type = source->find(keys::kType);
    if (type == source->end() || !type->second.isString()) continue;
    if (*type->second.asString() == keys::kInternalBatteryType) {
      battery = &*source;
      break;
    }
  }
  if (!battery) {
    hasBattery = false;
    batteryLevel = std::nullopt;
    return;
  }
  hasBattery = true;
  std::optional<int> level;
  if (auto capacity = battery->find(keys::kCurrentCapacity);
      capacity != battery->end() && capacity->second.isInteger())
    level = static_cast<int>(*capacity->second.asInteger());
  batteryLevel = level;
  auto state = battery->find(keys::kPowerSourceState);
  isCharging =
      state != battery->end() && state->second.isString() && *state->second.asString() == keys::kACPower;
}

void SystemTrayManager::scheduleClockTimer() {
  const double second = std::floor(std::fmod(deps_.scheduler.wallClockNow(), 60.0));
  const double delay = (60.0 - second) + kBoundaryMargin;
  // The Scheduler's one-shot work runs on time, so the tolerance the clock could allow is not needed.
  cancelClockTimer();
  std::weak_ptr<SystemTrayManager> weak = weak_from_this();
  clockTimer_ = deps_.scheduler.mainAfter(delay, [weak] {
    if (auto self = weak.lock()) self->clockTimerFired();
  });
  clockTimerDelay_ = delay;
}

void SystemTrayManager::clockTimerFired() {
  clockTimer_.reset();
  updateClock();
  // Without change announcements, the battery is looked at once a minute with the clock.
  if (!powerSourceObserver_.isActive()) updateBattery();
  scheduleClockTimer();
}

void SystemTrayManager::cancelClockTimer() {
  if (clockTimer_) clockTimer_->cancel();
  clockTimer_.reset();
}

void SystemTrayManager::rebuildFormatters() {
  const std::string locale = deps_.localeTimeZone.currentLocaleIdentifier();
  const std::string zone = deps_.localeTimeZone.systemTimeZoneIdentifier();
  timeFormatter_ = TrayDateFormatter(TrayDateFormatter::Style::shortTime, locale, zone);
  dateFormatter_ = TrayDateFormatter(TrayDateFormatter::Style::shortDate, locale, zone);
  updateClock();
}

}  // namespace pelko
