// A status-notifier watcher for the end-to-end tests: the service a desktop's tray host keeps on the
// session bus, reduced to what an item needs to register. Each registration is printed on standard
// output as "registered <service> <object path>", so the test learns where the item is.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <cstdio>

class Watcher : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
  Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
  Q_PROPERTY(int ProtocolVersion READ protocolVersion)

 public:
  QStringList registeredItems() const { return items_; }
  bool isHostRegistered() const { return true; }
  int protocolVersion() const { return 0; }

 public slots:
  void RegisterStatusNotifierItem(const QString& serviceOrPath) {
    // An item names its bus name (its object then is at /StatusNotifierItem) or its object path.
    QString service = serviceOrPath;
    QString path = "/StatusNotifierItem";
    if (serviceOrPath.startsWith('/')) {
      service = message().service();
      path = serviceOrPath;
    }
    items_ << service + path;
    std::printf("registered %s %s\n", qPrintable(service), qPrintable(path));
    std::fflush(stdout);
    emit StatusNotifierItemRegistered(service + path);
  }
  void RegisterStatusNotifierHost(const QString&) {}

 signals:
  void StatusNotifierItemRegistered(const QString& item);
  void StatusNotifierHostRegistered();

 private:
  QStringList items_;
};

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QDBusConnection bus = QDBusConnection::sessionBus();
  Watcher watcher;
  if (!bus.registerObject("/StatusNotifierWatcher", &watcher,
                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                              QDBusConnection::ExportAllProperties) ||
      !bus.registerService("org.kde.StatusNotifierWatcher")) {
    std::fprintf(stderr, "cannot register the watcher on the session bus\n");
    return 1;
  }
  std::printf("watching\n");
  std::fflush(stdout);
  return QCoreApplication::exec();
}

#include "StatusNotifierWatcher.moc"
