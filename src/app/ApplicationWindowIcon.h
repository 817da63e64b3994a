#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "platform/Alerts.h"

namespace pelko {

// This program's icon on the frame of every window it opens. Drawing it is the program's first use of
// the font system, which reads the system's font configuration first: long enough to hold the first bar
// back. So it is put in place once the bars stand on screen, or before an alert that comes earlier (a
// box of its own, with a frame to carry it). The toolkit hands an icon set later to the windows already
// open. Main thread only.
class ApplicationWindowIcon {
 public:
  // `install` sets the icon for every window; it is called at most once.
  explicit ApplicationWindowIcon(std::function<void()> install) : install_(std::move(install)) {}
  ApplicationWindowIcon(const ApplicationWindowIcon&) = delete;
  ApplicationWindowIcon& operator=(const ApplicationWindowIcon&) = delete;

  void install() {
    if (auto install = std::exchange(install_, nullptr)) install();
  }
  bool isInstalled() const { return !install_; }

 private:
  std::function<void()> install_;
};

// Alerts that put the program's icon in place before the first of them shows.
class AlertsWithWindowIcon final : public platform::Alerts {
 public:
  AlertsWithWindowIcon(std::unique_ptr<platform::Alerts> alerts, ApplicationWindowIcon& icon)
      : alerts_(std::move(alerts)), icon_(icon) {}

  int runModal(const platform::AlertContent& alert, platform::AlertOwner owner) override {
    icon_.install();
    return alerts_->runModal(alert, owner);
  }

 private:
  std::unique_ptr<platform::Alerts> alerts_;
  ApplicationWindowIcon& icon_;
};

}  // namespace pelko
