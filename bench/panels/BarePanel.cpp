// The baseline: a bare Qt window showing one bar along the bottom of the screen, with nothing in it.

#include <QApplication>
#include <QScreen>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget bar(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  bar.setGeometry(screen.left(), screen.bottom() - 47, screen.width(), 48);
  bar.setStyleSheet("background: #2b2b2b");
  bar.setMouseTracking(true);
  bar.show();
  return application.exec();
}
