// Opening through the desktop's URL handler: the handler is stood in for by Qt's per-scheme handlers, so
// nothing is really opened; everything else still goes to the wrapped (simulated) workspace.

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

#include "foundation/VirtualScheduler.h"
#include "platform/real/DesktopUrlWorkspace.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko {
namespace {

class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  std::vector<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
};

TEST(DesktopUrlWorkspaceTest, OpensPathsAsLocalFilesAndURLsAsTheyAreWhileTheRestStaysWithTheWrappedOne) {
  VirtualScheduler scheduler;
  sim::SimulatedMac mac(scheduler);
  real::DesktopUrlWorkspace workspace(mac.workspace());
  UrlCatcher catcher;
  for (const char* scheme : {"file", "https"}) QDesktopServices::setUrlHandler(scheme, &catcher, "open");

  struct Case {
    std::string given;
    std::optional<QUrl> opened;
  };
  const Case cases[] = {
      {"/home/user/.local/share/Trash/files", QUrl("file:///home/user/.local/share/Trash/files")},
      {"/home/user/a folder/#1", QUrl::fromLocalFile("/home/user/a folder/#1")},
      {"https://example.com/feedback?from=pelko", QUrl("https://example.com/feedback?from=pelko")},
      {"relative/path", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    catcher.opened.clear();
    EXPECT_EQ(workspace.openURL(c.given), c.opened.has_value());
    ASSERT_EQ(catcher.opened.size(), c.opened ? 1u : 0u);
    if (c.opened) {
      EXPECT_EQ(catcher.opened.front(), *c.opened);
    }
  }
  for (const char* scheme : {"file", "https"}) QDesktopServices::unsetUrlHandler(scheme);
  EXPECT_TRUE(mac.openedURLs().empty()) << "the simulated workspace was asked to open something";

  const int32_t pid = mac.launchApp("com.example.editor", "Editor");
  ASSERT_TRUE(workspace.runningApplication(pid));
  EXPECT_EQ(workspace.runningApplications().size(), mac.workspace().runningApplications().size());
}

}  // namespace
}  // namespace pelko

#include "DesktopUrlWorkspaceTest.moc"
