#pragma once

#include <QImage>
#include <QMenu>
#include <QSystemTrayIcon>
#include <memory>

#include "platform/StatusItem.h"

namespace pelko {

// The status item as a system-tray icon with a menu. Tray hosts show the image as given (they do not
// tint template images), so a template image is drawn in the palette's text colour.
class QtStatusItem final : public platform::StatusItem {
 public:
  QtStatusItem();
  ~QtStatusItem() override;

  bool install(const platform::StatusItemImage& image, const std::string& toolTip,
               std::vector<platform::StatusMenuItem> menu) override;
  void remove() override;

  // The image at `scale` device pixels per point, in `color` (a template) or black.
  static QImage render(const platform::StatusItemImage& image, const QColor& color, double scale);
  // The menu with its rows: titles shown as given, key equivalents as Ctrl shortcuts.
  static std::unique_ptr<QMenu> makeMenu(const std::vector<platform::StatusMenuItem>& items);

 private:
  std::unique_ptr<QMenu> menu_;
  std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace pelko
