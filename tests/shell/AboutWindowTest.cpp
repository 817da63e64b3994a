#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "foundation/VirtualScheduler.h"
#include "platform/sim/SimulatedMac.h"
#include "shell/AboutWindowController.h"

namespace pelko {
namespace {

class CountingDelegate final : public platform::ApplicationDelegate {
 public:
  void toggleSettingsWindowFromTaskbar() override {}
  void checkForUpdates() override { ++updateChecks; }
  int updateChecks = 0;
};

class AboutWindowTest : public ::testing::Test {
 protected:
  AboutWindowController& controller() {
    if (!controller_)
      controller_ = std::make_unique<AboutWindowController>(
          AboutWindowController::Dependencies{mac.appShell(), mac.workspace()});
    return *controller_;
  }
  QStringList labelTexts() {
    QStringList texts;
    for (QLabel* label : controller().window().findChildren<QLabel*>())
      if (!label->text().isEmpty()) texts << label->text();
    return texts;
  }

  VirtualScheduler scheduler;
  sim::SimulatedMac mac{scheduler};
  std::unique_ptr<AboutWindowController> controller_;
};

TEST_F(AboutWindowTest, EscapeAndExactlyCommandWCloseTheWindow) {
  struct Row {
    const char* keys;
    int key;
    Qt::KeyboardModifiers modifiers;
    quint32 nativeModifiers;
    bool closes;
  };
  // Control stands for Command here and Super for nothing; the native 0x2 is X11's Caps Lock.
  const Row rows[] = {
      {"Escape", Qt::Key_Escape, Qt::NoModifier, 0, true},
      {"Command-W", Qt::Key_W, Qt::ControlModifier, 0, true},
      {"Command-Shift-W", Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier, 0, false},
      {"Command-W with Caps Lock", Qt::Key_W, Qt::ControlModifier, 0x2, false},
      {"Command-Option-W", Qt::Key_W, Qt::ControlModifier | Qt::AltModifier, 0, false},
      {"W", Qt::Key_W, Qt::NoModifier, 0, false},
      {"Command-Q", Qt::Key_Q, Qt::ControlModifier, 0, false},
      {"Command-W with Super", Qt::Key_W, Qt::ControlModifier | Qt::MetaModifier, 0, true},
      {"Super-W", Qt::Key_W, Qt::MetaModifier, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.keys);
    controller().showAbout();
    ASSERT_TRUE(controller().window().isVisible());
    QKeyEvent press(QEvent::KeyPress, row.key, row.modifiers, 0, 0, row.nativeModifiers);
    QApplication::sendEvent(&controller().window(), &press);
    EXPECT_EQ(!controller().window().isVisible(), row.closes);
  }
}

TEST_F(AboutWindowTest, CloseKeyEquivalentIgnoresTheDeviceDependentBitsOnly) {
  EXPECT_TRUE(isCloseKeyEquivalent(0x100000 | 0x8, "w"));  // left Command key
  EXPECT_TRUE(isCloseKeyEquivalent(0x100000, "W"));
  EXPECT_FALSE(isCloseKeyEquivalent(0x100000 | 0x10000, "w"));
  EXPECT_FALSE(isCloseKeyEquivalent(0x100000 | 0x40000, "w"));
  EXPECT_FALSE(isCloseKeyEquivalent(0x100000, "e"));
}

TEST_F(AboutWindowTest, ShowsTheBundleAndSystemVersionsWithTheirFallbacks) {
  mac.appShell().version = std::nullopt;
  mac.appShell().build = std::nullopt;
  mac.appShell().systemVersion = {15, 1, 2};
  const QStringList fallback = labelTexts();
  EXPECT_TRUE(fallback.contains("Pelko"));
  EXPECT_TRUE(fallback.contains("Version 1.0.0 (1)"));
  EXPECT_TRUE(fallback.contains("macOS 15.1.2 (" + processorFamily() + ")"));
  EXPECT_TRUE(fallback.contains("Copyright \u00A9 2026 The Pelko developers. All rights reserved."));

  mac.appShell().version = "2.4.1";
  mac.appShell().build = "318";
  mac.appShell().copyright = "Copyright <b>Someone</b> & Co";
  EXPECT_EQ(aboutVersionText(mac.appShell()), "Version 2.4.1 (318)");
  EXPECT_EQ(aboutSystemText({13, 0, 0}, "Apple Silicon"), "macOS 13.0.0 (Apple Silicon)");
  controller_.reset();
  const QStringList given = labelTexts();
  EXPECT_TRUE(given.contains("Version 2.4.1 (318)"));
  // Shown as written, never as markup.
  EXPECT_TRUE(given.contains("Copyright <b>Someone</b> & Co"));
  for (QLabel* label : controller().window().findChildren<QLabel*>())
    if (label->pixmap().isNull()) {
      EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
    }
}

TEST_F(AboutWindowTest, ReopeningShowsTheSameWindowCentredAndInFront) {
  controller().showAbout();
  QWidget* first = &controller().window();
  EXPECT_EQ(controller().window().windowTitle(), "About Pelko");
  EXPECT_EQ(controller().window().size(), QSize(360, 320));
  controller().window().move(3, 4);
  controller().window().close();
  EXPECT_FALSE(controller().window().isVisible());

  controller().showAbout();
  EXPECT_EQ(&controller().window(), first);
  EXPECT_TRUE(controller().window().isVisible());
  EXPECT_EQ(mac.appShell().activateOwnProcessCount, 2);
  const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((controller().window().frameGeometry().center() - centre).manhattanLength(), 2);
}

TEST_F(AboutWindowTest, ButtonsCheckForUpdatesThroughTheDelegateAndOpenTheFeedbackPage) {
  controller().checkForUpdatesButton().click();  // no delegate: nothing happens
  CountingDelegate delegate;
  mac.appShell().applicationDelegate = &delegate;
  EXPECT_EQ(controller().checkForUpdatesButton().text(), "Check for Updates...");
  controller().checkForUpdatesButton().click();
  EXPECT_EQ(delegate.updateChecks, 1);

  EXPECT_EQ(controller().feedbackButton().text(), "Feedback && Support");
  controller().feedbackButton().click();
  EXPECT_EQ(mac.openedURLs(), std::vector<std::string>{"https://pelko.app/feedback"});
  EXPECT_TRUE(AboutWindowController::openFeedbackPage(mac.workspace()));
  EXPECT_EQ(mac.openedURLs().size(), 2u);
}

TEST_F(AboutWindowTest, RendersForALook) {
  mac.appShell().version = "0.1.0";
  mac.appShell().build = "42";
  controller().showAbout();
  const QImage image = controller().window().grab().toImage();
  EXPECT_EQ(image.size(), QSize(360, 320) * image.devicePixelRatio());
  QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
  dir.mkpath(".");
  EXPECT_TRUE(image.save(dir.filePath("about-window.png")));
  // The amber icon tile sits centred near the top (left of its initial).
  const QColor iconPixel = image.pixelColor(180 - 30, 24 + 40);
  EXPECT_GT(iconPixel.red(), 200);
  EXPECT_LT(iconPixel.blue(), 120);
}

}  // namespace
}  // namespace pelko
