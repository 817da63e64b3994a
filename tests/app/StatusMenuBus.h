#pragma once

// The program's status item as a tray host sees it over a session bus: the item's menu read with the
// D-Bus menu protocol, and its rows clicked by their shown labels.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "XTestServer.h"

namespace pelko::testing {

// The test's own status-notifier watcher on the session bus at `busAddress`, as a tray host runs one so
// that status items register; each item's registration is a line of its output, after "watching". It is
// a program of ours: stopping it fails the test unless it ends cleanly.
inline std::unique_ptr<Helper> startStatusNotifierWatcher(const std::string& busAddress) {
  return std::make_unique<Helper>(PELKO_SNI_WATCHER, std::vector<std::string>{},
                                  std::map<std::string, std::string>{{"DBUS_SESSION_BUS_ADDRESS", busAddress},
                                                                     {"QT_QPA_PLATFORM", "offscreen"}},
                                  Helper::Output::read, "", Helper::Origin::ours);
}

// One entry of a D-Bus menu layout.
struct MenuNode {
  int id = 0;
  QVariantMap properties;
  std::vector<MenuNode> children;
};

inline MenuNode readMenuNode(const QDBusArgument& argument) {
  MenuNode node;
  argument.beginStructure();
  argument >> node.id >> node.properties;
  argument.beginArray();
  while (!argument.atEnd()) {
    QDBusVariant child;
    argument >> child;
    node.children.push_back(readMenuNode(child.variant().value<QDBusArgument>()));
  }
  argument.endArray();
  argument.endStructure();
  return node;
}

// A label as a tray host shows it: an underscore marks the next character as the mnemonic, two stand
// for one underscore.
inline std::string shownMenuLabel(const QString& label) {
  std::string shown;
  const std::string text = label.toStdString();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

// The menu of the item that registered as `registeredLine` ("registered SERVICE PATH", the watcher's
// line) on the bus at `busAddress`.
class StatusMenu {
 public:
  StatusMenu(const std::string& busAddress, const std::string& connectionName)
      : address_(QString::fromStdString(busAddress)), connection_(QString::fromStdString(connectionName)) {}
  ~StatusMenu() { QDBusConnection::disconnectFromBus(connection_); }
  StatusMenu(const StatusMenu&) = delete;
  StatusMenu& operator=(const StatusMenu&) = delete;

  // Reads the menu; false (with `error` set) when the item or its menu does not answer.
  bool read(const std::string& registeredLine, std::string& error) {
    std::stringstream words(registeredLine);
    std::string word, service, itemPath;
    words >> word >> service >> itemPath;
    if (word != "registered") {
      error = "not a registration: " + registeredLine;
      return false;
    }
    service_ = QString::fromStdString(service);
    auto menuPath = call(service_, QString::fromStdString(itemPath), "org.freedesktop.DBus.Properties", "Get",
                         {"org.kde.StatusNotifierItem", "Menu"});
    if (menuPath.type() != QDBusMessage::ReplyMessage) {
      error = menuPath.errorMessage().toStdString();
      return false;
    }
    menu_ = qvariant_cast<QDBusVariant>(menuPath.arguments().at(0)).variant().value<QDBusObjectPath>().path();
    auto layout = call(service_, menu_, "com.canonical.dbusmenu", "GetLayout", {0, -1, QStringList{}});
    if (layout.type() != QDBusMessage::ReplyMessage) {
      error = layout.errorMessage().toStdString();
      return false;
    }
    MenuNode root = readMenuNode(layout.arguments().at(1).value<QDBusArgument>());
    rows_.clear();
    ids_.clear();
    for (const auto& child : root.children) {
      const bool separator = child.properties.value("type").toString() == "separator";
      const std::string label =
          separator ? "---" : shownMenuLabel(child.properties.value("label").toString());
      rows_.push_back(label);
      ids_[label] = child.id;
    }
    return true;
  }

  const std::vector<std::string>& rows() const { return rows_; }

  // Clicks the row shown as `row`. The action may open a modal alert before the call returns: the
  // answer is not waited for.
  void click(const std::string& row) {
    auto message = QDBusMessage::createMethodCall(service_, menu_, "com.canonical.dbusmenu", "Event");
    message.setArguments({ids_.at(row), QString("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    bus().send(message);
  }

  QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                    const QString& method, const QList<QVariant>& arguments) {
    auto message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus().call(message, QDBus::Block, 5000);
  }

 private:
  QDBusConnection bus() { return QDBusConnection::connectToBus(address_, connection_); }

  QString address_;
  QString connection_;
  QString service_;
  QString menu_;
  std::vector<std::string> rows_;
  std::map<std::string, int> ids_;
};

}  // namespace pelko::testing
