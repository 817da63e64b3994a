#pragma once

#include <QMetaObject>
#include <QPointer>
#include <QScreen>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/OwnerLifetime.h"
#include "foundation/Scheduler.h"
#include "foundation/Subject.h"
#include "platform/Screens.h"

namespace pelko::real {

// The screens Qt reports, in screen coordinates: Qt's global rectangles (device-independent pixels,
// y down) flipped against the primary screen's height, the same flip the panels' placement undoes. The
// primary screen comes first. Qt has no display number, so each screen gets one on first sight, kept
// for as long as the process runs; a screen that is unplugged and plugged in again (same name, maker,
// model and serial number) gets its old number back. The several signals Qt emits for one change
// (added, removed, primary changed, geometry changed) reach subscribers as one notification on the main
// queue. Main thread only; needs a QGuiApplication.
class QtScreens final : public platform::Screens {
 public:
  explicit QtScreens(Scheduler& scheduler);
  ~QtScreens() override;
  QtScreens(const QtScreens&) = delete;
  QtScreens& operator=(const QtScreens&) = delete;

  std::vector<platform::ScreenInfo> screens() override;
  // The primary screen: a taskbar that never takes focus has no key window to follow.
  std::optional<platform::ScreenInfo> mainScreen() override;
  Publisher<platform::ScreenParametersChange> screenParametersChanged() override {
    return changes_.publisher();
  }

  // Display numbers start here, clear of 0 (the null display).
  static constexpr platform::DisplayID kFirstDisplayID = 1;

 private:
  struct Known {
    QPointer<QScreen> screen;
    platform::DisplayID id = 0;
    std::string identity;
    std::vector<QMetaObject::Connection> connections;
  };

  static std::string identityOf(const QScreen& screen);
  platform::ScreenInfo describe(QScreen& screen, double mainHeight);
  platform::DisplayID displayIDFor(QScreen* screen);
  void forget(QScreen* screen);
  void scheduleChange();

  Scheduler& scheduler_;
  Subject<platform::ScreenParametersChange> changes_;
  std::vector<QMetaObject::Connection> appConnections_;
  std::vector<Known> known_;
  // Numbers of unplugged screens, by identity, for when they come back.
  std::multimap<std::string, platform::DisplayID> released_;
  platform::DisplayID nextID_ = kFirstDisplayID;
  bool changePending_ = false;
  OwnerLifetime lifetime_;
};

}  // namespace pelko::real
