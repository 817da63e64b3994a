// A status-notifier watcher for the end-to-end tests: the service a desktop's tray host keeps on the
// session bus, reduced to what an item needs to register. Each registration is printed on standard
// output as "registered <service> <object path>", so the test learns where the item is. SIGTERM ends it
// as it ends the program: its event loop quits and it exits with status 0, through the sanitizer's leak
// check in a sanitizer build.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QSocketNotifier>
#include <QStringList>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

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

namespace {

// A signal handler may only write to a pipe; the event loop reads the other end and quits.
int terminationPipe[2] = {-1, -1};

void onTermination(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(terminationPipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything else, so a SIGTERM that comes early still waits in the pipe for the loop.
  if (::pipe2(terminationPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("pipe2");
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = onTermination;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);

  QCoreApplication application(argc, argv);
  QSocketNotifier termination(terminationPipe[0], QSocketNotifier::Read);
  QObject::connect(&termination, &QSocketNotifier::activated, &application, &QCoreApplication::quit);
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
