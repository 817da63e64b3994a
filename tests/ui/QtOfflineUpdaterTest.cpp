// The update framework without a feed: a check the user asks for answers in the framework's own window.

#include "ui/QtOfflineUpdater.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

namespace pelko {
namespace {

TEST(QtOfflineUpdaterTest, ACheckSaysInItsOwnWindowThatThereIsNoNetworkUntilTheUserClosesIt) {
  QtOfflineUpdater updater;
  updater.start();
  EXPECT_EQ(updater.statusWindow(), nullptr) << "scheduled checks show nothing";
  EXPECT_TRUE(updater.windows().empty());

  updater.checkForUpdates();
  QWidget* window = updater.statusWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "Software Update");
  std::vector<QString> texts;
  for (QLabel* label : window->findChildren<QLabel*>()) texts.push_back(label->text());
  EXPECT_EQ(texts, std::vector<QString>{"The update check could not be made: no network."});
  // The re-activation passes find the framework's window by its class while it shows.
  EXPECT_EQ(updater.windows(),
            (std::vector<platform::AppWindowInfo>{{"SUUpdateStatusWindowController", true, false}}));

  updater.okButton()->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(updater.windows().empty());

  updater.checkForUpdates();
  EXPECT_EQ(updater.statusWindow(), window) << "made once, shown again";
  EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace pelko
