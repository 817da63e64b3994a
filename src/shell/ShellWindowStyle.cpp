#include "shell/ShellWindowStyle.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "ui/IconCache.h"
#include "ui/QtColor.h"

namespace pelko {

QFont shellSystemFont(double points, QFont::Weight weight) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(points))));
  font.setWeight(weight);
  return font;
}

namespace {
QColor labelColorWithAlpha(const QWidget& widget, double alpha) {
  QColor color = widget.palette().color(QPalette::WindowText);
  color.setAlphaF(alpha);
  return color;
}
}  // namespace

QColor secondaryLabelColor(const QWidget& widget) {
  return labelColorWithAlpha(widget, 0.6);
}

QColor tertiaryLabelColor(const QWidget& widget) {
  return labelColorWithAlpha(widget, 0.4);
}

bool moveWindowByBackground(QWidget& window, const QMouseEvent& event) {
  if (event.button() != Qt::LeftButton) return false;
  QWindow* handle = window.windowHandle();
  return handle && handle->startSystemMove();
}

void presentCentredOnMainScreen(QWidget& window) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
  window.show();
  window.raise();
  window.activateWindow();
}

QPixmap applicationIconPixmap(const platform::AppIcon& icon, const QString& initial, int pixels) {
  pixels = std::max(1, pixels);
  if (!icon.source.empty()) {
    QPixmap fromFile = IconCache::shared().pixmap(QString::fromStdString(icon.source), pixels);
    if (!fromFile.isNull()) return fromFile;
  }
  QPixmap pixmap(pixels, pixels);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF tile(pixels * 0.04, pixels * 0.04, pixels * 0.92, pixels * 0.92);
  const QColor base = toQColor(icon.color.withAlpha(1));
  QLinearGradient gradient(tile.topLeft(), tile.bottomLeft());
  gradient.setColorAt(0, base.lighter(120));
  gradient.setColorAt(1, base.darker(115));
  painter.setPen(Qt::NoPen);
  painter.setBrush(gradient);
  painter.drawRoundedRect(tile, pixels * 0.22, pixels * 0.22);
  QFont font = shellSystemFont(pixels * 0.55, QFont::Bold);
  painter.setFont(font);
  const double luma = 0.299 * base.redF() + 0.587 * base.greenF() + 0.114 * base.blueF();
  painter.setPen(luma > 0.6 ? QColor(40, 30, 10) : QColor(Qt::white));
  painter.drawText(tile, Qt::AlignCenter, initial);
  return pixmap;
}

QPixmap ownApplicationIcon(const platform::AppShell& appShell, int pixels) {
  return applicationIconPixmap(appShell.applicationIcon(), QStringLiteral("P"), pixels);
}

QIcon ownApplicationWindowIcon(const platform::AppShell& appShell) {
  QIcon icon;
  for (int pixels : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(ownApplicationIcon(appShell, pixels));
  return icon;
}

}  // namespace pelko
