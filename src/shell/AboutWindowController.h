#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/AppShell.h"
#include "shell/WindowPresenters.h"

class QKeyEvent;
class QLabel;
class QPushButton;

namespace pelko {

namespace platform {
class Workspace;
}

// Modifier flags of a key equivalent, with the values the platform's key events carry.
namespace key_flags {
constexpr uint64_t capsLock = 0x10000;
constexpr uint64_t shift = 0x20000;
constexpr uint64_t control = 0x40000;
constexpr uint64_t option = 0x80000;
constexpr uint64_t command = 0x100000;
// The low bits describe which physical key was held; they never decide a key equivalent.
constexpr uint64_t deviceIndependentMask = 0xFFFF0000;
}  // namespace key_flags

// The key-equivalent flags of a Qt key event: the Control key plays Command's part, Super none. Caps
// Lock is no Qt modifier: on X11 it is the Lock bit (0x2) of the native state.
uint64_t keyEquivalentFlags(const QKeyEvent& event);
// The key's character without modifiers, lower-cased; empty for keys without one.
QString charactersIgnoringModifiers(const QKeyEvent& event);
// Command-W, exactly: Shift or Caps Lock held as well make it another key equivalent.
bool isCloseKeyEquivalent(uint64_t modifierFlags, const QString& charactersIgnoringModifiers);

// The About window: Escape and Command-W close it (closing only hides it).
class AboutWindow final : public QWidget {
  Q_OBJECT
 public:
  AboutWindow();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

// The texts of the About window that come from the running system and the bundle.
QString aboutVersionText(const platform::AppShell& appShell);
QString aboutSystemText(const platform::OperatingSystemVersion& version, const QString& processorFamily);
// "Apple Silicon" in an ARM build, "Intel" otherwise.
QString processorFamily();
QString aboutCopyrightText(const platform::AppShell& appShell);

// Builds the About window once and shows it on request; the window is reused after closing.
class AboutWindowController final : public AboutPresenter {
 public:
  struct Dependencies {
    platform::AppShell& appShell;
    platform::Workspace& workspace;
  };

  static constexpr int kContentWidth = 360;
  static constexpr int kContentHeight = 320;
  static constexpr const char* kFeedbackPageURL = "https://pelko.app/feedback";

  explicit AboutWindowController(const Dependencies& dependencies);
  ~AboutWindowController() override;
  AboutWindowController(const AboutWindowController&) = delete;
  AboutWindowController& operator=(const AboutWindowController&) = delete;

  // Brings the application forward and shows the window centred on the screen, in front and focused.
  void showAbout() override;

  // The buttons' actions.
  void checkForUpdates();
  void openFeedback();

  // Opens the maker's feedback and support page in the default browser; the status menu and the
  // settings window use the same operation. False when the address does not form or nothing opens it.
  static bool openFeedbackPage(platform::Workspace& workspace);

  AboutWindow& window() const { return *window_; }
  QPushButton& checkForUpdatesButton() const { return *checkForUpdatesButton_; }
  QPushButton& feedbackButton() const { return *feedbackButton_; }

 private:
  void buildContent();

  Dependencies deps_;
  std::unique_ptr<AboutWindow> window_;
  QPushButton* checkForUpdatesButton_ = nullptr;
  QPushButton* feedbackButton_ = nullptr;
};

}  // namespace pelko
