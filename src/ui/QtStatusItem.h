#pragma once

#include <QImage>
#include <QMenu>
#include <QSystemTrayIcon>
#include <memory>

#include "platform/StatusItem.h"

namespace pelko {

// The status item as a system-tray icon with a menu. Tray hosts show the image as given (they do not
// tint template images), so a template image is drawn in the palette's text colour with an outline in
// the opposite colour: it reads on dark and light panels. The icon is kept while no tray host runs, and
// appears in the first one that starts.
class QtStatusItem final : public platform::StatusItem {
 public:
  QtStatusItem();
  ~QtStatusItem() override;

  bool install(const platform::StatusItemImage& image, const std::string& toolTip,
               std::vector<platform::StatusMenuItem> menu) override;
  void remove() override;

  // The width of a template image's outline, in points.
  static constexpr double kOutlineWidth = 0.75;
  // The outline's colour around ink of `ink`'s colour: white around dark ink, black around light ink.
  static QColor outlineColor(const QColor& ink);
  // The image at `scale` device pixels per point, in `color` with its outline (a template) or black.
  static QImage render(const platform::StatusItemImage& image, const QColor& color, double scale);
  // The menu with its rows: titles shown as given, key equivalents as Ctrl shortcuts.
  static std::unique_ptr<QMenu> makeMenu(const std::vector<platform::StatusMenuItem>& items);

  // The installed icon; null before install() and after remove().
  const QSystemTrayIcon* trayIcon() const { return icon_.get(); }

 private:
  std::unique_ptr<QMenu> menu_;
  std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace pelko
