#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "platform/AppShell.h"
#include "platform/Updater.h"

class QLabel;
class QPushButton;

namespace pelko {

// The update framework of this build, which has no update feed to reach: its scheduled checks find
// nothing, and a check the user asks for says so in the framework's own status window, which stays on
// top until the user closes it. The window is made on the first check and reused.
class QtOfflineUpdater final : public platform::Updater {
 public:
  static constexpr const char* kStatusWindowClass = "SUUpdateStatusWindowController";
  static constexpr const char* kTitle = "Software Update";
  static constexpr const char* kMessage = "The update check could not be made: no network.";

  QtOfflineUpdater();
  ~QtOfflineUpdater() override;

  void start() override;
  // Shows the status window in front, with the keyboard.
  void checkForUpdates() override;

  // The framework's windows among the application's: the status window while it shows.
  std::vector<platform::AppWindowInfo> windows() const;
  // Null before the first check.
  QWidget* statusWindow() const { return window_.get(); }
  QPushButton* okButton() const { return okButton_; }

 private:
  std::unique_ptr<QWidget> window_;
  QPushButton* okButton_ = nullptr;
};

}  // namespace pelko
