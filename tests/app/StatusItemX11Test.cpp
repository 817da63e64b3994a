// The status item of the real program under an X server, with a private session bus and a
// status-notifier watcher written for the test: the item registers, its menu is read and clicked over
// the bus as a tray host would, the diagnostics reach the X clipboard for another process, a second
// start hands its URL over (also one without a display), and the menu's quit gives the Dock back.

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>

#include "PelkoProcess.h"
#include "XTestServer.h"

namespace pelko::testing {
namespace {

// One entry of a D-Bus menu layout.
struct MenuNode {
  int id = 0;
  QVariantMap properties;
  std::vector<MenuNode> children;
};

MenuNode readNode(const QDBusArgument& argument) {
  MenuNode node;
  argument.beginStructure();
  argument >> node.id >> node.properties;
  argument.beginArray();
  while (!argument.atEnd()) {
    QDBusVariant child;
    argument >> child;
    node.children.push_back(readNode(child.variant().value<QDBusArgument>()));
  }
  argument.endArray();
  argument.endStructure();
  return node;
}

// A label as a tray host shows it: an underscore marks the next character as the mnemonic, two stand
// for one underscore.
std::string shownLabel(const QString& label) {
  std::string shown;
  const std::string text = label.toStdString();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

class StatusItemX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string xvfb = findProgram("Xvfb"), daemon = findProgram("dbus-daemon");
    xclip_ = findProgram("xclip");
    if (xvfb.empty() || daemon.empty() || xclip_.empty())
      GTEST_SKIP() << "needs Xvfb, dbus-daemon and xclip (scripts/install-deps.sh)";
    server_ = std::make_unique<XServer>(xvfb);
    display_ = server_->display();
    ASSERT_FALSE(display_.empty()) << "no X server came up on a free display";
    // A session bus of the test's own, as dbus-run-session starts one.
    bus_ = std::make_unique<Helper>(daemon,
                                    std::vector<std::string>{"--session", "--nofork", "--print-address=1"},
                                    std::map<std::string, std::string>{}, Helper::Output::read);
    auto address = bus_->readLine(5);
    ASSERT_TRUE(address && !address->empty()) << "the session bus did not start";
    busAddress_ = *address;
    watcher_ =
        std::make_unique<Helper>(PELKO_SNI_WATCHER, std::vector<std::string>{},
                                 std::map<std::string, std::string>{{"DBUS_SESSION_BUS_ADDRESS", busAddress_},
                                                                    {"QT_QPA_PLATFORM", "offscreen"}},
                                 Helper::Output::read);
    ASSERT_EQ(watcher_->readLine(5), "watching");
  }
  void TearDown() override { QDBusConnection::disconnectFromBus(kConnection); }

  std::map<std::string, std::string> displayEnvironment() const {
    return {{"DISPLAY", display_},
            {"QT_QPA_PLATFORM", "xcb"},
            {"DBUS_SESSION_BUS_ADDRESS", busAddress_},
            {"XDG_CURRENT_DESKTOP", ""},
            {"QT_QPA_PLATFORMTHEME", ""}};
  }

  QDBusConnection bus() {
    return QDBusConnection::connectToBus(QString::fromStdString(busAddress_), kConnection);
  }

  QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                    const QString& method, const QList<QVariant>& arguments) {
    auto message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus().call(message, QDBus::Block, 5000);
  }

  static constexpr const char* kConnection = "status-item-test";
  std::string xclip_;
  std::string display_;
  std::string busAddress_;
  std::unique_ptr<XServer> server_;
  std::unique_ptr<Helper> bus_;
  std::unique_ptr<Helper> watcher_;
};

TEST_F(StatusItemX11Test, TheMenuCopiesDiagnosticsTakesForwardedURLsAndQuitsRestoringTheDock) {
  Sandbox sandbox;
  const Sandbox::Dictionary usersDock = {{"autohide", false}, {"tilesize", 52.0}, {"orientation", "left"}};
  sandbox.setDockDomain(usersDock);
  PelkoProcess pelko(sandbox, {}, displayEnvironment());
  ASSERT_TRUE(pelko.waitUntilReady()) << pelko.output();

  // The item registers with the watcher.
  auto registered = watcher_->readLine(10);
  ASSERT_TRUE(registered) << "the item did not register; output:\n" << pelko.output();
  std::stringstream words(*registered);
  std::string word, service, itemPath;
  words >> word >> service >> itemPath;
  ASSERT_EQ(word, "registered");
  const QString itemService = QString::fromStdString(service);

  // Its menu, as a tray host reads it.
  auto menuPath = call(itemService, QString::fromStdString(itemPath), "org.freedesktop.DBus.Properties",
                       "Get", {"org.kde.StatusNotifierItem", "Menu"});
  ASSERT_EQ(menuPath.type(), QDBusMessage::ReplyMessage) << menuPath.errorMessage().toStdString();
  const QString menu =
      qvariant_cast<QDBusVariant>(menuPath.arguments().at(0)).variant().value<QDBusObjectPath>().path();
  auto layout = call(itemService, menu, "com.canonical.dbusmenu", "GetLayout", {0, -1, QStringList{}});
  ASSERT_EQ(layout.type(), QDBusMessage::ReplyMessage) << layout.errorMessage().toStdString();
  MenuNode root = readNode(layout.arguments().at(1).value<QDBusArgument>());
  std::vector<std::string> rows;
  std::map<std::string, int> ids;
  for (const auto& child : root.children) {
    bool separator = child.properties.value("type").toString() == "separator";
    std::string label = separator ? "---" : shownLabel(child.properties.value("label").toString());
    rows.push_back(label);
    ids[label] = child.id;
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"About Pelko", "Check for Updates...", "Feedback & Support...",
                                            "---", "Settings...", "Run Onboarding...", "Restart Pelko",
                                            "Copy Diagnostics", "---", "Restore Dock & Quit"}));
  auto click = [&](const std::string& row) {
    auto message = QDBusMessage::createMethodCall(itemService, menu, "com.canonical.dbusmenu", "Event");
    message.setArguments({ids.at(row), QString("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    // The action may open a modal alert before the call returns: the answer is not waited for.
    bus().send(message);
  };

  // A second start hands its URL to this one and ends with status 0.
  PelkoProcess second(sandbox, {"pelko://restart"}, displayEnvironment());
  auto secondEnding = second.wait(10);
  ASSERT_TRUE(secondEnding);
  EXPECT_TRUE(secondEnding->exited && secondEnding->status == 0) << second.output();
  EXPECT_TRUE(pelko.waitForOutput("AppDelegate: restarting the taskbars", 5));

  // Handing a URL over needs no display: a start from a text console or over ssh does it too.
  PelkoProcess console(sandbox, {"pelko://from-a-console"}, {{"DBUS_SESSION_BUS_ADDRESS", busAddress_}},
                       {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
  auto consoleEnding = console.wait(10);
  ASSERT_TRUE(consoleEnding);
  EXPECT_TRUE(consoleEnding->exited && consoleEnding->status == 0) << console.output();
  EXPECT_TRUE(pelko.waitForOutput("AppDelegate: unhandled URL scheme action: pelko://from-a-console", 5));

  // The report reaches the X clipboard, where another process reads it.
  click("Copy Diagnostics");
  std::string clipboard;
  for (int attempt = 0; attempt < 50 && clipboard.rfind("Pelko Diagnostics\n", 0) != 0; ++attempt) {
    pelko.waitForOutput("(a line that never comes)", 0.1);
    clipboard = runOnDisplay(display_, xclip_ + " -selection clipboard -o");
  }
  std::vector<std::string> lines;
  std::stringstream in(clipboard);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 22u) << clipboard;
  EXPECT_EQ(lines[0], "Pelko Diagnostics");
  EXPECT_EQ(lines[2], "App: v0.1.0 (1)");
  EXPECT_EQ(lines[14], "Dock Hidden Runtime: true");

  // The menu's quit gives the Dock back and ends with status 0.
  click("Restore Dock & Quit");
  auto ending = pelko.wait(10);
  ASSERT_TRUE(ending) << pelko.output();
  EXPECT_TRUE(ending->exited && ending->status == 0) << pelko.output();
  EXPECT_EQ(sandbox.dockDomain(), usersDock);

  std::string output = pelko.output();
  size_t rebuilds = 0;
  for (size_t at = output.find("AppDelegate: restarting the taskbars"); at != std::string::npos;
       at = output.find("AppDelegate: restarting the taskbars", at + 1))
    ++rebuilds;
  EXPECT_EQ(rebuilds, 1u);
}

}  // namespace
}  // namespace pelko::testing
