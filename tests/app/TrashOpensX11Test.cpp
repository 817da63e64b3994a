// A click on the bar's trash opens the trash's files folder through the desktop's URL handler
// (xdg-open, stood in for by a script that notes what it was asked to open).

#include <gtest/gtest.h>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

class TrashOpensX11Test : public AccessibleDesktopTest {};

TEST_F(TrashOpensX11Test, AClickOnTheTrashOpensItsFilesFolderThroughTheDesktop) {
  const auto urlHandler = recordUrlHandler();
  sandbox.setDefaults({{"PelkoShowTrashIcon", true}});
  startPelko(urlHandler);
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();

  // The bar may still be settling when first found: the click is tried again where the trash then is.
  std::vector<std::string> lines;
  for (int attempt = 0; attempt < 3 && lines.empty(); ++attempt) {
    const auto trash = accessibility->findOne("push button", "Trash", 10);
    ASSERT_TRUE(trash) << accessibility->describeAll();
    clickAt(trash->centerX(), trash->centerY());
    lines = waitForUrlsOpened(5);
  }
  ASSERT_EQ(lines.size(), 1u) << pelko->output();
  EXPECT_NE(lines[0].find(sandbox.path("home") + "/.local/share/Trash/files"), std::string::npos) << lines[0];
}

}  // namespace
}  // namespace pelko::testing
