// The baseline: a bare Qt window showing one bar along the bottom of the screen, with nothing in it. It is
// a dock window, as Pelko's bar is, so the window manager treats both alike; it follows the pointer (as a
// bar with buttons must) and paints only its background colour.
//
// With --buttons it is the least a bar like Pelko's can do: seven buttons as wide as Pelko's, each
// with a title drawn before the first map (so the font system is loaded by then, as any bar showing
// text must), fading a flat tint in over 50 ms and out over 60 ms on hover with Qt's own animation
// clock, on an opaque window. The title is drawn once into a picture that every frame copies.

#include <xcb/xcb.h>

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QVariantAnimation>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
  auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

// What Pelko's bar does too: the type Qt keeps when it writes the window's type again, and the property.
void markAsDock(QWidget& window) {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return;
  const auto id = static_cast<xcb_window_t>(window.winId());
  window.windowHandle()->setProperty("_q_xcb_wm_window_type", 0x4);
  xcb_connection_t* connection = x11->connection();
  const xcb_atom_t type = internAtom(connection, "_NET_WM_WINDOW_TYPE");
  const xcb_atom_t dock = internAtom(connection, "_NET_WM_WINDOW_TYPE_DOCK");
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, type, XCB_ATOM_ATOM, 32, 1, &dock);
}

class FadingButton final : public QWidget {
 public:
  FadingButton(const QString& title, const QSize& size, QWidget* parent) : QWidget(parent) {
    resize(size);
    title_ = QPixmap(size);
    title_.fill(Qt::transparent);
    QPainter painter(&title_);
    painter.setPen(Qt::white);
    painter.drawText(title_.rect().adjusted(8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, title);
    fade_.setEasingCurve(QEasingCurve::OutQuad);
    QObject::connect(&fade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
      tint_ = value.toDouble();
      update();
    });
  }

 protected:
  void enterEvent(QEnterEvent*) override { fadeTo(1, 50); }
  void leaveEvent(QEvent*) override { fadeTo(0, 60); }
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (tint_ > 0) painter.fillRect(rect(), QColor(255, 255, 255, static_cast<int>(tint_ * 0.08 * 255)));
    painter.drawPixmap(0, 0, title_);
  }

 private:
  void fadeTo(double target, int milliseconds) {
    fade_.stop();
    fade_.setStartValue(tint_);
    fade_.setEndValue(target);
    fade_.setDuration(milliseconds);
    fade_.start();
  }

  QPixmap title_;
  QVariantAnimation fade_;
  double tint_ = 0;
};

void addButtons(QWidget& bar) {
  constexpr int kWidth = 100, kGap = 3, kInset = 4;
  const char* const titles[] = {"Finder", "Safari", "Mail", "Notes", "Terminal", "Music", "TextEdit"};
  int x = kInset;
  for (const char* title : titles) {
    auto* button =
        new FadingButton(QString::fromLatin1(title), QSize(kWidth, bar.height() - 2 * kInset), &bar);
    button->move(x, kInset);
    x += kWidth + kGap;
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget bar(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  bar.setGeometry(screen.left(), screen.bottom() - 47, screen.width(), 48);
  QPalette palette = bar.palette();
  palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
  bar.setPalette(palette);
  bar.setAutoFillBackground(true);
  bar.setMouseTracking(true);
  if (argc > 1 && std::strcmp(argv[1], "--buttons") == 0) addButtons(bar);
  markAsDock(bar);
  bar.show();
  return application.exec();
}
