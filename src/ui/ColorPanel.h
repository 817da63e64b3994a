#pragma once

#include <QPointer>
#include <QWidget>

#include "foundation/Color.h"
#include "ui/ColorWell.h"

class QColorDialog;

namespace pelko {

class ColorPanel;

// Tells whoever places the colour panel that it came forward, without making the panel for them.
class ColorPanelEvents : public QObject {
  Q_OBJECT
 public:
  static ColorPanelEvents& instance();

 signals:
  void panelBecameKey(ColorPanel* panel);
};

// The one colour picker window every colour well shares. A well that is clicked becomes the panel's
// active well; the user's picks go to that well only. The program places the panel (its level and
// position) when it appears: `becameKey` is sent each time it is shown. Escape closes it, keeping what
// was picked.
class ColorPanel : public QWidget {
  Q_OBJECT
 public:
  // Made on first use, kept for the process.
  static ColorPanel& shared();
  // The panel when it was made already; null otherwise (closing a window must not create one).
  static ColorPanel* sharedIfExists();

  ColorWell* activeWell() const { return activeWell_; }
  // Shows the panel for `well`, with its colour.
  void activate(ColorWell* well);
  // Lets go of `well` when it is the active one, without showing anything.
  void release(ColorWell* well);
  // Shows `color` without passing it on as a pick.
  void showColor(const Color& color);
  // The user picking `color` (what the picker's own widgets end in).
  void pickByUser(const Color& color);

  int level() const { return level_; }
  // Above the normal level (0) the panel stays on top of other windows.
  void setLevel(int level);

 signals:
  void becameKey();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  explicit ColorPanel();
  QColorDialog* picker_ = nullptr;
  QPointer<ColorWell> activeWell_;
  int level_ = 0;
  bool showingProgrammatically_ = false;
};

}  // namespace pelko
