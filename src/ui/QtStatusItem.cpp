#include "ui/QtStatusItem.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPalette>

#include "ui/AccessiblePopups.h"
#include "ui/PlainText.h"

namespace pelko {

namespace {

// "q" is Ctrl+Q; an upper-case letter adds Shift, as a Command key equivalent does.
QKeySequence shortcutFor(const std::string& key) {
  if (key.empty()) return {};
  const QChar character = QString::fromStdString(key).at(0);
  int modifiers = Qt::CTRL;
  if (character.isUpper()) modifiers |= Qt::SHIFT;
  return QKeySequence(QString(modifiers & Qt::SHIFT ? "Ctrl+Shift+" : "Ctrl+") + character.toUpper());
}

}  // namespace

QtStatusItem::QtStatusItem() = default;

QtStatusItem::~QtStatusItem() {
  remove();
}

QColor QtStatusItem::outlineColor(const QColor& ink) {
  return ink.lightnessF() < 0.5 ? QColor(255, 255, 255, 220) : QColor(0, 0, 0, 220);
}

QImage QtStatusItem::render(const platform::StatusItemImage& image, const QColor& color, double scale) {
  QImage result(QSize(qRound(image.width * scale), qRound(image.height * scale)),
                QImage::Format_ARGB32_Premultiplied);
  result.fill(Qt::transparent);
  QPainter painter(&result);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(scale, scale);
  const QColor ink = image.isTemplate ? color : QColor(Qt::black);
  std::vector<QPainterPath> paths;
  for (const auto& shape : image.shapes) {
    QRectF rect(shape.rect.origin.x, shape.rect.origin.y, shape.rect.size.width, shape.rect.size.height);
    QPainterPath path;
    path.addRoundedRect(rect, shape.cornerRadius, shape.cornerRadius);
    paths.push_back(path);
  }
  // A tray host shows the image as given, on a panel of any colour, and tells nothing of that colour:
  // a template image gets a thin outline in the colour opposite its ink, so it reads on dark and light
  // panels alike. Every outline goes first, so that none covers another shape's ink.
  if (image.isTemplate) {
    const QColor outline = outlineColor(ink);
    for (size_t i = 0; i < paths.size(); ++i) {
      const double width = image.shapes[i].strokeWidth + 2 * kOutlineWidth;
      QPainterPathStroker stroker(QPen(outline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      QPainterPath around = stroker.createStroke(paths[i]);
      if (image.shapes[i].strokeWidth <= 0) around = around.united(paths[i]);
      painter.fillPath(around, outline);
    }
  }
  for (size_t i = 0; i < paths.size(); ++i) {
    if (image.shapes[i].strokeWidth > 0) {
      painter.strokePath(paths[i], QPen(ink, image.shapes[i].strokeWidth));
    } else {
      painter.fillPath(paths[i], ink);
    }
  }
  return result;
}

std::unique_ptr<QMenu> QtStatusItem::makeMenu(const std::vector<platform::StatusMenuItem>& items) {
  installAccessiblePopups();
  auto menu = std::make_unique<QMenu>();
  for (const auto& item : items) {
    if (item.isSeparator) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(plainButtonTitle(QString::fromStdString(item.title)));
    action->setShortcut(shortcutFor(item.keyEquivalent));
    // Shown beside the title; the menu is not focused while closed, so the keys act only inside it.
    action->setShortcutContext(Qt::WidgetShortcut);
    if (item.action)
      QObject::connect(action, &QAction::triggered, menu.get(), [run = item.action] { run(); });
  }
  return menu;
}

bool QtStatusItem::install(const platform::StatusItemImage& image, const std::string& toolTip,
                           std::vector<platform::StatusMenuItem> menu) {
  remove();
  const QColor text = QGuiApplication::palette().color(QPalette::WindowText);
  QIcon icon;
  for (double scale : {1.0, 2.0}) icon.addPixmap(QPixmap::fromImage(render(image, text, scale)));
  menu_ = makeMenu(menu);
  icon_ = std::make_unique<QSystemTrayIcon>(icon);
  icon_->setToolTip(QString::fromStdString(toolTip));
  icon_->setContextMenu(menu_.get());
  // A click opens the menu too: the item has no action of its own.
  QObject::connect(icon_.get(), &QSystemTrayIcon::activated, menu_.get(),
                   [menu = menu_.get()](QSystemTrayIcon::ActivationReason reason) {
                     if (reason == QSystemTrayIcon::Trigger) menu->popup(QCursor::pos());
                   });
  // Shown also while no tray host runs: Qt watches for one and puts the icon in the first that appears
  // (a panel started after this program, or one that restarted).
  icon_->show();
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtStatusItem::remove() {
  if (icon_) icon_->hide();
  icon_.reset();
  menu_.reset();
}

}  // namespace pelko
